// A loadable library that exports no DllGetClassObject, for activation's failure test.
extern "C" __attribute__((visibility("default"))) int corvex_test_not_a_server() { return 0; }

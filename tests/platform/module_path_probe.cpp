// Prints the library a program falls back to when activation fails, as seen
// from wherever this program is copied to.
#include <cstdio>

#include "corvex/platform/module_objects.h"

int main() { std::puts(corvex::platform::library_beside_executable().c_str()); }

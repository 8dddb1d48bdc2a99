// Ends an X-macro expansion pass. No include guard.
#undef CVX_LIBRARY
#undef CVX_INTERFACE
#undef CVX_END
#undef CVX_GET
#undef CVX_GET1
#undef CVX_PUT
#undef CVX_METHOD0
#undef CVX_METHOD1
#undef CVX_METHOD2
#undef CVX_CLASS
#undef CVX_EXTENSION
#undef CVX_EXTENSION_END
#undef CVX_CALL

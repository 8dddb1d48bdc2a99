// Gives every X-macro of corvex_interfaces.inc that the includer did not define
// an empty expansion. No include guard: included once per expansion pass.
#ifndef CVX_LIBRARY
#define CVX_LIBRARY(Name, libid, help, major, minor)
#endif
#ifndef CVX_INTERFACE
#define CVX_INTERFACE(I, iid, help)
#endif
#ifndef CVX_END
#define CVX_END(I)
#endif
#ifndef CVX_GET
#define CVX_GET(I, M, id, help, R, RN)
#endif
#ifndef CVX_GET1
#define CVX_GET1(I, M, id, help, T1, N1, R, RN)
#endif
#ifndef CVX_PUT
#define CVX_PUT(I, M, id, help, T1, N1)
#endif
#ifndef CVX_METHOD0
#define CVX_METHOD0(I, M, id, help, R, RN)
#endif
#ifndef CVX_METHOD1
#define CVX_METHOD1(I, M, id, help, T1, N1, R, RN)
#endif
#ifndef CVX_METHOD2
#define CVX_METHOD2(I, M, id, help, T1, N1, T2, N2, R, RN)
#endif
#ifndef CVX_CLASS
#define CVX_CLASS(Name, clsid, progid, viprogid, description, help, Itf, resource)
#endif
#ifndef CVX_EXTENSION
#define CVX_EXTENSION(I, iid, help)
#endif
#ifndef CVX_EXTENSION_END
#define CVX_EXTENSION_END(I)
#endif
#ifndef CVX_CALL
#define CVX_CALL(I, M, help, params)
#endif

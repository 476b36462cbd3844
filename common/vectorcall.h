// The vectorcall protocol under the names of CPython 3.9 and later, on 3.8
// too, where its functions and type flag still carried a leading underscore.
#ifndef HALX_COMMON_VECTORCALL_H
#define HALX_COMMON_VECTORCALL_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#if PY_VERSION_HEX < 0x03090000
#define PyObject_Vectorcall _PyObject_Vectorcall
#define Py_TPFLAGS_HAVE_VECTORCALL _Py_TPFLAGS_HAVE_VECTORCALL
#endif

#endif  // HALX_COMMON_VECTORCALL_H

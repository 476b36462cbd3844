// NumPy's C API for the files of Halx._ufuncs: one table of NumPy's entry
// points for the whole module, filled by ufuncs.cpp (which defines
// HALX_UFUNCS_IMPORTS_NUMPY) when the module is created, before any other
// file's code runs.
#ifndef HALX_UFUNCS_NUMPY_API_H
#define HALX_UFUNCS_NUMPY_API_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#define PY_ARRAY_UNIQUE_SYMBOL Halx_ufuncs_array_api
#define PY_UFUNC_UNIQUE_SYMBOL Halx_ufuncs_ufunc_api
#ifndef HALX_UFUNCS_IMPORTS_NUMPY
#define NO_IMPORT_ARRAY
#define NO_IMPORT_UFUNC
#endif
#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

#endif  // HALX_UFUNCS_NUMPY_API_H

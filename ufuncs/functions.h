// What the files of Halx._ufuncs share beyond the rows: the flag that the
// checked ufuncs leave (ufuncs.cpp) and the functions of Halx.ufunc over them
// (functions.cpp). Error convention: a function returning a PyObject * or int
// gives null or -1 with an exception set; the flag never fails.
#ifndef HALX_UFUNCS_FUNCTIONS_H
#define HALX_UFUNCS_FUNCTIONS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::ufuncs {

// Whether a checked ufunc has met an input element outside its plausible
// span on this thread since the last call; clears that.
bool take_outside();

// Readies the type of the functions of Halx.ufunc; once, before the first is made.
int ready_function_type();

// The function of Halx.ufunc for row `index` of Properties, over its ufunc
// and its checked ufunc (borrowed; the function keeps them): a new reference.
PyObject *make_property_function(int index, PyObject *ufunc, PyObject *checked);

// find_outside(values, low, high) -> (count, first): how many of the numbers
// of values (an array-like of numbers, read as float64) lie outside [low,
// high], and the first of them in C order (None when none does); NaN never
// does. A module function of Halx._ufuncs (METH_FASTCALL).
PyObject *find_outside(PyObject *module, PyObject *const *args, Py_ssize_t count);

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_FUNCTIONS_H

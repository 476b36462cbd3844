// The benchmark floor, exported by the ufunc module under a private name:
// it runs a property's loop over plain float64 buffers with no NumPy
// machinery in between, so the benchmark can show what the ufunc layer adds.
#ifndef HALX_ARRAYS_FLOOR_H
#define HALX_ARRAYS_FLOOR_H

#include <Python.h>

namespace halx::arrays {

// _cpp_loop(name, out, *inputs) as a METH_VARARGS function: fills out and
// returns a new reference to it, or null with an exception set on bad arguments.
PyObject *cpp_loop(PyObject *module, PyObject *args);
extern const char kCppLoopDoc[];

}  // namespace halx::arrays

#endif  // HALX_ARRAYS_FLOOR_H

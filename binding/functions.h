// The module's function table. `delete_cHalx` is handed to the pointer
// type at start-up: a pointer object whose registered destroy callable is
// this very function is released without a call through Python.
// Error convention: a function returns null with an exception set.
#ifndef HALX_BINDING_FUNCTIONS_H
#define HALX_BINDING_FUNCTIONS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::binding {

// The ten functions in table order, closed by an empty entry.
extern PyMethodDef module_functions[];

// `delete_cHalx(argument)`: destroys the instance behind a proxy or pointer
// object. Returns new None, or null with TypeError set. Uses `argument` as a
// borrowed reference only, so a pointer object that is being released may be
// passed to it.
PyObject *delete_cHalx(PyObject *module, PyObject *argument);

}  // namespace Halx::binding

#endif  // HALX_BINDING_FUNCTIONS_H

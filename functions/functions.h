// What the files of Halx._functions share: the state of a module object and
// the two kinds of function the module holds. One module object per
// interpreter (multi-phase initialisation); every Python object the module
// holds lives in that object's state, never process-wide.
#ifndef HALX_FUNCTIONS_FUNCTIONS_H
#define HALX_FUNCTIONS_FUNCTIONS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::functions {

// The state of one module object: Halx.Phase(code) of its interpreter for
// each code of Halx::Phase but Undefined (owned; index 0 stays null). Filled
// when the module is executed, released with the module.
struct ModuleState {
    PyObject *phase_members[4];
};

// The state of `module` (borrowed); null before the module is executed.
inline ModuleState *state_of(PyObject *module) { return static_cast<ModuleState *>(PyModule_GetState(module)); }

// The derived properties' scalar functions (derived.cpp), null-terminated;
// each receives the module as self.
extern PyMethodDef derived_functions[];

// Adds to `module` the documented methods of the proxy class (methods.cpp),
// over the entry points of _Halx, which it imports. Returns false with an
// exception set (ImportError, AttributeError, MemoryError).
bool add_methods(PyObject *module);

}  // namespace Halx::functions

#endif  // HALX_FUNCTIONS_FUNCTIONS_H

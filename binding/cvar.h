// The link object `cvar`: read-only access to the model's constants.
// Error convention: install_cvar returns false with an exception set.
#ifndef HALX_BINDING_CVAR_H
#define HALX_BINDING_CVAR_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::binding {

// Stores the process's link object (creating it with its three variables on
// first use) under "cvar" in `namespace_dict`. Returns false with TypeError
// "Failure to create SWIG globals." when the object cannot be made, or
// MemoryError when its variables or the namespace entry cannot be.
bool install_cvar(PyObject *namespace_dict);

}  // namespace Halx::binding

#endif  // HALX_BINDING_CVAR_H

// The module's entry point. PyInit__Halx runs once per process on success
// (the module keeps no per-interpreter state, so later imports are served
// from the host's copy of its namespace) and again after a failed attempt,
// reusing whatever process-wide objects the failed attempt made.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "cvar.h"
#include "export.h"
#include "fault_injection.h"
#include "functions.h"
#include "owned_reference.h"
#include "pointer_objects.h"
#include "runtime.h"

namespace {

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "_Halx",
    nullptr,  // no documentation
    -1,       // all state is process-wide
    Halx::binding::module_functions,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

// The one exported symbol.
extern "C" HALX_EXPORT PyObject *PyInit__Halx(void);

// Returns a new reference to the module, or null with an exception set.
PyMODINIT_FUNC PyInit__Halx(void) {
    if (!Halx::runtime::create_attribute_names()) return nullptr;
    if (!Halx::runtime::ready_pointer_types(Halx::pointers::pointer_type_hooks(Halx::binding::delete_cHalx)))
        return nullptr;
    // PyModule_Create passes the C API version of the headers we build with.
    Halx::common::OwnedReference module(Halx::binding::allocation_fails() ? PyErr_NoMemory()
                                                                          : PyModule_Create(&module_definition));
    if (!module) return nullptr;
    PyObject *namespace_dict = PyModule_GetDict(module.get());  // borrowed
    Halx::runtime::join_type_sharing();
    if (!Halx::binding::install_cvar(namespace_dict)) return nullptr;
    return module.release();
}

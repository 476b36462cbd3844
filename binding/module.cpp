// The module's entry point. PyInit__Halx runs once per process on success
// (the module keeps no per-interpreter state, so later imports are served
// from the host's copy of its namespace) and again after a failed attempt,
// reusing whatever process-wide objects the failed attempt made.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "cvar.h"
#include "fault_injection.h"
#include "functions.h"
#include "pointer_objects.h"
#include "runtime.h"

namespace {

// The C API version the module object is created with.
constexpr int ApiVersion = 1013;

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "_Halx",
    nullptr,  // no documentation
    -1,       // all state is process-wide
    halx::module_functions,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

// The one exported symbol. Before 3.9 PyMODINIT_FUNC does not mark the entry
// point visible, and the module is built with hidden visibility.
extern "C" __attribute__((visibility("default"))) PyObject *PyInit__Halx(void);

// Returns a new reference to the module, or null with an exception set.
PyMODINIT_FUNC PyInit__Halx(void) {
    if (!halx::runtime::create_this_name()) return nullptr;
    if (!halx::runtime::ready_pointer_types(halx::pointers::pointer_type_hooks(halx::delete_cHalx))) return nullptr;
    PyObject *module = halx::allocation_fails() ? PyErr_NoMemory() : PyModule_Create2(&module_definition, ApiVersion);
    if (module == nullptr) return nullptr;
    PyObject *namespace_dict = PyModule_GetDict(module);  // borrowed
    halx::runtime::join_type_sharing();
    if (!halx::install_cvar(namespace_dict)) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}

// Module Halx._functions: the package's scalar functions, in one module with
// multi-phase initialisation. It holds the documented methods of the proxy
// class (methods.cpp, in the dict cHalx_methods) and every property as a
// function (properties.cpp, listed in __all__), and each module object keeps
// the members of Halx.Phase of its interpreter, the warning for implausible
// arguments and the functions of Halx.ufunc in its state (functions.h).
// Nothing here holds a Python object process-wide, so the module declares
// support for interpreters with a lock of their own; it imports _Halx for the
// methods' entry points, and _Halx refuses such interpreters.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <initializer_list>

#include "Surface.h"
#include "export.h"
#include "functions.h"
#include "owned_reference.h"

namespace Halx::functions {

namespace {

using common::OwnedReference;

// Fills the state of `module` with the members of Halx.Phase; returns false
// with an exception set, leaving what it filled to the module's clear.
bool import_phase_members(PyObject *module) {
    OwnedReference phase_module(PyImport_ImportModule("Halx._phase"));
    if (!phase_module) return false;
    OwnedReference phase_class(PyObject_GetAttrString(phase_module.get(), "Phase"));
    if (!phase_class) return false;
    PyObject **members = state_of(module)->phase_members;
    for (Halx::Phase phase : {Halx::Phase::Solid, Halx::Phase::Liquid, Halx::Phase::Vapour}) {
        const int code = static_cast<int>(phase);
        members[code] = PyObject_CallFunction(phase_class.get(), "i", code);
        if (members[code] == nullptr) return false;
    }
    return true;
}

// Fills the state of `module` with Halx._plausible.warn_outside, which the
// property functions call for an argument outside its plausible span; returns
// false with an exception set.
bool import_warn_outside(PyObject *module) {
    OwnedReference plausible_module(PyImport_ImportModule("Halx._plausible"));
    if (!plausible_module) return false;
    state_of(module)->warn_outside = PyObject_GetAttrString(plausible_module.get(), "warn_outside");
    return state_of(module)->warn_outside != nullptr;
}

// Fills the state of `module` with the names of NumPy's array protocols,
// interned; returns false with an exception set.
bool intern_array_protocols(PyObject *module) {
    PyObject **names = state_of(module)->array_protocols;
    for (int i = 0; i < ProtocolCount; ++i) {
        names[i] = PyUnicode_InternFromString(ArrayProtocols[i]);
        if (names[i] == nullptr) return false;
    }
    return true;
}

// Sets the module's __all__ to the names of the property functions (what the
// package re-exports; the methods are the proxy class's); returns false with
// an exception set.
bool add_all(PyObject *module) {
    OwnedReference names(PyList_New(0));
    if (!names) return false;
    for (const PyMethodDef *function = property_functions; function->ml_name != nullptr; ++function) {
        OwnedReference name(PyUnicode_FromString(function->ml_name));
        if (!name || PyList_Append(names.get(), name.get()) < 0) return false;
    }
    // PyModule_AddObject steals the reference only when it succeeds.
    if (PyModule_AddObject(module, "__all__", names.get()) < 0) return false;
    names.release();
    return true;
}

// triple_point() -> (T, P): a new tuple of two floats, or null with MemoryError set.
PyObject *triple_point(PyObject *, PyObject *) {
    const Halx::TriplePoint point = Halx::triple_point();
    return Py_BuildValue("(dd)", point.T, point.P);
}

PyMethodDef other_functions[] = {
    {"triple_point", triple_point, METH_NOARGS,
     "triple_point()\n--\n\n"
     "The triple point of the thermodynamic surface, where solid, liquid and vapour have one Gibbs energy: "
     "(T in \u00b0C, P in bar). Halx.T_Triple and Halx.P_Triple are the correlations' anchor instead."},
    {nullptr, nullptr, 0, nullptr},
};

// Py_mod_exec: returns 0, or -1 with an exception set.
int execute_module(PyObject *module) {
    return add_all(module) && PyModule_AddFunctions(module, other_functions) == 0 && import_phase_members(module) &&
                   import_warn_outside(module) && intern_array_protocols(module) && add_methods(module)
               ? 0
               : -1;
}

int traverse_module(PyObject *module, visitproc visit, void *arg) {
    ModuleState *state = state_of(module);
    if (state == nullptr) return 0;  // not yet executed
    for (PyObject *member : state->phase_members) Py_VISIT(member);
    Py_VISIT(state->warn_outside);
    Py_VISIT(state->array_functions);
    for (PyObject *name : state->array_protocols) Py_VISIT(name);
    Py_VISIT(state->array_type);
    return 0;
}

int clear_module(PyObject *module) {
    ModuleState *state = state_of(module);
    if (state == nullptr) return 0;
    for (PyObject *&member : state->phase_members) Py_CLEAR(member);
    Py_CLEAR(state->warn_outside);
    Py_CLEAR(state->array_functions);
    for (PyObject *&name : state->array_protocols) Py_CLEAR(name);
    Py_CLEAR(state->array_type);
    return 0;
}

void free_module(void *module) { clear_module(static_cast<PyObject *>(module)); }

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(execute_module)},
#if PY_VERSION_HEX >= 0x030C0000
    // Every Python object the module holds is in its state, so each
    // interpreter, with its own GIL or not, gets a module of its own.
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
#endif
    {0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "_functions",
    "The scalar functions of Halx: every property of sodium chloride, and the methods of Halx.cHalx; "
    "import them from Halx.",
    sizeof(ModuleState),
    property_functions,
    module_slots,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace

}  // namespace Halx::functions

extern "C" HALX_EXPORT PyObject *PyInit__functions(void);

// Returns the module definition; the import system creates and executes a
// module from it in each interpreter (PEP 489).
PyMODINIT_FUNC PyInit__functions(void) { return PyModuleDef_Init(&Halx::functions::module_definition); }

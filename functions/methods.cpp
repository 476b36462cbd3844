// The methods of the proxy class cHalx, with their signatures and docstrings,
// as functions of Halx._functions. Not part of _Halx, whose ten functions stay
// without documentation: each method here is a second function object over
// the very C entry point of _Halx's flat function cHalx_<name>, with the same
// calling convention, so the proxy binds it exactly as it would bind the flat
// function and a call runs the same code at the same cost; only help(),
// inspect.signature and IPython see the difference.
//
// Invariants: the method definitions are static, one per bound row of the
// property table, and their entry points are copied from _Halx's function
// objects whenever an interpreter executes the module (always the same
// values: _Halx is loaded once per process, and refuses interpreters with a
// lock of their own, so no two writers run at once); the function objects
// made from them have no self, so the signature's $self is the instance the
// proxy puts first. Each module object holds its own function objects.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "functions.h"
#include "owned_reference.h"
#include "property_rows.h"

namespace Halx::functions {

namespace {

using common::OwnedReference;

// Entry points are filled in at import; the docstrings come from the table.
#define HALX_METHOD_DEFINITION(name, doc) {#name, nullptr, METH_VARARGS, doc},
PyMethodDef methods[] = {
HALX_BOUND_METHODS(HALX_METHOD_DEFINITION)
    {nullptr, nullptr, 0, nullptr},
};
#undef HALX_METHOD_DEFINITION

constexpr const char *NotTheFlatFunction =
    "_Halx.%U is not the binding's property function; reinstall Halx so that _Halx and Halx come from one build";

// The module the methods report as theirs, as the proxy class does.
constexpr const char *MethodsModule = "Halx";

// Copies the entry point of _Halx's flat function of definition's property into
// definition. Returns false with an exception set (AttributeError, ImportError).
bool take_entry_point(PyObject *flat_module, PyMethodDef &definition) {
    OwnedReference flat_name(PyUnicode_FromFormat("cHalx_%s", definition.ml_name));
    if (!flat_name) return false;
    OwnedReference flat(PyObject_GetAttr(flat_module, flat_name.get()));
    if (!flat) return false;
    if (!PyCFunction_Check(flat.get()) || PyCFunction_GetFlags(flat.get()) != METH_VARARGS) {
        PyErr_Format(PyExc_ImportError, NotTheFlatFunction, flat_name.get());
        return false;
    }
    definition.ml_meth = PyCFunction_GetFunction(flat.get());
    return true;
}

}  // namespace

bool add_methods(PyObject *module) {
    OwnedReference flat_module(PyImport_ImportModule("_Halx"));
    if (!flat_module) return false;
    OwnedReference module_name(PyUnicode_FromString(MethodsModule));
    if (!module_name) return false;
    for (PyMethodDef *definition = methods; definition->ml_name != nullptr; ++definition) {
        if (!take_entry_point(flat_module.get(), *definition)) return false;
        OwnedReference method(PyCFunction_NewEx(definition, nullptr, module_name.get()));
        if (!method) return false;
        // PyModule_AddObject takes over the reference only when it succeeds.
        if (PyModule_AddObject(module, definition->ml_name, method.get()) < 0) return false;
        method.release();
    }
    return true;
}

}  // namespace Halx::functions

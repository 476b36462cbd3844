// The methods of the proxy class cHalx, with their signatures and docstrings,
// as functions of Halx._functions (the dict cHalx_methods). Not part of
// _Halx, whose ten functions stay without documentation: each method here
// calls the very C entry point of _Halx's flat function cHalx_<name> with
// the arguments it was given, so the proxy binds it exactly as it would bind
// the flat function and a call runs the same code, one direct call deeper;
// only help(), inspect.signature and IPython see the difference, and the
// refusal of an array-like argument (a NumPy scalar, an array, a list), which
// counts arguments as the caller wrote them and names the function of the
// package that takes such input. Every other outcome is the flat function's.
//
// Invariants: the method definitions are static, one per bound row of the
// property table, and the flat entry points they call are copied from _Halx's
// function objects whenever an interpreter executes the module (always the
// same values: _Halx is loaded once per process, and refuses interpreters with
// a lock of their own, so no two writers run at once); the function objects
// made from them have no self, so the signature's $self is the instance the
// proxy puts first. Each module object holds its own function objects.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <array>
#include <cstddef>
#include <utility>

#include "functions.h"
#include "number_rule.h"
#include "owned_reference.h"
#include "property_rows.h"
#include "signature.h"

namespace Halx::functions {

namespace {

using common::Argument;
using common::OwnedReference;
using common::Signature;

constexpr const char *NotTheFlatFunction =
    "_Halx.%U is not the binding's property function; reinstall Halx so that _Halx and Halx come from one build";
// The refusal of an array-like argument: position as the caller counts
// (the instance not included), name and meaning of the argument, its type.
constexpr const char *TakesArrays =
    "cHalx.%s(): argument %d, %s (%s), must be a float or int, not %.200s; Halx.%s takes NumPy scalars and arrays";

// The module the methods report as theirs, as the proxy class does.
constexpr const char *MethodsModule = "Halx";

// The name under which the module holds the methods.
constexpr const char *MethodsAttribute = "cHalx_methods";

#define HALX_METHOD_SIGNATURE(name, inputs, arguments, doc) {#name, inputs, {HALX_UNPARENTHESISE arguments}},
constexpr Signature signatures[] = {
HALX_BOUND_METHODS(HALX_METHOD_SIGNATURE)};
#undef HALX_METHOD_SIGNATURE
constexpr std::size_t MethodCount = sizeof signatures / sizeof signatures[0];

// The entry points of _Halx's flat functions, in the order of signatures;
// filled in at import.
PyCFunction flat_entries[MethodCount];

// Entry points are filled in at import; the docstrings come from the table.
#define HALX_METHOD_DEFINITION(name, inputs, arguments, doc) {#name, nullptr, METH_VARARGS, doc},
PyMethodDef methods[] = {
    HALX_BOUND_METHODS(HALX_METHOD_DEFINITION){nullptr, nullptr, 0, nullptr},
};
#undef HALX_METHOD_DEFINITION

// The binding's message (new reference) for a refused number at `position`
// of flat_entries[index], as the caller counts: what it says for a str there,
// with None (which it takes for no instance, running no user code) in front
// and zeros elsewhere. Null with an exception set.
PyObject *binding_refusal(std::size_t index, int position) {
    const Signature &signature = signatures[index];
    OwnedReference probe(PyTuple_New(signature.inputs + 1));
    if (!probe) return nullptr;
    for (int i = 0; i <= signature.inputs; ++i) {
        PyObject *item = Py_None;
        if (i == 0) {
            Py_INCREF(item);
        } else {
            item = i == position ? PyUnicode_FromString("") : PyFloat_FromDouble(0.0);
            if (item == nullptr) return nullptr;
        }
        PyTuple_SET_ITEM(probe.get(), i, item);
    }
    OwnedReference result(flat_entries[index](nullptr, probe.get()));
    if (result || !PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyObject *message = value != nullptr ? PyObject_Str(value) : nullptr;
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return message;
}

// Whether `refusal`, the TypeError value of flat_entries[index] on args
// (instance, numbers...), refused an array-like number argument; sets
// *position to it, as the caller counts (1 for the first argument after the
// instance). The refused argument is the first that the number rule does not
// take, unless the binding refused the instance before it: the message tells
// which. Must be called with no exception set; leaves none set.
bool refused_array_like(std::size_t index, PyObject *args, PyObject *refusal, int *position) {
    const Signature &signature = signatures[index];
    if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) != signature.inputs + 1) return false;
    *position = 0;
    for (int i = 1; i <= signature.inputs && *position == 0; ++i) {
        double number;
        if (common::take_number(PyTuple_GET_ITEM(args, i), &number) != common::Number::Taken) *position = i;
    }
    if (*position == 0 || !is_array_like(PyTuple_GET_ITEM(args, *position), nullptr)) return false;
    OwnedReference expected(binding_refusal(index, *position));
    OwnedReference given(expected && refusal != nullptr ? PyObject_Str(refusal) : nullptr);
    const int same = given ? PyObject_RichCompareBool(given.get(), expected.get(), Py_EQ) : 0;
    PyErr_Clear();
    return same == 1;
}

// After flat_entries[index] failed on args: replaces its TypeError with
// TakesArrays when the argument it refused is array-like. Leaves any other
// exception as it is.
[[gnu::cold]] void refer_to_function(std::size_t index, PyObject *args) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
    // The checks below may raise and clear exceptions of their own.
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    int position;
    if (!refused_array_like(index, args, value, &position)) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    const Signature &signature = signatures[index];
    const Argument &argument = signature.arguments[position - 1];
    PyErr_Format(PyExc_TypeError, TakesArrays, signature.name, position, argument.name, argument.description,
                 Py_TYPE(PyTuple_GET_ITEM(args, position))->tp_name, signature.name);
}

// Method `index` of the proxy: the flat function's outcome, its refusal of
// an array-like argument reworded (refer_to_function). Receives no self.
template <std::size_t index>
PyObject *method(PyObject *self, PyObject *args) {
    PyObject *result = flat_entries[index](self, args);
    if (result == nullptr) refer_to_function(index, args);
    return result;
}

template <std::size_t... index>
constexpr std::array<PyCFunction, sizeof...(index)> method_entries(std::index_sequence<index...>) {
    return {&method<index>...};
}

// The entry point of each method, in the order of signatures.
constexpr std::array<PyCFunction, MethodCount> entries = method_entries(std::make_index_sequence<MethodCount>());

// Copies the entry point of _Halx's flat function of definition's property into
// *entry. Returns false with an exception set (AttributeError, ImportError).
bool take_entry_point(PyObject *flat_module, const PyMethodDef &definition, PyCFunction *entry) {
    OwnedReference flat_name(PyUnicode_FromFormat("cHalx_%s", definition.ml_name));
    if (!flat_name) return false;
    OwnedReference flat(PyObject_GetAttr(flat_module, flat_name.get()));
    if (!flat) return false;
    if (!PyCFunction_Check(flat.get()) || PyCFunction_GetFlags(flat.get()) != METH_VARARGS) {
        PyErr_Format(PyExc_ImportError, NotTheFlatFunction, flat_name.get());
        return false;
    }
    *entry = PyCFunction_GetFunction(flat.get());
    return true;
}

}  // namespace

bool add_methods(PyObject *module) {
    OwnedReference flat_module(PyImport_ImportModule("_Halx"));
    if (!flat_module) return false;
    OwnedReference module_name(PyUnicode_FromString(MethodsModule));
    if (!module_name) return false;
    OwnedReference by_name(PyDict_New());
    if (!by_name) return false;
    for (std::size_t index = 0; index < MethodCount; ++index) {
        PyMethodDef &definition = methods[index];
        if (!take_entry_point(flat_module.get(), definition, &flat_entries[index])) return false;
        definition.ml_meth = entries[index];
        OwnedReference method(PyCFunction_NewEx(&definition, nullptr, module_name.get()));
        if (!method || PyDict_SetItemString(by_name.get(), definition.ml_name, method.get()) < 0) return false;
    }
    // PyModule_AddObject takes over the reference only when it succeeds.
    if (PyModule_AddObject(module, MethodsAttribute, by_name.get()) < 0) return false;
    by_name.release();
    return true;
}

}  // namespace Halx::functions

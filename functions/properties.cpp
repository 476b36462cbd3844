// Every property of the table as a scalar function of Halx._functions, one
// per row of HALX_PROPERTIES: the five that _Halx binds call their static
// member of cHalx, the others their function of model/, so each gives the very
// double of the method and of the ufunc. Each takes its numbers positionally.
// An exact float or int goes straight to the model (the cost of the call is
// that of the flat functions); so does any other Python number under the
// number rule of common/number_rule.h. What NumPy's ufuncs take instead
// (NumPy's scalars and arrays, lists, tuples, xarray, dask and pint objects)
// is handed, call and all, to the row's function of Halx.ufunc, which the
// module state holds once Halx.ufunc is first needed: NumPy in, NumPy out, and
// `import Halx` needs no NumPy. Anything else is refused with a one-line
// TypeError.
//
// Ownership: arguments are borrowed; every function returns a new reference,
// or null with an exception set. The members of Halx.Phase and the functions
// of Halx.ufunc belong to the interpreter that imported the module, in the
// module's state (functions.h); the functions find them through the module
// they are called with.
//
// A number outside its plausible span for the property (the table's
// plausible spans, in the rows) is a likely unit slip: the function warns
// Halx.RangeWarning through Halx._plausible, which words the message and
// attributes it to the caller's line, and then evaluates it all the same, or
// returns null when the warning is an error. The test is two comparisons.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <initializer_list>
#include <type_traits>

#include "functions.h"
#include "model_call.h"
#include "number_rule.h"
#include "owned_reference.h"
#include "property_rows.h"
#include "signature.h"
#include "vectorcall.h"

namespace Halx::functions {

namespace {

using common::Signature;

// The refusals, with the function's name and the argument's name and meaning.
constexpr const char *TakesOneArgument = "%s() takes 1 argument, %s (%s); got %zd";
constexpr const char *TakesTwoArguments = "%s() takes 2 arguments, %s (%s) and %s (%s); got %zd";
constexpr const char *NotANumber =
    "%s(): %s (%s) must be a float or int (or an array, with NumPy installed), not %.200s";
// The format must be ASCII: the degree sign comes in through %s, as UTF-8.
constexpr const char *NoPhase =
    "%s(): no state exists at T = %R %s, P = %R bar; T must be a number at or above absolute zero "
    "(-273.15 %s) and P a number at or above 0 bar";
constexpr const char *DegreesCelsius = "\u00b0C";
constexpr const char *NotTheArrayFunctions =
    "Halx._ufuncs.functions is not a function per property; reinstall Halx so that its modules come from one build";

// The rows in table order, as Halx._ufuncs.functions holds their functions.
enum Row : int {
#define HALX_ROW(name, ...) name##_row,
HALX_PROPERTIES(HALX_ROW)
#undef HALX_ROW
        RowCount
};

#define HALX_FUNCTION(name, inputs, model, result, kernel, arguments, doc, ufunc_doc) \
    constexpr Signature name##_function{#name, inputs, {HALX_UNPARENTHESISE arguments}};
HALX_PROPERTIES(HALX_FUNCTION)
#undef HALX_FUNCTION

// Sets TypeError for a call of `function` with `count` arguments; returns null.
[[gnu::cold]] PyObject *refuse_count(const Signature &function, Py_ssize_t count) {
    const common::Argument *arguments = function.arguments;
    if (function.inputs == 1) {
        return PyErr_Format(PyExc_TypeError, TakesOneArgument, function.name, arguments[0].name,
                            arguments[0].description, count);
    }
    return PyErr_Format(PyExc_TypeError, TakesTwoArguments, function.name, arguments[0].name, arguments[0].description,
                        arguments[1].name, arguments[1].description, count);
}

// What a property function does with one argument.
enum class Take {
    Number,    // a Python number, *value holds it
    ForUfunc,  // array-like: the whole call goes to Halx.ufunc
    Refused,   // neither: an exception is set
};

// Sorts argument `index` of `function`, a function of `module`. An exact
// float costs a type comparison, an exact int two; the type of the last
// array-like argument one more; only other types are asked whether they are
// array-like, before the number rule, because NumPy's float64 is a float.
Take take_argument(PyObject *module, PyObject *object, const Signature &function, int index, double *value) {
    if (PyFloat_CheckExact(object)) {
        *value = PyFloat_AS_DOUBLE(object);
        return Take::Number;
    }
    ModuleState *state = state_of(module);
    PyObject *type = reinterpret_cast<PyObject *>(Py_TYPE(object));
    if (type == state->array_type) return Take::ForUfunc;
    if (!PyLong_CheckExact(object) && is_array_like(object, state->array_protocols)) {
        Py_INCREF(type);
        Py_XSETREF(state->array_type, type);
        return Take::ForUfunc;
    }
    switch (common::take_number(object, value)) {
        case common::Number::Taken:
            return Take::Number;
        case common::Number::IntTooLarge:
            common::refuse_int_too_large(function, index);
            return Take::Refused;
        case common::Number::NotANumber:
            break;
    }
    const common::Argument &argument = function.arguments[index];
    PyErr_Format(PyExc_TypeError, NotANumber, function.name, argument.name, argument.description,
                 Py_TYPE(object)->tp_name);
    return Take::Refused;
}

// Fills the state of `module` with the functions of Halx.ufunc, importing it
// (and NumPy); false with an exception set (Halx.ufunc's ImportError, which
// names what keeps NumPy from loading).
[[gnu::cold]] bool load_array_functions(PyObject *module) {
    common::OwnedReference ufunc_module(PyImport_ImportModule("Halx.ufunc"));
    common::OwnedReference ufuncs_module(ufunc_module ? PyImport_ImportModule("Halx._ufuncs") : nullptr);
    common::OwnedReference functions(ufuncs_module ? PyObject_GetAttrString(ufuncs_module.get(), "functions")
                                                   : nullptr);
    if (!functions) return false;
    if (!PyTuple_CheckExact(functions.get()) || PyTuple_GET_SIZE(functions.get()) != RowCount) {
        PyErr_SetString(PyExc_ImportError, NotTheArrayFunctions);
        return false;
    }
    ModuleState *state = state_of(module);
    if (state->array_functions == nullptr) state->array_functions = functions.release();
    return true;
}

// The function of Halx.ufunc for `row` over the arguments of the call: a new
// reference, or null with an exception set (ImportError without NumPy,
// whatever the function raises).
PyObject *call_array_function(PyObject *module, Row row, PyObject *const *args, Py_ssize_t count) {
    if (state_of(module)->array_functions == nullptr && !load_array_functions(module)) return nullptr;
    return PyObject_Vectorcall(PyTuple_GET_ITEM(state_of(module)->array_functions, row), args, count, nullptr);
}

// Whether the numbers of a call of `function` may be evaluated: true when each
// lies in its plausible span or is NaN (a deliberate value), or when the
// warning for each that does not was only shown; false with an exception set.
bool plausible_or_warned(PyObject *module, const Signature &function, const double *numbers) {
    for (int i = common::first_outside(function, numbers); i >= 0; i = common::first_outside(function, numbers, i + 1)) {
        common::OwnedReference warned(
            PyObject_CallFunction(state_of(module)->warn_outside, "s(idii)", function.name, i, numbers[i], 1, 1));
        if (!warned) return false;
    }
    return true;
}

// A new float holding value; null with MemoryError set.
PyObject *make_result(PyObject *, const Signature &, double value, PyObject *const *) {
    return PyFloat_FromDouble(value);
}

// A new reference to the member of Halx.Phase for phase, from the state of
// `module`; null with ValueError set when there is none (no state at the
// arguments args).
PyObject *make_result(PyObject *module, const Signature &function, Halx::Phase phase, PyObject *const *args) {
    if (phase == Halx::Phase::Undefined) {
        return PyErr_Format(PyExc_ValueError, NoPhase, function.name, args[0], DegreesCelsius, args[1], DegreesCelsius);
    }
    PyObject *member = state_of(module)->phase_members[static_cast<int>(phase)];
    Py_INCREF(member);
    return member;
}

// (number[, number]) -> the property of the row `function`, evaluated by
// `model`; array-like arguments -> what its function of Halx.ufunc gives. A
// METH_FASTCALL function of a module receives the module as `self`.
template <const Signature &function, Row row, auto model>
PyObject *scalar_function(PyObject *module, PyObject *const *args, Py_ssize_t count) {
    constexpr int inputs = function.inputs;
    static_assert(inputs == common::ModelCall<model>::inputs, "a row's inputs must be its model function's");
    if (count != inputs) return refuse_count(function, count);
    double numbers[inputs];
    bool for_ufunc = false;
    for (int i = 0; i < inputs; ++i) {
        const Take taken = take_argument(module, args[i], function, i, &numbers[i]);
        if (taken == Take::Refused) return nullptr;
        for_ufunc |= taken == Take::ForUfunc;
    }
    if (for_ufunc) return call_array_function(module, row, args, count);
    if (!plausible_or_warned(module, function, numbers)) return nullptr;
    if constexpr (inputs == 1) {
        return make_result(module, function, model(numbers[0]), args);
    } else {
        return make_result(module, function, model(numbers[0], numbers[1]), args);
    }
}

#define HALX_CHECK_RESULT(name, inputs, model, result, kernel, arguments, doc, ufunc_doc) \
    static_assert(std::is_same_v<common::ModelCall<&model>::Result, result>,             \
                  "the model function of " #name " does not return its row's result");
HALX_PROPERTIES(HALX_CHECK_RESULT)
#undef HALX_CHECK_RESULT

// METH_FASTCALL functions enter the method table through the generic pointer type.
template <typename Function>
PyCFunction as_method(Function function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

// __array__ first: NumPy's scalars have it and not __array_ufunc__, and a
// protocol that a type lacks costs an AttributeError raised and cleared.
const char *const ArrayProtocols[ProtocolCount] = {"__array__", "__array_ufunc__", "__array_interface__",
                                                   "__array_function__"};

bool is_array_like(PyObject *object, PyObject *const *protocols) {
    if (PyList_Check(object) || PyTuple_Check(object)) return true;
    PyObject *type = reinterpret_cast<PyObject *>(Py_TYPE(object));
    for (int i = 0; i < ProtocolCount; ++i) {
        if (protocols != nullptr ? PyObject_HasAttr(type, protocols[i])
                                 : PyObject_HasAttrString(type, ArrayProtocols[i])) {
            return true;
        }
    }
    return false;
}

PyMethodDef property_functions[] = {
#define HALX_METHOD(name, inputs, model, result, kernel, arguments, doc, ufunc_doc) \
    {#name, as_method(scalar_function<name##_function, name##_row, &model>), METH_FASTCALL, doc},
    HALX_PROPERTIES(HALX_METHOD)
#undef HALX_METHOD
        {nullptr, nullptr, 0, nullptr},
};

}  // namespace Halx::functions

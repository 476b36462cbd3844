// Every property of the table as a scalar function of Halx._functions, one
// per row of HALX_SCALAR_PROPERTIES: the five that _Halx binds call their
// static member of cHalx, the derived ones their function of model/, so each
// gives the very double of the method and of the ufunc. Each takes its
// numbers positionally. An exact float or int goes straight to the model (the
// cost of the call is that of the flat functions); so does any other Python
// number under the number rule of common/number_rule.h. What NumPy's ufuncs
// take instead (NumPy's scalars and arrays, lists, tuples, xarray, dask and
// pint objects) is handed, call and all, to Halx.ufunc through the module
// state's through_ufunc: NumPy in, NumPy out, and `import Halx` needs no
// NumPy. Anything else is refused with a one-line TypeError.
//
// Ownership: arguments are borrowed; every function returns a new reference,
// or null with an exception set. The members of Halx.Phase and through_ufunc
// belong to the interpreter that imported the module, in the module's state
// (functions.h); the functions find them through the module they are called with.
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

#include "Caloric.h"
#include "Derived.h"
#include "Surface.h"
#include "Halx.h"
#include "functions.h"
#include "model_call.h"
#include "number_rule.h"
#include "owned_reference.h"
#include "property_rows.h"

namespace Halx::functions {

namespace {

// The refusals, with the function's name and the argument's name and meaning.
constexpr const char *TakesOneArgument = "%s() takes 1 argument, %s (%s); got %zd";
constexpr const char *TakesTwoArguments = "%s() takes 2 arguments, %s (%s) and %s (%s); got %zd";
constexpr const char *NotANumber =
    "%s(): %s (%s) must be a float or int (or an array, with NumPy installed), not %.200s";
constexpr const char *IntTooLarge = "%s(): %s (%s) is an int too large for a double";
// The format must be ASCII: the degree sign comes in through %s, as UTF-8.
constexpr const char *NoPhase =
    "%s(): no state exists at T = %R %s, P = %R bar; T must be a number at or above absolute zero "
    "(-273.15 %s) and P a number at or above 0 bar";
constexpr const char *DegreesCelsius = "\u00b0C";

#define HALX_FUNCTION(name, inputs, model, result, arguments, doc) \
    constexpr Signature name##_function{#name, inputs, {HALX_UNPARENTHESISE arguments}};
HALX_SCALAR_PROPERTIES(HALX_FUNCTION)
#undef HALX_FUNCTION

// Sets TypeError for a call of `function` with `count` arguments; returns null.
[[gnu::cold]] PyObject *refuse_count(const Signature &function, Py_ssize_t count) {
    const Argument *arguments = function.arguments;
    if (function.inputs == 1) {
        return PyErr_Format(PyExc_TypeError, TakesOneArgument, function.name, arguments[0].name,
                            arguments[0].description, count);
    }
    return PyErr_Format(PyExc_TypeError, TakesTwoArguments, function.name, arguments[0].name, arguments[0].description,
                        arguments[1].name, arguments[1].description, count);
}

// Sets the refusal of `object` as argument `index` of `function`, which the
// number rule did not take (`outcome`).
[[gnu::cold]] void refuse_argument(PyObject *object, common::Number outcome, const Signature &function, int index) {
    const Argument &argument = function.arguments[index];
    if (outcome == common::Number::IntTooLarge) {
        PyErr_Format(PyExc_OverflowError, IntTooLarge, function.name, argument.name, argument.description);
    } else {
        PyErr_Format(PyExc_TypeError, NotANumber, function.name, argument.name, argument.description,
                     Py_TYPE(object)->tp_name);
    }
}

// What a property function does with one argument.
enum class Take {
    Number,    // a Python number, *value holds it
    ForUfunc,  // array-like: the whole call goes to Halx.ufunc
    Refused,   // neither: an exception is set
};

// Sorts argument `index` of `function`. An exact float or int costs a type
// comparison; only other types are asked whether they are array-like, before
// the number rule, because NumPy's float64 is a float.
Take take_argument(PyObject *object, const Signature &function, int index, double *value) {
    common::Number outcome;
    if (PyFloat_CheckExact(object)) {
        *value = PyFloat_AS_DOUBLE(object);
        return Take::Number;
    }
    if (PyLong_CheckExact(object)) {
        outcome = common::take_number(object, value);
    } else if (is_array_like(object)) {
        return Take::ForUfunc;
    } else {
        outcome = common::take_number(object, value);
    }
    if (outcome == common::Number::Taken) return Take::Number;
    refuse_argument(object, outcome, function, index);
    return Take::Refused;
}

// Halx.ufunc.<name>(*args) through the state of `module`: a new reference, or
// null with an exception set (ImportError without NumPy, whatever the ufunc raises).
[[gnu::cold]] PyObject *call_ufunc(PyObject *module, const Signature &function, PyObject *const *args,
                                   Py_ssize_t count) {
    common::OwnedReference name(PyUnicode_FromString(function.name));
    if (!name) return nullptr;
    PyObject *through_ufunc = state_of(module)->through_ufunc;
    if (count == 1) return PyObject_CallFunctionObjArgs(through_ufunc, name.get(), args[0], nullptr);
    return PyObject_CallFunctionObjArgs(through_ufunc, name.get(), args[0], args[1], nullptr);
}

// Warns Halx.RangeWarning through the state of `module` that argument `index`
// of `function` is `value`, outside its plausible span. Returns false with the
// exception set when the warning is an error (or the message cannot be made).
[[gnu::cold]] bool warn_implausible(PyObject *module, const Signature &function, int index, double value) {
    common::OwnedReference warned(
        PyObject_CallFunction(state_of(module)->warn_implausible, "sid", function.name, index, value));
    return static_cast<bool>(warned);
}

// Whether the numbers of a call of `function` may be evaluated: true when each
// lies in its plausible span or is NaN (a deliberate value), or when the
// warning for one that does not was only shown; false with an exception set.
template <const Signature &function>
bool plausible_or_warned(PyObject *module, const double *numbers) {
    for (int i = 0; i < function.inputs; ++i) {
        const Argument &argument = function.arguments[i];
        const double value = numbers[i];
        // The comparisons are false for NaN, which then passes.
        if ((value < argument.plausible_low || value > argument.plausible_high) &&
            !warn_implausible(module, function, i, value)) {
            return false;
        }
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
// `model`; array-like arguments -> what Halx.ufunc gives. A METH_FASTCALL
// function of a module receives the module as `self`.
template <const Signature &function, auto model>
PyObject *scalar_function(PyObject *module, PyObject *const *args, Py_ssize_t count) {
    constexpr int inputs = function.inputs;
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    if (count != inputs) return refuse_count(function, count);
    double numbers[inputs];
    bool for_ufunc = false;
    for (int i = 0; i < inputs; ++i) {
        const Take taken = take_argument(args[i], function, i, &numbers[i]);
        if (taken == Take::Refused) return nullptr;
        for_ufunc |= taken == Take::ForUfunc;
    }
    if (for_ufunc) return call_ufunc(module, function, args, count);
    if (!plausible_or_warned<function>(module, numbers)) return nullptr;
    if constexpr (inputs == 1) {
        return make_result(module, function, model(numbers[0]), args);
    } else {
        return make_result(module, function, model(numbers[0], numbers[1]), args);
    }
}

#define HALX_CHECK_RESULT(name, count, model, result, arguments, doc)                   \
    static_assert(common::ModelCall<&model>::inputs == count,                           \
                  "the model function of " #name " does not take its row's arguments"); \
    static_assert(std::is_same_v<common::ModelCall<&model>::Result, result>,            \
                  "the model function of " #name " does not return its row's result");
HALX_SCALAR_PROPERTIES(HALX_CHECK_RESULT)
#undef HALX_CHECK_RESULT

// METH_FASTCALL functions enter the method table through the generic pointer type.
template <typename Function>
PyCFunction as_method(Function function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

bool is_array_like(PyObject *object) {
    if (PyList_Check(object) || PyTuple_Check(object)) return true;
    PyObject *type = reinterpret_cast<PyObject *>(Py_TYPE(object));
    for (const char *protocol : {"__array_ufunc__", "__array__", "__array_interface__", "__array_function__"}) {
        if (PyObject_HasAttrString(type, protocol)) return true;
    }
    return false;
}

PyMethodDef property_functions[] = {
#define HALX_METHOD(name, inputs, model, result, arguments, doc) \
    {#name, as_method(scalar_function<name##_function, &model>), METH_FASTCALL, doc},
    HALX_SCALAR_PROPERTIES(HALX_METHOD)
#undef HALX_METHOD
        {nullptr, nullptr, 0, nullptr},
};

}  // namespace Halx::functions

// The derived properties (the rows of the property table that _Halx does not
// bind) as plain scalar functions of Halx._functions, one per row of
// HALX_DERIVED_PROPERTIES. Each takes its numbers positionally, by the number
// rule of common/number_rule.h, evaluates the model function and returns a new
// float, or for the phase the member of Halx.Phase with the model's code.
//
// Ownership: arguments are borrowed; every function returns a new reference,
// or null with an exception set. The members of Halx.Phase belong to the
// interpreter that imported the module, in the module's state (functions.h);
// the functions find them through the module they are called with.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <type_traits>

#include "Derived.h"
#include "Halx.h"
#include "functions.h"
#include "model_call.h"
#include "number_rule.h"
#include "property_rows.h"

namespace Halx::functions {

namespace {

// The refusals, with the function's name and the argument's name and meaning.
constexpr const char *TakesOneArgument = "%s() takes 1 argument, %s (%s); got %zd";
constexpr const char *TakesTwoArguments = "%s() takes 2 arguments, %s (%s) and %s (%s); got %zd";
constexpr const char *NotANumber = "%s(): %s (%s) must be a float or int, not %.200s";
constexpr const char *NotANumberButArrays =
    "%s(): %s (%s) must be a float or int, not %.200s; Halx.ufunc.%s takes arrays";
constexpr const char *IntTooLarge = "%s(): %s (%s) is an int too large for a double";
// The format must be ASCII: the degree sign comes in through %s, as UTF-8.
constexpr const char *NoPhase =
    "%s(): no state exists at T = %R %s, P = %R bar; T must be a number at or above absolute zero "
    "(-273.15 %s) and P a number at or above 0 bar";
constexpr const char *DegreesCelsius = "\u00b0C";

struct Argument {
    const char *name;         // "P"
    const char *description;  // "pressure in bar", UTF-8
};

struct Function {
    const char *name;
    int inputs;
    Argument arguments[2];
};

#define HALX_UNPARENTHESISE(...) __VA_ARGS__
#define HALX_FUNCTION(name, inputs, model, result, arguments, doc) \
    constexpr Function name##_function{#name, inputs, {HALX_UNPARENTHESISE arguments}};
HALX_DERIVED_PROPERTIES(HALX_FUNCTION)
#undef HALX_FUNCTION

// Sets TypeError for a call of `function` with `count` arguments; returns null.
[[gnu::cold]] PyObject *refuse_count(const Function &function, Py_ssize_t count) {
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
// A list, tuple or array gets a pointer to the ufunc, which takes those.
[[gnu::cold]] void refuse_argument(PyObject *object, common::Number outcome, const Function &function, int index) {
    const Argument &argument = function.arguments[index];
    const char *type = Py_TYPE(object)->tp_name;
    if (outcome == common::Number::IntTooLarge) {
        PyErr_Format(PyExc_OverflowError, IntTooLarge, function.name, argument.name, argument.description);
    } else if (PySequence_Check(object) && !PyUnicode_Check(object) && !PyBytes_Check(object) &&
               !PyByteArray_Check(object)) {
        PyErr_Format(PyExc_TypeError, NotANumberButArrays, function.name, argument.name, argument.description, type,
                     function.name);
    } else {
        PyErr_Format(PyExc_TypeError, NotANumber, function.name, argument.name, argument.description, type);
    }
}

// Number rule (common/number_rule.h) for argument `index` of `function`.
// Returns false with TypeError set for a non-number, OverflowError for an int
// beyond a double.
bool take_number(PyObject *object, const Function &function, int index, double *value) {
    const common::Number outcome = common::take_number(object, value);
    if (outcome == common::Number::Taken) return true;
    refuse_argument(object, outcome, function, index);
    return false;
}

// A new float holding value; null with MemoryError set.
PyObject *make_result(PyObject *, const Function &, double value, PyObject *const *) {
    return PyFloat_FromDouble(value);
}

// A new reference to the member of Halx.Phase for phase, from the state of
// `module`; null with ValueError set when there is none (no state at the
// arguments args).
PyObject *make_result(PyObject *module, const Function &function, Halx::Phase phase, PyObject *const *args) {
    if (phase == Halx::Phase::Undefined) {
        return PyErr_Format(PyExc_ValueError, NoPhase, function.name, args[0], DegreesCelsius, args[1], DegreesCelsius);
    }
    PyObject *member = state_of(module)->phase_members[static_cast<int>(phase)];
    Py_INCREF(member);
    return member;
}

// (number[, number]) -> the property of the row `function`, evaluated by
// `model`. A METH_FASTCALL function of a module receives the module as `self`.
template <const Function &function, auto model>
PyObject *scalar_function(PyObject *module, PyObject *const *args, Py_ssize_t count) {
    constexpr int inputs = function.inputs;
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    if (count != inputs) return refuse_count(function, count);
    double numbers[inputs];
    for (int i = 0; i < inputs; ++i) {
        if (!take_number(args[i], function, i, &numbers[i])) return nullptr;
    }
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
HALX_DERIVED_PROPERTIES(HALX_CHECK_RESULT)
#undef HALX_CHECK_RESULT

// METH_FASTCALL functions enter the method table through the generic pointer type.
template <typename Function>
PyCFunction as_method(Function function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

PyMethodDef derived_functions[] = {
#define HALX_METHOD(name, inputs, model, result, arguments, doc) \
    {#name, as_method(scalar_function<name##_function, &model>), METH_FASTCALL, doc},
    HALX_DERIVED_PROPERTIES(HALX_METHOD)
#undef HALX_METHOD
        {nullptr, nullptr, 0, nullptr},
};

}  // namespace Halx::functions

// Module Halx._derived: the properties that _Halx does not bind, as plain
// scalar functions, one per row of HALX_FREE_PROPERTIES (the property table's
// rows without `bound`, written out as property_rows.h at build time). Each
// takes its numbers positionally, by the rule of the bound functions (a float
// or an int, subclasses included, no conversion methods called), evaluates
// the model function and returns a new float, or for the phase the member of
// Halx.Phase with the model's code.
//
// Ownership: arguments are borrowed; every function returns a new reference,
// or null with an exception set. The members of Halx.Phase belong to the
// interpreter that imported the module: each module object (multi-phase
// initialisation, one per interpreter) holds its own in its state, and the
// functions find them through the module they are called with. Nothing here
// holds a Python object process-wide.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <initializer_list>
#include <type_traits>

#include "Derived.h"
#include "Halx.h"
#include "export.h"
#include "owned_reference.h"
#include "property_rows.h"

namespace halx::derived {

namespace {

// The refusals, with the function's name and the argument's name and meaning.
constexpr const char *TakesOneArgument = "%s() takes 1 argument, %s (%s); got %zd";
constexpr const char *TakesTwoArguments = "%s() takes 2 arguments, %s (%s) and %s (%s); got %zd";
constexpr const char *NotANumber = "%s(): %s (%s) must be a float or int, not %.200s";
constexpr const char *NotANumberButArrays = "%s(): %s (%s) must be a float or int, not %.200s; Halx.ufunc.%s takes arrays";
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
HALX_FREE_PROPERTIES(HALX_FUNCTION)
#undef HALX_FUNCTION

// Sets TypeError for a call of `function` with `count` arguments; returns null.
[[gnu::cold]] PyObject *refuse_count(const Function &function, Py_ssize_t count) {
    const Argument *arguments = function.arguments;
    if (function.inputs == 1) {
        return PyErr_Format(PyExc_TypeError, TakesOneArgument, function.name, arguments[0].name,
                            arguments[0].description, count);
    }
    return PyErr_Format(PyExc_TypeError, TakesTwoArguments, function.name, arguments[0].name,
                        arguments[0].description, arguments[1].name, arguments[1].description, count);
}

// Sets the refusal of `object` as argument `index` of `function`; returns false.
// A list, tuple or array gets a pointer to the ufunc, which takes those.
[[gnu::cold]] bool refuse_argument(PyObject *object, const Function &function, int index) {
    const Argument &argument = function.arguments[index];
    const char *type = Py_TYPE(object)->tp_name;
    if (PyLong_Check(object)) {
        PyErr_Format(PyExc_OverflowError, IntTooLarge, function.name, argument.name, argument.description);
    } else if (PySequence_Check(object) && !PyUnicode_Check(object) && !PyBytes_Check(object) &&
               !PyByteArray_Check(object)) {
        PyErr_Format(PyExc_TypeError, NotANumberButArrays, function.name, argument.name, argument.description, type,
                     function.name);
    } else {
        PyErr_Format(PyExc_TypeError, NotANumber, function.name, argument.name, argument.description, type);
    }
    return false;
}

// Number rule for argument `index` of `function`: a float or int (subclasses
// included, no conversion methods called) as a double. Returns false with
// TypeError set for anything else, OverflowError for an int beyond a double.
bool take_number(PyObject *object, const Function &function, int index, double *value) {
    if (PyFloat_Check(object)) {
        *value = PyFloat_AS_DOUBLE(object);
        return true;
    }
    if (PyLong_Check(object)) {
        *value = PyLong_AsDouble(object);
        if (*value != -1.0 || !PyErr_Occurred()) return true;
        PyErr_Clear();
    }
    return refuse_argument(object, function, index);
}

// The state of one module object: Halx.Phase(code) of its interpreter for
// each code of Halx::Phase but Undefined (owned; index 0 stays null). Filled
// when the module is executed, released with the module.
struct ModuleState {
    PyObject *phase_members[4];
};

ModuleState *state_of(PyObject *module) { return static_cast<ModuleState *>(PyModule_GetState(module)); }

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

// Whether the model function `model` returns `Result`, as the row says it does.
template <auto model, typename Result>
constexpr bool returns() {
    if constexpr (std::is_invocable_v<decltype(model), double>) {
        return std::is_same_v<std::invoke_result_t<decltype(model), double>, Result>;
    } else {
        return std::is_same_v<std::invoke_result_t<decltype(model), double, double>, Result>;
    }
}

#define HALX_CHECK_RESULT(name, inputs, model, result, arguments, doc) \
    static_assert(returns<&model, result>(), "the model function of " #name " does not return its row's result");
HALX_FREE_PROPERTIES(HALX_CHECK_RESULT)
#undef HALX_CHECK_RESULT

// METH_FASTCALL functions enter the method table through the generic pointer type.
template <typename Function>
PyCFunction as_method(Function function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

PyMethodDef module_functions[] = {
#define HALX_METHOD(name, inputs, model, result, arguments, doc) \
    {#name, as_method(scalar_function<name##_function, &model>), METH_FASTCALL, doc},
    HALX_FREE_PROPERTIES(HALX_METHOD)
#undef HALX_METHOD
    {nullptr, nullptr, 0, nullptr},
};

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

// Sets the module's __all__ to the names of its functions; returns false with an exception set.
bool add_all(PyObject *module) {
    OwnedReference names(PyList_New(0));
    if (!names) return false;
    for (const PyMethodDef *function = module_functions; function->ml_name != nullptr; ++function) {
        OwnedReference name(PyUnicode_FromString(function->ml_name));
        if (!name || PyList_Append(names.get(), name.get()) < 0) return false;
    }
    // PyModule_AddObject steals the reference only when it succeeds.
    if (PyModule_AddObject(module, "__all__", names.get()) < 0) return false;
    names.release();
    return true;
}

// Py_mod_exec: returns 0, or -1 with an exception set.
int execute_module(PyObject *module) {
    return add_all(module) && import_phase_members(module) ? 0 : -1;
}

int traverse_module(PyObject *module, visitproc visit, void *arg) {
    ModuleState *state = state_of(module);
    if (state == nullptr) return 0;  // not yet executed
    for (PyObject *member : state->phase_members) Py_VISIT(member);
    return 0;
}

int clear_module(PyObject *module) {
    ModuleState *state = state_of(module);
    if (state == nullptr) return 0;
    for (PyObject *&member : state->phase_members) Py_CLEAR(member);
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
    "_derived",
    "The derived properties of sodium chloride as scalar functions; import them from Halx.",
    sizeof(ModuleState),
    module_functions,
    module_slots,
    traverse_module,
    clear_module,
    free_module,
};

}  // namespace

}  // namespace halx::derived

extern "C" HALX_EXPORT PyObject *PyInit__derived(void);

// Returns the module definition; the import system creates and executes a
// module from it in each interpreter (PEP 489).
PyMODINIT_FUNC PyInit__derived(void) {
    return PyModuleDef_Init(&halx::derived::module_definition);
}

// The argument rules (see arguments.h). The instance lookup itself belongs to
// pointer_objects.cpp; this file decides what a refusal raises. Every error of
// a failed conversion is cleared before the refusal is raised, so the caller
// sees exactly one exception (an interrupt during a `this` lookup is that
// exception, and no refusal is raised over it).
#include "arguments.h"

#include <cstdio>

#include "fault_injection.h"
#include "number_rule.h"
#include "pointer_objects.h"
#include "runtime.h"

namespace Halx::binding {

namespace {

// The refusal of an argument, filled with the function's name, the argument's
// position (from 1) and the C++ type that the argument should have been.
constexpr const char *ArgumentRefused = "in method '%s', argument %d of type '%s'";
constexpr const char *InstanceType = "Halx::cHalx *";
constexpr const char *NumberType = "double";

// Sets TypeError with the refusal of argument `position` of `function`. Never
// fails: the text is built on the stack (function names are short; a longer
// one would be cut, not overrun). Kept out of line, so that its buffer does
// not enlarge the frame of every call that takes its arguments.
[[gnu::cold, gnu::noinline]] void refuse_argument(const char *function, int position, const char *type) {
    char message[256];
    std::snprintf(message, sizeof message, ArgumentRefused, function, position, type);
    runtime::raise_type_error(message);
}

}  // namespace

bool take_arguments(PyObject *args, const char *name, Py_ssize_t count, PyObject **objects) {
    // The common case, an exact tuple of the right length, needs no messages.
    if (args != nullptr && PyTuple_CheckExact(args) && PyTuple_GET_SIZE(args) == count) {
        for (Py_ssize_t i = 0; i < count; ++i) objects[i] = PyTuple_GET_ITEM(args, i);
        return true;
    }
    return runtime::unpack_arguments(args, name, count, objects);
}

bool take_instance(PyObject *argument, const char *function, void **address) {
    if (argument == Py_None) {
        *address = nullptr;
        return true;
    }
    pointers::FoundPointer found;
    const pointers::Lookup lookup = pointers::find_pointer_object(argument, found);
    if (lookup == pointers::Lookup::Failed) return false;
    if (lookup == pointers::Lookup::Found && pointers::match_instance(found.get(), address) != nullptr) return true;
    refuse_argument(function, 1, InstanceType);
    return false;
}

bool take_double(PyObject *argument, const char *function, int position, double *value) {
    // An int beyond the range of a double is refused like any other non-number.
    if (common::take_number(argument, value) == common::Number::Taken) return true;
    refuse_argument(function, position, NumberType);
    return false;
}

PyObject *make_float(double value) {
    if (allocation_fails()) return PyErr_NoMemory();
    return PyFloat_FromDouble(value);
}

}  // namespace Halx::binding

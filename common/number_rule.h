// The number rule of every scalar entry point of the package: a float or an
// int (subclasses included, no conversion methods called) is taken as a
// double; an int beyond the range of a double, and anything else, is not.
// Each module raises its own refusal for what is not taken; which ints are
// too large is decided here alone, so it is the same everywhere.
#ifndef HALX_COMMON_NUMBER_RULE_H
#define HALX_COMMON_NUMBER_RULE_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::common {

enum class Number {
    Taken,        // *value holds the number
    IntTooLarge,  // an int beyond the range of a double
    NotANumber,   // neither a float nor an int
};

// Applies the number rule to `object` (borrowed). Never raises: the
// OverflowError of a failed conversion is cleared.
inline Number take_number(PyObject *object, double *value) {
    if (PyFloat_Check(object)) {
        *value = PyFloat_AS_DOUBLE(object);
        return Number::Taken;
    }
    if (!PyLong_Check(object)) return Number::NotANumber;
    const double converted = PyLong_AsDouble(object);
    if (converted == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        return Number::IntTooLarge;
    }
    *value = converted;
    return Number::Taken;
}

}  // namespace Halx::common

#endif  // HALX_COMMON_NUMBER_RULE_H

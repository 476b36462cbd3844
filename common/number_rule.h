// The number rule of every entry point of the package that takes Python
// numbers: a float or an int (subclasses included, no conversion methods
// called) is taken as a double; an int beyond the range of a double, and
// anything else, is not. The scalar functions, the methods and the functions
// of Halx.ufunc all apply it to an argument that is itself a Python float or
// int, so that the same number gives the same double on every path; which
// ints are too large is decided here alone, and refused in the one words here.
// Error convention: take_number never raises; refuse_int_too_large returns
// null with OverflowError set.
#ifndef HALX_COMMON_NUMBER_RULE_H
#define HALX_COMMON_NUMBER_RULE_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "signature.h"

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

// The refusal of an int too large for a double as argument `index` of the
// property `signature`. Returns null with OverflowError set.
[[gnu::cold]] inline PyObject *refuse_int_too_large(const Signature &signature, int index) {
    const Argument &argument = signature.arguments[index];
    return PyErr_Format(PyExc_OverflowError, "%s(): %s (%s) is an int too large for a double", signature.name,
                        argument.name, argument.description);
}

}  // namespace Halx::common

#endif  // HALX_COMMON_NUMBER_RULE_H

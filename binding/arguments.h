// The three argument rules shared by the module's functions: the count of an
// argument list, the instance argument and the number arguments. Each rule
// either yields its value or sets the exception the function must raise. A
// refusal names the function and the argument's position; its message is
// built only when an argument is refused, so the rules cost nothing extra on
// the way to a result.
// Error convention: a rule returns false with the exception set; make_float
// returns null with MemoryError set.
#ifndef HALX_BINDING_ARGUMENTS_H
#define HALX_BINDING_ARGUMENTS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::binding {

// Count rule: unpacks exactly `count` borrowed objects from `args` into
// `objects` ("%s expected %s%d arguments, got %d" and its variants, with
// `name` as the message name). Returns false with the exception set.
bool take_arguments(PyObject *args, const char *name, Py_ssize_t count, PyObject **objects);

// Instance rule, for argument 1 of `function`: None gives a null address;
// otherwise the address of the cHalx instance behind a proxy or pointer
// object. Returns false with TypeError set when there is none ("in method
// '<function>', argument 1 of type 'Halx::cHalx *'"), or with the
// KeyboardInterrupt, SystemExit or MemoryError that the `this` lookup raised.
bool take_instance(PyObject *argument, const char *function, void **address);

// Number rule, for argument `position` of `function`: a float or int
// (subclasses included, no conversion methods called) as a double. Returns
// false with TypeError set otherwise, and for ints beyond the range of a
// double ("in method '<function>', argument <position> of type 'double'").
bool take_double(PyObject *argument, const char *function, int position, double *value);

// A new float holding `value`; null with MemoryError set.
PyObject *make_float(double value);

}  // namespace Halx::binding

#endif  // HALX_BINDING_ARGUMENTS_H

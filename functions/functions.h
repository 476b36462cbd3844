// What the files of Halx._functions share: the state of a module object, the
// two kinds of function the module holds and the test for what the property
// functions hand on to the ufuncs. One module object per interpreter
// (multi-phase initialisation); every Python object the module holds lives in
// that object's state, never process-wide.
#ifndef HALX_FUNCTIONS_FUNCTIONS_H
#define HALX_FUNCTIONS_FUNCTIONS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::functions {

// An argument of a property, for messages, and the closed span of its values
// that are plausible for the property: outside it, Halx.RangeWarning.
struct Argument {
    const char *name;         // "P"
    const char *description;  // "pressure in bar", UTF-8
    double plausible_low;     // in the argument's unit
    double plausible_high;
};

// A property's name and arguments, for messages.
struct Signature {
    const char *name;
    int inputs;
    Argument arguments[2];
};

// Expands a parenthesised list of the property rows (their arguments) in place.
#define HALX_UNPARENTHESISE(...) __VA_ARGS__

// The state of one module object, filled when the module is executed and
// released with the module (all references owned):
// - phase_members: Halx.Phase(code) of its interpreter for each code of
//   Halx::Phase but Undefined (index 0 stays null);
// - through_ufunc: Halx._arrays.through_ufunc, which evaluates a property
//   over what is not a Python number by the function of Halx.ufunc;
// - warn_implausible: Halx._plausible.warn_implausible, which warns
//   Halx.RangeWarning for an argument outside its plausible span.
struct ModuleState {
    PyObject *phase_members[4];
    PyObject *through_ufunc;
    PyObject *warn_implausible;
};

// The state of `module` (borrowed); null before the module is executed.
inline ModuleState *state_of(PyObject *module) { return static_cast<ModuleState *>(PyModule_GetState(module)); }

// Every property's scalar function (properties.cpp), null-terminated; each
// receives the module as self.
extern PyMethodDef property_functions[];

// Adds to `module` the documented methods of the proxy class (methods.cpp),
// over the entry points of _Halx, which it imports, as the dict
// cHalx_methods (name -> function). Returns false with an exception set
// (ImportError, AttributeError, MemoryError).
bool add_methods(PyObject *module);

// Whether `object` (borrowed) is something the ufuncs take and a Python
// number is not: a list or tuple, or an object of a type with one of NumPy's
// array protocols (NumPy's scalars and arrays, xarray, dask and pint objects).
// Never raises.
bool is_array_like(PyObject *object);

}  // namespace Halx::functions

#endif  // HALX_FUNCTIONS_FUNCTIONS_H

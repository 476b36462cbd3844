// What the files of Halx._functions share: the state of a module object, the
// two kinds of function the module holds and the test for what the property
// functions hand on to the functions of Halx.ufunc. One module object per
// interpreter (multi-phase initialisation); every Python object the module
// holds lives in that object's state, never process-wide.
// Error convention: functions returning bool give false, and those returning
// PyObject * null, with an exception set; is_array_like never fails.
#ifndef HALX_FUNCTIONS_FUNCTIONS_H
#define HALX_FUNCTIONS_FUNCTIONS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::functions {

// The state of one module object, filled when the module is executed (the
// array functions on first use) and released with the module (all
// references owned):
// - phase_members: Halx.Phase(code) of its interpreter for each code of
//   Halx::Phase but Undefined (index 0 stays null);
// - warn_outside: Halx._plausible.warn_outside, which warns Halx.RangeWarning
//   for an argument outside its plausible span;
// - array_functions: the functions of Halx.ufunc in table order (a tuple,
//   Halx._ufuncs.functions), which take what is not a Python number; null
//   until a property function first meets such an argument;
// - array_protocols: the names of ArrayProtocols, interned (so that a type
//   answers from its attribute cache);
// - array_type: the type of the last array-like argument, which the next is
//   most likely to have (a loop over NumPy scalars or arrays), or null.
constexpr int ProtocolCount = 4;
extern const char *const ArrayProtocols[ProtocolCount];

struct ModuleState {
    PyObject *phase_members[4];
    PyObject *warn_outside;
    PyObject *array_functions;
    PyObject *array_protocols[ProtocolCount];
    PyObject *array_type;
};

// The state of `module` (borrowed); null before the module is executed.
inline ModuleState *state_of(PyObject *module) { return static_cast<ModuleState *>(PyModule_GetState(module)); }

// Every property's scalar function (properties.cpp), null-terminated; each
// receives the module as self.
extern PyMethodDef property_functions[];

// Adds to `module` the documented methods of the proxy class (methods.cpp),
// over the entry points of _Halx, which it imports, as the dict
// cHalx_methods (name -> function).
bool add_methods(PyObject *module);

// Whether `object` (borrowed) is something the ufuncs take and a Python
// number is not: a list or tuple, or an object of a type with one of NumPy's
// array protocols (NumPy's scalars and arrays, xarray, dask and pint objects).
// `protocols` are the interned names of a module state, or null (slower).
bool is_array_like(PyObject *object, PyObject *const *protocols);

}  // namespace Halx::functions

#endif  // HALX_FUNCTIONS_FUNCTIONS_H

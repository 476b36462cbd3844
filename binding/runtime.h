// What the rest of the module uses of the binding runtime. The runtime header
// that SWIG emits defines static functions and static data, so exactly one
// translation unit (swig_runtime.cpp) includes it; everything else goes
// through the functions declared here. References: every function says
// whether what it returns is new or borrowed.
#ifndef HALX_BINDING_RUNTIME_H
#define HALX_BINDING_RUNTIME_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx {
class cHalx;
}

namespace halx::runtime {

// --- Start-up ---------------------------------------------------------------

// Creates the runtime's attribute name "this" (interned) unless it exists.
// Returns false with an exception set when it cannot be made.
bool create_this_name();

// Obtains the runtime types SwigPyPacked and SwigPyObject, creating and
// readying each on first use. Returns false with an exception set on failure.
bool ready_pointer_types();

// Makes this module's two type descriptors known to every other module of
// the runtime in the process (creating the shared capsule when first, joining
// its ring otherwise). Never fails: without a ring the module works alone.
void join_type_sharing();

// --- Argument lists -----------------------------------------------------------

// The runtime's argument-count rule: unpacks `args` into exactly `count`
// borrowed objects. Returns false with TypeError/SystemError set.
bool unpack_arguments(PyObject *args, const char *name, Py_ssize_t count, PyObject **objects);

// Sets the exception that the runtime's error table maps the type-error
// code to (TypeError) with `message`.
void raise_type_error(const char *message);

// --- Pointer objects ------------------------------------------------------------

// True when `object` is a pointer object of this runtime or of any other
// module built on it (recognised by its type's name).
bool is_pointer_object(PyObject *object);

// A new pointer object that owns `instance`; null with MemoryError set.
PyObject *new_owning_pointer(Halx::cHalx *instance);

// Looks for the cHalx instance behind `argument` (a proxy or a pointer object,
// not None): follows `this` attributes to a pointer object, then its chain of
// linked pointer objects to the first one of type "Halx::cHalx *". Stores the
// instance address and returns true; returns false with no exception set when
// there is none. Never leaves an exception behind.
bool find_instance(PyObject *argument, void **address);

// Like find_instance, then disowns the pointer object that supplied the
// address and clears the address it holds, so that no later use of that
// pointer object reaches the instance. Returns false, with no exception set,
// when there is no instance behind `argument`.
bool detach_instance(PyObject *argument, void **address);

// `cHalx_swiginit` after the count rule: links `pointer` behind the pointer
// object that `proxy` already carries, or sets `proxy.this = pointer`.
// Returns false with an exception set.
bool attach_pointer(PyObject *proxy, PyObject *pointer);

// `cHalx_swigregister` after the count rule: builds the runtime's client data
// for `cls` and attaches it to the "Halx::cHalx *" descriptor, replacing and
// releasing any earlier registration. Returns false with MemoryError set.
bool register_proxy_class(PyObject *cls);

}  // namespace halx::runtime

#endif  // HALX_BINDING_RUNTIME_H

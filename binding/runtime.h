// What the rest of the module uses of the binding runtime. The runtime header
// that SWIG emits defines static functions and static data, so exactly one
// translation unit (swig_runtime.cpp) includes it; everything else reaches
// the runtime's records and the fields of pointer objects through the
// functions declared here. References: every function says whether what it
// returns is new or borrowed.
// Error convention: a function returning bool gives false, and one returning
// an object null, with an exception set, unless its line says otherwise.
#ifndef HALX_BINDING_RUNTIME_H
#define HALX_BINDING_RUNTIME_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::runtime {

// --- Start-up ---------------------------------------------------------------

// Creates the attribute names the runtime looks up, "this" and
// "__swig_destroy__" (interned), unless they exist. Returns false with an
// exception set when one cannot be made.
bool create_attribute_names();

// The attribute name "this", held for the whole process (borrowed).
PyObject *this_name();

// What this module puts in place of the runtime's own handling of its
// pointer type: the release, and the methods and slots that read other
// objects. Handed in at start-up so that this file depends on nothing above it.
struct PointerTypeHooks {
    destructor release;
    reprfunc repr;
    richcmpfunc compare;
    PyCFunction append;
    PyCFunction own;
    PyCFunction repr_method;
    // The module's own `delete_cHalx`: a registered destroy callable that is
    // this builtin is called directly with the pointer object being released.
    PyCFunction own_delete;
};

// Obtains the runtime types SwigPyPacked and SwigPyObject, creating and
// readying each on first use, and installs `hooks` on this module's
// SwigPyObject type (once). Returns false with an exception set on failure.
bool ready_pointer_types(const PointerTypeHooks &hooks);

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

// --- Pointer objects: what they are ---------------------------------------------

// True when `type` is this module's own SwigPyObject type.
bool is_own_pointer_type(PyTypeObject *type);

// True when `type` has the layout and make of a runtime pointer type built
// by C code (another module's SwigPyObject, static or heap): the runtime's
// name, its methods table, room for every field, no variable part. A class
// statement never makes such a type, whatever it is called. Never fails.
bool has_pointer_type_layout(PyTypeObject *type);

// True when the descriptor that `pointer` (of a pointer type layout) carries
// is one of the descriptors on this process's ring of runtime-4 modules, so
// it can be read as one. Never fails.
bool carries_shared_descriptor(PyObject *pointer);

// --- Pointer objects: their fields (`pointer` is a genuine pointer object) ---------

void *pointer_address(PyObject *pointer);
void set_pointer_address(PyObject *pointer, void *address);
bool pointer_owns(PyObject *pointer);
void set_pointer_owns(PyObject *pointer, bool owns);
// The next link as stored (borrowed, may be null or any object).
PyObject *pointer_next(PyObject *pointer);
// Stores `next` as the link without touching any reference count.
void set_pointer_next(PyObject *pointer, PyObject *next);
// The display string of the pointer's descriptor ("Halx::cHalx *"), or
// "unknown". Borrowed, lives as long as the descriptor.
const char *pointer_type_name(PyObject *pointer);

// When the descriptor of `pointer` is "Halx::cHalx *", or one the runtime
// converts to it, stores the (converted) instance address and returns true.
bool cHalx_address(PyObject *pointer, void **address);

// A new pointer object of this module's type for `address` with descriptor
// "Halx::cHalx *" and the given ownership; null with MemoryError set.
PyObject *new_pointer(void *address, bool owns);

// --- Registration --------------------------------------------------------------------

// The destroy callable registered for the descriptor of `pointer` (borrowed;
// null when none): in a subinterpreter that registered a class, for
// "Halx::cHalx *", that interpreter's; otherwise the descriptor's. Call it
// with no exception set. Sets `after_release` when the registration was released by
// the capsule's destructor while it had a destroy callable for "Halx::cHalx *",
// so that late releases still destroy their instance.
PyObject *registered_destroy(PyObject *pointer, bool *after_release);

// True when `destroy` is this module's own builtin `delete_cHalx`.
bool is_own_delete(PyObject *destroy);

// `cHalx_swigregister` after the count rule: builds the runtime's client data
// for the class `cls`, replacing and releasing the earlier registration of
// the current interpreter. The main interpreter's goes on the "Halx::cHalx *"
// descriptor, for every module of the runtime; a subinterpreter's is kept in
// that interpreter's state dictionary, for registered_destroy there, and is
// released when the interpreter ends. `cls` must be a class that can be
// instantiated (checked by the caller). Returns false with an exception set
// (MemoryError), leaving the registration as it was.
bool register_proxy_class(PyObject *cls);

}  // namespace Halx::runtime

#endif  // HALX_BINDING_RUNTIME_H

// Pointer objects as this module treats them: which objects are read as
// pointer objects at all, how the one behind a proxy is found, how chains of
// linked pointer objects are built, walked and released, and the behaviour
// this module gives its own SwigPyObject type in place of the runtime's.
//
// Rules kept here for every chain this module touches:
//   - only a genuine runtime pointer object is ever read as one (its type is
//     this module's SwigPyObject type, or another module's with the runtime's
//     layout and a descriptor on the shared ring);
//   - no link this module makes creates a loop or gives a pointer object a
//     second predecessor among the links this module made (another module's
//     own append is not seen), and no chain grows beyond MaxChainLength;
//   - no walk recurses or runs unbounded, and a release never grows the C
//     stack, whatever another module linked.
//
// Error convention: a lookup gives Lookup::Failed and a link false, each with
// the exception set; the rest never fails.
#ifndef HALX_BINDING_POINTER_OBJECTS_H
#define HALX_BINDING_POINTER_OBJECTS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "owned_reference.h"
#include "runtime.h"

namespace Halx::pointers {

using common::OwnedReference;

// A `this` that keeps leading to further objects, and chains longer than
// this, are refused: no real proxy comes near these depths.
constexpr int MaxThisDepth = 64;
constexpr int MaxChainLength = 1024;

// True when `object` is a genuine runtime pointer object. Never fails.
bool is_pointer_object(PyObject *object);

// The pointer object found behind an argument: borrowed when the argument is
// itself a pointer object (it may be one that is being released, whose count
// must not be touched), owned when it came from a `this` attribute (a
// property may hand out a fresh object on every read).
class FoundPointer {
public:
    void borrow(PyObject *object) { borrowed_ = object; }
    void take(OwnedReference object) { owned_ = std::move(object); }
    PyObject *get() const { return owned_ ? owned_.get() : borrowed_; }

private:
    PyObject *borrowed_ = nullptr;
    OwnedReference owned_;
};

enum class Lookup {
    Found,
    NotFound,  // no pointer object behind the argument; no exception set
    Failed,    // an interrupt, exit request or MemoryError must propagate; it is set
};

// Finds the pointer object behind `argument`: the argument itself, or the
// end of its chain of `this` attributes. Lookup errors count as NotFound and
// are cleared, except KeyboardInterrupt, SystemExit and MemoryError.
Lookup find_pointer_object(PyObject *argument, FoundPointer &found);

// Walks the chain from `start` to the first pointer object that carries a
// "Halx::cHalx *" address, stores the address and returns that pointer
// object (borrowed); null when there is none. Bounded. Never fails.
PyObject *match_instance(PyObject *start, void **address);

// Links `added` (with whatever follows it) directly behind `anchor`, keeping
// the rest of anchor's chain after it. Refuses with ValueError a link that
// would join two chains that share a node, give `added` a second
// predecessor, or exceed MaxChainLength. Returns false with an exception set.
bool link_behind(PyObject *anchor, PyObject *added);

// The behaviour of this module's SwigPyObject type, handed to the runtime
// side at start-up (with the module's own `delete_cHalx`).
runtime::PointerTypeHooks pointer_type_hooks(PyCFunction own_delete);

}  // namespace Halx::pointers

#endif  // HALX_BINDING_POINTER_OBJECTS_H

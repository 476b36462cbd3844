// Pointer objects: recognition, the lookup behind a proxy, chains, release,
// and the slots and methods this module gives its own SwigPyObject type (see
// pointer_objects.h for the rules). Fields are read and written through the
// runtime side's accessors; no runtime header is included here.
//
// Invariants: `linked_nodes` holds every pointer object that a link made by
// this module gave a predecessor, and loses it when that link goes (or when
// the object dies); walks read borrowed links only while no Python code can
// run; a release takes each link out of the object before dropping it.
#include "pointer_objects.h"

#include <structmember.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <unordered_set>
#include <vector>

#include "fault_injection.h"
#include "instances.h"

namespace Halx::pointers {

using binding::allocation_fails;

namespace {

constexpr const char *NotAPointerObject = "Attempt to append a non SwigPyObject";
constexpr const char *AlreadyLinked = "Attempt to append a SwigPyObject that is already linked to this one";
constexpr const char *SharesANode = "Attempt to append a chain of SwigPyObjects that shares one with this chain";
constexpr const char *HasAPredecessor = "Attempt to append a SwigPyObject that another one already links to";
constexpr const char *EndsInAnotherObject =
    "Attempt to append a chain that ends in an object other than a SwigPyObject";
constexpr const char *ChainTooLong = "Attempt to append beyond 1024 linked SwigPyObjects";
constexpr const char *LeakLine = "swig/python detected a memory leak of type '%s', no destructor found.\n";

// --- Predecessors ----------------------------------------------------------------

std::unordered_set<const PyObject *> &linked_nodes() {
    static auto *linked = new std::unordered_set<const PyObject *>();
    return *linked;
}

bool has_predecessor(const PyObject *node) { return linked_nodes().count(node) != 0; }

void forget_predecessor(const PyObject *node) {
    if (!linked_nodes().empty()) linked_nodes().erase(node);
}

// --- The `this` lookup ----------------------------------------------------------------

// `object.this` as a new reference, or null with an exception set. The proxy
// class keeps `this` in a slot; for such a slot the value is read the way the
// slot's own descriptor reads it. That uses the interpreter's private type
// lookup (_PyType_Lookup, which reads the type's attribute cache) and saves
// about 60 of some 1,250 instructions of `_Halx.cHalx_P_Boiling(h, T)` and
// about 110 of some 1,100 of `h.P_Boiling(T)` (callgrind, CPython 3.11).
// Interpreters from 3.14 on, where that lookup is no longer exported, and
// anything but such a slot take the generic lookup, so the result is always
// what getattr() gives.
PyObject *read_this(PyObject *object) {
    PyObject *name = runtime::this_name();
#if PY_VERSION_HEX < 0x030E0000
    PyTypeObject *type = Py_TYPE(object);
    if (type->tp_getattro == PyObject_GenericGetAttr) {
        PyObject *attribute = _PyType_Lookup(type, name);  // borrowed; sets no exception
        if (attribute != nullptr && Py_TYPE(attribute) == &PyMemberDescr_Type) {
            PyMemberDef *member = reinterpret_cast<PyMemberDescrObject *>(attribute)->d_member;
            if (member->type == T_OBJECT_EX && PyObject_TypeCheck(object, PyDescr_TYPE(attribute))) {
                PyObject *value = *reinterpret_cast<PyObject **>(reinterpret_cast<char *>(object) + member->offset);
                if (value != nullptr) {
                    Py_INCREF(value);
                    return value;
                }
            }
        }
    }
#endif
    return PyObject_GetAttr(object, name);
}

// What a failed lookup means: an interrupt, an exit request or exhausted
// memory must reach the caller; any other error only says "no pointer object".
Lookup lookup_failed() {
    if (PyErr_ExceptionMatches(PyExc_KeyboardInterrupt) || PyErr_ExceptionMatches(PyExc_SystemExit) ||
        PyErr_ExceptionMatches(PyExc_MemoryError)) {
        return Lookup::Failed;
    }
    PyErr_Clear();
    return Lookup::NotFound;
}

// --- Chains ---------------------------------------------------------------------------

enum class ChainEnd { Empty, AnotherObject, TooLong };

// Appends the pointer objects of the chain from `start` to `nodes`, at most
// MaxChainLength + 1 of them, and tells how the chain ends. May throw
// std::bad_alloc.
ChainEnd collect_chain(PyObject *start, std::vector<PyObject *> &nodes) {
    PyObject *node = start;
    while (true) {
        nodes.push_back(node);
        if (nodes.size() > static_cast<size_t>(MaxChainLength)) return ChainEnd::TooLong;
        PyObject *next = runtime::pointer_next(node);
        if (next == nullptr) return ChainEnd::Empty;
        if (!is_pointer_object(next)) return ChainEnd::AnotherObject;
        node = next;
    }
}

bool share_a_node(std::vector<PyObject *> first, std::vector<PyObject *> second) {
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    std::vector<PyObject *> common;
    std::set_intersection(first.begin(), first.end(), second.begin(), second.end(), std::back_inserter(common));
    return !common.empty();
}

// The reason the link anchor -> added must not be made, or null when it may.
// May throw std::bad_alloc.
const char *refuse_link(PyObject *anchor, PyObject *added, PyObject **tail) {
    std::vector<PyObject *> anchor_chain, added_chain;
    const ChainEnd anchor_end = collect_chain(anchor, anchor_chain);
    const ChainEnd added_end = collect_chain(added, added_chain);
    if (anchor_end == ChainEnd::TooLong || added_end == ChainEnd::TooLong ||
        anchor_chain.size() + added_chain.size() > static_cast<size_t>(MaxChainLength)) {
        return ChainTooLong;
    }
    if (std::find(anchor_chain.begin(), anchor_chain.end(), added) != anchor_chain.end() ||
        std::find(added_chain.begin(), added_chain.end(), anchor) != added_chain.end()) {
        return AlreadyLinked;
    }
    if (share_a_node(anchor_chain, added_chain)) return SharesANode;
    if (has_predecessor(added)) return HasAPredecessor;
    // The rest of anchor's chain goes behind the last object of added's.
    if (added_end == ChainEnd::AnotherObject) return EndsInAnotherObject;
    *tail = added_chain.back();
    return nullptr;
}

// --- Release ----------------------------------------------------------------------------

// Drops the reference to `next` that a released pointer object held, and
// with it every following link that nothing else holds, one after another:
// each is taken out of its object before the object goes, so no release
// recurses into the next one whoever made the chain.
void release_chain(PyObject *next) {
    while (next != nullptr) {
        forget_predecessor(next);
        if (!is_pointer_object(next) || Py_REFCNT(next) != 1) {
            Py_DECREF(next);
            return;
        }
        PyObject *after = runtime::pointer_next(next);
        runtime::set_pointer_next(next, nullptr);
        Py_DECREF(next);
        next = after;
    }
}

// Hands the instance of the pointer object being released to a destroy
// callable other than this module's own, as a temporary pointer object that
// owns it. Whoever takes the instance clears that flag (a SWIG delete disowns
// what it destroys; delete_cHalx clears flag and address); when nobody did,
// the instance is destroyed here, so it is destroyed exactly once either way.
void hand_to_destroy(PyObject *destroy, PyObject *released) {
    void *address = runtime::pointer_address(released);
    OwnedReference temporary(runtime::new_pointer(address, true));
    if (!temporary) {
        PyErr_WriteUnraisable(destroy);
        instances::release_through(released, address);
        return;
    }
    runtime::set_pointer_owns(released, false);
    OwnedReference result(PyObject_CallFunctionObjArgs(destroy, temporary.get(), nullptr));
    if (!result) PyErr_WriteUnraisable(destroy);
    PyObject *held = temporary.get();
    if (runtime::pointer_owns(held)) {
        instances::release_through(held, runtime::pointer_address(held));
    } else if (runtime::pointer_address(held) == address) {
        instances::forget(address);  // taken over by another module's destroy
    }
}

// Release of an owning pointer object: destroy its instance through the
// registered destroy callable, or report the leak. A failing destroy goes to
// the unraisable hook; an exception pending before the release stays pending.
void destroy_owned(PyObject *released) {
    PyObject *pending_type, *pending_value, *pending_traceback;
    PyErr_Fetch(&pending_type, &pending_value, &pending_traceback);
    bool after_release = false;
    PyObject *destroy = runtime::registered_destroy(released, &after_release);
    if (destroy == nullptr) {
        if (after_release) {
            instances::release_through(released, runtime::pointer_address(released));
        } else {
            std::printf(LeakLine, runtime::pointer_type_name(released));
        }
    } else {
        // The call may replace the registration and release the callable.
        OwnedReference held = OwnedReference::borrowed(destroy);
        if (runtime::is_own_delete(destroy)) {
            instances::release_through(released, runtime::pointer_address(released));
        } else {
            hand_to_destroy(destroy, released);
        }
    }
    PyErr_Restore(pending_type, pending_value, pending_traceback);
}

// tp_dealloc of this module's SwigPyObject type.
void release_pointer_object(PyObject *object) {
    PyObject *next = runtime::pointer_next(object);
    runtime::set_pointer_next(object, nullptr);
    forget_predecessor(object);
    if (runtime::pointer_owns(object)) destroy_owned(object);
    PyObject_Free(object);
    release_chain(next);
}

// --- Slots and methods of this module's SwigPyObject type ------------------------------------

// "<Swig Object of type '...' at 0x...>" for each pointer object of the chain,
// joined; the walk stops at anything that is not a pointer object.
PyObject *repr_chain(PyObject *self) {
    OwnedReference text(PyUnicode_FromString(""));
    PyObject *node = self;
    for (int steps = 0; text && node != nullptr && steps < MaxChainLength; ++steps) {
        OwnedReference piece(PyUnicode_FromFormat("<Swig Object of type '%s' at %p>", runtime::pointer_type_name(node),
                                                  static_cast<void *>(node)));
        if (!piece) return nullptr;
        text.reset(PyUnicode_Concat(text.get(), piece.get()));
        PyObject *next = runtime::pointer_next(node);
        node = next != nullptr && is_pointer_object(next) ? next : nullptr;
    }
    return text.release();
}

PyObject *repr_method(PyObject *self, PyObject *) { return repr_chain(self); }

// Equality of instance addresses, for pointer objects only: anything else is
// left to the other operand (the runtime's version read it as one).
PyObject *compare_pointers(PyObject *self, PyObject *other, int operation) {
    if ((operation != Py_EQ && operation != Py_NE) || !is_pointer_object(other)) Py_RETURN_NOTIMPLEMENTED;
    const bool equal = runtime::pointer_address(self) == runtime::pointer_address(other);
    return PyBool_FromLong(equal == (operation == Py_EQ));
}

// own() returns the flag; own(x) returns it and sets it to the truth of x.
// A failing truth test raises and changes nothing.
PyObject *own_method(PyObject *self, PyObject *args) {
    PyObject *value = nullptr;
    if (!PyArg_UnpackTuple(args, "own", 0, 1, &value)) return nullptr;
    const bool owned = runtime::pointer_owns(self);
    if (value != nullptr) {
        const int truth = PyObject_IsTrue(value);
        if (truth < 0) return nullptr;
        runtime::set_pointer_owns(self, truth != 0);
    }
    return PyBool_FromLong(owned);
}

PyObject *append_method(PyObject *self, PyObject *next) {
    if (!is_pointer_object(next)) {
        PyErr_SetString(PyExc_TypeError, NotAPointerObject);
        return nullptr;
    }
    if (!link_behind(self, next)) return nullptr;
    Py_RETURN_NONE;
}

}  // namespace

bool is_pointer_object(PyObject *object) {
    PyTypeObject *type = Py_TYPE(object);
    if (runtime::is_own_pointer_type(type)) return true;
    return runtime::has_pointer_type_layout(type) && runtime::carries_shared_descriptor(object);
}

Lookup find_pointer_object(PyObject *argument, FoundPointer &found) {
    if (is_pointer_object(argument)) {
        found.borrow(argument);
        return Lookup::Found;
    }
    OwnedReference current(read_this(argument));
    for (int depth = 1; current; ++depth) {
        if (is_pointer_object(current.get())) {
            found.take(std::move(current));
            return Lookup::Found;
        }
        if (depth >= MaxThisDepth) return Lookup::NotFound;
        current = OwnedReference(read_this(current.get()));
    }
    return lookup_failed();
}

PyObject *match_instance(PyObject *start, void **address) {
    PyObject *link = start;
    for (int steps = 0; steps < MaxChainLength; ++steps) {
        if (runtime::cHalx_address(link, address)) return link;
        PyObject *next = runtime::pointer_next(link);
        if (next == nullptr || !is_pointer_object(next)) return nullptr;
        link = next;
    }
    return nullptr;
}

bool link_behind(PyObject *anchor, PyObject *added) {
    PyObject *tail = nullptr;
    try {
        if (allocation_fails()) throw std::bad_alloc();
        if (const char *refusal = refuse_link(anchor, added, &tail)) {
            PyErr_SetString(PyExc_ValueError, refusal);
            return false;
        }
        // A link is recorded when it involves one of this module's pointer
        // objects: then this module sees it go (its release, or the death of
        // the object), so the record never outlives the link.
        if (runtime::is_own_pointer_type(Py_TYPE(anchor)) || runtime::is_own_pointer_type(Py_TYPE(added))) {
            linked_nodes().insert(added);
        }
    } catch (const std::bad_alloc &) {
        PyErr_NoMemory();
        return false;
    }
    runtime::set_pointer_next(tail, runtime::pointer_next(anchor));
    Py_INCREF(added);
    runtime::set_pointer_next(anchor, added);
    return true;
}

runtime::PointerTypeHooks pointer_type_hooks(PyCFunction own_delete) {
    return {release_pointer_object, repr_chain, compare_pointers, append_method, own_method, repr_method, own_delete};
}

}  // namespace Halx::pointers

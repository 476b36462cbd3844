// The one translation unit that includes the SWIG Python runtime header
// (emitted at build time by `swig -python -external-runtime`). It owns:
//   - the module's two type descriptors, its module record and its place in
//     the process-wide ring shared through the capsule
//     "swig_runtime_data4.type_pointer_capsule", and the capsule's destructor;
//   - this module's instance of the runtime type SwigPyObject, whose release
//     and `append` it replaces with versions that cannot crash;
//   - the lookup of the instance behind a proxy, and the client data that
//     registers the proxy class.
// Invariants: the descriptors, the record and the "this" string live for the
// whole process; client data is malloc'd (other modules' capsule destructors
// may free() it) and holds its own references; everything is guarded by the
// interpreter lock.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <structmember.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "swig_python_runtime.h"

#include "fault_injection.h"
#include "functions.h"
#include "runtime.h"

namespace halx::runtime {

namespace {

// A self-referential `this` or a chain of linked pointer objects that loops
// back on itself would otherwise be followed forever; no real proxy comes
// near these depths.
constexpr int MaxThisDepth = 64;
constexpr int MaxChainLength = 1024;

constexpr const char *RuntimeModuleName = "swig_runtime_data" SWIG_RUNTIME_VERSION;
constexpr const char *CapsuleAttribute = "type_pointer_capsule";
constexpr const char *CapsuleName = SWIGPY_CAPSULE_NAME;

constexpr const char *NotAPointerObject = "Attempt to append a non SwigPyObject";
constexpr const char *AlreadyLinked = "Attempt to append a SwigPyObject that is already linked to this one";
constexpr const char *ChainTooLong = "Attempt to append beyond 1024 linked SwigPyObjects";

// --- Type table ----------------------------------------------------------------
// Other modules find a descriptor here by binary search on the mangled name,
// so the table stays in ascending byte order of the mangled names.
swig_type_info cHalx_type = {"_p_Halx__cHalx", "Halx::cHalx *", nullptr, nullptr, nullptr, 0};
swig_type_info char_type = {"_p_char", "char *", nullptr, nullptr, nullptr, 0};
swig_type_info *initial_types[] = {&cHalx_type, &char_type};

swig_cast_info cHalx_casts[] = {{&cHalx_type, nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
swig_cast_info char_casts[] = {{&char_type, nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
swig_cast_info *initial_casts[] = {cHalx_casts, char_casts};

// The descriptors in use after joining the ring (possibly other modules'
// descriptors of the same mangled names), closed by an empty slot.
swig_type_info *resolved_types[3] = {nullptr, nullptr, nullptr};

// An empty ring link marks the record as not yet initialised.
swig_module_info module_record = {resolved_types, 2, nullptr, nullptr, nullptr, nullptr};

// Set when the capsule's destructor released client data that had a destroy
// callable for "Halx::cHalx *": owning pointer objects released afterwards
// (late in interpreter shutdown) still destroy their instance, by calling
// delete_cHalx directly instead of the released callable.
bool destroy_after_release = false;

// The attribute name "this", interned, held for the whole process. The
// runtime's own reference to the same string (SWIG_This) is released by the
// capsule's destructor; lookups here never depend on that one.
PyObject *this_name = nullptr;

swig_type_info *cHalx_descriptor() { return resolved_types[0]; }

SwigPyObject *as_pointer(PyObject *object) { return reinterpret_cast<SwigPyObject *>(object); }

// --- Client data -------------------------------------------------------------------

// Gives `ti` the client data `data`, and passes it on through conversion
// entries without a conversion function to descriptors that have none yet or
// still hold `old`. Terminates: each step moves a descriptor to `data`.
void spread_client_data(swig_type_info *ti, void *data, void *old) {
    ti->clientdata = data;
    for (swig_cast_info *cast = ti->cast; cast != nullptr; cast = cast->next) {
        swig_type_info *target = cast->type;
        if (cast->converter != nullptr || target == ti) continue;
        const bool unset = target->clientdata == nullptr && data != nullptr;
        const bool stale = old != nullptr && target->clientdata == old;
        if (unset || stale) spread_client_data(target, data, old);
    }
}

// Releases the references a client-data record holds, then the record.
// Runs arbitrary code (the last reference to a class may go), so callers
// detach the record from every descriptor first.
void release_client_data(SwigPyClientData *data) {
    PyObject *held[] = {data->klass, data->newraw, data->newargs, data->destroy};
    std::free(data);
    for (PyObject *object : held) Py_XDECREF(object);
}

// Detaches the client data that `ti` owns, wherever it was spread, and
// releases it.
void release_owned_client_data(swig_type_info *ti) {
    auto *data = static_cast<SwigPyClientData *>(ti->clientdata);
    if (!ti->owndata || data == nullptr) return;
    if (ti == cHalx_descriptor() && data->destroy != nullptr) destroy_after_release = true;
    spread_client_data(ti, nullptr, data);
    ti->owndata = 0;
    release_client_data(data);
}

// True for the builtin `delete_cHalx` of this module. Only this destroy
// callable is called with the pointer object being released: any other
// callable (a Python function, a builtin that keeps its argument) gets a
// temporary non-owning pointer object, so it can neither be misread as a
// builtin nor resurrect an object that is being freed.
bool is_own_delete(PyObject *destroy) {
    return PyCFunction_Check(destroy) && PyCFunction_GET_FUNCTION(destroy) == halx::delete_cHalx &&
           (PyCFunction_GET_FLAGS(destroy) & METH_O) != 0;
}

// --- The shared capsule ---------------------------------------------------------------

// Capsule destructor: releases the client data owned by the descriptors of
// the record the capsule points to, and the runtime's "this" string, so that
// a later use creates it afresh. Never leaves an exception behind.
void destroy_shared_capsule(PyObject *capsule) {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    auto *record = static_cast<swig_module_info *>(PyCapsule_GetPointer(capsule, CapsuleName));
    if (record != nullptr) {
        for (size_t i = 0; i < record->size; ++i) {
            if (record->types[i] != nullptr) release_owned_client_data(record->types[i]);
        }
        Py_CLEAR(Swig_This_global);
    }
    PyErr_Clear();
    PyErr_Restore(type, value, traceback);
}

// The record at the head of the process-wide ring, or null when there is
// none yet (every failure to import the capsule counts as none).
swig_module_info *find_shared_ring() {
    void *record = PyCapsule_Import(CapsuleName, 0);
    if (record == nullptr) PyErr_Clear();
    return static_cast<swig_module_info *>(record);
}

// Publishes this module's record as the head of a new ring. Failures are not
// reported: the module then simply works on its own.
void create_shared_capsule() {
    PyObject *runtime_module = PyImport_AddModule(RuntimeModuleName);  // borrowed
    PyObject *capsule = allocation_fails() ? nullptr
                                           : PyCapsule_New(&module_record, CapsuleName, destroy_shared_capsule);
    if (runtime_module != nullptr && capsule != nullptr) {
        // PyModule_AddObject takes the reference only when it succeeds.
        if (PyModule_AddObject(runtime_module, CapsuleAttribute, capsule) == 0) capsule = nullptr;
    }
    Py_XDECREF(capsule);
    PyErr_Clear();
}

// Resolves descriptor `i` against the modules already on the ring: a
// descriptor of the same mangled name elsewhere is used instead of ours and
// gains our conversion entries; otherwise ours is used.
void resolve_descriptor(size_t i) {
    swig_module_info *others = module_record.next;
    const bool alone = others == &module_record;
    swig_type_info *own = module_record.type_initial[i];
    swig_type_info *type = alone ? nullptr : SWIG_MangledTypeQueryModule(others, &module_record, own->name);
    if (type == nullptr) {
        type = own;
    } else if (own->clientdata != nullptr) {
        type->clientdata = own->clientdata;
    }
    for (swig_cast_info *cast = module_record.cast_initial[i]; cast->type != nullptr; ++cast) {
        swig_type_info *known = alone ? nullptr : SWIG_MangledTypeQueryModule(others, &module_record, cast->type->name);
        if (known != nullptr) {
            if (type == own) {
                cast->type = known;
                known = nullptr;
            } else if (SWIG_TypeCheck(known->name, type) == nullptr) {
                known = nullptr;
            }
        }
        if (known == nullptr) {
            if (type->cast != nullptr) {
                type->cast->prev = cast;
                cast->next = type->cast;
            }
            type->cast = cast;
        }
    }
    module_record.types[i] = type;
}

// --- Pointer objects ----------------------------------------------------------------------

// The pointer object found behind an argument: borrowed when the argument is
// itself a pointer object (it may be one that is being released, whose count
// must not be touched), owned when it came from a `this` attribute (a
// property may hand out a fresh object on every read).
class FoundPointer {
public:
    FoundPointer() = default;
    FoundPointer(const FoundPointer &) = delete;
    FoundPointer &operator=(const FoundPointer &) = delete;
    ~FoundPointer() {
        if (owned_) Py_DECREF(object_);
    }
    void borrow(PyObject *object) { object_ = object; }
    void take(PyObject *object) {
        object_ = object;
        owned_ = true;
    }
    SwigPyObject *get() const { return as_pointer(object_); }

private:
    PyObject *object_ = nullptr;
    bool owned_ = false;
};

// `object.this` as a new reference, or null with an exception set. The proxy
// class keeps `this` in a slot; for such a slot the value is read the way the
// slot's own descriptor reads it, skipping the generic lookup's overhead on
// the hottest path of every call. Anything else takes the generic lookup, so
// the result is always what getattr() gives.
PyObject *read_this(PyObject *object) {
#if PY_VERSION_HEX < 0x030E0000
    PyTypeObject *type = Py_TYPE(object);
    if (type->tp_getattro == PyObject_GenericGetAttr) {
        PyObject *attribute = _PyType_Lookup(type, this_name);  // borrowed; sets no exception
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
    return PyObject_GetAttr(object, this_name);
}

// Finds the pointer object behind `argument` through its `this` attributes.
// Every lookup error is discarded. Returns false when there is none.
bool find_pointer_object(PyObject *argument, FoundPointer &found) {
    if (SwigPyObject_Check(argument)) {
        found.borrow(argument);
        return true;
    }
    PyObject *current = read_this(argument);
    for (int depth = 1; current != nullptr; ++depth) {
        if (SwigPyObject_Check(current)) {
            found.take(current);
            return true;
        }
        PyObject *next = depth < MaxThisDepth ? read_this(current) : nullptr;
        Py_DECREF(current);
        current = next;
    }
    PyErr_Clear();
    return false;
}

// Walks the chain from `start` to the first pointer object of type
// "Halx::cHalx *" (or of a type the descriptor converts from), storing the
// converted address. Bounded, so a chain that loops ends in a refusal.
SwigPyObject *match_instance(SwigPyObject *start, void **address) {
    swig_type_info *wanted = cHalx_descriptor();
    SwigPyObject *link = start;
    for (int steps = 0; link != nullptr && steps < MaxChainLength; ++steps) {
        swig_type_info *type = link->ty;
        if (type == wanted) {
            *address = link->ptr;
            return link;
        }
        if (type != nullptr && type->name != nullptr) {
            if (swig_cast_info *cast = SWIG_TypeCheck(type->name, wanted)) {
                int new_memory = 0;
                *address = SWIG_TypeCast(cast, link->ptr, &new_memory);
                return link;
            }
        }
        PyObject *next = link->next;
        if (next == nullptr || !SwigPyObject_Check(next)) return nullptr;
        link = as_pointer(next);
    }
    return nullptr;
}

// Number of pointer objects in the chain from `start` (at most one past the
// cap), and whether `target` is among them.
int chain_length(SwigPyObject *start, const SwigPyObject *target, bool *contains) {
    int length = 0;
    *contains = false;
    for (SwigPyObject *link = start; link != nullptr && length <= MaxChainLength; ++length) {
        if (link == target) *contains = true;
        PyObject *next = link->next;
        link = (next != nullptr && SwigPyObject_Check(next)) ? as_pointer(next) : nullptr;
    }
    return length;
}

// Links `added` (and whatever already follows it) directly behind `anchor`,
// keeping the rest of anchor's chain after it. Refuses anything that would
// make a chain loop or grow past the cap. Returns false with an exception set.
bool link_behind(SwigPyObject *anchor, SwigPyObject *added) {
    bool added_in_anchor_chain = false;
    bool anchor_in_added_chain = false;
    const int anchor_length = chain_length(anchor, added, &added_in_anchor_chain);
    const int added_length = chain_length(added, anchor, &anchor_in_added_chain);
    if (added_in_anchor_chain || anchor_in_added_chain) {
        PyErr_SetString(PyExc_ValueError, AlreadyLinked);
        return false;
    }
    if (anchor_length + added_length > MaxChainLength) {
        PyErr_SetString(PyExc_ValueError, ChainTooLong);
        return false;
    }
    SwigPyObject *tail = added;
    while (tail->next != nullptr) tail = as_pointer(tail->next);
    tail->next = anchor->next;
    Py_INCREF(added);
    anchor->next = reinterpret_cast<PyObject *>(added);
    return true;
}

// Replaces the runtime's `append` method of SwigPyObject: same contract,
// without the loops and lost links the plain version can make.
PyObject *append_pointer(PyObject *self, PyObject *next) {
    if (!SwigPyObject_Check(next)) {
        PyErr_SetString(PyExc_TypeError, NotAPointerObject);
        return nullptr;
    }
    if (!link_behind(as_pointer(self), as_pointer(next))) return nullptr;
    Py_RETURN_NONE;
}

// Calls the destroy callable for an owning pointer object being released.
// Returns the call's result (new reference) or null with an exception set.
PyObject *call_destroy(PyObject *destroy, SwigPyObject *self) {
    if (is_own_delete(destroy)) return halx::delete_cHalx(nullptr, reinterpret_cast<PyObject *>(self));
    PyObject *temporary = allocation_fails() ? PyErr_NoMemory() : SwigPyObject_New(self->ptr, self->ty, 0);
    if (temporary == nullptr) return nullptr;
    PyObject *result = PyObject_CallFunctionObjArgs(destroy, temporary, nullptr);
    Py_DECREF(temporary);
    return result;
}

// Release of an owning pointer object: destroy its instance through the
// registered destroy callable, or report the leak. A failing destroy goes to
// the unraisable hook; an exception pending before the release stays pending.
void destroy_owned(SwigPyObject *self) {
    swig_type_info *type = self->ty;
    auto *data = type != nullptr ? static_cast<SwigPyClientData *>(type->clientdata) : nullptr;
    PyObject *destroy = data != nullptr ? data->destroy : nullptr;
    if (destroy == nullptr) {
        if (data == nullptr && type == cHalx_descriptor() && destroy_after_release) {
            PyObject *ignored = halx::delete_cHalx(nullptr, reinterpret_cast<PyObject *>(self));
            if (ignored == nullptr) PyErr_Clear();
            Py_XDECREF(ignored);
            return;
        }
        const char *name = SWIG_TypePrettyName(type);
        std::printf("swig/python detected a memory leak of type '%s', no destructor found.\n",
                    name != nullptr ? name : "unknown");
        return;
    }
    PyObject *pending_type, *pending_value, *pending_traceback;
    PyErr_Fetch(&pending_type, &pending_value, &pending_traceback);
    Py_INCREF(destroy);  // the call may replace the registration and release it
    PyObject *result = call_destroy(destroy, self);
    if (result == nullptr) PyErr_WriteUnraisable(destroy);
    Py_XDECREF(result);
    Py_DECREF(destroy);
    PyErr_Restore(pending_type, pending_value, pending_traceback);
}

// tp_dealloc of this module's SwigPyObject type.
void release_pointer_object(PyObject *object) {
    SwigPyObject *self = as_pointer(object);
    if (self->own == SWIG_POINTER_OWN) destroy_owned(self);
    Py_XDECREF(self->next);
    PyObject_Free(object);
}

// Puts the safe release and `append` in place on this module's SwigPyObject
// type. The method descriptors read the table entry at call time, so patching
// the entry after the type is ready takes effect.
bool harden_pointer_type(PyTypeObject *type) {
    for (PyMethodDef *method = swigobject_methods; method->ml_name != nullptr; ++method) {
        if (std::strcmp(method->ml_name, "append") == 0) method->ml_meth = append_pointer;
    }
    type->tp_dealloc = release_pointer_object;
    return true;
}

}  // namespace

// --- Start-up --------------------------------------------------------------------------

bool create_this_name() {
    if (this_name == nullptr) {
        this_name = allocation_fails() ? PyErr_NoMemory() : PyUnicode_InternFromString("this");
        if (this_name == nullptr) return false;
    }
    if (Swig_This_global == nullptr) {
        Py_INCREF(this_name);
        Swig_This_global = this_name;
    }
    return true;
}

bool ready_pointer_types() {
    if (SwigPyPacked_type() == nullptr || SwigPyObject_type() == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "the SWIG pointer types could not be readied");
        return false;
    }
    static const bool hardened = harden_pointer_type(SwigPyObject_type());
    return hardened;
}

void join_type_sharing() {
    const bool first = module_record.next == nullptr;
    if (first) {
        module_record.type_initial = initial_types;
        module_record.cast_initial = initial_casts;
        module_record.next = &module_record;
    }
    swig_module_info *head = find_shared_ring();
    if (head == nullptr) {
        create_shared_capsule();
    } else {
        swig_module_info *iter = head;
        do {
            if (iter == &module_record) return;
            iter = iter->next;
        } while (iter != head);
        module_record.next = head->next;
        head->next = &module_record;
    }
    if (!first) return;
    for (size_t i = 0; i < module_record.size; ++i) resolve_descriptor(i);
    module_record.types[module_record.size] = nullptr;
}

// --- Argument lists ------------------------------------------------------------------------

bool unpack_arguments(PyObject *args, const char *name, Py_ssize_t count, PyObject **objects) {
    return SWIG_Python_UnpackTuple(args, name, count, count, objects) != 0;
}

void raise_type_error(const char *message) {
    PyErr_SetString(SWIG_Python_ErrorType(SWIG_TypeError), message);
}

// --- Pointer objects -------------------------------------------------------------------------

bool is_pointer_object(PyObject *object) { return SwigPyObject_Check(object) != 0; }

PyObject *new_owning_pointer(Halx::cHalx *instance) {
    if (allocation_fails()) return PyErr_NoMemory();
    PyObject *pointer = SwigPyObject_New(instance, cHalx_descriptor(), SWIG_POINTER_OWN);
    if (pointer == nullptr && !PyErr_Occurred()) PyErr_NoMemory();
    return pointer;
}

bool find_instance(PyObject *argument, void **address) {
    FoundPointer found;
    return find_pointer_object(argument, found) && match_instance(found.get(), address) != nullptr;
}

bool detach_instance(PyObject *argument, void **address) {
    FoundPointer found;
    if (!find_pointer_object(argument, found)) return false;
    SwigPyObject *supplier = match_instance(found.get(), address);
    if (supplier == nullptr) return false;
    supplier->own = 0;
    supplier->ptr = nullptr;
    return true;
}

bool attach_pointer(PyObject *proxy, PyObject *pointer) {
    FoundPointer found;
    if (find_pointer_object(proxy, found)) {
        if (!SwigPyObject_Check(pointer)) {
            PyErr_SetString(PyExc_TypeError, NotAPointerObject);
            return false;
        }
        return link_behind(found.get(), as_pointer(pointer));
    }
    return PyObject_SetAttr(proxy, this_name, pointer) == 0;
}

bool register_proxy_class(PyObject *cls) {
    auto *data = allocation_fails() ? nullptr : static_cast<SwigPyClientData *>(std::malloc(sizeof(SwigPyClientData)));
    if (data == nullptr) {
        PyErr_NoMemory();
        return false;
    }
    Py_INCREF(cls);
    data->klass = cls;
    data->newraw = nullptr;
    data->newargs = nullptr;
    data->implicitconv = 0;
    data->pytype = nullptr;

    const int is_class = PyObject_IsInstance(cls, reinterpret_cast<PyObject *>(&PyType_Type));
    if (is_class < 0) PyErr_Clear();
    if (is_class <= 0) {
        data->newraw = PyObject_GetAttrString(cls, "__new__");
        if (data->newraw == nullptr) PyErr_Clear();
    }
    if (data->newraw != nullptr) {
        data->newargs = allocation_fails() ? PyErr_NoMemory() : PyTuple_Pack(1, cls);
        if (data->newargs == nullptr) {
            data->destroy = nullptr;
            release_client_data(data);
            return false;
        }
    } else {
        Py_INCREF(cls);
        data->newargs = cls;
    }

    data->destroy = PyObject_GetAttrString(cls, "__swig_destroy__");
    if (PyErr_Occurred()) {
        PyErr_Clear();
        Py_CLEAR(data->destroy);
    }
    data->delargs = data->destroy != nullptr && !is_own_delete(data->destroy);

    swig_type_info *type = cHalx_descriptor();
    auto *old = static_cast<SwigPyClientData *>(type->clientdata);
    const bool owned_old = type->owndata != 0;
    spread_client_data(type, data, old);
    type->owndata = 1;
    if (old != nullptr && owned_old) release_client_data(old);
    return true;
}

}  // namespace halx::runtime

// The one translation unit that includes the SWIG Python runtime header
// (emitted at build time by `swig -python -external-runtime`). It owns:
//   - the module's two type descriptors, its module record and its place in
//     the process-wide ring shared through the capsule
//     "swig_runtime_data4.type_pointer_capsule", and the capsule's destructor;
//   - the client data that registers the proxy class: the main interpreter's
//     on the descriptor, where every module of the runtime reads it, and a
//     subinterpreter's in that interpreter's state dictionary, read by this
//     module alone and released when that interpreter ends;
//   - this module's instance of the runtime type SwigPyObject, on which it
//     installs the hooks handed in at start-up, and the field accessors that
//     let the rest of the module read and write pointer objects.
// Invariants: the descriptors, the record and the "this" string live for the
// whole process; client data is malloc'd (other modules' capsule destructors
// may free() it) and holds its own references; everything is guarded by the
// interpreter lock.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "swig_python_runtime.h"

#include "fault_injection.h"
#include "owned_reference.h"
#include "runtime.h"

namespace Halx::runtime {

using binding::allocation_fails;
using common::OwnedReference;

namespace {

constexpr const char *RuntimeModuleName = "swig_runtime_data" SWIG_RUNTIME_VERSION;
constexpr const char *CapsuleAttribute = "type_pointer_capsule";
constexpr const char *CapsuleName = SWIGPY_CAPSULE_NAME;
constexpr const char *NoInterpreterDictionary = "swigregister: this interpreter keeps no state dictionary";

// A ring longer than this was not built by runtime modules joining it.
constexpr int MaxRingRecords = 4096;

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
// (late in interpreter shutdown) still destroy their instance.
bool destroy_after_release = false;

// The attribute name "this", interned, held for the whole process. The
// runtime's own reference to the same string (SWIG_This) is released by the
// capsule's destructor; lookups here never depend on that one.
PyObject *held_this_name = nullptr;

// The attribute name "__swig_destroy__", interned, held for the whole
// process. A registration looks it up on the class by this one string: with a
// new string each time, the interpreter's attribute cache, which keeps the
// names it caches, would hold a copy for each class registered (thousands,
// until other lookups displace them).
PyObject *held_destroy_name = nullptr;

// This module's SwigPyObject type, and the builtin behind `delete_cHalx`.
PyTypeObject *own_pointer_type = nullptr;
PyCFunction own_delete_function = nullptr;

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

// --- Registrations of subinterpreters -------------------------------------------------
// A registration made from a subinterpreter names that interpreter's class
// and destroy callable, which die with it, so it never goes on the shared
// descriptor. A capsule in the interpreter's state dictionary owns it, so it
// is released as the interpreter ends; this module's own lookups in that
// interpreter find it through a process-wide table keyed by the
// interpreter's number (numbers are never reused). The table holds plain
// data only, no Python object, and keeps one small entry per subinterpreter
// that registered a class, after that interpreter has ended too: its last
// objects are released after its state dictionary, and, as in the main
// interpreter after the shared capsule goes, an owning one still destroys
// its instance when the registration had a destroy callable.

constexpr const char *RegistrationKey = "Halx._Halx.cHalx registration";
constexpr const char *RegistrationCapsuleName = "Halx._Halx.registration";

struct SubinterpreterRegistration {
    SwigPyClientData *data = nullptr;  // owned by the capsule; null once released
    bool destroy_after_release = false;
};

std::unordered_map<std::int64_t, SubinterpreterRegistration> &subinterpreter_registrations() {
    // Never freed: releases can happen late in the process's shutdown.
    static auto *registrations = new std::unordered_map<std::int64_t, SubinterpreterRegistration>();
    return *registrations;
}

PyInterpreterState *current_interpreter() {
#if PY_VERSION_HEX >= 0x03090000
    return PyInterpreterState_Get();
#else
    // 3.8 has the same function under its private name only.
    return _PyInterpreterState_Get();
#endif
}

// The entry of the current interpreter when it is a subinterpreter whose
// registration is in force, or was released with a destroy callable
// (borrowed, valid until the table changes); null otherwise. Never fails.
const SubinterpreterRegistration *find_subinterpreter_registration() {
    PyInterpreterState *interpreter = current_interpreter();
    if (interpreter == PyInterpreterState_Main()) return nullptr;
    const auto &registrations = subinterpreter_registrations();
    if (registrations.empty()) return nullptr;
    const auto found = registrations.find(PyInterpreterState_GetID(interpreter));
    if (found == registrations.end()) return nullptr;
    const SubinterpreterRegistration &entry = found->second;
    return entry.data != nullptr || entry.destroy_after_release ? &entry : nullptr;
}

// Destructor of the capsule that owns a subinterpreter's registration: detaches
// it from the table, then releases it. Never leaves an exception behind, and
// keeps one that was pending.
void release_registration_capsule(PyObject *capsule) {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    auto *data = static_cast<SwigPyClientData *>(PyCapsule_GetPointer(capsule, RegistrationCapsuleName));
    if (data != nullptr) {
        auto &registrations = subinterpreter_registrations();
        for (auto entry = registrations.begin(); entry != registrations.end(); ++entry) {
            if (entry->second.data != data) continue;
            entry->second = {nullptr, data->destroy != nullptr};
            break;
        }
        release_client_data(data);
    }
    PyErr_Clear();
    PyErr_Restore(type, value, traceback);
}

// Makes `data` the current subinterpreter's registration, releasing the one
// it replaces. Takes `data` over whatever happens; returns false with an
// exception set, leaving the registration as it was.
bool register_in_subinterpreter(SwigPyClientData *data) {
    OwnedReference capsule(
        allocation_fails() ? nullptr : PyCapsule_New(data, RegistrationCapsuleName, release_registration_capsule));
    if (!capsule) {
        release_client_data(data);
        if (!PyErr_Occurred()) PyErr_NoMemory();
        return false;
    }
    PyInterpreterState *interpreter = current_interpreter();
    PyObject *dictionary = PyInterpreterState_GetDict(interpreter);  // borrowed
    if (dictionary == nullptr) {
        PyErr_SetString(PyExc_RuntimeError, NoInterpreterDictionary);
        return false;
    }
    const std::int64_t number = PyInterpreterState_GetID(interpreter);
    if (number < 0) return false;
    try {
        if (allocation_fails()) throw std::bad_alloc();
        subinterpreter_registrations().try_emplace(number);
    } catch (const std::bad_alloc &) {
        PyErr_NoMemory();
        return false;
    }
    // Replacing the item releases the earlier registration's capsule, which
    // detaches it from the entry; the entry exists, so this cannot allocate.
    if (PyDict_SetItemString(dictionary, RegistrationKey, capsule.get()) < 0) return false;
    subinterpreter_registrations()[number] = {data, false};
    return true;
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
    OwnedReference capsule(allocation_fails() ? nullptr
                                              : PyCapsule_New(&module_record, CapsuleName, destroy_shared_capsule));
    if (runtime_module != nullptr && capsule) {
        // PyModule_AddObject takes the reference only when it succeeds.
        if (PyModule_AddObject(runtime_module, CapsuleAttribute, capsule.get()) == 0) capsule.release();
    }
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

// Puts the hooks in place on this module's SwigPyObject type. The method
// descriptors read the table entry at call time, so patching the entries
// after the type is ready takes effect. Never fails.
void install_hooks(PyTypeObject *type, const PointerTypeHooks &hooks) {
    for (PyMethodDef *method = swigobject_methods; method->ml_name != nullptr; ++method) {
        if (std::strcmp(method->ml_name, "append") == 0) method->ml_meth = hooks.append;
        if (std::strcmp(method->ml_name, "own") == 0) method->ml_meth = hooks.own;
        if (std::strcmp(method->ml_name, "__repr__") == 0) method->ml_meth = hooks.repr_method;
    }
    type->tp_dealloc = hooks.release;
    type->tp_repr = hooks.repr;
    type->tp_richcompare = hooks.compare;
    own_delete_function = hooks.own_delete;
    own_pointer_type = type;
}

}  // namespace

// --- Start-up --------------------------------------------------------------------------

bool create_attribute_names() {
    // Both names are made together, at the first import: one point where the
    // fault injection may fail an allocation.
    if (held_this_name == nullptr || held_destroy_name == nullptr) {
        if (allocation_fails()) {
            PyErr_NoMemory();
            return false;
        }
        if (held_this_name == nullptr && (held_this_name = PyUnicode_InternFromString("this")) == nullptr) return false;
        if (held_destroy_name == nullptr &&
            (held_destroy_name = PyUnicode_InternFromString("__swig_destroy__")) == nullptr)
            return false;
    }
    if (Swig_This_global == nullptr) {
        Py_INCREF(held_this_name);
        Swig_This_global = held_this_name;
    }
    return true;
}

PyObject *this_name() { return held_this_name; }

bool ready_pointer_types(const PointerTypeHooks &hooks) {
    if (SwigPyPacked_type() == nullptr || SwigPyObject_type() == nullptr) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "the SWIG pointer types could not be readied");
        return false;
    }
    if (own_pointer_type == nullptr) install_hooks(SwigPyObject_type(), hooks);  // once per process
    return true;
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

void raise_type_error(const char *message) { PyErr_SetString(SWIG_Python_ErrorType(SWIG_TypeError), message); }

// --- Pointer objects: what they are ----------------------------------------------------------

bool is_own_pointer_type(PyTypeObject *type) { return type == own_pointer_type; }

bool has_pointer_type_layout(PyTypeObject *type) {
    // A class statement never fills tp_methods (its methods live in the
    // class dictionary), so no class written in Python passes, whatever its
    // name and slots. The size check makes every field readable.
    return type->tp_methods != nullptr && type->tp_itemsize == 0 &&
           type->tp_basicsize >= static_cast<Py_ssize_t>(sizeof(SwigPyObject)) &&
           std::strcmp(type->tp_name, "SwigPyObject") == 0;
}

bool carries_shared_descriptor(PyObject *pointer) {
    const swig_type_info *type = as_pointer(pointer)->ty;
    if (type == nullptr) return false;
    const swig_module_info *record = &module_record;
    for (int records = 0; record != nullptr && records < MaxRingRecords; ++records) {
        for (size_t i = 0; i < record->size; ++i) {
            if (record->types[i] == type) return true;
        }
        record = record->next;
        if (record == &module_record) break;
    }
    return false;
}

// --- Pointer objects: their fields -------------------------------------------------------------

void *pointer_address(PyObject *pointer) { return as_pointer(pointer)->ptr; }
void set_pointer_address(PyObject *pointer, void *address) { as_pointer(pointer)->ptr = address; }
bool pointer_owns(PyObject *pointer) { return as_pointer(pointer)->own == SWIG_POINTER_OWN; }
void set_pointer_owns(PyObject *pointer, bool owns) { as_pointer(pointer)->own = owns ? SWIG_POINTER_OWN : 0; }
PyObject *pointer_next(PyObject *pointer) { return as_pointer(pointer)->next; }
void set_pointer_next(PyObject *pointer, PyObject *next) { as_pointer(pointer)->next = next; }

const char *pointer_type_name(PyObject *pointer) {
    const char *name = SWIG_TypePrettyName(as_pointer(pointer)->ty);
    return name != nullptr ? name : "unknown";
}

bool cHalx_address(PyObject *pointer, void **address) {
    SwigPyObject *object = as_pointer(pointer);
    swig_type_info *type = object->ty;
    if (type == cHalx_descriptor()) {
        *address = object->ptr;
        return true;
    }
    if (type == nullptr || type->name == nullptr) return false;
    swig_cast_info *cast = SWIG_TypeCheck(type->name, cHalx_descriptor());
    if (cast == nullptr) return false;
    int new_memory = 0;
    *address = SWIG_TypeCast(cast, object->ptr, &new_memory);
    return true;
}

PyObject *new_pointer(void *address, bool owns) {
    if (allocation_fails()) return PyErr_NoMemory();
    PyObject *pointer = SwigPyObject_New(address, cHalx_descriptor(), owns ? SWIG_POINTER_OWN : 0);
    if (pointer == nullptr && !PyErr_Occurred()) PyErr_NoMemory();
    return pointer;
}

// --- Registration ---------------------------------------------------------------------------------

PyObject *registered_destroy(PyObject *pointer, bool *after_release) {
    swig_type_info *type = as_pointer(pointer)->ty;
    auto *data = type != nullptr ? static_cast<SwigPyClientData *>(type->clientdata) : nullptr;
    // A subinterpreter's registration stands for the main interpreter's
    // there: on "Halx::cHalx *" and on the descriptors it was spread to.
    swig_type_info *cHalx = cHalx_descriptor();
    if (type != nullptr && (type == cHalx || (data != nullptr && data == cHalx->clientdata))) {
        if (const SubinterpreterRegistration *own = find_subinterpreter_registration()) {
            *after_release = own->data == nullptr && own->destroy_after_release;
            return own->data != nullptr ? own->data->destroy : nullptr;
        }
    }
    *after_release = data == nullptr && type == cHalx_descriptor() && destroy_after_release;
    return data != nullptr ? data->destroy : nullptr;
}

bool is_own_delete(PyObject *destroy) {
    return own_delete_function != nullptr && PyCFunction_Check(destroy) &&
           PyCFunction_GET_FUNCTION(destroy) == own_delete_function && (PyCFunction_GET_FLAGS(destroy) & METH_O) != 0;
}

bool register_proxy_class(PyObject *cls) {
    auto *data =
        allocation_fails() ? nullptr : static_cast<SwigPyClientData *>(std::calloc(1, sizeof(SwigPyClientData)));
    if (data == nullptr) {
        PyErr_NoMemory();
        return false;
    }
    // A class is its own constructor-argument object: the runtime calls its
    // tp_new when it wraps a new pointer object in a proxy.
    Py_INCREF(cls);
    data->klass = cls;
    Py_INCREF(cls);
    data->newargs = cls;
    data->destroy = PyObject_GetAttr(cls, held_destroy_name);
    if (data->destroy == nullptr) PyErr_Clear();
    // Only this module's builtin is called with the pointer object being
    // released: any other callable (a Python function, a builtin that keeps
    // its argument) gets a temporary pointer object, so it can neither be
    // misread as a builtin nor resurrect an object that is being freed.
    data->delargs = data->destroy != nullptr && !is_own_delete(data->destroy);

    if (current_interpreter() != PyInterpreterState_Main()) return register_in_subinterpreter(data);

    swig_type_info *type = cHalx_descriptor();
    auto *old = static_cast<SwigPyClientData *>(type->clientdata);
    const bool owned_old = type->owndata != 0;
    spread_client_data(type, data, old);
    type->owndata = 1;
    if (old != nullptr && owned_old) release_client_data(old);
    return true;
}

}  // namespace Halx::runtime

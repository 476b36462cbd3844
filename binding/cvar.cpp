// The module's `swigvarlink` type and its single instance, stored as `cvar`.
// The object holds a singly linked list of variable records, newest first;
// each record owns a copy of its name, and the object owns the records. The
// list is built once, when the object is created, and only read afterwards.
// Attribute access goes through the byte-string hooks alone: there is no
// generic lookup, so `dir(cvar)` is empty and `cvar.__class__` is refused.
// `process_link_object` is a borrowed pointer that the object's deallocation
// clears, so it never outlives the object.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdlib>
#include <cstring>

#include "Halx.h"
#include "cvar.h"
#include "fault_injection.h"
#include "owned_reference.h"

namespace halx {

namespace {

constexpr const char *CreationFailed = "Failure to create SWIG globals.";
constexpr const char *UnknownVariable = "Unknown C global variable '%s'";

struct Variable {
    char *name;                   // owned copy, NUL-terminated
    PyObject *(*get)();           // new reference, or null with an exception set
    int (*set)(PyObject *value);  // 0 on success, 1 with an exception set
    Variable *next;
};

struct LinkObject {
    PyObject_HEAD
    Variable *variables;
};

LinkObject *as_link(PyObject *object) { return reinterpret_cast<LinkObject *>(object); }

PyObject *process_link_object = nullptr;

// --- The three constants -------------------------------------------------------------

struct MolarMassVariable {
    static constexpr const char *name = "MolarMass";
    static constexpr double value = Halx::MolarMass;
    static constexpr const char *read_only = "Variable MolarMass is read-only.";
};
struct T_TripleVariable {
    static constexpr const char *name = "T_Triple";
    static constexpr double value = Halx::T_Triple;
    static constexpr const char *read_only = "Variable T_Triple is read-only.";
};
struct P_TripleVariable {
    static constexpr const char *name = "P_Triple";
    static constexpr double value = Halx::P_Triple;
    static constexpr const char *read_only = "Variable P_Triple is read-only.";
};

// A fresh float on every read; nothing is cached.
template <class Constant>
PyObject *get_constant() {
    if (allocation_fails()) return PyErr_NoMemory();
    return PyFloat_FromDouble(Constant::value);
}

// Every assignment and deletion is refused; the value is never looked at.
template <class Constant>
int refuse_assignment(PyObject *) {
    PyErr_SetString(PyExc_AttributeError, Constant::read_only);
    return 1;
}

// --- Slots of the link type ----------------------------------------------------------------

// Frees every record and its name, then the object.
void link_dealloc(PyObject *self) {
    Variable *variable = as_link(self)->variables;
    while (variable != nullptr) {
        Variable *next = variable->next;
        std::free(variable->name);
        std::free(variable);
        variable = next;
    }
    if (process_link_object == self) process_link_object = nullptr;
    PyObject_Free(self);
}

// An exception that is already pending (a failed getter's, say) wins over
// the generic message.
void refuse_unknown(const char *name) {
    if (!PyErr_Occurred()) PyErr_Format(PyExc_AttributeError, UnknownVariable, name);
}

PyObject *link_getattr(PyObject *self, char *name) {
    for (Variable *variable = as_link(self)->variables; variable != nullptr; variable = variable->next) {
        if (std::strcmp(variable->name, name) == 0) {
            if (PyObject *value = variable->get()) return value;
            break;
        }
    }
    refuse_unknown(name);
    return nullptr;
}

// A variable's setter reports failure as 1; the host is told -1, the only
// failure value that every CPython version treats as one (3.13's delattr()
// takes a positive result for success and then finds an exception set).
int link_setattr(PyObject *self, char *name, PyObject *value) {
    for (Variable *variable = as_link(self)->variables; variable != nullptr; variable = variable->next) {
        if (std::strcmp(variable->name, name) == 0) {
            const int status = variable->set(value);
            if (status != 1) return status;
            break;
        }
    }
    refuse_unknown(name);
    return -1;
}

PyObject *link_repr(PyObject *) {
    if (allocation_fails()) return PyErr_NoMemory();
    return PyUnicode_InternFromString("<Swig global variables>");
}

// Appends `piece` (null means its creation failed) to `text`. On any failure
// `text` becomes empty with MemoryError set, so a missing string is never
// handed to the next concatenation.
void append_piece(OwnedReference &text, OwnedReference piece) {
    if (text && piece && !allocation_fails()) {
        text.reset(PyUnicode_Concat(text.get(), piece.get()));
    } else {
        text.reset();
        if (!PyErr_Occurred()) PyErr_NoMemory();
    }
}

OwnedReference interned(const char *text) {
    return OwnedReference(allocation_fails() ? nullptr : PyUnicode_InternFromString(text));
}

// "(" name ", " name ... ")" over the list, newest variable first.
PyObject *link_str(PyObject *self) {
    OwnedReference text = interned("(");
    if (!text) return PyErr_Occurred() ? nullptr : PyErr_NoMemory();
    for (Variable *variable = as_link(self)->variables; variable != nullptr; variable = variable->next) {
        append_piece(text, OwnedReference(allocation_fails() ? nullptr : PyUnicode_FromString(variable->name)));
        if (variable->next != nullptr) append_piece(text, interned(", "));
    }
    append_piece(text, interned(")"));
    return text.release();
}

// Built once per process from this template and readied before the first
// instance. No flags: the type cannot be subclassed and its instances are not
// tracked by the cycle collector (they hold no Python references).
// The host's header macro initialises only the object header; the slots are
// filled in by ready_link_type(), the rest stays zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
PyTypeObject link_type = {PyVarObject_HEAD_INIT(nullptr, 0) "swigvarlink"};
#pragma GCC diagnostic pop
bool link_type_ready = false;

PyTypeObject *ready_link_type() {
    if (link_type_ready) return &link_type;
    if (allocation_fails()) {
        PyErr_NoMemory();
        return nullptr;
    }
    link_type.tp_basicsize = sizeof(LinkObject);
    link_type.tp_itemsize = 0;
    link_type.tp_flags = 0;
    link_type.tp_doc = "Swig var link object";
    link_type.tp_dealloc = link_dealloc;
    link_type.tp_getattr = link_getattr;
    link_type.tp_setattr = link_setattr;
    link_type.tp_repr = link_repr;
    link_type.tp_str = link_str;
    if (PyType_Ready(&link_type) < 0) return nullptr;
    link_type_ready = true;
    return &link_type;
}

// A new, empty link object, or null with an exception set.
PyObject *new_link_object() {
    PyTypeObject *type = ready_link_type();
    if (type == nullptr) return nullptr;
    LinkObject *link = allocation_fails() ? nullptr : PyObject_New(LinkObject, type);
    if (link == nullptr) return PyErr_Occurred() ? nullptr : PyErr_NoMemory();
    link->variables = nullptr;
    return reinterpret_cast<PyObject *>(link);
}

// Puts a complete record at the head of the list. Returns false with
// MemoryError set, leaving the list as it was.
bool add_variable(PyObject *self, const char *name, PyObject *(*get)(), int (*set)(PyObject *)) {
    const size_t size = std::strlen(name) + 1;
    auto *variable = allocation_fails() ? nullptr : static_cast<Variable *>(std::malloc(sizeof(Variable)));
    char *copy = allocation_fails() ? nullptr : static_cast<char *>(std::malloc(size));
    if (variable == nullptr || copy == nullptr) {
        std::free(variable);
        std::free(copy);
        PyErr_NoMemory();
        return false;
    }
    std::memcpy(copy, name, size);
    variable->name = copy;
    variable->get = get;
    variable->set = set;
    variable->next = as_link(self)->variables;
    as_link(self)->variables = variable;
    return true;
}

template <class Constant>
bool add_constant(PyObject *self) {
    return add_variable(self, Constant::name, get_constant<Constant>, refuse_assignment<Constant>);
}

// The link object with its three variables, added in this order so that the
// list (and str(cvar)) runs P_Triple, T_Triple, MolarMass.
OwnedReference create_link_object() {
    OwnedReference link(new_link_object());
    if (!link) {
        PyErr_SetString(PyExc_TypeError, CreationFailed);
        return link;
    }
    if (!add_constant<MolarMassVariable>(link.get()) || !add_constant<T_TripleVariable>(link.get()) ||
        !add_constant<P_TripleVariable>(link.get())) {
        link.reset();
    }
    return link;
}

}  // namespace

bool install_cvar(PyObject *namespace_dict) {
    // The holder's reference goes on return: from then on the namespace entry
    // is the module's only lasting reference.
    OwnedReference link = process_link_object != nullptr ? OwnedReference::borrowed(process_link_object)
                                                         : create_link_object();
    if (!link) return false;
    const bool stored = !allocation_fails() && PyDict_SetItemString(namespace_dict, "cvar", link.get()) == 0;
    if (stored) {
        process_link_object = link.get();
    } else if (!PyErr_Occurred()) {
        PyErr_NoMemory();
    }
    return stored;
}

}  // namespace halx

// The module's `swigvarlink` type and its single instance, stored as `cvar`.
// The variables are the constants of the property table (HALX_CONSTANTS of
// property_rows.h): a fixed static table, newest first in the runtime's
// order for a list of variables, which every link object points to and
// nothing ever changes. Attribute access goes through the byte-string hooks
// alone: there is no generic lookup, so `dir(cvar)` is empty and
// `cvar.__class__` is refused. `process_link_object` is a borrowed pointer
// that the object's deallocation clears, so it never outlives the object.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>

#include "Halx.h"
#include "cvar.h"
#include "fault_injection.h"
#include "owned_reference.h"
#include "property_rows.h"

namespace Halx::binding {

using common::OwnedReference;

namespace {

constexpr const char *CreationFailed = "Failure to create SWIG globals.";
constexpr const char *UnknownVariable = "Unknown C global variable '%s'";

// A read-only variable: a constant of the model under its name.
struct Variable {
    const char *name;
    double value;
    const char *read_only;  // the refusal of every assignment and deletion
};

// The constants in table order; the runtime lists a link object's variables
// newest first, so str(cvar) reads this table backwards.
#define HALX_VARIABLE(name, value) {#name, Halx::name, "Variable " #name " is read-only."},
constexpr Variable Variables[] = {HALX_CONSTANTS(HALX_VARIABLE)};
#undef HALX_VARIABLE
constexpr int VariableCount = sizeof(Variables) / sizeof(Variables[0]);

struct LinkObject {
    PyObject_HEAD
    const Variable *variables;  // Variables, for the life of the process
};

LinkObject *as_link(PyObject *object) { return reinterpret_cast<LinkObject *>(object); }

PyObject *process_link_object = nullptr;

// The variable called `name` of `self`, or null.
const Variable *find_variable(PyObject *self, const char *name) {
    const Variable *variables = as_link(self)->variables;
    for (int i = 0; i < VariableCount; ++i) {
        if (std::strcmp(variables[i].name, name) == 0) return &variables[i];
    }
    return nullptr;
}

// --- Slots of the link type ----------------------------------------------------------------

// Frees the object; its variables are static.
void link_dealloc(PyObject *self) {
    if (process_link_object == self) process_link_object = nullptr;
    PyObject_Free(self);
}

// Sets AttributeError for a name that is not a variable.
void refuse_unknown(const char *name) { PyErr_Format(PyExc_AttributeError, UnknownVariable, name); }

// A fresh float on every read; nothing is cached. Null with AttributeError
// for an unknown name, MemoryError when the float cannot be made.
PyObject *link_getattr(PyObject *self, char *name) {
    if (const Variable *variable = find_variable(self, name)) {
        if (allocation_fails()) return PyErr_NoMemory();
        return PyFloat_FromDouble(variable->value);
    }
    refuse_unknown(name);
    return nullptr;
}

// Every assignment and deletion is refused; the value is never looked at.
// Always -1, the only failure value that every CPython version treats as
// one (3.13's delattr() takes a positive result for success and then finds
// an exception set).
int link_setattr(PyObject *self, char *name, PyObject *) {
    if (const Variable *variable = find_variable(self, name)) {
        PyErr_SetString(PyExc_AttributeError, variable->read_only);
    } else {
        refuse_unknown(name);
    }
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

// "(" name ", " name ... ")" over the variables, newest first.
PyObject *link_str(PyObject *self) {
    OwnedReference text = interned("(");
    if (!text) return PyErr_Occurred() ? nullptr : PyErr_NoMemory();
    for (int i = VariableCount - 1; i >= 0; --i) {
        const char *name = as_link(self)->variables[i].name;
        append_piece(text, OwnedReference(allocation_fails() ? nullptr : PyUnicode_FromString(name)));
        if (i > 0) append_piece(text, interned(", "));
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

// The link object over the constants; null with TypeError set when it cannot be made.
OwnedReference create_link_object() {
    PyTypeObject *type = ready_link_type();
    LinkObject *link = type == nullptr || allocation_fails() ? nullptr : PyObject_New(LinkObject, type);
    if (link == nullptr) {
        PyErr_SetString(PyExc_TypeError, CreationFailed);
        return OwnedReference();
    }
    link->variables = Variables;
    return OwnedReference(reinterpret_cast<PyObject *>(link));
}

}  // namespace

bool install_cvar(PyObject *namespace_dict) {
    // The holder's reference goes on return: from then on the namespace entry
    // is the module's only lasting reference.
    OwnedReference link =
        process_link_object != nullptr ? OwnedReference::borrowed(process_link_object) : create_link_object();
    if (!link) return false;
    const bool stored = !allocation_fails() && PyDict_SetItemString(namespace_dict, "cvar", link.get()) == 0;
    if (stored) {
        process_link_object = link.get();
    } else if (!PyErr_Occurred()) {
        PyErr_NoMemory();
    }
    return stored;
}

}  // namespace Halx::binding

// The one holder of owned Python references used across the extension
// modules: whatever path a function leaves by, the reference it owns is
// released exactly once, and handing it on (`release`) is explicit.
// Error convention: nothing here fails.
#ifndef HALX_COMMON_OWNED_REFERENCE_H
#define HALX_COMMON_OWNED_REFERENCE_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace Halx::common {

class OwnedReference {
public:
    OwnedReference() = default;
    // Takes over a new reference (null allowed).
    explicit OwnedReference(PyObject *object) : object_(object) {}
    OwnedReference(OwnedReference &&other) noexcept : object_(other.release()) {}
    OwnedReference &operator=(OwnedReference &&other) noexcept {
        reset(other.release());
        return *this;
    }
    OwnedReference(const OwnedReference &) = delete;
    OwnedReference &operator=(const OwnedReference &) = delete;
    ~OwnedReference() { Py_XDECREF(object_); }

    // A holder of a new reference to a borrowed object.
    static OwnedReference borrowed(PyObject *object) {
        Py_XINCREF(object);
        return OwnedReference(object);
    }

    PyObject *get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Gives up ownership to the caller; the holder is empty afterwards.
    PyObject *release() {
        PyObject *object = object_;
        object_ = nullptr;
        return object;
    }

    // Releases the held reference (if any) and takes over `object`.
    void reset(PyObject *object = nullptr) {
        PyObject *old = object_;
        object_ = object;
        Py_XDECREF(old);
    }

private:
    PyObject *object_ = nullptr;
};

}  // namespace Halx::common

#endif  // HALX_COMMON_OWNED_REFERENCE_H

// _cpp_loop(name, out, *inputs): runs the property loop from properties.h once
// over whole C-contiguous float64 buffers, with the GIL released, and returns
// out. Benchmark-only and private: it does no casting or broadcasting, so every
// input must already be float64 and as long as out.
//
// Ownership: the arguments are borrowed from the call; each buffer view is
// released by BufferView's destructor on every exit. No NumPy C API is used
// here, only the buffer protocol.
#include "floor.h"

#include <cstdint>
#include <cstring>

#include "properties.h"

namespace halx::arrays {

namespace {

constexpr const char *kUsage = "_cpp_loop(name, out, *inputs): name must be a str naming a property";
constexpr const char *kUnknownProperty = "_cpp_loop: no property named %R";
constexpr const char *kWrongInputCount = "_cpp_loop: %s takes %d input(s), got %zd";
constexpr const char *kNotFloat64 = "_cpp_loop: every buffer must hold C-contiguous float64";
constexpr const char *kLengthMismatch = "_cpp_loop: every input must be as long as out";

// One buffer view of a Python object, released on destruction.
class BufferView {
public:
    BufferView() = default;
    BufferView(const BufferView &) = delete;
    BufferView &operator=(const BufferView &) = delete;
    ~BufferView() {
        if (held_) {
            PyBuffer_Release(&view_);
        }
    }

    // Views obj as a contiguous float64 vector; returns false with an exception set otherwise.
    bool acquire_float64(PyObject *obj, bool writable) {
        int flags = PyBUF_C_CONTIGUOUS | PyBUF_FORMAT;
        if (writable) {
            flags |= PyBUF_WRITABLE;
        }
        if (PyObject_GetBuffer(obj, &view_, flags) < 0) {
            return false;
        }
        held_ = true;
        if (view_.itemsize != sizeof(double) || view_.format == nullptr ||
            std::strcmp(view_.format, "d") != 0) {
            PyErr_SetString(PyExc_TypeError, kNotFloat64);
            return false;
        }
        return true;
    }

    char *data() const { return static_cast<char *>(view_.buf); }
    Py_ssize_t length() const { return view_.len / static_cast<Py_ssize_t>(sizeof(double)); }

private:
    Py_buffer view_{};
    bool held_ = false;
};

// Finds the table row called name; returns null with an exception set if none.
const Property *find_property(PyObject *name) {
    const char *text = PyUnicode_AsUTF8(name);
    if (text == nullptr) {
        return nullptr;
    }
    for (const Property &property : Properties) {
        if (std::strcmp(property.name, text) == 0) {
            return &property;
        }
    }
    PyErr_Format(PyExc_ValueError, kUnknownProperty, name);
    return nullptr;
}

}  // namespace

PyObject *cpp_loop(PyObject *, PyObject *args) {
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    if (count < 2 || !PyUnicode_Check(PyTuple_GET_ITEM(args, 0))) {
        PyErr_SetString(PyExc_TypeError, kUsage);
        return nullptr;
    }
    const Property *property = find_property(PyTuple_GET_ITEM(args, 0));
    if (property == nullptr) {
        return nullptr;
    }
    const Py_ssize_t inputs = count - 2;
    if (inputs != property->inputs) {
        PyErr_Format(PyExc_TypeError, kWrongInputCount, property->name, property->inputs, inputs);
        return nullptr;
    }

    PyObject *out = PyTuple_GET_ITEM(args, 1);
    BufferView views[3];  // the inputs, then out
    char *pointers[3] = {};
    std::intptr_t steps[3] = {};
    if (!views[inputs].acquire_float64(out, true)) {
        return nullptr;
    }
    const Py_ssize_t n = views[inputs].length();
    for (Py_ssize_t i = 0; i <= inputs; ++i) {
        if (i < inputs && !views[i].acquire_float64(PyTuple_GET_ITEM(args, 2 + i), false)) {
            return nullptr;
        }
        if (views[i].length() != n) {
            PyErr_SetString(PyExc_ValueError, kLengthMismatch);
            return nullptr;
        }
        pointers[i] = views[i].data();
        steps[i] = sizeof(double);
    }

    Py_BEGIN_ALLOW_THREADS
    property->loop(pointers, n, steps);
    Py_END_ALLOW_THREADS

    Py_INCREF(out);
    return out;
}

const char kCppLoopDoc[] =
    "_cpp_loop(name, out, *inputs)\n--\n\n"
    "Benchmark floor, not public: run the named property's C++ loop over\n"
    "C-contiguous float64 buffers of equal length, writing into out.";

}  // namespace halx::arrays

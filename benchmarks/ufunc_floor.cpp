// The floor of the ufunc benchmark, compiled by bench_ufuncs.py when it runs
// (never shipped): module ufunc_floor with the one function run(name, out,
// *inputs), which runs the ufunc module's own loop for a property (from
// arrays/properties.h) once over whole C-contiguous float64 buffers, with the
// GIL released, and returns out. No NumPy machinery, no casting, no
// broadcasting: every input must already be float64 and as long as out.
//
// Ownership: the arguments are borrowed from the call; each buffer view is
// released by BufferView's destructor on every exit. Only the buffer protocol
// is used, no NumPy C API.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>

#include "properties.h"

namespace halx::arrays {

namespace {

constexpr const char *Usage = "run(name, out, *inputs): name must be a str naming a property";
constexpr const char *UnknownProperty = "run: no property named %R";
constexpr const char *WrongInputCount = "run: %s takes %d input(s), got %zd";
constexpr const char *NotFloat64 = "run: every buffer must hold C-contiguous float64";
constexpr const char *LengthMismatch = "run: every input must be as long as out";

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
            PyErr_SetString(PyExc_TypeError, NotFloat64);
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
    PyErr_Format(PyExc_ValueError, UnknownProperty, name);
    return nullptr;
}

// run(name, out, *inputs) -> out; null with an exception set on bad arguments.
PyObject *run(PyObject *, PyObject *args) {
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    if (count < 2 || !PyUnicode_Check(PyTuple_GET_ITEM(args, 0))) {
        PyErr_SetString(PyExc_TypeError, Usage);
        return nullptr;
    }
    const Property *property = find_property(PyTuple_GET_ITEM(args, 0));
    if (property == nullptr) {
        return nullptr;
    }
    const Py_ssize_t inputs = count - 2;
    if (inputs != property->inputs) {
        PyErr_Format(PyExc_TypeError, WrongInputCount, property->name, property->inputs, inputs);
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
            PyErr_SetString(PyExc_ValueError, LengthMismatch);
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

PyMethodDef functions[] = {
    {"run", run, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {PyModuleDef_HEAD_INIT, "ufunc_floor", nullptr, -1, functions,
                          nullptr, nullptr, nullptr, nullptr};

}  // namespace

}  // namespace halx::arrays

extern "C" __attribute__((visibility("default"))) PyObject *PyInit_ufunc_floor(void) {
    return PyModule_Create(&halx::arrays::definition);
}

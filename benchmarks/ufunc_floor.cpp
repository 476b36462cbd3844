// The floor of the ufunc benchmark, compiled by bench_ufuncs.py when it runs
// (never shipped): module ufunc_floor with the one function run(ufunc, out,
// *inputs), which calls the very inner loop that the ufunc registered (the
// ufunc module's loop for its property) once over whole C-contiguous float64
// buffers, with the GIL released, and returns out. No NumPy machinery, no
// casting, no broadcasting: every input must already be float64 and as long
// as out.
//
// Ownership: the arguments are borrowed from the call; each buffer view is
// released by BufferView's destructor on every exit. Only the ufunc object's
// fields are read from NumPy's headers; no NumPy C API is called.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
// The array types first: ufuncobject.h uses them without including them.
#include <numpy/ndarraytypes.h>
#include <numpy/ufuncobject.h>

namespace Halx::benchmarks {

namespace {

constexpr const char *Usage = "run(ufunc, out, *inputs): the first argument must be a NumPy ufunc";
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
        if (view_.itemsize != sizeof(double) || view_.format == nullptr || std::strcmp(view_.format, "d") != 0) {
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

// run(ufunc, out, *inputs) -> out; null with an exception set on bad arguments.
PyObject *run(PyObject *, PyObject *args) {
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    PyObject *first = count > 0 ? PyTuple_GET_ITEM(args, 0) : nullptr;
    if (count < 2 || std::strcmp(Py_TYPE(first)->tp_name, "numpy.ufunc") != 0) {
        PyErr_SetString(PyExc_TypeError, Usage);
        return nullptr;
    }
    const auto *ufunc = reinterpret_cast<PyUFuncObject *>(first);
    const Py_ssize_t inputs = count - 2;
    if (inputs != ufunc->nin || inputs > 2 || ufunc->nout != 1) {
        PyErr_Format(PyExc_TypeError, WrongInputCount, ufunc->name, ufunc->nin, inputs);
        return nullptr;
    }

    PyObject *out = PyTuple_GET_ITEM(args, 1);
    BufferView views[3];  // the inputs, then out
    char *pointers[3] = {};
    npy_intp steps[3] = {};
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

    npy_intp dimensions[1] = {n};
    PyUFuncGenericFunction loop = ufunc->functions[0];
    void *data = ufunc->data[0];
    Py_BEGIN_ALLOW_THREADS
    loop(pointers, dimensions, steps, data);
    Py_END_ALLOW_THREADS

    Py_INCREF(out);
    return out;
}

PyMethodDef functions[] = {
    {"run", run, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT, "ufunc_floor", nullptr, -1, functions, nullptr, nullptr, nullptr, nullptr};

}  // namespace

}  // namespace Halx::benchmarks

extern "C" __attribute__((visibility("default"))) PyObject *PyInit_ufunc_floor(void) {
    return PyModule_Create(&Halx::benchmarks::definition);
}

// Module Halx._ufuncs: registers one NumPy ufunc per row of Properties, each
// with the single loop float64 -> float64 (one or two inputs), or float64,
// float64 -> int8 for the phase, whose codes are the values of Halx.Phase, and
// names the SIMD kernel set its loops use in the string attribute `kernels`;
// its one function, outside, scans an array for Halx.RangeWarning.
// NumPy's default type resolution casts integer and float32 inputs to
// float64, and NumPy does broadcasting, out=, where= and strides before our
// loop sees a run of elements.
//
// Invariants: NumPy keeps the pointers given to PyUFunc_FromFuncAndData
// (loop arrays, data, type codes, name, doc) for the life of the ufunc, so all
// of them are static. The ufuncs are created once, when the module is first
// imported, and the module holds them for the process. This is the only file
// that calls the NumPy C API.
#include <Python.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

#include "dispatch.h"
#include "export.h"
#include "owned_reference.h"
#include "properties.h"

namespace Halx::ufuncs {

namespace {

using common::OwnedReference;

static_assert(std::is_same<npy_intp, std::intptr_t>::value,
              "the property loops take NumPy's counts and steps as std::intptr_t");

// NumPy 1.19 made the count and step parameters of a loop const; take their
// types from the header in use, so that both generations of headers build.
template <typename Signature>
struct LoopParameters;
template <typename Counts, typename Steps>
struct LoopParameters<void (*)(char **, Counts, Steps, void *)> {
    using counts = Counts;
    using steps = Steps;
};
using LoopCounts = LoopParameters<PyUFuncGenericFunction>::counts;
using LoopSteps = LoopParameters<PyUFuncGenericFunction>::steps;

// NumPy inner loop shared by every ufunc: data is the property's table row. Never fails.
void property_ufunc_loop(char **args, LoopCounts dimensions, LoopSteps steps, void *data) {
    static_cast<const Property *>(data)->loop(args, dimensions[0], steps);
}

// One loop per ufunc; NumPy may swap entries in these arrays, so they are not const.
PyUFuncGenericFunction ufunc_loops[PropertyCount][1];
void *ufunc_loop_data[PropertyCount][1];
char one_input_types[] = {NPY_DOUBLE, NPY_DOUBLE};
char two_input_types[] = {NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE};
// A phase takes one byte: int8 keeps a grid of phases an eighth of the size of
// its inputs, and NumPy widens int8 wherever it sums or counts.
char two_input_code_types[] = {NPY_DOUBLE, NPY_DOUBLE, NPY_INT8};

// Makes pickle find ufunc as <module_name>.<name>; returns -1 with an exception set on failure.
// Ufuncs before NumPy 2.1 take no attributes: pickle then finds them by
// searching the imported modules, which works because the module holds them.
int set_ufunc_module(PyObject *ufunc, PyObject *module_name) {
    if (PyObject_SetAttrString(ufunc, "__module__", module_name) == 0) {
        return 0;
    }
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
        return -1;
    }
    PyErr_Clear();
    return 0;
}

// Creates the ufunc of table row index and adds it to module; returns -1 with an exception set on failure.
int add_ufunc(PyObject *module, PyObject *module_name, int index) {
    const Property &property = Properties[index];
    ufunc_loops[index][0] = property_ufunc_loop;
    ufunc_loop_data[index][0] = const_cast<Property *>(&property);
    char *types = property.inputs == 1 ? one_input_types : property.gives_code ? two_input_code_types : two_input_types;
    OwnedReference ufunc(PyUFunc_FromFuncAndData(ufunc_loops[index], ufunc_loop_data[index], types, 1, property.inputs,
                                                 1, PyUFunc_None, property.name, property.doc, 0));
    if (ufunc.get() == nullptr || set_ufunc_module(ufunc.get(), module_name) < 0) {
        return -1;
    }
    // PyModule_AddObject steals the reference only when it succeeds.
    if (PyModule_AddObject(module, property.name, ufunc.get()) < 0) {
        return -1;
    }
    ufunc.release();
    return 0;
}

// The scan for Halx.RangeWarning reads each element once, so it runs at the
// speed of memory only when it compares four doubles at a time: compiled for
// AVX2 on x86-64 with GCC or Clang and chosen when the CPU has it. Elsewhere
// outside() answers None and Halx._plausible asks NumPy, whose reductions
// have SIMD loops of their own for every platform.
#if defined(__x86_64__) && defined(__GNUC__)
using FourDoubles = double __attribute__((vector_size(32)));
using FourMasks = std::int64_t __attribute__((vector_size(32)));

// Whether any of the n doubles at data lies below low or above high; NaN
// never does (both comparisons are false). Only where the CPU has AVX2. Never fails.
__attribute__((target("avx2"))) bool any_outside(const double *data, npy_intp n, double low, double high) {
    const FourDoubles lows = {low, low, low, low};
    const FourDoubles highs = {high, high, high, high};
    FourMasks outside = {0, 0, 0, 0};
    npy_intp i = 0;
    for (; i + 4 <= n; i += 4) {
        FourDoubles x;
        std::memcpy(&x, data + i, sizeof x);
        outside |= (x < lows) | (x > highs);
    }
    bool found = (outside[0] | outside[1] | outside[2] | outside[3]) != 0;
    for (; i < n; ++i) found |= data[i] < low || data[i] > high;
    return found;
}

bool can_scan() { return __builtin_cpu_supports("avx2"); }
#else
bool any_outside(const double *, npy_intp, double, double) { return false; }
bool can_scan() { return false; }
#endif

// Arrays from this many elements on are scanned without the GIL.
constexpr npy_intp ScanWithoutGil = 1 << 15;

// outside(array, low, high): whether an element of array, a contiguous
// float64 ndarray, lies outside [low, high] (NaN never does); None for any
// other array, or on a CPU without the scan, which Halx._plausible then looks
// at through NumPy. What
// Halx.ufunc asks of the arrays it is given before Halx.RangeWarning, in one
// pass. A new reference, or null with TypeError for arguments of other types.
PyObject *outside(PyObject *, PyObject *const *args, Py_ssize_t count) {
    if (count != 3 || !PyArray_CheckExact(args[0])) {
        return PyErr_Format(PyExc_TypeError, "outside() takes an ndarray and two floats");
    }
    const double low = PyFloat_AsDouble(args[1]);
    const double high = PyFloat_AsDouble(args[2]);
    if ((low == -1.0 || high == -1.0) && PyErr_Occurred()) return nullptr;
    auto *array = reinterpret_cast<PyArrayObject *>(args[0]);
    if (!can_scan() || PyArray_TYPE(array) != NPY_DOUBLE || !PyArray_ISCARRAY_RO(array) ||
        PyArray_ISBYTESWAPPED(array)) {
        Py_RETURN_NONE;
    }
    const auto *data = static_cast<const double *>(PyArray_DATA(array));
    const npy_intp size = PyArray_SIZE(array);
    bool found;
    if (size >= ScanWithoutGil) {
        Py_BEGIN_ALLOW_THREADS
        found = any_outside(data, size, low, high);
        Py_END_ALLOW_THREADS
    } else {
        found = any_outside(data, size, low, high);
    }
    return PyBool_FromLong(found);
}

// METH_FASTCALL functions enter the method table through the generic pointer type.
PyMethodDef module_functions[] = {
    {"outside", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(outside)), METH_FASTCALL,
     "outside(array, low, high, /)\n--\n\nWhether an element of a contiguous float64 array lies outside [low, "
     "high], NaN never; None for any other array."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "_ufuncs",
    "NumPy ufuncs of the sodium chloride properties; import them from Halx.ufunc.",
    -1,
    module_functions,  // the ufuncs are added when the module is created
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Chooses the loops' kernel set from HALX_SIMD (see dispatch.h); returns
// -1 with ImportError set when it names a set that cannot run here.
int choose_kernel_set() {
    const char *requested = std::getenv(KernelVariable);
    if (choose_kernels(requested)) {
        return 0;
    }
    std::string names;
    for (const char *const *name = Halx::ArrayKernelNames; *name != nullptr; ++name) {
        if (Halx::array_kernels_named(*name) != nullptr) {
            names += names.empty() ? *name : std::string(", ") + *name;
        }
    }
    PyErr_Format(PyExc_ImportError, KernelRefused, requested, names.c_str());
    return -1;
}

// Returns the new module, or null with an exception set (NumPy missing or too
// old, or HALX_SIMD naming kernels that cannot run here, included).
PyObject *create_module() {
    if (_import_array() < 0 || _import_umath() < 0 || choose_kernel_set() < 0) {
        return nullptr;
    }
    OwnedReference module(PyModule_Create(&module_definition));
    if (module.get() == nullptr) {
        return nullptr;
    }
    OwnedReference module_name(PyModule_GetNameObject(module.get()));
    if (module_name.get() == nullptr) {
        return nullptr;
    }
    for (int index = 0; index < PropertyCount; ++index) {
        if (add_ufunc(module.get(), module_name.get(), index) < 0) {
            return nullptr;
        }
    }
    if (PyModule_AddStringConstant(module.get(), "kernels", active_kernels().name) < 0) {
        return nullptr;
    }
    return module.release();
}

}  // namespace

}  // namespace Halx::ufuncs

extern "C" HALX_EXPORT PyObject *PyInit__ufuncs(void);

PyMODINIT_FUNC PyInit__ufuncs(void) { return Halx::ufuncs::create_module(); }

// Module Halx._ufuncs: registers one NumPy ufunc per row of Properties, each
// with the single loop float64 -> float64 (one or two inputs), or float64,
// float64 -> int8 for the phase, whose codes are the values of Halx.Phase, and
// names the SIMD kernel set its loops use in the string attribute `kernels`.
// For Halx.RangeWarning it holds a second, private ufunc per property in the
// dict `checked`: the same loop, which also compares each input element with
// its plausible span as it evaluates it and, finding one outside, sets a flag
// of the calling thread, which take_outside() returns and clears. NumPy runs
// a ufunc's loops on the thread that calls it (with or without the GIL), so
// the flag read after a call is that call's. The ufuncs of the module itself
// compare nothing and set nothing. Over both ufuncs of each row, the tuple
// `functions` holds the functions of Halx.ufunc (functions.cpp), in table
// order, and find_outside() finds the numbers of an array outside a span.
// NumPy's default type resolution casts integer and float32 inputs to
// float64, and NumPy does broadcasting, out=, where= and strides before our
// loop sees a run of elements.
//
// Invariants: NumPy keeps the pointers given to PyUFunc_FromFuncAndData
// (loop arrays, data, type codes, name, doc) for the life of the ufunc, so all
// of them are static. The ufuncs are created once, when the module is first
// imported, and the module holds them for the process.
#include <Python.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>

#define HALX_UFUNCS_IMPORTS_NUMPY
#include "numpy_api.h"

#include "dispatch.h"
#include "export.h"
#include "functions.h"
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

// Whether a checked ufunc has met an input element outside its plausible
// span on this thread since take_outside() last cleared it.
thread_local bool outside_seen = false;

// NumPy inner loop shared by every ufunc: data is the property's table row. Never fails.
void property_ufunc_loop(char **args, LoopCounts dimensions, LoopSteps steps, void *data) {
    static_cast<const Property *>(data)->loop(args, dimensions[0], steps, nullptr);
}

// The same for every checked ufunc, which also compares the inputs with the
// row's plausible spans and sets outside_seen when one lies outside. Never fails.
void checked_property_ufunc_loop(char **args, LoopCounts dimensions, LoopSteps steps, void *data) {
    const auto *property = static_cast<const Property *>(data);
    if (property->loop(args, dimensions[0], steps, property->spans)) {
        outside_seen = true;
    }
}

// One loop per ufunc (the raw one, then the checked one); NumPy may swap
// entries in these arrays, so they are not const.
PyUFuncGenericFunction ufunc_loops[2][PropertyCount][1];
void *ufunc_loop_data[2][PropertyCount][1];
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

// Creates the ufunc of table row index, the raw one or the checked one (whose
// loop compares the inputs with their plausible spans); a new reference, or
// null with an exception set.
PyObject *create_ufunc(int index, bool checked) {
    const Property &property = Properties[index];
    ufunc_loops[checked][index][0] = checked ? checked_property_ufunc_loop : property_ufunc_loop;
    ufunc_loop_data[checked][index][0] = const_cast<Property *>(&property);
    const common::Signature &signature = property.signature;
    char *types = signature.inputs == 1 ? one_input_types
                  : property.gives_code ? two_input_code_types
                                        : two_input_types;
    return PyUFunc_FromFuncAndData(ufunc_loops[checked][index], ufunc_loop_data[checked][index], types, 1,
                                   signature.inputs, 1, PyUFunc_None, signature.name, property.doc, 0);
}

// Adds the ufunc of table row index to module, its checked ufunc to checked
// (a dict, by name) and the function of Halx.ufunc over both to functions (a
// tuple, at index); returns -1 with an exception set on failure.
int add_ufuncs(PyObject *module, PyObject *module_name, PyObject *checked, PyObject *functions, int index) {
    const char *name = Properties[index].signature.name;
    OwnedReference ufunc(create_ufunc(index, false));
    if (ufunc.get() == nullptr || set_ufunc_module(ufunc.get(), module_name) < 0) {
        return -1;
    }
    OwnedReference checked_ufunc(create_ufunc(index, true));
    if (checked_ufunc.get() == nullptr || PyDict_SetItemString(checked, name, checked_ufunc.get()) < 0) {
        return -1;
    }
    PyObject *function = make_property_function(index, ufunc.get(), checked_ufunc.get());
    if (function == nullptr) {
        return -1;
    }
    PyTuple_SET_ITEM(functions, index, function);
    // PyModule_AddObject steals the reference only when it succeeds.
    if (PyModule_AddObject(module, name, ufunc.get()) < 0) {
        return -1;
    }
    ufunc.release();
    return 0;
}

// take_outside(): whether a checked ufunc has met an input element outside
// its plausible span on this thread since the last call; clears that. A new
// reference; never fails.
PyObject *take_outside_function(PyObject *, PyObject *) { return PyBool_FromLong(take_outside()); }

PyMethodDef module_functions[] = {
    {"take_outside", take_outside_function, METH_NOARGS,
     "take_outside()\n--\n\nWhether a ufunc of `checked` has met an input element outside its plausible span "
     "on this thread since the last call (NaN never is one); clears that."},
    {"find_outside", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(find_outside)), METH_FASTCALL,
     "find_outside(values, low, high, /)\n--\n\nHow many of the numbers of values (read as float64) lie outside "
     "[low, high], and the first of them in C order (None when none does), as (count, first); NaN never does."},
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
    if (_import_array() < 0 || _import_umath() < 0 || choose_kernel_set() < 0 || ready_function_type() < 0) {
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
    OwnedReference checked(PyDict_New());
    if (checked.get() == nullptr) {
        return nullptr;
    }
    OwnedReference functions(PyTuple_New(PropertyCount));
    if (functions.get() == nullptr) {
        return nullptr;
    }
    for (int index = 0; index < PropertyCount; ++index) {
        if (add_ufuncs(module.get(), module_name.get(), checked.get(), functions.get(), index) < 0) {
            return nullptr;
        }
    }
    if (PyModule_AddObject(module.get(), "functions", functions.get()) < 0) {
        return nullptr;
    }
    functions.release();
    // PyModule_AddObjectRef (3.10) would keep the reference; this steals it on success.
    if (PyModule_AddObject(module.get(), "checked", checked.get()) < 0) {
        return nullptr;
    }
    checked.release();
    if (PyModule_AddStringConstant(module.get(), "kernels", active_kernels().name) < 0) {
        return nullptr;
    }
    return module.release();
}

}  // namespace

bool take_outside() {
    const bool seen = outside_seen;
    outside_seen = false;
    return seen;
}

}  // namespace Halx::ufuncs

extern "C" HALX_EXPORT PyObject *PyInit__ufuncs(void);

PyMODINIT_FUNC PyInit__ufuncs(void) { return Halx::ufuncs::create_module(); }

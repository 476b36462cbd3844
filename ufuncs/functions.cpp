// The functions of Halx.ufunc, one per row of Properties, made here: what a
// program calls, and what the functions of the package (Halx._functions) hand
// NumPy scalars, arrays and every other array-like argument to, call and all.
// Each takes its row's inputs positionally, then out (positionally or by
// name) and any other option of a NumPy ufunc by name, as a Python function
// `P_Boiling(T, /, out=None, **kwargs)` would, with CPython's messages.
//
// The road. An argument that is itself a Python float or int is taken by the
// number rule (common/number_rule.h), as the scalar functions take it. When
// every input is then a float, a NumPy scalar or an ndarray, and the only
// option is an ndarray out= that shares no memory with an input, the call goes
// straight to the row's checked ufunc, whose loop compares each element with
// its plausible span as it evaluates it; only when the loop met one outside
// does find() read each input once more, to word Halx.RangeWarning
// (Halx._plausible.warn_outside). Anything else (lists, xarray, dask, pint and
// pandas objects, where= and the other options, an out= over an input) goes
// to Halx._units.evaluate, which converts units and holds the inputs against
// their spans before the raw ufunc runs.
//
// Ownership: arguments are borrowed; results are new references, or null with
// an exception set. The function objects are made once, with the module, and
// live as long as it does; each holds its two ufuncs, and Halx.ufunc fills
// its __dict__ (docstring, signature, the ufunc's attributes).
#include "functions.h"

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "number_rule.h"
#include "numpy_api.h"
#include "owned_reference.h"
#include "properties.h"
#include "vectorcall.h"

namespace Halx::ufuncs {

namespace {

using common::OwnedReference;

// CPython's refusals of a call of a function `name(T, P, /, out=None, **kwargs)`.
constexpr const char *MissingOne = "%s() missing 1 required positional argument: '%s'";
constexpr const char *MissingTwo = "%s() missing 2 required positional arguments: '%s' and '%s'";
constexpr const char *TooMany = "%s() takes from %d to %d positional arguments but %zd were given";
constexpr const char *OutTwice = "%s() got multiple values for argument 'out'";
constexpr const char *FindOutsideArguments = "find_outside() takes 3 arguments (values, low, high); got %zd";

// Where a call off the road goes, and where the warning is worded.
constexpr const char *UnitsModule = "Halx._units";
constexpr const char *WarningModule = "Halx._plausible";
// The module whose attribute each function is, which pickle looks it up in.
constexpr const char *FunctionsModule = "Halx.ufunc";

struct PropertyFunction {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject *dict;     // the attributes that Halx.ufunc gives it
    PyObject *ufunc;    // the row's ufunc
    PyObject *checked;  // the row's checked ufunc
    int index;          // the row, in Properties
};

// How many numbers of an input lie outside a span, the first of them (in C
// order), and how many numbers the input has.
struct Finding {
    Py_ssize_t count = 0;
    double first = 0.0;
    Py_ssize_t size = 0;
};

// Adds `value` to `found`. Never fails.
void add(double value, const Halx::Span &span, Finding &found) {
    if (!Halx::outside(value, span)) return;
    if (found.count == 0) found.first = value;
    ++found.count;
}

#if defined(__SSE2__) || defined(_M_X64)
// The lanes of the two doubles at x that lie outside [low, high], as a mask.
// Quiet: a NaN lane is replaced by low before the comparisons, which then
// meet no NaN and raise no floating-point flag. Never fails.
__m128d outside_pair(const double *x, __m128d low, __m128d high) {
    const __m128d value = _mm_loadu_pd(x);
    const __m128d number = _mm_cmpord_pd(value, value);
    const __m128d compared = _mm_or_pd(_mm_and_pd(number, value), _mm_andnot_pd(number, low));
    return _mm_or_pd(_mm_cmplt_pd(compared, low), _mm_cmpgt_pd(compared, high));
}
#endif

// Adds to `found` the n contiguous doubles at x, two at a time where SSE2 is
// at hand: the search for the first stops at it, the count goes on. Never fails.
void scan_contiguous(const double *x, npy_intp n, const Halx::Span &span, Finding &found) {
    npy_intp i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128d low = _mm_set1_pd(span.low);
    const __m128d high = _mm_set1_pd(span.high);
    for (; found.count == 0 && i + 2 <= n; i += 2) {
        const int lanes = _mm_movemask_pd(outside_pair(x + i, low, high));
        if (lanes != 0) {
            found.first = x[(lanes & 1) != 0 ? i : i + 1];
            found.count = (lanes & 1) + (lanes >> 1);
        }
    }
    __m128i counts = _mm_setzero_si128();
    for (; i + 2 <= n; i += 2) counts = _mm_sub_epi64(counts, _mm_castpd_si128(outside_pair(x + i, low, high)));
    std::int64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), counts);
    found.count += lanes[0] + lanes[1];
#endif
    for (; i < n; ++i) add(x[i], span, found);
}

// Adds to `found` the n numbers at data, `step` bytes apart. Never fails.
void scan(const char *data, npy_intp step, npy_intp n, const Halx::Span &span, Finding &found) {
    if (step == sizeof(double)) return scan_contiguous(reinterpret_cast<const double *>(data), n, span, found);
    for (npy_intp i = 0; i < n; ++i) add(*reinterpret_cast<const double *>(data + i * step), span, found);
}

// Finds, in one pass, the numbers of `values` (a float, or what NumPy reads as
// an array of numbers, as float64) that lie outside `span`. Returns false
// with an exception set.
bool find(PyObject *values, const Halx::Span &span, Finding &found) {
    found = Finding{};
    if (PyFloat_Check(values)) {
        const double value = PyFloat_AS_DOUBLE(values);
        found.size = 1;
        scan(reinterpret_cast<const char *>(&value), sizeof(double), 1, span, found);
        return true;
    }
    OwnedReference array(PyArray_FromAny(values, nullptr, 0, 0, 0, nullptr));
    if (!array) return false;
    auto *elements = reinterpret_cast<PyArrayObject *>(array.get());
    found.size = PyArray_SIZE(elements);
    if (found.size == 0) return true;
    PyArray_Descr *as_double = PyArray_DescrFromType(NPY_DOUBLE);
    NpyIter *iterator = NpyIter_New(
        elements,
        NPY_ITER_READONLY | NPY_ITER_ALIGNED | NPY_ITER_BUFFERED | NPY_ITER_EXTERNAL_LOOP | NPY_ITER_GROWINNER,
        NPY_CORDER, NPY_UNSAFE_CASTING, as_double);
    Py_DECREF(as_double);
    if (iterator == nullptr) return false;
    NpyIter_IterNextFunc *next = NpyIter_GetIterNext(iterator, nullptr);
    if (next != nullptr) {
        char **data = NpyIter_GetDataPtrArray(iterator);
        const npy_intp *step = NpyIter_GetInnerStrideArray(iterator);
        const npy_intp *n = NpyIter_GetInnerLoopSizePtr(iterator);
        do {
            scan(data[0], step[0], *n, span, found);
        } while (next(iterator));
    }
    return NpyIter_Deallocate(iterator) == NPY_SUCCEED && next != nullptr;
}

// Warns Halx.RangeWarning for each of `inputs` of `property` that has a number
// outside its plausible span, through Halx._plausible.warn_outside, which
// words it. Returns false with an exception set (the warning as an error too).
[[gnu::cold]] bool warn_outside(const Property &property, PyObject *const *inputs) {
    OwnedReference arguments(PyList_New(0));
    OwnedReference name(PyUnicode_FromString(property.signature.name));
    if (!arguments || !name || PyList_Append(arguments.get(), name.get()) < 0) return false;
    for (int i = 0; i < property.signature.inputs; ++i) {
        Finding found;
        if (!find(inputs[i], property.spans[i], found)) return false;
        if (found.count == 0) continue;
        OwnedReference finding(Py_BuildValue("(idnn)", i, found.first, found.count, found.size));
        if (!finding || PyList_Append(arguments.get(), finding.get()) < 0) return false;
    }
    OwnedReference call(PyList_AsTuple(arguments.get()));
    OwnedReference module(call ? PyImport_ImportModule(WarningModule) : nullptr);
    OwnedReference warn(module ? PyObject_GetAttrString(module.get(), "warn_outside") : nullptr);
    return warn && OwnedReference(PyObject_Call(warn.get(), call.get(), nullptr));
}

// The lowest byte of array's elements and the one past its highest, as
// integers; equal when it has none. Never fails.
void extents(PyArrayObject *array, std::uintptr_t &low, std::uintptr_t &high) {
    low = high = reinterpret_cast<std::uintptr_t>(PyArray_BYTES(array));
    if (PyArray_SIZE(array) == 0) return;
    for (int d = 0; d < PyArray_NDIM(array); ++d) {
        const npy_intp reach = (PyArray_DIM(array, d) - 1) * PyArray_STRIDE(array, d);
        (reach < 0 ? low : high) += reach;
    }
    high += PyArray_ITEMSIZE(array);
}

// Whether `out` (an ndarray) and `input` may share memory: whether the
// extents of their elements overlap, as numpy.may_share_memory tells by
// default. Never fails.
bool may_share_memory(PyObject *out, PyObject *input) {
    if (!PyArray_Check(input)) return false;
    std::uintptr_t out_low, out_high, low, high;
    extents(reinterpret_cast<PyArrayObject *>(out), out_low, out_high);
    extents(reinterpret_cast<PyArrayObject *>(input), low, high);
    return out_low < high && low < out_high;
}

// Whether a call with these inputs and `out` (or null), and no other option,
// takes the road to the checked ufunc. Never fails.
bool on_the_road(PyObject *const *inputs, int count, PyObject *out) {
    for (int i = 0; i < count; ++i) {
        PyObject *input = inputs[i];
        const bool plain = PyFloat_CheckExact(input) || Py_TYPE(input) == &PyDoubleArrType_Type ||
                           PyArray_CheckExact(input) || PyArray_IsScalar(input, Number) ||
                           PyArray_IsScalar(input, Bool);
        if (!plain || (out != nullptr && may_share_memory(out, input))) return false;
    }
    return out == nullptr || PyArray_CheckExact(out);
}

// The checked ufunc of `function` over `inputs` and `out` (or null), and the
// warning for what its loop found outside a span.
PyObject *evaluate_checked(const PropertyFunction &function, PyObject **inputs, PyObject *out) {
    const Property &property = Properties[function.index];
    const int count = property.signature.inputs;
    inputs[count] = out;
    take_outside();  // a flag that an earlier call left unread would send this call past find() for nothing
    OwnedReference result(PyObject_Vectorcall(function.checked, inputs, count + (out != nullptr), nullptr));
    if (result && take_outside() && !warn_outside(property, inputs)) return nullptr;
    return result.release();
}

// Halx._units.evaluate(name, inputs, options), options being the keywords of
// the call (out= among them, unless null).
[[gnu::cold]] PyObject *evaluate_off_the_road(const Property &property, PyObject *const *inputs, PyObject *out,
                                              OwnedReference &options) {
    if (!options) options.reset(PyDict_New());
    if (!options || (out != nullptr && PyDict_SetItemString(options.get(), "out", out) < 0)) return nullptr;
    OwnedReference given(PyTuple_New(property.signature.inputs));
    if (!given) return nullptr;
    for (int i = 0; i < property.signature.inputs; ++i) {
        Py_INCREF(inputs[i]);
        PyTuple_SET_ITEM(given.get(), i, inputs[i]);
    }
    OwnedReference module(PyImport_ImportModule(UnitsModule));
    OwnedReference evaluate(module ? PyObject_GetAttrString(module.get(), "evaluate") : nullptr);
    if (!evaluate) return nullptr;
    return PyObject_CallFunction(evaluate.get(), "sOO", property.signature.name, given.get(), options.get());
}

// CPython's refusal of a call that gives `given` of the row's inputs, too few
// or too many; null with TypeError set.
[[gnu::cold]] PyObject *refuse_count(const common::Signature &signature, Py_ssize_t given) {
    const common::Argument *arguments = signature.arguments;
    if (given > signature.inputs) {
        return PyErr_Format(PyExc_TypeError, TooMany, signature.name, signature.inputs, signature.inputs + 1, given);
    }
    if (signature.inputs - given == 2) {
        return PyErr_Format(PyExc_TypeError, MissingTwo, signature.name, arguments[0].name, arguments[1].name);
    }
    return PyErr_Format(PyExc_TypeError, MissingOne, signature.name, arguments[signature.inputs - 1].name);
}

// The vectorcall of a function of Halx.ufunc: its row's property over the
// arguments, as the notes at the top say.
PyObject *call_function(PyObject *callable, PyObject *const *args, size_t flags, PyObject *keywords) {
    const auto &function = *reinterpret_cast<PropertyFunction *>(callable);
    const Property &property = Properties[function.index];
    const common::Signature &signature = property.signature;
    const Py_ssize_t given = PyVectorcall_NARGS(flags);
    // In CPython's order: keywords, then too many arguments, then too few.
    PyObject *out = given > signature.inputs ? args[signature.inputs] : nullptr;
    OwnedReference options;  // the keywords but out=
    const Py_ssize_t keyword_count = keywords != nullptr ? PyTuple_GET_SIZE(keywords) : 0;
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
        PyObject *keyword = PyTuple_GET_ITEM(keywords, k);
        if (PyUnicode_CompareWithASCIIString(keyword, "out") == 0) {
            if (out != nullptr) return PyErr_Format(PyExc_TypeError, OutTwice, signature.name);
            out = args[given + k];
            continue;
        }
        if (!options) options.reset(PyDict_New());
        if (!options || PyDict_SetItem(options.get(), keyword, args[given + k]) < 0) return nullptr;
    }
    if (given < signature.inputs || given > signature.inputs + 1) return refuse_count(signature, given);
    if (out == Py_None) out = nullptr;
    PyObject *inputs[3];
    OwnedReference numbers[2];  // the Python numbers taken by the number rule, as floats
    for (int i = 0; i < signature.inputs; ++i) {
        PyObject *input = args[i];
        inputs[i] = input;
        const bool python_number = (PyFloat_Check(input) || PyLong_Check(input)) && !PyFloat_CheckExact(input) &&
                                   Py_TYPE(input) != &PyDoubleArrType_Type;
        if (!python_number) continue;
        double value;
        if (common::take_number(input, &value) != common::Number::Taken) {
            return common::refuse_int_too_large(signature, i);
        }
        numbers[i].reset(PyFloat_FromDouble(value));
        if (!numbers[i]) return nullptr;
        inputs[i] = numbers[i].get();
    }
    if (!options && on_the_road(inputs, signature.inputs, out)) return evaluate_checked(function, inputs, out);
    return evaluate_off_the_road(property, inputs, out, options);
}

// --- The type of the functions --------------------------------------------------------

PyObject *function_name(PyObject *self, void *) {
    return PyUnicode_FromString(Properties[reinterpret_cast<PropertyFunction *>(self)->index].signature.name);
}

// Pickled by reference: its name in Halx.ufunc (its __module__).
PyObject *reduce_function(PyObject *self, PyObject *) { return function_name(self, nullptr); }

PyObject *represent_function(PyObject *self) {
    return PyUnicode_FromFormat("<function %s.%s>", FunctionsModule,
                                Properties[reinterpret_cast<PropertyFunction *>(self)->index].signature.name);
}

// As a class attribute, a function binds to the instance, as a Python function does.
PyObject *bind_function(PyObject *self, PyObject *instance, PyObject *) {
    if (instance == nullptr || instance == Py_None) {
        Py_INCREF(self);
        return self;
    }
    return PyMethod_New(self, instance);
}

int traverse_function(PyObject *self, visitproc visit, void *arg) {
    auto *function = reinterpret_cast<PropertyFunction *>(self);
    Py_VISIT(function->dict);
    Py_VISIT(function->ufunc);
    Py_VISIT(function->checked);
    return 0;
}

// Breaks the cycles a function may be in, which only its attributes can make.
int clear_function(PyObject *self) {
    Py_CLEAR(reinterpret_cast<PropertyFunction *>(self)->dict);
    return 0;
}

void release_function(PyObject *self) {
    auto *function = reinterpret_cast<PropertyFunction *>(self);
    PyObject_GC_UnTrack(self);
    Py_CLEAR(function->dict);
    Py_CLEAR(function->ufunc);
    Py_CLEAR(function->checked);
    PyObject_GC_Del(self);
}

PyGetSetDef function_attributes[] = {
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {"__name__", function_name, nullptr, nullptr, nullptr},
    {"__qualname__", function_name, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef function_methods[] = {
    {"__reduce__", reduce_function, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

// The host's header macro initialises only the object header; the slots are
// filled in by ready_function_type(), the rest stays zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
PyTypeObject function_type = {PyVarObject_HEAD_INIT(nullptr, 0) "Halx._ufuncs.PropertyFunction"};
#pragma GCC diagnostic pop

}  // namespace

int ready_function_type() {
    function_type.tp_basicsize = sizeof(PropertyFunction);
    function_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL;
    function_type.tp_doc = "A property of sodium chloride over its NumPy ufunc; see Halx.ufunc.";
    function_type.tp_vectorcall_offset = offsetof(PropertyFunction, vectorcall);
    function_type.tp_call = PyVectorcall_Call;
    function_type.tp_dictoffset = offsetof(PropertyFunction, dict);
    function_type.tp_descr_get = bind_function;
    function_type.tp_repr = represent_function;
    function_type.tp_traverse = traverse_function;
    function_type.tp_clear = clear_function;
    function_type.tp_dealloc = release_function;
    function_type.tp_getset = function_attributes;
    function_type.tp_methods = function_methods;
    return PyType_Ready(&function_type);
}

PyObject *make_property_function(int index, PyObject *ufunc, PyObject *checked) {
    OwnedReference dict(Py_BuildValue("{ss}", "__module__", FunctionsModule));
    if (!dict) return nullptr;
    PropertyFunction *function = PyObject_GC_New(PropertyFunction, &function_type);
    if (function == nullptr) return nullptr;
    function->vectorcall = call_function;
    function->dict = dict.release();
    Py_INCREF(ufunc);
    function->ufunc = ufunc;
    Py_INCREF(checked);
    function->checked = checked;
    function->index = index;
    PyObject_GC_Track(function);
    return reinterpret_cast<PyObject *>(function);
}

PyObject *find_outside(PyObject *, PyObject *const *args, Py_ssize_t count) {
    if (count != 3) return PyErr_Format(PyExc_TypeError, FindOutsideArguments, count);
    const double low = PyFloat_AsDouble(args[1]);
    if (low == -1.0 && PyErr_Occurred()) return nullptr;
    const double high = PyFloat_AsDouble(args[2]);
    if (high == -1.0 && PyErr_Occurred()) return nullptr;
    Finding found;
    if (!find(args[0], {low, high}, found)) return nullptr;
    if (found.count == 0) return Py_BuildValue("(nO)", found.count, Py_None);
    return Py_BuildValue("(nd)", found.count, found.first);
}

}  // namespace Halx::ufuncs

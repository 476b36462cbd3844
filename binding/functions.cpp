// The module's ten functions and its function table. The five property
// functions are one template instantiated from the rows of the property table
// (python/Halx/_table.py, written out as common/property_rows.h): the
// row gives the name, the number of numeric arguments and the model operation,
// so a fix to the argument handling lands in all five at once and a property
// is described in one place. References: every argument is borrowed; every
// result is a new reference or null with an exception set.
#include "functions.h"

#include "Halx.h"
#include "arguments.h"
#include "instances.h"
#include "pointer_objects.h"
#include "property_rows.h"
#include "runtime.h"

namespace Halx::binding {

namespace {

// The flat name of each bound property, "cHalx_" and the model's name: the
// name of the function and the name its messages give.
#define HALX_FLAT_NAME(name, inputs, model) constexpr char name##_function[] = "cHalx_" #name;
HALX_BOUND_PROPERTIES(HALX_FLAT_NAME)
#undef HALX_FLAT_NAME

constexpr const char *DeleteRefusal = "in method 'delete_cHalx', argument 1 of type 'Halx::cHalx *'";
constexpr const char *NotAClass = "swigregister expected a class that can be instantiated, got %.200s";

// (instance, number[, number]) -> float, for a model operation of `inputs`
// doubles. The instance only has to be acceptable: the operations read no
// instance state, so None and every instance give the same value.
template <const char *function, int inputs, auto model>
PyObject *property_function(PyObject *, PyObject *args) {
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    constexpr Py_ssize_t count = 1 + inputs;
    PyObject *objects[count];
    if (!take_arguments(args, function, count, objects)) return nullptr;
    void *instance;
    if (!take_instance(objects[0], function, &instance)) return nullptr;
    double numbers[inputs];
    for (int i = 0; i < inputs; ++i) {
        if (!take_double(objects[i + 1], function, i + 2, &numbers[i])) return nullptr;
    }
    if constexpr (inputs == 1) {
        return make_float(model(numbers[0]));
    } else {
        return make_float(model(numbers[0], numbers[1]));
    }
}

// () -> a new pointer object owning a new instance; MemoryError on failure,
// in which case the instance does not outlive the call.
PyObject *new_cHalx(PyObject *, PyObject *args) {
    if (!take_arguments(args, "new_cHalx", 0, nullptr)) return nullptr;
    Halx::cHalx *instance = instances::create();
    if (instance == nullptr) return PyErr_NoMemory();
    PyObject *pointer = runtime::new_pointer(instance, true);
    if (pointer == nullptr) instances::destroy_unused(instance);
    return pointer;
}

// (class) -> None: registers the proxy class and its destroy callable. From
// the main interpreter the registration is the one every module of the
// runtime reads; from a subinterpreter it holds in that interpreter only and
// ends with it, since its classes and functions die with it. The runtime
// calls the class's constructor slot when it wraps a new pointer object, so
// only a real class with one is accepted.
PyObject *cHalx_swigregister(PyObject *, PyObject *argument) {
    PyObject *cls;
    if (!take_arguments(argument, "swigregister", 1, &cls)) return nullptr;
    if (!PyType_Check(cls) || reinterpret_cast<PyTypeObject *>(cls)->tp_new == nullptr) {
        PyErr_Format(PyExc_TypeError, NotAClass, PyType_Check(cls) ? reinterpret_cast<PyTypeObject *>(cls)->tp_name
                                                                     : Py_TYPE(cls)->tp_name);
        return nullptr;
    }
    if (!runtime::register_proxy_class(cls)) return nullptr;
    Py_RETURN_NONE;
}

// (proxy, pointer object) -> None: links the pointer object behind the one
// the proxy already carries, or makes it the proxy's `this`.
PyObject *cHalx_swiginit(PyObject *, PyObject *args) {
    PyObject *objects[2];
    if (!take_arguments(args, "swiginit", 2, objects)) return nullptr;
    PyObject *proxy = objects[0], *pointer = objects[1];
    pointers::FoundPointer found;
    switch (pointers::find_pointer_object(proxy, found)) {
        case pointers::Lookup::Failed:
            return nullptr;
        case pointers::Lookup::Found:
            if (!pointers::is_pointer_object(pointer)) {
                PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
                return nullptr;
            }
            if (!pointers::link_behind(found.get(), pointer)) return nullptr;
            break;
        case pointers::Lookup::NotFound:
            if (PyObject_SetAttr(proxy, runtime::this_name(), pointer) < 0) return nullptr;
            break;
    }
    Py_RETURN_NONE;
}

// (callable) -> an instance-method object, so that a class attribute binds
// the flat function as a method without a Python-level wrapper.
PyObject *SWIG_PyInstanceMethod_New(PyObject *, PyObject *callable) {
    return PyInstanceMethod_New(callable);
}

}  // namespace

PyObject *delete_cHalx(PyObject *, PyObject *argument) {
    if (argument == Py_None) Py_RETURN_NONE;
    pointers::FoundPointer found;
    const pointers::Lookup lookup = pointers::find_pointer_object(argument, found);
    if (lookup == pointers::Lookup::Failed) return nullptr;
    void *address = nullptr;
    PyObject *supplier = lookup == pointers::Lookup::Found ? pointers::match_instance(found.get(), &address) : nullptr;
    if (supplier == nullptr) {
        runtime::raise_type_error(DeleteRefusal);
        return nullptr;
    }
    instances::release_through(supplier, address);
    Py_RETURN_NONE;
}

PyMethodDef module_functions[] = {
    {"SWIG_PyInstanceMethod_New", SWIG_PyInstanceMethod_New, METH_O, nullptr},
    {"new_cHalx", new_cHalx, METH_NOARGS, nullptr},
    {"delete_cHalx", delete_cHalx, METH_O, nullptr},
#define HALX_PROPERTY_ENTRY(name, inputs, model) \
    {name##_function, property_function<name##_function, inputs, &model>, METH_VARARGS, nullptr},
    HALX_BOUND_PROPERTIES(HALX_PROPERTY_ENTRY)
#undef HALX_PROPERTY_ENTRY
    {"cHalx_swigregister", cHalx_swigregister, METH_O, nullptr},
    {"cHalx_swiginit", cHalx_swiginit, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace Halx::binding

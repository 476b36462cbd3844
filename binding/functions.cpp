// The module's ten functions and its function table. The five property
// functions are one template driven by a row of the property table (message
// name, argument count, refusal messages, model operation), so a fix to the
// argument handling lands in all five at once. References: every argument is
// borrowed; every result is a new reference or null with an exception set.
#include "functions.h"

#include "Halx.h"
#include "arguments.h"
#include "instances.h"
#include "pointer_objects.h"
#include "runtime.h"

namespace halx {

namespace {

using Halx::cHalx;

// One row of the property table. `count` includes the instance argument;
// `refusals[k]` is the message for a refused argument k+1.
struct PropertyRow {
    const char *name;
    Py_ssize_t count;
    const char *refusals[3];
    double (*unary)(double);
    double (*binary)(double, double);
};

constexpr PropertyRow P_Boiling_row = {
    "cHalx_P_Boiling", 2,
    {"in method 'cHalx_P_Boiling', argument 1 of type 'Halx::cHalx *'",
     "in method 'cHalx_P_Boiling', argument 2 of type 'double'", nullptr},
    &cHalx::P_Boiling, nullptr};

constexpr PropertyRow T_Melting_row = {
    "cHalx_T_Melting", 2,
    {"in method 'cHalx_T_Melting', argument 1 of type 'Halx::cHalx *'",
     "in method 'cHalx_T_Melting', argument 2 of type 'double'", nullptr},
    &cHalx::T_Melting, nullptr};

constexpr PropertyRow P_Sublimation_row = {
    "cHalx_P_Sublimation", 2,
    {"in method 'cHalx_P_Sublimation', argument 1 of type 'Halx::cHalx *'",
     "in method 'cHalx_P_Sublimation', argument 2 of type 'double'", nullptr},
    &cHalx::P_Sublimation, nullptr};

constexpr PropertyRow Rho_Solid_row = {
    "cHalx_Rho_Solid", 3,
    {"in method 'cHalx_Rho_Solid', argument 1 of type 'Halx::cHalx *'",
     "in method 'cHalx_Rho_Solid', argument 2 of type 'double'",
     "in method 'cHalx_Rho_Solid', argument 3 of type 'double'"},
    nullptr, &cHalx::Rho_Solid};

constexpr PropertyRow Rho_Liquid_row = {
    "cHalx_Rho_Liquid", 3,
    {"in method 'cHalx_Rho_Liquid', argument 1 of type 'Halx::cHalx *'",
     "in method 'cHalx_Rho_Liquid', argument 2 of type 'double'",
     "in method 'cHalx_Rho_Liquid', argument 3 of type 'double'"},
    nullptr, &cHalx::Rho_Liquid};

constexpr const char *delete_refusal = "in method 'delete_cHalx', argument 1 of type 'Halx::cHalx *'";
constexpr const char *NotAClass = "swigregister expected a class that can be instantiated, got %.200s";
constexpr const char *NotTheMainInterpreter =
    "swigregister: a proxy class can be registered only from the main interpreter, "
    "whose registration lasts as long as the process";

// (instance, number[, number]) -> float. The instance only has to be
// acceptable: the operations read no instance state, so None and every
// instance give the same value.
template <const PropertyRow &row>
PyObject *property_function(PyObject *, PyObject *args) {
    PyObject *objects[3];
    if (!take_arguments(args, row.name, row.count, objects)) return nullptr;
    void *instance;
    if (!take_instance(objects[0], row.refusals[0], &instance)) return nullptr;
    double numbers[2];
    for (Py_ssize_t i = 1; i < row.count; ++i) {
        if (!take_double(objects[i], row.refusals[i], &numbers[i - 1])) return nullptr;
    }
    const double result = row.count == 2 ? row.unary(numbers[0]) : row.binary(numbers[0], numbers[1]);
    return make_float(result);
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

bool in_main_interpreter() {
#if PY_VERSION_HEX >= 0x03090000
    return PyInterpreterState_Get() == PyInterpreterState_Main();
#else
    return _PyInterpreterState_Get() == PyInterpreterState_Main();
#endif
}

// (class) -> None: registers the proxy class and its destroy callable. The
// registration is process-wide and outlives any subinterpreter, whose classes
// and functions die with it, so only the main interpreter may make one. The
// runtime calls the class's constructor slot when it wraps a new pointer
// object, so only a real class with one is accepted.
PyObject *cHalx_swigregister(PyObject *, PyObject *argument) {
    PyObject *cls;
    if (!take_arguments(argument, "swigregister", 1, &cls)) return nullptr;
    if (!in_main_interpreter()) {
        PyErr_SetString(PyExc_RuntimeError, NotTheMainInterpreter);
        return nullptr;
    }
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
        runtime::raise_type_error(delete_refusal);
        return nullptr;
    }
    instances::release_through(supplier, address);
    Py_RETURN_NONE;
}

PyMethodDef module_functions[] = {
    {"SWIG_PyInstanceMethod_New", SWIG_PyInstanceMethod_New, METH_O, nullptr},
    {"new_cHalx", new_cHalx, METH_NOARGS, nullptr},
    {"delete_cHalx", delete_cHalx, METH_O, nullptr},
    {"cHalx_P_Boiling", property_function<P_Boiling_row>, METH_VARARGS, nullptr},
    {"cHalx_T_Melting", property_function<T_Melting_row>, METH_VARARGS, nullptr},
    {"cHalx_P_Sublimation", property_function<P_Sublimation_row>, METH_VARARGS, nullptr},
    {"cHalx_Rho_Solid", property_function<Rho_Solid_row>, METH_VARARGS, nullptr},
    {"cHalx_Rho_Liquid", property_function<Rho_Liquid_row>, METH_VARARGS, nullptr},
    {"cHalx_swigregister", cHalx_swigregister, METH_O, nullptr},
    {"cHalx_swiginit", cHalx_swiginit, METH_VARARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace halx

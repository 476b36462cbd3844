/* The floor for the call benchmark: a METH_VARARGS function that takes
 * (object, float), checks both like a real wrapper must, and does nothing
 * else. Any binding pays at least this much per call. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

static PyObject *take_object_and_float(PyObject *self, PyObject *args) {
    (void)self;
    if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 2) {
        PyErr_SetString(PyExc_TypeError, "expected (object, float)");
        return NULL;
    }
    double value = PyFloat_AsDouble(PyTuple_GET_ITEM(args, 1));
    if (value == -1.0 && PyErr_Occurred()) return NULL;
    Py_RETURN_NONE;
}

static PyMethodDef functions[] = {
    {"take_object_and_float", take_object_and_float, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef definition = {
    PyModuleDef_HEAD_INIT, "call_floor", NULL, -1, functions, NULL, NULL, NULL, NULL};

PyMODINIT_FUNC PyInit_call_floor(void) { return PyModule_Create(&definition); }

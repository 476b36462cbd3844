"""Reads the process-wide ring of module records through the shared capsule.

Uses ctypes mirrors of the runtime's record layouts, so the tests can see
which descriptor each module resolved, independently of the modules' code.
"""
import ctypes
import sys


class TypeInfo(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("str", ctypes.c_char_p), ("dcast", ctypes.c_void_p),
                ("cast", ctypes.c_void_p), ("clientdata", ctypes.c_void_p), ("owndata", ctypes.c_int)]


class ModuleInfo(ctypes.Structure):
    pass


ModuleInfo._fields_ = [("types", ctypes.POINTER(ctypes.POINTER(TypeInfo))), ("size", ctypes.c_size_t),
                       ("next", ctypes.POINTER(ModuleInfo)), ("type_initial", ctypes.c_void_p),
                       ("cast_initial", ctypes.c_void_p), ("clientdata", ctypes.c_void_p)]

_get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
_get_pointer.restype = ctypes.c_void_p
_get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]


def read_ring():
    """(record address, {mangled name: descriptor address}) per module record, head first."""
    capsule = sys.modules["swig_runtime_data4"].type_pointer_capsule
    head = ctypes.cast(_get_pointer(capsule, b"swig_runtime_data4.type_pointer_capsule"),
                       ctypes.POINTER(ModuleInfo))
    records, record = [], head
    while True:
        info = record.contents
        records.append((ctypes.addressof(info),
                        {info.types[i].contents.name.decode(): ctypes.addressof(info.types[i].contents)
                         for i in range(info.size)}))
        record = info.next
        if ctypes.addressof(record.contents) == ctypes.addressof(head.contents):
            return records

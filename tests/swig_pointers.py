"""Pointer objects of any descriptor, address and ownership, for the tests.

_Halx itself only hands out owning "Halx::cHalx *" pointer objects. Another
module of the same runtime could hand us anything else: a "char *" pointer, an
address we never allocated, a non-owning alias. These helpers make such
objects by writing the fields of a blank pointer object through ctypes, at the
offsets of the runtime's SwigPyObject layout (object header, then address,
descriptor, ownership flag and next link); `_check_layout` proves the offsets
against a real pointer object before anything is written.
"""

import ctypes

import _Halx
from support import read_ring

_WORD = ctypes.sizeof(ctypes.c_void_p)
_HEADER = 2 * _WORD  # reference count and type of a non-debug CPython object
ADDRESS_OFFSET = _HEADER
DESCRIPTOR_OFFSET = _HEADER + _WORD
OWN_OFFSET = _HEADER + 2 * _WORD
NEXT_OFFSET = _HEADER + 3 * _WORD

PointerObject = type(_Halx.new_cHalx())


def _field(obj: object, offset: int, ctype):
    return ctype.from_address(id(obj) + offset)


def descriptor_of(pointer: object) -> int:
    """Address of the type descriptor a pointer object carries."""
    return _field(pointer, DESCRIPTOR_OFFSET, ctypes.c_void_p).value or 0


def _descriptors_by_name() -> dict:
    """Mangled name -> descriptor address, over every module record on the
    process-wide ring (the first record that holds a name wins)."""
    found = {}
    for _, descriptors in read_ring():
        for name, descriptor in descriptors.items():
            found.setdefault(name, descriptor)
    return found


def _check_layout() -> None:
    pointer = _Halx.new_cHalx()
    partner = _Halx.new_cHalx()
    pointer.append(partner)
    assert _field(pointer, ADDRESS_OFFSET, ctypes.c_void_p).value == int(pointer)
    assert _field(pointer, OWN_OFFSET, ctypes.c_int).value == 1
    assert _field(pointer, NEXT_OFFSET, ctypes.c_void_p).value == id(partner)
    assert ctypes.c_char_p.from_address(descriptor_of(pointer)).value == b"_p_Halx__cHalx"


HALX_DESCRIPTOR = descriptor_of(_Halx.new_cHalx())
CHAR_DESCRIPTOR = _descriptors_by_name()["_p_char"]
_check_layout()


def forge_pointer(address: int, descriptor: int, own: bool = False) -> object:
    """A new pointer object carrying `address` with `descriptor`.

    Starts from a pointer object whose instance has already been deleted, so
    the forged object holds nothing of its own. Only a "Halx::cHalx *" object
    may own: its release then goes through delete_cHalx, which destroys
    nothing it did not allocate; an owning pointer of any other type would
    print the runtime's leak line when released.
    """
    assert not own or descriptor == HALX_DESCRIPTOR
    pointer = _Halx.new_cHalx()
    _Halx.delete_cHalx(pointer)
    _field(pointer, ADDRESS_OFFSET, ctypes.c_void_p).value = address
    _field(pointer, DESCRIPTOR_OFFSET, ctypes.c_void_p).value = descriptor
    _field(pointer, OWN_OFFSET, ctypes.c_int).value = int(own)
    return pointer


def chain_of(pointer: object, limit: int = 2048) -> list:
    """The pointer object and those linked behind it, in order."""
    chain = [pointer]
    while len(chain) <= limit:
        following = chain[-1].next()
        if following is None:
            break
        chain.append(following)
    return chain


def supplier_of(pointer: object):
    """The first pointer object along the chain that carries a cHalx
    address, or None. Only the two descriptors of _Halx exist in the tests'
    processes, so a descriptor check is the whole type test."""
    for link in chain_of(pointer):
        if descriptor_of(link) == HALX_DESCRIPTOR:
            return link
    return None

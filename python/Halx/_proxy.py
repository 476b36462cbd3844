"""The proxy class ``cHalx`` over the flat functions of the ``_Halx`` module.

Its methods, and their list in its docstring, come from the rows of the
property table that ``_Halx`` binds.
"""

from typing import Any, List, Sequence

import _Halx

from . import _functions
from ._table import PROPERTIES, Property, docstring

__all__ = ["cHalx"]

_BOUND = [row for row in PROPERTIES if row.bound]

# What an instance's repr lists: each method with its arguments.
_METHODS = ", ".join(f"{row.name}({', '.join(argument.name for argument in row.arguments)})" for row in _BOUND)

# The binding's attributes, left out of dir() on an instance so that tab
# completion offers the properties; they stay readable and assignable.
_BINDING_ATTRIBUTES = frozenset({"this", "thisown"})


def _class_docstring(rows: Sequence[Property]) -> str:
    methods = "\n".join(
        f"    {row.name}({', '.join(argument.name for argument in row.arguments)}) -> float\n        {docstring(row)}"
        for row in rows
    )
    return f"""Properties of pure sodium chloride (NaCl).

    Every instance gives the same values; create one and call its methods::

        h = cHalx()
        h.{rows[0].name}(1000.0)

    Arguments are positional and must be ``float`` or ``int`` (subclasses
    included, so ``numpy.float64`` serves); anything else raises
    ``TypeError``, other NumPy scalars (``numpy.float32``, ``numpy.int64``)
    and arrays, 0-d included, too. The functions of the package
    (``Halx.{rows[0].name}`` and the others) give the same values and take
    NumPy scalars, arrays, xarray objects and pint quantities as well.

    Methods
    -------
{methods}

    The correlations are evaluated as written for any input: outside the
    physical range they follow IEEE 754 arithmetic (inf, nan, negative
    densities) instead of raising. ``help(cHalx.{rows[0].name})`` shows a
    method's arguments and result with their units.
    """


class cHalx:
    __doc__ = _class_docstring(_BOUND)
    __module__ = "Halx"
    # `this` in a slot: the binding reads it on every call, and a slot is the
    # cheapest attribute to read, from C and from Python alike.
    __slots__ = ("this", "__weakref__")

    # Called by the binding when the last reference to an owning pointer
    # object goes; destroys the C++ instance.
    __swig_destroy__ = _Halx.delete_cHalx

    def __init__(self) -> None:
        _Halx.cHalx_swiginit(self, _Halx.new_cHalx())

    @property
    def thisown(self) -> bool:
        """Whether releasing this proxy destroys its C++ instance."""
        return bool(self.this.own())

    @thisown.setter
    def thisown(self, value: Any) -> None:
        self.this.own(value)

    def __repr__(self) -> str:
        name = f"{type(self).__module__}.{type(self).__qualname__}"
        this = getattr(self, "this", None)
        if this is None:
            return f"<{name} without a C++ instance>"
        if not int(this):
            state = ", its C++ instance deleted"
        else:
            state = "" if this.own() else ", not owning its C++ instance"
        return f"<{name}: NaCl properties {_METHODS}{state}>"

    def __dir__(self) -> List[str]:
        return [attribute for attribute in super().__dir__() if attribute not in _BINDING_ATTRIBUTES]


# One method per bound row, without a Python-level wrapper: a call goes
# straight to the flat function's C entry point. Halx._functions holds, in
# cHalx_methods, a function over that entry point with the method's signature
# and docstring.
for _row in _BOUND:
    setattr(cHalx, _row.name, _Halx.SWIG_PyInstanceMethod_New(_functions.cHalx_methods[_row.name]))
del _row

_Halx.cHalx_swigregister(cHalx)

"""NumPy universal functions for the properties of sodium chloride.

Each function gives, element by element, the very double that the matching
scalar function returns (NaN, infinities and signed zeros included), and does
what a NumPy ufunc does: broadcasting, ``out=``, ``where=``, strided input,
and lazy evaluation on dask arrays. Integer and float32 inputs are converted to
float64; results are float64, except the phase: ``phase`` gives int8 codes,
the values of ``Halx.Phase`` (1 solid, 2 liquid, 3 vapour), and 0 where T or
P is NaN. Each function's docstring gives its arguments and result with their
units.

    >>> import numpy as np
    >>> from Halx.ufunc import Rho_Liquid
    >>> Rho_Liquid(np.array([850.0, 900.0]), 1.0)  # kg/m³ at 850 and 900 °C, 1 bar
    array([1530.25957207, 1500.41908587])

Beyond plain numbers and arrays, which are in the units of the table (°C,
bar), two kinds of input are understood:

- an xarray ``DataArray`` gives a ``DataArray`` named after the property,
  with the attributes ``long_name`` and ``units`` of the result (not those of
  the input); its numbers are in the unit its ``units`` attribute names, which
  pint converts unless it spells the table's unit (``degC``, ``°C``,
  ``degree_Celsius``, ``celsius``; ``bar``). A unit pint cannot convert, or any
  other unit without pint installed, raises ``ValueError``. Without the
  attribute, or with an empty one, the numbers are in the table's unit;
- a pint ``Quantity`` (also inside a ``DataArray``, as pint-xarray makes them)
  in any unit of temperature or pressure is converted, and the result is a
  ``Quantity`` in the property's unit.

A pandas ``Series`` or ``Index`` gives one named after the property, with the
index of its input.

An input with an element outside its plausible span for the property (after
units are converted; NaN and what ``where=`` leaves out ignored; a lazy dask
array is not looked at) warns with ``Halx.RangeWarning``, naming the likely
unit slip, and the result is the same as without the warning. NumPy arrays
are held against the spans while the ufunc evaluates them, so under an
``"error"`` filter the exception comes once the ufunc has run: an ``out=``
array given with them has then been written (unless it shares memory with an
input, which is checked first). None of these libraries is imported here: they are looked
at only when an input is neither a number nor a NumPy array, and only if the
program has imported them.

An argument that is itself a Python ``float`` or ``int`` (subclasses
included) is read as the functions of the package read it: its stored value,
without calling ``__float__``, and an int beyond the range of a double raises
``OverflowError``; the elements of lists and arrays are NumPy's to read.

The NumPy ufuncs themselves are compiled, one per property, and so is each
function here, over one of them, which it keeps as its attribute ``ufunc``
(with ``nin``, ``nout``, ``outer`` and the other attributes of a ufunc
forwarded); it pickles by reference to this module. This module needs NumPy;
``import Halx`` does not.
"""

try:
    import numpy as _numpy  # noqa: F401  (only to say why, when it cannot be imported)
except ImportError as _error:
    if isinstance(_error, ModuleNotFoundError) and _error.name == "numpy":
        raise ImportError("Halx.ufunc needs NumPy; install it with: python -m pip install numpy") from _error
    raise ImportError(f"Halx.ufunc needs NumPy, which is installed but does not import: {_error}") from _error

import inspect as _inspect
from typing import Any as _Any

from . import _ufuncs
from ._table import PROPERTIES as _PROPERTIES
from ._table import Property as _Property
from ._table import ufunc_docstring as _ufunc_docstring

__all__ = [_row.name for _row in _PROPERTIES]

# What a function shows of its ufunc, for code that introspects or calls a ufunc's methods.
_UFUNC_ATTRIBUTES = (
    "nin",
    "nout",
    "nargs",
    "ntypes",
    "types",
    "identity",
    "signature",
    "outer",
    "reduce",
    "accumulate",
    "reduceat",
    "at",
)


def _signature(row: _Property) -> _inspect.Signature:
    """(T, P, /, out=None, **kwargs) for row: what help() and inspect show of its function."""
    parameter = _inspect.Parameter
    return _inspect.Signature(
        [parameter(argument.name, parameter.POSITIONAL_ONLY) for argument in row.arguments]
        + [parameter("out", parameter.POSITIONAL_OR_KEYWORD, default=None), parameter("kwargs", parameter.VAR_KEYWORD)]
    )


def _describe(row: _Property, function: _Any) -> _Any:
    """function, the compiled function of row, with its docstring, signature and ufunc's attributes."""
    ufunc = getattr(_ufuncs, row.name)
    function.__doc__ = _ufunc_docstring(row, wrapped=True)
    function.__signature__ = _signature(row)
    function.ufunc = ufunc
    for attribute in _UFUNC_ATTRIBUTES:
        setattr(function, attribute, getattr(ufunc, attribute))
    return function


globals().update((_row.name, _describe(_row, _function)) for _row, _function in zip(_PROPERTIES, _ufuncs.functions))

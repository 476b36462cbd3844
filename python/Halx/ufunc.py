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

The NumPy ufuncs themselves are compiled, one per property; each function
here is a Python function over one of them, which it keeps as its attribute ``ufunc`` (with ``nin``,
``nout``, ``outer`` and the other attributes of a ufunc forwarded), and
pickles by reference to this module. This module needs NumPy; ``import Halx``
does not.
"""

try:
    import numpy as _numpy
except ImportError as _error:
    raise ImportError("Halx.ufunc needs NumPy; install it with: python -m pip install numpy") from _error

import math as _math
from typing import Any as _Any
from typing import Callable as _Callable
from typing import Dict as _Dict
from typing import Tuple as _Tuple

from . import _ufuncs
from ._plausible import check_inputs as _check_inputs
from ._plausible import spans_of as _spans_of
from ._table import PROPERTIES as _PROPERTIES
from ._table import Property as _Property
from ._table import ufunc_docstring as _ufunc_docstring

__all__ = [_row.name for _row in _PROPERTIES]

# Inputs that the ufunc takes as they are, with nothing to convert or label:
# these go straight to it, and only other types pay for a closer look.
_NUMBER_TYPES = frozenset({float, int, _numpy.float64})
_PLAIN_TYPES = _NUMBER_TYPES | {_numpy.ndarray}

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


def _labelled(row: _Property, ufunc: _Any, inputs: _Tuple[_Any, ...], out: _Any, options: _Dict[str, _Any]) -> _Any:
    from . import _units

    if out is not None:
        options["out"] = out
    return _units.evaluate(row, ufunc, inputs, options)


# The function of a row, compiled with the row's argument names as its
# parameters, as collections.namedtuple compiles its methods: help(),
# inspect.signature and the message for a missing argument then name T and P.
# A fixed list of parameters, not *arguments: the interpreter calls such a
# function much faster, and a plain call stays within about 100 ns of the
# ufunc's own. The names it reads start with an underscore, which no argument
# name of the table does.
#
# Its inputs are held against their plausible spans (Halx.RangeWarning):
# numbers, before the ufunc runs, by a chained comparison written into the
# source, which costs a few tens of nanoseconds; arrays by the ufunc itself,
# in its checked form (_checked), whose loop compares each element as it
# evaluates it and leaves a flag that _take_outside reads. Only what these
# find outside, and every other kind of input, goes to _check_inputs, which
# skips NaN, looks at where=, and warns. An out= array that shares memory with
# an input takes that slow path too, checked before the ufunc overwrites it.
_FUNCTION_SOURCE = """\
def {name}({parameters}, /, out=None, **kwargs):
    if out is None and not kwargs and {numbers}:
        if not ({inside}):
            _check_inputs(_row, ({parameters},))
        return _ufunc({parameters})
    if not kwargs and {plain} and (out is None or type(out) is _ndarray and not ({overlap})):
        result = _checked({parameters}) if out is None else _checked({parameters}, out=out)
        if _take_outside():
            _check_inputs(_row, ({parameters},))
        return result
    return _labelled(_row, _ufunc, ({parameters},), out, kwargs)
"""


def _literal(bound: float) -> str:
    """bound as a Python literal: its repr, or 1e400 (which Python reads as infinity) for an infinity."""
    return repr(bound) if _math.isfinite(bound) else ("-1e400" if bound < 0 else "1e400")


def _property_function(row: _Property, ufunc: _Any) -> _Callable[..., _Any]:
    """The function of this module for row, over its NumPy ufunc."""
    names = [argument.name for argument in row.arguments]
    source = _FUNCTION_SOURCE.format(
        name=row.name,
        parameters=", ".join(names),
        numbers=" and ".join(f"type({name}) in _numbers" for name in names),
        plain=" and ".join(f"type({name}) in _plain" for name in names),
        overlap=" or ".join(f"_may_share_memory(out, {name})" for name in names),
        inside=" and ".join(
            f"{_literal(low)} <= {name} <= {_literal(high)}" for name, (low, high) in zip(names, _spans_of(row))
        ),
    )
    namespace: _Dict[str, _Any] = {
        "__name__": __name__,  # so that Halx.RangeWarning is attributed to the caller of the function
        "_row": row,
        "_ufunc": ufunc,
        "_checked": _ufuncs.checked[row.name],
        "_numbers": _NUMBER_TYPES,
        "_plain": _PLAIN_TYPES,
        "_labelled": _labelled,
        "_check_inputs": _check_inputs,
        "_ndarray": _numpy.ndarray,
        "_may_share_memory": _numpy.may_share_memory,
        "_take_outside": _ufuncs.take_outside,
    }
    exec(compile(source, f"<Halx.ufunc.{row.name}>", "exec"), namespace)
    function: _Callable[..., _Any] = namespace[row.name]
    function.__module__ = __name__
    function.__doc__ = _ufunc_docstring(row, wrapped=True)
    function.ufunc = ufunc  # type: ignore[attr-defined]
    for attribute in _UFUNC_ATTRIBUTES:
        setattr(function, attribute, getattr(ufunc, attribute))
    return function


globals().update((_row.name, _property_function(_row, getattr(_ufuncs, _row.name))) for _row in _PROPERTIES)

"""Where each property was checked against measurements: ``in_range`` and the
words that say so.

The checked range of a property is the span of the states at which it was
set beside measured or tabulated values (docs/handbook.md, docs/caloric.md);
the property table keeps it with its source (``Property.checked``). A
property of one phase is checked only where that phase is also the stable
one (a liquid above its boiling point was compared with nothing). Outside
the range the property still gives its number: the range says where that
number has been seen to describe real sodium chloride, not where it exists.

Scalars are compared in plain Python, so ``in_range`` on numbers needs no
NumPy; anything else is first read in the table's units as the functions of
``Halx.ufunc`` read it (``Halx._units``: pint quantities, DataArrays with a
``units`` attribute), then taken as an array through NumPy.
"""

import warnings
from typing import Any, Sequence

from ._lookup import property_named
from ._phase import Phase
from ._plausible import RangeWarning
from ._table import Property

__all__ = ["checked_range_text", "count_outside", "in_range"]


def in_range(name: str, *arguments: Any) -> Any:
    """Whether each state lies in the range where property ``name`` was checked
    against measured values (see the documentation's "Domain and accuracy").

    The arguments are those of the property, in its order and units (``T`` in
    °C, ``P`` in bar): ``in_range("Rho_Liquid", 900.0, 1.0)``,
    ``in_range("T_Boiling", P)``; a pint quantity, or an xarray DataArray
    whose ``units`` attribute names its unit, is converted first, as the
    property's function converts it. Numbers and quantities of one number give
    a ``bool``; arrays (anything NumPy broadcasts) give a boolean array. A
    property of one phase is in range only where that phase is the stable one.
    A property never compared with measurements is in range nowhere, and NaN
    never is. The property's own numbers do not depend on this: outside the
    range each still gives its model's number.

    Raises ``ValueError`` for an unknown property or a unit that cannot be
    converted, and ``TypeError`` for the wrong number of arguments.
    """
    row = property_named(name)
    if len(arguments) != len(row.arguments):
        names = ", ".join(argument.name for argument in row.arguments)
        raise TypeError(
            f"in_range({name!r}, ...) takes the {len(row.arguments)} argument(s) of {name} ({names}), "
            f"not {len(arguments)}"
        )
    spans = row.checked.spans if row.checked is not None else None
    phase = row.checked.phase if row.checked is not None else ""
    if not all(isinstance(value, (int, float)) for value in arguments):
        from ._units import in_table_units

        # A quantity of one number is one number, whatever array type pint gave its magnitude.
        arguments = tuple(
            float(value) if getattr(value, "ndim", None) == 0 else value for value in in_table_units(row, arguments)[0]
        )
    if all(isinstance(value, (int, float)) for value in arguments):
        spanned = spans is not None and all(low <= value <= high for value, (low, high) in zip(arguments, spans))
        return spanned and (not phase or _stable_phase(*arguments) == phase)
    import numpy

    values = [numpy.asarray(value, dtype=numpy.float64) for value in arguments]
    shape = numpy.broadcast_shapes(*(value.shape for value in values))
    inside = numpy.full(shape, spans is not None)
    for value, (low, high) in zip(values, spans or ()):
        inside &= (low <= value) & (value <= high)
    if phase and inside.any():
        from . import ufunc

        with numpy.errstate(all="ignore"), warnings.catch_warnings():
            warnings.simplefilter("ignore", RangeWarning)
            inside &= ufunc.phase(*values) == int(Phase[phase.upper()])
    return inside[()] if inside.ndim == 0 else inside


def _stable_phase(T: float, P: float) -> str:
    """The name of the stable phase at (T, P), as the table writes it; "" where no state exists."""
    from . import _functions

    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RangeWarning)
        try:
            return str(_functions.phase(T, P))
        except ValueError:
            return ""


def checked_range_text(row: Property) -> str:
    """The checked range of row in words: 'checked only for T from 800.7 to 1465 °C',
    'checked only for T 25 °C and P from 0 to 100 bar, where the solid is the stable
    phase', or 'never checked against measurements'."""
    if row.checked is None:
        return "never checked against measurements"
    parts = []
    for argument, (low, high) in zip(row.arguments, row.checked.spans):
        span = f"{low:g} {argument.unit}" if low == high else f"from {low:g} to {high:g} {argument.unit}"
        parts.append(f"{argument.name} {span}")
    where = f", where the {row.checked.phase} is the stable phase" if row.checked.phase else ""
    return f"checked only for {' and '.join(parts)}{where}"


def count_outside(row: Property, columns: Sequence[Sequence[float]]) -> int:
    """How many of the points that the argument columns of row give lie outside its checked range."""
    try:
        import numpy
    except ImportError:  # compared point by point, as the scalar path of the command line evaluates
        return sum(1 for point in zip(*columns) if not in_range(row.name, *point))
    inside = in_range(row.name, *(numpy.asarray(column, dtype=numpy.float64) for column in columns))
    return int(numpy.size(inside) - numpy.count_nonzero(inside))

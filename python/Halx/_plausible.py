"""``Halx.RangeWarning``: a value of an argument far outside where the property means anything.

Each argument of each property has a plausible span (``plausible_spans`` of
the property table): a closed span, in the argument's unit, outside which a
value is almost certainly a slip (a temperature in kelvin, a pressure in
pascals) or a misunderstanding, not a state anyone means. The functions of
the package and of ``Halx.ufunc`` warn when an input lies outside it; the
number they return does not change. NaN never warns: it is a deliberate
value. The methods of ``Halx.cHalx``, ``_Halx`` and the raw ufuncs of
``Halx._ufuncs`` never warn.

The warning is attributed to the first caller outside the package, so that
the default filter shows it once per line of the user's program, whether the
call came straight from there or through ``Halx.evaluate``.

The spans come from the property table, and every comparison with one is
``Halx::outside`` of the model's kernels: the scalar functions
(``Halx._functions``) and the functions of ``Halx.ufunc`` compare in C and
call ``warn_outside`` with what they found; ``check_inputs`` finds it for the
inputs that ``Halx._units`` converts, with ``Halx._ufuncs.find_outside``. The
command line counts with ``count_implausible``, which needs no NumPy.
"""

import sys
import warnings
from typing import Any, Dict, List, Optional, Sequence, Tuple

from ._table import PROPERTIES, Property, plausible_spans

__all__ = ["RangeWarning", "check_inputs", "count_implausible", "describe", "spans_of", "warn_outside"]


class RangeWarning(UserWarning):
    """An input of a property lies outside the span where a value is plausible
    for it, most likely a unit slip (kelvin for °C, pascals for bar); the
    result is computed all the same.

    Under the default filter it shows once per line of code that makes the
    call; ``warnings.simplefilter("error", Halx.RangeWarning)`` makes it an
    exception and ``warnings.simplefilter("ignore", Halx.RangeWarning)``
    silences it.
    """


# Shown and pickled as what users import; this module is private.
RangeWarning.__module__ = "Halx"

_SPANS: Dict[str, Tuple[Tuple[float, float], ...]] = {row.name: plausible_spans(row) for row in PROPERTIES}
_ROWS: Dict[str, Property] = {row.name: row for row in PROPERTIES}

#: Units a pressure given in bar may have slipped from, with how many of each make a bar.
_PRESSURE_SLIPS = (("pascals", 1.0e5), ("kilopascals", 100.0), ("psi", 14.503773773022))
_KELVIN_OFFSET = 273.15


def spans_of(row: Property) -> Tuple[Tuple[float, float], ...]:
    """The plausible span of each argument of row (low, high), in call order."""
    return _SPANS[row.name]


def _slip(unit: str, value: float, low: float, high: float) -> str:
    """The likely slips that would put value, outside [low, high], inside it, in words; '' when none fits."""
    if unit == "°C":
        celsius = value - _KELVIN_OFFSET
        return f"; is it in kelvin? that would be {celsius:.6g} °C" if low <= celsius <= high else ""
    if unit == "bar":
        fits = [
            f"{name} ({value / factor:.6g} bar)" for name, factor in _PRESSURE_SLIPS if low <= value / factor <= high
        ]
        if fits:
            return f"; is it in {', '.join(fits[:-1])}{' or ' if len(fits) > 1 else ''}{fits[-1]}?"
    return ""


def describe(row: Property, position: int, value: float, among: str = "") -> str:
    """The message for value, outside the plausible span of argument position
    of row; among, if given, ends it (how many of the values given were outside)."""
    argument = row.arguments[position]
    low, high = _SPANS[row.name][position]
    return (
        f"{row.name}: {argument.name} = {value:.6g} {argument.unit} lies outside the span where "
        f"a {argument.quantity} is plausible for it, {low:g} to {high:g} {argument.unit}"
        f"{_slip(argument.unit, value, low, high)}{'; ' + among if among else ''}"
    )


def _warn(message: str) -> None:
    """Warns RangeWarning with message, attributed to the innermost frame of
    code outside this package (as warnings.warn would with the right stacklevel)."""
    frame = sys._getframe(1)
    while frame is not None and str(frame.f_globals.get("__name__", "")).partition(".")[0] == "Halx":
        frame = frame.f_back  # type: ignore[assignment]
    if frame is None:  # called from no Python code at all
        warnings.warn(message, RangeWarning, stacklevel=2)
        return
    module_globals = frame.f_globals
    warnings.warn_explicit(
        message,
        RangeWarning,
        frame.f_code.co_filename,
        frame.f_lineno,
        module=module_globals.get("__name__", "<string>"),
        registry=module_globals.setdefault("__warningregistry__", {}),
    )


def warn_outside(name: str, *findings: Tuple[int, float, int, int]) -> None:
    """Warns, for each finding (position, first, count, size), that count of the
    size values of argument position of property name lie outside its plausible
    span, the first being first.

    The functions of the package and of Halx.ufunc call this once they have
    found values outside; an exception (the warning as an error) is theirs to
    pass on.
    """
    row = _ROWS[name]
    messages = [
        describe(row, position, first, "" if size == 1 else _among(row, position, count, size))
        for position, first, count, size in findings
    ]
    for message in messages:
        _warn(message)


def _among(row: Property, position: int, count: int, size: int) -> str:
    return f"{count} of {size} values of {row.arguments[position].name} are outside it"


def _elements(value: Any, where: Any) -> Optional[Any]:
    """value as a NumPy array of the elements the ufunc evaluates (those where
    where is true, when given), or None for what is not checked: a lazy dask
    array, whose values exist only once computed, and what is not numbers."""
    import numpy

    data = value
    xarray = sys.modules.get("xarray")
    if xarray is not None and isinstance(value, xarray.DataArray):
        data = value.data
    dask_array = sys.modules.get("dask.array")
    if dask_array is not None and isinstance(data, dask_array.Array):
        return None
    array = numpy.asarray(data)
    if array.dtype.kind not in "biuf":
        return None
    if where is not None and where is not True:
        if dask_array is not None and isinstance(where, dask_array.Array):
            return None
        mask = numpy.asarray(where, dtype=bool)
        shape = numpy.broadcast_shapes(array.shape, mask.shape)
        array = numpy.broadcast_to(array, shape)[numpy.broadcast_to(mask, shape)]
    return array


def check_inputs(row: Property, inputs: Sequence[Any], where: Any = None) -> None:
    """Warns RangeWarning for each input of row (numbers or arrays, in the
    units of the table) with an element outside its plausible span, NaN
    ignored; where, if given, selects the elements as it does for a ufunc."""
    from ._ufuncs import find_outside

    findings: List[Tuple[int, float, int, int]] = []
    for position, (value, (low, high)) in enumerate(zip(inputs, _SPANS[row.name])):
        array = _elements(value, where)
        if array is not None:
            count, first = find_outside(array, low, high)
            if first is not None:  # some are outside
                findings.append((position, first, count, int(array.size)))
    warn_outside(row.name, *findings)


def _outside(values: Any, low: float, high: float) -> Any:
    """Whether values (a number, or elementwise a NumPy array) lie below low or above high; NaN never does."""
    return (values < low) | (values > high)


def count_implausible(row: Property, columns: Sequence[Sequence[float]]) -> Tuple[int, Optional[Tuple[int, float]]]:
    """How many of the points that the argument columns of row give have an
    argument outside its plausible span (NaN never is), and the first such
    argument as (position, value), or None: what the command line reports."""
    spans = _SPANS[row.name]
    try:
        import numpy
    except ImportError:  # point by point, as the scalar path of the command line evaluates
        count = 0
        first: Optional[Tuple[int, float]] = None
        for point in zip(*columns):
            outside = [index for index, (low, high) in enumerate(spans) if _outside(point[index], low, high)]
            if outside:
                count += 1
                first = first or (outside[0], point[outside[0]])
        return count, first
    arrays = [numpy.asarray(column, dtype=numpy.float64) for column in columns]
    flags = [_outside(array, low, high) for array, (low, high) in zip(arrays, spans)]
    anywhere = numpy.logical_or.reduce(flags)
    if not anywhere.any():
        return 0, None
    index = int(numpy.argmax(anywhere))
    position = next(position for position, flag in enumerate(flags) if flag[index])
    return int(numpy.count_nonzero(anywhere)), (position, float(arrays[position][index]))

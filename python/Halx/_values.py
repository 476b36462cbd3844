"""The grammar of the command line's values: numbers with or without a unit, comma lists and ranges.

``parse_values("1,10,100:1000:300")`` is ``[1.0, 10.0, 100.0, 400.0, 700.0,
1000.0]``. Numbers are read as decimals, so a range lands on its grid exactly;
every failure is a ``ValueError`` whose message is one line saying what to
write instead.

Given the argument the values are for (temperature or pressure, from the
property table), a number may be followed by a unit of that quantity from the
fixed table :data:`UNITS`: ``1273.15K``, ``10MPa``, ``1 atm``. The number is
converted to the argument's unit (°C, bar) in decimal arithmetic, before it is
rounded to a double, so ``1273.15K`` is exactly 1000 °C and a number with a
unit is rounded once, as a bare number is (the 5/9 of °F is first rounded to
60 significant digits). A bare number is in the argument's unit. A unit is
matched in its compatibility form, so the one-character ℃ and ℉ are °C and °F.
"""

import math
import re
import sys
import unicodedata
from decimal import MAX_EMAX, MIN_EMIN, ROUND_FLOOR, Context, Decimal, DivisionByZero, InvalidOperation, localcontext
from typing import List, NamedTuple, Optional, Tuple

from ._table import Argument

__all__ = ["MAX_VALUES", "UNITS", "BeyondDouble", "Unit", "parse_double", "parse_number", "parse_values", "unit_list"]

#: The most values one list may give: a typing slip (a step of 1e-9) becomes a
#: message instead of an hour of output.
MAX_VALUES = 100_000


class Unit(NamedTuple):
    """A unit that a number may carry: the number x stands for
    (x + offset) × numerator / denominator in the unit of the property table."""

    symbol: str  # as written after the number, case and all: "K", "kPa"
    quantity: str  # as Argument.quantity: "temperature" or "pressure"
    offset: Decimal
    numerator: int
    denominator: int


#: The units a number may carry, by quantity, in the order messages list them.
#: Symbols are case-sensitive (mPa would be millipascal), so anything else is refused.
UNITS: Tuple[Unit, ...] = (
    Unit("K", "temperature", Decimal("-273.15"), 1, 1),
    Unit("degC", "temperature", Decimal(0), 1, 1),
    Unit("°C", "temperature", Decimal(0), 1, 1),
    Unit("degF", "temperature", Decimal(-32), 5, 9),
    Unit("°F", "temperature", Decimal(-32), 5, 9),
    Unit("bar", "pressure", Decimal(0), 1, 1),
    Unit("Pa", "pressure", Decimal(0), 1, 100_000),
    Unit("kPa", "pressure", Decimal(0), 1, 100),
    Unit("MPa", "pressure", Decimal(0), 10, 1),
    Unit("atm", "pressure", Decimal(0), 101_325, 100_000),
)

# Longest symbol first, so that "10kPa" is read as kilopascals, not as "10k" pascals.
_BY_LENGTH = sorted(UNITS, key=lambda unit: -len(unit.symbol))

# A number and a range in each quantity's units, for the messages.
_UNIT_EXAMPLES = {"temperature": "1273.15K", "pressure": "10MPa"}
_RANGE_EXAMPLES = {"temperature": "300K:1300K:100", "pressure": "100kPa:1000kPa:100"}

# The digits of a number before its exponent.
_DIGITS = r"(?:\d[\d_]*(?:\.[\d_]*)?|\.\d[\d_]*)"
# A number as far as it goes, for telling '1000J' (a number with an unknown unit) from 'hot'.
_NUMBER_PREFIX = re.compile(rf"\s*[-+]?{_DIGITS}(?:[eE][-+]?\d[\d_]*)?")
# A number with an exponent, for those whose exponent Decimal cannot hold, and
# the exponent that stands for theirs: far beyond any double's, within Decimal's.
_FAR_NUMBER = re.compile(rf"\s*([-+]?{_DIGITS})[eE]([-+]?\d[\d_]*)\s*")
_FAR_EXPONENT = MAX_EMAX // 10
# What may start a unit: a letter or the degree sign; not 'e', which is a
# mistyped exponent ('1e') far more often than a unit.
_UNIT_START = re.compile(r"\s*(?![eE])(?:[^\W\d_]|°)")

# Decimal's arithmetic for the grid of a range and for conversions: a precision
# far beyond a double's 17 digits, so that rounding to a double is the one
# rounding that matters, and the widest exponents, so that no value read (whose
# exponent _far_decimal keeps within a tenth of them) and no grid point becomes
# an infinity: one beyond the range of a double is refused as such.
_ARITHMETIC = Context(prec=60, Emax=MAX_EMAX, Emin=MIN_EMIN, traps=[InvalidOperation, DivisionByZero])


def unit_list(argument: Argument) -> str:
    """The units that argument's values may carry, for messages and help: 'K, degC, °C, degF or °F'."""
    symbols = [unit.symbol for unit in UNITS if unit.quantity == argument.quantity]
    return f"{', '.join(symbols[:-1])} or {symbols[-1]}"


def parse_number(text: str, context: str = "") -> Decimal:
    """The decimal number written in text; ValueError with a one-line message otherwise.

    context is put after the text in the message (" in range '1:x:2'").
    """
    number = _decimal(text)
    if number is None:
        raise ValueError(f"{text!r}{context} is not a number; write a decimal number such as 1000, -20.5 or 1e-3")
    return number


def _decimal(text: str) -> Optional[Decimal]:
    """The decimal number written in text, or None when text is not one."""
    try:
        number = Decimal(text)
    except InvalidOperation:
        return _far_decimal(text)
    return None if number.is_snan() else number  # "sNaN" reads as a Decimal, but no double holds it


def _far_decimal(text: str) -> Optional[Decimal]:
    """The number written in text with an exponent beyond the range that Decimal
    holds (1e99999999999999999999), as one of the same sign with the exponent
    brought within it: beyond the range of a double, or below its least
    subnormal, either way. None when text is not such a number."""
    found = _FAR_NUMBER.fullmatch(text)
    if found is None:
        return None
    digits, exponent = found.groups()
    magnitude = exponent.lstrip("+-").replace("_", "").lstrip("0")
    if len(magnitude) >= len(str(_FAR_EXPONENT)):
        magnitude = str(_FAR_EXPONENT)
    try:
        return Decimal(f"{digits}e{'-' if exponent.startswith('-') else ''}{magnitude or 0}")
    except InvalidOperation:  # not that: misplaced underscores, say
        return None


def _read(text: str, context: str, argument: Optional[Argument]) -> Tuple[Decimal, Optional[Unit]]:
    """The number written in text and the unit after it (None when bare); ValueError
    with a one-line message otherwise. Without argument, only bare numbers are read."""
    if argument is None:
        return parse_number(text, context), None
    number = _decimal(text)
    if number is not None:
        return number, None
    # Compatibility forms read as what they stand for: the one character ℃ as °C, ℉ as °F.
    written = unicodedata.normalize("NFKC", text.strip())
    for unit in _BY_LENGTH:
        number = _decimal(written[: -len(unit.symbol)]) if written.endswith(unit.symbol) else None
        if number is None:
            continue
        if unit.quantity != argument.quantity:
            raise ValueError(
                f"{text!r}{context}: {unit.symbol} is a unit of {unit.quantity}, not of {argument.quantity}; "
                f"{_accepted(argument)}"
            )
        return number, unit
    prefix = _NUMBER_PREFIX.match(written)
    if prefix is not None and _UNIT_START.match(written, prefix.end()):
        raise ValueError(f"{text!r}{context}: unknown unit {written[prefix.end() :].strip()!r}; {_accepted(argument)}")
    raise ValueError(
        f"{text!r}{context} is not a number; write a decimal number such as 1000, -20.5 or 1e-3 "
        f"(in {argument.unit}), or one with a unit of {argument.quantity} ({unit_list(argument)}), "
        f"such as {_UNIT_EXAMPLES[argument.quantity]}"
    )


def _accepted(argument: Argument) -> str:
    """What argument takes, as the end of a message."""
    return f"give {argument.name} with a unit of {argument.quantity} ({unit_list(argument)}) or as a bare number in {argument.unit}"


class BeyondDouble(ValueError):
    """A finite decimal too large in magnitude for a double; the message is one line."""


def parse_double(text: str, context: str = "", argument: Optional[Argument] = None) -> float:
    """The double nearest the decimal number written in text, in argument's unit.

    With argument, the number may carry one of the units of its quantity
    (:data:`UNITS`) and is converted to argument's unit before it is rounded;
    a bare number is in argument's unit. Without, it must be bare.

    ValueError with a one-line message when text is not a number (or a
    number with a unit argument takes), and BeyondDouble (a ValueError) when
    it is a finite decimal beyond the range of a double, which float() would
    silently turn into infinity. inf, -inf and nan written as such are taken
    as they are.
    """
    number, unit = _read(text, context, argument)
    return _as_double(number, unit, f"{text!r}{context}")


def _as_double(number: Decimal, unit: Optional[Unit], subject: str) -> float:
    """number, written in unit (None: in the table's unit), as the nearest double in the
    table's unit; BeyondDouble, whose message starts with subject, when number is
    finite but its value rounds to infinity."""
    value = number
    if unit is not None:
        with localcontext(_ARITHMETIC):
            value = (number + unit.offset) * unit.numerator / unit.denominator
    double = float(value)
    if number.is_finite() and math.isinf(double):
        raise BeyondDouble(
            f"{subject} is beyond the range of a double (magnitude at most {sys.float_info.max!r}); "
            "give a smaller number, or inf for infinity"
        )
    return double


def _same(first: Optional[Unit], second: Optional[Unit], argument: Argument) -> bool:
    """Whether first and second (None: bare, in argument's unit) are one unit, however spelled (degC, °C)."""

    def meaning(unit: Optional[Unit]) -> Tuple[object, ...]:
        return tuple(unit[1:]) if unit is not None else (argument.quantity, Decimal(0), 1, 1)

    return meaning(first) == meaning(second)


def _parse_range(item: str, argument: Optional[Argument]) -> List[float]:
    """The grid start, start+step, ... up to stop (included when on the grid) of item
    'start:stop:step', in argument's unit.

    The grid is laid out in the unit of the bounds, which both must have (or
    both be bare), and the step takes that unit unless it names it itself:
    300K:1300K:100 steps by 100 K. Bounds in two units are refused rather than
    converted: which unit the step is in would be a guess, and a stop in the
    other unit (1000degC from 300K) would seldom lie on the grid.
    """
    parts = item.split(":")
    if len(parts) != 3:
        raise ValueError(f"malformed range {item!r}; write start:stop:step, e.g. 700:1100:50")
    (start, unit), (stop, stop_unit), (step, step_unit) = (
        _read(part, f" in range {item!r}", argument) for part in parts
    )
    if argument is not None:
        _check_range_units(item, argument, unit, stop_unit, step_unit)
    if not (start.is_finite() and stop.is_finite() and step.is_finite()):
        raise ValueError(f"range {item!r} must have finite start, stop and step, e.g. 700:1100:50")
    if step == 0:
        raise ValueError(f"range {item!r} has step 0; give a non-zero step, e.g. 700:1100:50")
    # Decimal arithmetic keeps the grid exact: 0:1:0.1 gives 0.3, not 0.30000000000000004,
    # and stop is on the grid exactly when it is a whole number of steps from start.
    with localcontext(_ARITHMETIC):
        steps = (stop - start) / step
        if steps < 0:
            raise ValueError(
                f"range {item!r} never reaches its stop; use a step of the other sign, "
                f"e.g. {parts[0]}:{parts[1]}:{-step}"
            )
        if steps >= MAX_VALUES:
            raise ValueError(f"range {item!r} gives more than {MAX_VALUES} values; use a larger step")
        last = int(steps.to_integral_value(rounding=ROUND_FLOOR))
        values = [start + index * step for index in range(last + 1)]
    symbol = "" if unit is None else f" {unit.symbol}"
    return [_as_double(value, unit, f"range {item!r} reaches {value}{symbol}, which") for value in values]


def _check_range_units(
    item: str, argument: Argument, unit: Optional[Unit], stop_unit: Optional[Unit], step_unit: Optional[Unit]
) -> None:
    """Refuses, with a one-line ValueError, a range whose bounds are in two units or whose step is in a third."""

    def symbol(unit: Optional[Unit]) -> str:
        return argument.unit if unit is None else unit.symbol

    def named(unit: Optional[Unit]) -> str:
        return f"{argument.unit} (no unit)" if unit is None else unit.symbol

    if not _same(unit, stop_unit, argument):
        raise ValueError(
            f"range {item!r} has its bounds in two units, {named(unit)} and {named(stop_unit)}; "
            f"write both in one unit, e.g. {_RANGE_EXAMPLES[argument.quantity]}"
        )
    if step_unit is not None and not _same(unit, step_unit, argument):
        raise ValueError(
            f"range {item!r} has its step in {named(step_unit)} and its bounds in {named(unit)}; "
            f"give the step in {symbol(unit)} or without a unit, which takes the bounds' unit"
        )


def parse_values(text: str, argument: Optional[Argument] = None) -> List[float]:
    """The numbers that a comma list of numbers and ranges stands for, in order, in argument's unit.

    A range ``start:stop:step`` runs from start in steps of step and includes
    stop when stop lies a whole number of steps from start: ``700:1100:50`` is
    700, 750, ..., 1100 and ``0:1:0.3`` is 0, 0.3, 0.6, 0.9. The step may be
    negative (``1100:700:-100``). Items combine: ``1,10,100:1000:300``.

    With argument (TEMPERATURE or PRESSURE of the property table), numbers
    may carry a unit of its quantity, converted to argument's unit: ``1atm``,
    ``300K:1300K:100`` (both bounds in one unit; the step takes it: 100 K).
    Without, numbers are bare and in whatever unit the caller reads them in.

    Raises ``ValueError`` with a one-line message for anything else.
    """
    values: List[float] = []
    for item in text.split(","):
        item = item.strip()
        if not item:
            raise ValueError(f"empty item in {text!r}; separate numbers and ranges by single commas, e.g. 1,100,1000")
        if ":" in item:
            values.extend(_parse_range(item, argument))
        else:
            values.append(parse_double(item, argument=argument))
        if len(values) > MAX_VALUES:
            raise ValueError(f"{text!r} gives more than {MAX_VALUES} values; use fewer or a larger step")
    return values

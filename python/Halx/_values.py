"""The grammar of the command line's values: numbers, comma lists and ranges.

``parse_values("1,10,100:1000:300")`` is ``[1.0, 10.0, 100.0, 400.0, 700.0,
1000.0]``. Numbers are read as decimals, so a range lands on its grid exactly;
every failure is a ``ValueError`` whose message is one line saying what to
write instead.
"""

import math
import sys
from decimal import ROUND_FLOOR, Decimal, InvalidOperation, Overflow, localcontext
from typing import List

__all__ = ["MAX_VALUES", "BeyondDouble", "parse_double", "parse_number", "parse_values"]

#: The most values one list may give: a typing slip (a step of 1e-9) becomes a
#: message instead of an hour of output.
MAX_VALUES = 100_000


def parse_number(text: str, context: str = "") -> Decimal:
    """The decimal number written in text; ValueError with a one-line message otherwise.

    context is put after the text in the message (" in range '1:x:2'").
    """
    try:
        number = Decimal(text)
        if not number.is_snan():  # "sNaN" reads as a Decimal, but no double holds it
            return number
    except InvalidOperation:
        pass
    raise ValueError(f"{text!r}{context} is not a number; write a decimal number such as 1000, -20.5 or 1e-3")


class BeyondDouble(ValueError):
    """A finite decimal too large in magnitude for a double; the message is one line."""


def parse_double(text: str, context: str = "") -> float:
    """The double nearest the decimal number written in text.

    ValueError with a one-line message when text is not a number, and
    BeyondDouble (a ValueError) when it is a finite decimal beyond the range
    of a double, which float() would silently turn into infinity. inf, -inf
    and nan written as such are taken as they are.
    """
    return _as_double(parse_number(text, context), f"{text!r}{context}")


def _as_double(number: Decimal, subject: str) -> float:
    """number as a double; BeyondDouble, whose message starts with subject,
    when number is finite but rounds to infinity."""
    value = float(number)
    if number.is_finite() and math.isinf(value):
        raise BeyondDouble(
            f"{subject} is beyond the range of a double (magnitude at most {sys.float_info.max!r}); "
            "give a smaller number, or inf for infinity"
        )
    return value


def _parse_range(item: str) -> List[float]:
    """The grid start, start+step, ... up to stop (included when on the grid) of item 'start:stop:step'."""
    parts = item.split(":")
    if len(parts) != 3:
        raise ValueError(f"malformed range {item!r}; write start:stop:step, e.g. 700:1100:50")
    start, stop, step = (parse_number(part, f" in range {item!r}") for part in parts)
    if not (start.is_finite() and stop.is_finite() and step.is_finite()):
        raise ValueError(f"range {item!r} must have finite start, stop and step, e.g. 700:1100:50")
    if step == 0:
        raise ValueError(f"range {item!r} has step 0; give a non-zero step, e.g. 700:1100:50")
    # Decimal arithmetic keeps the grid exact: 0:1:0.1 gives 0.3, not 0.30000000000000004,
    # and stop is on the grid exactly when it is a whole number of steps from start.
    # A count too large for Decimal's exponent range becomes Infinity, which the
    # limit below refuses like any other too-long range.
    with localcontext() as decimal_context:
        decimal_context.prec = 60
        decimal_context.traps[Overflow] = False
        steps = (stop - start) / step
        if steps < 0:
            raise ValueError(
                f"range {item!r} never reaches its stop; use a step of the other sign, "
                f"e.g. {parts[0]}:{parts[1]}:{-step}"
            )
        if steps >= MAX_VALUES:
            raise ValueError(f"range {item!r} gives more than {MAX_VALUES} values; use a larger step")
        last = int(steps.to_integral_value(rounding=ROUND_FLOOR))
        values = (start + index * step for index in range(last + 1))
        return [_as_double(value, f"range {item!r} reaches {value}, which") for value in values]


def parse_values(text: str) -> List[float]:
    """The numbers that a comma list of numbers and ranges stands for, in order.

    A range ``start:stop:step`` runs from start in steps of step and includes
    stop when stop lies a whole number of steps from start: ``700:1100:50`` is
    700, 750, ..., 1100 and ``0:1:0.3`` is 0, 0.3, 0.6, 0.9. The step may be
    negative (``1100:700:-100``). Items combine: ``1,10,100:1000:300``. The
    values are in whatever unit the caller reads them in.

    Raises ``ValueError`` with a one-line message for anything else.
    """
    values: List[float] = []
    for item in text.split(","):
        item = item.strip()
        if not item:
            raise ValueError(f"empty item in {text!r}; separate numbers and ranges by single commas, e.g. 1,100,1000")
        if ":" in item:
            values.extend(_parse_range(item))
        else:
            values.append(parse_double(item))
        if len(values) > MAX_VALUES:
            raise ValueError(f"{text!r} gives more than {MAX_VALUES} values; use fewer or a larger step")
    return values

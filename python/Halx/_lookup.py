"""Properties and constants by name: ``Halx.evaluate`` and the look-up that the
command line and ``Halx.in_range`` share.

A name that is not in the property table is refused with ``ValueError`` (the
value is what is wrong, not a missing key of a mapping the caller holds), in
one line that names the closest known name, if any, and lists them all.
"""

from typing import Any, Dict, Union

from . import _functions
from ._table import CONSTANTS, PROPERTIES, Constant, Property

__all__ = ["evaluate", "property_named", "quantity_named"]

_PROPERTIES: Dict[str, Property] = {row.name: row for row in PROPERTIES}
_QUANTITIES: Dict[str, Union[Property, Constant]] = {**_PROPERTIES, **{row.name: row for row in CONSTANTS}}


def _named(name: str, known: Dict[str, Any]) -> Any:
    """known[name]; ValueError naming the closest known name otherwise."""
    found = known.get(name) if isinstance(name, str) else None
    if found is None:
        import difflib

        by_case = {known_name.lower(): known_name for known_name in known}
        close = difflib.get_close_matches(str(name).lower(), list(by_case), n=1)
        hint = f" (did you mean {by_case[close[0]]}?)" if close else ""
        raise ValueError(f"unknown property {name!r}{hint}; choose one of {', '.join(known)}")
    return found


def property_named(name: str) -> Property:
    """The row of the property called name; ValueError naming the closest one otherwise."""
    row: Property = _named(name, _PROPERTIES)
    return row


def quantity_named(name: str) -> Union[Property, Constant]:
    """The row of the property or constant called name; ValueError naming the closest one otherwise."""
    row: Union[Property, Constant] = _named(name, _QUANTITIES)
    return row


def evaluate(name: str, *arguments: Any, **keywords: Any) -> Any:
    """The property or constant called ``name``, for programs that choose it at run time.

    The arguments are the property's, in its units (``T`` in °C, ``P`` in
    bar), positional or by name: ``evaluate("Rho_Liquid", T=900.0, P=100.0)``
    is ``Halx.Rho_Liquid(900.0, 100.0)``, 1505.44 kg/m³, and
    ``evaluate("P_Boiling", 1000.0)`` is ``Halx.P_Boiling(1000.0)``. The value
    is what the property's function gives, for numbers and arrays alike. A
    constant takes no arguments: ``evaluate("T_Triple")`` is 800.7 °C.

    Raises ``ValueError`` for an unknown name (naming the closest known one)
    and ``TypeError`` for arguments the property does not take.
    """
    row = quantity_named(name)
    if isinstance(row, Constant):
        if arguments or keywords:
            raise TypeError(f"evaluate({name!r}): {name} is a constant and takes no arguments")
        return _constant(name)
    names = [argument.name for argument in row.arguments]
    problem = ""
    if len(arguments) > len(names):
        problem = f"got {len(arguments)} positional arguments"
    for key in keywords:
        if key not in names:
            problem = problem or f"got an unexpected keyword argument {key!r}"
        elif key in names[: len(arguments)]:
            problem = problem or f"got {key} twice, by position and by name"
    missing = [argument for argument in names[len(arguments) :] if argument not in keywords]
    if missing:
        problem = problem or f"{' and '.join(missing)} missing"
    if problem:
        raise TypeError(f"evaluate({name!r}): {name} takes {_takes(row)}; {problem}")
    values = [*arguments, *(keywords[argument] for argument in names[len(arguments) :])]
    return getattr(_functions, name)(*values)


def _takes(row: Property) -> str:
    """'T (temperature in °C) and P (pressure in bar)' for the arguments of row."""
    return " and ".join(f"{argument.name} ({argument.quantity} in {argument.unit})" for argument in row.arguments)


def _constant(name: str) -> float:
    from _Halx import cvar

    value: float = getattr(cvar, name)
    return value

"""``halx eval`` and ``halx phase``: a property, a constant or the phase at the points given, a line per point.

Everything after the property (or after ``phase``) is taken as its
arguments, so that values such as -20 or -1e3 are never read as options;
the options that may follow are picked out of those words here.
"""

from __future__ import annotations

import argparse
from typing import Any, List, Optional

from . import cvar
from ._command import (
    ARGUMENTS,
    PHASE,
    PROGRAM,
    QUANTITIES,
    QUIET,
    SI,
    Counts,
    Parser,
    add_quiet,
    add_si,
    describe_arguments,
    names,
    note_outside,
    phase_of,
    read_points,
    scalar,
    units_help,
)
from ._lookup import quantity_named
from ._output import in_si
from ._table import PRESSURE, PROPERTIES, TEMPERATURE, Constant, describe_result, describe_source

# The spellings of eval's option that leaves the units out.
_NUMBERS_ONLY = ("-n", "--numbers-only")
_HELP = ("-h", "--help")

_EVAL_EXAMPLES = f"""examples:
  {PROGRAM} eval P_Boiling 1000
  {PROGRAM} eval P_Boiling 900 1000 1100     three temperatures, three lines
  {PROGRAM} eval Rho_Solid 25 1 100 1000     (25 °C, 1 bar) and (100 °C, 1000 bar)
  {PROGRAM} eval P_Boiling 1273.15K          at 1000 °C, in bar
  {PROGRAM} eval Rho_Solid 25 10MPa          at 25 °C and 100 bar
  {PROGRAM} eval --si T_Melting 1atm         in K, at 1.01325 bar
  {PROGRAM} eval -n T_Melting 1000           the number alone, for shell scripts
  {PROGRAM} eval T_Triple"""


def add_eval(commands: Any) -> None:
    """Adds the command eval to commands (the subparsers of halx)."""
    evaluate: Parser = commands.add_parser(
        "eval",
        help="print a property or constant with its unit",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Print a property at the given arguments, or a constant, with its unit. Several\n"
            "points at once: give the arguments of each in turn; one line per point."
        ),
        epilog=(
            f"properties and constants ({describe_arguments(ARGUMENTS)}):\n"
            f"{_quantities_help()}\n\n{units_help()}\n\n{_EVAL_EXAMPLES}"
        ),
    )
    evaluate.add_argument(
        *_NUMBERS_ONLY,
        dest="numbers_only",
        action="store_true",
        help="print the numbers alone, without units, one per line (for shell scripts)",
    )
    add_si(evaluate, "the result")
    evaluate.add_argument("quantity", metavar="PROPERTY", nargs="?", help="a property or constant named below")
    add_quiet(evaluate)
    evaluate.add_argument(
        "values",
        metavar="ARGUMENT",
        nargs=argparse.REMAINDER,
        help="the property's arguments, in order; repeat them for more points",
    )
    evaluate.set_defaults(run=_run_eval, parser=evaluate)


def _quantities_help() -> str:
    """One line per property and constant: its name and arguments, what it is,
    its unit and basis, and which model it comes from."""
    lines = []
    for row in QUANTITIES.values():
        if isinstance(row, Constant):
            lines.append(f"  {row.name:<18} {row.summary}, {row.unit}")
        else:
            basis = f" {row.basis}" if row.basis else ""
            meaning = (
                f"{row.summary}: {describe_result(row)}"
                if row.result == "phase"
                else f"{row.summary}, {row.unit}{basis}"
            )
            lines.append(f"  {' '.join((row.name,) + names(row.arguments)):<18} {meaning}; {describe_source(row)}")
    return "\n".join(lines)


def _eval_words(options: argparse.Namespace) -> Optional[List[str]]:
    """The arguments among the words after the property, the options among them
    set on options; None when they ask for help."""
    words: List[str] = []
    for word in options.values:
        if word in _NUMBERS_ONLY:
            options.numbers_only = True
        elif word == SI:
            options.si = True
        elif word in QUIET:
            options.quiet = True
        elif word in _HELP:
            return None
        else:
            words.append(word)
    return words


def _run_eval(options: argparse.Namespace) -> int:
    parser: Parser = options.parser
    name: Optional[str] = options.quantity
    words = _eval_words(options)
    if words is None:
        parser.print_help()
        return 0
    if name is None:
        parser.error(f"give a property or constant, e.g. {PROGRAM} eval {PROPERTIES[0].name} 1000")
    try:
        row = quantity_named(name)
    except ValueError as error:
        parser.error(str(error))
    unit, convert = in_si(row.unit) if options.si else (row.unit, None)

    def show(value: float) -> None:
        print(f"{value if convert is None else convert(value)!r}{'' if options.numbers_only else ' ' + unit}")

    if isinstance(row, Constant):
        if words:
            parser.error(f"{name} is a constant and takes no arguments, not {len(words)}; e.g. {PROGRAM} eval {name}")
        show(getattr(cvar, name))
        return 0
    points = read_points(parser, row, words, f"{PROGRAM} eval {name}")
    function = scalar(row)
    for point in points:
        if row is PHASE:
            print(phase_of(parser, *point))
        else:
            show(function(*point))
    note_outside(options, {row.name: Counts().add(row, list(zip(*points)))})
    return 0


def add_phase(commands: Any) -> None:
    """Adds the command phase to commands (the subparsers of halx)."""
    phase: Parser = commands.add_parser(
        "phase",
        usage=f"{PROGRAM} phase [-h] T P [T P ...]",
        help="print the phase at a temperature and pressure: solid, liquid or vapour",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            f"Print the phase of NaCl at temperature T ({TEMPERATURE.unit}) and pressure P ({PRESSURE.unit}):\n"
            "solid, liquid or vapour, from the three curves and the triple point; one line per\n"
            "point. A state exactly on a curve gets the phase of the curve's high-pressure side:\n"
            "liquid on the boiling curve, solid on the sublimation and melting curves."
        ),
        epilog=(
            f"{units_help()}\n\n"
            f"examples:\n  {PROGRAM} phase 1000 1\n  {PROGRAM} phase 25 1e-30 1500 1\n"
            f"  {PROGRAM} phase 1000degC 1atm"
        ),
    )
    phase.add_argument(
        "values",
        metavar="T P",
        nargs=argparse.REMAINDER,
        help=f"temperature in {TEMPERATURE.unit}, pressure in {PRESSURE.unit}, or each with a unit; "
        "repeat them for more points",
    )
    add_quiet(phase)
    phase.set_defaults(run=_run_phase, parser=phase)


def _run_phase(options: argparse.Namespace) -> int:
    parser: Parser = options.parser
    # argparse keeps the '--' that shields a negative temperature in front of the values.
    words = options.values[1:] if options.values[:1] == ["--"] else options.values
    options.quiet = options.quiet or any(word in QUIET for word in words)
    points = read_points(parser, PHASE, [word for word in words if word not in QUIET], f"{PROGRAM} phase")
    for point in points:
        print(phase_of(parser, *point))
    note_outside(options, {PHASE.name: Counts().add(PHASE, list(zip(*points)))})
    return 0

"""What the commands of ``halx`` share: the parser that fails in one line,
the reading of points, evaluation through NumPy or without it, the notes on
points outside the checked and plausible ranges, and the options and help
paragraphs that several commands take.

Each command lives in a module of its own (``_eval_command``,
``_table_command``, ``_diagram_command``) with an ``add_command`` that adds
its parser; ``cli`` puts them together and runs them. A bad command line is
a :class:`UsageError`, an environment that keeps the command from running a
:class:`SetupError`; both carry the whole line to print, and ``cli`` turns
them into exit status 2.
"""

from __future__ import annotations

import argparse
import contextlib
import itertools
import sys
import textwrap
from typing import Any, Callable, Dict, List, NoReturn, Optional, Sequence, TextIO, Tuple, Type, Union

from . import _functions
from ._domain import checked_range_text, count_outside
from ._lookup import property_named
from ._output import replacing_file
from ._phase import Phase
from ._plausible import count_implausible, describe
from ._proxy import cHalx
from ._table import CONSTANTS, PRESSURE, PROPERTIES, TEMPERATURE, Argument, Constant, Property
from ._values import parse_double, parse_values, unit_list

PROGRAM = "halx"

# The arguments, as the options --T and --P, and the value each uses in examples.
ARGUMENTS: Tuple[Argument, ...] = (TEMPERATURE, PRESSURE)
_ARGUMENT_EXAMPLES: Dict[str, str] = {TEMPERATURE.name: "1000", PRESSURE.name: "100"}

QUANTITIES: Dict[str, Union[Property, Constant]] = {row.name: row for row in PROPERTIES + CONSTANTS}
PHASE = next(row for row in PROPERTIES if row.result == "phase")

# The option that prints results in SI units, and the spellings of the one
# that leaves out the lines on the checked ranges.
SI = "--si"
QUIET = ("-q", "--quiet")

# The variable that forces a set of array kernels (see Halx.ufunc).
KERNEL_VARIABLE = "HALX_SIMD"

_instance = cHalx()


class UsageError(Exception):
    """A bad command line; the message is the whole line to print."""


class SetupError(Exception):
    """The environment keeps the command from running; the message is the whole line to print."""


class Parser(argparse.ArgumentParser):
    """An ArgumentParser that reports a bad command line in one line and lets main() return 2."""

    def error(self, message: str) -> NoReturn:
        message = " ".join(message.split())
        raise UsageError(f"{self.prog}: error: {message} (see '{self.prog} --help')")


def report(line: str) -> None:
    """Prints line on standard error; drops it when there is no standard error,
    since standard output carries data only."""
    if sys.stderr is not None:
        with contextlib.suppress(OSError, ValueError):
            print(line, file=sys.stderr)


# --- Evaluation --------------------------------------------------------------------------


def arrays() -> Optional[Tuple[Any, Any]]:
    """NumPy and the Halx.ufunc module, or None without NumPy (the scalar path is used).

    With NumPy installed, a Halx.ufunc that does not import (HALX_SIMD naming
    kernels that cannot run here, a NumPy too old) is a SetupError: the same
    command must not quietly take another path on another machine.
    """
    try:
        import numpy
    except ImportError:
        return None
    try:
        from . import ufunc
    except ImportError as error:
        raise SetupError(f"{PROGRAM}: error: {error}") from None
    return numpy, ufunc


def scalar(row: Property) -> Callable[..., Any]:
    """The scalar function of row: for the properties that _Halx binds, the
    method of cHalx; for the derived ones, the function of Halx._functions."""
    function: Callable[..., Any] = getattr(_instance if row.bound else _functions, row.name)
    return function


def _phase_name(code: int) -> str:
    """The name of the phase of code; 'nan' for 0, the code where no state exists."""
    return str(Phase(code)) if code else "nan"


def _scalar_phase_code(T: float, P: float) -> int:
    """The code of the phase at (T, P), 0 where no state exists, as the ufunc gives it."""
    try:
        return int(_functions.phase(T, P))
    except ValueError:
        return 0


def evaluate(row: Property, columns: Sequence[Sequence[float]]) -> List[Any]:
    """row at every point of the argument columns (one per argument of row, in
    order): a float, or a phase by its name."""
    found = arrays()
    if found is not None:
        numpy, ufunc = found
        # Outside the physical range the model overflows by design; the values
        # (inf, nan) are the answer, so NumPy's warnings would only be noise.
        with numpy.errstate(all="ignore"):
            inputs = [numpy.asarray(column, dtype=numpy.float64) for column in columns]
            result: List[Any] = getattr(ufunc, row.name)(*inputs).tolist()
    else:
        function = _scalar_phase_code if row is PHASE else scalar(row)
        result = [function(*point) for point in zip(*columns)]
    return [_phase_name(code) for code in result] if row is PHASE else result


# --- Points and the notes on where they lie ------------------------------------------------


def describe_arguments(arguments: Sequence[Argument]) -> str:
    """'T in °C and P in bar' for the arguments (T, P)."""
    return " and ".join(f"{argument.name} in {argument.unit}" for argument in arguments)


def names(arguments: Sequence[Argument]) -> Tuple[str, ...]:
    return tuple(argument.name for argument in arguments)


def read_points(parser: Parser, row: Property, words: Sequence[str], command: str) -> List[Tuple[float, ...]]:
    """The points (one number per argument of row, repeated for several
    points) that words give; a usage error otherwise.

    command is the command line that an example in a message starts with.
    """
    count = len(row.arguments)
    if not words or len(words) % count:
        example = " ".join(_ARGUMENT_EXAMPLES[argument.name] for argument in row.arguments)
        plural = "s" if count > 1 else ""
        several = "" if count == 1 else f" (a multiple of {count} for several points)"
        parser.error(
            f"{row.name} takes {count} argument{plural} ({describe_arguments(row.arguments)}), "
            f"not {len(words)}{several}; e.g. {command} {example}"
        )
    numbers: List[float] = []
    for argument, word in zip(itertools.cycle(row.arguments), words):
        try:
            numbers.append(parse_double(word, argument=argument))
        except ValueError as error:
            parser.error(f"{argument.name} = {error}")
    return list(zip(*[iter(numbers)] * count))


def phase_of(parser: Parser, T: float, P: float) -> Phase:
    """The phase at (T, P); a usage error where no state exists."""
    try:
        phase: Phase = _functions.phase(T, P)
    except ValueError:
        parser.error(
            f"there is no phase at T = {T!r} {TEMPERATURE.unit}, P = {P!r} {PRESSURE.unit}: no state "
            f"exists below absolute zero (-273.15 {TEMPERATURE.unit}), at a negative pressure or where "
            f"T or P is NaN; e.g. {PROGRAM} phase 1000 1"
        )
    return phase


class Counts:
    """How many points of a property the command evaluated, and how many of
    them lie outside the range where it was checked against measurements and
    outside its plausible spans (with the first such argument, as (position, value))."""

    def __init__(self) -> None:
        self.points = 0
        self.unchecked = 0
        self.implausible = 0
        self.first_implausible: Optional[Tuple[int, float]] = None

    def add(self, row: Property, columns: Sequence[Sequence[float]]) -> Counts:
        """Counts the points that the argument columns of row give; returns self."""
        self.points += len(columns[0])
        self.unchecked += count_outside(row, columns)
        implausible, first = count_implausible(row, columns)
        self.implausible += implausible
        self.first_implausible = self.first_implausible or first
        return self


def note_outside(options: argparse.Namespace, counts: Dict[str, Counts]) -> None:
    """Says on standard error, in a line per property, where the points of a
    property (name -> its counts) lie outside its plausible span (the message
    of Halx.RangeWarning, which the command line silences), then in one line
    how many lie outside the range where it was checked against measurements;
    nothing when none does or with --quiet."""
    if options.quiet:
        return
    for name, counted in counts.items():
        if counted.first_implausible is not None:
            position, value = counted.first_implausible
            among = f"{counted.implausible} of {counted.points} points are outside the plausible spans"
            message = describe(property_named(name), position, value, among if counted.points > 1 else "")
            report(f"{PROGRAM}: warning: {message} (--quiet leaves this line out)")
    parts = [
        f"{name} at {counted.unchecked} of {counted.points} point{'s' if counted.points > 1 else ''} "
        f"({checked_range_text(property_named(name))})"
        for name, counted in counts.items()
        if counted.unchecked
    ]
    if parts:
        report(
            f"{PROGRAM}: not compared with measurements at these states: {'; '.join(parts)} "
            "(--quiet leaves this line out)"
        )


# --- Options and help that several commands share --------------------------------------------


def values_argument(argument: Argument) -> Callable[[str], List[float]]:
    """argparse type for the option of argument (--T, --P): its values, in argument's unit."""

    def parse(text: str) -> List[float]:
        try:
            return parse_values(text, argument)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None

    return parse


def bounded_int(low: int, high: int) -> Callable[[str], int]:
    """argparse type for a whole number from low to high."""

    def parse(text: str) -> int:
        try:
            value = int(text)
            if low <= value <= high:
                return value
        except ValueError:
            pass
        raise argparse.ArgumentTypeError(f"{text!r} is not a whole number from {low} to {high}")

    return parse


def add_si(command: argparse.ArgumentParser, columns: str) -> None:
    command.add_argument(
        SI,
        dest="si",
        action="store_true",
        help=f"print {columns} in SI units: K, Pa and 1/Pa instead of °C, bar and 1/bar (kg/m³, J/mol and "
        "1/K stay), converted in double arithmetic, one more rounding; the values given keep their units",
    )


def add_quiet(command: argparse.ArgumentParser) -> None:
    command.add_argument(
        *QUIET,
        dest="quiet",
        action="store_true",
        help="leave out the lines on standard error about points outside the range where each "
        "property was checked against measurements or outside its plausible span (a likely unit slip)",
    )


def units_help(ranges: bool = False) -> str:
    """The paragraph on the units of the values, with ranges the sentence on a range's unit; wrapped."""
    bare = " and ".join(f"{argument.unit} ({argument.name})" for argument in ARGUMENTS)
    units = "; ".join(f"{argument.name} in {unit_list(argument)}" for argument in ARGUMENTS)
    text = (
        f"Units: a bare number is in {bare}. A number may carry a unit instead, written right "
        f"after it: {units} (1273.15K, 10MPa, 1atm; symbols as written here, case and all). "
        "It is converted as the decimal written, before it is rounded to a double, so 1273.15K "
        "is exactly 1000 °C."
    )
    if ranges:
        text += (
            " In a range both bounds carry the same unit and a step without one takes it: "
            "300K:1300K:100 runs from 300 K to 1300 K in steps of 100 K (so does "
            "300K:1300K:100K). Bounds in two units (300K:1000degC:100), or a step in another unit "
            "than the bounds', are refused: the unit of the step would be a guess, and the stop "
            "would seldom lie on the grid."
        )
    return textwrap.fill(text, width=79)


# --- Output files ----------------------------------------------------------------------------


def write_to_path(path: str, write: Callable[[TextIO], None]) -> None:
    """Opens path for text and has write(stream) fill it."""
    with open(path, "w", encoding="utf-8", newline="") as stream:
        write(stream)


def write_file(path: str, write: Callable[[str], None], failures: Tuple[Type[Exception], ...] = (OSError,)) -> int:
    """Write the file path with write(temporary path), replacing path only when
    it succeeds. Reports the file written and returns 0, or reports in one line
    why it could not be written and returns 1, path left as it was.

    failures are the exceptions that mean "could not write"; any other passes.
    """
    try:
        with replacing_file(path) as temporary:
            write(temporary)
    except failures as error:
        report(f"{PROGRAM}: error: cannot write {path!r}: {_reason(error)}")
        return 1
    report(f"{PROGRAM}: wrote {path}")
    return 0


def _reason(error: BaseException) -> str:
    """Why a write failed, in words: the operating system's reason where one
    lies behind error (a library may fail again while cleaning up after it)."""
    cause: Optional[BaseException] = error
    while cause is not None:
        if isinstance(cause, OSError):
            return cause.strerror or str(cause)
        cause = cause.__cause__ or cause.__context__
    return f"{type(error).__name__}: {error}".rstrip(": ")

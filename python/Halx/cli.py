"""The ``halx`` command: evaluate a property, print a table, name a phase, draw the phase diagram.

Installed as the ``halx`` script and runnable as ``python -m Halx``; see
``halx --help``. :func:`main` runs a command line in-process and returns the
exit status instead of leaving the interpreter:

- 0: done;
- 1: the output (a file or standard output) could not be written;
- 2: a bad command line (unknown property, a value that is not a number or
  lies beyond the range of a double, a unit that its argument does not take,
  a malformed range, a wrong number of arguments), ``halx diagram`` without
  matplotlib, or ``HALX_SIMD`` naming array kernels that cannot run here;
- 130: interrupted (Ctrl-C).

Every failure is reported in one line on standard error, never as a traceback,
and nothing but data ever goes to standard output: with standard error closed,
messages are dropped rather than mixed into the data. Tables are written as
their rows are computed, a chunk at a time, so memory stays flat and the first
line comes at once however long the table. An output file is written beside
its target and takes its place only when complete: a failed or interrupted
command leaves the previous file as it was.

Values are in °C and bar, or carry a unit (``1273.15K``, ``10MPa``); results
are in the units of the property table, or in SI with ``--si``.

The properties, their arguments and units come from the package's property
table, the diagram from ``Halx.plot``; this module is the command line around
them.
"""

from __future__ import annotations

import argparse
import contextlib
import functools
import io
import itertools
import os
import re
import sys
import textwrap
import warnings
from typing import Any, Callable, Dict, Iterator, List, NoReturn, Optional, Sequence, TextIO, Tuple, Type, Union

from . import _functions, _values, cvar
from ._domain import checked_range_text, count_outside
from ._lookup import property_named, quantity_named
from ._output import OutputFailed, ascii_where_needed, guarded, in_si, replacing_file, write_aligned, write_csv
from ._phase import Phase
from ._plausible import RangeWarning, count_implausible, describe
from ._proxy import cHalx
from ._table import (
    CONSTANTS,
    PRESSURE,
    PROPERTIES,
    TEMPERATURE,
    Argument,
    Constant,
    Property,
    describe_result,
)
from ._values import parse_double, parse_values, unit_list

__all__ = ["main", "parse_values"]

_PROGRAM = "halx"

# The arguments, as the options --T and --P, and the value each uses in examples.
_ARGUMENTS: Tuple[Argument, ...] = (TEMPERATURE, PRESSURE)
_ARGUMENT_EXAMPLES: Dict[str, str] = {TEMPERATURE.name: "1000", PRESSURE.name: "100"}

_QUANTITIES: Dict[str, Union[Property, Constant]] = {row.name: row for row in PROPERTIES + CONSTANTS}
_PHASE = next(row for row in PROPERTIES if row.result == "phase")

# A typing slip (a step of 1e-9) becomes a message instead of an hour of output.
_MAX_TABLE_ROWS = 1_000_000

# Rows of a table evaluated and written at a time: memory stays that of one
# chunk whatever the number of rows, and a chunk is long enough that the
# ufuncs' cost per call vanishes beside the cost per row.
_CHUNK_ROWS = 4096

# The file name that stands for standard output.
_STANDARD_OUTPUT = "-"

# The spellings of eval's option that leaves the units out.
_NUMBERS_ONLY = ("-n", "--numbers-only")
# The option that prints results in SI units.
_SI = "--si"
# The spellings of the option that leaves out the line on the checked ranges.
_QUIET = ("-q", "--quiet")

_DIAGRAM_FORMATS = (".png", ".svg", ".pdf")
# The smallest diagram whose lettering (scaled with the picture) is legible, about 9 px.
_SMALLEST_DIAGRAM = (320, 240)

_instance = cHalx()


# --- Argument types ---------------------------------------------------------------------


def _values_argument(argument: Argument) -> Callable[[str], List[float]]:
    """argparse type for the option of argument (--T, --P): its values, in argument's unit."""

    def parse(text: str) -> List[float]:
        try:
            return parse_values(text, argument)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None

    return parse


def _size_argument(text: str) -> Tuple[int, int]:
    """argparse type for --size: 'WIDTHxHEIGHT' in pixels."""
    match = re.fullmatch(r"\s*(\d+)\s*[xX×]\s*(\d+)\s*", text)
    if match is None or not all(low <= int(side) <= 10_000 for low, side in zip(_SMALLEST_DIAGRAM, match.groups())):
        raise argparse.ArgumentTypeError(
            f"{text!r} is not a size WIDTHxHEIGHT in pixels from {_SMALLEST_DIAGRAM[0]}x{_SMALLEST_DIAGRAM[1]} "
            f"to 10000x10000, e.g. 800x600"
        )
    return int(match.group(1)), int(match.group(2))


def _bounds_argument(text: str) -> Tuple[float, float]:
    """argparse type for the diagram's --T and --P: 'LOW:HIGH', two numbers."""
    parts = text.split(":")
    try:
        if len(parts) == 2:
            low, high = (parse_double(part.strip(), f" in range {text!r}") for part in parts)
            return low, high
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None
    raise argparse.ArgumentTypeError(f"{text!r} is not a range LOW:HIGH of two numbers, e.g. 600:1400")


def _pair_argument(text: str) -> Tuple[str, str]:
    """argparse type for the diagram's --units: 'TEMPERATURE,PRESSURE'."""
    parts = [part.strip() for part in text.split(",")]
    if len(parts) != 2:
        raise argparse.ArgumentTypeError(f"{text!r} is not a pair of units TEMPERATURE,PRESSURE, e.g. K,Pa")
    return parts[0], parts[1]


def _bounded_int(low: int, high: int) -> Callable[[str], int]:
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


# --- Evaluation --------------------------------------------------------------------------


class _SetupError(Exception):
    """The environment keeps the command from running; the message is the whole line to print."""


# The variable that forces a set of array kernels (see Halx.ufunc).
_KERNEL_VARIABLE = "HALX_SIMD"


def _arrays() -> Optional[Tuple[Any, Any]]:
    """NumPy and the Halx.ufunc module, or None without NumPy (the scalar path is used).

    With NumPy installed, a Halx.ufunc that does not import (HALX_SIMD naming
    kernels that cannot run here, a NumPy too old) is a _SetupError: the same
    command must not quietly take another path on another machine.
    """
    try:
        import numpy
    except ImportError:
        return None
    try:
        from . import ufunc
    except ImportError as error:
        raise _SetupError(f"{_PROGRAM}: error: {error}") from None
    return numpy, ufunc


def _scalar(row: Property) -> Callable[..., Any]:
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


def _evaluate(row: Property, columns: Sequence[Sequence[float]]) -> List[Any]:
    """row at every point of the argument columns (one per argument of row, in
    order): a float, or a phase by its name."""
    arrays = _arrays()
    if arrays is not None:
        numpy, ufunc = arrays
        # Outside the physical range the model overflows by design; the values
        # (inf, nan) are the answer, so NumPy's warnings would only be noise.
        with numpy.errstate(all="ignore"):
            inputs = [numpy.asarray(column, dtype=numpy.float64) for column in columns]
            result: List[Any] = getattr(ufunc, row.name)(*inputs).tolist()
    else:
        function = _scalar_phase_code if row is _PHASE else _scalar(row)
        result = [function(*point) for point in zip(*columns)]
    return [_phase_name(code) for code in result] if row is _PHASE else result


# --- The command line -------------------------------------------------------------------


class _UsageError(Exception):
    """A bad command line; the message is the whole line to print."""


class _Parser(argparse.ArgumentParser):
    """An ArgumentParser that reports a bad command line in one line and lets main() return 2."""

    def error(self, message: str) -> NoReturn:
        message = " ".join(message.split())
        raise _UsageError(f"{self.prog}: error: {message} (see '{self.prog} --help')")


_VALUE_OPTIONS = tuple(f"--{argument.name}" for argument in _ARGUMENTS)


class _PrintVersion(argparse.Action):
    """--version: prints the version and exits; the version is read only when asked for."""

    def __init__(self, option_strings: Sequence[str], dest: str, **kwargs: Any) -> None:
        super().__init__(option_strings, dest, nargs=0, help="show the version and exit")

    def __call__(self, parser: argparse.ArgumentParser, *_: Any) -> NoReturn:
        from . import __version__

        print(f"{_PROGRAM} {__version__}")
        parser.exit()


def _join_negative_values(argv: Sequence[str]) -> List[str]:
    """argv with '--T -20:40:10' written as '--T=-20:40:10', and 'phase -20 1' as 'phase -- -20 1'.

    argparse takes a word such as '-20:40:10' or '-1e3' for an option, not a
    value; no option of ours starts with a digit, so such a word after --T or
    --P, or as the temperature of the phase command, is always meant as a value.
    """
    joined: List[str] = []
    index = 0
    while index < len(argv):
        word = argv[index]
        if word == "--":
            joined.extend(argv[index:])
            break
        following = argv[index + 1] if index + 1 < len(argv) else ""
        if word in _VALUE_OPTIONS and re.match(r"-\.?\d", following):
            joined.append(f"{word}={following}")
            index += 2
        elif index == 0 and word == "phase" and re.match(r"-\.?\d", following):
            joined.extend(["phase", "--"])
            index += 1
        else:
            joined.append(word)
            index += 1
    return joined


def _describe_arguments(arguments: Sequence[Argument]) -> str:
    """'T in °C and P in bar' for the arguments (T, P)."""
    return " and ".join(f"{argument.name} in {argument.unit}" for argument in arguments)


def _names(arguments: Sequence[Argument]) -> Tuple[str, ...]:
    return tuple(argument.name for argument in arguments)


def _run_eval(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    name: Optional[str] = options.quantity
    # Everything after the property is taken as its arguments, so that values
    # such as -20 or -1e3 are not read as options; the options that may follow
    # the property are picked out here.
    words: List[str] = []
    numbers_only: bool = options.numbers_only
    for word in options.values:
        if word in _NUMBERS_ONLY:
            numbers_only = True
        elif word == _SI:
            options.si = True
        elif word in _QUIET:
            options.quiet = True
        elif word in ("-h", "--help"):
            parser.print_help()
            return 0
        else:
            words.append(word)
    if name is None:
        parser.error(f"give a property or constant, e.g. {_PROGRAM} eval {PROPERTIES[0].name} 1000")
    try:
        row = quantity_named(name)
    except ValueError as error:
        parser.error(str(error))
    unit, convert = in_si(row.unit) if options.si else (row.unit, None)
    written = "" if numbers_only else f" {unit}"
    if isinstance(row, Constant):
        if words:
            parser.error(f"{name} is a constant and takes no arguments, not {len(words)}; e.g. {_PROGRAM} eval {name}")
        value: float = getattr(cvar, name)
        print(f"{value if convert is None else convert(value)!r}{written}")
        return 0
    points = _read_points(parser, row, words, f"{_PROGRAM} eval {name}")
    if row is _PHASE:
        for point in points:
            print(_phase_of(parser, *point))
    else:
        function = _scalar(row)
        for point in points:
            value = function(*point)
            print(f"{value if convert is None else convert(value)!r}{written}")
    _note_outside(options, {row.name: _Counts().add(row, list(zip(*points)))})
    return 0


class _Counts:
    """How many points of a property the command evaluated, and how many of
    them lie outside the range where it was checked against measurements and
    outside its plausible spans (with the first such argument, as (position, value))."""

    def __init__(self) -> None:
        self.points = 0
        self.unchecked = 0
        self.implausible = 0
        self.first_implausible: Optional[Tuple[int, float]] = None

    def add(self, row: Property, columns: Sequence[Sequence[float]]) -> _Counts:
        """Counts the points that the argument columns of row give; returns self."""
        self.points += len(columns[0])
        self.unchecked += count_outside(row, columns)
        implausible, first = count_implausible(row, columns)
        self.implausible += implausible
        self.first_implausible = self.first_implausible or first
        return self


def _note_outside(options: argparse.Namespace, counts: Dict[str, _Counts]) -> None:
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
            _report(f"{_PROGRAM}: warning: {message} (--quiet leaves this line out)")
    outside = [(name, counted) for name, counted in counts.items() if counted.unchecked]
    if not outside:
        return
    parts = [
        f"{name} at {counted.unchecked} of {counted.points} point{'s' if counted.points > 1 else ''} "
        f"({checked_range_text(property_named(name))})"
        for name, counted in outside
    ]
    _report(
        f"{_PROGRAM}: not compared with measurements at these states: {'; '.join(parts)} (--quiet leaves this line out)"
    )


def _read_points(parser: _Parser, row: Property, words: Sequence[str], command: str) -> List[Tuple[float, ...]]:
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
            f"{row.name} takes {count} argument{plural} ({_describe_arguments(row.arguments)}), "
            f"not {len(words)}{several}; e.g. {command} {example}"
        )
    numbers: List[float] = []
    for argument, word in zip(itertools.cycle(row.arguments), words):
        try:
            numbers.append(parse_double(word, argument=argument))
        except ValueError as error:
            parser.error(f"{argument.name} = {error}")
    return list(zip(*[iter(numbers)] * count))


def _phase_of(parser: _Parser, T: float, P: float) -> Phase:
    """The phase at (T, P); a usage error where no state exists."""
    try:
        phase: Phase = _functions.phase(T, P)
    except ValueError:
        parser.error(
            f"there is no phase at T = {T!r} {TEMPERATURE.unit}, P = {P!r} {PRESSURE.unit}: no state "
            f"exists below absolute zero (-273.15 {TEMPERATURE.unit}), at a negative pressure or where "
            f"T or P is NaN; e.g. {_PROGRAM} phase 1000 1"
        )
    return phase


def _run_phase(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    # argparse keeps the '--' that shields a negative temperature in front of the values.
    words = options.values[1:] if options.values[:1] == ["--"] else options.values
    options.quiet = options.quiet or any(word in _QUIET for word in words)
    points = _read_points(parser, _PHASE, [word for word in words if word not in _QUIET], f"{_PROGRAM} phase")
    for point in points:
        print(_phase_of(parser, *point))
    _note_outside(options, {_PHASE.name: _Counts().add(_PHASE, list(zip(*points)))})
    return 0


def _default_columns(given: Tuple[str, ...]) -> List[Property]:
    """The properties a table over the arguments given (names, in the order of
    _ARGUMENTS) shows unless --property names others: those of cHalx over
    exactly these arguments, after the phase when it takes them too, so that
    a density of a phase the state is not in (a liquid's at 0 °C) is never
    read as the state's own."""
    phase = [_PHASE] if _names(_PHASE.arguments) == given else []
    return phase + [row for row in PROPERTIES if row.bound and _names(row.arguments) == given]


def _table_properties(parser: _Parser, options: argparse.Namespace, given: Tuple[str, ...]) -> List[Property]:
    """The property columns of a table over the arguments given (names, in the order of _ARGUMENTS)."""
    if not options.property:
        return _default_columns(given)
    chosen: List[Property] = []
    for name in ",".join(options.property).split(","):
        name = name.strip()
        row = _QUANTITIES.get(name)
        if not isinstance(row, Property):
            names = ", ".join(row.name for row in PROPERTIES)
            parser.error(f"--property: unknown property {name!r}; choose from {names}")
        missing = [argument.name for argument in row.arguments if argument.name not in given]
        if missing:
            flags = " and ".join(f"--{argument}" for argument in missing)
            parser.error(f"{name} needs {flags} ({_describe_arguments(row.arguments)}); add {flags} VALUES")
        chosen.append(row)
    return chosen


def _run_table(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    axes: Dict[str, List[float]] = {
        argument.name: getattr(options, argument.name) for argument in _ARGUMENTS if getattr(options, argument.name)
    }
    if not axes:
        parser.error(f"give --T and/or --P, e.g. {_PROGRAM} table --T 700:1100:50 --P 1,100,1000")
    given = tuple(axes)
    properties = _table_properties(parser, options, given)
    rows = 1
    for values in axes.values():
        rows *= len(values)
    if rows > _MAX_TABLE_ROWS:
        parser.error(f"the table would have {rows} rows, more than {_MAX_TABLE_ROWS}; use fewer values")

    units = [argument.unit for argument in _ARGUMENTS if argument.name in axes] + [row.unit for row in properties]
    conversions = [in_si(unit) if options.si else (unit, None) for unit in units]
    names = list(given) + [row.name for row in properties]
    headers = [f"{name} ({unit})" if unit else name for name, (unit, _) in zip(names, conversions)]
    counts: Dict[str, _Counts] = {row.name: _Counts() for row in properties}
    chunks = _table_chunks(list(axes.values()), given, properties, counts)
    shown_axes = list(axes.values())
    if options.si:
        converters = [convert for _, convert in conversions]
        chunks = _converted_chunks(chunks, converters)
        shown_axes = [_converted_column(values, convert) for values, convert in zip(shown_axes, converters)]
    output: Optional[str] = options.output
    as_csv = options.csv or (output is not None and output.lower().endswith(".csv"))
    if as_csv:
        write = functools.partial(write_csv, headers, chunks)
    else:
        write = functools.partial(write_aligned, headers, shown_axes, chunks, options.digits)
    if output is None or output == _STANDARD_OUTPUT:
        write(sys.stdout)
        status = 0
    else:
        status = _write_file(output, lambda path: _write_to_path(path, write))
    if status == 0:
        _note_outside(options, counts)
    return status


def _table_chunks(
    axes: List[List[float]], given: Tuple[str, ...], properties: List[Property], counts: Dict[str, _Counts]
) -> Iterator[List[Tuple[float, ...]]]:
    """The rows of the table, _CHUNK_ROWS at a time: one per point of the axes
    (the first axis varying slowest), the point followed by each property's value.

    Each chunk is evaluated only when it is asked for, so memory stays that of
    one chunk and the header can go out before the first value is computed.
    counts (property name -> its _Counts) is added to as the chunks go.
    """
    points = itertools.product(*axes)
    while True:
        chunk = list(itertools.islice(points, _CHUNK_ROWS))
        if not chunk:
            return
        columns = dict(zip(given, zip(*chunk)))
        arguments = {row.name: [columns[argument.name] for argument in row.arguments] for row in properties}
        for row in properties:
            counts[row.name].add(row, arguments[row.name])
        results = [_evaluate(row, arguments[row.name]) for row in properties]
        yield [point + values for point, values in zip(chunk, zip(*results))] if results else chunk


def _converted_column(values: List[float], convert: Optional[Callable[[float], float]]) -> List[float]:
    """values, each converted by convert (None: as they are)."""
    return values if convert is None else [convert(value) for value in values]


def _converted_chunks(
    chunks: Iterator[List[Tuple[float, ...]]], converters: Sequence[Optional[Callable[[float], float]]]
) -> Iterator[List[Tuple[float, ...]]]:
    """chunks with each column converted by its converter (None: as it is), as they are asked for."""
    for chunk in chunks:
        columns = [_converted_column(list(column), convert) for column, convert in zip(zip(*chunk), converters)]
        yield list(zip(*columns))


def _write_to_path(path: str, write: Callable[[TextIO], None]) -> None:
    with open(path, "w", encoding="utf-8", newline="") as stream:
        write(stream)


def _write_file(path: str, write: Callable[[str], None], failures: Tuple[Type[Exception], ...] = (OSError,)) -> int:
    """Write the file path with write(temporary path), replacing path only when
    it succeeds. Reports the file written and returns 0, or reports in one line
    why it could not be written and returns 1, path left as it was.

    failures are the exceptions that mean "could not write"; any other passes.
    """
    try:
        with replacing_file(path) as temporary:
            write(temporary)
    except failures as error:
        _report(f"{_PROGRAM}: error: cannot write {path!r}: {_reason(error)}")
        return 1
    _report(f"{_PROGRAM}: wrote {path}")
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


def _report(line: str) -> None:
    """Prints line on standard error; drops it when there is no standard error,
    since standard output carries data only."""
    if sys.stderr is not None:
        with contextlib.suppress(OSError, ValueError):
            print(line, file=sys.stderr)


def _run_diagram(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    output: str = options.output
    extension = os.path.splitext(output)[1].lower()
    if extension not in _DIAGRAM_FORMATS:
        parser.error(f"cannot tell the image format of {output!r}; end the file name in .png, .svg or .pdf")
    try:
        import matplotlib  # noqa: F401  (only to learn whether it is there)
    except ImportError as error:
        if error.name == "matplotlib":
            _report(
                f"{_PROGRAM}: error: the diagram needs matplotlib, which is not installed; install it with: "
                f'python -m pip install "Halx[plot]" (in a source checkout: python -m pip install ".[plot]")'
            )
        else:
            _report(
                f"{_PROGRAM}: error: matplotlib is installed but does not import ({error}); "
                f"repair it with: python -m pip install --force-reinstall matplotlib"
            )
        return 2
    from .plot import DEFAULT_TITLE, lettering_scale, save_diagram

    width, height = options.size
    try:
        lettering_scale(width, height, options.dpi)
    except ValueError as error:
        parser.error(str(error).replace("a dpi of", "--dpi"))
    settings: Dict[str, Any] = {
        "T_range": options.T_range,
        "P_range": options.P_range,
        "units": options.units,
        "title": DEFAULT_TITLE if options.title is None else options.title,
        "legend": None if options.legend == "none" else options.legend,
    }
    try:
        # Drawn without writing first: the window and the units are checked
        # by the drawing, and a mistake in them is a usage error, not a failed write.
        _check_diagram_settings(settings)
    except ValueError as error:
        parser.error(_as_options(str(error)))
    # Whatever the plotting library raises while writing (it may fail again
    # while cleaning up after a full disk) means the file could not be written.
    return _write_file(
        output,
        lambda path: save_diagram(path, width, height, options.dpi, format=extension[1:], **settings),
        (Exception,),
    )


def _check_diagram_settings(settings: Dict[str, Any]) -> None:
    """Raises the ValueError of Halx.plot for settings (the keyword arguments
    of save_diagram) that it refuses, at the cost of a small sketch."""
    from matplotlib.figure import Figure

    from .plot import phase_diagram

    phase_diagram(Figure().add_subplot(), points=2, **settings)


def _as_options(message: str) -> str:
    """A message of Halx.plot about its keyword arguments, in the words of the diagram's options."""
    spellings = {"T_range": ("--T", ":"), "P_range": ("--P", ":"), "units": ("--units", ",")}

    def spell(found: re.Match[str]) -> str:
        option, separator = spellings[found[1]]
        return f"{option} {found[2]}{separator}{found[3]}"

    message = re.sub(r"^(T_range|P_range|units) = \('?(.*?)'?, '?(.*?)'?\)", spell, message)
    return message.replace("give (low, high)", "give LOW:HIGH")


def _quantities_help() -> str:
    """One line per property and constant: its name and arguments, what it is, its unit."""
    lines = []
    for row in _QUANTITIES.values():
        if isinstance(row, Constant):
            lines.append(f"  {row.name:<18} {row.summary}, {row.unit}")
        else:
            meaning = (
                f"{row.summary}: {describe_result(row)}" if row.result == "phase" else f"{row.summary}, {row.unit}"
            )
            lines.append(f"  {' '.join((row.name,) + _names(row.arguments)):<18} {meaning}")
    return "\n".join(lines)


def _columns_help() -> str:
    """Which properties a table over each set of arguments shows, as one sentence."""
    sets = [_names(arguments) for arguments in ((TEMPERATURE,), (PRESSURE,), _ARGUMENTS)]
    columns = [[row.name for row in _default_columns(given)] for given in sets]
    listed = [", ".join(names[:-1]) + " and " + names[-1] if len(names) > 1 else names[0] for names in columns]
    densities = ",".join(name for name in columns[2] if name != _PHASE.name)
    return (
        f"With --T alone the columns are {listed[0]}; with --P alone, {listed[1]}; "
        f"with both, one row per (T, P) pair, T varying slowest, and the columns {listed[2]}: "
        "the phase says which density is that of the state. "
        f"--property picks other columns (--property {densities} leaves the phase out)."
    )


def _example(row: Property, *values: str) -> str:
    """An eval command line for row with its meaning: values in the units of the table."""
    command = " ".join((_PROGRAM, "eval", row.name) + values)
    given = ", ".join(f"{argument.name} = {value} {argument.unit}" for argument, value in zip(row.arguments, values))
    return f"  {command:<40} {row.name} at {given}, in {row.unit}"


def _units_help(ranges: bool = False) -> str:
    """The paragraph on the units of the values, with ranges the sentence on a range's unit; wrapped."""
    bare = " and ".join(f"{argument.unit} ({argument.name})" for argument in _ARGUMENTS)
    units = "; ".join(f"{argument.name} in {unit_list(argument)}" for argument in _ARGUMENTS)
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


def _add_si(command: argparse.ArgumentParser, columns: str) -> None:
    command.add_argument(
        _SI,
        dest="si",
        action="store_true",
        help=f"print {columns} in SI units: K, Pa and 1/Pa instead of °C, bar and 1/bar (kg/m³, J/mol and "
        "1/K stay), converted in double arithmetic, one more rounding; the values given keep their units",
    )


def _add_quiet(command: argparse.ArgumentParser) -> None:
    command.add_argument(
        *_QUIET,
        dest="quiet",
        action="store_true",
        help="leave out the lines on standard error about points outside the range where each "
        "property was checked against measurements or outside its plausible span (a likely unit slip)",
    )


def _build_parser() -> _Parser:
    units = ", ".join(f"{argument.quantity} {argument.name} in {argument.unit}" for argument in _ARGUMENTS)
    two_arguments = next(row for row in PROPERTIES if len(row.arguments) == 2)
    parser = _Parser(
        prog=_PROGRAM,
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Thermodynamic properties of pure sodium chloride (NaCl).\n"
            f"Units: {units}, or numbers with a unit such as\n"
            f"1273.15K or 10MPa; --si prints results in SI units. '{_PROGRAM} eval --help'\n"
            "lists the unit of each property and the units a number may carry."
        ),
        epilog=(
            "examples:\n"
            f"{_example(PROPERTIES[0], '1000')}\n"
            f"{_example(two_arguments, '900', '100')}\n"
            f"  {_PROGRAM} table --T 700:1100:50 --P 1,100,1000\n"
            f"  {_PROGRAM} table --T 900:1500:100 -o boiling.csv\n"
            f"  {_PROGRAM + ' eval --si P_Boiling 1273.15K':<40} P_Boiling at T = 1273.15 K, in Pa\n"
            f"  {_PROGRAM} phase 1000 1\n"
            f"  {_PROGRAM} diagram -o nacl.png\n"
            "\n"
            "Exit status: 0 when done, 1 when the output (a file or standard output)\n"
            "cannot be written, 2 for a bad command line (or 'diagram' without\n"
            "matplotlib, or HALX_SIMD naming kernels that cannot run here), 130 when\n"
            "interrupted (Ctrl-C). An output file takes the place of an older one\n"
            "only when complete."
        ),
    )
    parser.add_argument("--version", action=_PrintVersion)
    commands = parser.add_subparsers(title="commands", dest="command", metavar="COMMAND")

    evaluate = commands.add_parser(
        "eval",
        help="print a property or constant with its unit",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Print a property at the given arguments, or a constant, with its unit. Several\n"
            "points at once: give the arguments of each in turn; one line per point."
        ),
        epilog=(
            f"properties and constants ({_describe_arguments(_ARGUMENTS)}):\n"
            f"{_quantities_help()}\n\n"
            f"{_units_help()}\n\n"
            "examples:\n"
            f"  {_PROGRAM} eval P_Boiling 1000\n"
            f"  {_PROGRAM} eval P_Boiling 900 1000 1100     three temperatures, three lines\n"
            f"  {_PROGRAM} eval Rho_Solid 25 1 100 1000     (25 °C, 1 bar) and (100 °C, 1000 bar)\n"
            f"  {_PROGRAM} eval P_Boiling 1273.15K          at 1000 °C, in bar\n"
            f"  {_PROGRAM} eval Rho_Solid 25 10MPa          at 25 °C and 100 bar\n"
            f"  {_PROGRAM} eval --si T_Melting 1atm         in K, at 1.01325 bar\n"
            f"  {_PROGRAM} eval -n T_Melting 1000           the number alone, for shell scripts\n"
            f"  {_PROGRAM} eval T_Triple"
        ),
    )
    evaluate.add_argument(
        *_NUMBERS_ONLY,
        dest="numbers_only",
        action="store_true",
        help="print the numbers alone, without units, one per line (for shell scripts)",
    )
    _add_si(evaluate, "the result")
    evaluate.add_argument("quantity", metavar="PROPERTY", nargs="?", help="a property or constant named below")
    _add_quiet(evaluate)
    evaluate.add_argument(
        "values",
        metavar="ARGUMENT",
        nargs=argparse.REMAINDER,
        help="the property's arguments, in order; repeat them for more points",
    )
    evaluate.set_defaults(run=_run_eval, parser=evaluate)

    table = commands.add_parser(
        "table",
        help="print properties over ranges of temperature and/or pressure",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Print a table of properties over temperatures and/or pressures.\n\n"
            + textwrap.fill(_columns_help(), width=79)
        ),
        epilog=(
            "VALUES is a comma list of numbers and ranges. A range start:stop:step runs\n"
            "from start in steps of step and includes stop when stop lies a whole number\n"
            "of steps from start: 700:1100:50 is 700, 750, ..., 1100, and 0:1:0.3 is\n"
            "0, 0.3, 0.6, 0.9. A step may be negative: 1100:700:-100. Items combine:\n"
            "1,10,100:1000:300. Values may be negative: --T -20:40:10.\n"
            f"Limits: {_values.MAX_VALUES} values per option, {_MAX_TABLE_ROWS} rows per table.\n"
            "\n"
            f"{_units_help(ranges=True)}\n"
            "\n"
            "The terminal layout rounds results to --digits significant digits; CSV\n"
            "(--csv, or an output file ending in .csv) keeps every digit. Rows are\n"
            "written as they are computed, so a long table starts at once.\n"
            "\n"
            "examples:\n"
            f"  {_PROGRAM} table --T 700:1100:50 --P 1,100,1000\n"
            f"  {_PROGRAM} table --P 1,10,100:1000:300 --csv\n"
            f"  {_PROGRAM} table --T 900:1500:100 --property P_Boiling -o boiling.csv\n"
            f"  {_PROGRAM} table --T 1100K:1700K:100 --P 100kPa,10MPa --si"
        ),
    )
    for argument in _ARGUMENTS:
        table.add_argument(
            f"--{argument.name}",
            type=_values_argument(argument),
            metavar="VALUES",
            help=f"{argument.quantity}s, {argument.unit} or with a unit ({unit_list(argument)})",
        )
    table.add_argument(
        "--property",
        action="append",
        metavar="NAMES",
        help="columns to print, a comma list of properties (may be repeated)",
    )
    table.add_argument("--csv", action="store_true", help="write CSV instead of aligned columns")
    _add_si(table, "every column, T and P too,")
    _add_quiet(table)
    table.add_argument(
        "-o", "--output", metavar="FILE", help="write to FILE instead of standard output ('-': standard output)"
    )
    table.add_argument(
        "--digits",
        type=_bounded_int(1, 17),
        default=6,
        metavar="N",
        help="significant digits of results in the aligned layout (default: 6)",
    )
    table.set_defaults(run=_run_table, parser=table)

    phase = commands.add_parser(
        "phase",
        usage=f"{_PROGRAM} phase [-h] T P [T P ...]",
        help="print the phase at a temperature and pressure: solid, liquid or vapour",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            f"Print the phase of NaCl at temperature T ({TEMPERATURE.unit}) and pressure P ({PRESSURE.unit}):\n"
            "solid, liquid or vapour, from the three curves and the triple point; one line per\n"
            "point. A state exactly on a curve gets the phase of the curve's high-pressure side:\n"
            "liquid on the boiling curve, solid on the sublimation and melting curves."
        ),
        epilog=(
            f"{_units_help()}\n\n"
            f"examples:\n  {_PROGRAM} phase 1000 1\n  {_PROGRAM} phase 25 1e-30 1500 1\n"
            f"  {_PROGRAM} phase 1000degC 1atm"
        ),
    )
    phase.add_argument(
        "values",
        metavar="T P",
        nargs=argparse.REMAINDER,
        help=f"temperature in {TEMPERATURE.unit}, pressure in {PRESSURE.unit}, or each with a unit; "
        "repeat them for more points",
    )
    _add_quiet(phase)
    phase.set_defaults(run=_run_phase, parser=phase)

    diagram = commands.add_parser(
        "diagram",
        help="draw the pressure–temperature phase diagram to a PNG, SVG or PDF file",
        description=(
            "Draw the pressure–temperature phase diagram of NaCl: the fields of solid, liquid and "
            "vapour, and the boiling, melting and sublimation curves meeting at the triple point, "
            "on a logarithmic pressure axis. --dpi is pixels per inch: it sets the printed size, "
            "which a PNG records; the lettering is 10 pt on prints of 5 x 3.75 inches and larger "
            "and scales down with smaller prints, so the same pixels look the same at every dpi. "
            "SVG and PDF keep their text as text. Needs matplotlib (the 'plot' extra)."
        ),
        epilog=(
            f"examples: {_PROGRAM} diagram -o nacl.png; for one column of a journal, in SI units: "
            f"{_PROGRAM} diagram -o nacl.pdf --size 1050x788 --dpi 300 --units K,Pa --T 800:1800 --title ''"
        ),
    )
    diagram.add_argument(
        "-o", "--output", required=True, metavar="FILE", help="the image to write: a .png, .svg or .pdf file"
    )
    diagram.add_argument(
        "--size",
        type=_size_argument,
        default=(800, 600),
        metavar="WxH",
        help="image size in pixels, from 320x240 up (default: 800x600)",
    )
    diagram.add_argument(
        "--dpi",
        type=_bounded_int(10, 1200),
        default=100,
        help="pixels per inch: the printed size is WIDTH/dpi x HEIGHT/dpi inches (default: 100)",
    )
    diagram.add_argument(
        "--T",
        dest="T_range",
        type=_bounds_argument,
        metavar="LOW:HIGH",
        help="the temperatures shown, in the temperature unit of --units (default: 500:1500 in °C)",
    )
    diagram.add_argument(
        "--P",
        dest="P_range",
        type=_bounds_argument,
        metavar="LOW:HIGH",
        help="the pressures shown, above 0, in the pressure unit of --units (default: 1e-8:1e4 in bar)",
    )
    diagram.add_argument(
        "--units",
        type=_pair_argument,
        default=("degC", "bar"),
        metavar="T,P",
        help="units of the axes and of --T and --P: degC or K, and bar or Pa (default: degC,bar; SI: K,Pa)",
    )
    diagram.add_argument(
        "--title",
        metavar="TEXT",
        help="the title above the diagram, '' for none (default: Phase diagram of sodium chloride)",
    )
    diagram.add_argument(
        "--legend",
        choices=("outside", "inside", "none"),
        default="outside",
        help="the legend beside the axes, inside them in the corner freest of curves, or none (default: outside)",
    )
    diagram.set_defaults(run=_run_diagram, parser=diagram)
    return parser


# --- Entry point --------------------------------------------------------------------------


def main(argv: Optional[Sequence[str]] = None) -> int:
    """Run the ``halx`` command line argv (default: ``sys.argv[1:]``) and return the exit status.

    0 when done, 1 when the output cannot be written, 2 for a bad command
    line, a missing matplotlib or a HALX_SIMD that cannot be honoured, 130
    when interrupted; every failure is one line on standard error. Characters
    that standard output or error cannot encode (°, ³ on an ASCII terminal)
    are written in ASCII (deg, ^3).
    """
    words = list(sys.argv[1:] if argv is None else argv)
    standard_output = sys.stdout
    # An implausible argument is reported in a line of the command's own
    # (_note_outside), not as a Python warning with its source line.
    with ascii_where_needed(standard_output), ascii_where_needed(sys.stderr), warnings.catch_warnings():
        warnings.simplefilter("ignore", RangeWarning)
        sys.stdout = guarded(standard_output)
        try:
            return _run(words, standard_output)
        finally:
            sys.stdout = standard_output


def _run(words: List[str], standard_output: Optional[TextIO]) -> int:
    """Runs the command line words; returns the exit status, having reported any failure in one line.

    standard_output is the stream that sys.stdout guards while this runs.
    """
    try:
        try:
            status = _dispatch(words)
        except SystemExit as stop:  # --help and --version
            status = stop.code if isinstance(stop.code, int) else 0
        # Written data may wait in a buffer: it has reached its reader only once flushed.
        sys.stdout.flush()
        return status
    except (_UsageError, _SetupError) as error:
        _report(str(error))
        return 2
    except KeyboardInterrupt:
        _report(f"{_PROGRAM}: interrupted")
        return 130
    except BrokenPipeError:
        # The reader of our output went away (halx table ... | head); stop quietly.
        _discard_unwritten(standard_output)
        return 1
    except OutputFailed as error:
        _report(f"{_PROGRAM}: error: cannot write standard output: {error}")
        _discard_unwritten(standard_output)
        return 1


def _dispatch(words: List[str]) -> int:
    """Parses words and runs the command they name; returns its exit status."""
    parser = _build_parser()
    options, unknown = parser.parse_known_args(_join_negative_values(words))
    # A subcommand's stray option is its own error, with its own help.
    command_parser: _Parser = getattr(options, "parser", parser)
    if unknown:
        command_parser.error(f"unrecognized arguments: {' '.join(unknown)}")
    if options.command is None:
        parser.error("give a command: eval, table, phase or diagram")
    if os.environ.get(_KERNEL_VARIABLE):
        # Every command refuses kernels that cannot run here, the ones that
        # evaluate without NumPy too, so that a typing slip is never ignored.
        _arrays()
    status: int = options.run(options)
    return status


def _discard_unwritten(stream: Optional[TextIO]) -> None:
    """Points the descriptor of stream at the null device, so that what is
    still buffered cannot fail again, or print a traceback, when the
    interpreter flushes it at exit."""
    try:
        if stream is not None:
            devnull = os.open(os.devnull, os.O_WRONLY)
            os.dup2(devnull, stream.fileno())
            os.close(devnull)
    except (OSError, ValueError, io.UnsupportedOperation, AttributeError):
        pass

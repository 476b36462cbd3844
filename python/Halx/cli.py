"""The ``halx`` command: evaluate a property, print a table, draw the phase diagram.

Installed as the ``halx`` script and runnable as ``python -m Halx``; see
``halx --help``. :func:`main` runs a command line in-process and returns the
exit status instead of leaving the interpreter:

- 0: done;
- 1: the output file could not be written;
- 2: a bad command line (unknown property, a value that is not a number, a
  malformed range, a wrong number of arguments), or ``halx diagram`` without
  matplotlib.

Every failure is reported in one line on standard error, never as a traceback.

Units: temperature T in °C, pressure P in bar, density in kg/m³, molar mass in
kg/mol.
"""
from __future__ import annotations

import argparse
import csv
import difflib
import io
import os
import re
import sys
from decimal import ROUND_FLOOR, Decimal, InvalidOperation, Overflow, localcontext
from typing import Any, Callable, Dict, List, NamedTuple, NoReturn, Optional, Sequence, Tuple

from . import __version__, cvar
from ._proxy import cHalx

__all__ = ["main", "parse_values"]

_PROGRAM = "halx"


class _Quantity(NamedTuple):
    """A property (with arguments) or a constant (without), as the command line knows it."""

    name: str
    arguments: Tuple[str, ...]
    unit: str
    meaning: str


# The arguments T and P: their units and the value each uses in examples.
_ARGUMENT_UNITS: Dict[str, str] = {"T": "°C", "P": "bar"}
_ARGUMENT_EXAMPLES: Dict[str, str] = {"T": "1000", "P": "100"}

_PROPERTIES: Tuple[_Quantity, ...] = (
    _Quantity("P_Boiling", ("T",), "bar", "pressure on the liquid–vapour (boiling) curve"),
    _Quantity("T_Melting", ("P",), "°C", "temperature on the solid–liquid (melting) curve"),
    _Quantity("P_Sublimation", ("T",), "bar", "pressure on the solid–vapour (sublimation) curve"),
    _Quantity("Rho_Solid", ("T", "P"), "kg/m³", "density of the solid"),
    _Quantity("Rho_Liquid", ("T", "P"), "kg/m³", "density of the liquid"),
)
_CONSTANTS: Tuple[_Quantity, ...] = (
    _Quantity("MolarMass", (), "kg/mol", "molar mass"),
    _Quantity("T_Triple", (), "°C", "triple-point temperature"),
    _Quantity("P_Triple", (), "bar", "triple-point pressure"),
)
_QUANTITIES: Dict[str, _Quantity] = {q.name: q for q in _PROPERTIES + _CONSTANTS}

# Limits that turn a typing slip (a step of 1e-9) into a message instead of an
# hour of output.
_MAX_VALUES_PER_AXIS = 100_000
_MAX_TABLE_ROWS = 1_000_000

_DIAGRAM_FORMATS = (".png", ".svg", ".pdf")

_instance = cHalx()


# --- Values: numbers, comma lists and ranges ------------------------------------------


def _parse_number(text: str, context: str = "") -> Decimal:
    """The decimal number written in text; ValueError with a one-line message otherwise."""
    try:
        number = Decimal(text)
    except InvalidOperation:
        number = Decimal("sNaN")
    if number.is_snan():
        raise ValueError(f"{text!r}{context} is not a number; write a decimal number such as 1000, -20.5 or 1e-3")
    return number


def _parse_range(item: str) -> List[float]:
    """The grid start, start+step, ... up to stop (included when on the grid) of item 'start:stop:step'."""
    parts = item.split(":")
    if len(parts) != 3:
        raise ValueError(f"malformed range {item!r}; write start:stop:step, e.g. 700:1100:50")
    start, stop, step = (_parse_number(part, f" in range {item!r}") for part in parts)
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
        if steps >= _MAX_VALUES_PER_AXIS:
            raise ValueError(f"range {item!r} gives more than {_MAX_VALUES_PER_AXIS} values; use a larger step")
        last = int(steps.to_integral_value(rounding=ROUND_FLOOR))
        return [float(start + index * step) for index in range(last + 1)]


def parse_values(text: str) -> List[float]:
    """The numbers that a comma list of numbers and ranges stands for, in order.

    A range ``start:stop:step`` runs from start in steps of step and includes
    stop when stop lies a whole number of steps from start: ``700:1100:50`` is
    700, 750, ..., 1100 and ``0:1:0.3`` is 0, 0.3, 0.6, 0.9. The step may be
    negative (``1100:700:-100``). Items combine: ``1,10,100:1000:300``. The
    values are in whatever unit the caller reads them in (°C for T, bar for P).

    Raises ``ValueError`` with a one-line message for anything else.
    """
    values: List[float] = []
    for item in text.split(","):
        item = item.strip()
        if not item:
            raise ValueError(
                f"empty item in {text!r}; separate numbers and ranges by single commas, e.g. 1,100,1000"
            )
        if ":" in item:
            values.extend(_parse_range(item))
        else:
            values.append(float(_parse_number(item)))
        if len(values) > _MAX_VALUES_PER_AXIS:
            raise ValueError(f"{text!r} gives more than {_MAX_VALUES_PER_AXIS} values; use fewer or a larger step")
    return values


def _values_argument(text: str) -> List[float]:
    """argparse type for --T and --P."""
    try:
        return parse_values(text)
    except ValueError as error:
        raise argparse.ArgumentTypeError(str(error)) from None


def _size_argument(text: str) -> Tuple[int, int]:
    """argparse type for --size: 'WIDTHxHEIGHT' in pixels."""
    match = re.fullmatch(r"\s*(\d+)\s*[xX×]\s*(\d+)\s*", text)
    if match is None or not all(100 <= int(side) <= 10_000 for side in match.groups()):
        raise argparse.ArgumentTypeError(
            f"{text!r} is not a size WIDTHxHEIGHT in pixels from 100 to 10000, e.g. 800x600"
        )
    return int(match.group(1)), int(match.group(2))


def _bounded_int(low: int, high: int) -> Callable[[str], int]:
    """argparse type for a whole number from low to high."""

    def parse(text: str) -> int:
        try:
            value = int(text)
        except ValueError:
            value = low - 1
        if not low <= value <= high:
            raise argparse.ArgumentTypeError(f"{text!r} is not a whole number from {low} to {high}")
        return value

    return parse


# --- Evaluation --------------------------------------------------------------------------


def _arrays() -> Optional[Tuple[Any, Any]]:
    """NumPy and the Halx.ufunc module when both import, else None (the scalar path is used)."""
    try:
        import numpy

        from . import ufunc
    except ImportError:
        return None
    return numpy, ufunc


def _evaluate(quantity: _Quantity, columns: Dict[str, List[float]]) -> List[float]:
    """quantity at every row of the argument columns (one list per argument name, °C or bar)."""
    inputs = [columns[name] for name in quantity.arguments]
    arrays = _arrays()
    if arrays is not None:
        numpy, ufunc = arrays
        # Outside the physical range the model overflows by design; the values
        # (inf, nan) are the answer, so NumPy's warnings would only be noise.
        with numpy.errstate(all="ignore"):
            result: List[float] = getattr(ufunc, quantity.name)(*inputs).tolist()
        return result
    function = getattr(_instance, quantity.name)
    return [function(*row) for row in zip(*inputs)]


# --- The command line -------------------------------------------------------------------


class _UsageError(Exception):
    """A bad command line; the message is the whole line to print."""


class _Parser(argparse.ArgumentParser):
    """An ArgumentParser that reports a bad command line in one line and lets main() return 2."""

    def error(self, message: str) -> NoReturn:
        message = " ".join(message.split())
        raise _UsageError(f"{self.prog}: error: {message} (see '{self.prog} --help')")


def _join_negative_values(argv: Sequence[str]) -> List[str]:
    """argv with '--T -20:40:10' written as '--T=-20:40:10'.

    argparse takes a word such as '-20:40:10' or '-1e3' for an option, not a
    value; no option of ours starts with a digit, so such a word after --T or
    --P is always meant as the value.
    """
    joined: List[str] = []
    index = 0
    while index < len(argv):
        word = argv[index]
        if word == "--":
            joined.extend(argv[index:])
            break
        following = argv[index + 1] if index + 1 < len(argv) else ""
        if word in ("--T", "--P") and re.match(r"-\.?\d", following):
            joined.append(f"{word}={following}")
            index += 2
        else:
            joined.append(word)
            index += 1
    return joined


def _describe_arguments(quantity: _Quantity) -> str:
    """'T in °C and P in bar' for quantity."""
    return " and ".join(f"{name} in {_ARGUMENT_UNITS[name]}" for name in quantity.arguments)


def _format_exact(value: float) -> str:
    """value with every digit needed to read it back exactly, without a trailing '.0'."""
    text = repr(value)
    return text[:-2] if text.endswith(".0") else text


def _format_rounded(value: float, digits: int) -> str:
    """value to digits significant digits, trailing zeros kept so that columns read alike."""
    text = f"{value:#.{digits}g}"
    return text.replace(".e", "e") if "e" in text else text.rstrip(".")


def _run_eval(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    name: Optional[str] = options.quantity
    if name is None:
        parser.error(f"give a property or constant, e.g. {_PROGRAM} eval P_Boiling 1000")
    quantity = _QUANTITIES.get(name)
    if quantity is None:
        known = list(_QUANTITIES)
        by_case = {known_name.lower(): known_name for known_name in known}
        close = difflib.get_close_matches(name.lower(), list(by_case), n=1)
        hint = f" (did you mean {by_case[close[0]]}?)" if close else ""
        parser.error(f"unknown property {name!r}{hint}; choose one of {', '.join(known)}")
    words: List[str] = options.values
    if len(words) != len(quantity.arguments):
        if quantity.arguments:
            example = " ".join(_ARGUMENT_EXAMPLES[argument] for argument in quantity.arguments)
            plural = "s" if len(quantity.arguments) > 1 else ""
            parser.error(
                f"{name} takes {len(quantity.arguments)} argument{plural} ({_describe_arguments(quantity)}), "
                f"not {len(words)}; e.g. {_PROGRAM} eval {name} {example}"
            )
        parser.error(f"{name} is a constant and takes no arguments, not {len(words)}; e.g. {_PROGRAM} eval {name}")
    arguments: List[float] = []
    for argument, word in zip(quantity.arguments, words):
        try:
            arguments.append(float(_parse_number(word)))
        except ValueError:
            parser.error(
                f"{argument} = {word!r} is not a number; give {argument} in {_ARGUMENT_UNITS[argument]} "
                f"as a decimal number such as {_ARGUMENT_EXAMPLES[argument]} or 1.5e3"
            )
    if quantity.arguments:
        value: float = getattr(_instance, name)(*arguments)
    else:
        value = getattr(cvar, name)
    print(f"{value!r} {quantity.unit}")
    return 0


def _table_quantities(parser: _Parser, options: argparse.Namespace, given: Tuple[str, ...]) -> List[_Quantity]:
    """The property columns of a table over the arguments given (a sub-tuple of ('T', 'P'))."""
    if not options.property:
        return [quantity for quantity in _PROPERTIES if quantity.arguments == given]
    chosen: List[_Quantity] = []
    for name in ",".join(options.property).split(","):
        name = name.strip()
        quantity = _QUANTITIES.get(name)
        if quantity is None or not quantity.arguments:
            names = ", ".join(q.name for q in _PROPERTIES)
            parser.error(f"--property: unknown property {name!r}; choose from {names}")
        missing = [argument for argument in quantity.arguments if argument not in given]
        if missing:
            flags = " and ".join(f"--{argument}" for argument in missing)
            parser.error(f"{name} needs {flags} ({_describe_arguments(quantity)}); add {flags} VALUES")
        chosen.append(quantity)
    return chosen


def _run_table(options: argparse.Namespace) -> int:
    parser: _Parser = options.parser
    axes: Dict[str, List[float]] = {name: getattr(options, name) for name in ("T", "P") if getattr(options, name)}
    if not axes:
        parser.error(f"give --T and/or --P, e.g. {_PROGRAM} table --T 700:1100:50 --P 1,100,1000")
    given = tuple(axes)
    quantities = _table_quantities(parser, options, given)
    rows = 1
    for values in axes.values():
        rows *= len(values)
    if rows > _MAX_TABLE_ROWS:
        parser.error(f"the table would have {rows} rows, more than {_MAX_TABLE_ROWS}; use fewer values")

    # One row per (T, P) pair, T varying slowest.
    columns: Dict[str, List[float]] = {}
    repeat = 1
    for name in reversed(given):
        values = axes[name]
        columns[name] = [value for value in values for _ in range(repeat)] * (rows // (len(values) * repeat))
        repeat *= len(values)
    headers = [f"{name} ({_ARGUMENT_UNITS[name]})" for name in given]
    headers += [f"{quantity.name} ({quantity.unit})" for quantity in quantities]
    results = [_evaluate(quantity, columns) for quantity in quantities]
    table = list(zip(*([columns[name] for name in given] + results)))

    output: Optional[str] = options.output
    as_csv = options.csv or (output is not None and output.lower().endswith(".csv"))
    lines = _csv_lines(headers, table) if as_csv else _aligned_lines(headers, table, len(given), options.digits)
    if output is None:
        # Line by line, so that a reader who stops early (halx table ... | head)
        # stops us too instead of waiting for the whole table.
        sys.stdout.writelines(lines)
        return 0
    return _write_file(output, lambda: _write_lines(output, lines))


def _csv_lines(headers: List[str], table: List[Tuple[float, ...]]) -> List[str]:
    """The table as CSV lines with a header row; every number is written with all its digits."""
    buffer = io.StringIO()
    writer = csv.writer(buffer, lineterminator="\n")
    writer.writerow(headers)
    writer.writerows([repr(value) for value in row] for row in table)
    return buffer.getvalue().splitlines(keepends=True)


def _aligned_lines(headers: List[str], table: List[Tuple[float, ...]], exact: int, digits: int) -> List[str]:
    """The table in right-aligned columns; the first exact columns (T, P) keep all their digits."""
    cells = [
        [_format_exact(value) if index < exact else _format_rounded(value, digits) for index, value in enumerate(row)]
        for row in table
    ]
    widths = [max([len(header)] + [len(row[index]) for row in cells]) for index, header in enumerate(headers)]
    rows = [headers, ["-" * width for width in widths]] + cells
    return ["  ".join(cell.rjust(width) for cell, width in zip(row, widths)) + "\n" for row in rows]


def _write_lines(path: str, lines: List[str]) -> None:
    with open(path, "w", encoding="utf-8", newline="") as stream:
        stream.writelines(lines)


def _write_file(path: str, write: Callable[[], None]) -> int:
    """Run write(); on failure report in one line and return 1, else report the file and return 0."""
    try:
        write()
    except OSError as error:
        reason = error.strerror or str(error)
        print(f"{_PROGRAM}: error: cannot write {path!r}: {reason}", file=sys.stderr)
        return 1
    print(f"{_PROGRAM}: wrote {path}", file=sys.stderr)
    return 0


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
            print(
                f"{_PROGRAM}: error: the diagram needs matplotlib, which is not installed; install it with: "
                f'python -m pip install "Halx[plot]" (in a source checkout: python -m pip install ".[plot]")',
                file=sys.stderr,
            )
        else:
            print(
                f"{_PROGRAM}: error: matplotlib is installed but does not import ({error}); "
                f"repair it with: python -m pip install --force-reinstall matplotlib",
                file=sys.stderr,
            )
        return 2
    width, height = options.size
    figure = _phase_diagram(width, height, options.dpi)
    return _write_file(output, lambda: figure.savefig(output, format=extension[1:]))


def _phase_diagram(width: int, height: int, dpi: int) -> Any:
    """The pressure–temperature phase diagram as a matplotlib Figure of width × height pixels."""
    import numpy
    from matplotlib.figure import Figure

    T_low, T_high = 500.0, 1500.0  # °C
    P_low, P_high = 1e-8, 1e4  # bar
    T_Triple, P_Triple = cvar.T_Triple, cvar.P_Triple

    # Each curve ends exactly at the triple point, where the model makes all three meet.
    T_boiling = numpy.linspace(T_Triple, T_high, 400)
    T_sublimation = numpy.linspace(T_low, T_Triple, 400)
    P_melting = numpy.geomspace(P_Triple, P_high, 400)
    P_boiling = _evaluate(_QUANTITIES["P_Boiling"], {"T": T_boiling.tolist()})
    P_sublimation = _evaluate(_QUANTITIES["P_Sublimation"], {"T": T_sublimation.tolist()})
    T_melting = _evaluate(_QUANTITIES["T_Melting"], {"P": P_melting.tolist()})

    figure = Figure(figsize=(width / dpi, height / dpi), dpi=dpi, layout="constrained")
    axes = figure.add_subplot()
    axes.set_yscale("log")
    axes.plot(T_boiling, P_boiling, color="tab:red", label="boiling: liquid–vapour")
    axes.plot(T_melting, P_melting, color="tab:blue", label="melting: solid–liquid")
    axes.plot(T_sublimation, P_sublimation, color="tab:green", label="sublimation: solid–vapour")
    axes.plot([T_Triple], [P_Triple], "o", color="black", zorder=3)
    axes.annotate(
        f"triple point\n{T_Triple:g} °C, {P_Triple:g} bar",
        xy=(T_Triple, P_Triple),
        xytext=(T_Triple + 60, P_Triple / 300),
        arrowprops={"arrowstyle": "->", "color": "black"},
    )
    for label, T, P in (("solid", 650.0, 1e0), ("liquid", 1150.0, 1e2), ("vapour", 1150.0, 1e-6)):
        axes.text(T, P, label, fontsize="x-large", ha="center", va="center", style="italic")
    axes.set_xlim(T_low, T_high)
    axes.set_ylim(P_low, P_high)
    axes.set_xlabel("Temperature (°C)")
    axes.set_ylabel("Pressure (bar)")
    axes.set_title("Phase diagram of sodium chloride (NaCl)")
    axes.grid(True, which="major", alpha=0.3)
    axes.legend(loc="upper left")
    return figure


def _build_parser() -> _Parser:
    properties = "\n".join(
        f"  {' '.join((quantity.name,) + quantity.arguments):<18} {quantity.meaning}, {quantity.unit}"
        for quantity in _PROPERTIES + _CONSTANTS
    )
    parser = _Parser(
        prog=_PROGRAM,
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Thermodynamic properties of pure sodium chloride (NaCl).\n"
            "Units: temperature T in °C, pressure P in bar, density in kg/m³."
        ),
        epilog=(
            "examples:\n"
            f"  {_PROGRAM} eval P_Boiling 1000                 boiling pressure at 1000 °C, bar\n"
            f"  {_PROGRAM} eval Rho_Liquid 900 100             liquid density at 900 °C and 100 bar\n"
            f"  {_PROGRAM} table --T 700:1100:50 --P 1,100,1000\n"
            f"  {_PROGRAM} table --T 900:1500:100 -o boiling.csv\n"
            f"  {_PROGRAM} diagram -o nacl.png\n"
            "\n"
            "Exit status: 0 when done, 1 when the output file cannot be written,\n"
            "2 for a bad command line (or 'diagram' without matplotlib)."
        ),
    )
    parser.add_argument("--version", action="version", version=f"{_PROGRAM} {__version__}")
    commands = parser.add_subparsers(title="commands", dest="command", metavar="COMMAND")

    evaluate = commands.add_parser(
        "eval",
        help="print one property or constant with its unit",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Print one property at the given arguments, or a constant, with its unit.",
        epilog=(
            f"properties and constants (T in °C, P in bar):\n{properties}\n\n"
            "examples:\n"
            f"  {_PROGRAM} eval P_Boiling 1000\n"
            f"  {_PROGRAM} eval Rho_Solid 25 1\n"
            f"  {_PROGRAM} eval T_Triple"
        ),
    )
    evaluate.add_argument("quantity", metavar="PROPERTY", nargs="?", help="a property or constant named below")
    evaluate.add_argument(
        "values", metavar="ARGUMENT", nargs=argparse.REMAINDER, help="the property's arguments, in order"
    )
    evaluate.set_defaults(run=_run_eval, parser=evaluate)

    table = commands.add_parser(
        "table",
        help="print properties over ranges of temperature and/or pressure",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Print a table of properties over temperatures and/or pressures.\n"
            "\n"
            "With --T alone the columns are P_Boiling and P_Sublimation; with --P alone,\n"
            "T_Melting; with both, one row per (T, P) pair, T varying slowest, and the\n"
            "columns Rho_Solid and Rho_Liquid. --property picks other columns."
        ),
        epilog=(
            "VALUES is a comma list of numbers and ranges. A range start:stop:step runs\n"
            "from start in steps of step and includes stop when stop lies a whole number\n"
            "of steps from start: 700:1100:50 is 700, 750, ..., 1100, and 0:1:0.3 is\n"
            "0, 0.3, 0.6, 0.9. A step may be negative: 1100:700:-100. Items combine:\n"
            "1,10,100:1000:300. Values may be negative: --T -20:40:10.\n"
            "\n"
            "The terminal layout rounds results to --digits significant digits; CSV\n"
            "(--csv, or an output file ending in .csv) keeps every digit.\n"
            "\n"
            "examples:\n"
            f"  {_PROGRAM} table --T 700:1100:50 --P 1,100,1000\n"
            f"  {_PROGRAM} table --P 1,10,100:1000:300 --csv\n"
            f"  {_PROGRAM} table --T 900:1500:100 --property P_Boiling -o boiling.csv"
        ),
    )
    table.add_argument("--T", type=_values_argument, metavar="VALUES", help="temperatures, °C")
    table.add_argument("--P", type=_values_argument, metavar="VALUES", help="pressures, bar")
    table.add_argument(
        "--property",
        action="append",
        metavar="NAMES",
        help="columns to print, a comma list of properties (may be repeated)",
    )
    table.add_argument("--csv", action="store_true", help="write CSV instead of aligned columns")
    table.add_argument("-o", "--output", metavar="FILE", help="write to FILE instead of standard output")
    table.add_argument(
        "--digits",
        type=_bounded_int(1, 17),
        default=6,
        metavar="N",
        help="significant digits of results in the aligned layout (default: 6)",
    )
    table.set_defaults(run=_run_table, parser=table)

    diagram = commands.add_parser(
        "diagram",
        help="draw the pressure–temperature phase diagram to a PNG, SVG or PDF file",
        description=(
            "Draw the pressure–temperature phase diagram of NaCl: the boiling, melting and "
            "sublimation curves meeting at the triple point, on a logarithmic pressure axis. "
            "Needs matplotlib (the 'plot' extra)."
        ),
        epilog=f"example: {_PROGRAM} diagram -o nacl.png",
    )
    diagram.add_argument(
        "-o", "--output", required=True, metavar="FILE", help="the image to write: a .png, .svg or .pdf file"
    )
    diagram.add_argument(
        "--size",
        type=_size_argument,
        default=(800, 600),
        metavar="WxH",
        help="image size in pixels at --dpi (default: 800x600)",
    )
    diagram.add_argument(
        "--dpi",
        type=_bounded_int(10, 1200),
        default=100,
        help="pixels per inch, which scales the lettering (default: 100)",
    )
    diagram.set_defaults(run=_run_diagram, parser=diagram)
    return parser


def main(argv: Optional[Sequence[str]] = None) -> int:
    """Run the ``halx`` command line argv (default: ``sys.argv[1:]``) and return the exit status.

    0 when done, 1 when an output file cannot be written, 2 for a bad command
    line or a missing matplotlib; every failure is one line on standard error.
    """
    words = list(sys.argv[1:] if argv is None else argv)
    parser = _build_parser()
    try:
        options = parser.parse_args(_join_negative_values(words))
        if options.command is None:
            parser.error("give a command: eval, table or diagram")
        status: int = options.run(options)
        return status
    except _UsageError as error:
        print(error, file=sys.stderr)
        return 2
    except SystemExit as stop:  # --help and --version
        return stop.code if isinstance(stop.code, int) else 0
    except BrokenPipeError:
        # The reader of our output went away (halx table ... | head); stop quietly,
        # and keep the interpreter from complaining when it flushes stdout at exit.
        try:
            devnull = os.open(os.devnull, os.O_WRONLY)
            os.dup2(devnull, sys.stdout.fileno())
        except (OSError, ValueError, io.UnsupportedOperation):
            pass
        return 1

"""``halx table``: properties over ranges of temperature and/or pressure, aligned or as CSV.

The rows are evaluated and written a chunk at a time as the writer asks for
them, so memory stays that of one chunk and the header goes out before the
first value is computed, however long the table.
"""

from __future__ import annotations

import argparse
import functools
import itertools
import sys
import textwrap
from typing import Any, Callable, Dict, Iterator, List, Optional, Sequence, Tuple

from . import _command, _values
from ._command import (
    ARGUMENTS,
    PHASE,
    PROGRAM,
    QUANTITIES,
    Counts,
    Parser,
    add_quiet,
    add_si,
    bounded_int,
    describe_arguments,
    names,
    note_outside,
    units_help,
    values_argument,
    write_file,
    write_to_path,
)
from ._output import in_si, write_aligned, write_csv
from ._table import PRESSURE, PROPERTIES, TEMPERATURE, Property
from ._values import unit_list

# A typing slip (a step of 1e-9) becomes a message instead of an hour of output.
_MAX_TABLE_ROWS = 1_000_000

# Rows of a table evaluated and written at a time: memory stays that of one
# chunk whatever the number of rows, and a chunk is long enough that the
# ufuncs' cost per call vanishes beside the cost per row.
_CHUNK_ROWS = 4096

# The file name that stands for standard output.
_STANDARD_OUTPUT = "-"

Chunk = List[Tuple[Any, ...]]
Converter = Optional[Callable[[float], float]]

_EPILOG = f"""VALUES is a comma list of numbers and ranges. A range start:stop:step runs
from start in steps of step and includes stop when stop lies a whole number
of steps from start: 700:1100:50 is 700, 750, ..., 1100, and 0:1:0.3 is
0, 0.3, 0.6, 0.9. A step may be negative: 1100:700:-100. Items combine:
1,10,100:1000:300. Values may be negative: --T -20:40:10.
Limits: {_values.MAX_VALUES} values per option, {_MAX_TABLE_ROWS} rows per table.

{units_help(ranges=True)}

The terminal layout rounds results to --digits significant digits; CSV
(--csv, or an output file ending in .csv) keeps every digit. Rows are
written as they are computed, so a long table starts at once.

examples:
  {PROGRAM} table --T 700:1100:50 --P 1,100,1000
  {PROGRAM} table --P 1,10,100:1000:300 --csv
  {PROGRAM} table --T 900:1500:100 --property P_Boiling -o boiling.csv
  {PROGRAM} table --T 1100K:1700K:100 --P 100kPa,10MPa --si"""


def add_table(commands: Any) -> None:
    """Adds the command table to commands (the subparsers of halx)."""
    table: Parser = commands.add_parser(
        "table",
        help="print properties over ranges of temperature and/or pressure",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Print a table of properties over temperatures and/or pressures.\n\n"
            + textwrap.fill(_columns_help(), width=79)
        ),
        epilog=_EPILOG,
    )
    for argument in ARGUMENTS:
        table.add_argument(
            f"--{argument.name}",
            type=values_argument(argument),
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
    add_si(table, "every column, T and P too,")
    add_quiet(table)
    table.add_argument(
        "-o", "--output", metavar="FILE", help="write to FILE instead of standard output ('-': standard output)"
    )
    table.add_argument(
        "--digits",
        type=bounded_int(1, 17),
        default=6,
        metavar="N",
        help="significant digits of results in the aligned layout (default: 6)",
    )
    table.set_defaults(run=_run_table, parser=table)


def _default_columns(given: Tuple[str, ...]) -> List[Property]:
    """The properties a table over the arguments given (names, in the order of
    ARGUMENTS) shows unless --property names others: those of cHalx over
    exactly these arguments, after the phase when it takes them too, so that
    a density of a phase the state is not in (a liquid's at 0 °C) is never
    read as the state's own."""
    phase = [PHASE] if names(PHASE.arguments) == given else []
    return phase + [row for row in PROPERTIES if row.bound and names(row.arguments) == given]


def _columns_help() -> str:
    """Which properties a table over each set of arguments shows, as one sentence."""
    sets = [names(arguments) for arguments in ((TEMPERATURE,), (PRESSURE,), ARGUMENTS)]
    columns = [[row.name for row in _default_columns(given)] for given in sets]
    listed = [", ".join(shown[:-1]) + " and " + shown[-1] if len(shown) > 1 else shown[0] for shown in columns]
    densities = ",".join(name for name in columns[2] if name != PHASE.name)
    return (
        f"With --T alone the columns are {listed[0]}; with --P alone, {listed[1]}; "
        f"with both, one row per (T, P) pair, T varying slowest, and the columns {listed[2]}: "
        "the phase says which density is that of the state. "
        f"--property picks other columns (--property {densities} leaves the phase out)."
    )


def _table_properties(parser: Parser, options: argparse.Namespace, given: Tuple[str, ...]) -> List[Property]:
    """The property columns of a table over the arguments given (names, in the order of ARGUMENTS)."""
    if not options.property:
        return _default_columns(given)
    chosen: List[Property] = []
    for name in ",".join(options.property).split(","):
        name = name.strip()
        row = QUANTITIES.get(name)
        if not isinstance(row, Property):
            known = ", ".join(row.name for row in PROPERTIES)
            parser.error(f"--property: unknown property {name!r}; choose from {known}")
        missing = [argument.name for argument in row.arguments if argument.name not in given]
        if missing:
            flags = " and ".join(f"--{argument}" for argument in missing)
            parser.error(f"{name} needs {flags} ({describe_arguments(row.arguments)}); add {flags} VALUES")
        chosen.append(row)
    return chosen


def _table_axes(parser: Parser, options: argparse.Namespace) -> Dict[str, List[float]]:
    """The values of each argument given (--T, --P), by name in the order of ARGUMENTS; a usage
    error when there is none or when their rows would be too many."""
    axes: Dict[str, List[float]] = {
        argument.name: getattr(options, argument.name) for argument in ARGUMENTS if getattr(options, argument.name)
    }
    if not axes:
        parser.error(f"give --T and/or --P, e.g. {PROGRAM} table --T 700:1100:50 --P 1,100,1000")
    rows = 1
    for values in axes.values():
        rows *= len(values)
    if rows > _MAX_TABLE_ROWS:
        parser.error(f"the table would have {rows} rows, more than {_MAX_TABLE_ROWS}; use fewer values")
    return axes


def _run_table(options: argparse.Namespace) -> int:
    parser: Parser = options.parser
    axes = _table_axes(parser, options)
    given = tuple(axes)
    properties = _table_properties(parser, options, given)
    units = [argument.unit for argument in ARGUMENTS if argument.name in axes] + [row.unit for row in properties]
    conversions = [in_si(unit) if options.si else (unit, None) for unit in units]
    headers = [
        f"{name} ({unit})" if unit else name
        for name, (unit, _) in zip(list(given) + [row.name for row in properties], conversions)
    ]
    counts: Dict[str, Counts] = {row.name: Counts() for row in properties}
    converters = [convert for _, convert in conversions]
    chunks = _converted_chunks(_table_chunks(list(axes.values()), given, properties, counts), converters)
    shown_axes = [_converted_column(values, convert) for values, convert in zip(axes.values(), converters)]
    output: Optional[str] = options.output
    if options.csv or (output is not None and output.lower().endswith(".csv")):
        write = functools.partial(write_csv, headers, chunks)
    else:
        write = functools.partial(write_aligned, headers, shown_axes, chunks, options.digits)
    if output is None or output == _STANDARD_OUTPUT:
        write(sys.stdout)
        status = 0
    else:
        status = write_file(output, lambda path: write_to_path(path, write))
    if status == 0:
        note_outside(options, counts)
    return status


def _table_chunks(
    axes: List[List[float]], given: Tuple[str, ...], properties: List[Property], counts: Dict[str, Counts]
) -> Iterator[Chunk]:
    """The rows of the table, _CHUNK_ROWS at a time: one per point of the axes
    (the first axis varying slowest), the point followed by each property's value.

    Each chunk is evaluated only when it is asked for, so memory stays that of
    one chunk and the header can go out before the first value is computed.
    counts (property name -> its Counts) is added to as the chunks go.
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
        results = [_command.evaluate(row, arguments[row.name]) for row in properties]
        yield [point + values for point, values in zip(chunk, zip(*results))] if results else chunk


def _converted_column(values: Sequence[float], convert: Converter) -> List[float]:
    """values, each converted by convert (None: as they are)."""
    return list(values) if convert is None else [convert(value) for value in values]


def _converted_chunks(chunks: Iterator[Chunk], converters: Sequence[Converter]) -> Iterator[Chunk]:
    """chunks with each column converted by its converter (None: as it is), as they are asked for."""
    if not any(converters):
        yield from chunks
        return
    for chunk in chunks:
        columns = [_converted_column(column, convert) for column, convert in zip(zip(*chunk), converters)]
        yield list(zip(*columns))

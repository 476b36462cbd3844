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
table, the diagram from ``Halx.plot``. Each command has a private module of
its own, over what the commands share; this module puts their parsers
together, runs the command named and turns every failure into its exit status.
"""

from __future__ import annotations

import argparse
import io
import os
import re
import sys
import warnings
from typing import Any, List, NoReturn, Optional, Sequence, TextIO

from . import _diagram_command, _eval_command, _table_command
from ._command import ARGUMENTS, KERNEL_VARIABLE, PROGRAM, Parser, SetupError, UsageError, arrays, report
from ._output import OutputFailed, ascii_where_needed, guarded
from ._plausible import RangeWarning
from ._table import PROPERTIES, Property
from ._values import parse_values

__all__ = ["main", "parse_values"]

_VALUE_OPTIONS = tuple(f"--{argument.name}" for argument in ARGUMENTS)

_EPILOG_TAIL = f"""  {PROGRAM} table --T 700:1100:50 --P 1,100,1000
  {PROGRAM} table --T 900:1500:100 -o boiling.csv
  {PROGRAM + " eval --si P_Boiling 1273.15K":<40} P_Boiling at T = 1273.15 K, in Pa
  {PROGRAM} phase 1000 1
  {PROGRAM} diagram -o nacl.png

Exit status: 0 when done, 1 when the output (a file or standard output)
cannot be written, 2 for a bad command line (or 'diagram' without
matplotlib, or HALX_SIMD naming kernels that cannot run here), 130 when
interrupted (Ctrl-C). An output file takes the place of an older one
only when complete."""


class _PrintVersion(argparse.Action):
    """--version: prints the version and exits; the version is read only when asked for."""

    def __init__(self, option_strings: Sequence[str], dest: str, **kwargs: Any) -> None:
        super().__init__(option_strings, dest, nargs=0, help="show the version and exit")

    def __call__(self, parser: argparse.ArgumentParser, *_: Any) -> NoReturn:
        from . import __version__

        print(f"{PROGRAM} {__version__}")
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


def _example(row: Property, *values: str) -> str:
    """An eval command line for row with its meaning: values in the units of the table."""
    command = " ".join((PROGRAM, "eval", row.name) + values)
    given = ", ".join(f"{argument.name} = {value} {argument.unit}" for argument, value in zip(row.arguments, values))
    return f"  {command:<40} {row.name} at {given}, in {row.unit}"


def _build_parser() -> Parser:
    """The parser of the whole command line, with a subparser per command."""
    units = ", ".join(f"{argument.quantity} {argument.name} in {argument.unit}" for argument in ARGUMENTS)
    two_arguments = next(row for row in PROPERTIES if len(row.arguments) == 2)
    parser = Parser(
        prog=PROGRAM,
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description=(
            "Thermodynamic properties of pure sodium chloride (NaCl).\n"
            f"Units: {units}, or numbers with a unit such as\n"
            f"1273.15K or 10MPa; --si prints results in SI units. '{PROGRAM} eval --help'\n"
            "lists the unit of each property and the units a number may carry."
        ),
        epilog=(
            f"examples:\n{_example(PROPERTIES[0], '1000')}\n{_example(two_arguments, '900', '100')}\n{_EPILOG_TAIL}"
        ),
    )
    parser.add_argument("--version", action=_PrintVersion)
    commands = parser.add_subparsers(title="commands", dest="command", metavar="COMMAND")
    for add in (
        _eval_command.add_eval,
        _table_command.add_table,
        _eval_command.add_phase,
        _diagram_command.add_diagram,
    ):
        add(commands)
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
    except (UsageError, SetupError) as error:
        report(str(error))
        return 2
    except KeyboardInterrupt:
        report(f"{PROGRAM}: interrupted")
        return 130
    except BrokenPipeError:
        # The reader of our output went away (halx table ... | head); stop quietly.
        _discard_unwritten(standard_output)
        return 1
    except OutputFailed as error:
        report(f"{PROGRAM}: error: cannot write standard output: {error}")
        _discard_unwritten(standard_output)
        return 1


def _dispatch(words: List[str]) -> int:
    """Parses words and runs the command they name; returns its exit status."""
    parser = _build_parser()
    options, unknown = parser.parse_known_args(_join_negative_values(words))
    # A subcommand's stray option is its own error, with its own help.
    command_parser: Parser = getattr(options, "parser", parser)
    if unknown:
        command_parser.error(f"unrecognized arguments: {' '.join(unknown)}")
    if options.command is None:
        parser.error("give a command: eval, table, phase or diagram")
    if os.environ.get(KERNEL_VARIABLE):
        # Every command refuses kernels that cannot run here, the ones that
        # evaluate without NumPy too, so that a typing slip is never ignored.
        arrays()
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

"""Writing the command line's output: numbers, in the table's units or in SI,
tables streamed a chunk at a time, text in ASCII where a terminal or pipe
cannot encode the units, a standard output whose every failure is seen, and
files replaced only when complete.

Every table is written as its chunks arrive, the header first and flushed, so
memory stays that of one chunk and a reader sees the first line at once.
"""

import codecs
import contextlib
import csv
import os
import secrets
import stat
from typing import Any, Callable, Dict, Iterable, Iterator, List, Optional, Sequence, TextIO, Tuple, Union, cast

from ._table import ascii_text

__all__ = [
    "OutputFailed",
    "ascii_where_needed",
    "format_exact",
    "format_rounded",
    "guarded",
    "in_si",
    "replacing_file",
    "write_aligned",
    "write_csv",
]

Row = Tuple[float, ...]


def format_exact(value: float) -> str:
    """value with every digit needed to read it back exactly, without a trailing '.0'."""
    text = repr(value)
    return text[:-2] if text.endswith(".0") else text


def format_rounded(value: Union[float, str], digits: int) -> str:
    """value to digits significant digits, trailing zeros kept so that columns read alike; a name as it is."""
    if isinstance(value, str):
        return value
    text = f"{value:#.{digits}g}"
    return text.replace(".e", "e") if "e" in text else text.rstrip(".")


# The SI unit of each unit of the property table and the conversion of a double
# to it, one operation in double arithmetic (one more rounding); None where the
# unit is SI already, or for a phase, which has no unit.
_SI: Dict[str, Tuple[str, Optional[Callable[[float], float]]]] = {
    "°C": ("K", lambda value: value + 273.15),
    "bar": ("Pa", lambda value: value * 1e5),
    "1/bar": ("1/Pa", lambda value: value / 1e5),
    "kg/m³": ("kg/m³", None),
    "kg/mol": ("kg/mol", None),
    "J/mol": ("J/mol", None),
    "J/(mol·K)": ("J/(mol·K)", None),
    "mol/mol": ("mol/mol", None),
    "1/K": ("1/K", None),
    "": ("", None),
}


def in_si(unit: str) -> Tuple[str, Optional[Callable[[float], float]]]:
    """The SI unit of values in unit, a unit of the property table, and the conversion
    of a value to it (None: none needed): ('K', T + 273.15) for '°C'. KeyError for a
    unit with no entry here: a new unit in the table needs its line above."""
    return _SI[unit]


def write_csv(headers: List[str], chunks: Iterable[List[Row]], stream: TextIO) -> None:
    """The table as CSV with a header row; every number with all its digits (the csv module writes a float's repr)."""
    writer = csv.writer(stream, lineterminator="\n")
    writer.writerow([_as_written(header, stream) for header in headers])
    stream.flush()  # the header at once, however long the first chunk takes
    for chunk in chunks:
        writer.writerows(chunk)


def _aligned_widths(headers: List[str], axes: List[List[float]], digits: int) -> List[int]:
    """The width of each column of the aligned layout, known before any value is computed.

    The argument columns are as wide as their widest value; a result column
    as wide as any double can be at digits significant digits: a sign, the
    digits, a point and an exponent such as e-308.
    """
    widest = [max(len(format_exact(value)) for value in values) for values in axes]
    widest += [digits + 7] * (len(headers) - len(axes))
    return [max(len(header), width) for header, width in zip(headers, widest)]


def write_aligned(
    headers: List[str], axes: List[List[float]], chunks: Iterable[List[Row]], digits: int, stream: TextIO
) -> None:
    """The table in right-aligned columns; the argument columns (T, P) keep all their digits."""
    headers = [_as_written(header, stream) for header in headers]
    widths = _aligned_widths(headers, axes, digits)
    exact = len(axes)

    def line(cells: Sequence[str]) -> str:
        return "  ".join(cell.rjust(width) for cell, width in zip(cells, widths)) + "\n"

    stream.write(line(headers) + line(["-" * width for width in widths]))
    stream.flush()  # the header at once, however long the first chunk takes
    for chunk in chunks:
        stream.writelines(
            line(
                [
                    format_exact(value) if index < exact else format_rounded(value, digits)
                    for index, value in enumerate(row)
                ]
            )
            for row in chunk
        )


def _as_written(text: str, stream: TextIO) -> str:
    """text as stream writes it: in ASCII spellings (kg/m^3) when its encoding cannot encode text."""
    try:
        text.encode(getattr(stream, "encoding", None) or "utf-8")
    except (UnicodeEncodeError, LookupError):
        return ascii_text(text)
    return text


# The error handler, registered once per process, that writes in ASCII what a
# stream's encoding cannot encode, as Halx._table.ascii_text spells it.
_ASCII_ERRORS = "halx.ascii"


def _write_in_ascii(error: UnicodeError) -> Tuple[str, int]:
    """The codec error handler: the ASCII spelling of the characters that could not be encoded."""
    if not isinstance(error, UnicodeEncodeError):
        raise error
    return ascii_text(error.object[error.start : error.end]), error.end


codecs.register_error(_ASCII_ERRORS, _write_in_ascii)


@contextlib.contextmanager
def ascii_where_needed(stream: TextIO) -> Iterator[None]:
    """Within the block, stream writes what its encoding cannot encode in ASCII
    (kg/m³ as kg/m^3) instead of failing; afterwards, as before."""
    reconfigure = getattr(stream, "reconfigure", None)
    errors = getattr(stream, "errors", None)
    if reconfigure is None or errors is None:
        yield
        return
    reconfigure(errors=_ASCII_ERRORS)
    try:
        yield
    finally:
        try:
            reconfigure(errors=errors)
        except (OSError, ValueError):  # a stream that is closed or whose reader went away
            pass


# --- Standard output whose failures are seen ------------------------------------------------


class OutputFailed(Exception):
    """A stream could not take what was written to it; the message is the reason, in words."""


class _GuardedStream:
    """A text stream whose failures to write (a full disk, an I/O error, a
    closed descriptor, no stream at all) raise OutputFailed, so that losing
    data is never silent. A reader that went away still raises
    BrokenPipeError, which means the data is no longer wanted."""

    def __init__(self, stream: Optional[TextIO]) -> None:
        self._stream = stream

    def _call(self, method: str, *arguments: Any) -> Any:
        if self._stream is None:
            raise OutputFailed("it is closed")
        try:
            return getattr(self._stream, method)(*arguments)
        except BrokenPipeError:
            raise
        except OSError as error:
            raise OutputFailed(error.strerror or str(error)) from error
        except ValueError as error:  # the stream object was closed
            raise OutputFailed("it is closed") from error

    def write(self, text: str) -> int:
        written: int = self._call("write", text)
        return written

    def writelines(self, lines: Iterable[str]) -> None:
        self._call("writelines", lines)

    def flush(self) -> None:
        if self._stream is not None:  # without a stream, every write has failed already
            self._call("flush")

    def __getattr__(self, name: str) -> Any:
        # encoding, errors, isatty and the rest, as the stream has them.
        if self._stream is None and name == "encoding":
            return "utf-8"
        return getattr(self._stream, name)


def guarded(stream: Optional[TextIO]) -> TextIO:
    """stream (None for a standard stream that the process was started without)
    as a stream whose every failure to write or flush raises OutputFailed."""
    # A TextIO in every way that print(), csv and argparse use one.
    return cast(TextIO, _GuardedStream(stream))


# --- Files replaced only when complete ------------------------------------------------------


@contextlib.contextmanager
def replacing_file(path: str) -> Iterator[str]:
    """A new file beside path for the block to write; when the block succeeds
    it replaces path in one step, and when it fails or is interrupted it is
    removed and path stays as it was. A reader never sees a partial file.

    The new file gets the permissions of the file it replaces (for a new
    file, those the umask allows). A symbolic link keeps pointing where it did,
    at the file written. A path that exists and is not a regular file (a
    device such as /dev/null, a named pipe) is written directly: replacing it
    would remove the device.
    """
    target = os.path.realpath(path)
    try:
        status: Optional[os.stat_result] = os.stat(target)
    except FileNotFoundError:
        status = None
    if status is not None and not stat.S_ISREG(status.st_mode):
        yield path
        return
    directory, name = os.path.split(target)
    temporary = os.path.join(directory, f".{name}.{secrets.token_hex(4)}.tmp")
    os.close(os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666))
    try:
        if status is not None:
            os.chmod(temporary, stat.S_IMODE(status.st_mode))
        yield temporary
        _sync(temporary)
        os.replace(temporary, target)
    except BaseException:
        with contextlib.suppress(OSError):
            os.remove(temporary)
        raise


def _sync(path: str) -> None:
    """Puts the contents of path on the disk, so that the renamed file is whole after a crash too."""
    descriptor = os.open(path, os.O_RDONLY)
    try:
        os.fsync(descriptor)
    finally:
        os.close(descriptor)

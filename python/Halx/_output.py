"""Writing the command line's output: numbers, tables streamed a chunk at a time,
and text in ASCII where a terminal or pipe cannot encode the units.

Every table is written as its chunks arrive, the header first and flushed, so
memory stays that of one chunk and a reader sees the first line at once.
"""
import codecs
import contextlib
import csv
from typing import Iterable, Iterator, List, Sequence, TextIO, Tuple, Union

from ._table import ascii_text

__all__ = ["ascii_where_needed", "format_exact", "format_rounded", "write_aligned", "write_csv"]

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
            line([format_exact(value) if index < exact else format_rounded(value, digits)
                  for index, value in enumerate(row)])
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

"""``halx diagram``: the pressure–temperature phase diagram as a PNG, SVG or PDF file, drawn by ``Halx.plot``.

matplotlib is imported only when the command runs, so that every other
command, and this one's help, work without it.
"""

from __future__ import annotations

import argparse
import os
import re
from typing import Any, Dict, Tuple

from ._command import ARGUMENTS, PROGRAM, Parser, bounded_int, report, write_file
from ._table import PRESSURE, TEMPERATURE
from ._values import parse_double

_DIAGRAM_FORMATS = (".png", ".svg", ".pdf")
# The smallest diagram whose lettering (scaled with the picture) is legible, about 9 px.
_SMALLEST_DIAGRAM = (320, 240)

# What the help of each argument's window (--T, --P) adds to "the temperatures
# shown", and the window shown unless another is given, in the table's units.
_WINDOWS: Dict[str, Tuple[str, str]] = {TEMPERATURE.name: ("", "500:1500"), PRESSURE.name: (", above 0", "1e-8:1e4")}

# What the plot extra adds, installed by itself: this works however Halx was
# installed (from a checkout, from wheels), which "Halx[plot]" does not until
# a release is on the package index.
_INSTALL_PLOT = "python -m pip install matplotlib"

_DESCRIPTION = (
    "Draw the pressure–temperature phase diagram of NaCl: the fields of solid, liquid and "
    "vapour, and the boiling, melting and sublimation curves meeting at the triple point, "
    "on a logarithmic pressure axis. --dpi is pixels per inch: it sets the printed size, "
    "which a PNG records; the lettering is 10 pt on prints of 5 x 3.75 inches and larger "
    "and scales down with smaller prints, so the same pixels look the same at every dpi. "
    "SVG and PDF keep their text as text. Needs matplotlib (the 'plot' extra)."
)


def add_diagram(commands: Any) -> None:
    """Adds the command diagram to commands (the subparsers of halx)."""
    diagram: Parser = commands.add_parser(
        "diagram",
        help="draw the pressure–temperature phase diagram to a PNG, SVG or PDF file",
        description=_DESCRIPTION,
        epilog=(
            f"examples: {PROGRAM} diagram -o nacl.png; for one column of a journal, in SI units: "
            f"{PROGRAM} diagram -o nacl.pdf --size 1050x788 --dpi 300 --units K,Pa --T 800:1800 --title ''"
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
        type=bounded_int(10, 1200),
        default=100,
        help="pixels per inch: the printed size is WIDTH/dpi x HEIGHT/dpi inches (default: 100)",
    )
    for argument in ARGUMENTS:
        note, window = _WINDOWS[argument.name]
        diagram.add_argument(
            f"--{argument.name}",
            dest=f"{argument.name}_range",
            type=_bounds_argument,
            metavar="LOW:HIGH",
            help=f"the {argument.quantity}s shown{note}, in the {argument.quantity} unit of --units "
            f"(default: {window} in {argument.unit})",
        )
    _add_appearance(diagram)
    diagram.set_defaults(run=_run_diagram, parser=diagram)


def _add_appearance(diagram: Parser) -> None:
    """The options of the diagram's units, title and legend."""
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


def _matplotlib_missing() -> bool:
    """Whether matplotlib cannot be imported; if so, says in one line how to mend it."""
    try:
        import matplotlib  # noqa: F401  (only to learn whether it is there)
    except ImportError as error:
        if error.name == "matplotlib":
            report(
                f"{PROGRAM}: error: the diagram needs matplotlib, which is not installed; install it with: "
                f"{_INSTALL_PLOT}"
            )
        else:
            report(
                f"{PROGRAM}: error: matplotlib is installed but does not import ({error}); "
                f"repair it with: python -m pip install --force-reinstall matplotlib"
            )
        return True
    return False


def _run_diagram(options: argparse.Namespace) -> int:
    parser: Parser = options.parser
    output: str = options.output
    extension = os.path.splitext(output)[1].lower()
    if extension not in _DIAGRAM_FORMATS:
        parser.error(f"cannot tell the image format of {output!r}; end the file name in .png, .svg or .pdf")
    if _matplotlib_missing():
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
    return write_file(
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

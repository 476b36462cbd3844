"""The pressure–temperature phase diagram of sodium chloride, with matplotlib.

    >>> import matplotlib.pyplot as plt
    >>> from Halx.plot import phase_diagram
    >>> ax = phase_diagram()
    >>> plt.show()

The boiling, melting and sublimation curves divide the plane into the fields
of solid, liquid and vapour and meet at the triple point; the fields are
filled from ``Halx.ufunc.phase`` on a grid. ``diagram_figure`` and
``save_diagram`` lay the diagram out on a figure of a given size in pixels, as
``halx diagram`` does. Needs matplotlib and NumPy (``pip install
"Halx[plot]"``); ``import Halx`` needs neither.
"""

import contextlib
from typing import TYPE_CHECKING, Any, Dict, Iterator, Optional, Tuple, cast

try:
    import matplotlib
    import numpy
    from matplotlib.axes import Axes
    from matplotlib.backends.backend_agg import FigureCanvasAgg
    from matplotlib.collections import LineCollection
    from matplotlib.colors import BoundaryNorm, ListedColormap
    from matplotlib.figure import Figure
    from matplotlib.ticker import AutoMinorLocator, FixedLocator, LogLocator, NullFormatter
except ImportError as _error:
    raise ImportError(
        f'Halx.plot needs {_error.name or "matplotlib"}; install it with: pip install "Halx[plot]"'
    ) from _error

from _Halx import cvar

from . import ufunc
from ._phase import Phase
from ._table import PRESSURE, PROPERTIES, TEMPERATURE

if TYPE_CHECKING:
    from numpy.typing import NDArray

__all__ = ["phase_diagram", "diagram_figure", "save_diagram", "lettering_scale", "REFERENCE_SIZE"]

# Curves in colours of the Okabe–Ito palette, which stay apart under the
# common colour-vision deficiencies, each with a line style of its own so that
# they stay apart in grey too.
_CURVES = (
    ("P_Boiling", "#D55E00", "-", "boiling"),  # vermillion, solid
    ("T_Melting", "#0072B2", "--", "melting"),  # blue, dashed
    ("P_Sublimation", "#009E73", "-.", "sublimation"),  # bluish green, dash-dot
)
# Pale fills of the fields, light enough for the curves and the lettering to
# stand out on them; the fields are named in the diagram as well.
_FIELDS: Dict[Phase, str] = {Phase.SOLID: "#D6E6F4", Phase.LIQUID: "#FBE5CC", Phase.VAPOUR: "#EFEFEF"}

#: The printed size (inches) from which the lettering of ``diagram_figure`` is
#: at its full 10 pt; a smaller print scales it down with the figure.
REFERENCE_SIZE = (5.0, 3.75)
_FONT_SIZE = 10.0
# The least lettering drawn: the exponents of the pressure axis are 0.7 of it,
# and fonts are never drawn below 1 pt, which would crowd them together.
_SMALLEST_FONT_SIZE = 2.0

# Points (or inches, for the layout pads) that scale with the lettering.
_SCALED_STYLE = {
    "font.size": _FONT_SIZE,
    "lines.linewidth": 2.0,
    "lines.markersize": 6.0,
    "lines.markeredgewidth": 1.0,
    "axes.linewidth": 0.8,
    "grid.linewidth": 0.6,
    "axes.labelpad": 4.0,
    "axes.titlepad": 10.0,
    "xtick.major.size": 3.5,
    "xtick.minor.size": 2.0,
    "xtick.major.width": 0.8,
    "xtick.minor.width": 0.6,
    "xtick.major.pad": 3.5,
    "xtick.minor.pad": 3.4,
    "ytick.major.size": 3.5,
    "ytick.minor.size": 2.0,
    "ytick.major.width": 0.8,
    "ytick.minor.width": 0.6,
    "ytick.major.pad": 3.5,
    "ytick.minor.pad": 3.4,
    "figure.constrained_layout.h_pad": 0.04167,
    "figure.constrained_layout.w_pad": 0.04167,
}
# Vector files keep their lettering as text: selectable, searchable, editable.
_FIXED_STYLE = {"svg.fonttype": "none", "pdf.fonttype": 42, "ps.fonttype": 42}

# The label of a field needs a box about this many times wider than tall (in
# axes fractions) around it free of other fields.
_LABEL_ASPECT = 2.5


def phase_diagram(
    ax: Optional[Axes] = None,
    *,
    T_range: Tuple[float, float] = (500.0, 1500.0),
    P_range: Tuple[float, float] = (1e-8, 1e4),
    points: int = 400,
) -> Axes:
    """Draw the phase diagram on ax (the current Axes of pyplot when None) and return ax.

    T_range are the temperatures shown (°C), P_range the pressures (bar, on a
    logarithmic axis with every decade labelled); each curve is drawn through
    points values and ends at the triple point, where the model makes all
    three meet. The fields are filled from ``Halx.ufunc.phase`` on a grid of
    points × points states and named where they are widest; a grey band marks
    the stretches of the curves that were compared with measured values (see
    ``Halx.in_range``), beyond which they are extrapolations; the legend stands
    to the right of the axes, clear of the curves.
    """
    if ax is None:
        import matplotlib.pyplot

        ax = matplotlib.pyplot.gca()
    T_low, T_high = T_range
    P_low, P_high = P_range
    T_Triple, P_Triple = cvar.T_Triple, cvar.P_Triple

    T_grid = numpy.linspace(T_low, T_high, points)
    P_grid = numpy.geomspace(P_low, P_high, points)
    # Boiling above the triple-point temperature, sublimation below it, melting
    # above the triple-point pressure: the stable branch of each curve.
    T_boiling = numpy.linspace(T_Triple, max(T_high, T_Triple), points)
    T_sublimation = numpy.linspace(min(T_low, T_Triple), T_Triple, points)
    P_melting = numpy.geomspace(P_Triple, max(P_high, P_Triple), points)
    # Outside the physical range the model overflows by design; NumPy's
    # warnings about it would be noise here.
    with numpy.errstate(all="ignore"):
        phases = ufunc.phase(T_grid[numpy.newaxis, :], P_grid[:, numpy.newaxis])
        curves = {
            "P_Boiling": (T_boiling, ufunc.P_Boiling(T_boiling)),
            "T_Melting": (ufunc.T_Melting(P_melting), P_melting),
            "P_Sublimation": (T_sublimation, ufunc.P_Sublimation(T_sublimation)),
        }

    ax.set_yscale("log")
    # The fields as cells of the grid, beneath everything; rasterized, so that
    # a vector file holds one small image instead of a rectangle per cell.
    codes = [int(member) for member in Phase]
    ax.pcolormesh(
        T_grid,
        P_grid,
        phases,
        shading="nearest",
        rasterized=True,
        zorder=0,
        cmap=ListedColormap([_FIELDS[member] for member in Phase]),
        norm=BoundaryNorm([code - 0.5 for code in codes] + [codes[-1] + 0.5], len(codes)),
    )
    for name, colour, style, label in _CURVES:
        ax.plot(*curves[name], color=colour, linestyle=style, label=label, zorder=2)
    ax.add_collection(_checked_spans())
    ax.plot(
        [T_Triple],
        [P_Triple],
        "o",
        color="black",
        zorder=3,
        label=f"triple point\n{T_Triple:g} {TEMPERATURE.unit}, {P_Triple:g} {PRESSURE.unit}",
    )
    for member, (T, P) in _label_positions(phases, T_grid, P_grid).items():
        # Above the grid lines, on a patch of its field's colour that hides them.
        ax.text(
            T,
            P,
            str(member),
            fontsize="large",
            ha="center",
            va="center",
            style="italic",
            zorder=2.5,
            bbox={"boxstyle": "square,pad=0.1", "facecolor": _FIELDS[member], "edgecolor": "none"},
        )

    ax.set_xlim(T_low, T_high)
    ax.set_ylim(P_low, P_high)
    ax.yaxis.set_major_locator(LogLocator(base=10.0, numticks=1000))
    ax.yaxis.set_minor_locator(LogLocator(base=10.0, subs=[float(sub) for sub in range(2, 10)], numticks=1000))
    ax.yaxis.set_minor_formatter(NullFormatter())
    ax.xaxis.set_minor_locator(AutoMinorLocator())
    ax.set_xlabel(f"{TEMPERATURE.quantity.capitalize()} ({TEMPERATURE.unit})")
    ax.set_ylabel(f"{PRESSURE.quantity.capitalize()} ({PRESSURE.unit})")
    ax.set_title("Phase diagram of sodium chloride")
    ax.grid(True, which="major", color="white", alpha=0.9)
    ax.legend(loc="upper left", bbox_to_anchor=(1.02, 1.0), borderaxespad=0.0, frameon=False)
    return ax


def _checked_spans() -> "LineCollection":
    """The stretches of the three curves that were compared with measured
    values (their rows' checked ranges), as one broad grey band beneath the
    curves: everything beyond it is the correlations' extrapolation."""
    rows = {row.name: row for row in PROPERTIES}
    segments = []
    for name, *_ in _CURVES:
        checked = rows[name].checked
        assert checked is not None, f"{name} has no checked range to draw"
        ((low, high),) = checked.spans
        if name == "T_Melting":  # a function of pressure
            P = numpy.geomspace(low, high, 50)
            segments.append(numpy.column_stack([ufunc.T_Melting(P), P]))
        else:
            T = numpy.linspace(low, high, 50)
            segments.append(numpy.column_stack([T, getattr(ufunc, name)(T)]))
    return LineCollection(
        segments,
        linewidths=7.0,
        colors="black",
        alpha=0.2,
        capstyle="round",
        zorder=1.5,
        label="checked against\nmeasurements",
    )


def _label_positions(
    phases: "NDArray[Any]", T_grid: "NDArray[Any]", P_grid: "NDArray[Any]"
) -> Dict[Phase, Tuple[float, float]]:
    """Where to name each field that the grid shows: the state farthest from
    the other fields and the edges, in a metric that gives a label its width."""
    step_T, step_P = max(1, len(T_grid) // 80), max(1, len(P_grid) // 60)
    coarse = phases[::step_P, ::step_T]
    rows, columns = coarse.shape
    v, u = numpy.meshgrid(numpy.linspace(0.0, 1.0, rows), numpy.linspace(0.0, 1.0, columns), indexing="ij")
    edge = numpy.minimum(numpy.minimum(u, 1.0 - u) / _LABEL_ASPECT, numpy.minimum(v, 1.0 - v))
    positions: Dict[Phase, Tuple[float, float]] = {}
    for member in Phase:
        inside = coarse == member
        if not inside.any():
            continue
        # The cells of other fields that touch this one: the nearest cell of
        # another field is always one of them.
        padded = numpy.pad(inside, 1)
        touching = padded[:-2, 1:-1] | padded[2:, 1:-1] | padded[1:-1, :-2] | padded[1:-1, 2:]
        border = touching & ~inside
        clearance = edge[inside]
        if border.any():
            du = numpy.abs(u[inside][:, numpy.newaxis] - u[border][numpy.newaxis, :]) / _LABEL_ASPECT
            dv = numpy.abs(v[inside][:, numpy.newaxis] - v[border][numpy.newaxis, :])
            clearance = numpy.minimum(clearance, numpy.maximum(du, dv).min(axis=1))
        row, column = numpy.argwhere(inside)[int(numpy.argmax(clearance))]
        positions[member] = (float(T_grid[column * step_T]), float(P_grid[row * step_P]))
    return positions


def lettering_scale(width: int, height: int, dpi: float) -> float:
    """The factor on the lettering, lines and spacing of ``diagram_figure(width, height, dpi)``.

    1 for prints of ``REFERENCE_SIZE`` and larger; a smaller print scales
    them down with the figure. Raises ``ValueError`` for a print so small that
    the lettering would fall below 2 pt (the exponents of the pressure axis,
    0.7 of it, would then fall below the 1 pt that fonts are drawn at).
    """
    scale = min(1.0, width / dpi / REFERENCE_SIZE[0], height / dpi / REFERENCE_SIZE[1])
    if scale * _FONT_SIZE < _SMALLEST_FONT_SIZE * (1.0 - 1e-9):
        most = int(min(width / REFERENCE_SIZE[0], height / REFERENCE_SIZE[1]) * _FONT_SIZE / _SMALLEST_FONT_SIZE)
        raise ValueError(
            f"{width}x{height} pixels at {dpi:g} dpi print {width / dpi:.2g} x {height / dpi:.2g} inches, "
            f"too small for lettering of {_SMALLEST_FONT_SIZE:g} pt; use a dpi of {most} or less, or more pixels"
        )
    return scale


@contextlib.contextmanager
def _diagram_style(width: int, height: int, dpi: float) -> Iterator[None]:
    scale = lettering_scale(width, height, dpi)
    style: Dict[str, Any] = {key: value * scale for key, value in _SCALED_STYLE.items()}
    style.update(_FIXED_STYLE)
    with matplotlib.rc_context(cast(Any, style)):
        yield


def diagram_figure(width: int = 800, height: int = 600, dpi: float = 100.0) -> Figure:
    """A figure of width × height pixels at dpi pixels per inch with the phase diagram, drawn once.

    The printed size is width/dpi × height/dpi inches. The lettering is 10 pt
    on prints of ``REFERENCE_SIZE`` (5 × 3.75 in) and larger; on a smaller
    print it scales down with the figure, lines and spacing alike, so that a
    picture of the same pixels looks the same at every dpi. Raises
    ``ValueError`` for prints too small to letter (see ``lettering_scale``).
    """
    with _diagram_style(width, height, dpi):
        figure = Figure(figsize=(width / dpi, height / dpi), dpi=dpi, layout="constrained")
        phase_diagram(figure.add_subplot())
        # Lays the figure out and makes its ticks while the style holds; the
        # temperatures ticked then stay, since how many fit depends on the style.
        FigureCanvasAgg(figure).draw()  # type: ignore[no-untyped-call]
        ax = figure.axes[0]
        ax.xaxis.set_major_locator(FixedLocator([float(tick) for tick in ax.get_xticks()]))
    return figure


def save_diagram(
    path: str, width: int = 800, height: int = 600, dpi: float = 100.0, format: Optional[str] = None
) -> None:
    """Write the phase diagram of ``diagram_figure(width, height, dpi)`` to path.

    format is "png", "svg" or "pdf" (by default, from the name of path). A
    PNG records dpi as its resolution; SVG and PDF keep their text as text.
    """
    with _diagram_style(width, height, dpi):
        diagram_figure(width, height, dpi).savefig(path, format=format, dpi=dpi)

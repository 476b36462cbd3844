"""The pressure–temperature phase diagram of sodium chloride, with matplotlib.

    >>> import matplotlib.pyplot as plt
    >>> from Halx.plot import phase_diagram
    >>> ax = phase_diagram()
    >>> plt.show()

The boundaries of the thermodynamic surface, where two phases have one Gibbs
energy (boiling, melting and sublimation), divide the plane into the fields of
solid, liquid and vapour and meet at its triple point; the fields are filled
from ``Halx.ufunc.phase``, the phase of lowest Gibbs energy, on a grid, so
the boundaries are the fields' edges. ``diagram_figure`` and
``save_diagram`` lay the diagram out on a figure of a given size in pixels, as
``halx diagram`` does. Needs matplotlib and NumPy (``python -m pip install
matplotlib`` brings both); ``import Halx`` needs neither.
"""

import contextlib
import math
import warnings
from typing import TYPE_CHECKING, Any, Dict, Iterator, List, NamedTuple, Optional, Sequence, Tuple, cast

try:
    import matplotlib
    import numpy
    from matplotlib.artist import Artist
    from matplotlib.axes import Axes
    from matplotlib.backends.backend_agg import FigureCanvasAgg
    from matplotlib.collections import LineCollection
    from matplotlib.colors import BoundaryNorm, ListedColormap
    from matplotlib.figure import Figure
    from matplotlib.legend import Legend
    from matplotlib.text import Text
    from matplotlib.ticker import AutoMinorLocator, FixedLocator, LogLocator, NullFormatter
    from matplotlib.transforms import Bbox
except ImportError as _error:
    raise ImportError(
        f"Halx.plot needs {_error.name or 'matplotlib'}; install it with: python -m pip install matplotlib"
    ) from _error

from . import _functions, ufunc
from ._phase import Phase
from ._plausible import RangeWarning
from ._table import PRESSURE, PROPERTIES, TEMPERATURE

if TYPE_CHECKING:
    from matplotlib.backend_bases import RendererBase
    from matplotlib.lines import Line2D
    from numpy.typing import NDArray

__all__ = [
    "phase_diagram",
    "diagram_figure",
    "save_diagram",
    "lettering_scale",
    "REFERENCE_SIZE",
    "DEFAULT_TITLE",
    "TEMPERATURE_UNITS",
    "PRESSURE_UNITS",
]

#: The title of the figures that ``diagram_figure`` and ``save_diagram`` make.
DEFAULT_TITLE = "Phase diagram of sodium chloride"

#: The temperature units of the diagram's axes: name -> (what is added to °C, the unit as labelled).
TEMPERATURE_UNITS: Dict[str, Tuple[float, str]] = {"degC": (0.0, TEMPERATURE.unit), "K": (273.15, "K")}
#: The pressure units of the diagram's axes: name -> (what bar are multiplied by, the unit as labelled).
PRESSURE_UNITS: Dict[str, Tuple[float, str]] = {"bar": (1.0, PRESSURE.unit), "Pa": (1e5, "Pa")}

# The window shown unless another is asked for, in °C and bar.
_DEFAULT_T_RANGE = (500.0, 1500.0)
_DEFAULT_P_RANGE = (1e-8, 1e4)
_ABSOLUTE_ZERO = -273.15  # °C
_LEGENDS = ("outside", "inside", None)

# Curves in colours of the Okabe–Ito palette, which stay apart under the
# common colour-vision deficiencies, each with a line style of its own so that
# they stay apart in grey too.
_CURVES = (
    ("P_LiquidVapour", "#D55E00", "-", "boiling"),  # vermillion, solid
    ("T_SolidLiquid", "#0072B2", "--", "melting"),  # blue, dashed
    ("P_SolidVapour", "#009E73", "-.", "sublimation"),  # bluish green, dash-dot
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

# The dash-dot line: the dash and gap of the dashed one (matplotlib's), a dot
# and a gap, in line widths; a whole period fits in the legend's short samples.
_DASH_DOT = [3.7, 1.6, 1.0, 1.6]
# The length of the legend's line samples, in its font sizes: a whole period
# of the dash-dot line (7.9 line widths of 2 pt, 1.9 font sizes of 8.3 pt) and
# the start of the next dash, so that its sample reads as dash-dot.
_HANDLE_LENGTH = 2.0

# The label of a field needs a box about this many times wider than tall (in
# axes fractions) around it free of other fields.
_LABEL_ASPECT = 2.5


def phase_diagram(
    ax: Optional[Axes] = None,
    *,
    T_range: Optional[Tuple[float, float]] = None,
    P_range: Optional[Tuple[float, float]] = None,
    points: int = 400,
    units: Tuple[str, str] = ("degC", "bar"),
    title: Optional[str] = None,
    legend: Optional[str] = "outside",
) -> Axes:
    """Draw the phase diagram on ax (the current Axes of pyplot when None) and return ax.

    units names the units of the axes and of the ranges: ``("degC", "bar")``
    or, in SI, ``("K", "Pa")`` (any temperature unit of ``TEMPERATURE_UNITS``
    with any pressure unit of ``PRESSURE_UNITS``). T_range are the
    temperatures shown (by default 500 to 1500 °C), P_range the pressures (by
    default 1e-8 to 1e4 bar, on a logarithmic axis with every decade
    labelled), both in those units. Each boundary of the thermodynamic surface
    is drawn through points values and ends at its triple point
    (``Halx.triple_point()``), where all three meet. The fields are filled
    from ``Halx.ufunc.phase`` on a grid of points × points states and named
    where they are widest; a grey band marks the stretches of the boundaries
    that were compared with measured values (see ``Halx.in_range``), beyond
    which they are extrapolations.

    title is set as the axes' title when given; the axes are the caller's, so
    by default they get none. legend is "outside" (to the right of the axes),
    "inside" (in the corner of the axes that crosses the fewest curves, the
    field names moved clear of it, chosen again whenever the figure is drawn)
    or None (no legend).

    Raises ``ValueError``, in one line naming the parameter and its value,
    for a range that is empty or reversed, has a bound that is not finite,
    reaches below absolute zero or (pressures, on a logarithmic axis) to zero
    or below; for units, legend or points other than those above.
    """
    window = _window(T_range, P_range, units, legend, points)
    if ax is None:
        from matplotlib import pyplot

        ax = pyplot.gca()
    phases, curves = _evaluate(window, points)
    ax.set_yscale("log")
    _draw_fields(ax, window, phases)
    with matplotlib.rc_context({"lines.dashdot_pattern": _DASH_DOT}):
        for name, colour, style, label in _CURVES:
            T_curve, P_curve = curves[name]
            T_curve, P_curve = T_curve + window.T_offset, P_curve * window.P_factor
            ax.plot(T_curve, P_curve, color=colour, linestyle=style, label=label, zorder=2)
    ax.add_collection(_checked_spans(window.T_offset, window.P_factor))
    T_Triple, P_Triple = _functions.triple_point()
    T_Triple, P_Triple = T_Triple + window.T_offset, P_Triple * window.P_factor
    label = f"triple point\n{T_Triple:.5g} {window.T_unit}\n{P_Triple:.3g} {window.P_unit}"
    ax.plot([T_Triple], [P_Triple], "o", color="black", zorder=3, label=label)
    labels = _name_fields(ax, window, phases)
    _frame(ax, window, title)
    if legend is not None:
        _add_legend(ax, legend == "inside", labels, phases, window)
    return ax


def _add_legend(ax: Axes, inside: bool, labels: Dict[Phase, Text], phases: "NDArray[Any]", window: "_Window") -> None:
    """The legend, to the right of the axes or inside them (moving the field names labels clear of it)."""
    # Short samples and close spacing keep the legend narrow: beside the axes
    # of a one-column figure it takes no more than a quarter of its width.
    compact = {"handlelength": _HANDLE_LENGTH, "handletextpad": 0.5, "labelspacing": 0.4, "fontsize": "small"}
    if not inside:
        ax.legend(loc="upper left", bbox_to_anchor=(1.02, 1.0), borderaxespad=0.0, frameon=False, **compact)
        return
    placed = ax.legend(loc="center", framealpha=0.85, edgecolor="none", **compact)
    points = phases.shape[0]
    ax.add_artist(_InsideLegend(placed, labels, phases, window.T_grid(points), window.P_grid(points)))


class _Window(NamedTuple):
    """The part of the plane shown, in the units of the axes, and those units:
    a temperature of the axes is °C + T_offset, a pressure bar × P_factor."""

    T_low: float
    T_high: float
    P_low: float
    P_high: float
    T_offset: float
    T_unit: str
    P_factor: float
    P_unit: str

    def T_grid(self, points: int) -> "NDArray[Any]":
        return numpy.linspace(self.T_low, self.T_high, points)

    def P_grid(self, points: int) -> "NDArray[Any]":
        return numpy.geomspace(self.P_low, self.P_high, points)


def _window(
    T_range: Optional[Tuple[float, float]],
    P_range: Optional[Tuple[float, float]],
    units: Tuple[str, str],
    legend: Optional[str],
    points: int,
) -> _Window:
    """The window of phase_diagram's arguments; the ValueError it documents for those it refuses."""
    T_offset, T_unit, P_factor, P_unit = _units(units)
    if legend not in _LEGENDS:
        raise ValueError(f"legend = {legend!r} is not a placement; give 'outside', 'inside' or None")
    if isinstance(points, bool) or not isinstance(points, int) or points < 2:
        raise ValueError(f"points = {points!r}: give a whole number of at least 2")
    T_low, T_high = _checked_range(
        f"T_range = {T_range!r}",
        (_DEFAULT_T_RANGE[0] + T_offset, _DEFAULT_T_RANGE[1] + T_offset) if T_range is None else T_range,
        "(low, high)",
        T_unit,
        least=_ABSOLUTE_ZERO + T_offset,
    )
    P_low, P_high = _checked_range(
        f"P_range = {P_range!r}",
        (_DEFAULT_P_RANGE[0] * P_factor, _DEFAULT_P_RANGE[1] * P_factor) if P_range is None else P_range,
        "(low, high)",
        P_unit,
        least=0.0,
        logarithmic=True,
    )
    return _Window(T_low, T_high, P_low, P_high, T_offset, T_unit, P_factor, P_unit)


def _evaluate(window: _Window, points: int) -> Tuple["NDArray[Any]", Dict[str, Tuple["NDArray[Any]", "NDArray[Any]"]]]:
    """The phase codes on the grid of points × points states of window (a row
    per pressure), and the stable branch of each curve through points values
    as (T, P) in °C and bar, by the name of its property."""
    T_Triple, P_Triple = _functions.triple_point()
    # Boiling above the triple-point temperature, sublimation below it, melting
    # above the triple-point pressure: the stable branch of each boundary.
    T_boiling = numpy.linspace(T_Triple, max(window.T_high - window.T_offset, T_Triple), points)
    T_sublimation = numpy.linspace(min(window.T_low - window.T_offset, T_Triple), T_Triple, points)
    P_melting = numpy.geomspace(P_Triple, max(window.P_high / window.P_factor, P_Triple), points)
    # Outside the physical range the model overflows by design, and a window
    # may reach beyond the plausible spans, which the diagram shows as
    # extrapolation: NumPy's warnings and Halx.RangeWarning would be noise here.
    with numpy.errstate(all="ignore"), warnings.catch_warnings():
        warnings.simplefilter("ignore", RangeWarning)
        phases = ufunc.phase(
            (window.T_grid(points) - window.T_offset)[numpy.newaxis, :],
            (window.P_grid(points) / window.P_factor)[:, numpy.newaxis],
        )
        curves = {
            "P_LiquidVapour": (T_boiling, ufunc.P_LiquidVapour(T_boiling)),
            "T_SolidLiquid": (ufunc.T_SolidLiquid(P_melting), P_melting),
            "P_SolidVapour": (T_sublimation, ufunc.P_SolidVapour(T_sublimation)),
        }
    return phases, curves


def _draw_fields(ax: Axes, window: _Window, phases: "NDArray[Any]") -> None:
    """The fields as cells of the grid, beneath everything; rasterized, so that
    a vector file holds one small image instead of a rectangle per cell."""
    codes = [int(member) for member in Phase]
    points = phases.shape[0]
    ax.pcolormesh(
        window.T_grid(points),
        window.P_grid(points),
        phases,
        shading="nearest",
        rasterized=True,
        zorder=0,
        cmap=ListedColormap([_FIELDS[member] for member in Phase]),
        norm=BoundaryNorm([code - 0.5 for code in codes] + [codes[-1] + 0.5], len(codes)),
    )


def _name_fields(ax: Axes, window: _Window, phases: "NDArray[Any]") -> Dict[Phase, Text]:
    """The name of each field shown, where the field is widest, as the texts drawn."""
    points = phases.shape[0]
    labels: Dict[Phase, Text] = {}
    for member, (T, P) in _label_positions(phases, window.T_grid(points), window.P_grid(points)).items():
        # Above the grid lines, on a patch of its field's colour that hides them.
        labels[member] = ax.text(
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
    return labels


def _frame(ax: Axes, window: _Window, title: Optional[str]) -> None:
    """The limits, ticks, labels, grid and title of the axes."""
    ax.set_xlim(window.T_low, window.T_high)
    ax.set_ylim(window.P_low, window.P_high)
    ax.yaxis.set_major_locator(LogLocator(base=10.0, numticks=1000))
    ax.yaxis.set_minor_locator(LogLocator(base=10.0, subs=[float(sub) for sub in range(2, 10)], numticks=1000))
    ax.yaxis.set_minor_formatter(NullFormatter())
    ax.xaxis.set_minor_locator(AutoMinorLocator())
    ax.set_xlabel(f"{TEMPERATURE.quantity.capitalize()} ({window.T_unit})")
    ax.set_ylabel(f"{PRESSURE.quantity.capitalize()} ({window.P_unit})")
    if title:
        ax.set_title(title)
    ax.grid(True, which="major", color="white", alpha=0.9)


def _units(units: Sequence[str]) -> Tuple[float, str, float, str]:
    """(added to °C, temperature label, multiplying bar, pressure label) for units; ValueError for unknown units."""
    if isinstance(units, str) or len(units) != 2 or units[0] not in TEMPERATURE_UNITS or units[1] not in PRESSURE_UNITS:
        raise ValueError(
            f"units = {units!r} are not units of the diagram; give a temperature unit, "
            f"{' or '.join(map(repr, TEMPERATURE_UNITS))}, and a pressure unit, {' or '.join(map(repr, PRESSURE_UNITS))}"
        )
    (T_offset, T_unit), (P_factor, P_unit) = TEMPERATURE_UNITS[units[0]], PRESSURE_UNITS[units[1]]
    return T_offset, T_unit, P_factor, P_unit


def _checked_range(
    subject: str, bounds: Sequence[float], form: str, unit: str, least: float, logarithmic: bool = False
) -> Tuple[float, float]:
    """bounds as (low, high) floats; a one-line ValueError starting with subject unless
    they are two finite numbers with least <= low < high (least < low on a logarithmic axis).

    form is how a range is written where subject was ("(low, high)" or "LOW:HIGH").
    """
    try:
        low, high = (float(bound) for bound in bounds)
    except (TypeError, ValueError):
        raise ValueError(f"{subject} is not a range; give {form}, two numbers in {unit}") from None
    if not (math.isfinite(low) and math.isfinite(high)):
        raise ValueError(f"{subject} has a bound that is not finite; give {form} as two finite numbers in {unit}")
    if not low < high:
        raise ValueError(
            f"{subject} is {'empty' if low == high else 'reversed'}; give {form} with low < high, in {unit}"
        )
    if logarithmic and low <= least:
        raise ValueError(
            f"{subject} reaches {least:g} {unit} or below, which a logarithmic axis cannot show; "
            f"give a low bound above {least:g}"
        )
    if low < least:
        raise ValueError(
            f"{subject} reaches below absolute zero ({least:g} {unit}); start at {least:g} {unit} or above"
        )
    return low, high


def _checked_spans(T_offset: float, P_factor: float) -> "LineCollection":
    """The stretches of the three boundaries that were compared with measured
    values (their rows' checked ranges), as one broad grey band beneath the
    boundaries: everything beyond it is extrapolation. The band is in the
    units of the axes: °C plus T_offset, bar times P_factor."""
    rows = {row.name: row for row in PROPERTIES}
    segments = []
    for name, *_ in _CURVES:
        checked = rows[name].checked
        assert checked is not None, f"{name} has no checked range to draw"
        ((low, high),) = checked.spans
        if name == "T_SolidLiquid":  # a function of pressure
            P = numpy.geomspace(low, high, 50)
            segments.append(numpy.column_stack([ufunc.T_SolidLiquid(P) + T_offset, P * P_factor]))
        else:
            T = numpy.linspace(low, high, 50)
            segments.append(numpy.column_stack([T + T_offset, getattr(ufunc, name)(T) * P_factor]))
    return LineCollection(
        segments,
        linewidths=7.0,
        colors="black",
        alpha=0.2,
        capstyle="round",
        zorder=1.5,
        label="checked\nagainst\nmeasurements",
    )


def _label_positions(
    phases: "NDArray[Any]", T_grid: "NDArray[Any]", P_grid: "NDArray[Any]", blocked: Optional[Bbox] = None
) -> Dict[Phase, Tuple[float, float]]:
    """Where to name each field that the grid shows: the state farthest from
    the other fields, the edges and the box blocked (in axes fractions, where
    no label may go), in a metric that gives a label its width. A field that
    lies wholly in blocked gets no place."""
    step_T, step_P = max(1, len(T_grid) // 80), max(1, len(P_grid) // 60)
    coarse = phases[::step_P, ::step_T]
    rows, columns = coarse.shape
    v, u = numpy.meshgrid(numpy.linspace(0.0, 1.0, rows), numpy.linspace(0.0, 1.0, columns), indexing="ij")
    edge = numpy.minimum(numpy.minimum(u, 1.0 - u) / _LABEL_ASPECT, numpy.minimum(v, 1.0 - v))
    free = numpy.ones_like(coarse, dtype=bool)
    if blocked is not None:
        free = ~((u >= blocked.x0) & (u <= blocked.x1) & (v >= blocked.y0) & (v <= blocked.y1))
    positions: Dict[Phase, Tuple[float, float]] = {}
    for member in Phase:
        # Blocked cells of the field touch its free ones like cells of another field.
        inside = (coarse == member) & free
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


# The corners an inside legend may take, as (right, top), in order of
# preference among those that cross equally few curves.
_CORNERS = ((True, True), (False, True), (True, False), (False, False))


class _InsideLegend(Artist):
    """The placement of a legend inside the axes; draws nothing itself.

    Drawn before everything else on its axes, it puts the legend in the corner
    that crosses the fewest curves (among those, the first that leaves every
    field room for its name) and moves the field names to where they are
    widest outside the legend. Both depend on the size the axes is drawn at,
    which a layout settles only while drawing, so this runs at every drawing.
    """

    def __init__(
        self,
        legend: Legend,
        labels: Dict[Phase, Text],
        phases: "NDArray[Any]",
        T_grid: "NDArray[Any]",
        P_grid: "NDArray[Any]",
    ) -> None:
        super().__init__()
        self.set_zorder(-math.inf)
        self.set_in_layout(False)
        self._legend, self._labels, self._grid = legend, labels, (phases, T_grid, P_grid)

    def draw(self, renderer: "RendererBase") -> None:
        ax = self.axes
        assert ax is not None, "the placement of a legend is drawn on the legend's axes"
        frame, size = ax.bbox, self._legend.get_window_extent(renderer)
        font = self._legend.prop.get_size_in_points()
        # points_to_pixels takes and gives arrays too, so its annotations leave the type open.
        pad = cast(float, renderer.points_to_pixels(self._legend.borderaxespad * font))
        # Room kept around the legend for the width of the curves and the patches of the names.
        margin = cast(float, renderer.points_to_pixels(0.5 * font))
        boxes: List[Tuple[int, int, Bbox]] = []
        for order, (right, top) in enumerate(_CORNERS):
            x0 = frame.x1 - pad - size.width if right else frame.x0 + pad
            y0 = frame.y1 - pad - size.height if top else frame.y0 + pad
            box = Bbox.from_bounds(x0, y0, size.width, size.height)
            crossed = sum(_crosses(line, box.padded(margin), renderer) for line in ax.lines)
            boxes.append((crossed, order, box))
        to_axes = ax.transAxes.inverted()
        chosen: Optional[Tuple[Bbox, Dict[Phase, Tuple[float, float]]]] = None
        for _, _, box in sorted(boxes, key=lambda entry: entry[:2]):
            positions = _label_positions(*self._grid, to_axes.transform_bbox(box.padded(margin)))
            if chosen is None or len(positions) == len(self._labels):
                chosen = box, positions
            if len(positions) == len(self._labels):
                break
        assert chosen is not None
        box, positions = chosen
        self._legend.set_bbox_to_anchor(tuple(to_axes.transform(box.get_points()).mean(axis=0)), ax.transAxes)
        for member, position in positions.items():
            self._labels[member].set_position(position)


def _crosses(line: "Line2D", box: Bbox, renderer: "RendererBase") -> bool:
    """Whether line, as drawn, passes through box (in pixels); for a single point, its marker."""
    if numpy.size(line.get_xdata()) == 1:
        return bool(line.get_window_extent(renderer).overlaps(box))
    return bool(line.get_transform().transform_path(line.get_path()).intersects_bbox(box, filled=False))


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


def diagram_figure(
    width: int = 800,
    height: int = 600,
    dpi: float = 100.0,
    *,
    T_range: Optional[Tuple[float, float]] = None,
    P_range: Optional[Tuple[float, float]] = None,
    units: Tuple[str, str] = ("degC", "bar"),
    title: Optional[str] = DEFAULT_TITLE,
    legend: Optional[str] = "outside",
) -> Figure:
    """A figure of width × height pixels at dpi pixels per inch with the phase diagram, drawn once.

    The printed size is width/dpi × height/dpi inches. The lettering is 10 pt
    on prints of ``REFERENCE_SIZE`` (5 × 3.75 in) and larger; on a smaller
    print it scales down with the figure, lines and spacing alike, so that a
    picture of the same pixels looks the same at every dpi. T_range, P_range,
    units and legend are those of ``phase_diagram``; the figure is titled
    ``DEFAULT_TITLE`` unless title is another text, or None (or "") for no
    title. Raises ``ValueError`` for prints too small to letter (see
    ``lettering_scale``) and for the arguments that ``phase_diagram`` refuses.
    """
    with _diagram_style(width, height, dpi):
        figure = Figure(figsize=(width / dpi, height / dpi), dpi=dpi, layout="constrained")
        phase_diagram(figure.add_subplot(), T_range=T_range, P_range=P_range, units=units, title=title, legend=legend)
        # Lays the figure out and makes its ticks while the style holds; the
        # temperatures ticked then stay, since how many fit depends on the style.
        FigureCanvasAgg(figure).draw()  # type: ignore[no-untyped-call]
        ax = figure.axes[0]
        ax.xaxis.set_major_locator(FixedLocator([float(tick) for tick in ax.get_xticks()]))
    return figure


def save_diagram(
    path: str,
    width: int = 800,
    height: int = 600,
    dpi: float = 100.0,
    format: Optional[str] = None,
    *,
    T_range: Optional[Tuple[float, float]] = None,
    P_range: Optional[Tuple[float, float]] = None,
    units: Tuple[str, str] = ("degC", "bar"),
    title: Optional[str] = DEFAULT_TITLE,
    legend: Optional[str] = "outside",
) -> None:
    """Write the phase diagram of ``diagram_figure(width, height, dpi, ...)`` to path.

    format is "png", "svg" or "pdf" (by default, from the name of path); the
    keyword arguments are those of ``diagram_figure``. A PNG records dpi as its
    resolution; SVG and PDF keep their text as text.
    """
    with _diagram_style(width, height, dpi):
        figure = diagram_figure(
            width, height, dpi, T_range=T_range, P_range=P_range, units=units, title=title, legend=legend
        )
        figure.savefig(path, format=format, dpi=dpi)

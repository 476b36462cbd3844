"""The phase diagram's layout: nothing overlaps at any supported size and dpi,
every decade is labelled, the lettering follows the documented rule for
--dpi, vector files keep their text, and the fields are Halx.phase's."""

import itertools
import struct

import pytest

pytest.importorskip("matplotlib")
np = pytest.importorskip("numpy")

import Halx  # noqa: E402
from Halx import plot, ufunc  # noqa: E402
from Halx.cli import main  # noqa: E402
from matplotlib.transforms import Bbox  # noqa: E402

pytestmark = [pytest.mark.keeps_memory, pytest.mark.python_layer]

# (width, height, dpi): the default, the sizes and dpis a paper asks for, the
# smallest size, the highest dpi the smallest size allows, and long shapes.
SIZES = [
    (800, 600, 100),
    (400, 300, 100),
    (800, 600, 200),
    (800, 600, 300),
    (400, 300, 300),
    (320, 240, 320),
    (1600, 400, 100),
    (400, 1200, 100),
]


def _labelled(figure):
    """(name, bbox in pixels) of every text the diagram shows, the legend as one."""
    renderer = figure.canvas.get_renderer()
    ax = figure.axes[0]
    texts = [("title", ax.title), ("x label", ax.xaxis.label), ("y label", ax.yaxis.label)]
    texts += [(f"field {text.get_text()}", text) for text in ax.texts]
    for axis in (ax.xaxis, ax.yaxis):
        low, high = sorted(axis.get_view_interval())
        texts += [
            (f"tick {tick.label1.get_text()}", tick.label1)
            for tick in axis.get_major_ticks()
            if tick.label1.get_visible() and tick.label1.get_text() and low <= tick.get_loc() <= high
        ]
    boxes = [(name, text.get_window_extent(renderer)) for name, text in texts]
    return boxes + [("legend", ax.get_legend().get_window_extent(renderer))]


def _collisions(figure):
    boxes = _labelled(figure)
    found = [
        f"{name} leaves the figure"
        for name, box in boxes
        if not figure.bbox.padded(0.5).contains(box.x0, box.y0) or not figure.bbox.padded(0.5).contains(box.x1, box.y1)
    ]
    found += [
        f"{a} overlaps {b}" for (a, box_a), (b, box_b) in itertools.combinations(boxes, 2) if box_a.overlaps(box_b)
    ]
    renderer = figure.canvas.get_renderer()
    frame = figure.axes[0].bbox
    for line in figure.axes[0].lines:
        path = line.get_transform().transform_path(line.get_path())
        half_width = line.get_linewidth() * figure.dpi / 72 / 2 + 0.5
        # The curves are clipped to the axes: only the part of a box inside them can be touched.
        for name, box in ((name, Bbox.intersection(box, frame)) for name, box in boxes):
            if box is None:
                continue
            if len(line.get_xdata()) == 1:  # the triple point: its marker
                touches = line.get_window_extent(renderer).overlaps(box)
            else:
                touches = path.intersects_bbox(box.padded(half_width), filled=False)
            if touches:
                found.append(f"{name} touches {line.get_label()!r}")
    return found


@pytest.fixture(scope="module", params=SIZES, ids=lambda size: "{}x{}@{}".format(*size))
def drawn(request):
    return request.param, plot.diagram_figure(*request.param)


def test_no_text_overlaps_a_curve_or_another_text_and_none_is_cut_off(drawn):
    _, figure = drawn
    assert _collisions(figure) == []


def test_every_decade_is_labelled_with_minor_ticks_between(drawn):
    _, figure = drawn
    axis = figure.axes[0].yaxis
    labelled = [
        tick.get_loc() for tick in axis.get_major_ticks() if tick.label1.get_visible() and tick.label1.get_text()
    ]
    decades = [10.0**exponent for exponent in range(-8, 5)]
    assert [value for value in labelled if 1e-8 <= value <= 1e4] == pytest.approx(decades)
    minor = [value for value in axis.get_minorticklocs() if 1e-8 < value < 1e4]
    assert len(minor) == 8 * 12


def test_the_curves_differ_in_colour_and_line_style(drawn):
    _, figure = drawn
    curves = [line for line in figure.axes[0].lines if len(line.get_xdata()) > 1]
    assert len({line.get_color() for line in curves}) == len({line.get_linestyle() for line in curves}) == 3


def test_each_legend_sample_is_long_enough_to_show_its_line_style(drawn):
    # A sample shorter than one period of its dash pattern shows a dash only:
    # dash-dot would then look like dashed.
    _, figure = drawn
    legend = figure.axes[0].get_legend()
    sample = legend.handlelength * legend.prop.get_size_in_points()
    periods = {line.get_label(): sum(line._dash_pattern[1] or ()) for line in legend.get_lines()}
    assert periods["sublimation"] > 0 and all(period <= sample for period in periods.values()), (periods, sample)


def test_same_pixels_look_the_same_at_every_dpi_below_the_reference_print():
    # 400x300 prints 4 x 3 in at 100 dpi and 1.3 x 1 in at 300 dpi: both smaller
    # than 5 x 3.75 in, so the lettering shrinks with the print to the same pixels.
    boxes = [dict(_labelled(plot.diagram_figure(400, 300, dpi))) for dpi in (100, 300)]
    assert boxes[0].keys() == boxes[1].keys()
    for name in boxes[0]:
        # Text is hinted to whole pixels, differently at each size in points: a pixel or two.
        assert boxes[0][name].bounds == pytest.approx(boxes[1][name].bounds, abs=2.0), name


def test_a_print_too_small_for_lettering_is_refused(capsys, tmp_path):
    with pytest.raises(ValueError, match="dpi of 400 or less"):
        plot.diagram_figure(400, 300, 401)
    assert main(["diagram", "-o", str(tmp_path / "d.png"), "--size", "400x300", "--dpi", "401"]) == 2
    assert "--dpi 400 or less" in capsys.readouterr().err


def _png_dots_per_metre(data):
    """The horizontal resolution of the pHYs chunk of PNG data."""
    start = data.index(b"pHYs") + 4
    x, y, unit = struct.unpack(">IIB", data[start : start + 9])
    assert unit == 1 and x == y
    return x


@pytest.mark.parametrize("dpi", [100, 300])
def test_png_records_dpi_as_its_resolution(tmp_path, dpi):
    path = tmp_path / "nacl.png"
    plot.save_diagram(str(path), 800, 600, dpi)
    assert _png_dots_per_metre(path.read_bytes()) == round(dpi / 0.0254)


def test_svg_keeps_its_text_as_text(tmp_path):
    path = tmp_path / "nacl.svg"
    plot.save_diagram(str(path))
    svg = path.read_text(encoding="utf-8")
    assert svg.count("<text") >= len(_labelled(plot.diagram_figure())) - 1  # the legend is one box of several texts
    assert "solid</text>" in svg and 'id="DejaVuSans-' not in svg


def test_fields_are_the_phases_of_the_grid_and_each_label_sits_in_its_field():
    from matplotlib.figure import Figure

    ax = plot.phase_diagram(Figure().add_subplot(), points=120)
    mesh, checked = ax.collections  # the fields, and the band over the curves' checked stretches
    assert len(checked.get_segments()) == 3 and checked.get_label().startswith("checked\nagainst")
    T, P = np.linspace(500.0, 1500.0, 120), np.geomspace(1e-8, 1e4, 120)
    assert np.array_equal(np.asarray(mesh.get_array()).reshape(120, 120), ufunc.phase(T[None, :], P[:, None]))
    labels = {text.get_text(): text.get_position() for text in ax.texts}
    assert sorted(labels) == ["liquid", "solid", "vapour"]
    for name, (T_label, P_label) in labels.items():
        assert str(Halx.phase(T_label, P_label)) == name


@pytest.mark.parametrize(
    "keywords, message",
    [
        ({"T_range": (900.0, 900.0)}, "T_range = (900.0, 900.0) is empty;"),
        ({"T_range": (1500.0, 500.0)}, "T_range = (1500.0, 500.0) is reversed;"),
        ({"T_range": (float("nan"), 900.0)}, "T_range = (nan, 900.0) has a bound that is not finite;"),
        ({"P_range": (1e-8, float("inf"))}, "P_range = (1e-08, inf) has a bound that is not finite;"),
        ({"P_range": (0.0, 1.0)}, "P_range = (0.0, 1.0) reaches 0 bar or below"),
        ({"T_range": (-1.0, 100.0), "units": ("K", "Pa")}, "T_range = (-1.0, 100.0) reaches below absolute zero (0 K)"),
        ({"T_range": (-274.0, 100.0)}, "T_range = (-274.0, 100.0) reaches below absolute zero (-273.15 °C)"),
        ({"T_range": (500.0,)}, "T_range = (500.0,) is not a range"),
        (
            {"units": ("F", "bar")},
            "units = ('F', 'bar') are not units of the diagram; give a temperature unit, 'degC' or 'K'",
        ),
        ({"legend": "left"}, "legend = 'left' is not a placement"),
        ({"points": 1}, "points = 1: give a whole number of at least 2"),
    ],
)
def test_a_bad_window_unit_or_placement_is_refused_in_one_line(keywords, message):
    from matplotlib.figure import Figure

    with pytest.raises(ValueError) as refused:
        plot.phase_diagram(Figure().add_subplot(), **keywords)
    assert str(refused.value).startswith(message) and "\n" not in str(refused.value)


def test_si_units_draw_the_same_diagram_in_kelvin_and_pascal_untitled_unless_asked():
    from matplotlib.figure import Figure

    common = ax_C, ax_K = [Figure().add_subplot() for _ in range(2)]
    plot.phase_diagram(ax_C, points=60, legend=None)
    plot.phase_diagram(ax_K, points=60, units=("K", "Pa"), title="NaCl", legend="outside")
    assert (ax_C.get_title(), ax_K.get_title()) == ("", "NaCl") and ax_C.get_legend() is None
    assert (ax_K.get_xlabel(), ax_K.get_ylabel()) == ("Temperature (K)", "Pressure (Pa)")
    assert ax_K.get_xlim() == pytest.approx((773.15, 1773.15)) and ax_K.get_ylim() == pytest.approx((1e-3, 1e9))
    fields = [np.asarray(ax.collections[0].get_array()) for ax in common]
    assert np.array_equal(*fields)
    for line_C, line_K in zip(ax_C.lines, ax_K.lines):
        assert line_K.get_xydata() == pytest.approx(line_C.get_xydata() * [1.0, 1e5] + [273.15, 0.0], rel=1e-12)
    T_Triple, P_Triple = Halx.triple_point()
    assert line_K.get_label() == f"triple point\n{T_Triple + 273.15:.5g} K\n{P_Triple * 1e5:.3g} Pa"
    for text_C, text_K in zip(ax_C.texts, ax_K.texts):
        assert text_C.get_text() == text_K.get_text()
        assert text_K.get_position() == pytest.approx(
            np.add(np.multiply(text_C.get_position(), [1.0, 1e5]), [273.15, 0.0])
        )


@pytest.mark.parametrize(
    "keywords",
    [
        {"legend": "outside"},
        {"legend": "inside"},
        # The melting curve crosses the upper right corner here: the legend goes elsewhere.
        {"legend": "inside", "units": ("K", "Pa"), "T_range": (300.0, 1800.0), "P_range": (1e-2, 1e9)},
    ],
    ids=["outside", "inside", "inside-SI"],
)
def test_a_legend_at_journal_size_is_narrow_and_clear_of_names_and_curves(keywords):
    figure = plot.diagram_figure(1050, 788, 300, **keywords)
    legend = figure.axes[0].get_legend().get_window_extent(figure.canvas.get_renderer())
    frame = figure.axes[0].bbox
    assert _collisions(figure) == []
    assert legend.width <= figure.bbox.width / 4
    if keywords["legend"] == "outside":
        assert legend.x0 > frame.x1
    else:
        assert frame.contains(legend.x0, legend.y0) and frame.contains(legend.x1, legend.y1)


@pytest.mark.parametrize(
    "options, drawn",
    [
        (
            [],
            {
                "T_range": None,
                "P_range": None,
                "units": ("degC", "bar"),
                "title": plot.DEFAULT_TITLE,
                "legend": "outside",
            },
        ),
        (
            ["--T", "-20:900", "--P", "1e-3:1e9", "--units", "degC,Pa", "--title", "", "--legend", "none"],
            {"T_range": (-20.0, 900.0), "P_range": (1e-3, 1e9), "units": ("degC", "Pa"), "title": "", "legend": None},
        ),
        (["--T", "1500:500"], "halx diagram: error: --T 1500.0:500.0 is reversed; give LOW:HIGH"),
        (["--P", "0:1e4"], "halx diagram: error: --P 0.0:10000.0 reaches 0 bar or below"),
        (["--units", "F,bar"], "halx diagram: error: --units F,bar are not units of the diagram"),
        (["--T", "500"], "halx diagram: error: argument --T: '500' is not a range LOW:HIGH"),
    ],
)
def test_diagram_command_passes_its_window_units_title_and_legend(capsys, tmp_path, monkeypatch, options, drawn):
    given = {}

    def save(path, width, height, dpi, format, **keywords):
        given.update(keywords)
        open(path, "wb").close()

    monkeypatch.setattr(plot, "save_diagram", save)
    status = main(["diagram", "-o", str(tmp_path / "d.png"), *options])
    error = capsys.readouterr().err
    if isinstance(drawn, str):
        assert (status, given) == (2, {}) and error.startswith(drawn) and error.count("\n") == 1
    else:
        assert (status, given) == (0, drawn)

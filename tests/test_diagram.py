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

pytestmark = pytest.mark.keeps_memory

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
    for line in figure.axes[0].lines:
        path = line.get_transform().transform_path(line.get_path())
        half_width = line.get_linewidth() * figure.dpi / 72 / 2 + 0.5
        for name, box in boxes:
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
    assert len(checked.get_segments()) == 3 and checked.get_label().startswith("checked against")
    T, P = np.linspace(500.0, 1500.0, 120), np.geomspace(1e-8, 1e4, 120)
    assert np.array_equal(np.asarray(mesh.get_array()).reshape(120, 120), ufunc.phase(T[None, :], P[:, None]))
    labels = {text.get_text(): text.get_position() for text in ax.texts}
    assert sorted(labels) == ["liquid", "solid", "vapour"]
    for name, (T_label, P_label) in labels.items():
        assert str(Halx.phase(T_label, P_label)) == name

"""What follows from the correlations: inverse curves, the heats their curves
imply, response coefficients; and the argument rules of every scalar function
but the five correlations' (test_surface.py has the thermodynamic surface).

Expected values come from the curves themselves, from exact decimal
arithmetic, from centred finite differences and from the step-by-step
evaluation in tests/reference.py, never from the code under test. The round
trips over 10**6 inputs are measured by benchmarks/round_trips.py.
"""

import contextlib
import io
import math
import pickle
import re
from decimal import Decimal, localcontext
from pathlib import Path

import Halx
import pytest
import reference
from Halx import cli
from Halx._table import PROPERTIES
from hypothesis import given, settings
from hypothesis import strategies as st

np = pytest.importorskip("numpy")
from Halx import ufunc  # noqa: E402

# The numbers are checked far outside the plausible spans on purpose (Halx.RangeWarning
# has its tests in test_range_warning.py).
pytestmark = [pytest.mark.keeps_memory, pytest.mark.filterwarnings("ignore::Halx.RangeWarning")]  # NumPy

h = Halx.cHalx()
DERIVED = [row for row in PROPERTIES if not row.bound]

# Inverse -> (curve, slope of log10 P against 1/T, a bound on the round trip in ulps
# of P over 1e-30 to 1e4 bar: the largest errors measured are 295 ulps for both, see
# benchmarks/round_trips.py).
VAPOUR_CURVES = {
    "T_Boiling": (h.P_Boiling, 9418.12, 320),
    "T_Sublimation": (h.P_Sublimation, 11806.1, 320),
}


def ulps(a, b):
    return np.abs(np.asarray(a, np.float64).view(np.int64) - np.asarray(b, np.float64).view(np.int64))


# --- Inverse curves ----------------------------------------------------------------------------


@pytest.mark.parametrize("name", VAPOUR_CURVES)
def test_vapour_inverse_round_trips_within_the_measured_bound(name):
    curve, _, bound = VAPOUR_CURVES[name]
    P = 10.0 ** np.random.default_rng(1).uniform(-30.0, 4.0, 20_000)
    T = getattr(ufunc, name)(P)
    assert ulps(np.vectorize(curve)(T), P).max() <= bound


@pytest.mark.parametrize("name", VAPOUR_CURVES)
@settings(max_examples=200, deadline=None)
@given(exponent=st.floats(min_value=-300.0, max_value=4.0))
def test_vapour_inverse_is_the_exact_solution_to_eight_ulps_of_the_absolute_temperature(name, exponent):
    _, slope, _ = VAPOUR_CURVES[name]
    P = 10.0**exponent
    with localcontext() as context:
        context.prec = 40
        exact = Decimal(slope) / (
            Decimal(slope) * Decimal(reference.RECIPROCAL_TRIPLE_KELVIN)
            + Decimal(reference.P_TRIPLE).log10()
            - Decimal(P).log10()
        )
    assert ulps(getattr(Halx, name)(P) + 273.15, float(exact)) <= 8


@settings(max_examples=300, deadline=None)
@given(P=st.floats(min_value=0.0, max_value=1e5))
def test_melting_inverse_round_trips_exactly(P):
    T = h.T_Melting(P)
    assert h.T_Melting(Halx.P_Melting(T)) == T


@pytest.mark.parametrize(
    "name, argument, expected",
    [
        ("T_Boiling", 1.01325, 1450.6193632468426),  # the normal boiling point
        # The double below 800.7, whose absolute temperature is the triple point's 1073.85 K.
        ("T_Boiling", reference.P_TRIPLE, 800.6999999999999),
        ("T_Sublimation", reference.P_TRIPLE, 800.6999999999999),
        ("P_Melting", 800.7, 0.0005),
        ("T_Boiling", 0.0, -273.15),  # log10(0) is -inf: 1/T is +inf
        ("T_Boiling", -1.0, math.nan),
        ("P_Melting", math.inf, math.inf),
    ],
)
def test_landmarks_of_the_inverses(name, argument, expected):
    assert reference.same_double(getattr(Halx, name)(argument), expected)


# --- Phase ---------------------------------------------------------------------------------------


def test_phase_members_read_as_their_names_and_pickle_as_halx_phase():
    assert [str(member) for member in Halx.Phase] == ["solid", "liquid", "vapour"]
    assert f"{Halx.Phase.LIQUID:>8}|" == "  liquid|"
    assert [int(member) for member in Halx.Phase] == [reference.SOLID, reference.LIQUID, reference.VAPOUR]
    assert pickle.loads(pickle.dumps(Halx.Phase.VAPOUR)) is Halx.Phase.VAPOUR


@pytest.mark.parametrize(
    "T, P",
    [
        (math.nan, 1.0),
        (1000.0, math.nan),
        (math.nan, math.nan),
        (-273.16, 1.0),
        (-math.inf, 1.0),
        (25.0, -1e-300),
        (25.0, -math.inf),
    ],
)
def test_no_phase_where_no_state_exists(T, P):
    with pytest.raises(ValueError, match=r"^phase\(\): no state exists at T = .* °C, P = .* bar; T must be"):
        Halx.phase(T, P)
    assert ufunc.phase(T, P) == reference.NO_PHASE


# --- Latent heats --------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "heat, curve", [(Halx.H_BoilingCurve, h.P_Boiling), (Halx.H_SublimationCurve, h.P_Sublimation)]
)
def test_vapour_heats_are_the_clausius_clapeyron_slope_at_every_temperature(heat, curve):
    # -R d(ln P)/d(1/T), the slope of ln P against 1/T taken from two points of the curve.
    T1, T2 = 700.0, 1200.0
    from_the_curve = (
        -8.31446261815324 * (math.log(curve(T2)) - math.log(curve(T1))) / (1 / (T2 + 273.15) - 1 / (T1 + 273.15))
    )
    for T in (-100.0, 25.0, 800.7, 1465.0, math.inf):
        assert heat(T) == pytest.approx(from_the_curve, rel=1e-12)
    assert math.isnan(heat(math.nan))


@settings(max_examples=100, deadline=None)
@given(P=st.floats(min_value=0.0005, max_value=1e4))
def test_heat_of_fusion_is_the_clapeyron_equation(P):
    T = h.T_Melting(P)
    dT_dP = (h.T_Melting(P + 1.0) - h.T_Melting(P - 1.0)) / 2.0  # K per bar, the curve's own slope
    volume_change = reference.MOLAR_MASS * (1.0 / h.Rho_Liquid(T, P) - 1.0 / h.Rho_Solid(T, P))
    assert Halx.H_MeltingCurve(P) == pytest.approx((T + 273.15) * volume_change * 1e5 / dT_dP, rel=1e-9)


def test_the_curves_heats_at_the_triple_point_do_not_close_and_the_documented_figures_hold():
    # Sublimation = vaporization + fusion holds on the thermodynamic surface;
    # the three correlations are independent fits, and the docs give these figures.
    vaporization, sublimation = Halx.H_BoilingCurve(Halx.T_Triple), Halx.H_SublimationCurve(Halx.T_Triple)
    fusion = Halx.H_MeltingCurve(Halx.P_Triple)
    assert (round(vaporization), round(sublimation), round(fusion)) == (180308, 226025, 29827)
    assert round(sublimation - vaporization - fusion) == 15890


# --- Response coefficients -----------------------------------------------------------------------

SOLID_STATES = st.tuples(st.floats(0.0, 800.7), st.floats(0.0, 5000.0))
LIQUID_STATES = st.tuples(st.floats(800.7, 1500.0), st.floats(0.0, 5000.0))


@pytest.mark.parametrize(
    "alpha, beta, density, states",
    [
        ("Alpha_Solid", "Beta_Solid", h.Rho_Solid, SOLID_STATES),
        ("Alpha_Liquid", "Beta_Liquid", h.Rho_Liquid, LIQUID_STATES),
    ],
)
def test_response_coefficients_match_centred_finite_differences(alpha, beta, density, states):
    @settings(max_examples=200, deadline=None)
    @given(states)
    def check(state):
        T, P = state
        rho = density(T, P)
        expansivity = -(density(T + 0.01, P) - density(T - 0.01, P)) / (0.02 * rho)
        compressibility = (density(T, P + 0.1) - density(T, P - 0.1)) / (0.2 * rho)
        assert getattr(Halx, alpha)(T, P) == pytest.approx(expansivity, rel=1e-7)
        assert getattr(Halx, beta)(T, P) == pytest.approx(compressibility, rel=1e-7)

    check()


# --- One double everywhere: scalar function, ufunc, command line ---------------------------------


@pytest.mark.parametrize("row", DERIVED, ids=lambda row: row.name)
@settings(max_examples=30, deadline=None)
@given(data=st.data())
def test_scalar_ufunc_and_command_line_give_the_same_result(row, data):
    values = [data.draw(st.floats(min_value=-300.0, max_value=1e4)) for _ in row.arguments]
    words = [repr(value) for value in values]
    if row.result == "phase" and reference.phase(*values) == reference.NO_PHASE:  # below absolute zero
        with pytest.raises(ValueError):
            Halx.phase(*values)
        assert int(ufunc.phase(*values)) == reference.NO_PHASE and cli.main(["phase"] + words) == 2
        return
    scalar = getattr(Halx, row.name)(*values)
    with np.errstate(all="ignore"):
        array = getattr(ufunc, row.name)(*values)
    out = _run_cli(["eval", row.name] + words)
    if row.result == "phase":
        assert int(array) == scalar and out == f"{scalar}\n" == _run_cli(["phase"] + words)
    else:
        assert reference.same_double(float(array), scalar)
        assert out == f"{scalar!r} {row.unit}\n"


# Each function just outside and just inside a bound of its domain: absolute
# zero, 1/T = 0 on the vapour lines (about 2.95e5 and 4.93e7 bar), a density
# that is not positive (the solid's under 10^6 bar of tension, the liquid's
# beyond its volume's root near 10689 °C or its compression term's near
# 5.5e7 bar at 1000 °C).
DOMAIN_BOUNDS = [
    ("T_Boiling", (3.0e5,), (2.9e5,)),
    ("T_Boiling", (math.inf,), (0.0,)),
    ("T_Boiling", (-1e-300,), (0.0,)),
    ("T_Sublimation", (5.0e7,), (4.9e7,)),
    ("P_Melting", (-273.16,), (-273.15,)),
    ("P_Melting", (-math.inf,), (1e300,)),
    ("H_BoilingCurve", (-273.16,), (-273.15,)),
    ("H_SublimationCurve", (-math.inf,), (-273.15,)),
    ("H_MeltingCurve", (-5.0e4,), (-4.0e4,)),
    ("Alpha_Solid", (-273.16, 1.0), (-273.15, 1.0)),
    ("Alpha_Solid", (25.0, -1.0e6), (25.0, -1.0e5)),
    ("Beta_Solid", (-273.16, 1.0), (-273.15, 1.0)),
    ("Beta_Solid", (25.0, -1.0e6), (25.0, -1.0e5)),
    ("Alpha_Liquid", (-273.16, 1.0), (-273.15, 1.0)),
    ("Alpha_Liquid", (11000.0, 1.0), (10000.0, 1.0)),
    ("Beta_Liquid", (1000.0, 1.0e8), (1000.0, 5.0e7)),
    ("Beta_Liquid", (11000.0, 1.0), (10000.0, 1.0)),
]


@pytest.mark.parametrize("name, outside, inside", DOMAIN_BOUNDS)
def test_outside_its_domain_a_function_gives_nan_everywhere(name, outside, inside):
    function, elementwise = getattr(Halx, name), getattr(ufunc, name)
    with np.errstate(all="ignore"):  # ln 0 and ln of a negative number raise their flags
        assert math.isfinite(function(*inside)) and math.isfinite(elementwise(*inside))
        assert math.isnan(function(*outside)) and math.isnan(elementwise(*outside))
    assert _run_cli(["eval", "-n", name] + [repr(value) for value in outside]) == "nan\n"
    assert math.isnan(getattr(reference, name)(*outside))


@pytest.mark.parametrize(
    "name, arguments, expected",
    [
        ("Rho_Liquid", (820.0, 1.0), True),
        ("Rho_Liquid", (820, 200), False),
        ("Rho_Liquid", (np.array([700.0, 800.7, 850.0, math.nan]), 1.0), [False, True, True, False]),
        ("T_Boiling", ([3e-4, 1.01325, 1.1],), [True, True, False]),
        ("H_Sublimation", (900.0,), False),  # never compared with measurements
        ("Beta_Liquid", (np.ones((2, 1)), np.ones(3)), np.zeros((2, 3), bool)),
    ],
)
def test_in_range_tells_where_a_property_was_checked(name, arguments, expected):
    inside = Halx.in_range(name, *arguments)
    assert type(inside) is bool if isinstance(expected, bool) else isinstance(inside, np.ndarray)
    assert np.array_equal(inside, expected)


def _quantity(value, unit):
    return pytest.importorskip("pint").get_application_registry().Quantity(value, unit)


def _labelled(values, unit):
    return pytest.importorskip("xarray").DataArray(np.array(values), attrs={"units": unit})


# Arguments with units, and the same in the table's units (°C, bar), which in_range must read them as.
IN_UNITS = [
    ("T_Boiling", lambda: (_quantity(1.0e5, "Pa"),), (1.0,)),
    ("Rho_Solid", lambda: (_quantity(298.15, "K"), 1.0), (25.0, 1.0)),
    ("Rho_Solid", lambda: (_labelled([298.15, 373.15], "K"), _quantity(100.0, "kPa")), ([25.0, 100.0], 1.0)),
    ("Rho_Liquid", lambda: (_labelled([820.0], "degC"), _labelled([1.0e5], "Pa")), ([820.0], [1.0])),
    ("Rho_Liquid", lambda: (_quantity(np.array([1100.0, 2000.0]), "K"), 1.0), ([826.85, 1726.85], 1.0)),
]


@pytest.mark.parametrize("name, with_units, in_table_units", IN_UNITS)
def test_in_range_reads_units_as_the_functions_do(name, with_units, in_table_units):
    inside = Halx.in_range(name, *with_units())
    assert np.array_equal(inside, Halx.in_range(name, *in_table_units)) and np.any(inside)
    assert type(inside) is type(Halx.in_range(name, *in_table_units))


def test_in_range_refuses_a_unit_it_cannot_convert():
    with pytest.raises(ValueError, match="the units attribute 'furlong' of T is not a unit of temperature"):
        Halx.in_range("Rho_Liquid", _labelled([900.0], "furlong"), 1.0)


@pytest.mark.parametrize(
    "name, arguments, error",
    [("Rho_liquid", (1.0, 1.0), "did you mean Rho_Liquid"), ("Rho_Liquid", (1.0,), "takes the 2 argument")],
)
def test_in_range_refuses_unknown_names_and_wrong_counts(name, arguments, error):
    with pytest.raises((ValueError, TypeError), match=error):
        Halx.in_range(name, *arguments)


def _run_cli(argv):
    buffer = io.StringIO()
    with contextlib.redirect_stdout(buffer):
        assert cli.main(argv) == 0
    return buffer.getvalue()


# --- The scalar functions' argument rules --------------------------------------------------------


class Temperature(float):
    pass


@pytest.mark.parametrize("row", DERIVED, ids=lambda row: row.name)
def test_floats_ints_and_their_subclasses_are_numbers(row):
    state = {"T": 800, "P": 1}
    expected = getattr(Halx, row.name)(*(float(state[argument.name]) for argument in row.arguments))
    for kind in (int, Temperature, np.float64):
        assert getattr(Halx, row.name)(*(kind(state[argument.name]) for argument in row.arguments)) == expected


@pytest.mark.parametrize(
    "name, arguments, error, message",
    [
        ("T_Boiling", (), TypeError, r"^T_Boiling\(\) takes 1 argument, P \(pressure in bar\); got 0$"),
        (
            "Alpha_Solid",
            (1.0,),
            TypeError,
            r"^Alpha_Solid\(\) takes 2 arguments, T \(temperature in °C\) and P \(pressure in bar\); got 1$",
        ),
        (
            "P_Melting",
            ("800",),
            TypeError,
            r"^P_Melting\(\): T \(temperature in °C\) must be a float or int \(or an array, with NumPy installed\), "
            r"not str$",
        ),
        ("phase", (1.0, Decimal(1)), TypeError, r"^phase\(\): P \(pressure in bar\) must be .*, not decimal.Decimal$"),
        ("H_Fusion", ({1.0: 2.0},), TypeError, r"^H_Fusion\(\): P \(pressure in bar\) must be .*, not dict$"),
        ("Rho_Liquid", ([1.0], None), TypeError, r"^Rho_Liquid\(\): P \(pressure in bar\) must be .*, not NoneType$"),
        (
            "H_Fusion",
            (10**400,),
            OverflowError,
            r"^H_Fusion\(\): P \(pressure in bar\) is an int too large for a double$",
        ),
    ],
)
def test_refusals_name_the_function_and_the_argument(name, arguments, error, message):
    with pytest.raises(error, match=message):
        getattr(Halx, name)(*arguments)


def test_the_handbook_page_shows_what_halx_prints():
    page = (Path(__file__).resolve().parents[1] / "docs" / "handbook.md").read_text(encoding="utf-8")
    commands = re.findall(r"^\$ halx (.*)\n(.*)$", page, re.MULTILINE)
    assert len(commands) >= 7
    for command, printed in commands:
        assert _run_cli(command.split()) == printed + "\n", command

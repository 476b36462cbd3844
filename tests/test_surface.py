"""The thermodynamic surface: one set of Gibbs energies, and everything that
follows from them agreeing with them and with the measured anchors.

Expected values come from the G_ functions themselves (roots found here by
bisection), from measured values, or from the laws the surface must obey
(Clapeyron, the third law), never from the surface function under test.
"""

import math
import struct

import Halx
import pytest
import reference

np = pytest.importorskip("numpy")
from Halx import ufunc  # noqa: E402

pytestmark = [pytest.mark.keeps_memory, pytest.mark.filterwarnings("ignore::Halx.RangeWarning")]

PHASES = ("Solid", "Liquid", "Vapour")


def gibbs(phase, T, P):
    return getattr(Halx, f"G_{phase}")(T, P)


def bisect(f, low, high, steps=200):
    """The root of f between low and high (f changes sign), to the last bit."""
    f_low = f(low)
    for _ in range(steps):
        middle = 0.5 * (low + high)
        if middle in (low, high):
            break
        if (f(middle) < 0) == (f_low < 0):
            low, f_low = middle, f(middle)
        else:
            high = middle
    return 0.5 * (low + high)


def melting_point(P):
    return bisect(lambda T: gibbs("Liquid", T, P) - gibbs("Solid", T, P), 600.0, 1400.0)


def boiling_point(P):
    return bisect(lambda T: gibbs("Vapour", T, P) - gibbs("Liquid", T, P), 900.0, 3000.0)


def vapour_pressure(T, phase):
    log_P = bisect(lambda x: gibbs("Vapour", T, math.exp(x)) - gibbs(phase, T, math.exp(x)), -60.0, 2.0)
    return math.exp(log_P)


# --- The anchors, computed from the Gibbs energies alone --------------------------------------


def test_the_surface_meets_the_measured_anchors():
    melting = melting_point(1.0)
    assert melting == pytest.approx(800.7, abs=0.1)
    fusion = Halx.H_Liquid(melting, 1.0) - Halx.H_Solid(melting, 1.0)
    assert fusion == pytest.approx(28.16e3, abs=0.1e3)
    assert boiling_point(1.01325) == pytest.approx(1465.0, abs=3.0)
    triple = bisect(lambda T: vapour_pressure(T, "Solid") - vapour_pressure(T, "Liquid"), 780.0, 820.0)
    assert 30.0 <= vapour_pressure(triple, "Solid") * 1e5 <= 55.0
    # The crystal at 298.15 K keeps its tabulated values (JANAF: H is the enthalpy of formation).
    assert Halx.H_Solid(25.0, 1.0) == pytest.approx(-411.12e3, abs=15.0)
    assert Halx.S_Solid(25.0, 1.0) == pytest.approx(72.115, abs=0.01)
    assert Halx.Cp_Solid(25.0, 1.0) == pytest.approx(50.509, abs=0.02)


# --- The boundaries: where two phases have one Gibbs energy ------------------------------------

# (upper, lower, the function of T giving P, the function of P giving T, temperatures on it)
BOUNDARIES = [
    ("Liquid", "Solid", Halx.P_SolidLiquid, Halx.T_SolidLiquid, (692.0, 760.0, 800.7, 900.0, 1000.0)),
    # 80 °C: a boiling temperature whose pressure (1e-24 bar) the boiling curve puts below the liquid's lowest temperature
    ("Vapour", "Liquid", Halx.P_LiquidVapour, Halx.T_LiquidVapour, (80.0, 700.0, 1000.0, 1465.0, 2500.0, 3500.0)),
    ("Vapour", "Solid", Halx.P_SolidVapour, Halx.T_SolidVapour, (25.0, 400.0, 700.0, 800.7, 900.0)),
]


@pytest.mark.parametrize("upper, lower, pressure_at, temperature_at, temperatures", BOUNDARIES)
def test_on_a_boundary_the_two_gibbs_energies_agree_and_the_inverses_meet(
    upper, lower, pressure_at, temperature_at, temperatures
):
    for T in temperatures:
        P = pressure_at(T)
        scale = abs(gibbs(lower, T, P))
        assert gibbs(upper, T, P) == pytest.approx(gibbs(lower, T, P), rel=4e-15, abs=scale * 4e-15), (T, P)
        assert temperature_at(P) == pytest.approx(T, rel=1e-12, abs=1e-9), (T, P)


@pytest.mark.parametrize("upper, lower, pressure_at, temperature_at, temperatures", BOUNDARIES)
def test_each_boundary_obeys_clapeyron(upper, lower, pressure_at, temperature_at, temperatures):
    # dP/dT = dH / (T dV), per mole of NaCl, with dV from the densities; the
    # slope by a five-point difference, whose error is far below 1e-9 here.
    for T in temperatures:
        P, d = pressure_at(T), 1e-8 * (T + 273.15) ** 2
        slope = (8 * (pressure_at(T + d) - pressure_at(T - d)) - (pressure_at(T + 2 * d) - pressure_at(T - 2 * d))) / (
            12 * d
        )
        dV = Halx.MolarMass * (1 / getattr(Halx, f"Rho_{upper}")(T, P) - 1 / getattr(Halx, f"Rho_{lower}")(T, P))
        dH = getattr(Halx, f"H_{upper}")(T, P) - getattr(Halx, f"H_{lower}")(T, P)
        assert slope * 1e5 == pytest.approx(dH / ((T + 273.15) * dV), rel=1e-9), (T, P)


@pytest.mark.parametrize(
    "heat, argument, upper, lower",
    [
        (Halx.H_Fusion, 1.0, "Liquid", "Solid"),
        (Halx.H_Vaporization, 1000.0, "Vapour", "Liquid"),
        (Halx.H_Sublimation, 700.0, "Vapour", "Solid"),
    ],
)
def test_latent_heats_are_enthalpy_differences_at_equilibrium_per_mole_of_nacl(heat, argument, upper, lower):
    if upper == "Liquid":
        T, P = melting_point(argument), argument
    else:
        T, P = argument, vapour_pressure(argument, lower)
    difference = getattr(Halx, f"H_{upper}")(T, P) - getattr(Halx, f"H_{lower}")(T, P)
    assert heat(argument) == pytest.approx(difference, rel=5e-3)


def test_at_the_triple_point_the_three_phases_meet_and_the_heats_close():
    T, P = Halx.triple_point()
    assert (T, P) == pytest.approx((800.70, 5.266e-4), rel=1e-4)
    assert gibbs("Solid", T, P) == pytest.approx(gibbs("Liquid", T, P), rel=1e-14)
    assert gibbs("Vapour", T, P) == pytest.approx(gibbs("Liquid", T, P), rel=1e-14)
    assert Halx.H_Sublimation(T) == pytest.approx(Halx.H_Vaporization(T) + Halx.H_Fusion(P), rel=1e-6)


# --- The stable phase --------------------------------------------------------------------------


def test_phase_is_the_phase_of_lowest_gibbs_energy_on_a_wide_grid():
    T = np.linspace(-270.0, 3500.0, 160)[np.newaxis, :]
    P = np.geomspace(1e-8, 1e4, 120)[:, np.newaxis]
    with np.errstate(invalid="ignore"):
        energies = np.stack([getattr(ufunc, f"G_{phase}")(T, P) for phase in PHASES])
    lowest = np.nanargmin(np.where(np.isnan(energies), np.inf, energies), axis=0) + 1
    codes = ufunc.phase(T, P)
    assert np.array_equal(codes, lowest)
    assert np.bincount(codes.ravel(), minlength=4)[1:].min() > 1000  # every field well covered


@pytest.mark.parametrize(
    "T, P, expected",
    [
        (25.0, 1.0, Halx.Phase.SOLID),
        (-270.0, 1.0, Halx.Phase.SOLID),
        (-270.0, 1e-8, Halx.Phase.SOLID),
        (-273.15, 1.0, Halx.Phase.SOLID),
        (700.0, 1e-8, Halx.Phase.VAPOUR),
        (1000.0, 1.0, Halx.Phase.LIQUID),
        (2000.0, 1.0, Halx.Phase.VAPOUR),
        (1000.0, 3e4, Halx.Phase.SOLID),
    ],
)
def test_textbook_states_have_their_textbook_phase(T, P, expected):
    assert Halx.phase(T, P) is expected


def test_across_a_boundary_the_phase_changes_within_rounding_of_it():
    for T, boundary, below, above in [
        (1200.0, Halx.P_LiquidVapour, Halx.Phase.VAPOUR, Halx.Phase.LIQUID),
        (500.0, Halx.P_SolidVapour, Halx.Phase.VAPOUR, Halx.Phase.SOLID),
        (900.0, Halx.P_SolidLiquid, Halx.Phase.LIQUID, Halx.Phase.SOLID),
    ]:
        P = boundary(T)
        assert Halx.phase(T, P * (1 - 1e-12)) is below and Halx.phase(T, P * (1 + 1e-12)) is above, T


# --- Honest domains ------------------------------------------------------------------------------


def test_the_solid_obeys_the_third_law_and_joins_the_data_smoothly():
    T = np.linspace(-273.15 + 1e-6, 60.0, 2000)
    S, Cp = ufunc.S_Solid(T, 1.0), ufunc.Cp_Solid(T, 1.0)
    assert np.all(S >= 0) and np.all(Cp >= 0) and np.all(np.diff(S) > 0) and np.all(np.diff(Cp) > 0)
    assert S[0] < 1e-4 and Cp[0] < 1e-4
    for quantity in (Halx.Cp_Solid, Halx.S_Solid, Halx.H_Solid):  # no step, no kink at 298.15 K
        below, at, above = (quantity(25.0 + d, 1.0) for d in (-1e-3, 0.0, 1e-3))
        assert above - at == pytest.approx(at - below, rel=1e-3)


@pytest.mark.parametrize(
    "name, arguments",
    [
        ("Rho_Vapour", (1000.0, 6e4)),  # an ideal gas 24 times denser than the solid: no vapour
        ("G_Vapour", (25.0, 100.0)),
        ("G_Liquid", (25.0, 1.0)),  # below the liquid's lowest temperature, 66.49 °C
        ("Gf_Solid", (-100.0, 1.0)),  # below 200 K, where the elements' data begin
        ("P_LiquidVapour", (50.0,)),
    ],
)
def test_where_the_model_has_no_state_it_says_nan(name, arguments):
    assert math.isnan(getattr(Halx, name)(*arguments))


@pytest.mark.parametrize(
    "T, sodium",
    # Sodium melts near 98 °C and boils near 883 °C at 1 bar.
    [(-50.0, reference.SODIUM_CRYSTAL), (500.0, reference.SODIUM_LIQUID), (1500.0, reference.SODIUM_GAS)],
)
def test_formation_starts_from_sodium_in_its_stable_state(T, sodium):
    Tk = T + 273.15

    def gibbs(species):
        _, H, S = reference.standard_state(species, Tk)
        return H - Tk * S

    elements = gibbs(sodium) + 0.5 * gibbs(reference.CHLORINE)
    for phase in ("Solid", "Liquid", "Vapour"):
        G = getattr(Halx, f"G_{phase}")(T, 1e-9)
        if not math.isnan(G):  # the liquid exists from 66.49 °C
            assert getattr(Halx, f"Gf_{phase}")(T, 1e-9) == pytest.approx(G - elements, rel=1e-12, abs=1e-6), phase


def test_no_vapour_is_denser_than_a_tenth_of_the_liquid():
    T = np.linspace(-200.0, 4000.0, 300)[:, np.newaxis]
    P = np.geomspace(1e-6, 6e4, 300)[np.newaxis, :]
    with np.errstate(invalid="ignore"):
        vapour, liquid = ufunc.Rho_Vapour(T, P), ufunc.Rho_Liquid(T, 0.0)
    given = ~np.isnan(vapour)
    assert np.all(vapour[given] <= 0.1 * np.broadcast_to(liquid, vapour.shape)[given] * (1 + 1e-15))


@pytest.mark.parametrize(
    "name, arguments, expected",
    [
        ("P_Vapour", (1000.0,), True),
        ("P_Vapour", (4000.0,), False),  # beyond the critical point's estimate
        ("H_Liquid", (1000.0, 1.0), True),
        ("H_Liquid", (1500.0, 1.0), False),  # a liquid above its boiling point
        ("H_Liquid", (4500.0, 1.0), False),
        ("H_Solid", (1000.0, 1.0), False),  # a solid above its melting point
        ("G_Vapour", (1000.0, 1e-3), True),
        ("G_Vapour", (1000.0, 1.0), False),  # a vapour above its vapour pressure
        ("phase", (25.0, 1.0), True),
        ("Rho_Solid", (25.0, 1.01325), True),
        ("Rho_Liquid", (900.0, 100.0), True),
    ],
)
def test_in_range_means_compared_with_tabulated_data_in_the_stable_phase(name, arguments, expected):
    assert Halx.in_range(name, *arguments) is expected


# --- NaN stays quiet, with its payload -----------------------------------------------------------

QUIET_NAN = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000001234))[0]


def _payload(x):
    """The bits of a NaN but its sign, which a negation may flip."""
    return struct.unpack("<Q", struct.pack("<d", x))[0] & ~(1 << 63)


@pytest.mark.parametrize(
    "row", [row for row in Halx._table.PROPERTIES if row.result == "float"], ids=lambda row: row.name
)
def test_a_nan_argument_comes_back_as_it_is_and_raises_no_flag(row):
    others = {"T": 1000.0, "P": 0.01}
    for position, argument in enumerate(row.arguments):
        arguments = [others[a.name] for a in row.arguments]
        arguments[position] = QUIET_NAN
        assert _payload(getattr(Halx, row.name)(*arguments)) == _payload(QUIET_NAN), (row.name, argument.name)
        with np.errstate(all="raise"):
            result = getattr(ufunc, row.name)(*(np.array([value]) for value in arguments))
        assert _payload(float(result[0])) == _payload(QUIET_NAN), (row.name, argument.name)


@pytest.mark.parametrize("name", ["Rho_Vapour", "X_Dimer"])
def test_a_vapour_at_zero_pressure_is_empty_at_any_temperature_without_a_flag(name):
    with np.errstate(all="raise"):
        assert getattr(ufunc, name)(np.array([1e100, 1e300, np.inf]), 0.0).tolist() == [0.0] * 3

"""The correlations: reference values, exact identities and IEEE edge behaviour."""

import math
import random

import _Halx
import Halx
import pytest
import reference
from hypothesis import given, settings
from hypothesis import strategies as st
from reference import same_double

h = Halx.cHalx()


@pytest.mark.parametrize(
    "method, args, expected",
    [
        ("P_Boiling", (25,), 7.60089818674e-27),
        ("P_Boiling", (1000,), 0.0118004827777),
        ("P_Sublimation", (25,), 1.24536425178e-32),
        ("P_Sublimation", (1000,), 0.0263031888883),
        ("T_Melting", (1,), 800.724713637),
        ("T_Melting", (1000,), 825.425987637),
        ("Rho_Solid", (25, 1), 2164.19891302),
        ("Rho_Solid", (1000, 1000), 1844.95538497),
        ("Rho_Liquid", (800.7, 0.0005), 1561.2247225),
        ("Rho_Liquid", (900, 100), 1505.44374011),
        ("Rho_Liquid", (1000, 1000), 1495.19002498),
    ],
)
def test_reference_values_to_twelve_digits(method, args, expected):
    assert float(f"{getattr(h, method)(*args):.12g}") == expected


def test_the_three_curves_meet_at_the_triple_point():
    assert h.T_Melting(0.0005) == 800.7
    boiling, sublimation = h.P_Boiling(800.7), h.P_Sublimation(800.7)
    # 10^log10(0.0005) correctly rounded: the double just below 0.0005.
    assert boiling == sublimation == 0.0004999999999999999 == 0.0005 - 2.0**-63


@pytest.mark.parametrize("method, slope", [("P_Boiling", 9418.12), ("P_Sublimation", 11806.1)])
def test_vapour_curves_use_the_run_time_reciprocal_of_the_triple_point_temperature(method, slope):
    # The model holds 1/(T_Triple + 273.15) and log10(P_Triple) ahead of time;
    # they must be the very doubles that the run-time steps give for the
    # T_Triple and P_Triple that it serves.
    reciprocal = 1.0 / (Halx.T_Triple + 273.15)
    exponent_at_triple_point = float(reference.DOUBLE.log10(Halx.P_Triple))
    assert exponent_at_triple_point == -3.3010299956639813
    for T in (Halx.T_Triple, 800.6999999999999, 800.7000000000001, 25.0, 700.0, 1000.0, 1465.0):
        expected = float(reference.DOUBLE.exp10((reciprocal - 1.0 / (T + 273.15)) * slope + exponent_at_triple_point))
        assert getattr(h, method)(T) == expected, T


@pytest.mark.parametrize("T", [-273.15, -100.0, 0.0, 25.0, 500.0, 800.0, 800.7])
def test_sublimation_never_exceeds_boiling_up_to_the_triple_point(T):
    assert h.P_Sublimation(T) <= h.P_Boiling(T)


@pytest.mark.parametrize("T", [800.8, 900.0, 1500.0, 3000.0])
def test_sublimation_exceeds_boiling_above_the_triple_point(T):
    assert h.P_Sublimation(T) > h.P_Boiling(T)


@settings(max_examples=300)
@given(T=st.floats(min_value=-1e5, max_value=1e5), P=st.sampled_from([0.0, -0.0]))
def test_at_zero_pressure_the_pressure_terms_vanish_exactly(T, P):
    assert same_double(h.Rho_Solid(T, P), reference.solid_density_at_zero_pressure(T))
    assert same_double(h.Rho_Liquid(T, P), reference.liquid_density_at_zero_pressure(T))


def test_solid_density_at_0_degrees_and_0_bar_is_the_leading_coefficient():
    assert h.Rho_Solid(0.0, 0.0) == 2170.4


def test_melting_temperature_rises_by_the_slope_per_bar():
    assert h.T_Melting(1001.0) - h.T_Melting(1.0) == pytest.approx(1000 * 0.024726, rel=1e-12)
    assert h.T_Melting(0.0) < 800.7 < h.T_Melting(0.001)


@pytest.mark.parametrize(
    "method, args, expected",
    [
        ("P_Boiling", (-273.15,), 0.0),
        ("P_Sublimation", (-273.15,), 0.0),
        ("P_Boiling", (-300.0,), math.inf),
        ("P_Sublimation", (-300.0,), math.inf),
        ("Rho_Liquid", (25.0, 8000.0), math.nan),
        ("Rho_Liquid", (800.7, -4000.0), math.nan),
        ("Rho_Solid", (math.inf, 1.0), math.nan),
        ("T_Melting", (math.inf,), math.inf),
        ("P_Boiling", (math.inf,), h.P_Boiling(1e300)),
    ]
    + [
        (m, (math.nan,) * n, math.nan)
        for m, n in [("P_Boiling", 1), ("T_Melting", 1), ("P_Sublimation", 1), ("Rho_Solid", 2), ("Rho_Liquid", 2)]
    ],
)
def test_ieee_edges_give_ieee_results(method, args, expected):
    assert same_double(getattr(h, method)(*args), expected)


def _interesting_doubles(rng, count):
    specials = [
        0.0,
        -0.0,
        1.0,
        -1.0,
        800.7,
        0.0005,
        -273.15,
        1e-300,
        -1e-300,
        1e300,
        -1e300,
        math.inf,
        -math.inf,
        math.nan,
        5e-324,
        1.7976931348623157e308,
    ]
    for _ in range(count):
        kind = rng.random()
        if kind < 0.2:
            yield rng.choice(specials)
        elif kind < 0.7:
            yield rng.uniform(-300.0, 5000.0)
        else:
            yield rng.choice((-1.0, 1.0)) * 10.0 ** rng.uniform(-320, 308)


@pytest.mark.parametrize("name", sorted(reference.PROPERTIES))
def test_every_value_equals_the_reference_evaluation_bit_for_bit(name):
    evaluate, arity = reference.PROPERTIES[name]
    function = getattr(_Halx, name)
    rng = random.Random(name)
    values = list(_interesting_doubles(rng, 4000 * arity))
    for i in range(0, len(values) - arity + 1, arity):
        args = values[i : i + arity]
        got, want = function(None, *args), evaluate(*args)
        assert same_double(got, want), (name, args, got, want)

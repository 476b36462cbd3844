"""Fuzzing the five property functions, flat and as proxy methods: every
generated call returns the oracle's value or the prescribed error
(tests/fuzzing.py generates and judges the arguments)."""

import math

import pytest
from fuzzing import (
    FUZZ,
    PROPERTIES,
    SPECIAL_FLOATS,
    Case,
    Tally,
    anything,
    check_property_call,
    deleted_halx_proxy,
    floats,
    halx_proxy,
    instances,
    keyword_sets,
    none_case,
    number_case,
    numbers,
)
from hypothesis import given
from hypothesis import strategies as st

pytestmark = pytest.mark.memcheck
TALLY = Tally(tests=2 * len(PROPERTIES) + 1, ci_calls=62_600)


@st.composite
def argument_lists(draw, count: int):
    """Mostly the right count with plausible arguments, sometimes anything."""
    if draw(st.integers(min_value=0, max_value=4)) == 0:
        return draw(st.lists(anything, max_size=5))
    first = draw(st.one_of(none_case, instances, anything))
    return [first] + [draw(st.one_of(numbers, numbers, numbers, anything)) for _ in range(count - 1)]


@st.composite
def singular_liquid_arguments(draw):
    """(None, T, P) with P where the liquid correlation's log argument or
    denominator passes through zero, nudged by a few units in the last place."""
    T = draw(st.one_of(st.floats(min_value=-2000.0, max_value=20000.0), st.sampled_from(SPECIAL_FLOATS)))
    kappa = T * 5.5058e-8 - 1.5259e-5
    if kappa == 0.0 or not math.isfinite(kappa):
        P = draw(floats)
    else:
        target = draw(st.sampled_from([-1.0, math.exp(10.0) - 1.0]))
        P = target / (kappa * 10.0) * (1.0 + draw(st.integers(min_value=-4, max_value=4)) * 2.0**-52)
    return [Case(None, "None"), number_case(T), number_case(P)]


@FUZZ
@given(data=st.data())
@pytest.mark.parametrize("name", sorted(PROPERTIES))
def test_property_functions_return_the_model_value_or_the_prescribed_error(name, data):
    TALLY.done(f"property {name}")
    count = PROPERTIES[name][1]
    for _ in range(data.draw(st.integers(min_value=1, max_value=8), label="calls")):
        cases = data.draw(argument_lists(count))
        keywords = data.draw(keyword_sets)
        check_property_call(name, cases, keywords)


@FUZZ
@given(calls=st.lists(singular_liquid_arguments(), min_size=1, max_size=8))
def test_liquid_density_near_its_singularities_follows_ieee_arithmetic(calls):
    TALLY.done("liquid singularities")
    for cases in calls:
        check_property_call("cHalx_Rho_Liquid", cases, {})


@FUZZ
@given(data=st.data())
@pytest.mark.parametrize("name", sorted(PROPERTIES))
def test_proxy_methods_behave_as_the_flat_functions(name, data):
    TALLY.done(f"proxy {name}")
    count = PROPERTIES[name][1]
    for _ in range(data.draw(st.integers(min_value=1, max_value=8), label="calls")):
        proxy_case = data.draw(st.one_of(st.builds(halx_proxy), st.builds(deleted_halx_proxy)))
        rest = data.draw(
            st.one_of(
                st.lists(st.one_of(numbers, numbers, anything), min_size=count - 1, max_size=count - 1),
                st.lists(anything, max_size=4),
            )
        )
        keywords = data.draw(keyword_sets)
        check_property_call(name, [proxy_case] + rest, keywords, via_proxy=True)


def test_fuzzing_reached_its_call_target(capsys):
    TALLY.check(capsys)

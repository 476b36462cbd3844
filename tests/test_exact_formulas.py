"""Every property against its formula evaluated in 256-bit arithmetic.

The formulas are those of benchmarks/accuracy.py, built from the constants
that model/'s headers write (the correlations, the published data and the
surface's departures from them), with the surface's boundaries found anew by
root finding: an implementation of the model independent of its C++ steps
and of tests/reference.py. At a well-conditioned state of each property the
two agree to a few hundred units in the last place at most.
"""

import math
import sys
import warnings
from pathlib import Path

import Halx
import pytest

gmpy2 = pytest.importorskip("gmpy2")

# benchmarks/accuracy.py loads NumPy.
pytestmark = pytest.mark.keeps_memory

BENCHMARKS = Path(__file__).resolve().parents[1] / "benchmarks"

# One state per property where its result is well away from zero and its
# phase exists: T in °C, P in bar, in the property's argument order.
STATES = {
    "P_Sublimation": (700.0,),
    "T_Sublimation": (1e-5,),
    "P_SolidVapour": (700.0,),
    "T_SolidVapour": (1e-5,),
    "H_Sublimation": (700.0,),
    "H_SublimationCurve": (700.0,),
    "P_Melting": (900.0,),
    "P_SolidLiquid": (900.0,),
    "T_Melting": (1000.0,),
    "T_SolidLiquid": (1000.0,),
    "H_MeltingCurve": (1000.0,),
    "H_Fusion": (1000.0,),
    "Alpha_Solid": (25.0, 1.0),
    "Beta_Solid": (25.0, 1.0),
    "Rho_Solid": (25.0, 100.0),
    "Gf_Solid": (25.0, 1.0),
    "S_Solid": (-200.0, 1.0),  # the crystal's low-temperature form
    "Cp_Solid": (-200.0, 1.0),
    "Cp_VapourFrozen": (1000.0, 0.01),
    "X_Dimer": (1000.0, 0.01),
}
# Else a property of one phase at a state of that phase, and any other at 1000 °C or 1 bar.
BY_PHASE = {"Solid": (600.0, 100.0), "Liquid": (1000.0, 100.0), "Vapour": (1000.0, 0.01)}
DEFAULT = {"T": 1000.0, "P": 1.0}


def state_of(row):
    if row.name in STATES:
        return STATES[row.name]
    phase = row.name.rsplit("_", 1)[-1]
    if phase in BY_PHASE and len(row.arguments) == 2:
        return BY_PHASE[phase]
    return tuple(DEFAULT[argument.name] for argument in row.arguments)


@pytest.fixture(scope="module")
def exact():
    """benchmarks/accuracy.py, imported without leaving its 256-bit precision in gmpy2's context."""
    saved = gmpy2.get_context().copy()
    sys.path.insert(0, str(BENCHMARKS))
    try:
        import accuracy
    finally:
        sys.path.remove(str(BENCHMARKS))
        gmpy2.set_context(saved)
    return accuracy


@pytest.mark.parametrize(
    "row", [row for row in Halx._table.PROPERTIES if row.result == "float"], ids=lambda row: row.name
)
def test_each_property_agrees_with_its_formula_in_256_bits(exact, row):
    state = state_of(row)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", Halx.RangeWarning)
        value = getattr(Halx, row.name)(*state)
    with gmpy2.context(gmpy2.get_context(), precision=256):
        formula = float(exact.FORMULAS[row.name](*(gmpy2.mpfr(x) for x in state)))
    assert math.isfinite(value) and math.isfinite(formula), (row.name, state, value, formula)
    assert value == pytest.approx(formula, rel=1e-13), (row.name, state)

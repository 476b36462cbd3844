"""The caloric properties: the data they rest on, and the thermodynamic
identities that tie each phase's Cp, H, S and G to one another and to the
phase's density. Bit-for-bit agreement with the step-by-step evaluation in
tests/reference.py is checked for every property with the others
(test_ufuncs.py); here the physics is checked, by centred differences."""

import math

import Halx
import pytest

# The domain's bounds lie far outside the plausible spans on purpose.
pytestmark = pytest.mark.filterwarnings("ignore::Halx.RangeWarning")

# (phase, T in °C, P in bar): states inside each phase's data, away from the
# polynomials' splits (726.85 °C for the solid and the gases).
STATES = [
    ("Solid", 300.0, 1.0),
    ("Solid", 600.0, 2000.0),
    ("Liquid", 1000.0, 1.0),
    ("Liquid", 1500.0, 500.0),
    ("Vapour", 1000.0, 0.01),
    ("Vapour", 1400.0, 0.5),
    ("Vapour", 400.0, 1.0e-6),
]


def density(phase: str, T: float, P: float) -> float:
    return getattr(Halx, f"Rho_{phase}")(T, P)


@pytest.mark.parametrize("phase, T, P", STATES)
def test_each_phase_keeps_the_thermodynamic_identities(phase, T, P):
    Cp, H, S, G = (getattr(Halx, f"{quantity}_{phase}") for quantity in ("Cp", "H", "S", "G"))
    dT, dP = 1.0e-3, P * 1.0e-4
    assert -(G(T + dT, P) - G(T - dT, P)) / (2 * dT) == pytest.approx(S(T, P), rel=1e-7)
    assert (H(T + dT, P) - H(T - dT, P)) / (2 * dT) == pytest.approx(Cp(T, P), rel=1e-6)
    # (dG/dP)_T is the molar volume, per mole of NaCl, in J/(mol bar).
    volume = Halx.MolarMass / density(phase, T, P) * 1.0e5
    assert (G(T, P + dP) - G(T, P - dP)) / (2 * dP) == pytest.approx(volume, rel=1e-5)
    assert H(T, P) - (T + 273.15) * S(T, P) == pytest.approx(G(T, P), rel=1e-14, abs=1e-9)


def test_the_crystal_at_25_degrees_and_the_fusion_at_the_datas_melting_point_match_the_data():
    assert (Halx.H_Solid(25.0, 1.0), Halx.S_Solid(25.0, 1.0), Halx.Cp_Solid(25.0, 1.0)) == pytest.approx(
        (-411.13e3, 72.12, 50.53), abs=0.01e3
    )
    assert round(Halx.S_Solid(25.0, 1.0), 1) == 72.1 and round(Halx.Cp_Solid(25.0, 1.0), 1) == 50.5
    melting = 1073.8 - 273.15
    assert round(Halx.H_Liquid(melting, 1.0) - Halx.H_Solid(melting, 1.0)) == 28159
    # The data's melting point is where the two Gibbs energies meet (to the data's 5 digits).
    assert Halx.G_Liquid(melting, 1.0) - Halx.G_Solid(melting, 1.0) == pytest.approx(0.0, abs=5.0)


# Above 1 bar (2000 and 3000 °C) the iteration takes more steps than below;
# the expected values are tests/reference.py's, to four digits.
@pytest.mark.parametrize(
    "T, expected",
    [(Halx.T_Triple, 5.266e-4), (1000.0, 0.01298), (1465.0, 1.0132), (2000.0, 13.336), (3000.0, 128.18)],
)
def test_the_vapour_pressure_is_where_the_vapour_and_the_condensed_phase_have_one_gibbs_energy(T, expected):
    P = Halx.P_Vapour(T)
    assert P == pytest.approx(expected, rel=2e-3)
    condensed = min(Halx.G_Solid(T, P), Halx.G_Liquid(T, P))
    assert Halx.G_Vapour(T, P) == pytest.approx(condensed, rel=1e-14)


@pytest.mark.keeps_memory
def test_the_vapour_pressure_over_a_liquid_whose_solid_has_no_density_raises_no_flag():
    # Above about 3700 °C the solid's density is negative: the iteration
    # compares the liquid with no solid, which must not signal an invalid
    # operation (NumPy would warn) when the result is a number.
    np = pytest.importorskip("numpy")
    from Halx.ufunc import P_Vapour

    assert np.all(np.isfinite(P_Vapour(np.array([4000.0, 4500.0]))))


def test_the_vapour_is_an_ideal_mixture_of_monomer_and_dimer():
    T, P = 1000.0, 0.01
    x = Halx.X_Dimer(T, P)
    assert 0.0 < x < 0.5 and Halx.X_Dimer(T, 1.0) > x  # pressure favours the dimer
    molecules = P * 1.0e5 / (8.31446261815324 * (T + 273.15))
    assert Halx.Rho_Vapour(T, P) == pytest.approx(molecules * Halx.MolarMass * (1.0 + x), rel=1e-14)
    # At zero pressure it is all monomer: no dimer, no density, G without bound below.
    assert (Halx.X_Dimer(T, 0.0), Halx.Rho_Vapour(T, 0.0), Halx.G_Vapour(T, 0.0)) == (0.0, 0.0, -math.inf)
    # The dimerization constant ties the composition to the pressure: y2 / (y1^2 P).
    assert x / ((1.0 - x) ** 2 * P) == pytest.approx(Halx.K_Dimer(T), rel=1e-12)
    # At fixed composition the heat of the reaction drops out (39.4 against 311.9 J/(mol K)).
    assert (round(Halx.Cp_VapourFrozen(T, P), 1), round(Halx.Cp_Vapour(T, P), 1)) == (39.4, 311.9)


@pytest.mark.parametrize(
    "name, outside",
    [("H_Solid", (-273.15, 1.0)), ("G_Liquid", (11000.0, 1.0)), ("S_Vapour", (1000.0, -1.0)), ("P_Vapour", (-300.0,))],
)
def test_outside_its_domain_a_caloric_function_gives_nan(name, outside):
    assert math.isnan(getattr(Halx, name)(*outside))


# An independent evaluation of the same NASA polynomials: Cantera's data files
# carry the four species, and its SpeciesThermo gives cp, h and s per kmol.
# Our values per mole of NaCl at the standard pressure: the condensed phases
# at 1 bar; the monomer as the vapour at P -> 0 (all monomer; its entropy
# without the mixing term R ln P), less the vapour's one adjustment (a
# documented shift of H and S per mole of NaCl, which leaves its Cp alone);
# the dimer through the dimerization constant, which the adjustment leaves
# as published: G2 = 2 G1 - R T ln K, and its cp and h by centred differences
# of that. Cantera labels the coefficients with a reference pressure of
# 1 atm; the numbers are the same. Both use the SI gas constant (the fits'
# own 8.314510 differs by 6 ppm), so only rounding separates the two, and the
# test checks that R first.
_CANTERA_SPECIES = [
    ("NaCL(s)", "nasa_condensed.yaml", "Solid", (350.0, 700.0, 999.0, 1001.0, 1070.0)),
    ("NaCL(L)", "nasa_condensed.yaml", "Liquid", (1100.0, 2500.0, 4900.0)),
    ("NaCL", "nasa_gas.yaml", "monomer", (350.0, 999.0, 1001.0, 3000.0, 4900.0)),
    ("Na2CL2", "nasa_gas.yaml", "dimer", (350.0, 999.0, 1001.0, 3000.0, 4900.0)),
]
_R = 8.31446261815324
# The vapour's adjustment per mole of NaCl (docs/caloric.md): +3.008 J/(mol K)
# on S and 3.008 × 1073.85 J/mol on H.
_S_SHIFT = 3.008
_H_SHIFT = _S_SHIFT * 1073.85


def _monomer(Tk: float):
    """(cp, h, s) of NaCl(g) at Tk kelvin and 1 bar, per mole, as published."""
    T, tiny = Tk - 273.15, 1.0e-300
    return (
        Halx.Cp_Vapour(T, 0.0),
        Halx.H_Vapour(T, 0.0) - _H_SHIFT,
        Halx.S_Vapour(T, tiny) + _R * math.log(tiny) - _S_SHIFT,
    )


def _dimer_gibbs(Tk: float) -> float:
    """G = h - T s of Na2Cl2(g) at Tk kelvin and 1 bar, per mole, from the monomer and K."""
    _, h, s = _monomer(Tk)
    return 2.0 * (h - Tk * s) - _R * Tk * math.log(Halx.K_Dimer(Tk - 273.15))


def _standard_state(phase: str, Tk: float):
    """(cp, h, s) of one species at Tk kelvin and the standard pressure, per mole of it, from Halx."""
    T = Tk - 273.15
    if phase in ("Solid", "Liquid"):
        return tuple(getattr(Halx, f"{quantity}_{phase}")(T, 1.0) for quantity in ("Cp", "H", "S"))
    if phase == "monomer":
        return _monomer(Tk)
    # -dG/dT = s by a centred difference, and h = G + T s (cp would take a
    # second difference, whose rounding is coarser than the check).
    d = 1.0e-2
    s = -(_dimer_gibbs(Tk + d) - _dimer_gibbs(Tk - d)) / (2 * d)
    return None, _dimer_gibbs(Tk) + Tk * s, s


@pytest.mark.keeps_memory
@pytest.mark.parametrize("name, data, phase, temperatures", _CANTERA_SPECIES)
def test_an_independent_evaluation_of_the_nasa_polynomials_agrees(name, data, phase, temperatures):
    ct = pytest.importorskip("cantera")
    assert ct.gas_constant == _R * 1000.0
    (thermo,) = [species.thermo for species in ct.Species.list_from_file(data) if species.name == name]
    for Tk in temperatures:
        theirs = (thermo.cp(Tk) / 1000.0, thermo.h(Tk) / 1000.0, thermo.s(Tk) / 1000.0)
        ours = _standard_state(phase, Tk)
        if phase == "dimer":  # from a difference: to its rounding, and without cp
            assert ours[1:] == pytest.approx(theirs[1:], rel=1e-8, abs=1e-6), (name, Tk)
        else:
            assert ours == pytest.approx(theirs, rel=1e-12, abs=1e-9), (name, Tk)


# The data source's own tabulated values at 298.15 K, to their printed digits:
# M. W. Chase Jr., NIST-JANAF Thermochemical Tables, 4th ed., J. Phys. Chem.
# Ref. Data Monograph 9 (1998), as the NIST Chemistry WebBook (SRD 69) gives
# them for sodium chloride. H at 298.15 K is the enthalpy of formation. The
# polynomials reproduce the tables to about 0.01 %: here within 1.5 units of
# the last printed digit. (The liquid's polynomial starts at 1073.8 K, and at
# 298.15 K is 13 kJ/mol from the table's supercooled liquid: not compared.)
_JANAF_298 = [
    ("crystal", "H", -411.12e3, 15.0),
    ("gas", "H", -181.42e3, 15.0),
    ("gas", "S", 229.79, 0.015),
]


@pytest.mark.parametrize("species, quantity, tabulated, tolerance", _JANAF_298)
def test_the_data_reproduce_the_tables_they_were_fitted_to(species, quantity, tabulated, tolerance):
    phase = "Solid" if species == "crystal" else "monomer"
    value = _standard_state(phase, 298.15)[("Cp", "H", "S").index(quantity)]
    assert value == pytest.approx(tabulated, abs=tolerance)

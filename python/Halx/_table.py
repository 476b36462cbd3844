"""The properties and constants of sodium chloride that Halx serves, one row each.

This is the one description of each property: its name, its arguments with
their units, the unit of its result and per what amount it is given (its
basis), a one-line summary, the C++ function of the model that evaluates it,
and where that comes from (its source): the five correlations, or the
thermodynamic surface of the three phases' Gibbs energies. A property of the
correlations that the surface also answers names the surface's property,
which is the one to use. Everything else that names a property reads it
from here: the rows of the three extension modules, the C interface and the
parts of the static stubs (.pyi) that list properties and constants (each
written from this file by tools/write_from_table.py, and checked by
tests/test_table.py), the ufunc docstrings, the docstring of the proxy class,
the command line and the tests.

Adding a property is one row here and its function in model/. Rows with
`bound` set are members of `cHalx` that `_Halx` binds as `cHalx_<name>`; those
five and their order are fixed for good, so every later property is a derived
one, a function of the model with `bound` left unset: it joins the scalar
functions of the package (the module `Halx._functions`), the ufuncs and the
command line, never `_Halx`. A row's `kernel` names the member of
`Halx::ArrayKernels` that evaluates it over arrays, if the model has one.

A property's result is a double (`result` "float") or a phase (`result`
"phase"): the model returns a `Halx::Phase`, the scalar function a member of
`Halx.Phase` and the ufunc its code as an int8.

Standard library only and no imports from the package: the generator loads this
file by its path, before Halx exists anywhere.
"""

import math
import textwrap
from typing import Any, NamedTuple, Optional, Tuple

__all__ = [
    "Argument",
    "Checked",
    "Property",
    "Constant",
    "TEMPERATURE",
    "PRESSURE",
    "SOURCES",
    "BASES",
    "plausible_spans",
    "PROPERTIES",
    "CONSTANTS",
    "RESULTS",
    "describe_arguments",
    "describe_result",
    "describe_source",
    "docstring",
    "scalar_docstring",
    "ufunc_docstring",
    "ascii_text",
    "constant_docstring",
]


class Argument(NamedTuple):
    """An argument of the properties."""

    name: str  # as written in signatures and on the command line ("T")
    quantity: str  # what it is ("temperature")
    unit: str  # its unit, with the real symbols ("°C")
    # The closed span, in unit, outside which a value of this argument is almost
    # certainly a slip (another unit) rather than a state anyone means; a row
    # narrows it where its phase makes that obvious (Property.plausible).
    plausible: Tuple[float, float] = (-math.inf, math.inf)


class Checked(NamedTuple):
    """Where a property was compared with measured or tabulated values
    (docs/handbook.md, docs/caloric.md): for each argument, in call order,
    the closed span of the states compared, in the argument's unit (a span
    whose ends are equal is a single state); and, for a property of one
    phase, that phase, which must also be the stable one at the state."""

    spans: Tuple[Tuple[float, float], ...]
    basis: str  # what was compared, against which source, and how well it agrees
    phase: str = ""  # "solid", "liquid" or "vapour": checked only where that phase is stable


class Property(NamedTuple):
    """A property of sodium chloride: a function of temperature and/or pressure."""

    name: str  # the model's name, e.g. "P_Boiling"
    arguments: Tuple[Argument, ...]  # in call order
    unit: str  # unit of the result
    summary: str  # one line, lower case, no unit: what the result is
    model: str  # the C++ function of model/ that evaluates it
    source: str  # one of SOURCES: the correlations, or the thermodynamic surface
    basis: str = ""  # one of BASES: per what amount an extensive result is given
    # For a property of the correlations: the property of the thermodynamic
    # surface that answers the same question, which is the one to use.
    recommended: str = ""
    bound: bool = False  # a member of cHalx that _Halx binds as cHalx_<name>
    result: str = "float"  # one of RESULTS
    domain: str = ""  # where the formula has a meaning, in words; outside it the result is NaN (or no phase)
    checked: Optional[Checked] = None  # where it was compared with measurements; None: nowhere
    kernel: str = ""  # the member of Halx::ArrayKernels that evaluates it over arrays; "": element by element
    # Per argument, in call order, the span outside which a value is almost
    # certainly a slip (Halx.RangeWarning); None, or None for an argument: the
    # argument's own span (Argument.plausible). Not the checked range: far wider.
    plausible: Optional[Tuple[Optional[Tuple[float, float]], ...]] = None


class Constant(NamedTuple):
    """A constant of sodium chloride, served by `cvar` and the package."""

    name: str
    unit: str
    summary: str  # one line, lower case, no unit
    value: float  # in unit; the build checks that model/Halx.h gives the very same double


#: The kinds of result a property may have: a double in `unit`, or a phase
#: (solid, liquid or vapour), which has no unit.
RESULTS = ("float", "phase")

#: Where a property comes from: the five correlations and what follows from
#: them by exact algebra or calculus, or the thermodynamic surface (the Gibbs
#: energies of the three phases and what follows from them alone).
SOURCES = {"correlations": "the correlations", "surface": "the thermodynamic surface"}

#: Per what amount an extensive result is given ("" for the rest: pressures,
#: temperatures, densities, fractions).
BASES = ("", "per mole of NaCl", "per mole of vapour molecules")

# The plausible spans of the arguments, where no row narrows them (docs/domain.md
# says what they are for). Temperature: absolute zero up to 5000 °C, well above
# the critical point, estimated at 3900 K (3627 °C), so no state of the salt
# lies beyond. Pressure: 0 up to 6 × 10⁴ bar (6 GPa): the solid and liquid
# correlations are extrapolations beyond a few kbar and have lost any meaning
# long before (the solid's expansivity turns negative near 65 kbar at 25 °C); a
# pressure in pascals lies above it from 0.6 bar on.
TEMPERATURE = Argument("T", "temperature", "°C", (-273.15, 5000.0))
PRESSURE = Argument("P", "pressure", "bar", (0.0, 6.0e4))

# Narrower spans where the phase a property describes makes them obvious.
# The solid: up to 1500 °C, its melting temperature near 28 kbar by the
# melting curve, far beyond where a solid's correlation has been compared with
# anything. The liquid, and the liquid–vapour curve: from 600 °C, 200 K of
# undercooling below the triple point. The solid–vapour curve: up to 1000 °C,
# and its pressures up to 0.01 bar, twenty times the triple point's. The
# solid–liquid curve: from 600 °C up to 2300 °C, above its own temperature at
# 6 × 10⁴ bar (2284 °C).
_SOLID_T = (-273.15, 1500.0)
_LIQUID_T = (600.0, 5000.0)
_SUBLIMATION_T = (-273.15, 1000.0)
_SUBLIMATION_P = (0.0, 0.01)
_MELTING_T = (600.0, 2300.0)
# The thermodynamic surface: up to 10⁴ bar, beyond which the solid's density
# correlation, which its Gibbs energy integrates, gives the solid a heat
# capacity that falls to zero (at 3 × 10⁴ bar on its melting curve); the
# liquid–vapour boundary ends at the critical point, estimated at 3900 K and
# 260 bar; the crystal's data end at 1500 K (1226.85 °C), above which its heat
# capacity falls to zero at 1 bar; the elements' data begin at 200 K.
_SURFACE_P = (0.0, 1.0e4)
_CRITICAL_T = 3626.85
_CRITICAL_P = 260.0
_CRYSTAL_T = (-273.15, 1226.85)
_ELEMENTS_T = -73.15

# The sources of the measured values that the rows' checked ranges rest on;
# docs/handbook.md and docs/caloric.md set each comparison out in full. A
# condensed phase's property compared at 1 bar is checked from 0 to 100 bar:
# over that span pressure changes the densities by under 0.4 % and the Gibbs
# energies by under 0.3 kJ/mol, less than the comparisons' own differences.
_DATA_PAGE = "the encyclopedia's sodium chloride data page, quoting the CRC Handbook"
_JANAF = "the NIST-JANAF tables (1998)"
_ABSOLUTE_ZERO = "T ≥ −273.15 °C"
_TRIPLE_POINT_TO_ONE_ATMOSPHERE = (3.0e-4, 1.01325)  # bar: the measured triple point (30 Pa) up to 1 atm
_UP_TO_100_BAR = (0.0, 100.0)
_TRIPLE_TO_CRITICAL_T = (800.7, _CRITICAL_T)
_SURFACE_CHECK = (
    f"the triple point (800.7 °C, 30 Pa; Halx: 800.70 °C, 52.7 Pa), the normal boiling point (1465 °C, "
    f"{_DATA_PAGE}, which fixes the vapour's one adjustment) and the estimate of the critical point "
    "(3900 K, 260 bar; Halx: 259.2 bar)"
)


def _correlation(name: str, arguments: Tuple[Argument, ...], unit: str, summary: str, **fields: Any) -> Property:
    """A row of the correlations: a member of cHalx, or a function of model/Derived.h."""
    return Property(name, arguments, unit, summary, f"Halx::{name}", "correlations", **fields)


def _surface(name: str, arguments: Tuple[Argument, ...], unit: str, summary: str, **fields: Any) -> Property:
    """A row of the thermodynamic surface: a function of model/Surface.h or model/Caloric.h."""
    return Property(name, arguments, unit, summary, f"Halx::{name}", "surface", **fields)


def _bound(name: str, arguments: Tuple[Argument, ...], unit: str, summary: str, **fields: Any) -> Property:
    """A row of one of the five correlations that _Halx binds, with the array kernel of its name."""
    row = _correlation(name, arguments, unit, summary, bound=True, kernel=name, **fields)
    return row._replace(model=f"Halx::cHalx::{name}")


PROPERTIES: Tuple[Property, ...] = (
    _bound(
        "P_Boiling",
        (TEMPERATURE,),
        "bar",
        "pressure on the liquid–vapour (boiling) curve",
        recommended="P_LiquidVapour",
        domain="T > −273.15 °C",
        checked=Checked(
            ((800.7, 1465.0),),
            f"the triple point (801 °C, 30 Pa; Halx: 50 Pa) and the normal boiling point (1465 °C; "
            f"Halx: 1450.6 °C), {_DATA_PAGE}",
        ),
        plausible=(_LIQUID_T,),
    ),
    _bound(
        "T_Melting",
        (PRESSURE,),
        "°C",
        "temperature on the solid–liquid (melting) curve",
        recommended="T_SolidLiquid",
        domain="every P",
        checked=Checked(
            (_TRIPLE_POINT_TO_ONE_ATMOSPHERE,),
            f"the triple point and the melting point at 1 atm (800.7 °C; Halx: 800.72 °C), {_DATA_PAGE}",
        ),
    ),
    _bound(
        "P_Sublimation",
        (TEMPERATURE,),
        "bar",
        "pressure on the solid–vapour (sublimation) curve",
        recommended="P_SolidVapour",
        domain="T > −273.15 °C",
        checked=Checked(((800.7, 801.0),), f"the triple point only (801 °C, 30 Pa; Halx: 50 Pa), {_DATA_PAGE}"),
        plausible=(_SUBLIMATION_T,),
    ),
    _bound(
        "Rho_Solid",
        (TEMPERATURE, PRESSURE),
        "kg/m³",
        "density of the solid (halite)",
        domain="where the density it gives is positive",
        checked=Checked(
            ((25.0, 25.0), _UP_TO_100_BAR),
            "halite at 25 °C and 1 bar only (2165 kg/m³, crystal data compilations; Halx: 2164.2 kg/m³)",
        ),
        plausible=(_SOLID_T, None),
    ),
    _bound(
        "Rho_Liquid",
        (TEMPERATURE, PRESSURE),
        "kg/m³",
        "density of the liquid",
        domain="where its molar volume V(T) and compression term D(T, P) are positive",
        checked=Checked(
            ((800.7, 1027.0), _UP_TO_100_BAR),
            "at 1 bar from the melting point to 1300 K, against the CRC Handbook's molten-salt density "
            "(1556 kg/m³ − 0.543 kg/m³ per K above 1073.85 K, from Janz 1988): within 0.34 %",
        ),
        plausible=(_LIQUID_T, None),
    ),
    # Derived from the five by exact algebra or calculus (model/Derived.h).
    _correlation(
        "T_Boiling",
        (PRESSURE,),
        "°C",
        "temperature on the liquid–vapour (boiling) curve",
        recommended="T_LiquidVapour",
        domain="0 ≤ P < 2.95 × 10⁵ bar, below the pressure where its line reaches 1/T = 0",
        checked=Checked(
            (_TRIPLE_POINT_TO_ONE_ATMOSPHERE,),
            f"the triple point and the normal boiling point (1465 °C; Halx: 1450.6 °C), {_DATA_PAGE}",
        ),
    ),
    _correlation(
        "T_Sublimation",
        (PRESSURE,),
        "°C",
        "temperature on the solid–vapour (sublimation) curve",
        recommended="T_SolidVapour",
        domain="0 ≤ P < 4.93 × 10⁷ bar, below the pressure where its line reaches 1/T = 0",
        checked=Checked(((3.0e-4, 5.0e-4),), f"the triple point only (30 Pa; Halx: 50 Pa), {_DATA_PAGE}"),
        plausible=(_SUBLIMATION_P,),
    ),
    _correlation(
        "P_Melting",
        (TEMPERATURE,),
        "bar",
        "pressure on the solid–liquid (melting) curve",
        recommended="P_SolidLiquid",
        domain=_ABSOLUTE_ZERO,
        checked=Checked(((800.7, 801.0),), f"the triple point and the melting point at 1 atm (800.7 °C), {_DATA_PAGE}"),
        plausible=(_MELTING_T,),
    ),
    _correlation(
        "H_BoilingCurve",
        (TEMPERATURE,),
        "J/mol",
        "heat that the slope of the boiling curve implies (Clausius–Clapeyron), the same at every T",
        basis="per mole of vapour molecules",
        recommended="H_Vaporization",
        domain=_ABSOLUTE_ZERO,
        plausible=(_LIQUID_T,),
    ),
    _correlation(
        "H_SublimationCurve",
        (TEMPERATURE,),
        "J/mol",
        "heat that the slope of the sublimation curve implies (Clausius–Clapeyron), the same at every T",
        basis="per mole of vapour molecules",
        recommended="H_Sublimation",
        domain=_ABSOLUTE_ZERO,
        plausible=(_SUBLIMATION_T,),
    ),
    _correlation(
        "H_MeltingCurve",
        (PRESSURE,),
        "J/mol",
        "heat of fusion that the melting curve and the two densities imply (Clapeyron)",
        basis="per mole of NaCl",
        recommended="H_Fusion",
        domain="P ≥ −43 430 bar (a melting temperature at or above absolute zero) where both densities are positive",
        checked=Checked(
            (_UP_TO_100_BAR,),
            "at 1 bar only (28.16 kJ/mol, the CRC Handbook's heat of fusion; Halx: 29.83 kJ/mol)",
        ),
    ),
    _correlation(
        "Alpha_Solid",
        (TEMPERATURE, PRESSURE),
        "1/K",
        "thermal expansivity of the solid",
        domain=f"{_ABSOLUTE_ZERO} where the solid's density is positive",
        checked=Checked(
            ((25.0, 25.0), _UP_TO_100_BAR),
            "halite at 25 °C and 1 bar only (1.20 × 10⁻⁴ 1/K, three times the linear coefficient "
            "of materials data compilations; Halx: 1.159 × 10⁻⁴ 1/K)",
        ),
        plausible=(_SOLID_T, None),
    ),
    _correlation(
        "Alpha_Liquid",
        (TEMPERATURE, PRESSURE),
        "1/K",
        "thermal expansivity of the liquid",
        domain=f"{_ABSOLUTE_ZERO} where the liquid's density is defined and positive",
        plausible=(_LIQUID_T, None),
    ),
    _correlation(
        "Beta_Solid",
        (TEMPERATURE, PRESSURE),
        "1/bar",
        "isothermal compressibility of the solid",
        domain=f"{_ABSOLUTE_ZERO} where the solid's density is positive",
        plausible=(_SOLID_T, None),
    ),
    _correlation(
        "Beta_Liquid",
        (TEMPERATURE, PRESSURE),
        "1/bar",
        "isothermal compressibility of the liquid",
        domain=f"{_ABSOLUTE_ZERO} where the liquid's density is defined and positive",
        plausible=(_LIQUID_T, None),
    ),
    # The thermodynamic surface (model/Surface.h): the phase, the boundaries
    # and the latent heats, from the Gibbs energies alone.
    _surface(
        "phase",
        (TEMPERATURE, PRESSURE),
        "",
        "stable phase, the one of lowest Gibbs energy",
        result="phase",
        domain="T > −273.15 °C and P ≥ 0 bar",
        checked=Checked(
            ((-173.15, 2226.85), _UP_TO_100_BAR),
            f"the three phases' Gibbs energies, from 100 to 2500 K, where their heat capacities agree with "
            f"{_JANAF}; their boundaries at {_SURFACE_CHECK}",
        ),
        plausible=(None, _SURFACE_P),
    ),
    _surface(
        "T_SolidLiquid",
        (PRESSURE,),
        "°C",
        "temperature on the solid–liquid boundary (melting)",
        domain="where both phases exist near the boundary",
        checked=Checked(
            (_TRIPLE_POINT_TO_ONE_ATMOSPHERE,),
            f"the melting point at 1 atm (800.7 °C; Halx: 800.73 °C), {_DATA_PAGE}",
        ),
        plausible=(_SURFACE_P,),
    ),
    _surface(
        "P_SolidLiquid",
        (TEMPERATURE,),
        "bar",
        "pressure on the solid–liquid boundary (melting)",
        domain="where both phases exist near the boundary",
        checked=Checked(((800.7, 801.0),), f"the melting point at 1 atm (800.7 °C; Halx: 800.73 °C), {_DATA_PAGE}"),
        plausible=((600.0, 1022.2),),
    ),
    _surface(
        "P_LiquidVapour",
        (TEMPERATURE,),
        "bar",
        "vapour pressure of the liquid, on the liquid–vapour boundary (boiling)",
        domain="T ≥ 66.49 °C, where the liquid exists",
        checked=Checked((_TRIPLE_TO_CRITICAL_T,), _SURFACE_CHECK),
        plausible=((600.0, _CRITICAL_T),),
        kernel="P_LiquidVapour",
    ),
    _surface(
        "T_LiquidVapour",
        (PRESSURE,),
        "°C",
        "temperature on the liquid–vapour boundary (boiling)",
        domain="P > 0 bar above the liquid's vapour pressure at 66.49 °C",
        checked=Checked(((3.0e-4, _CRITICAL_P),), _SURFACE_CHECK),
        plausible=((0.0, _CRITICAL_P),),
    ),
    _surface(
        "P_SolidVapour",
        (TEMPERATURE,),
        "bar",
        "vapour pressure of the solid, on the solid–vapour boundary (sublimation)",
        domain="T > −273.15 °C where the solid's density is positive",
        checked=Checked(((800.7, 801.0),), "the triple point only (801 °C, 30 Pa; Halx: 52.7 Pa), " + _DATA_PAGE),
        plausible=(_SUBLIMATION_T,),
        kernel="P_SolidVapour",
    ),
    _surface(
        "T_SolidVapour",
        (PRESSURE,),
        "°C",
        "temperature on the solid–vapour boundary (sublimation)",
        domain="P ≥ 0 bar",
        checked=Checked(((3.0e-4, 5.3e-4),), "the triple point only (30 Pa; Halx: 52.7 Pa), " + _DATA_PAGE),
        plausible=(_SUBLIMATION_P,),
    ),
    _surface(
        "P_Vapour",
        (TEMPERATURE,),
        "bar",
        "vapour pressure over the stable condensed phase: the solid's below the triple point, the liquid's above",
        domain="T > −273.15 °C",
        checked=Checked((_TRIPLE_TO_CRITICAL_T,), _SURFACE_CHECK),
        plausible=((-273.15, _CRITICAL_T),),
        kernel="P_Vapour",
    ),
    _surface(
        "H_Fusion",
        (PRESSURE,),
        "J/mol",
        "heat of fusion at the melting temperature of P",
        basis="per mole of NaCl",
        domain="where both phases exist near the boundary",
        checked=Checked(
            (_UP_TO_100_BAR,),
            "at 1 bar only (28.16 kJ/mol, the CRC Handbook's heat of fusion; Halx: 28.16 kJ/mol)",
        ),
        plausible=(_SURFACE_P,),
    ),
    _surface(
        "H_Vaporization",
        (TEMPERATURE,),
        "J/mol",
        "heat of vaporization of the liquid at its vapour pressure",
        basis="per mole of NaCl",
        domain="T ≥ 66.49 °C, where the liquid exists",
        plausible=((600.0, _CRITICAL_T),),
    ),
    _surface(
        "H_Sublimation",
        (TEMPERATURE,),
        "J/mol",
        "heat of sublimation of the solid at its vapour pressure",
        basis="per mole of NaCl",
        domain="T > −273.15 °C where the solid's density is positive",
        plausible=(_SUBLIMATION_T,),
    ),
)


# The caloric side (model/Caloric.h): the standard-state functions from the
# NASA polynomials of the JANAF tables (with the departures of
# model/adjustments.h), the pressure dependence of the condensed phases from
# their densities, the vapour as monomer and dimer in equilibrium. Checked
# where the heat capacity agrees with the JANAF tables (the crystal within
# 5 % from 100 K and 0.1 % from 298.15 K, the liquid within 1.5 %, the gas
# within 2 % from 200 K), at 1 bar for the condensed phases, at and below
# 1 bar for the vapour (nearly ideal there), and where the phase is stable.
_CALORIC_CHECKED = {
    "Solid": Checked(
        ((-173.15, 800.65), _UP_TO_100_BAR),
        f"Cp against {_JANAF}: within 0.1 % from 298.15 to 1073.8 K, 1.6 % at 200 K, 4.6 % at 100 K; "
        "H and S at 298.15 K to the tables' digits",
        phase="solid",
    ),
    "Liquid": Checked(
        ((800.65, 2226.85), _UP_TO_100_BAR),
        f"Cp against {_JANAF}: within 1.5 % from 1073.8 to 2500 K",
        phase="liquid",
    ),
    "Vapour": Checked(
        ((-73.15, 5726.85), (0.0, 1.0)),
        f"the monomer's Cp against {_JANAF}: within 0.1 % from 298.15 to 6000 K, 1.8 % at 200 K "
        "(the dimer has no table to compare)",
        phase="vapour",
    ),
}
_PHASE_WORDS = {"Solid": "the solid (halite)", "Liquid": "the liquid", "Vapour": "the vapour"}
_CALORIC_DOMAIN = {
    "Solid": "T > −273.15 °C where the solid's density is positive at P and at 1 bar",
    "Liquid": "T ≥ 66.49 °C where the liquid's density is defined and positive at P and at 1 bar",
    "Vapour": "T > −273.15 °C and P ≥ 0 bar, where the ideal vapour is at most a tenth as dense as the liquid",
}
_CALORIC_PLAUSIBLE = {
    "Solid": (_CRYSTAL_T, _SURFACE_P),
    "Liquid": (_LIQUID_T, _SURFACE_P),
    "Vapour": (None, _SURFACE_P),
}
_QUANTITIES = (
    ("Cp", "J/(mol·K)", "isobaric heat capacity of {phase}"),
    ("H", "J/mol", "enthalpy of {phase}, relative to the elements at 25 °C (the enthalpy of formation there)"),
    ("S", "J/(mol·K)", "absolute entropy of {phase}"),
    ("G", "J/mol", "Gibbs energy H − TS of {phase}, from H_{name} and S_{name} (not of formation: Gf_{name})"),
)


def _caloric(phase: str, name: str, unit: str, summary: str, checked: bool = True, **fields: Any) -> Property:
    return _surface(
        name,
        (TEMPERATURE, PRESSURE),
        unit,
        summary,
        domain=_CALORIC_DOMAIN[phase],
        checked=_CALORIC_CHECKED[phase] if checked else None,
        plausible=_CALORIC_PLAUSIBLE[phase],
        kernel=name,
        **fields,
    )


def _from_elements(span: Tuple[float, float]) -> Tuple[float, float]:
    """span, from 200 K at the lowest, where the elements' data begin."""
    return (max(span[0], _ELEMENTS_T), span[1])


PROPERTIES += (
    tuple(
        _caloric(
            phase,
            f"{quantity}_{phase}",
            unit,
            summary.format(phase=_PHASE_WORDS[phase], name=phase),
            # The vapour's equilibrium Cp holds the heat of its reaction, which no table gives.
            checked=(quantity, phase) != ("Cp", "Vapour"),
            basis="per mole of NaCl",
        )
        for phase in ("Solid", "Liquid", "Vapour")
        for quantity, unit, summary in _QUANTITIES
    )
    + (
        _caloric(
            "Vapour",
            "Cp_VapourFrozen",
            "J/(mol·K)",
            "heat capacity of the vapour at fixed composition (for sound speeds and fast changes)",
            basis="per mole of NaCl",
        ),
        _caloric(
            "Vapour", "Rho_Vapour", "kg/m³", "density of the vapour, NaCl and Na2Cl2 in equilibrium", checked=False
        ),
        _caloric("Vapour", "X_Dimer", "mol/mol", "mole fraction of Na2Cl2 molecules in the vapour", checked=False),
        _surface(
            "K_Dimer",
            (TEMPERATURE,),
            "1/bar",
            "equilibrium constant of 2 NaCl = Na2Cl2 in the vapour, x(Na2Cl2) / (x(NaCl)² P)",
            domain="T > −273.15 °C",
            kernel="K_Dimer",
        ),
    )
    + tuple(
        _surface(
            f"Gf_{phase}",
            (TEMPERATURE, PRESSURE),
            "J/mol",
            f"Gibbs energy of formation of {_PHASE_WORDS[phase]} from Na and Cl2 in their stable states at T and 1 bar",
            basis="per mole of NaCl",
            domain=_CALORIC_DOMAIN[phase] + ", from 200 K (−73.15 °C), where the elements' data begin",
            checked=Checked(
                ((25.0, 25.0), _UP_TO_100_BAR),
                f"the crystal at 25 °C (−384.14 kJ/mol, {_JANAF}; Halx: −384.08 kJ/mol)",
                phase="solid",
            )
            if phase == "Solid"
            else None,
            plausible=(_from_elements(_CALORIC_PLAUSIBLE[phase][0] or TEMPERATURE.plausible), _SURFACE_P),
            kernel=f"Gf_{phase}",
        )
        for phase in ("Solid", "Liquid", "Vapour")
    )
)

CONSTANTS: Tuple[Constant, ...] = (
    Constant("MolarMass", "kg/mol", "molar mass", 0.058443),
    Constant("T_Triple", "°C", "triple-point temperature", 800.7),
    Constant("P_Triple", "bar", "triple-point pressure", 0.0005),
)


def plausible_spans(row: Property) -> Tuple[Tuple[float, float], ...]:
    """The plausible span of each argument of row, in call order and the argument's unit."""
    narrowed = row.plausible or (None,) * len(row.arguments)
    return tuple(span or argument.plausible for argument, span in zip(row.arguments, narrowed))


# --- The texts that are made from a row ------------------------------------------------------
# Docstrings, stubs and the ufunc documentation all say the same thing about a
# property; it is phrased once, here, so that the build and the package agree.


def _sentence(text: str) -> str:
    return text[:1].upper() + text[1:]


def describe_arguments(row: Property) -> str:
    """'temperature T (°C) and pressure P (bar)' for row."""
    return " and ".join(f"{argument.quantity} {argument.name} ({argument.unit})" for argument in row.arguments)


def describe_result(row: Property) -> str:
    """'in bar' for a number, 'solid, liquid or vapour' for a phase."""
    return "solid, liquid or vapour" if row.result == "phase" else f"in {row.unit}"


def _plausible_sentence(row: Property) -> str:
    """What the functions of the package and of Halx.ufunc do with an argument outside its plausible span."""
    spans = " and ".join(
        f"{argument.name} from {low:g} to {high:g} {argument.unit}"
        for argument, (low, high) in zip(row.arguments, plausible_spans(row))
    )
    return (
        f"An argument outside its plausible span ({spans}), most likely in another unit, gives the "
        "same result with a Halx.RangeWarning naming the likely slip; NaN never warns."
    )


def describe_source(row: Property) -> str:
    """'from the thermodynamic surface', or 'from the correlations; the thermodynamic
    surface's is P_LiquidVapour' where the surface answers the same question."""
    text = f"from {SOURCES[row.source]}"
    if row.recommended:
        text += f"; the thermodynamic surface's is {row.recommended}"
    return text


def docstring(row: Property) -> str:
    """The one-line docstring of the scalar function or method of row: what it
    gives, in which unit and per what amount, and where it comes from."""
    if row.result == "phase":
        return (
            f"{_sentence(row.summary)} at {describe_arguments(row)}: a Halx.Phase, {describe_result(row)}, "
            f"{describe_source(row)}."
        )
    basis = f" {row.basis}" if row.basis else ""
    return (
        f"{_sentence(row.summary)} at {describe_arguments(row)}, {describe_result(row)}{basis}, {describe_source(row)}."
    )


def scalar_docstring(row: Property, method: bool = False) -> str:
    """The numpydoc docstring of the function of the package for row or, as a
    method, of the method of cHalx: its one line, each argument with its unit,
    the result with its unit. The function takes arrays too; the method only numbers."""
    kind = "float" if method else "float or array_like"
    parameters = []
    for argument in row.arguments:
        parameters += [f"{argument.name} : {kind}", f"    {_sentence(argument.quantity)}, {argument.unit}."]
    if row.result == "phase":
        result = "Halx.Phase" if method else "Halx.Phase, or int8 codes for NumPy input"
        returns = [result, f"    {_sentence(row.summary)}: {describe_result(row)}."]
    else:
        returns = [
            "float" if method else "float, or float64 for NumPy input",
            f"    {_sentence(row.summary)}, {row.unit}.",
        ]
    if method:
        notes = []
        see_also = f"Halx.{row.name} : the same as a function, which takes NumPy scalars and arrays too."
    else:
        notes = [
            "",
            "Notes",
            "-----",
            textwrap.fill(
                f"A float or int (subclasses included) gives a {'Halx.Phase' if row.result == 'phase' else 'float'}. "
                f"A NumPy scalar or array, a list or tuple, an xarray DataArray, a dask array or a pint "
                f"Quantity is passed to Halx.ufunc.{row.name} (NumPy needed), and the result is what it gives. "
                f"{_plausible_sentence(row)}",
                width=76,
            ),
        ]
        see_also = f"Halx.ufunc.{row.name} : the same as a NumPy ufunc, with out= and the other ufunc options."
    return "\n".join(
        [docstring(row), "", "Parameters", "----------"]
        + parameters
        + ["", "Returns", "-------"]
        + returns
        + notes
        + ["", "See Also", "--------", see_also]
    )


def ufunc_docstring(row: Property, wrapped: bool = False) -> str:
    """The docstring of the NumPy ufunc of row (NumPy puts the call signature,
    with inputs x or x1, x2, in front of it) or, wrapped, of the function of
    Halx.ufunc over it: inputs named as in the table, and a Notes section on
    the units of plain, xarray and pint input."""
    if wrapped:
        inputs = [argument.name for argument in row.arguments]
    else:
        inputs = ["x"] if len(row.arguments) == 1 else [f"x{index}" for index in range(1, len(row.arguments) + 1)]
    parameters = []
    for position, (name, argument) in enumerate(zip(inputs, row.arguments)):
        broadcast = f" Broadcast against {row.arguments[0].name}." if position else ""
        parameters += [
            f"{name} : array_like",
            f"    {_sentence(argument.quantity)} {argument.name}, {argument.unit}.{broadcast}",
        ]
    call = f"{row.name}({', '.join(argument.name for argument in row.arguments)})"
    if row.result == "phase":
        title, kind = f"{_sentence(row.summary)}: {describe_result(row)}, {describe_source(row)}.", "ndarray or int8"
        returns = (
            f"{call} as codes, the values of Halx.Phase: 1 solid, 2 liquid, 3 vapour, and 0 where "
            "no state exists (T or P is NaN, T is below absolute zero, P is negative). Element by element the phase of the scalar function. Inputs are "
            "converted to float64."
        )
    else:
        basis = f" {row.basis}" if row.basis else ""
        title, kind = f"{_sentence(row.summary)}, {row.unit}{basis}, {describe_source(row)}.", "ndarray or float64"
        returns = (
            f"{call} in {row.unit}: element by element the very double that the scalar function "
            "returns, NaN and infinities included. Inputs are converted to float64."
        )
    returns = textwrap.fill(returns, width=76, initial_indent="    ", subsequent_indent="    ")
    lines = [title, "", "Parameters", "----------"] + parameters + ["", "Returns", "-------", kind, returns]
    if wrapped:
        plain = " and ".join(f"{argument.name} in {argument.unit}" for argument in row.arguments)
        quantities = " or ".join(dict.fromkeys(argument.quantity for argument in row.arguments))
        if row.result == "phase":
            gives = (
                f"An xarray DataArray gives a DataArray of codes named {row.name} with the attribute "
                f"long_name ({row.summary!r}). A pint Quantity of {quantities}, bare or as the data of a "
                "DataArray, is converted from its unit; the codes carry no unit."
            )
        else:
            gives = (
                f"An xarray DataArray gives a DataArray named {row.name} with the attributes long_name "
                f"({row.summary!r}) and units ({row.unit!r}). A pint Quantity of {quantities}, bare or as "
                f"the data of a DataArray, is converted from its unit, and the result is a Quantity in "
                f"{row.unit}."
            )
        labelled = (
            "A DataArray of plain numbers is read in the unit its units attribute names (the "
            "table's, as above, when the attribute is missing or empty): another unit is converted "
            "by pint's application registry, and one that pint cannot convert, or any other unit "
            "when pint is not installed, raises ValueError."
        )
        named = f"A pandas Series or Index gives one named {row.name}, with the index of its input."
        notes = f"Plain numbers and arrays are taken as {plain}. {gives} {labelled} {named} {_plausible_sentence(row)}"
        lines += ["", "Notes", "-----", textwrap.fill(notes, width=76)]
    return "\n".join(lines)


def constant_docstring(constant: Constant, value: float) -> str:
    """The one-line docstring of a constant whose value is value."""
    return f"{_sentence(constant.summary)} of sodium chloride, {value!r} {constant.unit}."


# What the texts above become where only ASCII can be written (a terminal or
# pipe in an ASCII or Latin-1 encoding): the unit symbols in the spellings
# that pint and most ASCII tables use, the typographic dashes as hyphens.
_ASCII_SPELLINGS = {
    "·": "*",
    "°": "deg",
    "²": "^2",
    "³": "^3",
    "–": "-",
    "—": "-",
    "×": "x",
    "…": "...",
    "≥": ">=",
    "≤": "<=",
}


def ascii_text(text: str) -> str:
    """text with the non-ASCII characters of the table's texts spelled in ASCII ('kg/m³' -> 'kg/m^3'); any other goes to '?'."""
    return "".join(character if character < "\x80" else _ASCII_SPELLINGS.get(character, "?") for character in text)

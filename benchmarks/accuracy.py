"""How far each property is from the exact value of its formula, in units in the last place.

    python benchmarks/accuracy.py [--count N] [--seed S] [--only NAME,...]

Every property with a numeric result is evaluated by Halx and by its formula
as written, in 256-bit arithmetic (MPFR through gmpy2), at N states (default
20000) per property. The formulas take their decimal constants from the
model's headers, read as the decimal strings written there: the correlations
(model/correlations.h, model/Halx.h), the published thermochemical data
(model/thermochemistry.h), the surface's departures from them
(model/adjustments.h) and the physical constants (model/shared.h); so no
coefficient is written twice. The states are drawn over each property's
plausible span, with T uniform and P log-uniform from 1e-6 bar (from 1e-30
bar for the inverse vapour curves and the temperatures of the vapour
boundaries) up to the span's end, and at most 1e4 bar.

The boundaries of the thermodynamic surface are found here anew, by the
secant method on the difference of two Gibbs energies to 2^-230 of the
root, from a start that the correlations give; entropies and heat
capacities of the condensed phases by central differences of the Gibbs
energy in T (step 1e-15 K), whose error and cancellation leave over 35
digits.

The error of a result is |Halx - exact| divided by the spacing of doubles at
the exact value; the table prints the largest error of each property and the
state where it occurs, the count of states where both are numbers, and the
count where one of the two is NaN and the other is not (states on the edge
of a domain, which the rounding of the test decides). Needs NumPy and gmpy2
(the test extra).
"""

import argparse
import math
import warnings
import zlib
from typing import Callable, Dict, List, NamedTuple, Optional, Tuple

import gmpy2
import Halx
import numpy as np
from gmpy2 import mpfr
from Halx._table import PROPERTIES, Property, plausible_spans
from headers import read_constants, read_species

gmpy2.get_context().precision = 256

NAN = mpfr("nan")
ZERO_CELSIUS = mpfr("273.15")


# --- The constants, as the headers write them ----------------------------------------------------


class Species(NamedTuple):
    """A species' NASA polynomials: `low` up to and including `split` (kelvin), `high` above,
    fitted from `fitted_from` to `fitted_to` (kelvin)."""

    split: mpfr
    low: Tuple[mpfr, ...]
    high: Tuple[mpfr, ...]
    fitted_from: mpfr
    fitted_to: mpfr


def species(numbers: List[str]) -> Species:
    values = [mpfr(number) for number in numbers]
    return Species(values[0], tuple(values[1:8]), tuple(values[8:15]), values[15], values[16])


C = {
    name: mpfr(value) for name, value in read_constants("Halx.h", "shared.h", "correlations.h", "adjustments.h").items()
}
DATA = {name: species(numbers) for name, numbers in read_species("thermochemistry.h").items()}
GAS_CONSTANT, PASCAL_PER_BAR, MOLAR_MASS = C["GasConstant"], C["PascalPerBar"], C["MolarMass"]
T_TRIPLE, P_TRIPLE = C["T_Triple"], C["P_Triple"]


def kelvin(T: mpfr) -> mpfr:
    return T + ZERO_CELSIUS


def is_nan(x: mpfr) -> bool:
    return bool(gmpy2.is_nan(x))


# --- The correlations ------------------------------------------------------------------------------


def vapour_pressure(T: mpfr, slope: mpfr) -> mpfr:
    return gmpy2.exp10(gmpy2.log10(P_TRIPLE) + slope * (1 / kelvin(T_TRIPLE) - 1 / kelvin(T)))


def vapour_temperature(P: mpfr, slope: mpfr) -> mpfr:
    return 1 / (1 / kelvin(T_TRIPLE) - (gmpy2.log10(P) - gmpy2.log10(P_TRIPLE)) / slope) - ZERO_CELSIUS


def melting_temperature(P: mpfr) -> mpfr:
    return T_TRIPLE + C["MeltingSlope"] * (P - P_TRIPLE)


def melting_pressure(T: mpfr) -> mpfr:
    return (T - T_TRIPLE) / C["MeltingSlope"] + P_TRIPLE


def solid(T: mpfr, P: mpfr) -> Tuple[mpfr, mpfr, mpfr]:
    """(density, d density / dT, d density / dP) of the solid."""
    e = gmpy2.exp(T / C["SolidExponentScale"])
    s = C["SolidPressureGrowth"] * e + C["SolidPressureBase"]
    rho = s * P + C["SolidDensityAtZero"] - C["SolidDensityLinear"] * T - C["SolidDensityQuadratic"] * T * T
    drho_dT = C["SolidPressureGrowth"] / C["SolidExponentScale"] * e * P
    drho_dT -= C["SolidDensityLinear"] + 2 * C["SolidDensityQuadratic"] * T
    return rho, drho_dT, s


def liquid_volume(T: mpfr) -> mpfr:
    """The liquid's molar volume at zero pressure, cm^3/mol."""
    return C["LiquidVolumeAtZero"] + C["LiquidVolumeLinear"] * T - C["LiquidVolumeQuadratic"] * T * T


def liquid_compression(T: mpfr) -> mpfr:
    return C["CompressionLinear"] * T - C["CompressionAtZero"]


def liquid(T: mpfr, P: mpfr) -> Tuple[mpfr, mpfr, mpfr]:
    """(density, thermal expansivity, compressibility) of the liquid."""
    V = liquid_volume(T)
    dV = C["LiquidVolumeLinear"] - 2 * C["LiquidVolumeQuadratic"] * T
    kappa = liquid_compression(T)
    a = 1 + 10 * P * kappa
    D = 1 - gmpy2.log(a) / 10
    return C["LiquidMassFactor"] / V / D, dV / V - C["CompressionLinear"] * P / (a * D), kappa / (a * D)


def melting_curve_heat(P: mpfr) -> mpfr:
    Tm = melting_temperature(P)
    volume_change = MOLAR_MASS / liquid(Tm, P)[0] - MOLAR_MASS / solid(Tm, P)[0]
    return kelvin(Tm) * volume_change * PASCAL_PER_BAR / C["MeltingSlope"]


# --- The thermodynamic surface: the Gibbs energy of each phase --------------------------------------
# Per mole of NaCl (a dimer counts as two); T in degC, P in bar; NaN where the phase has no state.


def polynomials(species: Species, Tk: mpfr) -> Tuple[mpfr, mpfr, mpfr]:
    """(Cp, H, S) of a species at 1 bar, per mole of the species."""
    a = species.low if Tk <= species.split else species.high
    cp = a[0] + a[1] * Tk + a[2] * Tk**2 + a[3] * Tk**3 + a[4] * Tk**4
    h = a[0] * Tk + a[1] * Tk**2 / 2 + a[2] * Tk**3 / 3 + a[3] * Tk**4 / 4 + a[4] * Tk**5 / 5 + a[5]
    s = a[0] * gmpy2.log(Tk) + a[1] * Tk + a[2] * Tk**2 / 2 + a[3] * Tk**3 / 3 + a[4] * Tk**4 / 4 + a[6]
    return GAS_CONSTANT * cp, GAS_CONSTANT * h, GAS_CONSTANT * s


def polynomial_gibbs(species: Species, Tk: mpfr) -> mpfr:
    _, h, s = polynomials(species, Tk)
    return h - Tk * s


def crystal_gibbs(Tk: mpfr) -> mpfr:
    """The crystal at 1 bar: the published polynomial, below the join the Einstein form that obeys the third law."""
    if Tk >= C["JoinTemperature"]:
        return polynomial_gibbs(DATA["Crystal"], Tk)
    theta, capacity, linear = C["EinsteinTemperature"], C["EinsteinHeatCapacity"], C["LinearHeatCapacity"]
    x = theta / Tk
    occupation = 1 / gmpy2.expm1(x)
    S = capacity * (x * occupation - gmpy2.log1p(-gmpy2.exp(-x))) + linear * Tk
    H = C["CrystalEnthalpyAtZero"] + capacity * theta * occupation + linear * Tk * Tk / 2
    return H - Tk * S


def solid_gibbs(T: mpfr, P: mpfr) -> mpfr:
    Tk = kelvin(T)
    if Tk <= 0:
        return NAN
    rho, _, s = solid(T, P)
    rho1 = solid(T, mpfr(1))[0]
    if rho <= 0 or rho1 <= 0:
        return NAN
    return crystal_gibbs(Tk) + MOLAR_MASS * PASCAL_PER_BAR * gmpy2.log(rho / rho1) / s


def liquid_gibbs(T: mpfr, P: mpfr) -> mpfr:
    """G0 + (1e-6 m^3/cm^3)(1e5 Pa/bar) Vm J, J the integral of D = 1 - ln(1 + c p) / 10 over p from 1 to P."""
    Tk = kelvin(T)
    Vm, c = liquid_volume(T), 10 * liquid_compression(T)
    a, a1 = 1 + c * P, 1 + c
    if Tk < C["LiquidLowestTemperature"] or Vm <= 0 or a <= 0 or a1 <= 0:
        return NAN
    if 1 - gmpy2.log(a) / 10 <= 0 or 1 - gmpy2.log(a1) / 10 <= 0:
        return NAN
    J = (P - 1) - ((a * gmpy2.log(a) - a1 * gmpy2.log(a1)) / c - (P - 1)) / 10
    return polynomial_gibbs(DATA["Liquid"], Tk) + Vm * J / 10


def molar_volume(T: mpfr, P: mpfr, phase: str) -> mpfr:
    """The molar volume of the solid or the liquid, J/(mol bar)."""
    density = solid(T, P)[0] if phase == "Solid" else liquid(T, P)[0]
    return MOLAR_MASS * PASCAL_PER_BAR / density


class Vapour(NamedTuple):
    G: mpfr  # per mole of NaCl
    H: mpfr
    y1: mpfr  # mole fractions of monomer and dimer
    y2: mpfr
    w: mpfr  # moles of NaCl per mole of molecules
    cp1: mpfr  # each species' heat capacity, per mole of the species
    cp2: mpfr


def vapour_species(Tk: mpfr) -> Tuple[Tuple[mpfr, mpfr, mpfr], Tuple[mpfr, mpfr, mpfr]]:
    """(Cp, H, G) of monomer and dimer at 1 bar with the vapour's rotation: its G lowered by
    VapourEntropyShift (T - VapourPivot) per mole of NaCl, so twice that for the dimer."""
    shift, pivot = C["VapourEntropyShift"], C["VapourPivot"]
    cp1, h1, s1 = polynomials(DATA["Monomer"], Tk)
    cp2, h2, s2 = polynomials(DATA["Dimer"], Tk)
    g1 = h1 - Tk * s1 + shift * (pivot - Tk)
    g2 = h2 - Tk * s2 + 2 * shift * (pivot - Tk)
    return (cp1, h1 + shift * pivot, g1), (cp2, h2 + 2 * shift * pivot, g2)


def dimerization(Tk: mpfr) -> mpfr:
    """K of 2 NaCl = Na2Cl2, 1/bar."""
    (_, _, g1), (_, _, g2) = vapour_species(Tk)
    return gmpy2.exp(-(g2 - 2 * g1) / (GAS_CONSTANT * Tk))


def vapour(T: mpfr, P: mpfr) -> Optional[Vapour]:
    Tk = kelvin(T)
    if Tk <= 0 or P <= 0:
        return None
    RT = GAS_CONSTANT * Tk
    (cp1, h1, g1), (cp2, h2, g2) = vapour_species(Tk)
    KP = gmpy2.exp(-(g2 - 2 * g1) / RT) * P
    y1 = 2 / (1 + gmpy2.sqrt(1 + 4 * KP))
    y2 = KP * y1 * y1
    w = y1 + 2 * y2
    Vm = liquid_volume(T)
    if Vm > 0 and P * PASCAL_PER_BAR * MOLAR_MASS * w / RT > C["VapourDensityShare"] * C["LiquidMassFactor"] / Vm:
        return None
    return Vapour(g1 + RT * gmpy2.log(y1 * P), (y1 * h1 + y2 * h2) / w, y1, y2, w, cp1, cp2)


def vapour_gibbs(T: mpfr, P: mpfr) -> mpfr:
    state = vapour(T, P)
    return NAN if state is None else state.G


def vapour_enthalpy(T: mpfr, P: mpfr) -> mpfr:
    state = vapour(T, P)
    return NAN if state is None else state.H


GIBBS: Dict[str, Callable[[mpfr, mpfr], mpfr]] = {"Solid": solid_gibbs, "Liquid": liquid_gibbs, "Vapour": vapour_gibbs}
DIFFERENCE_STEP = mpfr("1e-15")


def entropy(phase: str, T: mpfr, P: mpfr) -> mpfr:
    gibbs, step = GIBBS[phase], DIFFERENCE_STEP
    return -(gibbs(T + step, P) - gibbs(T - step, P)) / (2 * step)


def enthalpy(phase: str, T: mpfr, P: mpfr) -> mpfr:
    if phase == "Vapour":
        return vapour_enthalpy(T, P)
    return GIBBS[phase](T, P) + kelvin(T) * entropy(phase, T, P)


def heat_capacity(phase: str, T: mpfr, P: mpfr) -> mpfr:
    step = DIFFERENCE_STEP
    if phase == "Vapour":
        return (vapour_enthalpy(T + step, P) - vapour_enthalpy(T - step, P)) / (2 * step)
    gibbs = GIBBS[phase]
    return -kelvin(T) * (gibbs(T + step, P) - 2 * gibbs(T, P) + gibbs(T - step, P)) / (step * step)


def frozen_heat_capacity(T: mpfr, P: mpfr) -> mpfr:
    state = vapour(T, P)
    if state is None:
        return NAN
    z = 2 * state.y2 / state.w
    return state.cp1 + z * (state.cp2 / 2 - state.cp1)


def of_vapour(take: Callable[[Vapour, mpfr, mpfr], mpfr]) -> Callable[[mpfr, mpfr], mpfr]:
    def formula(T: mpfr, P: mpfr) -> mpfr:
        state = vapour(T, P)
        return NAN if state is None else take(state, T, P)

    return formula


def elements_gibbs(T: mpfr) -> mpfr:
    """Na and 1/2 Cl2 in their stable states at 1 bar, the crystal up to the end of its data (its
    melting point); NaN below where the elements' data begin."""
    Tk = kelvin(T)
    crystal = DATA["SodiumCrystal"]
    if Tk < crystal.fitted_from:
        return NAN
    phases = ["SodiumLiquid", "SodiumGas"] + (["SodiumCrystal"] if Tk <= crystal.fitted_to else [])
    sodium = min(polynomial_gibbs(DATA[name], Tk) for name in phases)
    return sodium + polynomial_gibbs(DATA["Chlorine"], Tk) / 2


def lower_condensed_gibbs(T: mpfr, P: mpfr) -> mpfr:
    """The lower of the solid's and the liquid's Gibbs energies; a phase with no state gives way."""
    values = [g for g in (solid_gibbs(T, P), liquid_gibbs(T, P)) if not is_nan(g)]
    return min(values) if values else NAN


# --- The boundaries, by root finding -----------------------------------------------------------------


def secant(f: Callable[[mpfr], mpfr], x0: mpfr, x1: mpfr, steps: int = 200) -> mpfr:
    """The root of f near x0 and x1, to 2^-230 of it; NaN where f has no number or the steps do not settle."""
    f0, f1 = f(x0), f(x1)
    for _ in range(steps):
        if is_nan(f0) or is_nan(f1):
            return NAN
        if f1 == 0:
            return x1
        if f1 == f0:
            return NAN
        x2 = x1 - f1 * (x1 - x0) / (f1 - f0)
        if abs(x2 - x1) <= abs(x2) * mpfr(2) ** -230:
            return x2
        x0, f0, x1, f1 = x1, f1, x2, f(x2)
    return NAN


def secant_from(f: Callable[[mpfr], mpfr], start: mpfr, step: mpfr) -> mpfr:
    """The root of f by the secant method from start and start + step, where start is first moved
    by whole steps (at most 64) until f has a number there: the correlations' start may lie where
    one of the phases has no state (a vapour too dense near the critical point)."""
    for _ in range(64):
        if is_nan(start) or not is_nan(f(start)):
            break
        start += step
    return NAN if is_nan(start) else secant(f, start, start + step)


def meeting_temperature(P: mpfr, start: mpfr, upper: str, lower: str) -> mpfr:
    """The temperature at P where the two phases' Gibbs energies are equal, from start (degC)."""
    return secant_from(lambda T: GIBBS[upper](T, P) - GIBBS[lower](T, P), start, mpfr(10))


def vapour_boundary_pressure(T: mpfr, over: str) -> mpfr:
    """Where the vapour meets the solid, the liquid or the lower of them ("Condensed"), found in ln P."""
    condensed = lower_condensed_gibbs if over == "Condensed" else GIBBS[over]
    start = vapour_pressure(T, C["SublimationSlope"] if T < T_TRIPLE else C["BoilingSlope"])
    if not start > 0:
        return NAN

    def difference(x: mpfr) -> mpfr:
        P = gmpy2.exp(x)
        return vapour_gibbs(T, P) - condensed(T, P)

    return gmpy2.exp(secant_from(difference, gmpy2.log(start), mpfr("-0.5")))


def solid_liquid_temperature(P: mpfr) -> mpfr:
    return meeting_temperature(P, melting_temperature(P), "Liquid", "Solid")


def solid_liquid_pressure(T: mpfr) -> mpfr:
    return secant_from(lambda P: liquid_gibbs(T, P) - solid_gibbs(T, P), melting_pressure(T), mpfr(1))


def latent_heat(T: mpfr, P: mpfr, upper: str, lower: str) -> mpfr:
    if is_nan(T) or is_nan(P):
        return NAN
    return enthalpy(upper, T, P) - enthalpy(lower, T, P)


def caloric(phase: str) -> Dict[str, Callable[[mpfr, mpfr], mpfr]]:
    return {
        f"Cp_{phase}": lambda T, P: heat_capacity(phase, T, P),
        f"H_{phase}": lambda T, P: enthalpy(phase, T, P),
        f"S_{phase}": lambda T, P: entropy(phase, T, P),
        f"G_{phase}": GIBBS[phase],
        f"Gf_{phase}": lambda T, P: GIBBS[phase](T, P) - elements_gibbs(T),
    }


def liquid_vapour_pressure(T: mpfr) -> mpfr:
    return vapour_boundary_pressure(T, "Liquid")


def solid_vapour_pressure(T: mpfr) -> mpfr:
    return vapour_boundary_pressure(T, "Solid")


#: Property -> its formula, exactly.
FORMULAS: Dict[str, Callable[..., mpfr]] = {
    # The correlations and what follows from them alone.
    "P_Boiling": lambda T: vapour_pressure(T, C["BoilingSlope"]),
    "T_Melting": melting_temperature,
    "P_Sublimation": lambda T: vapour_pressure(T, C["SublimationSlope"]),
    "Rho_Solid": lambda T, P: solid(T, P)[0],
    "Rho_Liquid": lambda T, P: liquid(T, P)[0],
    "T_Boiling": lambda P: vapour_temperature(P, C["BoilingSlope"]),
    "T_Sublimation": lambda P: vapour_temperature(P, C["SublimationSlope"]),
    "P_Melting": melting_pressure,
    "H_BoilingCurve": lambda T: GAS_CONSTANT * gmpy2.log(10) * C["BoilingSlope"],
    "H_SublimationCurve": lambda T: GAS_CONSTANT * gmpy2.log(10) * C["SublimationSlope"],
    "H_MeltingCurve": melting_curve_heat,
    "Alpha_Solid": lambda T, P: -solid(T, P)[1] / solid(T, P)[0],
    "Alpha_Liquid": lambda T, P: liquid(T, P)[1],
    "Beta_Solid": lambda T, P: solid(T, P)[2] / solid(T, P)[0],
    "Beta_Liquid": lambda T, P: liquid(T, P)[2],
    # The thermodynamic surface.
    "T_SolidLiquid": solid_liquid_temperature,
    "P_SolidLiquid": solid_liquid_pressure,
    "P_LiquidVapour": liquid_vapour_pressure,
    "T_LiquidVapour": lambda P: meeting_temperature(P, vapour_temperature(P, C["BoilingSlope"]), "Vapour", "Liquid"),
    "P_SolidVapour": solid_vapour_pressure,
    "T_SolidVapour": lambda P: meeting_temperature(P, vapour_temperature(P, C["SublimationSlope"]), "Vapour", "Solid"),
    "P_Vapour": lambda T: vapour_boundary_pressure(T, "Condensed"),
    "H_Fusion": lambda P: latent_heat(solid_liquid_temperature(P), P, "Liquid", "Solid"),
    "H_Vaporization": lambda T: latent_heat(T, liquid_vapour_pressure(T), "Vapour", "Liquid"),
    "H_Sublimation": lambda T: latent_heat(T, solid_vapour_pressure(T), "Vapour", "Solid"),
    **caloric("Solid"),
    **caloric("Liquid"),
    **caloric("Vapour"),
    "Cp_VapourFrozen": frozen_heat_capacity,
    "Rho_Vapour": of_vapour(lambda state, T, P: P * PASCAL_PER_BAR * MOLAR_MASS * state.w / (GAS_CONSTANT * kelvin(T))),
    "X_Dimer": of_vapour(lambda state, T, P: state.y2),
    "K_Dimer": lambda T: dimerization(kelvin(T)),
}

# The functions whose pressures reach far below 1e-6 bar: the inverse vapour curves.
DEEP_PRESSURES = {"T_Boiling", "T_Sublimation", "T_LiquidVapour", "T_SolidVapour"}


def ulps(value: float, exact: mpfr) -> float:
    """|value - exact| in units of the spacing of doubles at the exact value."""
    spacing = np.spacing(abs(float(exact)))
    return float(abs(mpfr(value) - exact) / mpfr(spacing))


def samples(row: Property, rng: np.random.Generator, count: int) -> List[np.ndarray]:
    """count states over the row's plausible spans: T uniform, P log-uniform (see the module's docstring)."""
    columns = []
    for argument, (low, high) in zip(row.arguments, plausible_spans(row)):
        if argument.name == "T":
            # Absolute zero itself is no state of any phase; a step inside it is.
            columns.append(rng.uniform(max(low, -273.15 + 1e-3), high, count))
        else:
            lowest = 1e-30 if row.name in DEEP_PRESSURES else 1e-6
            columns.append(10.0 ** rng.uniform(math.log10(max(low, lowest)), math.log10(min(high, 1e4)), count))
    return columns


class Worst(NamedTuple):
    error: float
    where: Tuple[float, ...]
    compared: int
    one_nan: int


def measure(row: Property, columns: List[np.ndarray]) -> Worst:
    function, formula = getattr(Halx, row.name), FORMULAS[row.name]
    worst, where, compared, one_nan = 0.0, (), 0, 0
    for point in zip(*(column.tolist() for column in columns)):
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", Halx.RangeWarning)
            value = function(*point)
        exact = formula(*(mpfr(x) for x in point))
        if math.isnan(value) or is_nan(exact):
            one_nan += math.isnan(value) != is_nan(exact)
            continue
        compared += 1
        error = ulps(value, exact)
        if error > worst:
            worst, where = error, point
    return Worst(worst, where, compared, one_nan)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=20000)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--only", default="", help="comma-separated properties (default: all)")
    options = parser.parse_args()
    chosen = [name for name in options.only.split(",") if name] or list(FORMULAS)
    unknown = sorted(set(chosen) - set(FORMULAS))
    if unknown:
        parser.error(f"no formula for {', '.join(unknown)}; choose among {', '.join(FORMULAS)}")
    rows = {row.name: row for row in PROPERTIES}
    print(f"{'property':<18}{'max ulps':>10}{'compared':>10}{'one NaN':>9}  at")
    for name in chosen:
        row = rows[name]
        # Each property's states depend on the seed and its name only, whichever others run.
        rng = np.random.default_rng([options.seed, zlib.crc32(name.encode())])
        result = measure(row, samples(row, rng, options.count))
        state = ", ".join(
            f"{argument.name} = {value:.6g} {argument.unit}" for argument, value in zip(row.arguments, result.where)
        )
        print(f"{name:<18}{result.error:>10.2f}{result.compared:>10}{result.one_nan:>9}  {state}", flush=True)


if __name__ == "__main__":
    main()

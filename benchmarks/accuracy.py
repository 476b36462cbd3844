"""How far each property is from the exact value of its formula, in units in the last place.

    python benchmarks/accuracy.py [--count N] [--seed S]

Every property with a numeric result is evaluated by Halx and by its formula
as written, with the decimal constants of the formula, in 256-bit arithmetic
(MPFR through gmpy2), at N states (default 20000) drawn uniformly over the
range a user is likely to ask about: T from 0 to 1500 °C, P log-uniform from
1e-6 to 1e4 bar (for the inverse vapour curves, from 1e-30 to 1e4 bar). The
error of a result is |Halx - exact| divided by the spacing of doubles at the
exact value; the table prints the largest error of each property and the
state where it occurs. Needs NumPy and gmpy2 (the test extra).
"""

import argparse
from typing import Callable, Dict, Tuple

import gmpy2
import Halx
import numpy as np
from gmpy2 import mpfr

gmpy2.get_context().precision = 256

B_BOILING, B_SUBLIMATION = mpfr("9418.12"), mpfr("11806.1")
T_TRIPLE, P_TRIPLE, MELTING_SLOPE = mpfr("800.7"), mpfr("0.0005"), mpfr("0.024726")
MOLAR_MASS, GAS_CONSTANT, PASCAL_PER_BAR = mpfr("0.058443"), mpfr("8.31446261815324"), mpfr(100000)


def kelvin(T: mpfr) -> mpfr:
    return T + mpfr("273.15")


def vapour_pressure(T: mpfr, slope: mpfr) -> mpfr:
    return gmpy2.exp10(gmpy2.log10(P_TRIPLE) + slope * (1 / kelvin(T_TRIPLE) - 1 / kelvin(T)))


def vapour_temperature(P: mpfr, slope: mpfr) -> mpfr:
    return 1 / (1 / kelvin(T_TRIPLE) - (gmpy2.log10(P) - gmpy2.log10(P_TRIPLE)) / slope) - mpfr("273.15")


def melting_temperature(P: mpfr) -> mpfr:
    return T_TRIPLE + MELTING_SLOPE * (P - P_TRIPLE)


def solid(T: mpfr, P: mpfr) -> Tuple[mpfr, mpfr, mpfr]:
    """(density, d density / dT, d density / dP) of the solid."""
    e = gmpy2.exp(T / mpfr("733.4"))
    s = mpfr("0.002715") * e + mpfr("0.005727")
    rho = s * P + mpfr("2170.4") - mpfr("0.24599") * T - mpfr("9.5797e-5") * T * T
    drho_dT = mpfr("0.002715") / mpfr("733.4") * e * P - mpfr("0.24599") - 2 * mpfr("9.5797e-5") * T
    return rho, drho_dT, s


def liquid(T: mpfr, P: mpfr) -> Tuple[mpfr, mpfr, mpfr]:
    """(density, thermal expansivity, compressibility) of the liquid."""
    V = mpfr("23.772") + mpfr("0.018639") * T - mpfr("1.9687e-6") * T * T
    dV = mpfr("0.018639") - 2 * mpfr("1.9687e-6") * T
    kappa = mpfr("5.5058e-8") * T - mpfr("1.5259e-5")
    a = 1 + 10 * P * kappa
    D = 1 - gmpy2.log(a) / 10
    return mpfr(58443) / V / D, dV / V - mpfr("5.5058e-8") * P / (a * D), kappa / (a * D)


def heat_of_fusion(P: mpfr) -> mpfr:
    Tm = melting_temperature(P)
    volume_change = MOLAR_MASS / liquid(Tm, P)[0] - MOLAR_MASS / solid(Tm, P)[0]
    return kelvin(Tm) * volume_change * PASCAL_PER_BAR / MELTING_SLOPE


# --- The caloric properties ------------------------------------------------------------------------
# The NASA polynomials with their published decimal coefficients (model/thermochemistry.h):
# (split in K, coefficients up to it, above it); the derivatives in T by central differences,
# whose error (about h^2) and cancellation (about 1/h and 1/h^2 of the 77 digits) leave over 35
# digits. Each function takes T in degC.

DIFFERENCE_STEP = mpfr("1e-15")


def _coefficients(text: str) -> Tuple[mpfr, ...]:
    return tuple(mpfr(number) for number in text.split())


_CRYSTAL_LOW = "5.0240778 5.1949066e-03 -7.283373e-06 6.0671979e-09 -1.2013424e-12 -5.1123335e+04 -21.227201"
_CRYSTAL_HIGH = "2.2134927 1.5859902e-03 5.0486383e-06 2.6020549e-09 -3.6487096e-12 -4.9263203e+04 -2.602566"
_LIQUID = "12.358488 -6.3071201e-03 3.2004723e-06 -6.7717362e-10 5.1015612e-14 -5.1423265e+04 -60.58553"
_MONOMER_LOW = "3.7032286 3.1997608e-03 -4.8924502e-06 3.4639218e-09 -9.1357521e-13 -2.3028276e+04 5.77347949"
_MONOMER_HIGH = "4.4282931 1.5627241e-04 -2.8108383e-08 4.7163571e-12 -2.8832557e-16 -2.31709e+04 2.30097459"
_DIMER_LOW = "7.9583953 8.396236e-03 -1.3817116e-05 1.0277666e-08 -2.8644994e-12 -7.0725939e+04 -8.17532471"
_DIMER_HIGH = "9.8262001 1.9184763e-04 -8.1608743e-08 1.5298181e-11 -1.0558994e-15 -7.1077149e+04 -17.0361009"
CRYSTAL = (mpfr(1000), _coefficients(_CRYSTAL_LOW), _coefficients(_CRYSTAL_HIGH))
LIQUID = (mpfr("1073.8"), _coefficients(_LIQUID), _coefficients(_LIQUID))
MONOMER = (mpfr(1000), _coefficients(_MONOMER_LOW), _coefficients(_MONOMER_HIGH))
DIMER = (mpfr(1000), _coefficients(_DIMER_LOW), _coefficients(_DIMER_HIGH))


def standard_state(species: tuple, T: mpfr) -> Tuple[mpfr, mpfr]:
    """(H, G) of a species at 1 bar, J/mol of the species."""
    split, low, high = species
    Tk = kelvin(T)
    a = low if Tk <= split else high
    h = a[0] * Tk + a[1] * Tk**2 / 2 + a[2] * Tk**3 / 3 + a[3] * Tk**4 / 4 + a[4] * Tk**5 / 5 + a[5]
    s = a[0] * gmpy2.log(Tk) + a[1] * Tk + a[2] * Tk**2 / 2 + a[3] * Tk**3 / 3 + a[4] * Tk**4 / 4 + a[6]
    return GAS_CONSTANT * h, GAS_CONSTANT * (h - Tk * s)


def solid_gibbs(T: mpfr, P: mpfr) -> mpfr:
    e = gmpy2.exp(T / mpfr("733.4"))
    s = mpfr("0.002715") * e + mpfr("0.005727")
    rho0 = mpfr("2170.4") - mpfr("0.24599") * T - mpfr("9.5797e-5") * T * T
    return standard_state(CRYSTAL, T)[1] + MOLAR_MASS * PASCAL_PER_BAR * gmpy2.log((s * P + rho0) / (s + rho0)) / s


def liquid_gibbs(T: mpfr, P: mpfr) -> mpfr:
    """G0 + 1e-6 Pa/bar * the integral of 1e-6 Vm D over p from 1 to P, D = 1 - ln(1 + c p) / 10."""
    Vm = mpfr("23.772") + mpfr("0.018639") * T - mpfr("1.9687e-6") * T * T
    c = 10 * (mpfr("5.5058e-8") * T - mpfr("1.5259e-5"))
    a, a1 = 1 + c * P, 1 + c
    integral = (P - 1) - ((a * gmpy2.log(a) - a1 * gmpy2.log(a1)) / c - (P - 1)) / 10
    return standard_state(LIQUID, T)[1] + Vm * integral / 10


def liquid_volume(T: mpfr, P: mpfr) -> mpfr:
    """The liquid's molar volume, J/(mol bar)."""
    return MOLAR_MASS * PASCAL_PER_BAR / liquid(T, P)[0]


def vapour(T: mpfr, P: mpfr) -> Tuple[mpfr, mpfr, mpfr, mpfr]:
    """(H, G, y2, w) of the equilibrium vapour: per mole of NaCl, and its dimer fraction and NaCl per molecule."""
    RT = GAS_CONSTANT * kelvin(T)
    (h1, g1), (h2, g2) = standard_state(MONOMER, T), standard_state(DIMER, T)
    K = gmpy2.exp(-(g2 - 2 * g1) / RT)
    y1 = 2 / (1 + gmpy2.sqrt(1 + 4 * K * P))
    y2 = 1 - y1
    w = y1 + 2 * y2
    return (y1 * h1 + y2 * h2) / w, g1 + RT * gmpy2.log(y1 * P), y2, w


def caloric(gibbs: Callable[[mpfr, mpfr], mpfr]) -> Dict[str, Callable[[mpfr, mpfr], mpfr]]:
    """Cp, H, S and G of a condensed phase from its Gibbs energy."""
    step = DIFFERENCE_STEP

    def S(T: mpfr, P: mpfr) -> mpfr:
        return -(gibbs(T + step, P) - gibbs(T - step, P)) / (2 * step)

    def Cp(T: mpfr, P: mpfr) -> mpfr:
        return -kelvin(T) * (gibbs(T + step, P) - 2 * gibbs(T, P) + gibbs(T - step, P)) / (step * step)

    return {"Cp": Cp, "H": lambda T, P: gibbs(T, P) + kelvin(T) * S(T, P), "S": S, "G": gibbs}


def caloric_vapour_pressure(T: mpfr) -> mpfr:
    """Where the vapour's Gibbs energy meets the lower of the condensed phases', by Newton's method from 0."""
    RT = GAS_CONSTANT * kelvin(T)
    (_, g1), (_, g2) = standard_state(MONOMER, T), standard_state(DIMER, T)
    P = mpfr(0)
    for _ in range(100):
        gs, gl = solid_gibbs(T, P), liquid_gibbs(T, P)
        solid_volume = MOLAR_MASS * PASCAL_PER_BAR / solid(T, P)[0]
        gc, v = (gs, solid_volume) if gs < gl else (gl, liquid_volume(T, P))
        p1, p2 = gmpy2.exp((gc - g1) / RT), gmpy2.exp((2 * gc - g2) / RT)
        following = P - (P - p1 - p2) / (1 - (p1 + 2 * p2) * v / RT)
        if abs(following - P) <= abs(following) * mpfr(2) ** -200:
            return following
        P = following
    return P


SOLID_CALORIC, LIQUID_CALORIC = caloric(solid_gibbs), caloric(liquid_gibbs)
VAPOUR_CALORIC: Dict[str, Callable[[mpfr, mpfr], mpfr]] = {
    "Cp": lambda T, P: (vapour(T + DIFFERENCE_STEP, P)[0] - vapour(T - DIFFERENCE_STEP, P)[0]) / (2 * DIFFERENCE_STEP),
    "H": lambda T, P: vapour(T, P)[0],
    "S": lambda T, P: (vapour(T, P)[0] - vapour(T, P)[1]) / kelvin(T),
    "G": lambda T, P: vapour(T, P)[1],
}

#: Property -> its formula, exactly.
FORMULAS: Dict[str, Callable[..., mpfr]] = {
    "P_Boiling": lambda T: vapour_pressure(T, B_BOILING),
    "T_Melting": melting_temperature,
    "P_Sublimation": lambda T: vapour_pressure(T, B_SUBLIMATION),
    "Rho_Solid": lambda T, P: solid(T, P)[0],
    "Rho_Liquid": lambda T, P: liquid(T, P)[0],
    "T_Boiling": lambda P: vapour_temperature(P, B_BOILING),
    "T_Sublimation": lambda P: vapour_temperature(P, B_SUBLIMATION),
    "P_Melting": lambda T: (T - T_TRIPLE) / MELTING_SLOPE + P_TRIPLE,
    "H_Vaporization": lambda T: GAS_CONSTANT * gmpy2.log(10) * B_BOILING,
    "H_Sublimation": lambda T: GAS_CONSTANT * gmpy2.log(10) * B_SUBLIMATION,
    "H_Fusion": heat_of_fusion,
    "Alpha_Solid": lambda T, P: -solid(T, P)[1] / solid(T, P)[0],
    "Alpha_Liquid": lambda T, P: liquid(T, P)[1],
    "Beta_Solid": lambda T, P: solid(T, P)[2] / solid(T, P)[0],
    "Beta_Liquid": lambda T, P: liquid(T, P)[2],
    **{f"{quantity}_Solid": formula for quantity, formula in SOLID_CALORIC.items()},
    **{f"{quantity}_Liquid": formula for quantity, formula in LIQUID_CALORIC.items()},
    **{f"{quantity}_Vapour": formula for quantity, formula in VAPOUR_CALORIC.items()},
    "Rho_Vapour": lambda T, P: P * PASCAL_PER_BAR * MOLAR_MASS * vapour(T, P)[3] / (GAS_CONSTANT * kelvin(T)),
    "X_Dimer": lambda T, P: vapour(T, P)[2],
    "P_Vapour": caloric_vapour_pressure,
}


def ulps(value: float, exact: mpfr) -> float:
    """|value - exact| in units of the spacing of doubles at the exact value."""
    spacing = np.spacing(abs(float(exact)))
    return float(abs(mpfr(value) - exact) / mpfr(spacing))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=20000)
    parser.add_argument("--seed", type=int, default=2026)
    options = parser.parse_args()
    rng = np.random.default_rng(options.seed)
    h = Halx.cHalx()
    print(f"{'property':<16}{'max ulps':>10}  at")
    for name, formula in FORMULAS.items():
        function = getattr(h, name, None) or getattr(Halx, name)
        row = next(row for row in Halx._table.PROPERTIES if row.name == name)
        low_pressure = -30.0 if name in ("T_Boiling", "T_Sublimation") else -6.0
        samples = {
            "T": rng.uniform(0.0, 1500.0, options.count),
            "P": 10.0 ** rng.uniform(low_pressure, 4.0, options.count),
        }
        columns = [samples[argument.name] for argument in row.arguments]
        worst, where = 0.0, ()
        for point in zip(*(column.tolist() for column in columns)):
            error = ulps(function(*point), formula(*(mpfr(value) for value in point)))
            if error > worst:
                worst, where = error, point
        state = ", ".join(
            f"{argument.name} = {value:.6g} {argument.unit}" for argument, value in zip(row.arguments, where)
        )
        print(f"{name:<16}{worst:>10.2f}  {state}")


if __name__ == "__main__":
    main()

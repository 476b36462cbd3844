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

"""How closely the inverse curves invert the curves, measured over log-uniform inputs.

    python benchmarks/round_trips.py [--count N] [--seed S]

For each inverse, on N inputs (default 10**6):

- T_Boiling, T_Sublimation: pressures log-uniform over 1e-30 to 1e4 bar; the
  round trip P_Boiling(T_Boiling(P)) against P, in units in the last place
  (ulps) of P. The curve itself can only reach every so many doubles (its
  exponent is rounded to a double, then raised to a power), so no inverse can
  do better than the nearest value the curve reaches: the column "best"
  gives, per decade, the worst of those nearest values, found by trying the
  temperatures a few ulps of T + 273.15 either side.
- P_Melting: temperatures on the melting curve (T_Melting of log-uniform
  pressures over 1e-30 to 1e4 bar), uniform temperatures over 400.35 to
  1601.4 °C (where the round trip is exact), and over -273.15 to 1e4 °C; the
  round trip T_Melting(P_Melting(T)) against T, in ulps of T.
- The temperatures themselves against the exact solution of the curve's
  equation (decimal arithmetic to 40 digits, 2000 pressures log-uniform per
  range), in ulps of the absolute temperature T + 273.15 that the curves
  start from: from 1e-300 to 1e-30 bar, from 1e-30 to 1e4 bar, and from 1e4
  bar to the pressure where the line reaches 1/T = 0 (about 2.95e5 bar for
  boiling, 4.93e7 for sublimation; beyond it the inverse is NaN). Near that
  pressure the temperature is ill-conditioned: a relative change of P moves
  1/T by a fixed amount, so T moves without bound, and the error in ulps
  grows with it.

Prints a table per inverse; needs NumPy.
"""

import argparse
from decimal import Decimal, getcontext
from typing import Callable, Dict, List, Tuple

import numpy as np
from Halx import ufunc
from headers import read_constants

getcontext().prec = 40

# The curves' constants, the doubles of what model/ writes: the exact solution is that of the
# equation the model evaluates.
CONSTANTS = {name: float(value) for name, value in read_constants("Halx.h", "correlations.h").items()}

#: Inverse -> (curve, slope of log10 P against 1/T).
VAPOUR_CURVES: Dict[str, Tuple[Callable[..., np.ndarray], Callable[..., np.ndarray], float]] = {
    "T_Boiling": (ufunc.T_Boiling, ufunc.P_Boiling, CONSTANTS["BoilingSlope"]),
    "T_Sublimation": (ufunc.T_Sublimation, ufunc.P_Sublimation, CONSTANTS["SublimationSlope"]),
}


def ulps(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    """|a - b| in units in the last place: the count of doubles between them (both finite, same sign)."""
    return np.abs(a.view(np.int64) - b.view(np.int64))


def log_uniform(rng: np.random.Generator, low: float, high: float, count: int) -> np.ndarray:
    return 10.0 ** rng.uniform(np.log10(low), np.log10(high), count)


def best_reachable(P: np.ndarray, T: np.ndarray, curve: Callable[..., np.ndarray], reach: int = 16) -> np.ndarray:
    """Per element, the least error (ulps of P) of the curve at temperatures near T."""
    kelvin = T + 273.15
    step = np.spacing(kelvin)
    best = ulps(curve(T), P)
    for k in range(-reach, reach + 1):
        for candidate in (T + k * step, T + k * np.spacing(T)):
            best = np.minimum(best, ulps(curve(candidate), P))
    return best


def exact_kelvin(P: float, slope: float) -> Decimal:
    """The absolute temperature at which the vapour curve of the slope gives P, to 40 digits."""
    triple = Decimal(CONSTANTS["P_Triple"])
    reciprocal = Decimal(CONSTANTS["ReciprocalTripleKelvin"])
    return Decimal(slope) / (Decimal(slope) * reciprocal + triple.log10() - Decimal(P).log10())


def line_limit(inverse: Callable[..., np.ndarray]) -> float:
    """The largest pressure (bar) at which inverse still gives a temperature, by bisection."""
    low, high = 1e3, 1e9
    with np.errstate(invalid="ignore"):
        for _ in range(200):
            middle = (low * high) ** 0.5
            low, high = (low, middle) if np.isnan(inverse(middle)) else (middle, high)
    return low


def vapour_report(name: str, P: np.ndarray, rng: np.random.Generator) -> None:
    inverse, curve, slope = VAPOUR_CURVES[name]
    T = inverse(P)
    error = ulps(curve(T), P)
    best = best_reachable(P, T, curve)
    print(
        f"{name}: {len(P)} pressures log-uniform over 1e-30 to 1e4 bar; "
        f"max round trip {error.max()} ulps, mean {error.mean():.1f}, "
        f"at the best reachable value for {np.mean(error == best):.1%}"
    )
    print(f"  {'decade (bar)':<16}{'max ulps':>10}{'best':>8}")
    decade = np.floor(np.log10(P) / 2) * 2
    for low in np.unique(decade):
        chosen = decade == low
        print(f"  1e{int(low):<+4d}to 1e{int(low) + 2:<+4d}{error[chosen].max():>10}{best[chosen].max():>8}")
    limit = line_limit(inverse)
    for low, high in ((1e-300, 1e-30), (1e-30, 1e4), (1e4, limit)):
        sample = log_uniform(rng, low, high, 2000)
        kelvin = inverse(sample) + 273.15
        exact = np.array([float(exact_kelvin(float(p), slope)) for p in sample])
        worst = ulps(kelvin, exact)
        print(
            f"  temperature against the exact solution, {low:.3g} to {high:.4g} bar: "
            f"max {worst.max()} ulps of T + 273.15, at {sample[worst.argmax()]:.4g} bar"
        )


def melting_report(rng: np.random.Generator, count: int) -> None:
    temperatures: List[Tuple[str, np.ndarray]] = [
        (
            "T_Melting of pressures log-uniform over 1e-30 to 1e4 bar",
            ufunc.T_Melting(log_uniform(rng, 1e-30, 1e4, count)),
        ),
        ("uniform over 400.35 to 1601.4 °C", rng.uniform(400.35, 1601.4, count)),
        ("uniform over -273.15 to 1e4 °C", rng.uniform(-273.15, 1e4, count)),
    ]
    for description, T in temperatures:
        error = ulps(ufunc.T_Melting(ufunc.P_Melting(T)), T)
        print(
            f"P_Melting: {count} temperatures, {description}: max round trip {error.max()} ulps of T, "
            f"exact for {np.mean(error == 0):.1%}"
        )


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10**6)
    parser.add_argument("--seed", type=int, default=2024)
    options = parser.parse_args()
    rng = np.random.default_rng(options.seed)
    for name in VAPOUR_CURVES:
        vapour_report(name, log_uniform(rng, 1e-30, 1e4, options.count), rng)
    melting_report(rng, options.count)


if __name__ == "__main__":
    main()

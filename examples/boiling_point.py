"""Find where sodium chloride boils and melts at a given pressure.

The boiling curve gives pressure from temperature; to get the temperature at
which NaCl boils under, say, 1 bar, solve P_Boiling(T) = P by bisection (the
curve rises with T). The melting curve answers the other question directly.

Run: python examples/boiling_point.py [PRESSURE_IN_BAR ...]
"""
import sys
from typing import Callable, List

import Halx


def solve_increasing(function: Callable[[float], float], target: float, low: float, high: float) -> float:
    """The x in [low, high] where the increasing function reaches target, to 1e-9 of the interval."""
    if not function(low) <= target <= function(high):
        raise ValueError(f"{target} is not between f({low}) = {function(low)} and f({high}) = {function(high)}")
    for _ in range(100):
        middle = 0.5 * (low + high)
        if function(middle) < target:
            low = middle
        else:
            high = middle
        if high - low <= 1e-9 * max(1.0, abs(high)):
            break
    return 0.5 * (low + high)


def melting_temperature(h: Halx.cHalx, P: float) -> float:
    """Temperature in °C at which solid NaCl melts under pressure P in bar (P >= P_Triple)."""
    return h.T_Melting(P)


def boiling_temperature(h: Halx.cHalx, P: float) -> float:
    """Temperature in °C at which liquid NaCl boils under pressure P in bar (P >= P_Triple)."""
    return solve_increasing(h.P_Boiling, P, Halx.T_Triple, 5000.0)


def main(arguments: List[str]) -> None:
    pressures = [float(word) for word in arguments] or [Halx.P_Triple, 0.01, 1.0]
    h = Halx.cHalx()
    print(f"{'P (bar)':>10} {'melts at (°C)':>14} {'boils at (°C)':>14}")
    for P in pressures:
        print(f"{P:10g} {melting_temperature(h, P):14.3f} {boiling_temperature(h, P):14.3f}")


if __name__ == "__main__":
    main(sys.argv[1:])

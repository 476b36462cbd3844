"""Find where sodium chloride boils and melts at a given pressure.

Halx.T_Boiling solves the boiling curve for temperature in closed form, and
the melting curve gives the melting temperature directly; Halx.phase names
the phase at a state, here just below the boiling point.

Run: python examples/boiling_point.py [PRESSURE_IN_BAR ...]
"""

import sys
from typing import List

import Halx


def main(arguments: List[str]) -> None:
    pressures = [float(word) for word in arguments] or [Halx.P_Triple, 0.01, 1.01325]
    h = Halx.cHalx()
    print(f"{'P (bar)':>10} {'melts at (°C)':>14} {'boils at (°C)':>14} {'1 K below':>10}")
    for P in pressures:
        boils_at = Halx.T_Boiling(P)
        print(f"{P:10g} {h.T_Melting(P):14.3f} {boils_at:14.3f} {Halx.phase(boils_at - 1.0, P):>10}")


if __name__ == "__main__":
    main(sys.argv[1:])

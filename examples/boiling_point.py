"""Find where sodium chloride melts and boils at a given pressure.

Halx.T_SolidLiquid and Halx.T_LiquidVapour find where the Gibbs energies of
two phases are equal (the thermodynamic surface), and Halx.phase names the
phase of lowest Gibbs energy, here a kelvin below the boiling point, so the
three agree. The boiling correlation's temperature, Halx.T_Boiling, is
printed beside them: an independent fit, which puts the boiling point
elsewhere.

Run: python examples/boiling_point.py [PRESSURE_IN_BAR ...]
"""

import sys
from typing import List

import Halx


def main(arguments: List[str]) -> None:
    pressures = [float(word) for word in arguments] or [0.01, 1.01325, 100.0]
    print(f"{'P (bar)':>10} {'melts at (°C)':>14} {'boils at (°C)':>14} {'1 K below':>10} {'T_Boiling (°C)':>15}")
    for P in pressures:
        boils_at = Halx.T_LiquidVapour(P)
        melts_at = Halx.T_SolidLiquid(P)
        below = Halx.phase(boils_at - 1.0, P)
        print(f"{P:10g} {melts_at:14.3f} {boils_at:14.3f} {below:>10} {Halx.T_Boiling(P):15.3f}")


if __name__ == "__main__":
    main(sys.argv[1:])

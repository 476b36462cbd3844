"""Print the properties of sodium chloride at a few temperatures and pressures.

Each property is shown where it describes a stable state: sublimation up to
the triple-point temperature, boiling from it, the density of the solid below
the melting curve and that of the liquid above it (and above the boiling
curve's pressure). The correlations themselves extrapolate without warning:
they return a number for any temperature and pressure, so the state is the
caller's to check.
"""

import Halx

print(f"NaCl molar mass {Halx.MolarMass} kg/mol; triple point {Halx.T_Triple} °C, {Halx.P_Triple} bar")
print()

h = Halx.cHalx()
print(f"{'T (°C)':>8} {'P_Sublimation (bar)':>20}   solid–vapour, up to the triple point")
for T in (600.0, 700.0, Halx.T_Triple):
    print(f"{T:8.1f} {h.P_Sublimation(T):20.6g}")
print()

print(f"{'T (°C)':>8} {'P_Boiling (bar)':>20}   liquid–vapour, from the triple point")
for T in (Halx.T_Triple, 1000.0, 1200.0, 1400.0):
    print(f"{T:8.1f} {h.P_Boiling(T):20.6g}")
print()

print(f"{'P (bar)':>8} {'T_Melting (°C)':>20}   solid–liquid")
for P in (1.0, 1000.0, 5000.0):
    print(f"{P:8.1f} {h.T_Melting(P):20.6f}")
print()

print(f"{'T (°C)':>8} {'P (bar)':>8} {'Rho_Solid (kg/m³)':>19}   halite, below the melting temperature")
for T, P in ((25.0, 1.0), (500.0, 1000.0), (800.0, 1.0)):
    print(f"{T:8.1f} {P:8.1f} {h.Rho_Solid(T, P):19.3f}")
print()

print(f"{'T (°C)':>8} {'P (bar)':>8} {'Rho_Liquid (kg/m³)':>19}   melt, above the melting temperature")
for T, P in ((900.0, 100.0), (1000.0, 1000.0), (1200.0, 1.0)):
    print(f"{T:8.1f} {P:8.1f} {h.Rho_Liquid(T, P):19.3f}")

"""Print the properties of sodium chloride at a few temperatures and pressures."""
import Halx

print(f"NaCl molar mass {Halx.MolarMass} kg/mol; triple point {Halx.T_Triple} °C, {Halx.P_Triple} bar")
print()

h = Halx.cHalx()
print(f"{'T (°C)':>8} {'P_Boiling (bar)':>16} {'P_Sublimation (bar)':>20}")
for T in (600.0, 800.7, 1000.0, 1200.0):
    print(f"{T:8.1f} {h.P_Boiling(T):16.6g} {h.P_Sublimation(T):20.6g}")
print()

print(f"{'P (bar)':>8} {'T_Melting (°C)':>15}")
for P in (1.0, 1000.0, 5000.0):
    print(f"{P:8.1f} {h.T_Melting(P):15.6f}")
print()

print(f"{'T (°C)':>8} {'P (bar)':>8} {'Rho_Solid (kg/m³)':>18} {'Rho_Liquid (kg/m³)':>19}")
for T, P in ((25.0, 1.0), (800.7, 1.0), (900.0, 100.0), (1000.0, 1000.0)):
    print(f"{T:8.1f} {P:8.1f} {h.Rho_Solid(T, P):18.3f} {h.Rho_Liquid(T, P):19.3f}")

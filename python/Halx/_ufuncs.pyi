"""NumPy ufuncs of the sodium chloride properties; import them from ``Halx.ufunc``."""

from typing import Any, Callable, Optional

import numpy

# BEGIN ufuncs (tools/write_from_table.py)
P_Boiling: numpy.ufunc
"""Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_LiquidVapour."""
T_Melting: numpy.ufunc
"""Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidLiquid."""
P_Sublimation: numpy.ufunc
"""Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidVapour."""
Rho_Solid: numpy.ufunc
"""Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
Rho_Liquid: numpy.ufunc
"""Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
T_Boiling: numpy.ufunc
"""Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_LiquidVapour."""
T_Sublimation: numpy.ufunc
"""Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidVapour."""
P_Melting: numpy.ufunc
"""Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidLiquid."""
H_BoilingCurve: numpy.ufunc
"""Heat that the slope of the boiling curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Vaporization."""
H_SublimationCurve: numpy.ufunc
"""Heat that the slope of the sublimation curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Sublimation."""
H_MeltingCurve: numpy.ufunc
"""Heat of fusion that the melting curve and the two densities imply (Clapeyron) at pressure P (bar), in J/mol per mole of NaCl, from the correlations; the thermodynamic surface's is H_Fusion."""
Alpha_Solid: numpy.ufunc
"""Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""
Alpha_Liquid: numpy.ufunc
"""Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""
Beta_Solid: numpy.ufunc
"""Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""
Beta_Liquid: numpy.ufunc
"""Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""
phase: numpy.ufunc
"""Stable phase, the one of lowest Gibbs energy at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour, from the thermodynamic surface."""
T_SolidLiquid: numpy.ufunc
"""Temperature on the solid–liquid boundary (melting) at pressure P (bar), in °C, from the thermodynamic surface."""
P_SolidLiquid: numpy.ufunc
"""Pressure on the solid–liquid boundary (melting) at temperature T (°C), in bar, from the thermodynamic surface."""
P_LiquidVapour: numpy.ufunc
"""Vapour pressure of the liquid, on the liquid–vapour boundary (boiling) at temperature T (°C), in bar, from the thermodynamic surface."""
T_LiquidVapour: numpy.ufunc
"""Temperature on the liquid–vapour boundary (boiling) at pressure P (bar), in °C, from the thermodynamic surface."""
P_SolidVapour: numpy.ufunc
"""Vapour pressure of the solid, on the solid–vapour boundary (sublimation) at temperature T (°C), in bar, from the thermodynamic surface."""
T_SolidVapour: numpy.ufunc
"""Temperature on the solid–vapour boundary (sublimation) at pressure P (bar), in °C, from the thermodynamic surface."""
P_Vapour: numpy.ufunc
"""Vapour pressure over the stable condensed phase: the solid's below the triple point, the liquid's above at temperature T (°C), in bar, from the thermodynamic surface."""
H_Fusion: numpy.ufunc
"""Heat of fusion at the melting temperature of P at pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
H_Vaporization: numpy.ufunc
"""Heat of vaporization of the liquid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""
H_Sublimation: numpy.ufunc
"""Heat of sublimation of the solid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Solid: numpy.ufunc
"""Isobaric heat capacity of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Solid: numpy.ufunc
"""Enthalpy of the solid (halite), relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Solid: numpy.ufunc
"""Absolute entropy of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Solid: numpy.ufunc
"""Gibbs energy H − TS of the solid (halite), from H_Solid and S_Solid (not of formation: Gf_Solid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Liquid: numpy.ufunc
"""Isobaric heat capacity of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Liquid: numpy.ufunc
"""Enthalpy of the liquid, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Liquid: numpy.ufunc
"""Absolute entropy of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Liquid: numpy.ufunc
"""Gibbs energy H − TS of the liquid, from H_Liquid and S_Liquid (not of formation: Gf_Liquid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Vapour: numpy.ufunc
"""Isobaric heat capacity of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Vapour: numpy.ufunc
"""Enthalpy of the vapour, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Vapour: numpy.ufunc
"""Absolute entropy of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Vapour: numpy.ufunc
"""Gibbs energy H − TS of the vapour, from H_Vapour and S_Vapour (not of formation: Gf_Vapour) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_VapourFrozen: numpy.ufunc
"""Heat capacity of the vapour at fixed composition (for sound speeds and fast changes) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
Rho_Vapour: numpy.ufunc
"""Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³, from the thermodynamic surface."""
X_Dimer: numpy.ufunc
"""Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol, from the thermodynamic surface."""
K_Dimer: numpy.ufunc
"""Equilibrium constant of 2 NaCl = Na2Cl2 in the vapour, x(Na2Cl2) / (x(NaCl)² P) at temperature T (°C), in 1/bar, from the thermodynamic surface."""
Gf_Solid: numpy.ufunc
"""Gibbs energy of formation of the solid (halite) from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Gf_Liquid: numpy.ufunc
"""Gibbs energy of formation of the liquid from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Gf_Vapour: numpy.ufunc
"""Gibbs energy of formation of the vapour from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
# END ufuncs

#: The SIMD kernel set of the loops: "plain", "sse2", "avx2" or "avx512"
#: ("avx512", "avx2" or "plain", the best this CPU runs, unless the environment
#: variable HALX_SIMD names one; "sse2" runs only when named).
kernels: str

#: The same ufuncs by name, in a form whose loop also compares each input
#: element with its plausible span (Halx.RangeWarning) and records on the
#: calling thread whether one lies outside: what Halx.ufunc calls.
checked: dict[str, numpy.ufunc]

def take_outside() -> bool:
    """Whether a ufunc of ``checked`` has met an input element outside its plausible
    span on this thread since the last call (NaN never is one); clears that."""

#: The functions of Halx.ufunc, one per property in table order, each over its
#: ufunc and its checked ufunc: what Halx.ufunc exports by name.
functions: tuple[Callable[..., Any], ...]

def find_outside(values: Any, low: float, high: float, /) -> tuple[int, Optional[float]]:
    """How many of the numbers of values (read as float64) lie outside [low, high],
    and the first of them in C order (None when none does); NaN never does."""

"""NumPy ufuncs of the sodium chloride properties; import them from ``Halx.ufunc``."""

from typing import Any, Callable, Optional

import numpy

# BEGIN ufuncs (tools/write_from_table.py)
P_Boiling: numpy.ufunc
"""Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar."""
T_Melting: numpy.ufunc
"""Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C."""
P_Sublimation: numpy.ufunc
"""Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar."""
Rho_Solid: numpy.ufunc
"""Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³."""
Rho_Liquid: numpy.ufunc
"""Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³."""
T_Boiling: numpy.ufunc
"""Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C."""
T_Sublimation: numpy.ufunc
"""Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C."""
P_Melting: numpy.ufunc
"""Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar."""
phase: numpy.ufunc
"""Phase at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour."""
H_Vaporization: numpy.ufunc
"""Molar heat of vaporization from the boiling curve at temperature T (°C), in J/mol."""
H_Sublimation: numpy.ufunc
"""Molar heat of sublimation from the sublimation curve at temperature T (°C), in J/mol."""
H_Fusion: numpy.ufunc
"""Molar heat of fusion on the melting curve at pressure P (bar), in J/mol."""
Alpha_Solid: numpy.ufunc
"""Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K."""
Alpha_Liquid: numpy.ufunc
"""Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K."""
Beta_Solid: numpy.ufunc
"""Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar."""
Beta_Liquid: numpy.ufunc
"""Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar."""
Cp_Solid: numpy.ufunc
"""Isobaric heat capacity of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Solid: numpy.ufunc
"""Enthalpy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Solid: numpy.ufunc
"""Absolute entropy of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Solid: numpy.ufunc
"""Gibbs energy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Cp_Liquid: numpy.ufunc
"""Isobaric heat capacity of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Liquid: numpy.ufunc
"""Enthalpy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Liquid: numpy.ufunc
"""Absolute entropy of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Liquid: numpy.ufunc
"""Gibbs energy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Cp_Vapour: numpy.ufunc
"""Isobaric heat capacity of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Vapour: numpy.ufunc
"""Enthalpy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Vapour: numpy.ufunc
"""Absolute entropy of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Vapour: numpy.ufunc
"""Gibbs energy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Rho_Vapour: numpy.ufunc
"""Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³."""
X_Dimer: numpy.ufunc
"""Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol."""
P_Vapour: numpy.ufunc
"""Equilibrium vapour pressure over the solid or liquid, from the Gibbs energies at temperature T (°C), in bar."""
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

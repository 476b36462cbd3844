"""NumPy ufuncs of the sodium chloride properties; import them from ``Halx.ufunc``."""
import numpy

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

#: The SIMD kernel set of the loops: "plain", "sse2", "avx2" or "avx512"
#: (the best this CPU runs, unless the environment variable HALX_SIMD names one).
kernels: str

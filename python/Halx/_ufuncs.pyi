"""NumPy ufuncs of the sodium chloride properties; import them from ``Halx.ufunc``.

Units: temperature T in °C, pressure P in bar, density in kg/m³.
"""
from typing import Any

import numpy

#: Boiling (liquid–vapour) pressure in bar at temperature T in °C.
P_Boiling: numpy.ufunc
#: Melting (solid–liquid) temperature in °C at pressure P in bar.
T_Melting: numpy.ufunc
#: Sublimation (solid–vapour) pressure in bar at temperature T in °C.
P_Sublimation: numpy.ufunc
#: Density of the solid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Solid: numpy.ufunc
#: Density of the liquid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Liquid: numpy.ufunc

#: The SIMD kernel set of the loops: "plain", "sse2", "avx2" or "avx512"
#: (the best this CPU runs, unless the environment variable HALX_SIMD names one).
kernels: str

def _cpp_loop(name: str, out: Any, /, *inputs: Any) -> Any:
    """The model's loop over float64 arrays without NumPy's machinery (for the benchmark); returns out."""

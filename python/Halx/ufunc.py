"""NumPy universal functions for the five properties of sodium chloride.

Each ufunc gives, element by element, the very double that the matching
``cHalx`` method returns (NaN, infinities and signed zeros included), and does
what any NumPy ufunc does: broadcasting, ``out=``, ``where=``, strided input,
and lazy evaluation on dask and xarray arrays. Integer and float32 inputs are
converted to float64; results are float64.

Units: temperature T in °C, pressure P in bar, density in kg/m³.

    >>> import numpy as np
    >>> from Halx.ufunc import Rho_Liquid
    >>> Rho_Liquid(np.array([850.0, 900.0]), 1.0)  # kg/m³ at 850 and 900 °C, 1 bar
    array([1530.25957207, 1500.41908587])

The ufuncs live in the compiled module ``Halx._ufuncs`` and pickle by
reference to it. This module needs NumPy; ``import Halx`` does not.
"""

try:
    import numpy as _numpy
except ImportError as _error:
    raise ImportError(
        'Halx.ufunc needs NumPy; install it with: pip install "Halx[arrays]"'
    ) from _error

from . import _ufuncs

__all__ = ["P_Boiling", "T_Melting", "P_Sublimation", "Rho_Solid", "Rho_Liquid"]

#: Boiling (liquid-vapour) pressure in bar at temperature T in °C.
P_Boiling: _numpy.ufunc = _ufuncs.P_Boiling
#: Melting (solid-liquid) temperature in °C at pressure P in bar.
T_Melting: _numpy.ufunc = _ufuncs.T_Melting
#: Sublimation (solid-vapour) pressure in bar at temperature T in °C.
P_Sublimation: _numpy.ufunc = _ufuncs.P_Sublimation
#: Density of the solid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Solid: _numpy.ufunc = _ufuncs.Rho_Solid
#: Density of the liquid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Liquid: _numpy.ufunc = _ufuncs.Rho_Liquid

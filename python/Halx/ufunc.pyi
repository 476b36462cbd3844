"""NumPy universal functions for the properties of sodium chloride.

Each ufunc gives, element by element, the very double that the matching scalar
function returns; results are float64. They are the ufuncs of Halx._ufuncs.
"""
from ._ufuncs import P_Boiling as P_Boiling
from ._ufuncs import P_Sublimation as P_Sublimation
from ._ufuncs import Rho_Liquid as Rho_Liquid
from ._ufuncs import Rho_Solid as Rho_Solid
from ._ufuncs import T_Melting as T_Melting

__all__ = ["P_Boiling", "T_Melting", "P_Sublimation", "Rho_Solid", "Rho_Liquid"]

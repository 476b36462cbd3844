"""NumPy universal functions for the properties of sodium chloride.

Each ufunc gives, element by element, the very double that the matching scalar
function returns; results are float64, but the codes of ``phase`` are int8
(the values of ``Halx.Phase``, 0 where T or P is NaN). They are the ufuncs of
Halx._ufuncs.
"""
from ._ufuncs import Alpha_Liquid as Alpha_Liquid
from ._ufuncs import Alpha_Solid as Alpha_Solid
from ._ufuncs import Beta_Liquid as Beta_Liquid
from ._ufuncs import Beta_Solid as Beta_Solid
from ._ufuncs import H_Fusion as H_Fusion
from ._ufuncs import H_Sublimation as H_Sublimation
from ._ufuncs import H_Vaporization as H_Vaporization
from ._ufuncs import P_Boiling as P_Boiling
from ._ufuncs import P_Melting as P_Melting
from ._ufuncs import P_Sublimation as P_Sublimation
from ._ufuncs import Rho_Liquid as Rho_Liquid
from ._ufuncs import Rho_Solid as Rho_Solid
from ._ufuncs import T_Boiling as T_Boiling
from ._ufuncs import T_Melting as T_Melting
from ._ufuncs import T_Sublimation as T_Sublimation
from ._ufuncs import phase as phase

__all__ = [
    "P_Boiling",
    "T_Melting",
    "P_Sublimation",
    "Rho_Solid",
    "Rho_Liquid",
    "T_Boiling",
    "T_Sublimation",
    "P_Melting",
    "phase",
    "H_Vaporization",
    "H_Sublimation",
    "H_Fusion",
    "Alpha_Solid",
    "Alpha_Liquid",
    "Beta_Solid",
    "Beta_Liquid",
]

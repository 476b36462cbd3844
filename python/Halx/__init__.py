"""Thermodynamic properties of pure sodium chloride (NaCl).

>>> import Halx
>>> h = Halx.cHalx()
>>> h.T_Melting(1000.0)          # melting temperature at 1000 bar, °C
825.425987637
>>> Halx.T_Triple, Halx.P_Triple  # triple point: °C, bar
(800.7, 0.0005)

Units throughout: temperature in °C, pressure in bar, density in kg/m³,
molar mass in kg/mol.

Constants (read-only, also served by ``Halx.cvar``):

``MolarMass``
    molar mass of NaCl, 0.058443 kg/mol
``T_Triple``
    triple-point temperature, 800.7 °C
``P_Triple``
    triple-point pressure, 0.0005 bar

With NumPy installed, ``Halx.ufunc`` holds the five properties as NumPy
universal functions (imported on first use, so NumPy stays optional).
"""
import importlib
from typing import Any

from _Halx import cvar

from ._proxy import cHalx

__all__ = ["cHalx", "cvar", "MolarMass", "T_Triple", "P_Triple", "__version__"]

__version__ = "0.1.0"

#: Molar mass of sodium chloride, kg/mol.
MolarMass: float = cvar.MolarMass
#: Triple-point temperature of sodium chloride, °C.
T_Triple: float = cvar.T_Triple
#: Triple-point pressure of sodium chloride, bar.
P_Triple: float = cvar.P_Triple


def __getattr__(name: str) -> Any:
    # `Halx.ufunc` is imported on first use, so `import Halx` never needs NumPy.
    if name == "ufunc":
        return importlib.import_module(".ufunc", __name__)
    raise AttributeError(f"module 'Halx' has no attribute {name!r}")

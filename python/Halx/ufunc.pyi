"""NumPy universal functions for the properties of sodium chloride.

Each is a function over the NumPy ufunc of ``Halx._ufuncs`` (its attribute
``ufunc``): a number gives a ``float`` (a ``numpy.float64``), an array an
array of float64, in the property's unit; ``phase`` gives int8 codes, the
values of ``Halx.Phase``. xarray and pint input give xarray and pint objects;
see the docstring of each function.
"""

from typing import Any, Optional, Protocol, Sequence, Union, overload

import numpy
from numpy.typing import NDArray

__all__ = [
    # BEGIN names (tools/write_from_table.py)
    "P_Boiling",
    "T_Melting",
    "P_Sublimation",
    "Rho_Solid",
    "Rho_Liquid",
    "T_Boiling",
    "T_Sublimation",
    "P_Melting",
    "H_BoilingCurve",
    "H_SublimationCurve",
    "H_MeltingCurve",
    "Alpha_Solid",
    "Alpha_Liquid",
    "Beta_Solid",
    "Beta_Liquid",
    "phase",
    "T_SolidLiquid",
    "P_SolidLiquid",
    "P_LiquidVapour",
    "T_LiquidVapour",
    "P_SolidVapour",
    "T_SolidVapour",
    "P_Vapour",
    "H_Fusion",
    "H_Vaporization",
    "H_Sublimation",
    "Cp_Solid",
    "H_Solid",
    "S_Solid",
    "G_Solid",
    "Cp_Liquid",
    "H_Liquid",
    "S_Liquid",
    "G_Liquid",
    "Cp_Vapour",
    "H_Vapour",
    "S_Vapour",
    "G_Vapour",
    "Cp_VapourFrozen",
    "Rho_Vapour",
    "X_Dimer",
    "K_Dimer",
    "Gf_Solid",
    "Gf_Liquid",
    "Gf_Vapour",
    # END names
]

_Scalar = Union[float, numpy.floating[Any], numpy.integer[Any], numpy.bool_]
_Array = Union[NDArray[Any], Sequence[Any]]
_Out = Optional[NDArray[numpy.float64]]

class _Property(Protocol):
    """What every function of this module has of its NumPy ufunc."""

    @property
    def ufunc(self) -> numpy.ufunc: ...
    @property
    def nin(self) -> int: ...
    @property
    def nout(self) -> int: ...

# One protocol per list of arguments, so that an editor shows each function's
# parameters by the names the function has (T, P); tools/write_from_table.py picks
# the protocol of each function from its row of the property table.
class _OfT(_Property, Protocol):
    """A property of the temperature, ``f(T, /, out=None, **kwargs)``."""

    @overload
    def __call__(self, T: _Scalar, /) -> float: ...
    @overload
    def __call__(self, T: _Array, /, out: _Out = ..., **kwargs: Any) -> NDArray[numpy.float64]: ...
    @overload
    def __call__(self, T: Any, /, out: Any = ..., **kwargs: Any) -> Any: ...

class _OfP(_Property, Protocol):
    """A property of the pressure, ``f(P, /, out=None, **kwargs)``."""

    @overload
    def __call__(self, P: _Scalar, /) -> float: ...
    @overload
    def __call__(self, P: _Array, /, out: _Out = ..., **kwargs: Any) -> NDArray[numpy.float64]: ...
    @overload
    def __call__(self, P: Any, /, out: Any = ..., **kwargs: Any) -> Any: ...

class _OfTAndP(_Property, Protocol):
    """A property of temperature and pressure, ``f(T, P, /, out=None, **kwargs)``; they broadcast together."""

    @overload
    def __call__(self, T: _Scalar, P: _Scalar, /) -> float: ...
    @overload
    def __call__(
        self, T: _Array, P: Union[_Array, _Scalar], /, out: _Out = ..., **kwargs: Any
    ) -> NDArray[numpy.float64]: ...
    @overload
    def __call__(self, T: _Scalar, P: _Array, /, out: _Out = ..., **kwargs: Any) -> NDArray[numpy.float64]: ...
    @overload
    def __call__(self, T: Any, P: Any, /, out: Any = ..., **kwargs: Any) -> Any: ...

class _PhaseOfTAndP(_Property, Protocol):
    """The phase at temperature and pressure as codes, ``f(T, P, /, out=None, **kwargs)``."""

    @overload
    def __call__(self, T: _Scalar, P: _Scalar, /) -> numpy.int8: ...
    @overload
    def __call__(
        self, T: _Array, P: Union[_Array, _Scalar], /, out: Any = ..., **kwargs: Any
    ) -> NDArray[numpy.int8]: ...
    @overload
    def __call__(self, T: _Scalar, P: _Array, /, out: Any = ..., **kwargs: Any) -> NDArray[numpy.int8]: ...
    @overload
    def __call__(self, T: Any, P: Any, /, out: Any = ..., **kwargs: Any) -> Any: ...

# BEGIN ufuncs (tools/write_from_table.py)
P_Boiling: _OfT
"""Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_LiquidVapour."""
T_Melting: _OfP
"""Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidLiquid."""
P_Sublimation: _OfT
"""Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidVapour."""
Rho_Solid: _OfTAndP
"""Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
Rho_Liquid: _OfTAndP
"""Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
T_Boiling: _OfP
"""Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_LiquidVapour."""
T_Sublimation: _OfP
"""Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidVapour."""
P_Melting: _OfT
"""Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidLiquid."""
H_BoilingCurve: _OfT
"""Heat that the slope of the boiling curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Vaporization."""
H_SublimationCurve: _OfT
"""Heat that the slope of the sublimation curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Sublimation."""
H_MeltingCurve: _OfP
"""Heat of fusion that the melting curve and the two densities imply (Clapeyron) at pressure P (bar), in J/mol per mole of NaCl, from the correlations; the thermodynamic surface's is H_Fusion."""
Alpha_Solid: _OfTAndP
"""Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""
Alpha_Liquid: _OfTAndP
"""Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""
Beta_Solid: _OfTAndP
"""Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""
Beta_Liquid: _OfTAndP
"""Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""
phase: _PhaseOfTAndP
"""Stable phase, the one of lowest Gibbs energy at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour, from the thermodynamic surface."""
T_SolidLiquid: _OfP
"""Temperature on the solid–liquid boundary (melting) at pressure P (bar), in °C, from the thermodynamic surface."""
P_SolidLiquid: _OfT
"""Pressure on the solid–liquid boundary (melting) at temperature T (°C), in bar, from the thermodynamic surface."""
P_LiquidVapour: _OfT
"""Vapour pressure of the liquid, on the liquid–vapour boundary (boiling) at temperature T (°C), in bar, from the thermodynamic surface."""
T_LiquidVapour: _OfP
"""Temperature on the liquid–vapour boundary (boiling) at pressure P (bar), in °C, from the thermodynamic surface."""
P_SolidVapour: _OfT
"""Vapour pressure of the solid, on the solid–vapour boundary (sublimation) at temperature T (°C), in bar, from the thermodynamic surface."""
T_SolidVapour: _OfP
"""Temperature on the solid–vapour boundary (sublimation) at pressure P (bar), in °C, from the thermodynamic surface."""
P_Vapour: _OfT
"""Vapour pressure over the stable condensed phase: the solid's below the triple point, the liquid's above at temperature T (°C), in bar, from the thermodynamic surface."""
H_Fusion: _OfP
"""Heat of fusion at the melting temperature of P at pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
H_Vaporization: _OfT
"""Heat of vaporization of the liquid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""
H_Sublimation: _OfT
"""Heat of sublimation of the solid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Solid: _OfTAndP
"""Isobaric heat capacity of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Solid: _OfTAndP
"""Enthalpy of the solid (halite), relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Solid: _OfTAndP
"""Absolute entropy of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Solid: _OfTAndP
"""Gibbs energy H − TS of the solid (halite), from H_Solid and S_Solid (not of formation: Gf_Solid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Liquid: _OfTAndP
"""Isobaric heat capacity of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Liquid: _OfTAndP
"""Enthalpy of the liquid, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Liquid: _OfTAndP
"""Absolute entropy of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Liquid: _OfTAndP
"""Gibbs energy H − TS of the liquid, from H_Liquid and S_Liquid (not of formation: Gf_Liquid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_Vapour: _OfTAndP
"""Isobaric heat capacity of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
H_Vapour: _OfTAndP
"""Enthalpy of the vapour, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
S_Vapour: _OfTAndP
"""Absolute entropy of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
G_Vapour: _OfTAndP
"""Gibbs energy H − TS of the vapour, from H_Vapour and S_Vapour (not of formation: Gf_Vapour) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Cp_VapourFrozen: _OfTAndP
"""Heat capacity of the vapour at fixed composition (for sound speeds and fast changes) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""
Rho_Vapour: _OfTAndP
"""Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³, from the thermodynamic surface."""
X_Dimer: _OfTAndP
"""Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol, from the thermodynamic surface."""
K_Dimer: _OfT
"""Equilibrium constant of 2 NaCl = Na2Cl2 in the vapour, x(Na2Cl2) / (x(NaCl)² P) at temperature T (°C), in 1/bar, from the thermodynamic surface."""
Gf_Solid: _OfTAndP
"""Gibbs energy of formation of the solid (halite) from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Gf_Liquid: _OfTAndP
"""Gibbs energy of formation of the liquid from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
Gf_Vapour: _OfTAndP
"""Gibbs energy of formation of the vapour from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""
# END ufuncs

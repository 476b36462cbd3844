"""The scalar functions of Halx: every property of sodium chloride, and the methods of ``Halx.cHalx``.

Import the functions from ``Halx``. A ``float`` or ``int`` (subclasses
included) gives a ``float``, or for ``phase`` a ``Halx.Phase``; NumPy scalars
and arrays, lists, tuples, xarray, dask and pint objects go to the function of
the same name in ``Halx.ufunc`` and give what it gives (``numpy.float64`` for
a NumPy scalar). Anything else raises ``TypeError``, an int beyond the range
of a double ``OverflowError``. ``phase`` raises ``ValueError`` where no state
exists (T or P NaN, T below absolute zero, P negative); every other function
returns NaN outside its domain.

``cHalx_methods`` (not in ``__all__``) maps the name of each method of the
proxy class to a function with the method's signature and docstring that runs
the C entry point of ``_Halx``'s flat function ``cHalx_<name>``;
``Halx._proxy`` binds them.
"""

from typing import Any, Callable, Sequence, Union, overload

import numpy
from numpy.typing import NDArray

from ._phase import Phase

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

_NumPyScalar = Union[numpy.floating[Any], numpy.integer[Any], numpy.bool_]
_Scalar = Union[float, _NumPyScalar]
_Array = Union[NDArray[Any], Sequence[Any]]

cHalx_methods: dict[str, Callable[..., float]]

def triple_point() -> tuple[float, float]:
    """The triple point of the thermodynamic surface, where solid, liquid and vapour have one Gibbs energy: (T in °C, P in bar). Halx.T_Triple and Halx.P_Triple are the correlations' anchor instead."""

# BEGIN functions (tools/write_from_table.py)
@overload
def P_Boiling(T: _Scalar, /) -> float: ...
@overload
def P_Boiling(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Boiling(T: Any, /) -> Any:
    """Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_LiquidVapour."""

@overload
def T_Melting(P: _Scalar, /) -> float: ...
@overload
def T_Melting(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Melting(P: Any, /) -> Any:
    """Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidLiquid."""

@overload
def P_Sublimation(T: _Scalar, /) -> float: ...
@overload
def P_Sublimation(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Sublimation(T: Any, /) -> Any:
    """Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidVapour."""

@overload
def Rho_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Solid(T: Any, P: Any, /) -> Any:
    """Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""

@overload
def Rho_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Liquid(T: Any, P: Any, /) -> Any:
    """Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""

@overload
def T_Boiling(P: _Scalar, /) -> float: ...
@overload
def T_Boiling(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Boiling(P: Any, /) -> Any:
    """Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_LiquidVapour."""

@overload
def T_Sublimation(P: _Scalar, /) -> float: ...
@overload
def T_Sublimation(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Sublimation(P: Any, /) -> Any:
    """Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidVapour."""

@overload
def P_Melting(T: _Scalar, /) -> float: ...
@overload
def P_Melting(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Melting(T: Any, /) -> Any:
    """Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidLiquid."""

@overload
def H_BoilingCurve(T: _Scalar, /) -> float: ...
@overload
def H_BoilingCurve(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_BoilingCurve(T: Any, /) -> Any:
    """Heat that the slope of the boiling curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Vaporization."""

@overload
def H_SublimationCurve(T: _Scalar, /) -> float: ...
@overload
def H_SublimationCurve(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_SublimationCurve(T: Any, /) -> Any:
    """Heat that the slope of the sublimation curve implies (Clausius–Clapeyron), the same at every T at temperature T (°C), in J/mol per mole of vapour molecules, from the correlations; the thermodynamic surface's is H_Sublimation."""

@overload
def H_MeltingCurve(P: _Scalar, /) -> float: ...
@overload
def H_MeltingCurve(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_MeltingCurve(P: Any, /) -> Any:
    """Heat of fusion that the melting curve and the two densities imply (Clapeyron) at pressure P (bar), in J/mol per mole of NaCl, from the correlations; the thermodynamic surface's is H_Fusion."""

@overload
def Alpha_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Alpha_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Solid(T: Any, P: Any, /) -> Any:
    """Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""

@overload
def Alpha_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Alpha_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Liquid(T: Any, P: Any, /) -> Any:
    """Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K, from the correlations."""

@overload
def Beta_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Beta_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Solid(T: Any, P: Any, /) -> Any:
    """Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""

@overload
def Beta_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Beta_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Liquid(T: Any, P: Any, /) -> Any:
    """Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar, from the correlations."""

@overload
def phase(T: _NumPyScalar, P: _Scalar, /) -> numpy.int8: ...
@overload
def phase(T: float, P: _NumPyScalar, /) -> numpy.int8: ...
@overload
def phase(T: float, P: float, /) -> Phase: ...
@overload
def phase(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.int8]: ...
@overload
def phase(T: _Scalar, P: _Array, /) -> NDArray[numpy.int8]: ...
@overload
def phase(T: Any, P: Any, /) -> Any:
    """Stable phase, the one of lowest Gibbs energy at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour, from the thermodynamic surface."""

@overload
def T_SolidLiquid(P: _Scalar, /) -> float: ...
@overload
def T_SolidLiquid(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_SolidLiquid(P: Any, /) -> Any:
    """Temperature on the solid–liquid boundary (melting) at pressure P (bar), in °C, from the thermodynamic surface."""

@overload
def P_SolidLiquid(T: _Scalar, /) -> float: ...
@overload
def P_SolidLiquid(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_SolidLiquid(T: Any, /) -> Any:
    """Pressure on the solid–liquid boundary (melting) at temperature T (°C), in bar, from the thermodynamic surface."""

@overload
def P_LiquidVapour(T: _Scalar, /) -> float: ...
@overload
def P_LiquidVapour(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_LiquidVapour(T: Any, /) -> Any:
    """Vapour pressure of the liquid, on the liquid–vapour boundary (boiling) at temperature T (°C), in bar, from the thermodynamic surface."""

@overload
def T_LiquidVapour(P: _Scalar, /) -> float: ...
@overload
def T_LiquidVapour(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_LiquidVapour(P: Any, /) -> Any:
    """Temperature on the liquid–vapour boundary (boiling) at pressure P (bar), in °C, from the thermodynamic surface."""

@overload
def P_SolidVapour(T: _Scalar, /) -> float: ...
@overload
def P_SolidVapour(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_SolidVapour(T: Any, /) -> Any:
    """Vapour pressure of the solid, on the solid–vapour boundary (sublimation) at temperature T (°C), in bar, from the thermodynamic surface."""

@overload
def T_SolidVapour(P: _Scalar, /) -> float: ...
@overload
def T_SolidVapour(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_SolidVapour(P: Any, /) -> Any:
    """Temperature on the solid–vapour boundary (sublimation) at pressure P (bar), in °C, from the thermodynamic surface."""

@overload
def P_Vapour(T: _Scalar, /) -> float: ...
@overload
def P_Vapour(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Vapour(T: Any, /) -> Any:
    """Vapour pressure over the stable condensed phase: the solid's below the triple point, the liquid's above at temperature T (°C), in bar, from the thermodynamic surface."""

@overload
def H_Fusion(P: _Scalar, /) -> float: ...
@overload
def H_Fusion(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Fusion(P: Any, /) -> Any:
    """Heat of fusion at the melting temperature of P at pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def H_Vaporization(T: _Scalar, /) -> float: ...
@overload
def H_Vaporization(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Vaporization(T: Any, /) -> Any:
    """Heat of vaporization of the liquid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def H_Sublimation(T: _Scalar, /) -> float: ...
@overload
def H_Sublimation(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Sublimation(T: Any, /) -> Any:
    """Heat of sublimation of the solid at its vapour pressure at temperature T (°C), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Cp_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Solid(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def H_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Solid(T: Any, P: Any, /) -> Any:
    """Enthalpy of the solid (halite), relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def S_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Solid(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the solid (halite) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def G_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Solid(T: Any, P: Any, /) -> Any:
    """Gibbs energy H − TS of the solid (halite), from H_Solid and S_Solid (not of formation: Gf_Solid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Cp_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Liquid(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def H_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Liquid(T: Any, P: Any, /) -> Any:
    """Enthalpy of the liquid, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def S_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Liquid(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the liquid at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def G_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Liquid(T: Any, P: Any, /) -> Any:
    """Gibbs energy H − TS of the liquid, from H_Liquid and S_Liquid (not of formation: Gf_Liquid) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Cp_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Vapour(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def H_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Vapour(T: Any, P: Any, /) -> Any:
    """Enthalpy of the vapour, relative to the elements at 25 °C (the enthalpy of formation there) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def S_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Vapour(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the vapour at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def G_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Vapour(T: Any, P: Any, /) -> Any:
    """Gibbs energy H − TS of the vapour, from H_Vapour and S_Vapour (not of formation: Gf_Vapour) at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Cp_VapourFrozen(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_VapourFrozen(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_VapourFrozen(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_VapourFrozen(T: Any, P: Any, /) -> Any:
    """Heat capacity of the vapour at fixed composition (for sound speeds and fast changes) at temperature T (°C) and pressure P (bar), in J/(mol·K) per mole of NaCl, from the thermodynamic surface."""

@overload
def Rho_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Vapour(T: Any, P: Any, /) -> Any:
    """Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³, from the thermodynamic surface."""

@overload
def X_Dimer(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def X_Dimer(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def X_Dimer(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def X_Dimer(T: Any, P: Any, /) -> Any:
    """Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol, from the thermodynamic surface."""

@overload
def K_Dimer(T: _Scalar, /) -> float: ...
@overload
def K_Dimer(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def K_Dimer(T: Any, /) -> Any:
    """Equilibrium constant of 2 NaCl = Na2Cl2 in the vapour, x(Na2Cl2) / (x(NaCl)² P) at temperature T (°C), in 1/bar, from the thermodynamic surface."""

@overload
def Gf_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Gf_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Solid(T: Any, P: Any, /) -> Any:
    """Gibbs energy of formation of the solid (halite) from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Gf_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Gf_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Liquid(T: Any, P: Any, /) -> Any:
    """Gibbs energy of formation of the liquid from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

@overload
def Gf_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Gf_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Gf_Vapour(T: Any, P: Any, /) -> Any:
    """Gibbs energy of formation of the vapour from Na and Cl2 in their stable states at T and 1 bar at temperature T (°C) and pressure P (bar), in J/mol per mole of NaCl, from the thermodynamic surface."""

# END functions

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
    "phase",
    "H_Vaporization",
    "H_Sublimation",
    "H_Fusion",
    "Alpha_Solid",
    "Alpha_Liquid",
    "Beta_Solid",
    "Beta_Liquid",
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
    "Rho_Vapour",
    "X_Dimer",
    "P_Vapour",
    # END names
]

_NumPyScalar = Union[numpy.floating[Any], numpy.integer[Any], numpy.bool_]
_Scalar = Union[float, _NumPyScalar]
_Array = Union[NDArray[Any], Sequence[Any]]

cHalx_methods: dict[str, Callable[..., float]]

# BEGIN functions (tools/write_from_table.py)
@overload
def P_Boiling(T: _Scalar, /) -> float: ...
@overload
def P_Boiling(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Boiling(T: Any, /) -> Any:
    """Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar."""

@overload
def T_Melting(P: _Scalar, /) -> float: ...
@overload
def T_Melting(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Melting(P: Any, /) -> Any:
    """Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C."""

@overload
def P_Sublimation(T: _Scalar, /) -> float: ...
@overload
def P_Sublimation(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Sublimation(T: Any, /) -> Any:
    """Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar."""

@overload
def Rho_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Solid(T: Any, P: Any, /) -> Any:
    """Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³."""

@overload
def Rho_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Liquid(T: Any, P: Any, /) -> Any:
    """Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³."""

@overload
def T_Boiling(P: _Scalar, /) -> float: ...
@overload
def T_Boiling(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Boiling(P: Any, /) -> Any:
    """Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C."""

@overload
def T_Sublimation(P: _Scalar, /) -> float: ...
@overload
def T_Sublimation(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def T_Sublimation(P: Any, /) -> Any:
    """Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C."""

@overload
def P_Melting(T: _Scalar, /) -> float: ...
@overload
def P_Melting(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Melting(T: Any, /) -> Any:
    """Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar."""

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
    """Phase at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour."""

@overload
def H_Vaporization(T: _Scalar, /) -> float: ...
@overload
def H_Vaporization(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Vaporization(T: Any, /) -> Any:
    """Molar heat of vaporization from the boiling curve at temperature T (°C), in J/mol."""

@overload
def H_Sublimation(T: _Scalar, /) -> float: ...
@overload
def H_Sublimation(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Sublimation(T: Any, /) -> Any:
    """Molar heat of sublimation from the sublimation curve at temperature T (°C), in J/mol."""

@overload
def H_Fusion(P: _Scalar, /) -> float: ...
@overload
def H_Fusion(P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Fusion(P: Any, /) -> Any:
    """Molar heat of fusion on the melting curve at pressure P (bar), in J/mol."""

@overload
def Alpha_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Alpha_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Solid(T: Any, P: Any, /) -> Any:
    """Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K."""

@overload
def Alpha_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Alpha_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Alpha_Liquid(T: Any, P: Any, /) -> Any:
    """Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K."""

@overload
def Beta_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Beta_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Solid(T: Any, P: Any, /) -> Any:
    """Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar."""

@overload
def Beta_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Beta_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Beta_Liquid(T: Any, P: Any, /) -> Any:
    """Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar."""

@overload
def Cp_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Solid(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def H_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Solid(T: Any, P: Any, /) -> Any:
    """Enthalpy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def S_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Solid(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def G_Solid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Solid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Solid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Solid(T: Any, P: Any, /) -> Any:
    """Gibbs energy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def Cp_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Liquid(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def H_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Liquid(T: Any, P: Any, /) -> Any:
    """Enthalpy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def S_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Liquid(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def G_Liquid(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Liquid(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Liquid(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Liquid(T: Any, P: Any, /) -> Any:
    """Gibbs energy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def Cp_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Cp_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Cp_Vapour(T: Any, P: Any, /) -> Any:
    """Isobaric heat capacity of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def H_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def H_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def H_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def H_Vapour(T: Any, P: Any, /) -> Any:
    """Enthalpy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def S_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def S_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def S_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def S_Vapour(T: Any, P: Any, /) -> Any:
    """Absolute entropy of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""

@overload
def G_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def G_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def G_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def G_Vapour(T: Any, P: Any, /) -> Any:
    """Gibbs energy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""

@overload
def Rho_Vapour(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def Rho_Vapour(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Vapour(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def Rho_Vapour(T: Any, P: Any, /) -> Any:
    """Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³."""

@overload
def X_Dimer(T: _Scalar, P: _Scalar, /) -> float: ...
@overload
def X_Dimer(T: _Array, P: Union[_Array, _Scalar], /) -> NDArray[numpy.float64]: ...
@overload
def X_Dimer(T: _Scalar, P: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def X_Dimer(T: Any, P: Any, /) -> Any:
    """Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol."""

@overload
def P_Vapour(T: _Scalar, /) -> float: ...
@overload
def P_Vapour(T: _Array, /) -> NDArray[numpy.float64]: ...
@overload
def P_Vapour(T: Any, /) -> Any:
    """Equilibrium vapour pressure over the solid or liquid, from the Gibbs energies at temperature T (°C), in bar."""

# END functions

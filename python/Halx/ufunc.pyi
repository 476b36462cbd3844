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
"""Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar."""
T_Melting: _OfP
"""Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C."""
P_Sublimation: _OfT
"""Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar."""
Rho_Solid: _OfTAndP
"""Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³."""
Rho_Liquid: _OfTAndP
"""Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³."""
T_Boiling: _OfP
"""Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C."""
T_Sublimation: _OfP
"""Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C."""
P_Melting: _OfT
"""Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar."""
phase: _PhaseOfTAndP
"""Phase at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour."""
H_Vaporization: _OfT
"""Molar heat of vaporization from the boiling curve at temperature T (°C), in J/mol."""
H_Sublimation: _OfT
"""Molar heat of sublimation from the sublimation curve at temperature T (°C), in J/mol."""
H_Fusion: _OfP
"""Molar heat of fusion on the melting curve at pressure P (bar), in J/mol."""
Alpha_Solid: _OfTAndP
"""Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K."""
Alpha_Liquid: _OfTAndP
"""Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K."""
Beta_Solid: _OfTAndP
"""Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar."""
Beta_Liquid: _OfTAndP
"""Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar."""
Cp_Solid: _OfTAndP
"""Isobaric heat capacity of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Solid: _OfTAndP
"""Enthalpy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Solid: _OfTAndP
"""Absolute entropy of the solid (halite) per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Solid: _OfTAndP
"""Gibbs energy of the solid (halite) per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Cp_Liquid: _OfTAndP
"""Isobaric heat capacity of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Liquid: _OfTAndP
"""Enthalpy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Liquid: _OfTAndP
"""Absolute entropy of the liquid per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Liquid: _OfTAndP
"""Gibbs energy of the liquid per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Cp_Vapour: _OfTAndP
"""Isobaric heat capacity of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
H_Vapour: _OfTAndP
"""Enthalpy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
S_Vapour: _OfTAndP
"""Absolute entropy of the vapour per mole of NaCl at temperature T (°C) and pressure P (bar), in J/(mol·K)."""
G_Vapour: _OfTAndP
"""Gibbs energy of the vapour per mole of NaCl, zero for the elements at 25 °C at temperature T (°C) and pressure P (bar), in J/mol."""
Rho_Vapour: _OfTAndP
"""Density of the vapour, NaCl and Na2Cl2 in equilibrium at temperature T (°C) and pressure P (bar), in kg/m³."""
X_Dimer: _OfTAndP
"""Mole fraction of Na2Cl2 molecules in the vapour at temperature T (°C) and pressure P (bar), in mol/mol."""
P_Vapour: _OfT
"""Equilibrium vapour pressure over the solid or liquid, from the Gibbs energies at temperature T (°C), in bar."""
# END ufuncs

"""Compiled core of Halx: the flat property functions and the constants.

Most code should use the package instead: ``Halx.cHalx`` and ``Halx.MolarMass``
and friends. Units: temperature T in °C, pressure P in bar, density in kg/m³,
molar mass in kg/mol. Numeric arguments must be ``float`` or ``int``
(subclasses included); anything else raises ``TypeError``.

The first argument of each flat function is the instance: a ``Halx.cHalx``
proxy, any SWIG proxy or pointer object of type ``Halx::cHalx *``, or ``None``.
Every instance gives the same values.
"""

from typing import Any, Callable, Optional

__all__ = [
    # BEGIN flat names (tools/write_from_table.py)
    "cHalx_P_Boiling",
    "cHalx_T_Melting",
    "cHalx_P_Sublimation",
    "cHalx_Rho_Solid",
    "cHalx_Rho_Liquid",
    # END flat names
    "new_cHalx",
    "delete_cHalx",
    "cHalx_swigregister",
    "cHalx_swiginit",
    "SWIG_PyInstanceMethod_New",
    "cvar",
]

class _SwigPointer:
    """Pointer object of type ``Halx::cHalx *`` (runtime type name ``SwigPyObject``).

    Not importable from ``_Halx``: it is returned by :func:`new_cHalx` and held
    by a proxy as ``proxy.this``.
    """

    def own(self, value: object = ..., /) -> bool:
        """Whether releasing this object destroys the C++ instance (before value, if given, sets it)."""
    def disown(self) -> None:
        """Stop owning the C++ instance: it will not be destroyed with this object."""
    def acquire(self) -> None:
        """Own the C++ instance: it will be destroyed with this object."""
    def append(self, pointer: object, /) -> None:
        """Chain another pointer object behind this one."""
    def next(self) -> Optional[_SwigPointer]:
        """The next pointer object in the chain, or ``None``."""

class _Constants:
    """The read-only link object ``cvar``: assigning any attribute raises ``AttributeError``."""

    # BEGIN constants (tools/write_from_table.py)
    @property
    def MolarMass(self) -> float:
        """Molar mass of sodium chloride, 0.058443 kg/mol."""
    @property
    def T_Triple(self) -> float:
        """Triple-point temperature of sodium chloride, 800.7 °C."""
    @property
    def P_Triple(self) -> float:
        """Triple-point pressure of sodium chloride, 0.0005 bar."""
    # END constants

#: The constants MolarMass (kg/mol), T_Triple (°C) and P_Triple (bar), read-only.
cvar: _Constants

# BEGIN flat functions (tools/write_from_table.py)
def cHalx_P_Boiling(self: object, T: float, /) -> float:
    """Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_LiquidVapour."""

def cHalx_T_Melting(self: object, P: float, /) -> float:
    """Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidLiquid."""

def cHalx_P_Sublimation(self: object, T: float, /) -> float:
    """Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidVapour."""

def cHalx_Rho_Solid(self: object, T: float, P: float, /) -> float:
    """Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""

def cHalx_Rho_Liquid(self: object, T: float, P: float, /) -> float:
    """Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""

# END flat functions
def new_cHalx() -> _SwigPointer:
    """A new C++ instance, as a pointer object that owns it."""

def delete_cHalx(self: object, /) -> None:
    """Destroy the C++ instance held by a proxy or pointer object; a second call does nothing."""

def cHalx_swigregister(cls: type, /) -> None:
    """Register cls as the proxy class for ``Halx::cHalx *`` results."""

def cHalx_swiginit(self: object, pointer: _SwigPointer, /) -> None:
    """Attach pointer to the proxy self as ``self.this``."""

def SWIG_PyInstanceMethod_New(function: Callable[..., Any], /) -> Any:
    """Wrap a flat function so that, as a class attribute, it binds like a method."""

"""The scalar functions of Halx: the methods of ``Halx.cHalx`` and the derived properties.

Import them from ``Halx``. The methods (not in ``__all__``) have the signature
and docstring of the method and run the C entry point of ``_Halx``'s flat
function ``cHalx_<name>``; ``Halx._proxy`` binds them. The derived properties'
functions are what ``Halx`` re-exports.

Arguments of the derived properties are positional and must be ``float`` or ``int`` (subclasses included);
anything else raises ``TypeError``, an int beyond the range of a double
``OverflowError``. ``phase`` raises ``ValueError`` where no state exists (T or P NaN, T below
absolute zero, P negative); every other function returns NaN outside its
domain.
"""

from ._phase import Phase

__all__ = [
    # BEGIN derived names (cmake/write_stubs.py)
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
    # END derived names
]

# BEGIN methods (cmake/write_stubs.py)
def P_Boiling(self: object, T: float, /) -> float:
    """Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar."""

def T_Melting(self: object, P: float, /) -> float:
    """Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C."""

def P_Sublimation(self: object, T: float, /) -> float:
    """Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar."""

def Rho_Solid(self: object, T: float, P: float, /) -> float:
    """Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³."""

def Rho_Liquid(self: object, T: float, P: float, /) -> float:
    """Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³."""

# END methods

# BEGIN derived functions (cmake/write_stubs.py)
def T_Boiling(P: float, /) -> float:
    """Temperature on the liquid–vapour (boiling) curve at pressure P (bar), in °C."""

def T_Sublimation(P: float, /) -> float:
    """Temperature on the solid–vapour (sublimation) curve at pressure P (bar), in °C."""

def P_Melting(T: float, /) -> float:
    """Pressure on the solid–liquid (melting) curve at temperature T (°C), in bar."""

def phase(T: float, P: float, /) -> Phase:
    """Phase at temperature T (°C) and pressure P (bar): a Halx.Phase, solid, liquid or vapour."""

def H_Vaporization(T: float, /) -> float:
    """Molar heat of vaporization from the boiling curve at temperature T (°C), in J/mol."""

def H_Sublimation(T: float, /) -> float:
    """Molar heat of sublimation from the sublimation curve at temperature T (°C), in J/mol."""

def H_Fusion(P: float, /) -> float:
    """Molar heat of fusion on the melting curve at pressure P (bar), in J/mol."""

def Alpha_Solid(T: float, P: float, /) -> float:
    """Thermal expansivity of the solid at temperature T (°C) and pressure P (bar), in 1/K."""

def Alpha_Liquid(T: float, P: float, /) -> float:
    """Thermal expansivity of the liquid at temperature T (°C) and pressure P (bar), in 1/K."""

def Beta_Solid(T: float, P: float, /) -> float:
    """Isothermal compressibility of the solid at temperature T (°C) and pressure P (bar), in 1/bar."""

def Beta_Liquid(T: float, P: float, /) -> float:
    """Isothermal compressibility of the liquid at temperature T (°C) and pressure P (bar), in 1/bar."""

# END derived functions

"""The proxy class ``cHalx`` over the flat functions of the ``_Halx`` module."""

from typing import Any

__all__ = ["cHalx"]

class cHalx:
    """Properties of pure sodium chloride (NaCl).

    Every instance gives the same values; each method's docstring gives its
    arguments and result with their units. Arguments are positional and must
    be ``float`` or ``int`` (subclasses included); anything else raises
    ``TypeError``, NumPy scalars such as ``numpy.float32`` and arrays too: for
    NumPy input use ``Halx.ufunc``. Outside the physical range results follow
    IEEE 754 arithmetic (inf, nan, negative densities) instead of raising.
    """

    #: The pointer object (``SwigPyObject``) that holds the C++ instance.
    this: Any

    def __init__(self) -> None:
        """Create a C++ instance owned by this proxy."""
    # BEGIN methods (tools/write_from_table.py)
    def P_Boiling(self, T: float, /) -> float:
        """Pressure on the liquid–vapour (boiling) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_LiquidVapour."""
    def T_Melting(self, P: float, /) -> float:
        """Temperature on the solid–liquid (melting) curve at pressure P (bar), in °C, from the correlations; the thermodynamic surface's is T_SolidLiquid."""
    def P_Sublimation(self, T: float, /) -> float:
        """Pressure on the solid–vapour (sublimation) curve at temperature T (°C), in bar, from the correlations; the thermodynamic surface's is P_SolidVapour."""
    def Rho_Solid(self, T: float, P: float, /) -> float:
        """Density of the solid (halite) at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
    def Rho_Liquid(self, T: float, P: float, /) -> float:
        """Density of the liquid at temperature T (°C) and pressure P (bar), in kg/m³, from the correlations."""
    # END methods
    @property
    def thisown(self) -> bool:
        """Whether releasing this proxy destroys its C++ instance."""
    @thisown.setter
    def thisown(self, value: object) -> None: ...

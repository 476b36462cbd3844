"""The proxy class ``cHalx`` over the flat functions of the ``_Halx`` module."""
from typing import Any

import _Halx

__all__ = ["cHalx"]


class cHalx:
    """Properties of pure sodium chloride (NaCl).

    Every instance gives the same values; create one and call its methods::

        h = cHalx()
        h.P_Boiling(1000.0)        # bar

    Units: temperature ``T`` in °C, pressure ``P`` in bar, density in kg/m³.
    Arguments must be ``float`` or ``int``; anything else raises ``TypeError``.

    Methods
    -------
    P_Boiling(T) -> float
        Pressure on the liquid–vapour (boiling) curve at ``T`` °C, in bar.
    T_Melting(P) -> float
        Temperature on the solid–liquid (melting) curve at ``P`` bar, in °C.
    P_Sublimation(T) -> float
        Pressure on the solid–vapour (sublimation) curve at ``T`` °C, in bar.
    Rho_Solid(T, P) -> float
        Density of solid NaCl (halite) at ``T`` °C and ``P`` bar, in kg/m³.
    Rho_Liquid(T, P) -> float
        Density of liquid NaCl at ``T`` °C and ``P`` bar, in kg/m³.

    The correlations are evaluated as written for any input: outside the
    physical range they follow IEEE 754 arithmetic (inf, nan, negative
    densities) instead of raising.
    """

    __module__ = "Halx"
    # `this` in a slot: the binding reads it on every call, and a slot is the
    # cheapest attribute to read, from C and from Python alike.
    __slots__ = ("this", "__weakref__")

    # Called by the binding when the last reference to an owning pointer
    # object goes; destroys the C++ instance.
    __swig_destroy__ = _Halx.delete_cHalx

    def __init__(self) -> None:
        _Halx.cHalx_swiginit(self, _Halx.new_cHalx())

    # Bound without a Python-level wrapper: a call goes straight to C.
    P_Boiling = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_P_Boiling)
    T_Melting = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_T_Melting)
    P_Sublimation = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_P_Sublimation)
    Rho_Solid = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_Rho_Solid)
    Rho_Liquid = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_Rho_Liquid)

    @property
    def thisown(self) -> bool:
        """Whether releasing this proxy destroys its C++ instance."""
        return bool(self.this.own())

    @thisown.setter
    def thisown(self, value: Any) -> None:
        self.this.own(value)

    def __repr__(self) -> str:
        this = getattr(self, "this", None)
        if this is None:
            return f"<{type(self).__module__}.{type(self).__qualname__} without an instance>"
        owner = "owning" if this.own() else "not owning"
        return f"<{type(self).__module__}.{type(self).__qualname__} proxy of {this!r}, {owner}>"


_Halx.cHalx_swigregister(cHalx)

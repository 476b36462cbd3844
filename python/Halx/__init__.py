"""Thermodynamic properties of pure sodium chloride (NaCl).

Units throughout: temperature in °C, pressure in bar, density in kg/m³,
molar mass in kg/mol.
"""
from ._proxy import cHalx
from _Halx import cvar

__all__ = ["cHalx", "cvar"]

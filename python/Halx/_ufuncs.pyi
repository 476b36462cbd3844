"""NumPy ufuncs of the sodium chloride properties; import them from ``Halx.ufunc``.

Units: temperature T in °C, pressure P in bar, density in kg/m³.
"""
import numpy

#: Boiling (liquid–vapour) pressure in bar at temperature T in °C.
P_Boiling: numpy.ufunc
#: Melting (solid–liquid) temperature in °C at pressure P in bar.
T_Melting: numpy.ufunc
#: Sublimation (solid–vapour) pressure in bar at temperature T in °C.
P_Sublimation: numpy.ufunc
#: Density of the solid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Solid: numpy.ufunc
#: Density of the liquid in kg/m³ at temperature T in °C and pressure P in bar.
Rho_Liquid: numpy.ufunc

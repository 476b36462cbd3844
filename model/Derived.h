// Properties that follow from the five correlations of cHalx by exact algebra
// or calculus: the inverse curves, the latent heats the curves imply, and
// the response coefficients of the solid and the liquid. Plain C++ with no
// knowledge of Python, like Halx.h, and functions of the namespace rather than
// members: cHalx and what the binding serves of it stay as they are.
//
// Units: temperature in degrees Celsius, pressure in bar, heat in J/mol,
// thermal expansivity in 1/K, compressibility in 1/bar. Every argument and
// every result is a double.
//
// Like the correlations, the functions are pure and report no errors, but
// each knows its mathematical domain: outside it the result is NaN, never a
// finite number that answers a question without an answer. No property is defined below absolute zero (-273.15
// degC); the other bounds are given with each function. A NaN argument gives
// NaN (its payload travels on). Within its domain a
// function follows IEEE 754 arithmetic, overflow to infinity included.
#ifndef HALX_MODEL_DERIVED_H
#define HALX_MODEL_DERIVED_H

namespace Halx {

// Temperature (degC) at which P_Boiling gives pressure P (bar). The curve is a
// straight line in log10 P against 1/T, which reaches 1/T = 0 near 2.95e5 bar:
// NaN above that pressure and for negative P; absolute zero at P = 0.
double T_Boiling(double P);
// Temperature (degC) at which P_Sublimation gives pressure P (bar); NaN above
// about 4.9e7 bar, where its line reaches 1/T = 0, and for negative P.
double T_Sublimation(double P);
// Pressure (bar) on the melting curve at temperature T (degC): T_Melting solved for P.
double P_Melting(double T);

// The latent heats that the correlations' curves imply, each through the
// Clapeyron equation on one curve alone. The thermodynamic surface's heats,
// which close at the triple point and are per mole of NaCl, are
// H_Vaporization, H_Sublimation and H_Fusion of Surface.h.
//
// Heat (J/mol) per mole of vapour molecules from the Clausius-Clapeyron
// slope of the boiling curve at temperature T (degC): the same at every T,
// since the curve is a straight line in log P against 1/T; NaN for NaN.
double H_BoilingCurve(double T);
// Heat (J/mol) per mole of vapour molecules, likewise from the sublimation curve.
double H_SublimationCurve(double T);
// Heat of fusion (J/mol per mole of NaCl) at pressure P (bar), from the
// Clapeyron equation at the melting curve's temperature of P with the two
// density correlations there; NaN where that temperature is below absolute
// zero or a density is not positive.
double H_MeltingCurve(double P);

// The response coefficients are NaN where the density they belong to is not
// positive (the liquid's: where its volume or compression term is not).
// Thermal expansivity -(1/rho) d(rho)/dT of the solid at T (degC) and P (bar), 1/K.
double Alpha_Solid(double T, double P);
// Thermal expansivity -(1/rho) d(rho)/dT of the liquid at T (degC) and P (bar), 1/K.
double Alpha_Liquid(double T, double P);
// Isothermal compressibility (1/rho) d(rho)/dP of the solid at T (degC) and P (bar), 1/bar.
double Beta_Solid(double T, double P);
// Isothermal compressibility (1/rho) d(rho)/dP of the liquid at T (degC) and P (bar), 1/bar.
double Beta_Liquid(double T, double P);

}  // namespace Halx

#endif  // HALX_MODEL_DERIVED_H

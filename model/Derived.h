// Properties that follow from the five correlations of cHalx by exact algebra
// or calculus: the inverse curves, the phase at a state, the latent heats and
// the response coefficients of the solid and the liquid. Plain C++ with no
// knowledge of Python, like Halx.h, and functions of the namespace rather than
// members: cHalx and what the binding serves of it stay as they are.
//
// Units: temperature in degrees Celsius, pressure in bar, heat in J/mol,
// thermal expansivity in 1/K, compressibility in 1/bar. Every argument and
// every result but the phase is a double.
//
// Like the correlations, the functions are pure and report no errors, but
// each knows its mathematical domain: outside it the result is NaN (for the
// phase, Phase::Undefined), never a finite number that answers a question
// without an answer. No property is defined below absolute zero (-273.15
// degC); the other bounds are given with each function. A NaN argument gives
// NaN (its payload travels on), or Phase::Undefined. Within its domain a
// function follows IEEE 754 arithmetic, overflow to infinity included.
#ifndef HALX_MODEL_DERIVED_H
#define HALX_MODEL_DERIVED_H

#include <cstdint>

namespace Halx {

// The phase of a state; the values are the codes that the array layer stores.
enum class Phase : std::int8_t {
    Undefined = 0,  // no state: T or P is NaN, T is below absolute zero or P is negative
    Solid = 1,
    Liquid = 2,
    Vapour = 3,
};

// Temperature (degC) at which P_Boiling gives pressure P (bar). The curve is a
// straight line in log10 P against 1/T, which reaches 1/T = 0 near 2.95e5 bar:
// NaN above that pressure and for negative P; absolute zero at P = 0.
double T_Boiling(double P);
// Temperature (degC) at which P_Sublimation gives pressure P (bar); NaN above
// about 4.9e7 bar, where its line reaches 1/T = 0, and for negative P.
double T_Sublimation(double P);
// Pressure (bar) on the melting curve at temperature T (degC): T_Melting solved for P.
double P_Melting(double T);

// Phase at temperature T (degC) and pressure P (bar). Vapour strictly below
// the vapour-pressure curve (sublimation below T_Triple, boiling from
// T_Triple up); otherwise solid up to and including the melting temperature
// at P, liquid above it. A state exactly on a curve thus gets the phase on
// the curve's high-pressure side, which for NaCl is also the denser phase:
// the condensed phase on the boiling and sublimation curves, the solid on
// the melting curve and at the triple point.
// Phase::Undefined where no state exists: T or P NaN, T below absolute zero,
// P negative.
Phase phase(double T, double P);

// Molar heat of vaporization (J/mol) from the Clausius-Clapeyron slope of the
// boiling curve at temperature T (degC): the same at every T, since the curve
// is a straight line in log P against 1/T; NaN for NaN.
double H_Vaporization(double T);
// Molar heat of sublimation (J/mol), likewise from the sublimation curve.
double H_Sublimation(double T);
// Molar heat of fusion (J/mol) at pressure P (bar), from the Clapeyron
// equation at the melting temperature of P with the two densities there; NaN
// where that temperature is below absolute zero or a density is not positive.
double H_Fusion(double P);

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

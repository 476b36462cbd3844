// Properties that follow from the five correlations of cHalx by exact algebra
// or calculus: the inverse curves, the phase at a state, the latent heats and
// the response coefficients of the solid and the liquid. Plain C++ with no
// knowledge of Python, like Halx.h, and free functions rather than members:
// cHalx and what the binding serves of it stay as they are.
//
// Units: temperature in degrees Celsius, pressure in bar, heat in J/mol,
// thermal expansivity in 1/K, compressibility in 1/bar. Every argument and
// every result but the phase is a double.
//
// Like the correlations, the functions are pure, check no ranges and report
// no errors: outside the physical range they follow IEEE 754 arithmetic. The
// phase is the one exception: a NaN argument gives Phase::Undefined, since no
// phase follows from a state that is not a number.
#ifndef HALX_MODEL_DERIVED_H
#define HALX_MODEL_DERIVED_H

#include <cstdint>

namespace Halx {

// The phase of a state; the values are the codes that the array layer stores.
enum class Phase : std::int8_t {
    Undefined = 0,  // T or P is NaN
    Solid = 1,
    Liquid = 2,
    Vapour = 3,
};

// Temperature (degC) at which P_Boiling gives pressure P (bar).
double T_Boiling(double P);
// Temperature (degC) at which P_Sublimation gives pressure P (bar).
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
Phase phase(double T, double P);

// Molar heat of vaporization (J/mol) from the Clausius-Clapeyron slope of the
// boiling curve at temperature T (degC): the same at every T, since the curve
// is a straight line in log P against 1/T; NaN for NaN.
double H_Vaporization(double T);
// Molar heat of sublimation (J/mol), likewise from the sublimation curve.
double H_Sublimation(double T);
// Molar heat of fusion (J/mol) at pressure P (bar), from the Clapeyron
// equation at the melting temperature of P with the two densities there.
double H_Fusion(double P);

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

// Property model of pure sodium chloride: five closed-form correlations and
// three constants. Plain C++ with no knowledge of Python, so the binding, the
// array layer and any C++ caller evaluate exactly the same steps.
//
// Units: temperature in degrees Celsius, pressure in bar, density in kg/m^3,
// molar mass in kg/mol. Every argument, result and constant is a double.
//
// The operations are pure functions of their arguments: no range checks, no
// errors, no state. Inputs outside the physical range follow IEEE 754
// arithmetic (infinities, NaN, negative densities). They are static members so
// that a caller holding no instance gets the same results as one holding any.
#ifndef HALX_MODEL_HALX_H
#define HALX_MODEL_HALX_H

namespace Halx {

// Molar mass of sodium chloride, kg/mol. No correlation reads it.
constexpr double MolarMass = 0.058443;
// Triple point: temperature in degrees Celsius, pressure in bar.
constexpr double T_Triple = 800.7;
constexpr double P_Triple = 0.0005;

class cHalx {
public:
    cHalx() = default;
    ~cHalx() = default;

    // Pressure on the liquid-vapour (boiling) curve at temperature T (degC), bar.
    static double P_Boiling(double T);
    // Temperature on the solid-liquid (melting) curve at pressure P (bar), degC.
    static double T_Melting(double P);
    // Pressure on the solid-vapour (sublimation) curve at temperature T (degC), bar.
    static double P_Sublimation(double T);
    // Density of the solid at temperature T (degC) and pressure P (bar), kg/m^3.
    static double Rho_Solid(double T, double P);
    // Density of the liquid at temperature T (degC) and pressure P (bar), kg/m^3.
    static double Rho_Liquid(double T, double P);
};

}  // namespace Halx

#endif  // HALX_MODEL_HALX_H

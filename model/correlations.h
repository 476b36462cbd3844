// The steps of the five correlations, written once as templates over the
// number type: a plain double in Halx.cpp, a SIMD vector of doubles in the
// array kernels. Each product, quotient, sum and difference is rounded on its
// own in the grouping written here (the files that include this are compiled
// without contraction and without fast-math), and the elementary functions
// come in as arguments: the correctly rounded ones for a double, their SIMD
// fast paths for a vector. So a lane of a vector and a scalar call with the
// same inputs take the same steps to the same bits.
#ifndef HALX_MODEL_CORRELATIONS_H
#define HALX_MODEL_CORRELATIONS_H

namespace Halx {
namespace correlations {

// log10(P_Triple), correctly rounded: the double -3.3010299956639813.
constexpr double Log10TriplePressure = -3.3010299956639813;

// 1 / (T_Triple + 273.15), the reciprocal triple-point temperature in kelvin.
// It is the very double that the run-time steps give for T = T_Triple, so the
// vapour-pressure exponent is exactly log10(P_Triple) at the triple point.
constexpr double ReciprocalTripleKelvin = 0.000931228756343996;

// Slopes of log10 P against 1/T (kelvin) of the two vapour-pressure curves.
constexpr double BoilingSlope = 9418.12;
constexpr double SublimationSlope = 11806.1;

// The exponent x of a vapour pressure 10^x (Clausius-Clapeyron line through
// the triple point with the given slope) at temperature T (degC).
template <class V>
V vapour_pressure_exponent(V T, double slope) {
    const V Tk = T + 273.15;
    const V r = 1.0 / Tk;
    const V d = ReciprocalTripleKelvin - r;
    return d * slope + Log10TriplePressure;
}

// Slope of the melting curve, degC per bar.
constexpr double MeltingSlope = 0.024726;

// Melting temperature (degC) at pressure P (bar).
template <class V>
V melting_temperature(V P, double triple_pressure, double triple_temperature) {
    const V q = P - triple_pressure;
    return q * MeltingSlope + triple_temperature;
}

// Solid density (kg/m^3) at T (degC) and P (bar); exp is e^x.
template <class V, class Exp>
V solid_density(V T, V P, Exp exp) {
    const V e = exp(T / 733.4);
    const V s = e * 0.002715 + 0.005727;
    const V rho0 = (2170.4 - T * 0.24599) - (T * 9.5797e-5) * T;
    return s * P + rho0;
}

// Liquid density (kg/m^3) at T (degC) and P (bar); log is ln x.
template <class V, class Log>
V liquid_density(V T, V P, Log log) {
    const V p10 = P * 10.0;
    const V V_molar = (T * 0.018639 + 23.772) - (T * 1.9687e-6) * T;
    const V kappa = T * 5.5058e-8 - 1.5259e-5;
    // 58443 is MolarMass in g/mol times 1000, written as a literal on purpose.
    const V rho0 = 58443.0 / V_molar;
    const V a = kappa * p10 + 1.0;
    const V D = 1.0 - log(a) * 0.1;
    return rho0 / D;
}

}  // namespace correlations
}  // namespace Halx

#endif  // HALX_MODEL_CORRELATIONS_H

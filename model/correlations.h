// The steps of the five correlations, written once as templates over the
// number type: a plain double in Halx.cpp, a SIMD vector of doubles in the
// array kernels. Each product, quotient, sum and difference is rounded on its
// own in the grouping written here (the files that include this are compiled
// without contraction and without fast-math). The caller applies the
// elementary function between the steps: the correctly rounded one for a
// double, its SIMD fast path for a vector. So a lane of a vector and a scalar
// call with the same inputs take the same steps to the same bits.
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

// Solid density (kg/m^3) at T (degC) and P (bar), in two steps around the
// exponential: the argument x of e^x, then the density from e = e^x. A SIMD
// kernel learns between the two which lanes it must leave to the scalar code.
template <class V>
V solid_density_exponent(V T) {
    return T / 733.4;
}

template <class V>
V solid_density(V T, V P, V e) {
    const V s = e * 0.002715 + 0.005727;
    const V rho0 = (2170.4 - T * 0.24599) - (T * 9.5797e-5) * T;
    return s * P + rho0;
}

// Liquid density (kg/m^3) at T (degC) and P (bar), in two steps around the
// logarithm, as the solid density: the argument a of ln a, then the density
// from ln a.
template <class V>
V liquid_density_log_argument(V T, V P) {
    const V p10 = P * 10.0;
    const V kappa = T * 5.5058e-8 - 1.5259e-5;
    return kappa * p10 + 1.0;
}

template <class V>
V liquid_density(V T, V log_a) {
    const V V_molar = (T * 0.018639 + 23.772) - (T * 1.9687e-6) * T;
    // 58443 is MolarMass in g/mol times 1000, written as a literal on purpose.
    const V rho0 = 58443.0 / V_molar;
    const V D = 1.0 - log_a * 0.1;
    return rho0 / D;
}

}  // namespace correlations
}  // namespace Halx

#endif  // HALX_MODEL_CORRELATIONS_H

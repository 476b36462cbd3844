// The five correlations, written once: their coefficients as named constants
// and their steps as templates over the number type (a plain double in
// Halx.cpp, a SIMD vector of doubles in the array kernels), together with the
// derivatives that the response coefficients and the caloric properties take
// of them. Every other file of the model reads the coefficients from here.
//
// Each product, quotient, sum and difference is rounded on its own in the
// grouping written here (the files that include this are compiled without
// contraction and without fast-math). The caller applies the elementary
// function between the steps: the correctly rounded one for a double, its
// SIMD fast path for a vector. So a lane of a vector and a scalar call with
// the same inputs take the same steps to the same bits.
#ifndef HALX_MODEL_CORRELATIONS_H
#define HALX_MODEL_CORRELATIONS_H

namespace Halx {
namespace correlations {

// --- The vapour-pressure curves: log10 P against 1/T through the triple point ---

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

// --- The melting curve: a straight line through the triple point ---

// Slope of the melting curve, degC per bar.
constexpr double MeltingSlope = 0.024726;

// Melting temperature (degC) at pressure P (bar).
template <class V>
V melting_temperature(V P, double triple_pressure, double triple_temperature) {
    const V q = P - triple_pressure;
    return q * MeltingSlope + triple_temperature;
}

// --- The solid: rho = s(T) P + rho0(T) ---
// s(T) = 0.005727 + 0.002715 e^(T / 733.4), rho0(T) = 2170.4 - 0.24599 T - 9.5797e-5 T^2.

constexpr double SolidExponentScale = 733.4;         // degC
constexpr double SolidPressureGrowth = 0.002715;     // kg/m^3 per bar, times e^(T / 733.4)
constexpr double SolidPressureBase = 0.005727;       // kg/m^3 per bar
constexpr double SolidDensityAtZero = 2170.4;        // kg/m^3
constexpr double SolidDensityLinear = 0.24599;       // kg/m^3 per K
constexpr double SolidDensityQuadratic = 9.5797e-5;  // kg/m^3 per K^2

// The solid density in two steps around the exponential: the argument x of
// e^x, then the density from e = e^x. A SIMD kernel learns between the two
// which lanes it must leave to the scalar code.
template <class V>
V solid_density_exponent(V T) {
    return T / SolidExponentScale;
}

// s(T) from e = e^(T / 733.4), kg/m^3 per bar.
template <class V>
V solid_pressure_coefficient(V e) {
    return e * SolidPressureGrowth + SolidPressureBase;
}

// rho0(T), the density at zero pressure, kg/m^3.
template <class V>
V solid_zero_pressure_density(V T) {
    return (SolidDensityAtZero - T * SolidDensityLinear) - (T * SolidDensityQuadratic) * T;
}

template <class V>
V solid_density(V T, V P, V e) {
    return solid_pressure_coefficient(e) * P + solid_zero_pressure_density(T);
}

// ds/dT from e, and d2s/dT2 from ds/dT.
template <class V>
V solid_pressure_coefficient_slope(V e) {
    return (e * SolidPressureGrowth) / SolidExponentScale;
}

template <class V>
V solid_pressure_coefficient_curvature(V slope) {
    return slope / SolidExponentScale;
}

// d(rho0)/dT, and d2(rho0)/dT2, a constant.
template <class V>
V solid_zero_pressure_density_slope(V T) {
    return -SolidDensityLinear - (T * SolidDensityQuadratic) * 2.0;
}

constexpr double SolidZeroPressureDensityCurvature = -(SolidDensityQuadratic * 2.0);

// --- The liquid: rho = 58443 / (V(T) D), D = 1 - 0.1 ln(1 + kappa(T) 10 P) ---
// V(T) = 23.772 + 0.018639 T - 1.9687e-6 T^2 (cm^3/mol), kappa(T) = 5.5058e-8 T - 1.5259e-5.

constexpr double LiquidVolumeAtZero = 23.772;        // cm^3/mol
constexpr double LiquidVolumeLinear = 0.018639;      // cm^3/mol per K
constexpr double LiquidVolumeQuadratic = 1.9687e-6;  // cm^3/mol per K^2
constexpr double CompressionLinear = 5.5058e-8;      // per K
constexpr double CompressionAtZero = 1.5259e-5;
// 58443 is MolarMass in g/mol times 1000, written as a literal on purpose:
// it is the correlation's own number, not computed from MolarMass.
constexpr double LiquidMassFactor = 58443.0;

// V(T), the molar volume at zero pressure, cm^3/mol.
template <class V>
V liquid_volume(V T) {
    return (T * LiquidVolumeLinear + LiquidVolumeAtZero) - (T * LiquidVolumeQuadratic) * T;
}

// dV/dT, and d2V/dT2, a constant.
template <class V>
V liquid_volume_slope(V T) {
    return LiquidVolumeLinear - (T * LiquidVolumeQuadratic) * 2.0;
}

constexpr double LiquidVolumeCurvature = -(LiquidVolumeQuadratic * 2.0);

// kappa(T); its slope is CompressionLinear.
template <class V>
V liquid_compression(V T) {
    return T * CompressionLinear - CompressionAtZero;
}

// The argument a = 1 + kappa 10 P of the logarithm, given kappa.
template <class V>
V liquid_log_argument(V kappa, V P) {
    return kappa * (P * 10.0) + 1.0;
}

// The compression term D from ln a.
template <class V>
V liquid_compression_term(V log_a) {
    return 1.0 - log_a * 0.1;
}

// The liquid density in two steps around the logarithm, as the solid density:
// the argument a of ln a, then the density from ln a.
template <class V>
V liquid_density_log_argument(V T, V P) {
    return liquid_log_argument(liquid_compression(T), P);
}

template <class V>
V liquid_density(V T, V log_a) {
    const V rho0 = LiquidMassFactor / liquid_volume(T);
    return rho0 / liquid_compression_term(log_a);
}

}  // namespace correlations
}  // namespace Halx

#endif  // HALX_MODEL_CORRELATIONS_H

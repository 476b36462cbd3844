// The five correlations, each written as the exact sequence of rounded double
// operations that defines it. This file must be compiled without contraction
// of multiplies and adds and without fast-math (see CMakeLists.txt): every
// product, quotient, sum and difference is rounded on its own, in the grouping
// written here, so results are reproducible to the last bit for a given
// mathematical library.
#include "Halx.h"

#include <cmath>

namespace Halx {

namespace {

// 1 / (T_Triple + 273.15), the reciprocal triple-point temperature in kelvin.
// It is the very double that the run-time steps give for T = T_Triple, so the
// vapour-pressure exponent is exactly log10(P_Triple) at the triple point.
constexpr double ReciprocalTripleKelvin = 0.000931228756343996;

// Slopes of log10 P against 1/T (kelvin) of the two vapour-pressure curves.
constexpr double BoilingSlope = 9418.12;
constexpr double SublimationSlope = 11806.1;

// Clausius-Clapeyron line through the triple point with the given slope.
double vapour_pressure(double T, double slope) {
    const double L = std::log10(P_Triple);
    const double Tk = T + 273.15;
    const double r = 1.0 / Tk;
    const double d = ReciprocalTripleKelvin - r;
    const double x = d * slope + L;
    return std::pow(10.0, x);
}

}  // namespace

double cHalx::P_Boiling(double T) {
    return vapour_pressure(T, BoilingSlope);
}

double cHalx::P_Sublimation(double T) {
    return vapour_pressure(T, SublimationSlope);
}

double cHalx::T_Melting(double P) {
    const double q = P - P_Triple;
    return q * 0.024726 + T_Triple;
}

double cHalx::Rho_Solid(double T, double P) {
    const double e = std::exp(T / 733.4);
    const double s = e * 0.002715 + 0.005727;
    const double rho0 = (2170.4 - T * 0.24599) - (T * 9.5797e-5) * T;
    return s * P + rho0;
}

double cHalx::Rho_Liquid(double T, double P) {
    const double p10 = P * 10.0;
    const double V = (T * 0.018639 + 23.772) - (T * 1.9687e-6) * T;
    const double kappa = T * 5.5058e-8 - 1.5259e-5;
    // 58443 is MolarMass in g/mol times 1000, written as a literal on purpose.
    const double rho0 = 58443.0 / V;
    const double a = kappa * p10 + 1.0;
    const double D = 1.0 - std::log(a) * 0.1;
    return rho0 / D;
}

}  // namespace Halx

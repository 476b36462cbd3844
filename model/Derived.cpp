// The derived properties of the correlations, each written as an explicit
// sequence of rounded double operations, compiled like Halx.cpp without
// contraction and without fast-math (see CMakeLists.txt), so their bits are
// as reproducible as the correlations'. Where a derived property needs a correlation's own value
// (a density, a point on a curve) it calls cHalx, so it sees exactly what
// users are served.
//
// The mathematical functions are the correctly rounded ones that the
// correlations use (elementary.h), so the derived properties give the same
// bits on every compiler, C library and machine too.
#include "Derived.h"

#include <cmath>

#include "Halx.h"
#include "correlations.h"
#include "elementary.h"
#include "shared.h"

namespace Halx {

namespace {

using correlations::BoilingSlope;
using correlations::Log10TriplePressure;
using correlations::MeltingSlope;
using correlations::ReciprocalTripleKelvin;
using correlations::SublimationSlope;

using shared::below_absolute_zero;
using shared::GasConstant;
using shared::not_positive;
using shared::PascalPerBar;
using shared::undefined;

// ln 10, the double nearest to it.
constexpr double Ln10 = 2.302585092994046;

// log10 x as ln x / ln 10 from the correctly rounded ln: within two units in
// the last place of log10 x, and the same double everywhere.
double common_logarithm(double x) { return elementary::log(x) / Ln10; }

// Temperature (degC) at which the vapour curve of the given slope gives P:
// log10 P = log10 P_Triple + slope * (1/Tk_Triple - 1/Tk) solved for Tk.
// The straight line reaches 1/Tk = 0 at a finite pressure; above it no
// temperature lies on the curve (1/r would be negative: below absolute zero).
double vapour_temperature(double P, double slope) {
    const double x = common_logarithm(P);
    const double d = (x - Log10TriplePressure) / slope;
    const double r = ReciprocalTripleKelvin - d;
    if (not_positive(r)) return undefined();
    const double Tk = 1.0 / r;
    return Tk - 273.15;
}

// The liquid's compression term D = 1 - 0.1 ln(a), a = 1 + kappa(T) 10 P, with
// kappa and a: the density has a meaning only where D > 0.
struct LiquidCompression {
    double kappa, a, D;
};
LiquidCompression liquid_compression(double T, double P) {
    const double kappa = correlations::liquid_compression(T);
    const double a = correlations::liquid_log_argument(kappa, P);
    return {kappa, a, correlations::liquid_compression_term(elementary::log(a))};
}

// Heat (J/mol, per mole of vapour molecules) from the slope of a line of log10 P against 1/T:
// -R d(ln P)/d(1/T) = R ln(10) slope, whatever the temperature T.
double clausius_clapeyron_heat(double T, double slope) {
    if (std::isnan(T)) return T;
    if (below_absolute_zero(T)) return undefined();
    return (slope * Ln10) * GasConstant;
}

}  // namespace

double T_Boiling(double P) { return vapour_temperature(P, BoilingSlope); }

double T_Sublimation(double P) { return vapour_temperature(P, SublimationSlope); }

double P_Melting(double T) {
    if (below_absolute_zero(T)) return undefined();
    const double q = (T - T_Triple) / MeltingSlope;
    return q + P_Triple;
}

double H_BoilingCurve(double T) { return clausius_clapeyron_heat(T, BoilingSlope); }

double H_SublimationCurve(double T) { return clausius_clapeyron_heat(T, SublimationSlope); }

// Clapeyron: H = Tk * (V_liquid - V_solid) * dP/dT, with molar volumes
// MolarMass / density (m^3/mol) and dP/dT = 1 / MeltingSlope bar/K.
double H_MeltingCurve(double P) {
    const double Tm = cHalx::T_Melting(P);
    const double rho_solid = cHalx::Rho_Solid(Tm, P);
    const double rho_liquid = cHalx::Rho_Liquid(Tm, P);
    if (below_absolute_zero(Tm) || not_positive(rho_solid) || not_positive(rho_liquid)) return undefined();
    const double dV = MolarMass / rho_liquid - MolarMass / rho_solid;
    const double Tk = Tm + 273.15;
    return ((Tk * dV) * PascalPerBar) / MeltingSlope;
}

// The solid: rho = s(T) P + rho0(T) (correlations.h), so
// d(rho)/dT = s'(T) P + rho0'(T) and d(rho)/dP = s. Both have a meaning only
// where the density is positive.
double Alpha_Solid(double T, double P) {
    const double rho = cHalx::Rho_Solid(T, P);
    if (below_absolute_zero(T) || not_positive(rho)) return undefined();
    const double e = elementary::exp(correlations::solid_density_exponent(T));
    const double ds = correlations::solid_pressure_coefficient_slope(e);
    const double drho = ds * P + correlations::solid_zero_pressure_density_slope(T);
    return -(drho / rho);
}

double Beta_Solid(double T, double P) {
    const double rho = cHalx::Rho_Solid(T, P);
    if (below_absolute_zero(T) || not_positive(rho)) return undefined();
    const double e = elementary::exp(correlations::solid_density_exponent(T));
    return correlations::solid_pressure_coefficient(e) / rho;
}

// The liquid: rho = 58443 / V(T) / D, D = 1 - 0.1 ln(a), a = 1 + kappa(T) 10 P,
// so ln rho = ln 58443 - ln V - ln D with d(ln D)/dT = -kappa'(T) P / (a D) and
// d(ln D)/dP = -kappa / (a D). Neither coefficient needs the density itself;
// both have a meaning only where it does (V > 0 and D > 0).
double Alpha_Liquid(double T, double P) {
    const double V = correlations::liquid_volume(T);
    const LiquidCompression c = liquid_compression(T, P);
    if (below_absolute_zero(T) || not_positive(V) || not_positive(c.D)) return undefined();
    return correlations::liquid_volume_slope(T) / V - (P * correlations::CompressionLinear) / (c.a * c.D);
}

double Beta_Liquid(double T, double P) {
    const LiquidCompression c = liquid_compression(T, P);
    if (below_absolute_zero(T) || not_positive(correlations::liquid_volume(T)) || not_positive(c.D)) return undefined();
    return c.kappa / (c.a * c.D);
}

}  // namespace Halx

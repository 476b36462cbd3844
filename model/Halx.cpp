// The five correlations for one set of arguments: the steps of correlations.h
// on plain doubles, with the correctly rounded exp, log and 10^x of
// elementary.h. This file must be compiled without contraction of multiplies
// and adds and without fast-math (see CMakeLists.txt): every product,
// quotient, sum and difference is rounded on its own, in the grouping written
// there, and the elementary functions are correctly rounded, so results are
// the same to the last bit on every compiler, C library and machine.
#include "Halx.h"

#include "correlations.h"
#include "elementary.h"

namespace Halx {

double cHalx::P_Boiling(double T) {
    return elementary::exp10(correlations::vapour_pressure_exponent(T, correlations::BoilingSlope));
}

double cHalx::P_Sublimation(double T) {
    return elementary::exp10(correlations::vapour_pressure_exponent(T, correlations::SublimationSlope));
}

double cHalx::T_Melting(double P) { return correlations::melting_temperature(P, P_Triple, T_Triple); }

double cHalx::Rho_Solid(double T, double P) {
    return correlations::solid_density(T, P, elementary::exp(correlations::solid_density_exponent(T)));
}

double cHalx::Rho_Liquid(double T, double P) {
    return correlations::liquid_density(T, elementary::log(correlations::liquid_density_log_argument(T, P)));
}

}  // namespace Halx

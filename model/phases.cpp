// The scalar evaluators of each phase's Gibbs energy surface: the steps of
// phases.h over doubles, with the correctly rounded exp and log of
// elementary.h and the correctly rounded sqrt of IEEE 754, and the branches
// that the array kernels leave to these functions (no state, the crystal
// below 298.15 K, the liquid's closed form, the cold vapour). The same bits
// everywhere, and tests/reference.py repeats every step in Python.
//
// Condensed phases: G(T, P) = G0(T) + k I(T, P) with I = the integral of the
// molar volume from 1 bar to P, in closed form; S = S0 - k dI/dT,
// H = H0 + k (I - Tk dI/dT), Cp = Cp0 - k Tk d2I/dT2, where G0, H0, S0, Cp0
// are the standard-state functions at 1 bar and k converts I to J/mol.
#include "phases.h"

#include <cmath>
#include <limits>

#include "Halx.h"
#include "adjustments.h"
#include "correlations.h"
#include "elementary.h"
#include "shared.h"
#include "thermochemistry.h"

namespace Halx {
namespace phases {

namespace {

namespace c = correlations;
using shared::GasConstant;
using shared::not_positive;
using shared::PascalPerBar;
using Scalar = ScalarArithmetic;

// Temperature in kelvin; a state at or below absolute zero has none.
double kelvin(double T) { return T + 273.15; }

// The crystal below the join (adjustments.h): with q = e^(-theta/Tk),
// Cp = C E(theta/Tk) + c Tk with E(x) = x^2 q / (1 - q)^2,
// S = C (x q / (1 - q) - ln(1 - q)) + c Tk,
// H = H0 + C theta q / (1 - q) + c Tk^2 / 2.
// ln(1 - q) is summed as its series where q <= 2^-10 (to q^6, leaving out
// under 2^-70 of it), where 1 - q would drop q's digits.
double log_one_minus(double q) {
    if (q > 1.0 / 1024.0) return elementary::log(1.0 - q);
    return -(q * (1.0 + q * (0.5 + q * (1.0 / 3.0 + q * (0.25 + q * (0.2 + q * (1.0 / 6.0)))))));
}

Standard<double> crystal_below_join(double Tk, unsigned need) {
    using namespace adjustments;
    const double x = EinsteinTemperature / Tk;
    // Beyond x = 700 the terms in q are below 1e-300 of the rest: q is taken
    // as 0 rather than left to underflow.
    const double q = x < 700.0 ? elementary::exp(-x) : 0.0;
    const double occupation = q / (1.0 - q);  // 1 / (e^x - 1)
    Standard<double> standard;
    if (need & (NeedG | NeedS)) {
        standard.S = EinsteinHeatCapacity * (x * occupation - log_one_minus(q)) + LinearHeatCapacity * Tk;
    }
    if (need & (NeedG | NeedH)) {
        standard.H = (CrystalEnthalpyAtZero + EinsteinHeatCapacity * (EinsteinTemperature * occupation)) +
                     (LinearHeatCapacity * 0.5) * (Tk * Tk);
    }
    if (need & NeedG) standard.G = standard.H - Tk * standard.S;
    if (need & NeedCp) {
        standard.Cp = EinsteinHeatCapacity * ((x * x) * (occupation * (occupation + 1.0))) + LinearHeatCapacity * Tk;
    }
    return standard;
}

Standard<double> crystal_standard(double Tk, unsigned need) {
    if (Tk < adjustments::JoinTemperature) return crystal_below_join(Tk, need);
    Scalar arithmetic;
    return from_polynomials(arithmetic, CrystalData, Tk, need);
}

bool liquid_has_standard(double Tk) { return !(Tk < adjustments::LiquidLowestTemperature); }

// Whether J is summed as the series: max(|P|, 1) is taken as fmax takes it
// (1 for a NaN P), without a call and without raising a flag.
bool by_series(double c, double P) {
    const double magnitude = std::fabs(P);
    return std::fabs(c) * (std::isgreater(magnitude, 1.0) ? magnitude : 1.0) <= SeriesBound;
}

// The compression term at P and at 1 bar; false, before any logarithm, where
// the logarithm's argument is not positive (no state: the compression term
// would be no number, or infinite).
bool compression(const LiquidAtT<double> &at, double P, Compression<double> *d) {
    *d = compression_arguments(at, P);
    if (not_positive(d->a) || not_positive(d->a1)) return false;
    Scalar arithmetic;
    compression_logarithms(arithmetic, *d);
    return true;
}

bool liquid_exists(const LiquidAtT<double> &at, const Compression<double> &d) {
    return !(not_positive(at.Vm) || not_positive(d.D) || not_positive(d.D1));
}

// ln r for r near 1: the series of ln(1 + z), z = r - 1 (exact for such r),
// to z^6 where |z| <= 2^-10, which leaves out under 2^-62 of the result;
// elsewhere the correctly rounded logarithm.
constexpr double LogSeriesBound = 1.0 / 1024.0;

double log_near_one(double r) {
    const double z = r - 1.0;
    if (!std::islessequal(std::fabs(z), LogSeriesBound)) return elementary::log(r);
    return z * (1.0 - z * (0.5 - z * (1.0 / 3.0 - z * (0.25 - z * (0.2 - z * (1.0 / 6.0))))));
}

}  // namespace

bool solid(double T, double P, unsigned need, Point *point) {
    const double Tk = kelvin(T);
    if (not_positive(Tk)) return false;
    Scalar arithmetic;
    const SolidAt<double> at = solid_at(arithmetic, T, P);
    if (not_positive(at.rho) || not_positive(at.rho1)) return false;
    *point = solid_point(arithmetic, at, T, P, Tk, crystal_standard(Tk, need), need);
    return true;
}

bool liquid(double T, double P, unsigned need, Point *point) {
    const double Tk = kelvin(T);
    if (not_positive(Tk) || !liquid_has_standard(Tk)) return false;
    const LiquidAtT<double> at = liquid_at(T);
    if (not_positive(at.Vm)) return false;
    const double c = at.c;
    // Which pieces the quantities need: G the integral alone, H and S its
    // first derivative in T, Cp both derivatives, V the compression term.
    const bool needs_first = (need & (NeedS | NeedH | NeedCp)) != 0;
    const bool needs_second = (need & NeedCp) != 0;
    // dJ/dT = -0.1 c' * first, d2J/dT2 = 0.1 c'^2 * second (liquid_slopes_by_series).
    double J, first = 0.0, second = 0.0, D;
    if (by_series(c, P)) {
        // Here |c P| and |c| are at most 1/16, so D and D1 lie within 0.7 % of 1:
        // the liquid exists wherever Vm is positive. At 1 bar the integrals from
        // 1 bar vanish (every term is +0) and the standard state is the state.
        J = P == 1.0 ? 0.0 : liquid_J_by_series<Scalar>(c, P, true);
        D = (need & NeedV) ? c::liquid_compression_term(log_near_one(c::liquid_log_argument(at.kappa, P))) : 1.0;
        if (needs_first && P != 1.0) liquid_slopes_by_series<Scalar>(c, P, needs_second, true, first, second);
    } else {
        Compression<double> d;
        if (!compression(at, P, &d) || !liquid_exists(at, d)) return false;
        J = liquid_J_closed(c, d, P);
        D = d.D;
        liquid_slopes_closed(c, d, P, first, second);
    }
    Scalar arithmetic;
    *point = liquid_point(at, T, Tk, J, first, second, from_polynomials(arithmetic, LiquidData, Tk, need), need);
    if (need & NeedV) point->V = LiquidScale * (at.Vm * D);
    return true;
}

// --- The vapour -------------------------------------------------------------------------------

bool vapour_is_dilute(double rho, double T) {
    const double Vm = c::liquid_volume(T);
    if (!std::isgreater(Vm, 0.0)) return true;
    return std::islessequal(rho, adjustments::VapourDensityShare * (c::LiquidMassFactor / Vm));
}

// At P = 0 the vapour is all monomer, and no species' data are needed for
// its composition.
bool vapour_state(double T, double P, unsigned need, Vapour *v) {
    const double Tk = kelvin(T);
    if (not_positive(Tk) || std::isless(P, 0.0)) return false;
    Scalar arithmetic;
    v->Tk = Tk;
    v->RT = GasConstant * Tk;
    if (need & (NeedH | NeedS | NeedCp)) vapour_enthalpies<Scalar>(Tk, *v);
    if (P != 0.0 || (need & (NeedG | NeedS))) vapour_gibbs_energies<Scalar>(Tk, elementary::log(Tk), *v);
    if (P == 0.0) {
        v->y1 = 1.0;
        v->y2 = 0.0;
    } else {
        const double lnKP = std::isgreater(v->lnK, LargestExponent) ? v->lnK + elementary::log(P) : 0.0;
        if (std::isgreater(lnKP, LargestExponent)) {
            v->y1 = elementary::exp(lnKP * -0.5);
            v->y2 = 1.0 - v->y1;
        } else {
            const double KP =
                std::isgreater(v->lnK, LargestExponent) ? elementary::exp(lnKP) : arithmetic.exp(v->lnK) * P;
            vapour_composition<Scalar>(KP, *v);
        }
    }
    v->w = v->y1 + v->y2 * 2.0;
    // A vapour at zero pressure has no density, whatever the temperature.
    return P == 0.0 || vapour_is_dilute(vapour_density(*v, P), T);
}

double vapour_frozen_heat_capacity(const Vapour &v) { return phases::vapour_frozen_heat_capacity<Scalar>(v); }

bool vapour(double T, double P, unsigned need, Point *point) {
    Vapour v;
    if (!vapour_state(T, P, need, &v)) return false;
    Scalar arithmetic;
    *point = vapour_point(arithmetic, v, P, need);
    return true;
}

// --- The crystal's anchors below the join, and the elements ---------------------------------------

void cold_crystal_anchor_exponents(double Tk, double lnT, double *x1, double *x2) {
    const double G = crystal_below_join(Tk, NeedG).G;
    const double RT = GasConstant * Tk;
    const double shift = vapour_gibbs_shift(Tk);
    *x1 = (G - (standard_g<Scalar>(MonomerData, Tk, lnT) + shift)) / RT;
    *x2 = (G * 2.0 - (standard_g<Scalar>(DimerData, Tk, lnT) + shift * 2.0)) / RT;
}

// Sodium's reference state at each temperature is whichever of crystal,
// liquid and gas has the lowest Gibbs energy, as the tables choose it. The
// crystal takes part only up to its melting point, where its data end:
// extrapolated beyond, its polynomial's heat capacity grows as T^3, and from
// about 700 K its Gibbs energy would fall below the liquid's and the gas's.
bool elements_gibbs(double T, double *G) {
    const double Tk = kelvin(T);
    if (!std::isgreaterequal(Tk, thermochemistry::SodiumCrystal.fitted_from)) return false;
    *G = elements_gibbs_of<Scalar>(Tk, elementary::log(Tk), Tk <= thermochemistry::SodiumCrystal.fitted_to);
    return true;
}

}  // namespace phases
}  // namespace Halx

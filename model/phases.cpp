// The Gibbs energy surface of each phase, each quantity an explicit sequence
// of rounded double operations compiled under the exact-FP flags, with the
// correctly rounded exp and log of elementary.h and the correctly rounded
// sqrt of IEEE 754: the same bits everywhere, and tests/reference.py repeats
// every step in Python.
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
using thermochemistry::Species;

// Temperature in kelvin; a state at or below absolute zero has none.
double kelvin(double T) { return T + 273.15; }

// --- Standard-state functions of one species at 1 bar -------------------------------------------

// One interval's coefficients in the forms the three polynomials take them:
// the quotients a_i / n are rounded once, at compile time, to the doubles
// that dividing at run time would give.
struct Interval {
    double cp[5];  // a0 .. a4
    double h[6];   // a4/5, a3/4, a2/3, a1/2, a0, a5
    double s[6];   // a4/4, a3/3, a2/2, a1, a0 (of ln T), a6
};

struct Polynomials {
    double split;
    Interval low, high;
};

constexpr Interval interval(const double (&a)[7]) {
    return {{a[0], a[1], a[2], a[3], a[4]},
            {a[4] / 5.0, a[3] / 4.0, a[2] / 3.0, a[1] / 2.0, a[0], a[5]},
            {a[4] / 4.0, a[3] / 3.0, a[2] / 2.0, a[1], a[0], a[6]}};
}

constexpr Polynomials polynomials(const Species &species) {
    return {species.split, interval(species.low), interval(species.high)};
}

constexpr Polynomials CrystalData = polynomials(thermochemistry::Crystal);
constexpr Polynomials LiquidData = polynomials(thermochemistry::Liquid);
constexpr Polynomials MonomerData = polynomials(thermochemistry::Monomer);
constexpr Polynomials DimerData = polynomials(thermochemistry::Dimer);
constexpr Polynomials SodiumCrystalData = polynomials(thermochemistry::SodiumCrystal);
constexpr Polynomials SodiumLiquidData = polynomials(thermochemistry::SodiumLiquid);
constexpr Polynomials SodiumGasData = polynomials(thermochemistry::SodiumGas);
constexpr Polynomials ChlorineData = polynomials(thermochemistry::Chlorine);

// Tk is never NaN here, so the comparison raises nothing.
const Interval &interval_at(const Polynomials &data, double Tk) { return Tk <= data.split ? data.low : data.high; }

// Cp in J/(mol K), H in J/mol, S in J/(mol K), per mole of the species; lnT = ln Tk.
double standard_cp(const Polynomials &data, double Tk) {
    const double *a = interval_at(data, Tk).cp;
    return ((((a[4] * Tk + a[3]) * Tk + a[2]) * Tk + a[1]) * Tk + a[0]) * GasConstant;
}

double standard_h(const Polynomials &data, double Tk) {
    const double *h = interval_at(data, Tk).h;
    return (((((h[0] * Tk + h[1]) * Tk + h[2]) * Tk + h[3]) * Tk + h[4]) * Tk + h[5]) * GasConstant;
}

double standard_s(const Polynomials &data, double Tk, double lnT) {
    const double *s = interval_at(data, Tk).s;
    return ((s[4] * lnT + (((s[0] * Tk + s[1]) * Tk + s[2]) * Tk + s[3]) * Tk) + s[5]) * GasConstant;
}

double standard_g(const Polynomials &data, double Tk, double lnT) {
    return standard_h(data, Tk) - Tk * standard_s(data, Tk, lnT);
}

// A phase's standard state at Tk: each of its four functions as asked.
struct Standard {
    double G, S, H, Cp;
};

Standard from_polynomials(const Polynomials &data, double Tk, unsigned need) {
    Standard standard{};
    if (need & (NeedG | NeedH)) standard.H = standard_h(data, Tk);
    if (need & (NeedG | NeedS)) {
        standard.S = standard_s(data, Tk, elementary::log(Tk));
        if (need & NeedG) standard.G = standard.H - Tk * standard.S;
    }
    if (need & NeedCp) standard.Cp = standard_cp(data, Tk);
    return standard;
}

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

Standard crystal_below_join(double Tk, unsigned need) {
    using namespace adjustments;
    const double x = EinsteinTemperature / Tk;
    // Beyond x = 700 the terms in q are below 1e-300 of the rest: q is taken
    // as 0 rather than left to underflow.
    const double q = x < 700.0 ? elementary::exp(-x) : 0.0;
    const double occupation = q / (1.0 - q);  // 1 / (e^x - 1)
    Standard standard{};
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

Standard crystal_standard(double Tk, unsigned need) {
    if (Tk < adjustments::JoinTemperature) return crystal_below_join(Tk, need);
    return from_polynomials(CrystalData, Tk, need);
}

bool liquid_has_standard(double Tk) { return !(Tk < adjustments::LiquidLowestTemperature); }

// What the molar volume's integral adds to the standard state: k I, and
// -k dI/dT, -k Tk d2I/dT2 and k (I - Tk dI/dT) as asked.
struct VolumeIntegral {
    double I, I_T, I_TT;
};

void add_volume_integral(const Standard &standard, double Tk, double k, const VolumeIntegral &v, unsigned need,
                         Point *point) {
    if (need & NeedG) point->G = standard.G + k * v.I;
    if (need & NeedS) point->S = standard.S - k * v.I_T;
    if (need & NeedH) point->H = standard.H + k * (v.I - Tk * v.I_T);
    if (need & NeedCp) point->Cp = standard.Cp - k * (Tk * v.I_TT);
}

// --- The solid --------------------------------------------------------------------------------

// rho = s(T) P + rho0(T), so I = (1/s) ln(rho(P) / rho(1)) with I in bar
// m^3/kg, and k = MolarMass * PascalPerBar. The density steps are the
// correlation's own, so rho is the very double Rho_Solid gives.
const double SolidScale = MolarMass * PascalPerBar;

}  // namespace

bool solid(double T, double P, unsigned need, Point *point) {
    const double Tk = kelvin(T);
    if (not_positive(Tk)) return false;
    const double e = elementary::exp(c::solid_density_exponent(T));
    const double s = c::solid_pressure_coefficient(e);
    const double rho0 = c::solid_zero_pressure_density(T);
    const double rho = s * P + rho0;
    const double rho1 = s + rho0;
    if (not_positive(rho) || not_positive(rho1)) return false;
    // L = ln(rho / rho1); I = L / s. At 1 bar rho is rho1 and L is ln 1 = 0
    // without taking it (unless both are infinite, and L NaN).
    const double L = rho == rho1 && std::isfinite(rho) ? 0.0 : elementary::log(rho / rho1);
    VolumeIntegral v = {L / s, 0.0, 0.0};
    if (need & (NeedS | NeedH | NeedCp)) {
        const double ds = c::solid_pressure_coefficient_slope(e);
        const double dds = c::solid_pressure_coefficient_curvature(ds);
        const double drho0 = c::solid_zero_pressure_density_slope(T);
        const double drho = ds * P + drho0;
        const double drho1 = ds + drho0;
        const double r = drho / rho;
        const double r1 = drho1 / rho1;
        const double L_T = r - r1;
        const double u = ds / s;
        v.I_T = (L_T - u * L) / s;
        if (need & NeedCp) {
            const double ddrho = dds * P + c::SolidZeroPressureDensityCurvature;
            const double ddrho1 = dds + c::SolidZeroPressureDensityCurvature;
            const double L_TT = (ddrho / rho - r * r) - (ddrho1 / rho1 - r1 * r1);
            v.I_TT = (L_TT - (u * 2.0) * L_T + ((u * u) * 2.0 - dds / s) * L) / s;
        }
    }
    add_volume_integral(crystal_standard(Tk, need), Tk, SolidScale, v, need, point);
    if (need & NeedV) point->V = SolidScale * (1.0 / rho);
    return true;
}

namespace {

// --- The liquid -------------------------------------------------------------------------------

// rho = 58443 / (Vm(T) D), D = 1 - 0.1 ln a, a = 1 + c P with c = 10 kappa(T),
// so the molar volume is 1e-6 Vm D m^3/mol and I = Vm J with J = the
// integral of D from 1 to P; k = 1e-6 * PascalPerBar. J, dJ/dT and d2J/dT2
// have closed forms in ln a and ln a1 (a at 1 bar) that cancel badly where
// c P is small (near 277 degC c passes through 0), so there the power series
// in c P is summed instead.
constexpr double LiquidScale = 0.1;
// dc/dT.
constexpr double CompressionSlope = c::CompressionLinear * 10.0;
// Where |c| max(|P|, 1) is at most this, the series: its terms fall by the
// same factor, so 16 of them reach below the last place of a double.
constexpr double SeriesBound = 1.0 / 16.0;
constexpr int SeriesTerms = 16;

struct LiquidAtT {
    double Vm, kappa, c;
};

LiquidAtT liquid_at(double T) {
    const double kappa = c::liquid_compression(T);
    return {c::liquid_volume(T), kappa, kappa * 10.0};
}

// Whether J is summed as the series: max(|P|, 1) is taken as fmax takes it
// (1 for a NaN P), without a call and without raising a flag.
bool by_series(double c, double P) {
    const double magnitude = std::fabs(P);
    return std::fabs(c) * (std::isgreater(magnitude, 1.0) ? magnitude : 1.0) <= SeriesBound;
}

// Whether a series' remaining terms, each at most `bound` in magnitude (and
// the bounds falling from term to term), can no longer change `sum`: adding
// 8 bound leaves it unchanged, so each such term is under a quarter of its
// last place, which rounding to nearest discards even at a power of two.
// Stopping there gives the very double that summing all the terms gives.
bool settled(double sum, double bound) { return sum + bound * 8.0 == sum; }

// The compression term D at P and at 1 bar, as the correlation computes it,
// with the logarithms it takes.
struct Compression {
    double a, a1, la, la1, D, D1;
};

// The compression term at P and at 1 bar; false, before any logarithm, where
// the logarithm's argument is not positive (no state: the compression term
// would be no number, or infinite).
bool compression(const LiquidAtT &at, double P, Compression *d) {
    const double a = c::liquid_log_argument(at.kappa, P);
    const double a1 = c::liquid_log_argument(at.kappa, 1.0);
    if (not_positive(a) || not_positive(a1)) return false;
    const double la = elementary::log(a);
    const double la1 = elementary::log(a1);
    *d = {a, a1, la, la1, c::liquid_compression_term(la), c::liquid_compression_term(la1)};
    return true;
}

bool liquid_exists(const LiquidAtT &at, const Compression &d) {
    return !(not_positive(at.Vm) || not_positive(d.D) || not_positive(d.D1));
}

// J = the integral of D = 1 - 0.1 ln(1 + c p) over p from 1 to P. In the
// series' domain; its terms c^n (P^(n+1) - 1) / (n (n+1)) are at most
// |(c P)^n P| + |c^n| and fall by |c| max(|P|, 1) <= 1/16 each.
double liquid_J_by_series(double c, double P) {
    // ln(1 + x) = sum (-1)^(n+1) x^n / n, integrated: c^n (P^(n+1) - 1) / (n (n+1)).
    const double x = c * P;
    double xn = 1.0, cn = 1.0, sum = 0.0, sign = 1.0;
    for (int n = 1; n <= SeriesTerms; ++n) {
        xn = xn * x;
        cn = cn * c;
        const double xnP = xn * P;
        if (settled(sum, std::fabs(xnP) + std::fabs(cn))) break;
        sum = sum + sign * (xnP - cn) / static_cast<double>(n * (n + 1));
        sign = -sign;
    }
    return (P - 1.0) - sum * 0.1;
}

// J in closed form, outside the series' domain.
double liquid_J_closed(double c, const Compression &d, double P) {
    return (P - 1.0) * 1.1 - ((d.a * d.la - d.a1 * d.la1) / c) * 0.1;
}

// ln r for r near 1: the series of ln(1 + z), z = r - 1 (exact for such r),
// to z^6 where |z| <= 2^-10, which leaves out under 2^-62 of the result;
// elsewhere the correctly rounded logarithm.
constexpr double LogSeriesBound = 1.0 / 1024.0;

}  // namespace

double log_near_one(double r) {
    const double z = r - 1.0;
    if (!std::islessequal(std::fabs(z), LogSeriesBound)) return elementary::log(r);
    return z * (1.0 - z * (0.5 - z * (1.0 / 3.0 - z * (0.25 - z * (0.2 - z * (1.0 / 6.0))))));
}

bool liquid(double T, double P, unsigned need, Point *point) {
    const double Tk = kelvin(T);
    if (not_positive(Tk) || !liquid_has_standard(Tk)) return false;
    const LiquidAtT at = liquid_at(T);
    if (not_positive(at.Vm)) return false;
    const double c = at.c;
    // Which pieces the quantities need: G the integral alone, H and S its
    // first derivative in T, Cp both derivatives, V the compression term.
    const bool needs_first = (need & (NeedS | NeedH | NeedCp)) != 0;
    const bool needs_second = (need & NeedCp) != 0;
    // dJ/dT = -0.1 c' * (integral of p / (1 + c p)), d2J/dT2 = 0.1 c'^2 * (integral of p^2 / (1 + c p)^2).
    double J, first = 0.0, second = 0.0, D;
    if (by_series(c, P)) {
        // Here |c P| and |c| are at most 1/16, so D and D1 lie within 0.7 % of 1:
        // the liquid exists wherever Vm is positive. At 1 bar the integrals from
        // 1 bar vanish (every term is +0) and the standard state is the state.
        J = P == 1.0 ? 0.0 : liquid_J_by_series(c, P);
        D = (need & NeedV) ? c::liquid_compression_term(log_near_one(c::liquid_log_argument(at.kappa, P))) : 1.0;
        if (needs_first && P != 1.0) {
            // Terms at most |(c P)^n P^2| + |c^n| and |(c P)^n P^3| + |c^n|, falling by 1/16 or more each.
            const double x = c * P;
            const double PP = P * P;
            double xn = 1.0, cn = 1.0, sign = 1.0;
            for (int n = 0; n < SeriesTerms; ++n) {
                const double xnPP = xn * PP;
                const double xnPPP = xn * (PP * P);
                if (settled(first, std::fabs(xnPP) + std::fabs(cn)) &&
                    (!needs_second || settled(second, std::fabs(xnPPP) + std::fabs(cn)))) {
                    break;
                }
                first = first + sign * (xnPP - cn) / static_cast<double>(n + 2);
                if (needs_second) {
                    second = second + sign * static_cast<double>(n + 1) * (xnPPP - cn) / static_cast<double>(n + 3);
                }
                xn = xn * x;
                cn = cn * c;
                sign = -sign;
            }
        }
    } else {
        Compression d;
        if (!compression(at, P, &d) || !liquid_exists(at, d)) return false;
        J = liquid_J_closed(c, d, P);
        D = d.D;
        const double dla = d.la - d.la1;
        first = (P - 1.0) / c - dla / (c * c);
        second = (((d.a - d.a1) - dla * 2.0) - (1.0 / d.a - 1.0 / d.a1)) / ((c * c) * c);
    }
    const double J_T = -(CompressionSlope * 0.1) * first;
    const double J_TT = ((CompressionSlope * CompressionSlope) * 0.1) * second;
    const double dVm = c::liquid_volume_slope(T);
    const VolumeIntegral v = {
        at.Vm * J,
        dVm * J + at.Vm * J_T,
        (c::LiquidVolumeCurvature * J + (dVm * J_T) * 2.0) + at.Vm * J_TT,
    };
    add_volume_integral(from_polynomials(LiquidData, Tk, need), Tk, LiquidScale, v, need, point);
    if (need & NeedV) point->V = LiquidScale * (at.Vm * D);
    return true;
}

// --- The vapour -------------------------------------------------------------------------------

namespace {

// The shift of the vapour's Gibbs energy per mole of NaCl at Tk (adjustments.h).
double vapour_gibbs_shift(double Tk) { return adjustments::VapourEntropyShift * (adjustments::VapourPivot - Tk); }

}  // namespace

bool vapour_is_dilute(double rho, double T) {
    const double Vm = c::liquid_volume(T);
    if (!std::isgreater(Vm, 0.0)) return true;
    return std::islessequal(rho, adjustments::VapourDensityShare * (c::LiquidMassFactor / Vm));
}

VapourSpecies vapour_species(double Tk, double lnT) {
    const double shift = vapour_gibbs_shift(Tk);
    return {GasConstant * Tk, standard_g(MonomerData, Tk, lnT) + shift, standard_g(DimerData, Tk, lnT) + shift * 2.0};
}

// Mole fractions y1 (NaCl) and y2 (Na2Cl2) of 2 NaCl = Na2Cl2 at equilibrium:
// y2 / (y1^2 P) = K with P in units of the standard pressure (1 bar), so
// y1 = 2 / (1 + sqrt(1 + 4 K P)). Of y2 = 1 - y1 and y2 = K P y1^2 the form
// that keeps the digits is taken: the first where the dimer dominates, the
// second where it is scarce. Where K P passes e^700 (in the cold, K alone
// does) it is not formed, which would overflow: y1 is then 1 / sqrt(K P),
// whose next term is below 1e-150 of it. At P = 0 the vapour is all monomer,
// and no species' data are needed for its composition.
constexpr double LargestExponent = 700.0;
bool vapour_state(double T, double P, unsigned need, Vapour *v) {
    const double Tk = kelvin(T);
    if (not_positive(Tk) || std::isless(P, 0.0)) return false;
    v->Tk = Tk;
    v->RT = GasConstant * Tk;
    if (need & (NeedH | NeedS | NeedCp)) {
        v->h1 = standard_h(MonomerData, Tk) + adjustments::VapourEnthalpyShift;
        v->h2 = standard_h(DimerData, Tk) + adjustments::VapourEnthalpyShift * 2.0;
    }
    if (P != 0.0 || (need & (NeedG | NeedS))) {
        const double lnT = elementary::log(Tk);
        const double shift = vapour_gibbs_shift(Tk);
        v->g1 = standard_g(MonomerData, Tk, lnT) + shift;
        v->g2 = standard_g(DimerData, Tk, lnT) + shift * 2.0;
        v->lnK = -((v->g2 - v->g1 * 2.0) / v->RT);
    }
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
                std::isgreater(v->lnK, LargestExponent) ? elementary::exp(lnKP) : elementary::exp(v->lnK) * P;
            v->y1 = 2.0 / (1.0 + std::sqrt(KP * 4.0 + 1.0));
            v->y2 = std::islessequal(v->y1, 0.5) ? 1.0 - v->y1 : KP * (v->y1 * v->y1);
        }
    }
    v->w = v->y1 + v->y2 * 2.0;
    // A vapour at zero pressure has no density, whatever the temperature.
    return P == 0.0 || vapour_is_dilute(((P * PascalPerBar) * (MolarMass * v->w)) / v->RT, T);
}

namespace {

double vapour_enthalpy(const Vapour &v) { return (v.y1 * v.h1 + v.y2 * v.h2) / v.w; }

// The chemical potential of NaCl, from whichever species dominates (the two
// agree at equilibrium).
double vapour_gibbs(const Vapour &v, double P) {
    return std::isgreaterequal(v.y1, v.y2) ? v.g1 + v.RT * elementary::log(v.y1 * P)
                                           : (v.g2 + v.RT * elementary::log(v.y2 * P)) * 0.5;
}

}  // namespace

double vapour_frozen_heat_capacity(const Vapour &v) {
    // The species' heat capacities weighted by the share z of NaCl bound in dimers.
    const double z = (v.y2 * 2.0) / v.w;
    const double cp1 = standard_cp(MonomerData, v.Tk);
    const double cp2 = standard_cp(DimerData, v.Tk);
    return cp1 + z * (cp2 * 0.5 - cp1);
}

bool vapour(double T, double P, unsigned need, Point *point) {
    Vapour v;
    if (!vapour_state(T, P, need, &v)) return false;
    if (need & (NeedG | NeedS)) point->G = vapour_gibbs(v, P);
    if (need & (NeedH | NeedS)) point->H = vapour_enthalpy(v);
    if (need & NeedS) point->S = (point->H - point->G) / v.Tk;
    if (need & NeedCp) {
        // (dH/dT)_P: the frozen heat capacity plus the heat of the shift in
        // the composition with T (van 't Hoff).
        const double dH = v.h2 - v.h1 * 2.0;
        point->Cp =
            vapour_frozen_heat_capacity(v) + ((v.y1 * v.y2) * (dH * dH)) / ((v.RT * v.Tk) * ((v.w * v.w) * v.w));
    }
    if (need & NeedV) point->V = v.RT / (P * v.w);
    return true;
}

// --- Condensed phases along an isotherm -------------------------------------------------------

namespace {

const Along NotEvaluated = {std::numeric_limits<double>::quiet_NaN(), 0.0};

// A lower bound of a phase's Gibbs energy at P from its value g0 at 1 bar and
// a bound of the molar volume between 1 bar and P (J/(mol bar)), widened far
// beyond the rounding of either.
double lowest(double g0, double volume, double P) {
    return (g0 - (volume * std::fabs(P - 1.0)) * 1.000001) - std::fabs(g0) * 0x1p-40;
}

}  // namespace

SolidIsotherm::SolidIsotherm(double T, double g0) : T_(T), g0_(g0), rho0_(c::solid_zero_pressure_density(T)) {}

Along SolidIsotherm::at(double P) {
    if (!ready_) {
        s_ = c::solid_pressure_coefficient(elementary::exp(c::solid_density_exponent(T_)));
        rho1_ = s_ + rho0_;
        ready_ = true;
    }
    const double rho = s_ * P + rho0_;
    if (not_positive(rho) || not_positive(rho1_)) return NotEvaluated;
    return {g0_ + SolidScale * (log_near_one(rho / rho1_) / s_), SolidScale * (1.0 / rho)};
}

// At P >= 0 the density is at least rho0 (s > 0), so the molar volume at most MolarMass / rho0.
double SolidIsotherm::lowest_at(double P) const {
    if (!std::isgreaterequal(P, 0.0) || !std::isgreater(rho0_, 0.0)) return -std::numeric_limits<double>::infinity();
    return lowest(g0_, SolidScale / rho0_, P);
}

LiquidIsotherm::LiquidIsotherm(double T, double g0) : g0_(g0) {
    const LiquidAtT at = liquid_at(T);
    Vm_ = at.Vm;
    kappa_ = at.kappa;
    c_ = at.c;
}

// In the series' domain D only sets the iteration's slope (and is positive).
Along LiquidIsotherm::at(double P) const {
    if (std::isnan(g0_)) return NotEvaluated;
    if (by_series(c_, P)) {
        if (not_positive(Vm_)) return NotEvaluated;
        // At 1 bar the integral from 1 bar is +0, as in liquid().
        const double J = P == 1.0 ? 0.0 : liquid_J_by_series(c_, P);
        const double D = c::liquid_compression_term(log_near_one(c::liquid_log_argument(kappa_, P)));
        return {g0_ + LiquidScale * (Vm_ * J), LiquidScale * (Vm_ * D)};
    }
    Compression d;
    if (!compression({Vm_, kappa_, c_}, P, &d) || !liquid_exists({Vm_, kappa_, c_}, d)) return NotEvaluated;
    return {g0_ + LiquidScale * (Vm_ * liquid_J_closed(c_, d, P)), LiquidScale * (Vm_ * d.D)};
}

// In the series' domain D < 1.01 between 1 bar and P (P >= 0).
double LiquidIsotherm::lowest_at(double P) const {
    if (std::isnan(g0_) || !std::isgreaterequal(P, 0.0) || !by_series(c_, P) || !std::isgreater(Vm_, 0.0)) {
        return -std::numeric_limits<double>::infinity();
    }
    return lowest(g0_, LiquidScale * (Vm_ * 1.01), P);
}

// --- Standard states for the iterations, and the elements ----------------------------------------

double crystal_standard_gibbs(double Tk, double lnT) {
    if (Tk < adjustments::JoinTemperature) return crystal_below_join(Tk, NeedG).G;
    return standard_g(CrystalData, Tk, lnT);
}

double liquid_standard_gibbs(double Tk, double lnT) {
    if (!liquid_has_standard(Tk)) return std::numeric_limits<double>::quiet_NaN();
    return standard_g(LiquidData, Tk, lnT);
}

// Sodium's reference state at each temperature is whichever of crystal,
// liquid and gas has the lowest Gibbs energy, as the tables choose it. The
// crystal takes part only up to its melting point, where its data end:
// extrapolated beyond, its polynomial's heat capacity grows as T^3, and from
// about 700 K its Gibbs energy would fall below the liquid's and the gas's.
bool elements_gibbs(double T, double *G) {
    const double Tk = kelvin(T);
    if (!std::isgreaterequal(Tk, thermochemistry::SodiumCrystal.fitted_from)) return false;
    const double lnT = elementary::log(Tk);
    const double liquid = standard_g(SodiumLiquidData, Tk, lnT);
    const double gas = standard_g(SodiumGasData, Tk, lnT);
    double sodium = std::fmin(liquid, gas);
    if (Tk <= thermochemistry::SodiumCrystal.fitted_to) {
        sodium = std::fmin(standard_g(SodiumCrystalData, Tk, lnT), sodium);
    }
    *G = sodium + standard_g(ChlorineData, Tk, lnT) * 0.5;
    return true;
}

}  // namespace phases
}  // namespace Halx

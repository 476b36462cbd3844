// The caloric properties, each an explicit sequence of rounded double
// operations compiled under the exact-FP flags like Derived.cpp, with the
// correctly rounded exp and log of elementary.h and the correctly rounded
// sqrt of IEEE 754: the same bits everywhere, and tests/reference.py repeats
// every step in Python.
//
// Condensed phases: G(T, P) = G0(T) + k I(T, P) with I = the integral of the
// molar volume from 1 bar to P, in closed form; S = S0 - k dI/dT,
// H = H0 + k (I - Tk dI/dT), Cp = Cp0 - k Tk d2I/dT2, where G0, H0, S0, Cp0
// are the standard-state functions of the data at 1 bar and k converts I to
// J/mol.
#include "Caloric.h"

#include <cmath>
#include <limits>

#include "Halx.h"
#include "elementary.h"
#include "shared.h"
#include "thermochemistry.h"

namespace Halx {

namespace {

using shared::GasConstant;
using shared::not_positive;
using shared::PascalPerBar;
using shared::undefined;
using thermochemistry::Species;

// Temperature in kelvin; a state at or below absolute zero has none.
double kelvin(double T) { return T + 273.15; }
bool no_temperature(double Tk) { return not_positive(Tk); }

// Which of the four caloric quantities a function gives: each is assembled
// from only the pieces it needs, so H_Solid takes no logarithm of T and
// G_Liquid sums no derivative series.
enum class Quantity { Cp, H, S, G };

// --- Standard-state functions of one species at 1 bar ----------------------------------------

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

const Interval &interval_at(const Polynomials &data, double Tk) { return Tk <= data.split ? data.low : data.high; }

// Cp in J/(mol K), H in J/mol, S in J/(mol K), per mole of the species; lnT = ln Tk.
double standard_cp(const Polynomials &data, double Tk) {
    const double *c = interval_at(data, Tk).cp;
    return ((((c[4] * Tk + c[3]) * Tk + c[2]) * Tk + c[1]) * Tk + c[0]) * GasConstant;
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

// --- The integral of the molar volume from 1 bar ---------------------------------------------

// I(T, P) and its first two derivatives in T; k * I is in J/mol.
struct VolumeIntegral {
    double I, I_T, I_TT;
};

template <Quantity quantity>
double condensed(const Polynomials &data, double Tk, double k, const VolumeIntegral &v) {
    if constexpr (quantity == Quantity::Cp) {
        return standard_cp(data, Tk) - k * (Tk * v.I_TT);
    } else if constexpr (quantity == Quantity::H) {
        return standard_h(data, Tk) + k * (v.I - Tk * v.I_T);
    } else if constexpr (quantity == Quantity::S) {
        return standard_s(data, Tk, elementary::log(Tk)) - k * v.I_T;
    } else {
        return standard_g(data, Tk, elementary::log(Tk)) + k * v.I;
    }
}

// The solid: rho = s(T) P + rho0(T), so I = (1/s) ln(rho(P) / rho(1)) with
// I in bar m^3/kg, and k = MolarMass * PascalPerBar. The density steps are
// the correlation's own, so rho is the very double Rho_Solid gives.
struct SolidAtT {
    double e, s, rho0;
};

SolidAtT solid_at(double T) {
    const double e = elementary::exp(T / 733.4);
    return {e, e * 0.002715 + 0.005727, (2170.4 - T * 0.24599) - (T * 9.5797e-5) * T};
}

const double SolidScale = MolarMass * PascalPerBar;

template <Quantity quantity>
double solid(double T, double P) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined();
    const SolidAtT at = solid_at(T);
    const double rho = at.s * P + at.rho0;
    const double rho1 = at.s + at.rho0;
    if (not_positive(rho) || not_positive(rho1)) return undefined();
    // Derivatives in T of s and of the two densities.
    const double ds = (at.e * 0.002715) / 733.4;
    const double dds = ds / 733.4;
    const double drho0 = -0.24599 - (T * 9.5797e-5) * 2.0;
    const double ddrho0 = -(9.5797e-5 * 2.0);
    const double drho = ds * P + drho0;
    const double drho1 = ds + drho0;
    const double ddrho = dds * P + ddrho0;
    const double ddrho1 = dds + ddrho0;
    // L = ln(rho / rho1) and its derivatives; I = L / s. At 1 bar rho is rho1
    // and L is ln 1 = 0 without taking it (unless both are infinite, and L NaN).
    const double L = rho == rho1 && std::isfinite(rho) ? 0.0 : elementary::log(rho / rho1);
    const double r = drho / rho;
    const double r1 = drho1 / rho1;
    const double L_T = r - r1;
    const double L_TT = (ddrho / rho - r * r) - (ddrho1 / rho1 - r1 * r1);
    const double u = ds / at.s;
    const VolumeIntegral v = {
        L / at.s,
        (L_T - u * L) / at.s,
        (L_TT - (u * 2.0) * L_T + ((u * u) * 2.0 - dds / at.s) * L) / at.s,
    };
    return condensed<quantity>(CrystalData, Tk, SolidScale, v);
}

// The liquid: rho = 58443 / (Vm(T) D), D = 1 - 0.1 ln a, a = 1 + c P with
// c = 10 kappa(T), so the molar volume is 1e-6 Vm D m^3/mol and
// I = Vm J with J = the integral of D from 1 to P; k = 1e-6 * PascalPerBar.
// J, dJ/dT and d2J/dT2 have closed forms in ln a and ln a1 (a at 1 bar) that
// cancel badly where c P is small (near 277 degC c passes through 0), so
// there the power series in c P is summed instead.
constexpr double LiquidScale = 0.1;
// dc/dT.
constexpr double CompressionSlope = 5.5058e-7;
// Where |c| max(|P|, 1) is at most this, the series: its terms fall by the
// same factor, so 16 of them reach below the last place of a double.
constexpr double SeriesBound = 1.0 / 16.0;
constexpr int SeriesTerms = 16;

struct LiquidAtT {
    double Vm, kappa, c;
};

LiquidAtT liquid_at(double T) {
    const double kappa = T * 5.5058e-8 - 1.5259e-5;
    return {(T * 0.018639 + 23.772) - (T * 1.9687e-6) * T, kappa, kappa * 10.0};
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

Compression compression(const LiquidAtT &at, double P) {
    const double a = at.kappa * (P * 10.0) + 1.0;
    const double a1 = at.kappa * 10.0 + 1.0;
    const double la = elementary::log(a);
    const double la1 = elementary::log(a1);
    return {a, a1, la, la1, 1.0 - la * 0.1, 1.0 - la1 * 0.1};
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

template <Quantity quantity>
double liquid(double T, double P) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined();
    const LiquidAtT at = liquid_at(T);
    if (not_positive(at.Vm)) return undefined();
    const double c = at.c;
    // Which pieces the quantity needs: G the integral alone, H and S its first
    // derivative in T, Cp both derivatives.
    constexpr bool needs_first = quantity != Quantity::G;
    constexpr bool needs_second = quantity == Quantity::Cp;
    // dJ/dT = -0.1 c' * (integral of p / (1 + c p)), d2J/dT2 = 0.1 c'^2 * (integral of p^2 / (1 + c p)^2).
    double J, first = 0.0, second = 0.0;
    if (by_series(c, P)) {
        // Here |c P| and |c| are at most 1/16, so D and D1 lie within 0.7 % of 1:
        // the liquid exists wherever Vm is positive. At 1 bar the integrals from
        // 1 bar vanish (every term is +0) and the standard state is the state.
        J = P == 1.0 ? 0.0 : liquid_J_by_series(c, P);
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
        const Compression d = compression(at, P);
        if (!liquid_exists(at, d)) return undefined();
        J = liquid_J_closed(c, d, P);
        const double dla = d.la - d.la1;
        first = (P - 1.0) / c - dla / (c * c);
        second = (((d.a - d.a1) - dla * 2.0) - (1.0 / d.a - 1.0 / d.a1)) / ((c * c) * c);
    }
    const double J_T = -(CompressionSlope * 0.1) * first;
    const double J_TT = ((CompressionSlope * CompressionSlope) * 0.1) * second;
    const double dVm = 0.018639 - (T * 1.9687e-6) * 2.0;
    const double ddVm = -(1.9687e-6 * 2.0);
    const VolumeIntegral v = {
        at.Vm * J,
        dVm * J + at.Vm * J_T,
        (ddVm * J + (dVm * J_T) * 2.0) + at.Vm * J_TT,
    };
    return condensed<quantity>(LiquidData, Tk, LiquidScale, v);
}

// --- The vapour -------------------------------------------------------------------------------

// Mole fractions y1 (NaCl) and y2 (Na2Cl2) of 2 NaCl = Na2Cl2 at equilibrium:
// y2 / (y1^2 P) = K with P in units of the standard pressure (1 bar), so
// y1 = 2 / (1 + sqrt(1 + 4 K P)). Of y2 = 1 - y1 and y2 = K P y1^2 the form
// that keeps the digits is taken: the first where the dimer dominates (and
// K P may be infinite), the second where it is scarce. ln T is taken once,
// for both species' entropies.
struct Vapour {
    double Tk, RT, y1, y2, w;  // w = y1 + 2 y2: moles of NaCl per mole of molecules
    double h1, h2, g1, g2;     // each species' enthalpy and Gibbs energy at 1 bar, J/mol
};

bool vapour_at(double T, double P, Vapour *v) {
    v->Tk = kelvin(T);
    if (no_temperature(v->Tk) || std::isless(P, 0.0)) return false;
    const double Tk = v->Tk;
    const double lnT = elementary::log(Tk);
    v->RT = GasConstant * Tk;
    v->h1 = standard_h(MonomerData, Tk);
    v->h2 = standard_h(DimerData, Tk);
    v->g1 = v->h1 - Tk * standard_s(MonomerData, Tk, lnT);
    v->g2 = v->h2 - Tk * standard_s(DimerData, Tk, lnT);
    const double K = elementary::exp(-((v->g2 - v->g1 * 2.0) / v->RT));
    // At P = 0 the vapour is all monomer, even where K overflows.
    const double KP = P == 0.0 ? 0.0 : K * P;
    v->y1 = 2.0 / (1.0 + std::sqrt(KP * 4.0 + 1.0));
    v->y2 = v->y1 <= 0.5 ? 1.0 - v->y1 : KP * (v->y1 * v->y1);
    v->w = v->y1 + v->y2 * 2.0;
    return true;
}

double vapour_enthalpy(const Vapour &v) { return (v.y1 * v.h1 + v.y2 * v.h2) / v.w; }

// The chemical potential of NaCl, from whichever species dominates (the two
// agree at equilibrium).
double vapour_gibbs(const Vapour &v, double P) {
    return v.y1 >= v.y2 ? v.g1 + v.RT * elementary::log(v.y1 * P) : (v.g2 + v.RT * elementary::log(v.y2 * P)) * 0.5;
}

template <Quantity quantity>
double vapour(double T, double P) {
    Vapour v;
    if (!vapour_at(T, P, &v)) return undefined();
    if constexpr (quantity == Quantity::H) {
        return vapour_enthalpy(v);
    } else if constexpr (quantity == Quantity::G) {
        return vapour_gibbs(v, P);
    } else if constexpr (quantity == Quantity::S) {
        return (vapour_enthalpy(v) - vapour_gibbs(v, P)) / v.Tk;
    } else {
        // (dH/dT)_P: the species' heat capacities, weighted by the share z of
        // NaCl bound in dimers, plus the heat of the shift in z with T (van 't Hoff).
        const double z = (v.y2 * 2.0) / v.w;
        const double cp1 = standard_cp(MonomerData, v.Tk);
        const double cp2 = standard_cp(DimerData, v.Tk);
        const double dH = v.h2 - v.h1 * 2.0;
        return (cp1 + z * (cp2 * 0.5 - cp1)) + ((v.y1 * v.y2) * (dH * dH)) / ((v.RT * v.Tk) * ((v.w * v.w) * v.w));
    }
}

// --- The vapour pressure ------------------------------------------------------------------------

// The iteration for the vapour pressure evaluates the condensed phase and the
// partial pressures at pressures that differ by parts per million at most
// after its first step, so two transcendental functions are cheaper near a
// point already known. Both agree with the correctly rounded functions to
// within an ulp or so, far inside the rounding of the condensed phase's Gibbs
// energy (near 1e5 J/mol) that the partial pressures' exponentials magnify.

// ln r for r near 1: the series of ln(1 + z), z = r - 1 (exact for such r),
// to z^6 where |z| <= 2^-10, which leaves out under 2^-62 of the result;
// elsewhere the correctly rounded logarithm. ln 1 is +0 without a call, and
// the liquid's ln(1 + c) at 1 bar is a series up to about 2000 degC.
constexpr double LogSeriesBound = 1.0 / 1024.0;

double log_near_one(double r) {
    const double z = r - 1.0;
    if (!std::islessequal(std::fabs(z), LogSeriesBound)) return elementary::log(r);
    return z * (1.0 - z * (0.5 - z * (1.0 / 3.0 - z * (0.25 - z * (0.2 - z * (1.0 / 6.0))))));
}

// e^x for x near an anchor x0 whose e^x0 is known: e^x0 + e^x0 (e^d - 1)
// with d = x - x0, e^d - 1 by its series to d^5 where |d| <= 2^-10,
// which leaves out under 2^-59 of it; elsewhere the correctly rounded e^x,
// which becomes the anchor. The first call always anchors (x0 is NaN).
constexpr double ExpSeriesBound = 1.0 / 1024.0;

struct NearExp {
    double x0 = std::numeric_limits<double>::quiet_NaN(), e0 = 0.0;

    double operator()(double x) {
        const double d = x - x0;
        if (!std::islessequal(std::fabs(d), ExpSeriesBound)) {
            x0 = x;
            e0 = elementary::exp(x);
            return e0;
        }
        const double m = d * (1.0 + d * (0.5 + d * (1.0 / 6.0 + d * (1.0 / 24.0 + d * (1.0 / 120.0)))));
        return e0 + e0 * m;
    }
};

// The Gibbs energy gc (J/mol) and molar volume v (J/(mol bar)) of a condensed
// phase at one pressure; gc is NaN where the phase does not exist there, or
// where it was not evaluated.
struct AtPressure {
    double gc, v;
};

const AtPressure NotEvaluated = {std::numeric_limits<double>::quiet_NaN(), 0.0};

// A lower bound of a phase's Gibbs energy at P from its value g0 at 1 bar and
// a bound of the molar volume between 1 bar and P (J/(mol bar)), widened far
// beyond the rounding of either.
double lowest(double g0, double volume, double P) {
    return (g0 - (volume * std::fabs(P - 1.0)) * 1.000001) - std::fabs(g0) * 0x1p-40;
}

// The solid at one temperature, as a function of pressure: the correlation's
// density steps, as in solid(). Its density's exponential is taken on first
// use, and not at all where the liquid is always the lower.
class SolidIsotherm {
public:
    SolidIsotherm(double T, double g0) : T_(T), g0_(g0), rho0_((2170.4 - T * 0.24599) - (T * 9.5797e-5) * T) {}

    AtPressure operator()(double P) {
        if (!ready_) {
            at_ = solid_at(T_);
            rho1_ = at_.s + at_.rho0;
            ready_ = true;
        }
        const double rho = at_.s * P + at_.rho0;
        if (not_positive(rho) || not_positive(rho1_)) return NotEvaluated;
        return {g0_ + SolidScale * (log_near_one(rho / rho1_) / at_.s), SolidScale * (1.0 / rho)};
    }

    // At P >= 0 the density is at least rho0 (s > 0), so the molar volume at most MolarMass / rho0.
    double lowest_at(double P) const {
        if (!std::isgreaterequal(P, 0.0) || !std::isgreater(rho0_, 0.0))
            return -std::numeric_limits<double>::infinity();
        return lowest(g0_, SolidScale / rho0_, P);
    }

    double standard() const { return g0_; }

private:
    double T_, g0_, rho0_;
    bool ready_ = false;
    SolidAtT at_{};
    double rho1_ = 0.0;
};

// The liquid at one temperature, as a function of pressure, as in liquid().
// In the series' domain D only sets the iteration's slope (and is positive).
class LiquidIsotherm {
public:
    LiquidIsotherm(double T, double g0) : g0_(g0), at_(liquid_at(T)) {}

    AtPressure operator()(double P) const {
        if (by_series(at_.c, P)) {
            if (not_positive(at_.Vm)) return NotEvaluated;
            // At 1 bar the integral from 1 bar is +0, as in liquid().
            const double J = P == 1.0 ? 0.0 : liquid_J_by_series(at_.c, P);
            const double D = 1.0 - log_near_one(at_.kappa * (P * 10.0) + 1.0) * 0.1;
            return {g0_ + LiquidScale * (at_.Vm * J), LiquidScale * (at_.Vm * D)};
        }
        const Compression d = compression(at_, P);
        if (!liquid_exists(at_, d)) return NotEvaluated;
        return {g0_ + LiquidScale * (at_.Vm * liquid_J_closed(at_.c, d, P)), LiquidScale * (at_.Vm * d.D)};
    }

    // In the series' domain D < 1.01 between 1 bar and P (P >= 0).
    double lowest_at(double P) const {
        if (!std::isgreaterequal(P, 0.0) || !by_series(at_.c, P) || !std::isgreater(at_.Vm, 0.0))
            return -std::numeric_limits<double>::infinity();
        return lowest(g0_, LiquidScale * (at_.Vm * 1.01), P);
    }

    double standard() const { return g0_; }

private:
    double g0_;
    LiquidAtT at_;
};

// The condensed phase of lower Gibbs energy at P; one that does not exist at
// P gives way to the other. The comparisons are quiet: a phase not evaluated
// is NaN, and raises no invalid-operation flag. The phase lower at 1 bar is evaluated first, and
// the other only if it could be lower: the choice is the one evaluating both
// would make.
AtPressure condensed_phase(SolidIsotherm &solid, const LiquidIsotherm &liquid, double P) {
    AtPressure in_solid = NotEvaluated, in_liquid = NotEvaluated;
    if (std::islessequal(solid.standard(), liquid.standard())) {
        in_solid = solid(P);
        if (!std::isless(in_solid.gc, liquid.lowest_at(P))) in_liquid = liquid(P);
    } else {
        in_liquid = liquid(P);
        if (!std::isless(in_liquid.gc, solid.lowest_at(P))) in_solid = solid(P);
    }
    return std::isless(in_solid.gc, in_liquid.gc) || std::isnan(in_liquid.gc) ? in_solid : in_liquid;
}

}  // namespace

double Cp_Solid(double T, double P) { return solid<Quantity::Cp>(T, P); }
double H_Solid(double T, double P) { return solid<Quantity::H>(T, P); }
double S_Solid(double T, double P) { return solid<Quantity::S>(T, P); }
double G_Solid(double T, double P) { return solid<Quantity::G>(T, P); }

double Cp_Liquid(double T, double P) { return liquid<Quantity::Cp>(T, P); }
double H_Liquid(double T, double P) { return liquid<Quantity::H>(T, P); }
double S_Liquid(double T, double P) { return liquid<Quantity::S>(T, P); }
double G_Liquid(double T, double P) { return liquid<Quantity::G>(T, P); }

double Cp_Vapour(double T, double P) { return vapour<Quantity::Cp>(T, P); }
double H_Vapour(double T, double P) { return vapour<Quantity::H>(T, P); }
double S_Vapour(double T, double P) { return vapour<Quantity::S>(T, P); }
double G_Vapour(double T, double P) { return vapour<Quantity::G>(T, P); }

double Rho_Vapour(double T, double P) {
    Vapour v;
    if (!vapour_at(T, P, &v)) return undefined();
    return ((P * PascalPerBar) * (MolarMass * v.w)) / v.RT;
}

double X_Dimer(double T, double P) {
    Vapour v;
    if (!vapour_at(T, P, &v)) return undefined();
    return v.y2;
}

// Newton's method on F(P) = P - p1(P) - p2(P), where the partial pressures
// follow from the equilibria with the condensed phase of Gibbs energy Gc:
// p1 = exp((Gc - G1) / RT), p2 = exp((2 Gc - G2) / RT), and dGc/dP is the
// condensed phase's molar volume v, so F' = 1 - (p1 + 2 p2) v / RT. Gc
// depends on P only through v, weakly. The iteration starts at 1 bar, where
// Gc is the standard state's (its integral from 1 bar is +0). Below 1 bar
// its first step lands within about (v / RT)^2 / 2 of the answer, relative
// (near 1e-7 from 500 to 1000 degC), or, where the answer lies below about
// 1e-12 bar, within the rounding of 1 - p, some 1e-16 bar (often on 0); the
// second step removes either. What does not depend on P is computed once.
//
// Near the answer the relative error shrinks as e' = |F''| P e^2 / (2 F'),
// with F'' = -(p1 + 4 p2) (v / RT)^2 - (p1 + 2 p2) v' / RT and v' = dv/dP.
// The second part is at most r = |v'| RT / v^2 times the first: about 1
// below 4000 degC, a few thousand where the liquid's volume vanishes (near
// 10600 degC). With the step dP (which is e P, near enough) that makes
// e' <= 2 (1 + r) (v dP / RT)^2 / F'. Once |v dP| <= 2^-36 RT F' (and
// F' <= 1), e' <= 2^-71 (1 + r), under 2^-58: the step just taken leaves
// less than a rounding error, and one more evaluation would only confirm it.
// Below 1 bar that is the second step. Otherwise the iteration stops at a
// step that leaves P unchanged, or after MaxSteps.
constexpr double ConvergedStep = 0x1p-36;
constexpr int MaxSteps = 32;

double P_Vapour(double T) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined();
    const double lnT = elementary::log(Tk);
    const double RT = GasConstant * Tk;
    const double g1 = standard_g(MonomerData, Tk, lnT);
    const double g2 = standard_g(DimerData, Tk, lnT);
    SolidIsotherm solid(T, standard_g(CrystalData, Tk, lnT));
    const LiquidIsotherm liquid(T, standard_g(LiquidData, Tk, lnT));
    NearExp monomer_pressure, dimer_pressure;
    double P = 1.0;
    for (int step = 0; step < MaxSteps; ++step) {
        const AtPressure condensed = condensed_phase(solid, liquid, P);
        if (std::isnan(condensed.gc)) return undefined();
        const double p1 = monomer_pressure((condensed.gc - g1) / RT);
        const double p2 = dimer_pressure((condensed.gc * 2.0 - g2) / RT);
        const double F = P - (p1 + p2);
        // F / F' with RT F' = RT - (p1 + 2 p2) v: one division.
        const double slope = RT - (p1 + p2 * 2.0) * condensed.v;
        const double change = (F * RT) / slope;
        const double next = P - change;
        if (next == P || std::isnan(next)) return next;
        if (std::fabs(change * condensed.v) <= slope * ConvergedStep) return next;
        P = next;
    }
    return P;
}

}  // namespace Halx

// The Gibbs energy surface of each phase of sodium chloride, and what its
// derivatives give: the one source of the caloric properties (Caloric.cpp),
// of the phase boundaries, the phase and the latent heats (Surface.cpp), and
// of their array kernels (kernels/). Internal to the model (not installed);
// compiled only into files built under the exact-FP flags.
//
// The arithmetic is written once, here, as templates over an arithmetic A,
// as correlations.h writes the correlations: A::V is the number type (a
// double in phases.cpp and Surface.cpp, a SIMD vector of doubles in the
// kernels), A::M what its comparisons give (bool, or a vector of lane
// masks), and an object of A applies exp and log between the steps (the
// correctly rounded functions for a double; for a vector, their fast paths,
// deferring the lanes they cannot settle). Every product, quotient, sum and
// difference is rounded on its own in the grouping written here, so a lane
// and a scalar call with the same inputs take the same steps to the same
// bits. What a phase does where it has no state, and its rare branches (the
// crystal below 298.15 K, the cold vapour), are the callers': phases.cpp
// branches, the kernels defer the lane to phases.cpp.
//
// Per mole of NaCl throughout (a dimer counts as two): G and H in J/mol,
// relative to the elements in their reference states at 298.15 K; S and Cp
// in J/(mol K), S absolute; V, the molar volume (dG/dP)_T, in J/(mol bar).
//
// Error convention: an evaluator returns false, with nothing written, where
// its phase has no state at (T, P); it raises no floating-point flag of its
// own. Its caller decides what NaN that becomes. T and P must not be NaN
// (callers hand NaN arguments back unchanged before they get here).
#ifndef HALX_MODEL_PHASES_H
#define HALX_MODEL_PHASES_H

#include <cmath>

#include "Halx.h"
#include "adjustments.h"
#include "correlations.h"
#include "elementary.h"
#include "shared.h"
#include "thermochemistry.h"

namespace Halx {
namespace phases {

// What an evaluation is asked for, or'ed together; what is not asked for is
// not computed (H_Solid takes no logarithm of T, G_Liquid sums no derivative).
enum Need : unsigned { NeedG = 1, NeedS = 2, NeedH = 4, NeedCp = 8, NeedV = 16 };

template <class N>
struct PointOf {
    N G{}, S{}, H{}, Cp{}, V{};
};
using Point = PointOf<double>;

// The arithmetic of the scalar model: doubles, and the correctly rounded
// functions of elementary.h. Its comparisons that may meet a NaN are quiet
// (a vector's lanes hold none), and min is fmin's.
struct ScalarArithmetic {
    using V = double;
    using M = bool;
    static V splat(double c) { return c; }
    static V select(M m, V a, V b) { return m ? a : b; }
    static bool any(M m) { return m; }
    static V abs(V x) { return std::fabs(x); }
    static V sqrt(V x) { return std::sqrt(x); }
    static V min(V a, V b) { return std::fmin(a, b); }
    static M less_equal(V a, V b) { return std::islessequal(a, b); }
    static M greater_equal(V a, V b) { return std::isgreaterequal(a, b); }
    static bool all(M m) { return m; }
    static M mask(bool m) { return m; }
    V exp(V x) const { return elementary::exp(x); }
    V log(V x) const { return elementary::log(x); }
    // ln(rho / rho1) for densities of one isotherm: at 1 bar rho is rho1,
    // and the logarithm of 1 is +0 without taking it (a vector takes it).
    V log_of_ratio(V rho, V rho1) const { return rho == rho1 && std::isfinite(rho) ? 0.0 : log(rho / rho1); }
};

// --- Standard-state functions of one species at 1 bar ---------------------------------------------

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

constexpr Polynomials polynomials(const thermochemistry::Species &species) {
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

// of(interval) with the interval on Tk's side of the split (Tk <= split:
// low), lane by lane; where all lanes lie on one side, only that side's. (Tk
// is never NaN.)
template <class A, class Of>
typename A::V on_side_of(const Polynomials &data, typename A::V Tk, Of of) {
    const typename A::M low = Tk <= data.split;
    if (A::all(low)) return of(data.low);
    if (!A::any(low)) return of(data.high);
    return A::select(low, of(data.low), of(data.high));
}

// Cp in J/(mol K), H in J/mol, S in J/(mol K), per mole of the species; lnT = ln Tk.
template <class A>
typename A::V standard_cp(const Polynomials &data, typename A::V Tk) {
    return on_side_of<A>(data, Tk, [Tk](const Interval &interval) {
        const double *a = interval.cp;
        return ((((a[4] * Tk + a[3]) * Tk + a[2]) * Tk + a[1]) * Tk + a[0]) * shared::GasConstant;
    });
}

template <class A>
typename A::V standard_h(const Polynomials &data, typename A::V Tk) {
    return on_side_of<A>(data, Tk, [Tk](const Interval &interval) {
        const double *h = interval.h;
        return (((((h[0] * Tk + h[1]) * Tk + h[2]) * Tk + h[3]) * Tk + h[4]) * Tk + h[5]) * shared::GasConstant;
    });
}

template <class A>
typename A::V standard_s(const Polynomials &data, typename A::V Tk, typename A::V lnT) {
    return on_side_of<A>(data, Tk, [Tk, lnT](const Interval &interval) {
        const double *s = interval.s;
        return ((s[4] * lnT + (((s[0] * Tk + s[1]) * Tk + s[2]) * Tk + s[3]) * Tk) + s[5]) * shared::GasConstant;
    });
}

template <class A>
typename A::V standard_g(const Polynomials &data, typename A::V Tk, typename A::V lnT) {
    return standard_h<A>(data, Tk) - Tk * standard_s<A>(data, Tk, lnT);
}

// A phase's standard state at Tk: each of its four functions as asked.
template <class N>
struct Standard {
    N G{}, S{}, H{}, Cp{};
};

// lnT = ln Tk, where NeedG or NeedS asks for it (the caller may have it).
template <class A>
Standard<typename A::V> from_polynomials(const Polynomials &data, typename A::V Tk, typename A::V lnT, unsigned need) {
    Standard<typename A::V> standard;
    if (need & (NeedG | NeedH)) standard.H = standard_h<A>(data, Tk);
    if (need & (NeedG | NeedS)) {
        standard.S = standard_s<A>(data, Tk, lnT);
        if (need & NeedG) standard.G = standard.H - Tk * standard.S;
    }
    if (need & NeedCp) standard.Cp = standard_cp<A>(data, Tk);
    return standard;
}

template <class A>
Standard<typename A::V> from_polynomials(A &arithmetic, const Polynomials &data, typename A::V Tk, unsigned need) {
    return from_polynomials<A>(data, Tk, (need & (NeedG | NeedS)) ? arithmetic.log(Tk) : typename A::V(), need);
}

// What the molar volume's integral from 1 bar adds to the standard state: k
// I, and -k dI/dT, -k Tk d2I/dT2 and k (I - Tk dI/dT) as asked.
template <class N>
struct VolumeIntegral {
    N I, I_T, I_TT;
};

template <class N>
PointOf<N> add_volume_integral(const Standard<N> &standard, N Tk, double k, const VolumeIntegral<N> &v, unsigned need) {
    PointOf<N> point;
    if (need & NeedG) point.G = standard.G + k * v.I;
    if (need & NeedS) point.S = standard.S - k * v.I_T;
    if (need & NeedH) point.H = standard.H + k * (v.I - Tk * v.I_T);
    if (need & NeedCp) point.Cp = standard.Cp - k * (Tk * v.I_TT);
    return point;
}

// --- The solid --------------------------------------------------------------------------------

// rho = s(T) P + rho0(T), so I = (1/s) ln(rho(P) / rho(1)) with I in bar
// m^3/kg, and k = MolarMass * PascalPerBar. The density steps are the
// correlation's own, so rho is the very double Rho_Solid gives.
constexpr double SolidScale = MolarMass * shared::PascalPerBar;

// The solid's density at P and at 1 bar along the isotherm T, with e = e^(T / 733.4).
template <class N>
struct SolidAt {
    N e, s, rho0, rho, rho1;
};

template <class A>
SolidAt<typename A::V> solid_at(A &arithmetic, typename A::V T, typename A::V P) {
    namespace c = correlations;
    const typename A::V e = arithmetic.exp(c::solid_density_exponent(T));
    const typename A::V s = c::solid_pressure_coefficient(e);
    const typename A::V rho0 = c::solid_zero_pressure_density(T);
    return {e, s, rho0, s * P + rho0, s + rho0};
}

// The solid's point at (T, P) from its densities (both positive) and its
// standard state.
template <class A>
PointOf<typename A::V> solid_point(A &arithmetic, const SolidAt<typename A::V> &at, typename A::V T, typename A::V P,
                                   typename A::V Tk, const Standard<typename A::V> &standard, unsigned need) {
    namespace c = correlations;
    using V = typename A::V;
    const V s = at.s, rho = at.rho, rho1 = at.rho1;
    // L = ln(rho / rho1); I = L / s.
    const V L = arithmetic.log_of_ratio(rho, rho1);
    VolumeIntegral<V> v = {L / s, V(), V()};
    if (need & (NeedS | NeedH | NeedCp)) {
        const V ds = c::solid_pressure_coefficient_slope(at.e);
        const V dds = c::solid_pressure_coefficient_curvature(ds);
        const V drho0 = c::solid_zero_pressure_density_slope(T);
        const V drho = ds * P + drho0;
        const V drho1 = ds + drho0;
        const V r = drho / rho;
        const V r1 = drho1 / rho1;
        const V L_T = r - r1;
        const V u = ds / s;
        v.I_T = (L_T - u * L) / s;
        if (need & NeedCp) {
            const V ddrho = dds * P + c::SolidZeroPressureDensityCurvature;
            const V ddrho1 = dds + c::SolidZeroPressureDensityCurvature;
            const V L_TT = (ddrho / rho - r * r) - (ddrho1 / rho1 - r1 * r1);
            v.I_TT = (L_TT - (u * 2.0) * L_T + ((u * u) * 2.0 - dds / s) * L) / s;
        }
    }
    PointOf<V> point = add_volume_integral(standard, Tk, SolidScale, v, need);
    if (need & NeedV) point.V = SolidScale * (1.0 / rho);
    return point;
}

// --- The liquid -------------------------------------------------------------------------------

// rho = 58443 / (Vm(T) D), D = 1 - 0.1 ln a, a = 1 + c P with c = 10 kappa(T),
// so the molar volume is 1e-6 Vm D m^3/mol and I = Vm J with J = the
// integral of D from 1 to P; k = 1e-6 * PascalPerBar. J, dJ/dT and d2J/dT2
// have closed forms in ln a and ln a1 (a at 1 bar) that cancel badly where
// c P is small (near 277 degC c passes through 0), so there the power series
// in c P is summed instead.
constexpr double LiquidScale = 0.1;
// dc/dT.
constexpr double CompressionSlope = correlations::CompressionLinear * 10.0;
// Where |c| max(|P|, 1) is at most this, the series: its terms fall by the
// same factor, so 16 of them reach below the last place of a double.
constexpr double SeriesBound = 1.0 / 16.0;
constexpr int SeriesTerms = 16;

template <class N>
struct LiquidAtT {
    N Vm, kappa, c;
};

template <class N>
LiquidAtT<N> liquid_at(N T) {
    const N kappa = correlations::liquid_compression(T);
    return {correlations::liquid_volume(T), kappa, kappa * 10.0};
}

// Whether a series' remaining terms, each at most `bound` in magnitude (and
// the bounds falling from term to term), can no longer change `sum`: adding
// 8 bound leaves it unchanged, so each such term is under a quarter of its
// last place, which rounding to nearest discards even at a power of two.
// Stopping there gives the very double that summing all the terms gives.
template <class N>
auto settled(N sum, N bound) {
    return sum + bound * 8.0 == sum;
}

// J = the integral of D = 1 - 0.1 ln(1 + c p) over p from 1 to P, in the
// series' domain; its terms c^n (P^(n+1) - 1) / (n (n+1)) are at most
// |(c P)^n P| + |c^n| and fall by |c| max(|P|, 1) <= 1/16 each. A vector
// sums each lane's terms until that lane's series settles, the lanes of
// `open` (the others keep J = P - 1).
template <class A>
typename A::V liquid_J_by_series(typename A::V c, typename A::V P, typename A::M open) {
    using V = typename A::V;
    // ln(1 + x) = sum (-1)^(n+1) x^n / n, integrated: c^n (P^(n+1) - 1) / (n (n+1)).
    const V x = c * P;
    V xn = A::splat(1.0), cn = A::splat(1.0), sum = V(), sign = A::splat(1.0);
    for (int n = 1; n <= SeriesTerms; ++n) {
        xn = xn * x;
        cn = cn * c;
        const V xnP = xn * P;
        open = open & !settled(sum, A::abs(xnP) + A::abs(cn));
        if (!A::any(open)) break;
        sum = A::select(open, sum + sign * (xnP - cn) / static_cast<double>(n * (n + 1)), sum);
        sign = -sign;
    }
    return (P - 1.0) - sum * 0.1;
}

// In the series' domain and away from 1 bar: the integrals of p / (1 + c p)
// (first) and, with needs_second, of p^2 / (1 + c p)^2 (second), each from
// 1 to P, whose terms are at most |(c P)^n P^2| + |c^n| and |(c P)^n P^3| +
// |c^n| and fall by 1/16 or more each. Both sums stop together, where both
// are settled; the lanes not `open` keep 0.
template <class A>
void liquid_slopes_by_series(typename A::V c, typename A::V P, bool needs_second, typename A::M open,
                             typename A::V &first, typename A::V &second) {
    using V = typename A::V;
    const V x = c * P;
    const V PP = P * P;
    V xn = A::splat(1.0), cn = A::splat(1.0), sign = A::splat(1.0);
    first = V();
    second = V();
    for (int n = 0; n < SeriesTerms; ++n) {
        const V xnPP = xn * PP;
        const V xnPPP = xn * (PP * P);
        typename A::M unsettled = !settled(first, A::abs(xnPP) + A::abs(cn));
        if (needs_second) unsettled = unsettled | !settled(second, A::abs(xnPPP) + A::abs(cn));
        open = open & unsettled;
        if (!A::any(open)) break;
        first = A::select(open, first + sign * (xnPP - cn) / static_cast<double>(n + 2), first);
        if (needs_second) {
            second = A::select(
                open, second + sign * static_cast<double>(n + 1) * (xnPPP - cn) / static_cast<double>(n + 3), second);
        }
        xn = xn * x;
        cn = cn * c;
        sign = -sign;
    }
}

// The compression term D at P and at 1 bar, as the correlation computes it,
// with the logarithms it takes.
template <class N>
struct Compression {
    N a, a1, la, la1, D, D1;
};

// The arguments a and a1 of the compression term's logarithms.
template <class N>
Compression<N> compression_arguments(const LiquidAtT<N> &at, N P) {
    Compression<N> d{};
    d.a = correlations::liquid_log_argument(at.kappa, P);
    d.a1 = correlations::liquid_log_argument(at.kappa, N() + 1.0);
    return d;
}

// The logarithms and the compression terms, from positive arguments.
template <class A>
void compression_logarithms(A &arithmetic, Compression<typename A::V> &d) {
    d.la = arithmetic.log(d.a);
    d.la1 = arithmetic.log(d.a1);
    d.D = correlations::liquid_compression_term(d.la);
    d.D1 = correlations::liquid_compression_term(d.la1);
}

// J in closed form, outside the series' domain.
template <class N>
N liquid_J_closed(N c, const Compression<N> &d, N P) {
    return (P - 1.0) * 1.1 - ((d.a * d.la - d.a1 * d.la1) / c) * 0.1;
}

// The two integrals of liquid_slopes_by_series, in closed form.
template <class N>
void liquid_slopes_closed(N c, const Compression<N> &d, N P, N &first, N &second) {
    const N dla = d.la - d.la1;
    first = (P - 1.0) / c - dla / (c * c);
    second = (((d.a - d.a1) - dla * 2.0) - (1.0 / d.a - 1.0 / d.a1)) / ((c * c) * c);
}

// The liquid's point at (T, P) from J and the two integrals of its slopes
// (liquid_slopes_by_series), and its standard state.
template <class N>
PointOf<N> liquid_point(const LiquidAtT<N> &at, N T, N Tk, N J, N first, N second, const Standard<N> &standard,
                        unsigned need) {
    const N J_T = -(CompressionSlope * 0.1) * first;
    const N J_TT = ((CompressionSlope * CompressionSlope) * 0.1) * second;
    const N dVm = correlations::liquid_volume_slope(T);
    const VolumeIntegral<N> v = {
        at.Vm * J,
        dVm * J + at.Vm * J_T,
        (correlations::LiquidVolumeCurvature * J + (dVm * J_T) * 2.0) + at.Vm * J_TT,
    };
    return add_volume_integral(standard, Tk, LiquidScale, v, need);
}

// --- The vapour -------------------------------------------------------------------------------

// The shift of the vapour's Gibbs energy per mole of NaCl at Tk (adjustments.h).
template <class N>
N vapour_gibbs_shift(N Tk) {
    return adjustments::VapourEntropyShift * (adjustments::VapourPivot - Tk);
}

// The vapour: an ideal mixture of NaCl and Na2Cl2 in chemical equilibrium
// (2 NaCl = Na2Cl2), with the Gibbs energy shift of adjustments.h.
template <class N>
struct VapourOf {
    N Tk, RT;
    N y1, y2, w;  // mole fractions of monomer and dimer; w = y1 + 2 y2, moles of NaCl per mole of molecules
    N h1, h2;     // each species' enthalpy at 1 bar, J/mol of the species
    N g1, g2;     // each species' Gibbs energy at 1 bar, J/mol of the species
    N lnK;        // ln of the dimerization constant at 1 bar
};
using Vapour = VapourOf<double>;

// The species' enthalpies at 1 bar, shifted.
template <class A>
void vapour_enthalpies(typename A::V Tk, VapourOf<typename A::V> &v) {
    v.h1 = standard_h<A>(MonomerData, Tk) + adjustments::VapourEnthalpyShift;
    v.h2 = standard_h<A>(DimerData, Tk) + adjustments::VapourEnthalpyShift * 2.0;
}

// The species' Gibbs energies at 1 bar, shifted, and ln K.
template <class A>
void vapour_gibbs_energies(typename A::V Tk, typename A::V lnT, VapourOf<typename A::V> &v) {
    const typename A::V shift = vapour_gibbs_shift(Tk);
    v.g1 = standard_g<A>(MonomerData, Tk, lnT) + shift;
    v.g2 = standard_g<A>(DimerData, Tk, lnT) + shift * 2.0;
    v.lnK = -((v.g2 - v.g1 * 2.0) / v.RT);
}

// Mole fractions y1 (NaCl) and y2 (Na2Cl2) of 2 NaCl = Na2Cl2 at equilibrium
// from K P, where it is formed (ln K at most LargestExponent): y2 / (y1^2 P)
// = K with P in units of the standard pressure (1 bar), so y1 = 2 / (1 +
// sqrt(1 + 4 K P)). Of y2 = 1 - y1 and y2 = K P y1^2 the form that keeps the
// digits is taken: the first where the dimer dominates, the second where it
// is scarce.
template <class A>
void vapour_composition(typename A::V KP, VapourOf<typename A::V> &v) {
    v.y1 = 2.0 / (1.0 + A::sqrt(KP * 4.0 + 1.0));
    v.y2 = A::select(A::less_equal(v.y1, A::splat(0.5)), 1.0 - v.y1, KP * (v.y1 * v.y1));
}

// Where ln K passes this (in the cold), K P is not formed: it could overflow.
constexpr double LargestExponent = 700.0;

template <class N>
N vapour_enthalpy(const VapourOf<N> &v) {
    return (v.y1 * v.h1 + v.y2 * v.h2) / v.w;
}

// The density of the vapour at P, kg/m^3.
template <class N>
N vapour_density(const VapourOf<N> &v, N P) {
    return ((P * shared::PascalPerBar) * (MolarMass * v.w)) / v.RT;
}

// The chemical potential of NaCl, from whichever species dominates (the two
// agree at equilibrium).
template <class A>
typename A::V vapour_gibbs(A &arithmetic, const VapourOf<typename A::V> &v, typename A::V P) {
    const typename A::M monomer = A::greater_equal(v.y1, v.y2);
    const typename A::V L = arithmetic.log(A::select(monomer, v.y1, v.y2) * P);
    return A::select(monomer, v.g1 + v.RT * L, (v.g2 + v.RT * L) * 0.5);
}

// Heat capacity of the vapour at frozen composition, per mole of NaCl: the
// species' heat capacities weighted by the share z of NaCl bound in dimers.
template <class A>
typename A::V vapour_frozen_heat_capacity(const VapourOf<typename A::V> &v) {
    const typename A::V z = (v.y2 * 2.0) / v.w;
    const typename A::V cp1 = standard_cp<A>(MonomerData, v.Tk);
    const typename A::V cp2 = standard_cp<A>(DimerData, v.Tk);
    return cp1 + z * (cp2 * 0.5 - cp1);
}

// (dH/dT)_P: the frozen heat capacity plus the heat of the shift in the
// composition with T (van 't Hoff).
template <class A>
typename A::V vapour_heat_capacity(const VapourOf<typename A::V> &v) {
    const typename A::V dH = v.h2 - v.h1 * 2.0;
    return vapour_frozen_heat_capacity<A>(v) + ((v.y1 * v.y2) * (dH * dH)) / ((v.RT * v.Tk) * ((v.w * v.w) * v.w));
}

// The vapour's point at P from its state (what `need` asked of it).
template <class A>
PointOf<typename A::V> vapour_point(A &arithmetic, const VapourOf<typename A::V> &v, typename A::V P, unsigned need) {
    PointOf<typename A::V> point;
    if (need & (NeedG | NeedS)) point.G = vapour_gibbs(arithmetic, v, P);
    if (need & (NeedH | NeedS)) point.H = vapour_enthalpy(v);
    if (need & NeedS) point.S = (point.H - point.G) / v.Tk;
    if (need & NeedCp) point.Cp = vapour_heat_capacity<A>(v);
    if (need & NeedV) point.V = v.RT / (P * v.w);
    return point;
}

// --- The elements -----------------------------------------------------------------------------

// The Gibbs energy (J/mol) of one mole of Na plus half a mole of Cl2 at Tk
// (from 200 K), sodium's the lowest of its liquid's, its gas's and its crystal's
// in the lanes of `crystal` (where its data reach).
template <class A>
typename A::V elements_gibbs_of(typename A::V Tk, typename A::V lnT, typename A::M crystal) {
    const typename A::V liquid = standard_g<A>(SodiumLiquidData, Tk, lnT);
    const typename A::V gas = standard_g<A>(SodiumGasData, Tk, lnT);
    typename A::V sodium = A::min(liquid, gas);
    if (A::any(crystal)) sodium = A::select(crystal, A::min(standard_g<A>(SodiumCrystalData, Tk, lnT), sodium), sodium);
    return sodium + standard_g<A>(ChlorineData, Tk, lnT) * 0.5;
}

// --- The vapour pressure: a condensed phase and its vapour in equilibrium -------------------------

// Over a condensed phase of Gibbs energy Gc(P) = Gc0 + dG(P) (Gc0 at 1 bar)
// the partial pressures of the vapour's species are p1 = a e^phi and p2 =
// b e^(2 phi), with phi = dG(P) / RT and the anchors a = e^x1, b = e^x2,
// x1 = (Gc0 - g1) / RT and x2 = (2 Gc0 - g2) / RT: the vapour pressure is
// the P where P = p1 + p2. x1 and x2 are written directly as functions of
// T, from the differences of the species' coefficients, so that ln T enters
// once, at the end (and the Gibbs energies near 1e5 J/mol are not rounded on
// the way): with the coefficients a0..a6 of thermochemistry.h,
//   G / (R Tk) = (a0 - a6) + a5 / Tk - a0 ln Tk + Tk (((-a4/20 Tk - a3/12) Tk - a2/6) Tk - a1/2),
// and the vapour's shift adding VapourEntropyShift (Tk - VapourPivot) / (R Tk) per mole of NaCl.
struct Anchor {
    double constant, inverse, logarithm;  // of 1, 1 / Tk and ln Tk
    double q[4];                          // the polynomial in Tk, times Tk
};

// The anchor of `moles` moles of the condensed phase (coefficients c)
// against one of the vapour's species (coefficients v), which holds `moles`
// NaCl. Rounded at compile time, each step once.
constexpr Anchor anchor(const double (&c)[7], const double (&v)[7], double moles) {
    const double d[7] = {c[0] * moles - v[0], c[1] * moles - v[1], c[2] * moles - v[2], c[3] * moles - v[3],
                         c[4] * moles - v[4], c[5] * moles - v[5], c[6] * moles - v[6]};
    return {(d[0] - d[6]) + moles * (adjustments::VapourEntropyShift / shared::GasConstant),
            d[5] - moles * (adjustments::VapourEnthalpyShift / shared::GasConstant),
            -d[0],
            {-(d[4] / 20.0), -(d[3] / 12.0), -(d[2] / 6.0), -(d[1] / 2.0)}};
}

// A condensed phase's two anchors on each side of the split at 1000 K, where
// the crystal's, the monomer's and the dimer's polynomials all change (the
// liquid has one polynomial).
struct Anchors {
    Anchor monomer_low, dimer_low, monomer_high, dimer_high;
};

constexpr Anchors anchors(const thermochemistry::Species &condensed) {
    using thermochemistry::Dimer;
    using thermochemistry::Monomer;
    return {anchor(condensed.low, Monomer.low, 1.0), anchor(condensed.low, Dimer.low, 2.0),
            anchor(condensed.high, Monomer.high, 1.0), anchor(condensed.high, Dimer.high, 2.0)};
}

constexpr double AnchorSplit = 1000.0;
static_assert(thermochemistry::Crystal.split == AnchorSplit && thermochemistry::Monomer.split == AnchorSplit &&
                  thermochemistry::Dimer.split == AnchorSplit,
              "the anchors change their coefficients where every species does");
constexpr Anchors CrystalAnchors = anchors(thermochemistry::Crystal);
constexpr Anchors LiquidAnchors = anchors(thermochemistry::Liquid);

template <class A>
[[gnu::always_inline]] inline typename A::V anchor_exponent(const Anchor &anchor, typename A::V Tk, typename A::V lnT) {
    const double *q = anchor.q;
    const typename A::V polynomial = ((q[0] * Tk + q[1]) * Tk + q[2]) * Tk + q[3];
    return ((anchor.constant + anchor.inverse / Tk) + Tk * polynomial) + anchor.logarithm * lnT;
}

// x1 and x2 of a condensed phase at Tk (from 298.15 K for the crystal).
template <class A>
[[gnu::always_inline]] inline void anchor_exponents(const Anchors &phase, typename A::V Tk, typename A::V lnT,
                                                    typename A::V &x1, typename A::V &x2) {
    const typename A::M below = Tk <= AnchorSplit;
    auto exponent = [&](const Anchor &low, const Anchor &high) {
        if (A::all(below)) return anchor_exponent<A>(low, Tk, lnT);
        if (!A::any(below)) return anchor_exponent<A>(high, Tk, lnT);
        return A::select(below, anchor_exponent<A>(low, Tk, lnT), anchor_exponent<A>(high, Tk, lnT));
    };
    x1 = exponent(phase.monomer_low, phase.monomer_high);
    x2 = exponent(phase.dimer_low, phase.dimer_high);
}

// phi and the molar volume of a condensed phase along the isotherm, where
// the iteration takes them from short series. Each series gives a part of
// phi below 2^-11 of it (the solid's compression, the liquid's) and leaves
// out less than 2^-40 of that part: under 2^-51 of phi, whose error the
// rounding of Gc0 (near 3e-11 J/mol over RT) dwarfs.
//
// The solid: dG = SolidScale ln(1 + z) / s with z = s d / rho1 and d = P -
// 1 (rho / rho1 = 1 + z), so phi = d delta - d^2 epsilon R(z) with delta =
// SolidScale / (RT rho1), epsilon = delta s / rho1 and R(z) = 1/2 - z/3 +
// z^2/4 - z^3/5, where |z| <= 2^-10; its volume SolidScale / rho.
constexpr double SolidLineBound = 1.0 / 1024.0;

template <class N>
struct SolidLine {
    N s, rho0, rho1, beta, ratio, delta, epsilon;  // beta = SolidScale / RT, ratio = s / rho1
};

template <class N>
SolidLine<N> solid_line(const SolidAt<N> &at, N RT) {
    const N inverse = 1.0 / at.rho1;
    const N beta = SolidScale / RT;
    const N delta = beta * inverse;
    return {at.s, at.rho0, at.rho1, beta, at.s * inverse, delta, (delta * at.s) * inverse};
}

// phi at P; `outside` where |z| passes the series' bound.
template <class A>
[[gnu::always_inline]] inline typename A::V solid_line_phi(const SolidLine<typename A::V> &line, typename A::V P,
                                                           typename A::M &outside) {
    using N = typename A::V;
    const N d = P - 1.0;
    const N z = line.ratio * d;
    outside = !A::less_equal(A::abs(z), A::splat(SolidLineBound));
    const N R = (0.5 - z * (1.0 / 3.0)) + (z * z) * (0.25 - z * 0.2);
    return d * line.delta - ((d * d) * line.epsilon) * R;
}

// The volume at P, where the density is positive.
template <class N>
[[gnu::always_inline]] inline N solid_line_volume(const SolidLine<N> &line, N P) {
    return SolidScale * (1.0 / (line.s * P + line.rho0));
}

// The liquid: dG = LiquidScale Vm J(P), J = (P - 1) - 0.1 K with K = the
// integral of ln(1 + c p) from 1 to P = P S(c P) - S(c), S(u) = sum over n
// >= 1 of (-1)^(n+1) u^n / (n (n+1)) = u T(u), T(u) = 1/2 - u/6 + u^2/12 -
// u^3/20 + u^4/30 - ... So phi = (beta (P - 1) + beta1) - P^2 gamma T(c P)
// with beta = LiquidScale Vm / RT, beta1 = 0.1 beta S(c) and gamma = 0.1
// beta c, T to u^4 where |c| max(|P|, 1) <= 2^-8. Its volume LiquidScale Vm
// D, D = 1 - 0.1 ln(1 + c P), the logarithm's series to u^3.
constexpr double LiquidLineBound = 1.0 / 256.0;

template <class N>
[[gnu::always_inline]] inline N integrated_log_quotient(N u) {
    const N u2 = u * u;
    return (0.5 - u * (1.0 / 6.0)) + u2 * ((1.0 / 12.0 - u * (1.0 / 20.0)) + u2 * (1.0 / 30.0));
}

template <class N>
struct LiquidLine {
    N c, Vm, kappa, beta, beta1, gamma;
};

template <class N>
LiquidLine<N> liquid_line(const LiquidAtT<N> &at, N RT) {
    const N beta = (LiquidScale * at.Vm) / RT;
    const N tenth = beta * 0.1;
    return {at.c, at.Vm, at.kappa, beta, tenth * (at.c * integrated_log_quotient(at.c)), tenth * at.c};
}

// phi at P; `outside` where |c| max(|P|, 1) passes the series' bound.
template <class A>
[[gnu::always_inline]] inline typename A::V liquid_line_phi(const LiquidLine<typename A::V> &line, typename A::V P,
                                                            typename A::M &outside) {
    using N = typename A::V;
    const N magnitude = A::abs(P);
    const N larger = A::select(magnitude > 1.0, magnitude, A::splat(1.0));
    outside = !A::less_equal(A::abs(line.c) * larger, A::splat(LiquidLineBound));
    return ((P - 1.0) * line.beta + line.beta1) - ((P * P) * line.gamma) * integrated_log_quotient(line.c * P);
}

// The volume at P, inside the series' bound.
template <class N>
[[gnu::always_inline]] inline N liquid_line_volume(const LiquidLine<N> &line, N P) {
    const N u = line.c * P;
    const N log_a = u * (1.0 - u * (0.5 - u * (1.0 / 3.0)));
    return LiquidScale * (line.Vm * correlations::liquid_compression_term(log_a));
}

// e^phi - 1 by its series to phi^5 where |phi| <= 2^-10 (leaving out under
// 2^-59 of it, and of e^(2 phi) - 1 under 2^-54); beyond, the iteration
// takes e^phi itself.
constexpr double ExpSeriesBound = 1.0 / 1024.0;

template <class N>
[[gnu::always_inline]] inline N exp_minus_one_series(N phi) {
    const N phi2 = phi * phi;
    return phi + phi2 * ((0.5 + phi * (1.0 / 6.0)) + phi2 * (1.0 / 24.0 + phi * (1.0 / 120.0)));
}

// The partial pressures at phi from the anchors a and b.
template <class A>
[[gnu::always_inline]] inline void partial_pressures(A &arithmetic, typename A::V a, typename A::V b, typename A::V phi,
                                                     typename A::V &p1, typename A::V &p2) {
    using N = typename A::V;
    const typename A::M near = A::less_equal(A::abs(phi), A::splat(ExpSeriesBound));
    N series1{}, series2{};
    if (A::any(near)) {
        series1 = a + a * exp_minus_one_series(phi);
        series2 = b + b * exp_minus_one_series(phi * 2.0);
        if (A::all(near)) {
            p1 = series1;
            p2 = series2;
            return;
        }
    }
    p1 = A::select(near, series1, a * arithmetic.exp(phi));
    p2 = A::select(near, series2, b * arithmetic.exp(phi * 2.0));
}

// Newton's method on F(P) = P - p1(P) - p2(P), whose slope is F' = 1 - (p1
// + 2 p2) V / RT (dphi/dP = V / RT): from P, the next P. The iteration
// starts at 1 bar, where phi is 0 and (p1, p2) = (a, b). Below 1 bar its
// first step lands within about (V / RT)^2 / 2 of the answer, relative (near
// 1e-7 from 500 to 1000 degC), or, where the answer lies below about 1e-12
// bar, within the rounding of 1 - p, some 1e-16 bar (often on 0); the second
// step removes either.
//
// Near the answer the relative error shrinks as e' = |F''| P e^2 / (2 F'),
// with F'' = -(p1 + 4 p2) (V / RT)^2 - (p1 + 2 p2) V' / RT and V' = dV/dP.
// The second part is at most r = |V'| RT / V^2 times the first: about 1
// below 4000 degC, a few thousand where the liquid's volume vanishes (near
// 10600 degC). With the step dP (which is e P, near enough) that makes
// e' <= 2 (1 + r) (V dP / RT)^2 / F'. Once |V dP| <= 2^-36 RT F' (and
// F' <= 1), e' <= 2^-71 (1 + r), under 2^-58: the step just taken leaves
// less than a rounding error, and one more evaluation would only confirm it.
// Below 1 bar that is the second step. Otherwise the iteration stops at a
// step that leaves P unchanged, or after MaxSteps (giving the last P).
constexpr double ConvergedStep = 0x1p-36;
constexpr int MaxSteps = 32;

// Where the anchors' x1 of the solid and of the liquid lie closer than this,
// so does the melting point at 1 bar (within 0.4 K), and P_Vapour takes the
// lower of both vapour pressures. Elsewhere the phase of lower Gibbs energy
// at 1 bar is the lower at every pressure the iteration reaches: its lead,
// over 7 J/mol, is beyond what the difference of the volumes (about 1
// J/(mol bar)) makes of the few bar between.
constexpr double CloseAnchors = 1.0 / 1024.0;

template <class A>
[[gnu::always_inline]] inline typename A::V newton_step(typename A::V P, typename A::V p1, typename A::V p2,
                                                        typename A::V V, typename A::V RT, typename A::M &done) {
    using N = typename A::V;
    const N F = P - (p1 + p2);
    // F / F' with RT F' = RT - (p1 + 2 p2) V: one division.
    const N slope = RT - (p1 + p2 * 2.0) * V;
    const N change = (F * RT) / slope;
    const N next = P - change;
    done = (next == P) | (next != next) | A::less_equal(A::abs(change * V), slope * ConvergedStep);
    return next;
}

// The density (kg/m^3) of a vapour of partial pressures p1 and p2 (bar) at RT.
template <class N>
[[gnu::always_inline]] inline N vapour_density_of(N p1, N p2, N RT) {
    return (((p1 + p2 * 2.0) * shared::PascalPerBar) * MolarMass) / RT;
}

// The vapour pressure over `line`, a condensed phase along the isotherm at
// RT whose anchors are a and b and whose volume at 1 bar is V1: Newton's
// steps from 1 bar until each lane's are done (Surface.cpp takes the same
// steps one lane at a time). line.at(arithmetic, P, phi, V, missing) gives
// phi and the volume at P, and `missing` where the phase has no state there;
// line.dilute(rho) whether a vapour of density rho may be given. `failed`
// gets the lanes without an answer (no state on the way, or a vapour too
// dense). A lane's steps are the scalar iteration's: a lane that is done
// keeps its result while the others step on.
template <class A, class Line>
typename A::V vapour_pressure_lanes(A &arithmetic, const Line &line, typename A::V a, typename A::V b, typename A::V RT,
                                    typename A::V V1, typename A::M &failed) {
    using N = typename A::V;
    using M = typename A::M;
    N P = A::splat(1.0), p1 = a, p2 = b, V = V1, result = P;
    M open = A::mask(true);
    failed = A::mask(false);
    for (int step = 0; step < MaxSteps; ++step) {
        M done;
        const N next = newton_step<A>(P, p1, p2, V, RT, done);
        const M finishing = open & done;
        if (A::any(finishing)) {
            failed = failed | (finishing & !line.dilute(vapour_density_of(p1, p2, RT)));
            result = A::select(finishing, next, result);
            open = open & !done;
            if (!A::any(open)) return result;
        }
        P = A::select(open, next, P);
        N phi, volume;
        M missing;
        line.at(arithmetic, P, phi, volume, missing);
        if (A::any(missing)) {
            failed = failed | (open & missing);
            open = open & !missing;
            if (!A::any(open)) return result;
        }
        N q1, q2;
        partial_pressures(arithmetic, a, b, phi, q1, q2);
        p1 = A::select(open, q1, p1);
        p2 = A::select(open, q2, p2);
        V = A::select(open, volume, V);
    }
    return A::select(open, P, result);
}

// --- The scalar evaluators (phases.cpp) -----------------------------------------------------------

// The solid (halite): the crystal's standard state (thermochemistry.h, below
// 298.15 K the low-temperature form of adjustments.h) and the pressure
// dependence integrated from the density correlation. No state at or below
// absolute zero, or where the density is not positive at P or at 1 bar.
bool solid(double T, double P, unsigned need, Point *point);

// The liquid, likewise from its standard state and its density correlation.
// No state below the liquid's lowest temperature (adjustments.h), or where
// its density is not defined and positive at P or at 1 bar.
bool liquid(double T, double P, unsigned need, Point *point);

// The composition of the vapour at (T, P), with what `need` asks of the
// species: h1 and h2 for NeedH, NeedS or NeedCp; g1, g2 and lnK for NeedG or
// NeedS, and always at P > 0 (the composition needs K; at P = 0 the vapour is
// all monomer, whatever K). Where K P passes e^700 (in the cold, K alone
// does) y1 is 1 / sqrt(K P), whose next term is below 1e-150 of it. False at
// or below absolute zero, at negative P, and where the ideal gas would be
// denser than a tenth of the liquid (adjustments.h).
bool vapour_state(double T, double P, unsigned need, Vapour *vapour);
bool vapour(double T, double P, unsigned need, Point *point);

// Whether an ideal vapour of density rho (kg/m^3) at T (degC) is dilute
// enough to be given: at most a tenth of the liquid's density at zero
// pressure, where the liquid's correlation has a volume.
bool vapour_is_dilute(double rho, double T);

// Heat capacity of the vapour at frozen composition, per mole of NaCl.
double vapour_frozen_heat_capacity(const Vapour &vapour);

// The Gibbs energy (J/mol) of one mole of Na plus half a mole of Cl2, each in
// its stable state at T (degC) and 1 bar, from 200 K up; false below.
bool elements_gibbs(double T, double *G);

// The anchors' exponents x1 and x2 of the crystal at Tk kelvin below the
// join (adjustments.h), with lnT = ln Tk: from its Gibbs energy and the
// species' there, rounded on the way.
void cold_crystal_anchor_exponents(double Tk, double lnT, double *x1, double *x2);

}  // namespace phases
}  // namespace Halx

#endif  // HALX_MODEL_PHASES_H

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

// The result every caloric function gives: each quantity per mole of NaCl.
struct Caloric {
    double Cp, H, S, G;
};

Caloric undefined_state() {
    const double nan = undefined();
    return {nan, nan, nan, nan};
}

// Temperature in kelvin; a state at or below absolute zero has none.
double kelvin(double T) { return T + 273.15; }
bool no_temperature(double Tk) { return not_positive(Tk); }

// --- Standard-state functions of one species at 1 bar ----------------------------------------

struct Standard {
    double Cp, H, S;  // J/(mol K), J/mol, J/(mol K), per mole of the species
};

Standard standard_state(const Species &species, double Tk) {
    const double *a = Tk <= species.split ? species.low : species.high;
    const double cp = (((a[4] * Tk + a[3]) * Tk + a[2]) * Tk + a[1]) * Tk + a[0];
    const double h = (((((a[4] / 5.0) * Tk + a[3] / 4.0) * Tk + a[2] / 3.0) * Tk + a[1] / 2.0) * Tk + a[0]) * Tk + a[5];
    const double s =
        a[0] * elementary::log(Tk) + ((((a[4] / 4.0) * Tk + a[3] / 3.0) * Tk + a[2] / 2.0) * Tk + a[1]) * Tk + a[6];
    return {cp * GasConstant, h * GasConstant, s * GasConstant};
}

double gibbs(const Standard &standard, double Tk) { return standard.H - Tk * standard.S; }

// --- The integral of the molar volume from 1 bar ---------------------------------------------

// I(T, P) and its first two derivatives in T; k * I is in J/mol.
struct VolumeIntegral {
    double I, I_T, I_TT;
};

Caloric condensed(const Standard &standard, double Tk, double k, const VolumeIntegral &v) {
    const double S = standard.S - k * v.I_T;
    const double H = standard.H + k * (v.I - Tk * v.I_T);
    const double Cp = standard.Cp - k * (Tk * v.I_TT);
    const double G = gibbs(standard, Tk) + k * v.I;
    return {Cp, H, S, G};
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

// The integral alone and the molar volume's factor 1/rho at P, for the vapour
// pressure's iteration; false where a density is not positive.
bool solid_integral(const SolidAtT &at, double P, double *I, double *inverse_rho) {
    const double rho = at.s * P + at.rho0;
    const double rho1 = at.s + at.rho0;
    if (not_positive(rho) || not_positive(rho1)) return false;
    *I = elementary::log(rho / rho1) / at.s;
    *inverse_rho = 1.0 / rho;
    return true;
}

Caloric solid(double T, double P) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined_state();
    const SolidAtT at = solid_at(T);
    const double rho = at.s * P + at.rho0;
    const double rho1 = at.s + at.rho0;
    if (not_positive(rho) || not_positive(rho1)) return undefined_state();
    // Derivatives in T of s and of the two densities.
    const double ds = (at.e * 0.002715) / 733.4;
    const double dds = ds / 733.4;
    const double drho0 = -0.24599 - (T * 9.5797e-5) * 2.0;
    const double ddrho0 = -(9.5797e-5 * 2.0);
    const double drho = ds * P + drho0;
    const double drho1 = ds + drho0;
    const double ddrho = dds * P + ddrho0;
    const double ddrho1 = dds + ddrho0;
    // L = ln(rho / rho1) and its derivatives; I = L / s.
    const double L = elementary::log(rho / rho1);
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
    return condensed(standard_state(thermochemistry::Crystal, Tk), Tk, SolidScale, v);
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

bool by_series(double c, double P) { return std::fabs(c) * std::fmax(std::fabs(P), 1.0) <= SeriesBound; }

// The compression term D at P and at 1 bar, as the correlation computes it.
struct Compression {
    double a, a1, D, D1;
};

Compression compression(const LiquidAtT &at, double P) {
    const double a = at.kappa * (P * 10.0) + 1.0;
    const double a1 = at.kappa * 10.0 + 1.0;
    return {a, a1, 1.0 - elementary::log(a) * 0.1, 1.0 - elementary::log(a1) * 0.1};
}

bool liquid_exists(const LiquidAtT &at, const Compression &d) {
    return !(not_positive(at.Vm) || not_positive(d.D) || not_positive(d.D1));
}

// J = the integral of D = 1 - 0.1 ln(1 + c p) over p from 1 to P.
double liquid_J(const LiquidAtT &at, const Compression &d, double P) {
    const double c = at.c;
    if (by_series(c, P)) {
        // ln(1 + x) = sum (-1)^(n+1) x^n / n, integrated: c^n (P^(n+1) - 1) / (n (n+1)).
        const double x = c * P;
        double xn = 1.0, cn = 1.0, sum = 0.0, sign = 1.0;
        for (int n = 1; n <= SeriesTerms; ++n) {
            xn = xn * x;
            cn = cn * c;
            sum = sum + sign * (xn * P - cn) / static_cast<double>(n * (n + 1));
            sign = -sign;
        }
        return (P - 1.0) - sum * 0.1;
    }
    const double la = elementary::log(d.a);
    const double la1 = elementary::log(d.a1);
    return (P - 1.0) * 1.1 - ((d.a * la - d.a1 * la1) / c) * 0.1;
}

Caloric liquid(double T, double P) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined_state();
    const LiquidAtT at = liquid_at(T);
    const Compression d = compression(at, P);
    if (!liquid_exists(at, d)) return undefined_state();
    const double c = at.c;
    // dJ/dT = -0.1 c' * (integral of p / (1 + c p)), d2J/dT2 = 0.1 c'^2 * (integral of p^2 / (1 + c p)^2).
    double first, second;
    if (by_series(c, P)) {
        const double x = c * P;
        const double PP = P * P;
        double xn = 1.0, cn = 1.0, sign = 1.0;
        first = 0.0;
        second = 0.0;
        for (int n = 0; n < SeriesTerms; ++n) {
            first = first + sign * (xn * PP - cn) / static_cast<double>(n + 2);
            second = second + sign * static_cast<double>(n + 1) * (xn * (PP * P) - cn) / static_cast<double>(n + 3);
            xn = xn * x;
            cn = cn * c;
            sign = -sign;
        }
    } else {
        const double la = elementary::log(d.a);
        const double la1 = elementary::log(d.a1);
        const double dla = la - la1;
        first = (P - 1.0) / c - dla / (c * c);
        second = (((d.a - d.a1) - dla * 2.0) - (1.0 / d.a - 1.0 / d.a1)) / ((c * c) * c);
    }
    const double J = liquid_J(at, d, P);
    const double J_T = -(CompressionSlope * 0.1) * first;
    const double J_TT = ((CompressionSlope * CompressionSlope) * 0.1) * second;
    const double dVm = 0.018639 - (T * 1.9687e-6) * 2.0;
    const double ddVm = -(1.9687e-6 * 2.0);
    const VolumeIntegral v = {
        at.Vm * J,
        dVm * J + at.Vm * J_T,
        (ddVm * J + (dVm * J_T) * 2.0) + at.Vm * J_TT,
    };
    return condensed(standard_state(thermochemistry::Liquid, Tk), Tk, LiquidScale, v);
}

// --- The vapour -------------------------------------------------------------------------------

// Mole fractions y1 (NaCl) and y2 (Na2Cl2) of 2 NaCl = Na2Cl2 at equilibrium:
// y2 / (y1^2 P) = K with P in units of the standard pressure (1 bar), so
// y1 = 2 / (1 + sqrt(1 + 4 K P)). Of y2 = 1 - y1 and y2 = K P y1^2 the form
// that keeps the digits is taken: the first where the dimer dominates (and
// K P may be infinite), the second where it is scarce.
struct Vapour {
    double Tk, RT, y1, y2, w;  // w = y1 + 2 y2: moles of NaCl per mole of molecules
    Standard monomer, dimer;
    double g1, g2;
};

bool vapour_at(double T, double P, Vapour *v) {
    v->Tk = kelvin(T);
    if (no_temperature(v->Tk) || std::isless(P, 0.0)) return false;
    v->RT = GasConstant * v->Tk;
    v->monomer = standard_state(thermochemistry::Monomer, v->Tk);
    v->dimer = standard_state(thermochemistry::Dimer, v->Tk);
    v->g1 = gibbs(v->monomer, v->Tk);
    v->g2 = gibbs(v->dimer, v->Tk);
    const double K = elementary::exp(-((v->g2 - v->g1 * 2.0) / v->RT));
    // At P = 0 the vapour is all monomer, even where K overflows.
    const double KP = P == 0.0 ? 0.0 : K * P;
    v->y1 = 2.0 / (1.0 + std::sqrt(KP * 4.0 + 1.0));
    v->y2 = v->y1 <= 0.5 ? 1.0 - v->y1 : KP * (v->y1 * v->y1);
    v->w = v->y1 + v->y2 * 2.0;
    return true;
}

Caloric vapour(double T, double P) {
    Vapour v;
    if (!vapour_at(T, P, &v)) return undefined_state();
    const double H = (v.y1 * v.monomer.H + v.y2 * v.dimer.H) / v.w;
    // The chemical potential of NaCl, from whichever species dominates (the
    // two agree at equilibrium).
    const double G =
        v.y1 >= v.y2 ? v.g1 + v.RT * elementary::log(v.y1 * P) : (v.g2 + v.RT * elementary::log(v.y2 * P)) * 0.5;
    const double S = (H - G) / v.Tk;
    // (dH/dT)_P: the species' heat capacities, weighted by the share z of NaCl
    // bound in dimers, plus the heat of the shift in z with T (van 't Hoff).
    const double z = (v.y2 * 2.0) / v.w;
    const double dH = v.dimer.H - v.monomer.H * 2.0;
    const double Cp = (v.monomer.Cp + z * (v.dimer.Cp * 0.5 - v.monomer.Cp)) +
                      ((v.y1 * v.y2) * (dH * dH)) / ((v.RT * v.Tk) * ((v.w * v.w) * v.w));
    return {Cp, H, S, G};
}

}  // namespace

double Cp_Solid(double T, double P) { return solid(T, P).Cp; }
double H_Solid(double T, double P) { return solid(T, P).H; }
double S_Solid(double T, double P) { return solid(T, P).S; }
double G_Solid(double T, double P) { return solid(T, P).G; }

double Cp_Liquid(double T, double P) { return liquid(T, P).Cp; }
double H_Liquid(double T, double P) { return liquid(T, P).H; }
double S_Liquid(double T, double P) { return liquid(T, P).S; }
double G_Liquid(double T, double P) { return liquid(T, P).G; }

double Cp_Vapour(double T, double P) { return vapour(T, P).Cp; }
double H_Vapour(double T, double P) { return vapour(T, P).H; }
double S_Vapour(double T, double P) { return vapour(T, P).S; }
double G_Vapour(double T, double P) { return vapour(T, P).G; }

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
// depends on P only through v, weakly: from P = 0 the iteration settles on
// one double within a few steps; it stops there, or after MaxSteps.
constexpr int MaxSteps = 32;

double P_Vapour(double T) {
    const double Tk = kelvin(T);
    if (no_temperature(Tk)) return undefined();
    const double RT = GasConstant * Tk;
    const double g1 = gibbs(standard_state(thermochemistry::Monomer, Tk), Tk);
    const double g2 = gibbs(standard_state(thermochemistry::Dimer, Tk), Tk);
    const double gs0 = gibbs(standard_state(thermochemistry::Crystal, Tk), Tk);
    const double gl0 = gibbs(standard_state(thermochemistry::Liquid, Tk), Tk);
    const SolidAtT solid_state = solid_at(T);
    const LiquidAtT liquid_state = liquid_at(T);
    double P = 0.0;
    for (int step = 0; step < MaxSteps; ++step) {
        // The condensed phase of lower Gibbs energy at P; one that does not
        // exist at P gives way to the other.
        double I, inverse_rho;
        double gs = std::nan(""), vs = 0.0;
        if (solid_integral(solid_state, P, &I, &inverse_rho)) {
            gs = gs0 + SolidScale * I;
            vs = SolidScale * inverse_rho;
        }
        double gl = std::nan(""), vl = 0.0;
        const Compression d = compression(liquid_state, P);
        if (liquid_exists(liquid_state, d)) {
            gl = gl0 + LiquidScale * (liquid_state.Vm * liquid_J(liquid_state, d, P));
            vl = LiquidScale * (liquid_state.Vm * d.D);
        }
        const bool solid_wins = gs < gl || std::isnan(gl);
        const double gc = solid_wins ? gs : gl;
        const double v = solid_wins ? vs : vl;
        if (std::isnan(gc)) return undefined();
        const double p1 = elementary::exp((gc - g1) / RT);
        const double p2 = elementary::exp((gc * 2.0 - g2) / RT);
        const double F = P - (p1 + p2);
        const double slope = 1.0 - ((p1 + p2 * 2.0) * v) / RT;
        const double next = P - F / slope;
        if (next == P || std::isnan(next)) return next;
        P = next;
    }
    return P;
}

}  // namespace Halx

// The thermodynamic surface's boundaries, phase and latent heats, each an
// explicit sequence of rounded double operations under the exact-FP flags
// (see Caloric.cpp): the same bits everywhere. The boundaries are found by
// Newton's method on the difference of two phases' Gibbs energies, from a
// start that the correlations give (they lie within some tens of kelvin),
// and each stops by a fixed rule, so the number of steps, too, is the same
// everywhere.
#include "Surface.h"

#include <cmath>
#include <limits>

#include "Derived.h"
#include "Halx.h"
#include "adjustments.h"
#include "elementary.h"
#include "phases.h"
#include "shared.h"

namespace Halx {

namespace {

using phases::Along;
using phases::LiquidIsotherm;
using phases::NeedG;
using phases::NeedH;
using phases::NeedV;
using phases::Point;
using phases::SolidIsotherm;
using shared::not_positive;
using shared::PascalPerBar;
using shared::undefined;

// A phase's evaluator, as phases.h gives them.
using Evaluator = bool (*)(double T, double P, unsigned need, Point *point);

// --- The vapour pressure ------------------------------------------------------------------------

// The iteration for the vapour pressure evaluates the condensed phase and the
// partial pressures at pressures that differ by parts per million at most
// after its first step, so two transcendental functions are cheaper near a
// point already known. Both agree with the correctly rounded functions to
// within an ulp or so, far inside the rounding of the condensed phase's Gibbs
// energy (near 1e5 J/mol) that the partial pressures' exponentials magnify.

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

// Over which condensed phase a vapour pressure is taken.
enum class Over { Lower, Solid, Liquid };

// The condensed phase of lower Gibbs energy at P; one that does not exist at
// P gives way to the other. The comparisons are quiet: a phase not evaluated
// is NaN, and raises no invalid-operation flag. The phase lower at 1 bar is
// evaluated first, and the other only if it could be lower: the choice is
// the one evaluating both would make.
Along lower_condensed(SolidIsotherm &solid, const LiquidIsotherm &liquid, double P) {
    Along in_solid = {std::numeric_limits<double>::quiet_NaN(), 0.0}, in_liquid = in_solid;
    if (!std::isgreater(solid.standard(), liquid.standard())) {
        in_solid = solid.at(P);
        if (!std::isless(in_solid.G, liquid.lowest_at(P))) in_liquid = liquid.at(P);
    } else {
        in_liquid = liquid.at(P);
        if (!std::isless(in_liquid.G, solid.lowest_at(P))) in_solid = solid.at(P);
    }
    return std::isless(in_solid.G, in_liquid.G) || std::isnan(in_liquid.G) ? in_solid : in_liquid;
}

Along condensed_at(SolidIsotherm &solid, const LiquidIsotherm &liquid, double P, Over over) {
    if (over == Over::Solid) return solid.at(P);
    if (over == Over::Liquid) return liquid.at(P);
    return lower_condensed(solid, liquid, P);
}

// Whether a vapour of partial pressures p1 and p2 (bar) at RT is dilute
// enough to be a vapour (phases.h): its density against a tenth of the
// liquid's at zero pressure.
bool dilute_vapour(double T, double RT, double p1, double p2) {
    const double rho = (((p1 + p2 * 2.0) * PascalPerBar) * MolarMass) / RT;
    return phases::vapour_is_dilute(rho, T);
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

double vapour_pressure(double T, Over over) {
    if (std::isnan(T)) return T;
    const double Tk = T + 273.15;
    if (not_positive(Tk)) return undefined();
    const double lnT = elementary::log(Tk);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const phases::VapourSpecies species = phases::vapour_species(Tk, lnT);
    const double RT = species.RT;
    SolidIsotherm solid(T, over == Over::Liquid ? nan : phases::crystal_standard_gibbs(Tk, lnT));
    const LiquidIsotherm liquid(T, over == Over::Solid ? nan : phases::liquid_standard_gibbs(Tk, lnT));
    NearExp monomer_pressure, dimer_pressure;
    double P = 1.0;
    for (int step = 0; step < MaxSteps; ++step) {
        const Along condensed = condensed_at(solid, liquid, P, over);
        if (std::isnan(condensed.G)) return undefined();
        const double p1 = monomer_pressure((condensed.G - species.g1) / RT);
        const double p2 = dimer_pressure((condensed.G * 2.0 - species.g2) / RT);
        const double F = P - (p1 + p2);
        // F / F' with RT F' = RT - (p1 + 2 p2) v: one division.
        const double slope = RT - (p1 + p2 * 2.0) * condensed.V;
        const double change = (F * RT) / slope;
        const double next = P - change;
        const bool done =
            next == P || std::isnan(next) || std::islessequal(std::fabs(change * condensed.V), slope * ConvergedStep);
        if (done) return dilute_vapour(T, RT, p1, p2) ? next : undefined();
        P = next;
    }
    return P;
}

// --- Temperatures and pressures where two phases meet --------------------------------------------

// Where the step leaves less than this share of the variable, the step just
// taken leaves an error far below the last place (Newton's error shrinks with
// the square of the step).
constexpr double ConvergedShare = 0x1p-30;
constexpr int MaxNewtonSteps = 64;

// The temperature (degC) at pressure P where phases `upper` (stable above it)
// and `lower` have one Gibbs energy, from `start`. Newton's method on
// phi(u) = (G_upper - G_lower) / Tk in u = 1 / Tk, whose slope is the latent
// heat H_upper - H_lower (Gibbs-Helmholtz): nearly constant, so each step
// lands close to the answer.
double meeting_temperature(double P, double start, Evaluator upper, Evaluator lower) {
    if (std::isnan(P)) return P;
    double Tk = start + 273.15;
    // The last temperature where both phases existed: a step beyond where one
    // exists goes back halfway to it.
    double good = std::numeric_limits<double>::quiet_NaN();
    for (int step = 0; step < MaxNewtonSteps; ++step) {
        const double T = Tk - 273.15;
        Point a, b;
        if (!(std::isgreater(Tk, 0.0) && upper(T, P, NeedG | NeedH, &a) && lower(T, P, NeedG | NeedH, &b))) {
            if (std::isnan(good) || Tk == good) return undefined();
            Tk = 0.5 * (Tk + good);
            continue;
        }
        good = Tk;
        const double u = 1.0 / Tk - ((a.G - b.G) / Tk) / (a.H - b.H);
        const double next = 1.0 / u;
        if (next == Tk || std::isnan(next)) return next - 273.15;
        if (std::islessequal(std::fabs(next - Tk), Tk * ConvergedShare)) return next - 273.15;
        Tk = next;
    }
    return undefined();
}

// The pressure (bar) at temperature T where solid and liquid have one Gibbs
// energy, from `start`: Newton's method on G_liquid - G_solid, whose slope in
// P is the difference of the molar volumes.
double melting_pressure(double T, double start) {
    double P = start;
    // Where both phases exist, as far as is known: at first 1 bar. A start or
    // a step beyond where one exists (the liquid's density correlation ends
    // under a few kilobar of tension) goes back halfway to it.
    double good = 1.0;
    for (int step = 0; step < MaxNewtonSteps; ++step) {
        Point solid, liquid;
        if (!(phases::solid(T, P, NeedG | NeedV, &solid) && phases::liquid(T, P, NeedG | NeedV, &liquid))) {
            if (P == good) return undefined();
            P = 0.5 * (P + good);
            continue;
        }
        good = P;
        const double change = (liquid.G - solid.G) / (liquid.V - solid.V);
        const double next = P - change;
        if (next == P || std::isnan(next)) return next;
        const double scale = std::fabs(P) > 1.0 ? std::fabs(P) : 1.0;
        if (std::islessequal(std::fabs(change), scale * ConvergedShare)) return next;
        P = next;
    }
    return undefined();
}

// The enthalpy of `upper` less that of `lower` at (T, P); NaN (a NaN
// argument as it is) where either has no state.
double heat(double T, double P, Evaluator upper, Evaluator lower) {
    if (std::isnan(T)) return T;
    if (std::isnan(P)) return P;
    Point a, b;
    if (!(upper(T, P, NeedH, &a) && lower(T, P, NeedH, &b))) return undefined();
    return a.H - b.H;
}

TriplePoint find_triple_point() {
    // The melting temperature moves by hundredths of a kelvin per bar, and
    // the pressure here is below a millibar: each round gains many digits.
    double T = T_Triple;
    for (int round = 0; round < 8; ++round) {
        const double next = T_SolidLiquid(P_SolidVapour(T));
        if (next == T) break;
        T = next;
    }
    return {T, P_SolidVapour(T)};
}

}  // namespace

Phase phase(double T, double P) {
    // No state exists below absolute zero or at a negative pressure (and none
    // follows from a NaN); the comparisons are quiet. At absolute zero only
    // the crystal exists, where its density is positive.
    const double Tk = T + 273.15;
    if (std::isnan(T) || std::isnan(P) || std::isless(Tk, 0.0) || std::isless(P, 0.0)) return Phase::Undefined;
    if (Tk == 0.0) return std::isgreater(cHalx::Rho_Solid(T, P), 0.0) ? Phase::Solid : Phase::Undefined;
    Phase stable = Phase::Undefined;
    double lowest = std::numeric_limits<double>::infinity();
    const Evaluator phases_by_density[] = {phases::solid, phases::liquid, phases::vapour};
    for (int i = 0; i < 3; ++i) {
        Point point;
        // A phase whose Gibbs energy is no number (at infinite arguments) has no say.
        if (!phases_by_density[i](T, P, NeedG, &point) || std::isnan(point.G)) continue;
        if (stable == Phase::Undefined || std::isless(point.G, lowest)) {
            stable = static_cast<Phase>(i + 1);
            lowest = point.G;
        }
    }
    return stable;
}

double T_SolidLiquid(double P) { return meeting_temperature(P, cHalx::T_Melting(P), phases::liquid, phases::solid); }

double P_SolidLiquid(double T) {
    if (std::isnan(T)) return T;
    const double start = P_Melting(T);
    if (std::isnan(start)) return undefined();
    return melting_pressure(T, start);
}

double P_LiquidVapour(double T) { return vapour_pressure(T, Over::Liquid); }

double P_SolidVapour(double T) { return vapour_pressure(T, Over::Solid); }

double P_Vapour(double T) { return vapour_pressure(T, Over::Lower); }

// Below about 5e-23 bar the boiling curve's temperature lies below the
// liquid's lowest (adjustments.h), where no Newton step could start; the
// iteration starts a kelvin above that instead, and from there reaches the
// boundary where it lies above the liquid's lowest temperature.
constexpr double LiquidStart = adjustments::LiquidLowestTemperature - 272.15;

double T_LiquidVapour(double P) {
    if (std::isnan(P)) return P;
    if (!std::isgreater(P, 0.0)) return undefined();
    const double start = T_Boiling(P);
    return meeting_temperature(P, std::isless(start, LiquidStart) ? LiquidStart : start, phases::vapour,
                               phases::liquid);
}

double T_SolidVapour(double P) {
    if (std::isnan(P)) return P;
    if (P == 0.0) return shared::AbsoluteZero;
    if (!std::isgreater(P, 0.0)) return undefined();
    return meeting_temperature(P, T_Sublimation(P), phases::vapour, phases::solid);
}

double H_Fusion(double P) { return heat(T_SolidLiquid(P), P, phases::liquid, phases::solid); }

double H_Vaporization(double T) { return heat(T, P_LiquidVapour(T), phases::vapour, phases::liquid); }

double H_Sublimation(double T) { return heat(T, P_SolidVapour(T), phases::vapour, phases::solid); }

TriplePoint triple_point() {
    static const TriplePoint point = find_triple_point();
    return point;
}

}  // namespace Halx

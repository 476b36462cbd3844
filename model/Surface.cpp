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
#include "correlations.h"
#include "elementary.h"
#include "phases.h"
#include "shared.h"

namespace Halx {

namespace {

using phases::NeedG;
using phases::NeedH;
using phases::NeedV;
using phases::Point;
using shared::not_positive;
using shared::undefined;

// A phase's evaluator, as phases.h gives them.
using Evaluator = bool (*)(double T, double P, unsigned need, Point *point);

// --- The vapour pressure ------------------------------------------------------------------------

// The iteration of phases.h over doubles, along the solid's or the liquid's
// isotherm: phi and the volume from the series where they hold, and from the
// closed forms with the correctly rounded logarithm beyond.
using Scalar = phases::ScalarArithmetic;

// Whether a vapour of density rho may be given at the temperature of the
// isotherm (phases::vapour_is_dilute).
struct DiluteAt {
    double T;
    bool dilute(double rho) const { return phases::vapour_is_dilute(rho, T); }
};

struct SolidIsotherm : DiluteAt {
    phases::SolidLine<double> line;

    double volume_at_one() const { return phases::solid_line_volume(line, 1.0); }

    void at(Scalar &, double P, double &phi, double &V, bool &missing) const {
        bool outside;
        phi = phases::solid_line_phi<Scalar>(line, P, outside);
        missing = false;
        if (outside) {
            const double rho = line.s * P + line.rho0;
            missing = not_positive(rho);
            if (missing) return;
            phi = (elementary::log(rho / line.rho1) / line.s) * line.beta;
        }
        V = phases::solid_line_volume(line, P);
    }
};

struct LiquidIsotherm : DiluteAt {
    phases::LiquidLine<double> line;

    double volume_at_one() const { return phases::liquid_line_volume(line, 1.0); }

    void at(Scalar &, double P, double &phi, double &V, bool &missing) const {
        bool outside;
        phi = phases::liquid_line_phi<Scalar>(line, P, outside);
        missing = false;
        if (!outside) {
            V = phases::liquid_line_volume(line, P);
            return;
        }
        const phases::LiquidAtT<double> at = {line.Vm, line.kappa, line.c};
        phases::Compression<double> d = phases::compression_arguments(at, P);
        missing = not_positive(d.a) || not_positive(d.a1);
        if (missing) return;
        Scalar arithmetic;
        phases::compression_logarithms(arithmetic, d);
        missing = not_positive(d.D) || not_positive(d.D1);
        if (missing) return;
        phi = phases::liquid_J_closed(line.c, d, P) * line.beta;
        V = phases::LiquidScale * (line.Vm * d.D);
    }
};

// Newton's steps of phases::vapour_pressure_lanes along `isotherm`, taken
// one after the other, from the anchors a and b. False where there is no
// answer.
template <class Isotherm>
bool iterate(const Isotherm &isotherm, double a, double b, double RT, double *result) {
    Scalar arithmetic;
    double P = 1.0, p1 = a, p2 = b, V = isotherm.volume_at_one();
    for (int step = 0; step < phases::MaxSteps; ++step) {
        bool done;
        const double next = phases::newton_step<Scalar>(P, p1, p2, V, RT, done);
        if (done) {
            *result = next;
            return isotherm.dilute(phases::vapour_density_of(p1, p2, RT));
        }
        P = next;
        double phi;
        bool missing;
        isotherm.at(arithmetic, P, phi, V, missing);
        if (missing) return false;
        phases::partial_pressures(arithmetic, a, b, phi, p1, p2);
    }
    *result = P;
    return true;
}

// The vapour pressure over the solid and over the liquid at T from their
// anchors' exponents; false where there is none. The solid has none where
// its density at 1 bar is not positive. (Its exponential is called before
// the anchors': the anchors' are on the way to the first step, and the
// isotherm only to the second.)
bool over_solid(double T, double RT, double x1, double x2, double *P) {
    Scalar arithmetic;
    const phases::SolidAt<double> at = phases::solid_at(arithmetic, T, 1.0);
    const double a = arithmetic.exp(x1), b = arithmetic.exp(x2);
    if (not_positive(at.rho1)) return false;
    return iterate(SolidIsotherm{{T}, phases::solid_line(at, RT)}, a, b, RT, P);
}

bool over_liquid(double T, double RT, double x1, double x2, double *P) {
    Scalar arithmetic;
    const double a = arithmetic.exp(x1), b = arithmetic.exp(x2);
    return iterate(LiquidIsotherm{{T}, phases::liquid_line(phases::liquid_at(T), RT)}, a, b, RT, P);
}

// Over which condensed phase a vapour pressure is taken.
enum class Over { Lower, Solid, Liquid };

double vapour_pressure(double T, Over over) {
    if (std::isnan(T)) return T;
    const double Tk = T + 273.15;
    if (not_positive(Tk)) return undefined();
    const double RT = shared::GasConstant * Tk;
    const double lnT = elementary::log(Tk);
    // Each phase's anchors where it has a state along the isotherm (the
    // liquid from its lowest temperature on, where its volume is positive).
    double xs1 = 0.0, xs2 = 0.0, xl1 = 0.0, xl2 = 0.0;
    const bool has_solid = over != Over::Liquid;
    if (has_solid) {
        if (Tk < adjustments::JoinTemperature) {
            phases::cold_crystal_anchor_exponents(Tk, lnT, &xs1, &xs2);
        } else {
            phases::anchor_exponents<Scalar>(phases::CrystalAnchors, Tk, lnT, xs1, xs2);
        }
    }
    const bool has_liquid = over != Over::Solid && !(Tk < adjustments::LiquidLowestTemperature) &&
                            !not_positive(correlations::liquid_volume(T));
    if (has_liquid) phases::anchor_exponents<Scalar>(phases::LiquidAnchors, Tk, lnT, xl1, xl2);
    // The phase of lower Gibbs energy at 1 bar first; the other where that
    // finds no answer, or where the two lie close.
    double P_solid = 0.0, P_liquid = 0.0;
    bool solid_found = false, liquid_found = false;
    if (has_solid && (!has_liquid || std::isless(xs1, xl1))) {
        solid_found = over_solid(T, RT, xs1, xs2, &P_solid);
        if (has_liquid && (!solid_found || std::islessequal(std::fabs(xs1 - xl1), phases::CloseAnchors))) {
            liquid_found = over_liquid(T, RT, xl1, xl2, &P_liquid);
        }
    } else if (has_liquid) {
        liquid_found = over_liquid(T, RT, xl1, xl2, &P_liquid);
        if (has_solid && (!liquid_found || std::islessequal(std::fabs(xs1 - xl1), phases::CloseAnchors))) {
            solid_found = over_solid(T, RT, xs1, xs2, &P_solid);
        }
    }
    if (solid_found && liquid_found) return std::fmin(P_solid, P_liquid);
    if (solid_found) return P_solid;
    if (liquid_found) return P_liquid;
    return undefined();
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

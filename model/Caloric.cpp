// The caloric properties: each one quantity of one phase's Gibbs energy
// surface (phases.h), evaluated with what that quantity needs and nothing
// more. Compiled under the exact-FP flags like the rest of the model.
#include "Caloric.h"

#include <cmath>

#include "Halx.h"
#include "elementary.h"
#include "phases.h"
#include "shared.h"

namespace Halx {

namespace {

using phases::Point;
using shared::undefined;

// A NaN argument, handed back as it is: the temperature's, else the pressure's.
bool either_nan(double T, double P, double *result) {
    if (std::isnan(T)) {
        *result = T;
        return true;
    }
    if (std::isnan(P)) {
        *result = P;
        return true;
    }
    return false;
}

// The member `quantity` of phase `evaluate`'s point at (T, P).
template <bool (*evaluate)(double, double, unsigned, Point *), phases::Need need, double Point::*quantity>
double caloric(double T, double P) {
    double result;
    if (either_nan(T, P, &result)) return result;
    Point point;
    if (!evaluate(T, P, need, &point)) return undefined();
    return point.*quantity;
}

// The Gibbs energy of formation of the phase `evaluate` at (T, P).
template <bool (*evaluate)(double, double, unsigned, Point *)>
double formation(double T, double P) {
    double result;
    if (either_nan(T, P, &result)) return result;
    Point point;
    double elements;
    if (!evaluate(T, P, phases::NeedG, &point) || !phases::elements_gibbs(T, &elements)) return undefined();
    return point.G - elements;
}

// The vapour's composition at (T, P) and what is asked of it.
template <class Take>
double of_vapour(double T, double P, unsigned need, Take take) {
    double result;
    if (either_nan(T, P, &result)) return result;
    phases::Vapour vapour;
    if (!phases::vapour_state(T, P, need, &vapour)) return undefined();
    return take(vapour);
}

}  // namespace

double Cp_Solid(double T, double P) { return caloric<phases::solid, phases::NeedCp, &Point::Cp>(T, P); }
double H_Solid(double T, double P) { return caloric<phases::solid, phases::NeedH, &Point::H>(T, P); }
double S_Solid(double T, double P) { return caloric<phases::solid, phases::NeedS, &Point::S>(T, P); }
double G_Solid(double T, double P) { return caloric<phases::solid, phases::NeedG, &Point::G>(T, P); }

double Cp_Liquid(double T, double P) { return caloric<phases::liquid, phases::NeedCp, &Point::Cp>(T, P); }
double H_Liquid(double T, double P) { return caloric<phases::liquid, phases::NeedH, &Point::H>(T, P); }
double S_Liquid(double T, double P) { return caloric<phases::liquid, phases::NeedS, &Point::S>(T, P); }
double G_Liquid(double T, double P) { return caloric<phases::liquid, phases::NeedG, &Point::G>(T, P); }

double Cp_Vapour(double T, double P) { return caloric<phases::vapour, phases::NeedCp, &Point::Cp>(T, P); }
double H_Vapour(double T, double P) { return caloric<phases::vapour, phases::NeedH, &Point::H>(T, P); }
double S_Vapour(double T, double P) { return caloric<phases::vapour, phases::NeedS, &Point::S>(T, P); }
double G_Vapour(double T, double P) { return caloric<phases::vapour, phases::NeedG, &Point::G>(T, P); }

double Cp_VapourFrozen(double T, double P) {
    return of_vapour(T, P, phases::NeedCp,
                     [](const phases::Vapour &v) { return phases::vapour_frozen_heat_capacity(v); });
}

double Rho_Vapour(double T, double P) {
    return of_vapour(T, P, 0,
                     [P](const phases::Vapour &v) { return ((P * shared::PascalPerBar) * (MolarMass * v.w)) / v.RT; });
}

double X_Dimer(double T, double P) {
    return of_vapour(T, P, 0, [](const phases::Vapour &v) { return v.y2; });
}

double K_Dimer(double T) {
    return of_vapour(T, 0.0, phases::NeedG, [](const phases::Vapour &v) { return elementary::exp(v.lnK); });
}

double Gf_Solid(double T, double P) { return formation<phases::solid>(T, P); }
double Gf_Liquid(double T, double P) { return formation<phases::liquid>(T, P); }
double Gf_Vapour(double T, double P) { return formation<phases::vapour>(T, P); }

}  // namespace Halx

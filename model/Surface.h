// The thermodynamic surface of sodium chloride: what follows from the Gibbs
// energies of the solid, the liquid and the vapour (Caloric.h) and from them
// alone. The stable phase at a state is the one of lowest Gibbs energy; a
// phase boundary is where two phases have the same; a latent heat is the
// difference of their enthalpies there, per mole of NaCl. So the answers
// agree with each other and with the caloric properties: on a boundary the
// two Gibbs energies are equal to rounding, Clapeyron's equation holds, and
// phase() names the phase of lowest G. (The five correlations of cHalx and
// their inverses in Derived.h are independent fits; they answer the same
// questions with other numbers.) Plain C++ with no knowledge of Python.
//
// Units: temperature in degrees Celsius, pressure in bar, heat in J/mol per
// mole of NaCl (a dimer in the vapour counts as two).
//
// Like the rest of the model the functions are pure and report no errors. A
// NaN argument is handed back as it is (a phase: Phase::Undefined), raising
// no floating-point flag. Where no answer exists (no state, a phase missing,
// no crossing) the result is NaN with the invalid flag raised.
#ifndef HALX_MODEL_SURFACE_H
#define HALX_MODEL_SURFACE_H

#include <cstdint>

namespace Halx {

// The phase of a state; the values are the codes that the array layer stores.
enum class Phase : std::int8_t {
    Undefined = 0,  // no state: T or P is NaN, T is below absolute zero or P is negative
    Solid = 1,
    Liquid = 2,
    Vapour = 3,
};

// The stable phase at temperature T (degC) and pressure P (bar): the phase of
// lowest Gibbs energy among those that exist there. Where two tie (on a
// boundary, to the last bit), the denser: solid, then liquid, then vapour. At
// absolute zero, the solid.
Phase phase(double T, double P);

// The solid-liquid boundary: the temperature (degC) at which solid and liquid
// have one Gibbs energy at pressure P (bar), and the pressure at temperature T.
double T_SolidLiquid(double P);
double P_SolidLiquid(double T);

// The liquid-vapour boundary: the vapour pressure (bar) of the liquid at T
// (degC), also below the triple point where the liquid is metastable, and the
// boiling temperature (degC) at P (bar).
double P_LiquidVapour(double T);
double T_LiquidVapour(double P);

// The solid-vapour boundary: the vapour pressure (bar) of the solid at T
// (degC), also above the triple point where the solid is metastable, and the
// sublimation temperature (degC) at P (bar).
double P_SolidVapour(double T);
double T_SolidVapour(double P);

// The vapour pressure (bar, monomer plus dimer) over whichever condensed
// phase has the lower Gibbs energy at T (degC): P_SolidVapour below the
// triple point, P_LiquidVapour above it. 0 where it underflows.
double P_Vapour(double T);

// Latent heats per mole of NaCl, as enthalpy differences at equilibrium:
// of fusion at the melting temperature of P (bar), of vaporization at the
// liquid's vapour pressure at T (degC), of sublimation at the solid's.
double H_Fusion(double P);
double H_Vaporization(double T);
double H_Sublimation(double T);

// The triple point, where solid, liquid and vapour have one Gibbs energy:
// temperature in degC, pressure in bar. Computed on the first call.
struct TriplePoint {
    double T, P;
};
TriplePoint triple_point();

}  // namespace Halx

#endif  // HALX_MODEL_SURFACE_H

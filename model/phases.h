// The Gibbs energy surface of each phase of sodium chloride, and what its
// derivatives give: the one source of the caloric properties (Caloric.cpp)
// and of the phase boundaries, the phase and the latent heats (Surface.cpp).
// Internal to the model (not installed); compiled only into files built
// under the exact-FP flags.
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

namespace Halx {
namespace phases {

// What an evaluation is asked for, or'ed together; what is not asked for is
// not computed (H_Solid takes no logarithm of T, G_Liquid sums no derivative).
enum Need : unsigned { NeedG = 1, NeedS = 2, NeedH = 4, NeedCp = 8, NeedV = 16 };

struct Point {
    double G = 0.0, S = 0.0, H = 0.0, Cp = 0.0, V = 0.0;
};

// The solid (halite): the crystal's standard state (thermochemistry.h, below
// 298.15 K the low-temperature form of adjustments.h) and the pressure
// dependence integrated from the density correlation. No state at or below
// absolute zero, or where the density is not positive at P or at 1 bar.
bool solid(double T, double P, unsigned need, Point *point);

// The liquid, likewise from its standard state and its density correlation.
// No state below the liquid's lowest temperature (adjustments.h), or where
// its density is not defined and positive at P or at 1 bar.
bool liquid(double T, double P, unsigned need, Point *point);

// The vapour: an ideal mixture of NaCl and Na2Cl2 in chemical equilibrium
// (2 NaCl = Na2Cl2), with the Gibbs energy shift of adjustments.h.
struct Vapour {
    double Tk, RT;
    double y1, y2, w;  // mole fractions of monomer and dimer; w = y1 + 2 y2, moles of NaCl per mole of molecules
    double h1, h2;     // each species' enthalpy at 1 bar, J/mol of the species
    double g1, g2;     // each species' Gibbs energy at 1 bar, J/mol of the species
    double lnK;        // ln of the dimerization constant at 1 bar
};

// The composition of the vapour at (T, P), with what `need` asks of the
// species: h1 and h2 for NeedH, NeedS or NeedCp; g1, g2 and lnK for NeedG or
// NeedS, and always at P > 0 (the composition needs K; at P = 0 the vapour is
// all monomer, whatever K). False at or below absolute zero, at negative P,
// and where the ideal gas would be denser than a tenth of the liquid
// (adjustments.h).
bool vapour_state(double T, double P, unsigned need, Vapour *vapour);
bool vapour(double T, double P, unsigned need, Point *point);

// Whether an ideal vapour of density rho (kg/m^3) at T (degC) is dilute
// enough to be given: at most a tenth of the liquid's density at zero
// pressure, where the liquid's correlation has a volume.
bool vapour_is_dilute(double rho, double T);

// Heat capacity of the vapour at frozen composition, per mole of NaCl.
double vapour_frozen_heat_capacity(const Vapour &vapour);

// The species' Gibbs energies at 1 bar (J/mol of the species), shifted as
// the vapour's are, at Tk kelvin (positive) with lnT = ln Tk: what the vapour
// pressure's iterations take once per temperature.
struct VapourSpecies {
    double RT, g1, g2;
};
VapourSpecies vapour_species(double Tk, double lnT);

// ln r for r near 1, by its series within 2^-10 of 1 (to under 2^-62 of the
// result), elsewhere the correctly rounded logarithm.
double log_near_one(double r);

// Standard Gibbs energies (1 bar, J/mol) of the crystal and of the liquid at
// Tk kelvin (positive) with lnT = ln Tk; NaN where the liquid has no standard
// state.
double crystal_standard_gibbs(double Tk, double lnT);
double liquid_standard_gibbs(double Tk, double lnT);

// The Gibbs energy (J/mol) of one mole of Na plus half a mole of Cl2, each in
// its stable state at T (degC) and 1 bar, from 200 K up; false below.
bool elements_gibbs(double T, double *G);

// A condensed phase along one isotherm, as the pressure iterations take it:
// its Gibbs energy G and molar volume V at one pressure (G NaN where the
// phase has no state there, or where it was not evaluated), and a lower
// bound of G at a pressure, widened far beyond the rounding of its parts.
struct Along {
    double G, V;
};

// The solid at temperature T, whose standard Gibbs energy is g0. Its
// density's exponential is taken on first use, and not at all where the
// liquid is always the lower. The molar volume's log is its series near 1.
class SolidIsotherm {
public:
    SolidIsotherm(double T, double g0);
    Along at(double P);
    double lowest_at(double P) const;
    double standard() const { return g0_; }

private:
    double T_, g0_, rho0_;
    bool ready_ = false;
    double s_ = 0.0, rho1_ = 0.0;
};

// The liquid at temperature T, whose standard Gibbs energy is g0 (NaN where
// the liquid has no standard state).
class LiquidIsotherm {
public:
    LiquidIsotherm(double T, double g0);
    Along at(double P) const;
    double lowest_at(double P) const;
    double standard() const { return g0_; }

private:
    double g0_, Vm_, kappa_, c_;
};

}  // namespace phases
}  // namespace Halx

#endif  // HALX_MODEL_PHASES_H

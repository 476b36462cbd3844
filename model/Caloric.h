// The caloric properties of sodium chloride: heat capacity, enthalpy, entropy
// and Gibbs energy of the solid, the liquid and the vapour, the vapour's
// density and composition, and the vapour pressure that follows from the
// Gibbs energies. Plain C++ with no knowledge of Python, like Derived.h.
//
// Sources: the standard-state functions of the crystal, the liquid, and the
// ideal gases NaCl and Na2Cl2 come from published thermochemical data
// (thermochemistry.h); the pressure dependence of the solid and the liquid
// comes from this model's own densities, integrated in closed form from
// 1 bar: (dG/dP)_T = V, (dS/dP)_T = -(dV/dT)_P with V = MolarMass / rho.
// The vapour is an ideal mixture of monomer and dimer in chemical equilibrium
// (2 NaCl = Na2Cl2).
//
// Units: temperature in degrees Celsius, pressure in bar; per mole of NaCl
// throughout (a dimer counts as two): heat capacity and entropy in
// J/(mol K), enthalpy and Gibbs energy in J/mol, relative to the elements in
// their reference states at 298.15 K (the entropy is absolute); density in
// kg/m^3.
//
// Domains: every function is NaN at and below absolute zero (the polynomials
// take ln T). The solid's and the liquid's are NaN where their density is not
// positive at P or at 1 bar (the integral from 1 bar would cross it); the
// vapour's are NaN at negative pressure. Outside the temperatures the data
// were fitted over (thermochemistry.h) the polynomials extrapolate, like the
// correlations. A NaN argument gives NaN.
#ifndef HALX_MODEL_CALORIC_H
#define HALX_MODEL_CALORIC_H

namespace Halx {

// The solid (halite): isobaric heat capacity, enthalpy, entropy and Gibbs
// energy at temperature T (degC) and pressure P (bar).
double Cp_Solid(double T, double P);
double H_Solid(double T, double P);
double S_Solid(double T, double P);
double G_Solid(double T, double P);

// The liquid, likewise.
double Cp_Liquid(double T, double P);
double H_Liquid(double T, double P);
double S_Liquid(double T, double P);
double G_Liquid(double T, double P);

// The vapour, an ideal mixture of NaCl and Na2Cl2 in equilibrium at T (degC)
// and P (bar). Its heat capacity is that of the reacting mixture,
// (dH/dT)_P with the dimer fraction following T.
double Cp_Vapour(double T, double P);
double H_Vapour(double T, double P);
double S_Vapour(double T, double P);
double G_Vapour(double T, double P);
// Density of the vapour, kg/m^3.
double Rho_Vapour(double T, double P);
// Mole fraction of Na2Cl2 molecules in the vapour.
double X_Dimer(double T, double P);

// Equilibrium vapour pressure (bar, monomer plus dimer) over the condensed
// phase of lower Gibbs energy at temperature T (degC): the pressure at which
// the vapour's Gibbs energy equals the condensed phase's. 0 where it
// underflows.
double P_Vapour(double T);

}  // namespace Halx

#endif  // HALX_MODEL_CALORIC_H

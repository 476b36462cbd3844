// The caloric properties of sodium chloride: heat capacity, enthalpy, entropy
// and Gibbs energy of the solid, the liquid and the vapour, the vapour's
// density and composition, and the Gibbs energies of formation. Together they
// are the thermodynamic surface whose boundaries Surface.h gives. Plain C++
// with no knowledge of Python, like Halx.h.
//
// Sources: the standard-state functions of the crystal, the liquid, and the
// ideal gases NaCl and Na2Cl2 come from published thermochemical data (the
// NASA polynomials of the JANAF tables), with three documented departures:
// the crystal below 298.15 K obeys the third law, the liquid ends where it
// would hold less entropy than the crystal (66.49 degC), and the vapour's
// Gibbs energy is rotated about the triple point so that the normal boiling
// point is the measured 1465 degC (docs/caloric.md). The pressure dependence
// of the solid and the liquid comes from this model's own densities,
// integrated in closed form from 1 bar: (dG/dP)_T = V, (dS/dP)_T = -(dV/dT)_P
// with V = MolarMass / rho. The vapour is an ideal mixture of monomer and
// dimer in chemical equilibrium (2 NaCl = Na2Cl2).
//
// Units: temperature in degrees Celsius, pressure in bar; per mole of NaCl
// throughout (a dimer counts as two): heat capacity and entropy in J/(mol K),
// enthalpy and Gibbs energy in J/mol. H is relative to the elements in their
// reference states at 298.15 K (so H_Solid(25, 1) is the enthalpy of
// formation) and S is absolute, so G = H - T S is not a Gibbs energy of
// formation: Gf_* gives that. Density in kg/m^3.
//
// Domains: every function is NaN at and below absolute zero. The solid's and
// the liquid's are NaN where their density is not positive at P or at 1 bar;
// the liquid's below 66.49 degC. The vapour's are NaN at negative pressure and
// where the ideal gas would be denser than a tenth of the liquid at zero
// pressure. Outside the temperatures the data were fitted over the
// polynomials extrapolate. A NaN argument is handed back as it is (the
// temperature's first), raising no floating-point flag; a result NaN for
// want of a state raises the invalid flag.
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
// (dH/dT)_P with the dimer fraction following T; Cp_VapourFrozen holds the
// composition fixed (for sound speeds and fast changes).
double Cp_Vapour(double T, double P);
double Cp_VapourFrozen(double T, double P);
double H_Vapour(double T, double P);
double S_Vapour(double T, double P);
double G_Vapour(double T, double P);
// Density of the vapour, kg/m^3.
double Rho_Vapour(double T, double P);
// Mole fraction of Na2Cl2 molecules in the vapour.
double X_Dimer(double T, double P);
// The equilibrium constant of 2 NaCl = Na2Cl2 in the gas at T (degC),
// y2 / (y1^2 P) with P in bar.
double K_Dimer(double T);

// Gibbs energy of formation of each phase at T (degC) and P (bar), J/mol: its
// Gibbs energy less that of Na and 1/2 Cl2 in their stable states at T and
// 1 bar. At 1 bar it is the standard Gibbs energy of formation of the tables.
// NaN below 200 K, where the elements' data end.
double Gf_Solid(double T, double P);
double Gf_Liquid(double T, double P);
double Gf_Vapour(double T, double P);

}  // namespace Halx

#endif  // HALX_MODEL_CALORIC_H

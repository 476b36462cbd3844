// The thermochemical data of sodium chloride that the caloric properties rest
// on: NASA 7-coefficient polynomials for the crystal, the liquid and the ideal
// gases NaCl (monomer) and Na2Cl2 (dimer), as published in B. J. McBride,
// S. Gordon and M. A. Reno, "Coefficients for Calculating Thermodynamic and
// Transport Properties of Individual Species", NASA TM-4513 (1993), from the
// JANAF tables (their notes: crystal and liquid J 9/64, gases J 12/64).
// The coefficients are data, copied digit for digit; nothing else comes from
// that source. The elements sodium and chlorine, for the Gibbs energies of
// formation, come from the same compilation as the data files of Cantera
// (nasa_condensed.yaml, nasa_gas.yaml) distribute it: Na(cr) and Na(L) (their
// note: CODA89), Na (L 4/93) and Cl2 (TPIS89).
//
// With T in kelvin and a0..a6 one interval's coefficients:
//   Cp/R = a0 + a1 T + a2 T^2 + a3 T^3 + a4 T^4
//   H/R  = a0 T + a1 T^2/2 + a2 T^3/3 + a3 T^4/4 + a4 T^5/5 + a5
//   S/R  = a0 ln T + a1 T + a2 T^2/2 + a3 T^3/3 + a4 T^4/4 + a6
// per mole of the species, at the standard pressure of 1 bar; H is relative
// to the elements in their reference states at 298.15 K, S is absolute.
#ifndef HALX_MODEL_THERMOCHEMISTRY_H
#define HALX_MODEL_THERMOCHEMISTRY_H

namespace Halx {
namespace thermochemistry {

// A species' polynomials: `low` up to and including `split` (kelvin), `high`
// above it. A species with one interval has the same coefficients in both.
struct Species {
    double split;
    double low[7];
    double high[7];
    // The temperatures (kelvin) between which the data were fitted.
    double fitted_from, fitted_to;
};

constexpr Species Crystal = {
    1000.0,
    {5.0240778, 5.1949066e-03, -7.283373e-06, 6.0671979e-09, -1.2013424e-12, -5.1123335e+04, -21.227201},
    {2.2134927, 1.5859902e-03, 5.0486383e-06, 2.6020549e-09, -3.6487096e-12, -4.9263203e+04, -2.602566},
    300.0,
    1073.8,
};

constexpr Species Liquid = {
    1073.8,
    {12.358488, -6.3071201e-03, 3.2004723e-06, -6.7717362e-10, 5.1015612e-14, -5.1423265e+04, -60.58553},
    {12.358488, -6.3071201e-03, 3.2004723e-06, -6.7717362e-10, 5.1015612e-14, -5.1423265e+04, -60.58553},
    1073.8,
    5000.0,
};

constexpr Species Monomer = {
    1000.0,
    {3.7032286, 3.1997608e-03, -4.8924502e-06, 3.4639218e-09, -9.1357521e-13, -2.3028276e+04, 5.77347949},
    {4.4282931, 1.5627241e-04, -2.8108383e-08, 4.7163571e-12, -2.8832557e-16, -2.31709e+04, 2.30097459},
    300.0,
    5000.0,
};

constexpr Species Dimer = {
    1000.0,
    {7.9583953, 8.396236e-03, -1.3817116e-05, 1.0277666e-08, -2.8644994e-12, -7.0725939e+04, -8.17532471},
    {9.8262001, 1.9184763e-04, -8.1608743e-08, 1.5298181e-11, -1.0558994e-15, -7.1077149e+04, -17.0361009},
    300.0,
    5000.0,
};

// Sodium: the crystal up to its melting point (371.01 K), the liquid, and the
// ideal gas; chlorine: the ideal gas Cl2.
constexpr Species SodiumCrystal = {
    371.01,
    {1.23954242, 0.0200562189, -7.36418252e-05, 1.02712149e-07, 0.0, -813.320916, -4.50651391},
    {1.23954242, 0.0200562189, -7.36418252e-05, 1.02712149e-07, 0.0, -813.320916, -4.50651391},
    200.0,
    371.01,
};

constexpr Species SodiumLiquid = {
    1000.0,
    {4.32382419, -0.00141145451, -1.31068846e-07, 9.17457679e-10, -2.3506507e-13, -936.522263, -17.2722638},
    {4.59858543, -0.00242459406, 1.32453794e-06, -4.12375317e-11, 6.40167081e-15, -998.535534, -18.6257127},
    371.01,
    2300.0,
};

constexpr Species SodiumGas = {
    1000.0,
    {2.50000005, -4.98492323e-10, 1.76034086e-12, -2.54461602e-15, 1.27603872e-18, 12159.7752, 4.24402773},
    {2.39858879, 0.000215466997, -1.49077568e-07, 3.66821795e-11, -1.66036037e-15, 12194.3069, 4.7918112},
    200.0,
    6000.0,
};

constexpr Species Chlorine = {
    1000.0,
    {2.73638114, 0.007835257, -1.45104963e-05, 1.25730834e-08, -4.13247145e-12, -1058.80114, 9.44555879},
    {4.74727508, -0.00048858171, 2.68444871e-07, -2.43476083e-11, -1.03683148e-15, -1511.01862, -0.344551305},
    200.0,
    6000.0,
};

}  // namespace thermochemistry
}  // namespace Halx

#endif  // HALX_MODEL_THERMOCHEMISTRY_H

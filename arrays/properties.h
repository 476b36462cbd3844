// The five properties as seen by the array layer: one table row each, holding
// the name, the number of inputs, the docstring and the loop that evaluates
// the model over a run of elements. The ufunc module and the benchmark floor
// both read this table, so a property is added or fixed in one place.
//
// Invariants: a loop hands its elements to the model's array kernels
// (dispatch.h) and does no arithmetic on the values itself; every kernel set
// gives each element the very double that the scalar binding returns. No
// Python or NumPy headers here: the loops see raw memory, element counts and
// byte steps only. Callers hand them aligned doubles (NumPy buffers unaligned
// arrays before the loop), so they load and store doubles directly.
#ifndef HALX_ARRAYS_PROPERTIES_H
#define HALX_ARRAYS_PROPERTIES_H

#include <cstdint>

#include "dispatch.h"

namespace halx_arrays {

// Evaluates one property over n elements. args holds the input pointers then
// the output pointer; steps holds their byte strides in the same order.
// Never fails.
using PropertyLoop = void (*)(char *const *args, std::intptr_t n, const std::intptr_t *steps);

struct Property {
    const char *name;
    int inputs;
    PropertyLoop loop;
    const char *doc;  // UTF-8; NumPy puts the call signature in front of it
};

inline constexpr Property kProperties[] = {
    {"P_Boiling", 1, one_input_loop<&Halx::ArrayKernels::P_Boiling>,
     "Pressure on the liquid-vapour (boiling) curve, bar.\n"
     "\n"
     "Parameters\n"
     "----------\n"
     "x : array_like\n"
     "    Temperature T, \xC2\xB0" "C.\n"
     "\n"
     "Returns\n"
     "-------\n"
     "ndarray or float64\n"
     "    Pressure, bar: element by element the double that cHalx.P_Boiling(T)\n"
     "    returns, NaN and infinities included. Inputs are converted to float64."},
    {"T_Melting", 1, one_input_loop<&Halx::ArrayKernels::T_Melting>,
     "Temperature on the solid-liquid (melting) curve, \xC2\xB0" "C.\n"
     "\n"
     "Parameters\n"
     "----------\n"
     "x : array_like\n"
     "    Pressure P, bar.\n"
     "\n"
     "Returns\n"
     "-------\n"
     "ndarray or float64\n"
     "    Temperature, \xC2\xB0" "C: element by element the double that cHalx.T_Melting(P)\n"
     "    returns, NaN and infinities included. Inputs are converted to float64."},
    {"P_Sublimation", 1, one_input_loop<&Halx::ArrayKernels::P_Sublimation>,
     "Pressure on the solid-vapour (sublimation) curve, bar.\n"
     "\n"
     "Parameters\n"
     "----------\n"
     "x : array_like\n"
     "    Temperature T, \xC2\xB0" "C.\n"
     "\n"
     "Returns\n"
     "-------\n"
     "ndarray or float64\n"
     "    Pressure, bar: element by element the double that cHalx.P_Sublimation(T)\n"
     "    returns, NaN and infinities included. Inputs are converted to float64."},
    {"Rho_Solid", 2, two_input_loop<&Halx::ArrayKernels::Rho_Solid>,
     "Density of the solid, kg/m\xC2\xB3.\n"
     "\n"
     "Parameters\n"
     "----------\n"
     "x1 : array_like\n"
     "    Temperature T, \xC2\xB0" "C.\n"
     "x2 : array_like\n"
     "    Pressure P, bar. Broadcast against T.\n"
     "\n"
     "Returns\n"
     "-------\n"
     "ndarray or float64\n"
     "    Density, kg/m\xC2\xB3: element by element the double that cHalx.Rho_Solid(T, P)\n"
     "    returns, NaN and infinities included. Inputs are converted to float64."},
    {"Rho_Liquid", 2, two_input_loop<&Halx::ArrayKernels::Rho_Liquid>,
     "Density of the liquid, kg/m\xC2\xB3.\n"
     "\n"
     "Parameters\n"
     "----------\n"
     "x1 : array_like\n"
     "    Temperature T, \xC2\xB0" "C.\n"
     "x2 : array_like\n"
     "    Pressure P, bar. Broadcast against T.\n"
     "\n"
     "Returns\n"
     "-------\n"
     "ndarray or float64\n"
     "    Density, kg/m\xC2\xB3: element by element the double that cHalx.Rho_Liquid(T, P)\n"
     "    returns, NaN and infinities included. Inputs are converted to float64."},
};

inline constexpr int kPropertyCount = sizeof(kProperties) / sizeof(kProperties[0]);

}  // namespace halx_arrays

#endif  // HALX_ARRAYS_PROPERTIES_H

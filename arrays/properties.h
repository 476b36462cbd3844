// The five properties as seen by the array layer: one table row each, holding
// the name, the number of inputs, the docstring and the loop that evaluates
// the model over a run of elements. The ufunc module and the benchmark floor
// both read this table, so a property is added or fixed in one place.
//
// Invariants: a loop calls the model function once per element and does no
// arithmetic on the values itself, so each element is the very double that
// the scalar binding returns. No Python or NumPy headers here: the loops see
// raw memory, element counts and byte steps only. Callers hand them aligned
// doubles (NumPy buffers unaligned arrays before the loop), so they load and
// store doubles directly.
#ifndef HALX_ARRAYS_PROPERTIES_H
#define HALX_ARRAYS_PROPERTIES_H

#include <cstdint>

#include "Halx.h"

namespace halx_arrays {

// Evaluates one property over n elements. args holds the input pointers then
// the output pointer; steps holds their byte strides in the same order.
// Never fails.
using PropertyLoop = void (*)(char *const *args, std::intptr_t n, const std::intptr_t *steps);

// f(x) over n elements; contiguous runs take a plain indexed loop. Never fails.
template <double (*Model)(double)>
void one_input_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const std::intptr_t x_step = steps[0];
    const std::intptr_t out_step = steps[1];
    if (x_step == sizeof(double) && out_step == sizeof(double)) {
        const double *x = reinterpret_cast<const double *>(args[0]);
        double *out = reinterpret_cast<double *>(args[1]);
        for (std::intptr_t i = 0; i < n; ++i) {
            out[i] = Model(x[i]);
        }
        return;
    }
    const char *x = args[0];
    char *out = args[1];
    for (std::intptr_t i = 0; i < n; ++i, x += x_step, out += out_step) {
        *reinterpret_cast<double *>(out) = Model(*reinterpret_cast<const double *>(x));
    }
}

// f(T, P) over n elements; contiguous runs take a plain indexed loop. Never fails.
template <double (*Model)(double, double)>
void two_input_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const std::intptr_t t_step = steps[0];
    const std::intptr_t p_step = steps[1];
    const std::intptr_t out_step = steps[2];
    if (t_step == sizeof(double) && p_step == sizeof(double) && out_step == sizeof(double)) {
        const double *t = reinterpret_cast<const double *>(args[0]);
        const double *p = reinterpret_cast<const double *>(args[1]);
        double *out = reinterpret_cast<double *>(args[2]);
        for (std::intptr_t i = 0; i < n; ++i) {
            out[i] = Model(t[i], p[i]);
        }
        return;
    }
    const char *t = args[0];
    const char *p = args[1];
    char *out = args[2];
    for (std::intptr_t i = 0; i < n; ++i, t += t_step, p += p_step, out += out_step) {
        *reinterpret_cast<double *>(out) =
            Model(*reinterpret_cast<const double *>(t), *reinterpret_cast<const double *>(p));
    }
}

struct Property {
    const char *name;
    int inputs;
    PropertyLoop loop;
    const char *doc;  // UTF-8; NumPy puts the call signature in front of it
};

inline constexpr Property kProperties[] = {
    {"P_Boiling", 1, one_input_loop<&Halx::cHalx::P_Boiling>,
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
    {"T_Melting", 1, one_input_loop<&Halx::cHalx::T_Melting>,
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
    {"P_Sublimation", 1, one_input_loop<&Halx::cHalx::P_Sublimation>,
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
    {"Rho_Solid", 2, two_input_loop<&Halx::cHalx::Rho_Solid>,
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
    {"Rho_Liquid", 2, two_input_loop<&Halx::cHalx::Rho_Liquid>,
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

// The correlations, the correctly rounded elementary functions, and the
// caloric properties and vapour pressures of the thermodynamic surface over
// contiguous arrays of doubles, in one set of kernels per instruction set:
// a plain loop over the scalar model (every machine), and on x86-64 SIMD
// kernels for the baseline (SSE2), AVX2 with FMA, and AVX-512 (F and DQ).
// Every kernel writes, element by element, the very double that the scalar
// function returns (NaN payloads included), and leaves set the floating-point
// flags (divide-by-zero, overflow, underflow, invalid) that the scalar
// function raises over the same elements, so the choice among them changes
// the speed only. Inexact is not kept to: it differs, and nothing reports it.
//
// Given the plausible span of each input, a kernel also tells whether some
// element of an input lies outside it, comparing each element while it is in
// registers for the evaluation (Halx.RangeWarning, without a second pass over
// the array); the comparisons raise no floating-point flag, NaN included.
//
// The kernels are plain functions over raw memory: no state, any thread. out
// may be the same array as an input (in place) but must not overlap it
// otherwise.
#ifndef HALX_MODEL_KERNELS_ARRAY_KERNELS_H
#define HALX_MODEL_KERNELS_ARRAY_KERNELS_H

#include <cmath>
#include <cstddef>

namespace Halx {

// The closed span of the values of an input that are plausible, in the
// input's unit.
struct Span {
    double low;
    double high;
};

// Whether x lies below or above span; NaN never does. A quiet comparison:
// raises no flag, NaN included. Both comparisons are made (no branch to
// mispredict where values lie on both sides). Never fails.
inline bool outside(double x, const Span &span) {
    const bool below = std::isless(x, span.low);
    const bool above = std::isgreater(x, span.high);
    return below | above;
}

// The plain kernels of a scalar function of one input or two, as the plain
// set has them and as the array layer runs every function without a kernel of
// its own: out[i] = f(x[i]) (or f(T[i], P[i])) for i < n, each input read once
// before out[i] is written (out may be an input), stored as Result (a double,
// or the code of an enumeration such as the phase). With spans, returns
// whether some input lies outside its span; without (null), compares nothing
// and returns false. Never fails.
template <auto Scalar, class Result = double>
bool plain_one_input(const double *x, Result *out, std::ptrdiff_t n, const Span *spans) {
    if (spans == nullptr) {
        for (std::ptrdiff_t i = 0; i < n; ++i) out[i] = static_cast<Result>(Scalar(x[i]));
        return false;
    }
    bool found = false;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double value = x[i];
        found |= outside(value, spans[0]);
        out[i] = static_cast<Result>(Scalar(value));
    }
    return found;
}

template <auto Scalar, class Result = double>
bool plain_two_inputs(const double *T, const double *P, Result *out, std::ptrdiff_t n, const Span *spans) {
    if (spans == nullptr) {
        for (std::ptrdiff_t i = 0; i < n; ++i) out[i] = static_cast<Result>(Scalar(T[i], P[i]));
        return false;
    }
    bool found = false;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double t = T[i];
        const double p = P[i];
        const bool t_outside = outside(t, spans[0]);
        const bool p_outside = outside(p, spans[1]);
        found |= t_outside | p_outside;
        out[i] = static_cast<Result>(Scalar(t, p));
    }
    return found;
}

struct ArrayKernels {
    // out[i] = f(x[i]) for i < n. With spans (one per input), returns whether
    // some x[i] lies outside spans[0]; without (null), compares nothing and
    // returns false. Never fails.
    using OneInput = bool (*)(const double *x, double *out, std::ptrdiff_t n, const Span *spans);
    // out[i] = f(T[i], P[i]) for i < n; with spans, whether some T[i] lies
    // outside spans[0] or some P[i] outside spans[1]. Never fails.
    using TwoInputs = bool (*)(const double *T, const double *P, double *out, std::ptrdiff_t n, const Span *spans);

    const char *name;  // "plain", "sse2", "avx2" or "avx512"
    OneInput P_Boiling;
    OneInput T_Melting;
    OneInput P_Sublimation;
    TwoInputs Rho_Solid;
    TwoInputs Rho_Liquid;
    OneInput exp;
    OneInput log;
    OneInput exp10;
    // The thermodynamic surface (Caloric.h, Surface.h).
    TwoInputs Cp_Solid, H_Solid, S_Solid, G_Solid;
    TwoInputs Cp_Liquid, H_Liquid, S_Liquid, G_Liquid;
    TwoInputs Cp_Vapour, H_Vapour, S_Vapour, G_Vapour;
    TwoInputs Cp_VapourFrozen, Rho_Vapour, X_Dimer;
    OneInput K_Dimer;
    TwoInputs Gf_Solid, Gf_Liquid, Gf_Vapour;
    OneInput P_Vapour, P_SolidVapour, P_LiquidVapour;
};

// The kernels called name, or null when this build lacks them or this CPU
// cannot run them. Never fails.
const ArrayKernels *array_kernels_named(const char *name);

// The kernels of the automatic choice: AVX-512, else AVX2, else the plain
// loop, whichever this CPU runs first. The SSE2 kernels, slower than the
// plain loop, are never chosen here; array_kernels_named("sse2") gives them.
// Never fails.
const ArrayKernels &best_array_kernels();

// The names of every set of kernels this build has, null-terminated (the
// sets' own names). Filled when the library is loaded.
extern const char *const *const ArrayKernelNames;

}  // namespace Halx

#endif  // HALX_MODEL_KERNELS_ARRAY_KERNELS_H

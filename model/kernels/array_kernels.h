// The correlations and the correctly rounded elementary functions over
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
// raises no flag, NaN included. Never fails.
inline bool outside(double x, const Span &span) { return std::isless(x, span.low) || std::isgreater(x, span.high); }

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

// The hook between the NumPy loops and the model's array kernels: the kernel
// set is chosen once, when Halx._ufuncs is imported (AVX-512, else AVX2, else
// the plain loop, whichever this CPU runs first; or the one that the
// environment variable HALX_SIMD names, SSE2 included), and every
// loop hands its runs of elements to that set. Contiguous runs go straight to
// a kernel; strided ones go through a small buffer on the stack, a block at a
// time, so they get the SIMD kernels too. Given the inputs' plausible spans,
// the kernels compare each element while they evaluate it (see
// array_kernels.h), strided runs included, in their blocks.
//
// Invariants: the choice is made before any ufunc exists and never changes
// afterwards, so loops read it without a lock. No Python or NumPy headers.
#ifndef HALX_UFUNCS_DISPATCH_H
#define HALX_UFUNCS_DISPATCH_H

#include <cstdint>

#include "array_kernels.h"
#include "loops.h"

namespace Halx::ufuncs {

// The variable that forces a kernel set, and its message for a set this
// build or CPU cannot run ("%s": the requested name).
constexpr const char *KernelVariable = "HALX_SIMD";
constexpr const char *KernelRefused =
    "HALX_SIMD=%s: no such SIMD kernel set for this build and CPU; use one of: %s, or unset it";

// The kernels the loops use. Never fails.
const Halx::ArrayKernels &active_kernels();

// Chooses the kernels: requested names a set (null or empty: the automatic
// choice, Halx::best_array_kernels).
// Returns false, choosing nothing, when that set cannot run here.
bool choose_kernels(const char *requested);

// Elements per block of a strided run.
constexpr std::intptr_t Block = 256;

// Calls `kernel` (one or two input arrays, one output) on `inputs` and
// `out`; returns what the kernel does (whether an element lies outside spans).
template <int inputs, class Kernel>
bool call_kernel(Kernel kernel, const double *const *in, double *out, std::intptr_t n, const Halx::Span *spans) {
    if constexpr (inputs == 1) {
        return kernel(in[0], out, n, spans);
    } else {
        return kernel(in[0], in[1], out, n, spans);
    }
}

// The kernel `Kernel` of `inputs` doubles over n elements (NumPy's args and
// byte steps: the inputs, then the output), a PropertyLoop. Never fails.
template <int inputs, auto Kernel>
bool dispatching_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
    const auto kernel = active_kernels().*Kernel;
    const double *in[inputs];
    bool contiguous = steps[inputs] == sizeof(double);
    for (int k = 0; k < inputs; ++k) {
        in[k] = reinterpret_cast<const double *>(args[k]);
        contiguous = contiguous && steps[k] == sizeof(double);
    }
    if (contiguous) {
        return call_kernel<inputs>(kernel, in, reinterpret_cast<double *>(args[inputs]), n, spans);
    }
    double blocks[inputs][Block];
    double out[Block];
    bool found = false;
    for (int k = 0; k < inputs; ++k) in[k] = blocks[k];
    for (std::intptr_t start = 0; start < n; start += Block) {
        const std::intptr_t count = n - start < Block ? n - start : Block;
        for (int k = 0; k < inputs; ++k) {
            for (std::intptr_t i = 0; i < count; ++i) {
                blocks[k][i] = *reinterpret_cast<const double *>(args[k] + (start + i) * steps[k]);
            }
        }
        found |= call_kernel<inputs>(kernel, in, out, count, spans);
        for (std::intptr_t i = 0; i < count; ++i) {
            *reinterpret_cast<double *>(args[inputs] + (start + i) * steps[inputs]) = out[i];
        }
    }
    return found;
}

// The loop of the kernel `Kernel` of `inputs` doubles.
template <int inputs, auto Kernel>
constexpr PropertyLoop kernel_loop() {
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    return dispatching_loop<inputs, Kernel>;
}

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_DISPATCH_H

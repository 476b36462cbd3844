// The hook between the NumPy loops and the model's array kernels: the kernel
// set is chosen once, when Halx._ufuncs is imported (the best one this CPU
// runs, or the one that the environment variable HALX_SIMD names), and every
// loop hands its runs of elements to that set. Contiguous runs go straight to
// a kernel; strided ones go through a small buffer on the stack, a block at a
// time, so they get the SIMD kernels too.
//
// Invariants: the choice is made before any ufunc exists and never changes
// afterwards, so loops read it without a lock. No Python or NumPy headers.
#ifndef HALX_ARRAYS_DISPATCH_H
#define HALX_ARRAYS_DISPATCH_H

#include <cstdint>

#include "array_kernels.h"
#include "loops.h"

namespace halx::arrays {

// The variable that forces a kernel set, and its message for a set this
// build or CPU cannot run ("%s": the requested name).
constexpr const char *KernelVariable = "HALX_SIMD";
constexpr const char *KernelRefused =
    "HALX_SIMD=%s: no such SIMD kernel set for this build and CPU; use one of: %s, or unset it";

// The kernels the loops use. Never fails.
const Halx::ArrayKernels &active_kernels();

// Chooses the kernels: requested names a set (null or empty: the best one).
// Returns false, choosing nothing, when that set cannot run here.
bool choose_kernels(const char *requested);

// Elements per block of a strided run.
constexpr std::intptr_t Block = 256;

// f(x) over n elements (NumPy's args and byte steps). Never fails.
template <Halx::ArrayKernels::OneInput Halx::ArrayKernels::*Kernel>
void one_kernel_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const Halx::ArrayKernels::OneInput kernel = active_kernels().*Kernel;
    if (steps[0] == sizeof(double) && steps[1] == sizeof(double)) {
        kernel(reinterpret_cast<const double *>(args[0]), reinterpret_cast<double *>(args[1]), n);
        return;
    }
    double x[Block];
    double out[Block];
    for (std::intptr_t start = 0; start < n; start += Block) {
        const std::intptr_t count = n - start < Block ? n - start : Block;
        for (std::intptr_t i = 0; i < count; ++i) {
            x[i] = *reinterpret_cast<const double *>(args[0] + (start + i) * steps[0]);
        }
        kernel(x, out, count);
        for (std::intptr_t i = 0; i < count; ++i) {
            *reinterpret_cast<double *>(args[1] + (start + i) * steps[1]) = out[i];
        }
    }
}

// f(T, P) over n elements, as one_input_loop. Never fails.
template <Halx::ArrayKernels::TwoInputs Halx::ArrayKernels::*Kernel>
void two_kernel_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const Halx::ArrayKernels::TwoInputs kernel = active_kernels().*Kernel;
    if (steps[0] == sizeof(double) && steps[1] == sizeof(double) && steps[2] == sizeof(double)) {
        kernel(reinterpret_cast<const double *>(args[0]), reinterpret_cast<const double *>(args[1]),
               reinterpret_cast<double *>(args[2]), n);
        return;
    }
    double t[Block];
    double p[Block];
    double out[Block];
    for (std::intptr_t start = 0; start < n; start += Block) {
        const std::intptr_t count = n - start < Block ? n - start : Block;
        for (std::intptr_t i = 0; i < count; ++i) {
            t[i] = *reinterpret_cast<const double *>(args[0] + (start + i) * steps[0]);
            p[i] = *reinterpret_cast<const double *>(args[1] + (start + i) * steps[1]);
        }
        kernel(t, p, out, count);
        for (std::intptr_t i = 0; i < count; ++i) {
            *reinterpret_cast<double *>(args[2] + (start + i) * steps[2]) = out[i];
        }
    }
}

// The loop of the kernel `Kernel` of `inputs` doubles.
template <int inputs, auto Kernel>
constexpr PropertyLoop kernel_loop() {
    if constexpr (inputs == 1) {
        return one_kernel_loop<Kernel>;
    } else {
        return two_kernel_loop<Kernel>;
    }
}

}  // namespace halx::arrays

#endif  // HALX_ARRAYS_DISPATCH_H

// The kernel set of the loops: chosen once, when Halx._ufuncs is imported
// (AVX-512, else AVX2, else the plain loop, whichever this CPU runs first; or
// the one that the environment variable HALX_SIMD names, SSE2 included), and
// used by every loop over a row that names a kernel (loops.h).
//
// Invariants: the choice is made before any ufunc exists and never changes
// afterwards, so loops read it without a lock. No Python or NumPy headers.
// Error convention: choose_kernels returns false, choosing nothing; the rest never fails.
#ifndef HALX_UFUNCS_DISPATCH_H
#define HALX_UFUNCS_DISPATCH_H

#include "array_kernels.h"

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

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_DISPATCH_H

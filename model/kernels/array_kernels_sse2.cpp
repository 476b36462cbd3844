// The SIMD array kernels for the x86-64 baseline (SSE2, 2 doubles per vector).
// model/CMakeLists.txt compiles this file alone with that instruction set;
// array_kernels.cpp offers the table only on CPUs that have it.
#include "array_kernels_simd.h"

namespace Halx {

extern const ArrayKernels Sse2ArrayKernels;
const ArrayKernels Sse2ArrayKernels = simd_array_kernels("sse2");

}  // namespace Halx

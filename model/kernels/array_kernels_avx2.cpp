// The SIMD array kernels for AVX2 with FMA (4 doubles per vector).
// model/CMakeLists.txt compiles this file alone with that instruction set;
// array_kernels.cpp offers the table only on CPUs that have it.
#include "array_kernels_simd.h"

namespace Halx {

extern const ArrayKernels Avx2ArrayKernels;
const ArrayKernels Avx2ArrayKernels = simd_array_kernels("avx2");

}  // namespace Halx

// The SIMD array kernels for AVX-512 F and DQ (8 doubles per vector).
// model/CMakeLists.txt compiles this file alone with that instruction set;
// array_kernels.cpp offers the table only on CPUs that have it.
#include "array_kernels_simd.h"

namespace Halx {

extern const ArrayKernels Avx512ArrayKernels;
const ArrayKernels Avx512ArrayKernels = simd_array_kernels("avx512");

}  // namespace Halx

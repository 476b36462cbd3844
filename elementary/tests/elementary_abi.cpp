// A C interface to the elementary functions and the array kernels, for the
// correct-rounding checks of test_correct_rounding.py and verify.py beside
// it. elementary_abi.py builds it through CMake (the target
// halx_elementary_abi of elementary/CMakeLists.txt, with
// -DHALX_ELEMENTARY_TESTS=ON) and loads it with ctypes; it is never
// installed.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "array_kernels.h"
#include "elementary_accurate.h"
#include "elementary_kernels.h"
#include "elementary_slow.h"

namespace {

using Halx::ArrayKernels;
using namespace Halx::elementary;

const ArrayKernels::OneInput *one_input(const ArrayKernels &set, const char *function) {
    if (std::strcmp(function, "exp") == 0) return &set.exp;
    if (std::strcmp(function, "log") == 0) return &set.log;
    if (std::strcmp(function, "exp10") == 0) return &set.exp10;
    if (std::strcmp(function, "P_Boiling") == 0) return &set.P_Boiling;
    if (std::strcmp(function, "T_Melting") == 0) return &set.T_Melting;
    if (std::strcmp(function, "P_Sublimation") == 0) return &set.P_Sublimation;
    return nullptr;
}

const ArrayKernels::TwoInputs *two_inputs(const ArrayKernels &set, const char *function) {
    if (std::strcmp(function, "Rho_Solid") == 0) return &set.Rho_Solid;
    if (std::strcmp(function, "Rho_Liquid") == 0) return &set.Rho_Liquid;
    return nullptr;
}

}  // namespace

#if defined(HALX_X86_KERNELS)
int halx_fast_avx512(const char *function, const double *x, double *hi, double *low, double *scale, int *settled,
                     std::ptrdiff_t n);
#endif

extern "C" {

// Whether this CPU can run the kernel set called name.
int halx_has_kernels(const char *name) { return Halx::array_kernels_named(name) != nullptr; }

// out = function(x) (or function(x, y)) over n elements with the named set;
// returns 0, or -1 for an unknown set or function.
int halx_run(const char *set_name, const char *function, const double *x, const double *y, double *out,
             std::ptrdiff_t n) {
    const ArrayKernels *set = Halx::array_kernels_named(set_name);
    if (set == nullptr) return -1;
    if (const ArrayKernels::OneInput *kernel = one_input(*set, function)) {
        (*kernel)(x, out, n, nullptr);
        return 0;
    }
    if (const ArrayKernels::TwoInputs *kernel = two_inputs(*set, function)) {
        (*kernel)(x, y, out, n, nullptr);
        return 0;
    }
    return -1;
}

// out = the slow path of exp, log or exp10 over n elements (inside its domain).
int halx_slow(const char *function, const double *x, double *out, std::ptrdiff_t n) {
    double (*slow)(double) = std::strcmp(function, "exp") == 0     ? exp_slow
                             : std::strcmp(function, "log") == 0   ? log_slow
                             : std::strcmp(function, "exp10") == 0 ? exp10_slow
                                                                   : nullptr;
    if (slow == nullptr) return -1;
    for (std::ptrdiff_t i = 0; i < n; ++i) out[i] = slow(x[i]);
    return 0;
}

// The fast path of exp, log or exp10 for ordinary x, the scalar functions'
// (path "scalar") or the AVX-512 kernels' ("avx512", where the CPU runs them):
// its unevaluated result hi + low (times 2^scale for the exponentials) and
// whether the rounding test settles it. Returns -1 for an unknown function
// or path.
int halx_fast(const char *path, const char *function, const double *x, double *hi, double *low, double *scale,
              int *settled, std::ptrdiff_t n) {
    if (std::strcmp(path, "avx512") == 0) {
#if defined(HALX_X86_KERNELS)
        if (Halx::array_kernels_named("avx512") != nullptr) {
            return halx_fast_avx512(function, x, hi, low, scale, settled, n);
        }
#endif
        return -1;
    }
    if (std::strcmp(path, "scalar") != 0) return -1;
    const bool is_exp = std::strcmp(function, "exp") == 0;
    const bool is_exp10 = std::strcmp(function, "exp10") == 0;
    if (!is_exp && !is_exp10 && std::strcmp(function, "log") != 0) return -1;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        if (is_exp || is_exp10) {
            std::int64_t k_bits;
            hi[i] = is_exp ? exp_core<ScalarLanes, false>(x[i], low[i], k_bits)
                           : exp_core<ScalarLanes, true>(x[i], low[i], k_bits);
            scale[i] = static_cast<double>(exp_scale_exponent(k_bits));
            settled[i] = rounding_test<ScalarLanes>(hi[i], low[i], kExpErrorBound);
        } else {
            hi[i] = log_short<ScalarLanes>(x[i], low[i], 0);
            scale[i] = 0;
            settled[i] = rounding_test<ScalarLanes>(hi[i], low[i], kLogShortErrorBound);
        }
    }
    return 0;
}

// The second step of exp, log or exp10 for ordinary x: out = its correctly
// rounded result where settled is 1, and settled 0 where it leaves x to the
// slow path.
int halx_accurate(const char *function, const double *x, double *out, int *settled, std::ptrdiff_t n) {
    const bool is_exp = std::strcmp(function, "exp") == 0;
    const bool is_exp10 = std::strcmp(function, "exp10") == 0;
    if (!is_exp && !is_exp10 && std::strcmp(function, "log") != 0) return -1;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        double rounded = 0.0;
        std::int64_t m = 0;
        if (is_exp || is_exp10) {
            settled[i] = is_exp ? exp_accurate<false>(x[i], rounded, m) : exp_accurate<true>(x[i], rounded, m);
            out[i] = rounded * power_of_two<ScalarLanes>(m);
        } else {
            settled[i] = log_accurate(x[i], 0, out[i]);
        }
    }
    return 0;
}

// The second step's rounding of hi + mid + lo over n triples: out = the
// double nearest the sum where settled is 1, settled 0 where a midpoint lies
// within margin of the sum.
int halx_round_exact_sum(const double *hi, const double *mid, const double *lo, const double *margin, double *out,
                         int *settled, std::ptrdiff_t n) {
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        ExactSum sum;
        sum.hi = hi[i];
        sum.mid = mid[i];
        sum.lo = lo[i];
        out[i] = 0.0;
        settled[i] = round_exact_sum(sum, margin[i], out[i]);
    }
    return 0;
}

}  // extern "C"

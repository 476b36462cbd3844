// The AVX-512 fast paths of elementary_avx512.h over arrays, for the error
// checks of test_correct_rounding.py and verify.py: a part of the checks' C
// interface (elementary_abi.cpp), compiled alone for AVX-512 F and DQ by
// elementary/CMakeLists.txt. Called only after the CPU check there.
#include <cstddef>
#include <cstring>

#include "elementary_avx512.h"

using namespace Halx::elementary;

// The unevaluated result hi + low (times 2^scale for the exponentials) of the
// AVX-512 fast path of exp, log or exp10 for ordinary x, and whether its
// rounding test settles it, eight elements at a time (a shorter tail padded
// with 1). Returns 0, or -1 for an unknown function.
int halx_fast_avx512(const char *function, const double *x, double *hi, double *low, double *scale, int *settled,
                     std::ptrdiff_t n) {
    const bool is_exp = std::strcmp(function, "exp") == 0;
    const bool is_exp10 = std::strcmp(function, "exp10") == 0;
    if (!is_exp && !is_exp10 && std::strcmp(function, "log") != 0) return -1;
    for (std::ptrdiff_t i = 0; i < n; i += 8) {
        const std::ptrdiff_t count = n - i < 8 ? n - i : 8;
        const __mmask8 lanes = static_cast<__mmask8>((1u << count) - 1);
        const __m512d value = _mm512_mask_loadu_pd(_mm512_set1_pd(1.0), lanes, x + i);
        __m512d h, l, k = _mm512_set1_pd(kShifter);  // k = 0: no scale for ln x
        if (is_exp || is_exp10) {
            h = is_exp ? exp_avx512_core<false>(value, l, k) : exp_avx512_core<true>(value, l, k);
        } else {
            h = log_avx512_core(value, l);
        }
        const __mmask8 passed = settled_lanes(h, l, is_exp || is_exp10 ? kExpAvx512ErrorBound : kLogAvx512ErrorBound);
        const __m512d k_over_16 = _mm512_mul_pd(_mm512_sub_pd(k, _mm512_set1_pd(kShifter)), _mm512_set1_pd(1.0 / 16));
        const __m512d exponent = _mm512_maskz_roundscale_pd(0xff, k_over_16, _MM_FROUND_TO_NEG_INF);
        _mm512_mask_storeu_pd(hi + i, lanes, h);
        _mm512_mask_storeu_pd(low + i, lanes, l);
        _mm512_mask_storeu_pd(scale + i, lanes, exponent);
        for (std::ptrdiff_t j = 0; j < count; ++j) settled[i + j] = (passed >> j) & 1;
    }
    return 0;
}

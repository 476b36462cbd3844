// The fast paths of exp, exp10 and log designed for AVX-512 (F), eight
// lanes at a time: the exponentials index a 16-entry table held in two
// registers per column with a permute (vpermt2pd) instead of gathering from
// memory, and pay for the wider reduction with a polynomial of higher
// degree (generated); the logarithm takes m and E from vgetmant and vgetexp and
// its inverse c from vrcp14 rounded to a multiple of 2^-8, so that m c - 1
// is exact and only -ln c comes from memory (two gathers). FMA forms every
// exact product and shortens the polynomials; vscalef applies 2^m.
//
// Each function returns hi + low rounded in the lanes whose rounding test
// passes (settled); the caller sends the other lanes, and those outside the
// ordinary ranges of elementary_kernels.h (which it replaces by 1 first), to
// the scalar functions. The error bounds are analysed in README.md ("The
// error analysis"); the settled lanes hold the correctly rounded results, so
// they are the scalar functions' bits.
//
// Compiled only into the AVX-512 kernel set (array_kernels_avx512.cpp, with
// -mavx512f -mavx512dq -mfma); internal linkage, as elementary_kernels.h.
#ifndef HALX_ELEMENTARY_AVX512_H
#define HALX_ELEMENTARY_AVX512_H

#if defined(__AVX512F__)

#include <immintrin.h>

#include "elementary_kernels.h"
#include "elementary_tables.h"

namespace Halx {
namespace elementary {
namespace {

// The unmasked forms of several intrinsics trip GCC 12's -Wuninitialized on
// their placeholder operand; the masked forms with every lane set do not.

// Relative error bounds of hi + low (README.md): analysed below 2^-68.5
// (exponentials) and 2^-67.5 (log); the tests use about three times those.
constexpr double kExpAvx512ErrorBound = 0x1p-67;
constexpr double kLogAvx512ErrorBound = 0x1p-66;

inline __m512d broadcast(double value) { return _mm512_set1_pd(value); }

// Lanes where hi + low and every value within bound |hi| of it round alike.
inline __mmask8 settled_lanes(__m512d hi, __m512d low, double bound) {
    const __m512d margin = _mm512_mul_pd(_mm512_abs_pd(hi), broadcast(bound));
    const __m512d up = _mm512_add_pd(hi, _mm512_add_pd(low, margin));
    const __m512d down = _mm512_add_pd(hi, _mm512_sub_pd(low, margin));
    return _mm512_cmp_pd_mask(up, down, _CMP_EQ_OQ);
}

// a + b = sum + error exactly when |a| >= |b| or a is zero (Fast2Sum).
inline __m512d fast_two_sum_avx512(__m512d a, __m512d b, __m512d &error) {
    const __m512d sum = _mm512_add_pd(a, b);
    error = _mm512_sub_pd(b, _mm512_sub_pd(sum, a));
    return sum;
}

// e^x (Base10 false) or 10^x for ordinary x as (hi + low) 2^floor(k/16):
// x = k ln(2)/16 + r (or k log10(2)/16 + r, times ln 10), e^x = 2^(k/16) e^r
// with |r| < 2^-5.5. Returns hi, in [0.97, 2); low, and k + 1.5 2^52 (whose
// low bits carry k), by reference.
template <bool Base10>
[[gnu::always_inline]] inline __m512d exp_avx512_core(__m512d x, __m512d &low, __m512d &k_shifted) {
    const __m512d shifter = broadcast(kShifter);
    k_shifted = _mm512_fmadd_pd(x, broadcast(Base10 ? kShortLog2Of10 : kShortOverLn2), shifter);
    const __m512d k = _mm512_sub_pd(k_shifted, shifter);
    // The reduced argument as a + a_lo, a exact and |a_lo| below 2^-43. e^x:
    // a = x - k ln2_hi, a multiple of 2^-59 below 2^-5.5, and a_lo =
    // -k ln2_lo. 10^x: a = x ln10_hi - k ln2_hi with x ln10_hi rounded to p (a
    // multiple of 2^-58 below 2^-5.5 again), and a_lo = (x ln10_hi - p) +
    // (x ln10_lo - k ln2_lo).
    __m512d a, a_lo;
    if (Base10) {
        const __m512d p = _mm512_mul_pd(x, broadcast(kLn10[0]));
        const __m512d p_lo = _mm512_fmsub_pd(x, broadcast(kLn10[0]), p);
        a = _mm512_fnmadd_pd(k, broadcast(kLn2OverShort[0]), p);
        a_lo = _mm512_add_pd(p_lo,
                             _mm512_fmadd_pd(x, broadcast(kLn10[1]), _mm512_mul_pd(k, broadcast(-kLn2OverShort[1]))));
    } else {
        a = _mm512_fnmadd_pd(k, broadcast(kLn2OverShort[0]), x);
        a_lo = _mm512_mul_pd(k, broadcast(-kLn2OverShort[1]));
    }
    // e^(a + a_lo) = 1 + s + tail with s = a + a^2/2 as s_hi + s_lo exactly
    // (h = a^2/2 as h + h_lo) and tail = h_lo + a^3 Q(a) + a_lo (1 + s_hi +
    // a^3 Q(a)), Q = (e^a - 1 - a - a^2/2)/a^3 by a polynomial of degree 5
    // (kExpPolynomial), evaluated as 2Q by Estrin's scheme in powers of h.
    const double *coefficient = kExpPolynomial;
    const __m512d half = _mm512_mul_pd(a, broadcast(0.5));
    const __m512d h = _mm512_mul_pd(half, a);
    const __m512d h_lo = _mm512_fmsub_pd(half, a, h);
    __m512d s_lo;
    const __m512d s_hi = fast_two_sum_avx512(a, h, s_lo);
    const __m512d q01 = _mm512_fmadd_pd(a, broadcast(coefficient[1]), broadcast(coefficient[0]));
    const __m512d q23 = _mm512_fmadd_pd(a, broadcast(coefficient[3]), broadcast(coefficient[2]));
    const __m512d q45 = _mm512_fmadd_pd(a, broadcast(coefficient[5]), broadcast(coefficient[4]));
    const __m512d twice_q = _mm512_fmadd_pd(_mm512_mul_pd(h, h), q45, _mm512_fmadd_pd(h, q23, q01));
    const __m512d cubic = _mm512_mul_pd(_mm512_mul_pd(h, a), twice_q);
    const __m512d tail = _mm512_add_pd(
        s_lo, _mm512_add_pd(h_lo, _mm512_add_pd(cubic, _mm512_fmadd_pd(a_lo, _mm512_add_pd(s_hi, cubic), a_lo))));
    // 2^(j/16), j = k mod 16: vpermt2pd reads the low four bits of k_shifted.
    const __m512i row = _mm512_castpd_si512(k_shifted);
    const __m512d t_hi =
        _mm512_permutex2var_pd(_mm512_loadu_pd(kExp2Short[0]), row, _mm512_loadu_pd(kExp2Short[0] + 8));
    const __m512d t_lo =
        _mm512_permutex2var_pd(_mm512_loadu_pd(kExp2Short[1]), row, _mm512_loadu_pd(kExp2Short[1] + 8));
    // t (1 + s + tail) = t_hi + t_hi s_hi + [t_lo + t_lo s_hi + t_hi tail]:
    // hi = t_hi + t_hi s_hi rounded once, and its error, below half an ulp of
    // hi, within 2^-106 of it: t_hi - hi is exact (hi is within 3 % of t_hi).
    // t_lo tail is below 2^-71.
    const __m512d hi = _mm512_fmadd_pd(t_hi, s_hi, t_hi);
    const __m512d hi_error = _mm512_fmadd_pd(t_hi, s_hi, _mm512_sub_pd(t_hi, hi));
    low = _mm512_fmadd_pd(t_hi, tail, _mm512_add_pd(_mm512_fmadd_pd(t_lo, s_hi, t_lo), hi_error));
    return hi;
}

// e^x or 10^x rounded in the lanes of ordinary x that its rounding test
// settles (settled). hi < 2: the margin 2 bound covers bound |hi|.
template <bool Base10>
[[gnu::always_inline]] inline __m512d exp_avx512(__m512d x, __mmask8 &settled) {
    __m512d low, k_shifted;
    const __m512d hi = exp_avx512_core<Base10>(x, low, k_shifted);
    const __m512d margin = broadcast(2 * kExpAvx512ErrorBound);
    const __m512d up = _mm512_add_pd(hi, _mm512_add_pd(low, margin));
    const __m512d down = _mm512_add_pd(hi, _mm512_sub_pd(low, margin));
    settled = _mm512_cmp_pd_mask(up, down, _CMP_EQ_OQ);
    // 2^floor(k/16): vscalef takes the floor of its second operand.
    const __m512d k = _mm512_sub_pd(k_shifted, broadcast(kShifter));
    return _mm512_maskz_scalef_pd(0xff, _mm512_add_pd(hi, low), _mm512_mul_pd(k, broadcast(1.0 / 16)));
}

// ln x for positive normal x: x = 2^E m, m in [3/4, 3/2) (vgetmant), c =
// RN(256 rcp14(m))/256, so |m c - 1| < 2^-8.3 and r = m c - 1 is exact (a
// multiple of 2^-61); ln x = (E ln2_head + head(c)) + (r - r^2/2) + [tails +
// r^3 P(r)], the first sum exact and |r - r^2/2| below it unless it is 0,
// which happens near 1 (E = 0, c = 1), where ln(1 + r) is left, relative to
// itself. Returns hi, and low by reference.
[[gnu::always_inline]] inline __m512d log_avx512_core(__m512d x, __m512d &low) {
    const __m512d m = _mm512_maskz_getmant_pd(0xff, x, _MM_MANT_NORM_p75_1p5, _MM_MANT_SIGN_src);
    const __mmask8 below_one = _mm512_cmp_pd_mask(m, broadcast(1.0), _CMP_LT_OQ);
    const __m512d exponent = _mm512_maskz_getexp_pd(0xff, x);
    const __m512d e = _mm512_mask_add_pd(exponent, below_one, exponent, broadcast(1.0));
    const __m512d shifter = broadcast(kShifter);
    const __m512d c_shifted = _mm512_fmadd_pd(_mm512_maskz_rcp14_pd(0xff, m), broadcast(256.0), shifter);
    const __m512d c = _mm512_mul_pd(_mm512_sub_pd(c_shifted, shifter), broadcast(1.0 / 256));
    const __m512d r = _mm512_fmsub_pd(m, c, broadcast(1.0));
    // Row C - kLogReciprocalFirst, at 2 (C - kLogReciprocalFirst) doubles.
    const __m512i row =
        _mm512_sub_epi64(_mm512_castpd_si512(c_shifted), _mm512_set1_epi64(kShifterBits + kLogReciprocalFirst));
    const __m512i offset = _mm512_add_epi64(row, row);
    const __m512d head = _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, offset, kLogReciprocalTable, 8);
    const __m512d tail = _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, offset, kLogReciprocalTable + 1, 8);
    const __m512d s = _mm512_fmadd_pd(e, broadcast(kLn2Split[0]), head);  // exact
    // h = -r^2/2 as h + h_lo, r + h as u + u_lo, s + u as hi + sum_error.
    const __m512d minus_half = _mm512_mul_pd(r, broadcast(-0.5));
    const __m512d h = _mm512_mul_pd(minus_half, r);
    const __m512d h_lo = _mm512_fmsub_pd(minus_half, r, h);
    __m512d u_lo, sum_error;
    const __m512d u = fast_two_sum_avx512(r, h, u_lo);
    const __m512d hi = fast_two_sum_avx512(s, u, sum_error);
    // r^3 P(r), P = (ln(1 + r) - r + r^2/2)/r^3 by a polynomial of degree 5
    // (kLogPolynomial), evaluated as -2P by Estrin's scheme in powers of h
    // (r^3 = -2hr).
    const double *coefficient = kLogPolynomial;
    const __m512d p01 = _mm512_fmadd_pd(r, broadcast(coefficient[1]), broadcast(coefficient[0]));
    const __m512d p23 = _mm512_fmadd_pd(r, broadcast(coefficient[3]), broadcast(coefficient[2]));
    const __m512d p45 = _mm512_fmadd_pd(r, broadcast(coefficient[5]), broadcast(coefficient[4]));
    const __m512d poly = _mm512_fmadd_pd(_mm512_mul_pd(h, h), p45, _mm512_fmadd_pd(h, p23, p01));
    const __m512d small = _mm512_fmadd_pd(_mm512_mul_pd(h, r), poly, h_lo);
    low = _mm512_add_pd(sum_error,
                        _mm512_add_pd(u_lo, _mm512_add_pd(_mm512_fmadd_pd(e, broadcast(kLn2Split[1]), tail), small)));
    return hi;
}

// ln x rounded in the lanes of positive normal x that its rounding test
// settles (settled).
[[gnu::always_inline]] inline __m512d log_avx512(__m512d x, __mmask8 &settled) {
    __m512d low;
    const __m512d hi = log_avx512_core(x, low);
    settled = settled_lanes(hi, low, kLogAvx512ErrorBound);
    return _mm512_add_pd(hi, low);
}

}  // namespace
}  // namespace elementary
}  // namespace Halx

#endif  // defined(__AVX512F__)

#endif  // HALX_ELEMENTARY_AVX512_H

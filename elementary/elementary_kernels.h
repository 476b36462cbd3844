// The fast paths of the correctly rounded exp, exp10 and log, written once and
// instantiated for a plain double (elementary.cpp) and for SIMD vectors of
// doubles (array_kernels_*.cpp). A "lanes" type supplies the types and the
// few operations that differ between the two: bit casts, table gathers and
// the exact product (two_prod). Everything else is ordinary arithmetic on V.
//
// Each fast path returns the result as an unevaluated sum hi + low (times a
// power of two for the exponentials) whose relative error is below the bound
// kExpErrorBound or kLogErrorBound; rounding_test() then decides whether
// hi + low rounds to the same double as every value within that bound. Inputs
// outside the ordinary range, and lanes that fail the test, are left to the
// scalar functions of elementary.cpp, which resolve them exactly.
//
// Included by several translation units compiled for different instruction
// sets: everything here has internal linkage, so each unit keeps its own copy
// and the linker never swaps an AVX-512 body into the baseline build.
// Invariant: only exact steps (two_prod, Fast2Sum, TwoSum, scaling by powers
// of two) differ between instantiations, so every one of them satisfies the
// same error bounds.
#ifndef HALX_ELEMENTARY_KERNELS_H
#define HALX_ELEMENTARY_KERNELS_H

#include <cstdint>
#include <cstring>

#include "elementary_tables.h"

namespace Halx {
namespace elementary {
namespace {

// Relative error bounds of the fast paths (see README.md, "The error
// analysis"): the analysed bounds are below 2^-73.9 (exponentials) and 2^-73
// (log); the tests use about twice those. The largest errors measured over
// 10^6 inputs per function are 2^-74.8 (e^x), 2^-74.9 (10^x) and 2^-74.7
// (ln x): python elementary/tests/verify.py --count 0 --error-sample 1000000.
constexpr double kExpErrorBound = 0x1p-73;
constexpr double kLogErrorBound = 0x1p-72;
// The scalar functions' short log (log_short): analysed below 2^-67.0, the
// test twice that; the largest error measured over 10^6 inputs is 2^-68.3.
constexpr double kLogShortErrorBound = 0x1p-66;

// Adding 1.5 * 2^52 rounds a double of magnitude below 2^51 to an integer,
// which then sits in the low bits of the sum's representation.
constexpr double kShifter = 0x1.8p52;
constexpr std::int64_t kShifterBits = 0x4338000000000000;
constexpr std::int64_t kExponentMask = 0x7ff0000000000000;
constexpr std::int64_t kMagnitudeMask = 0x7fffffffffffffff;
constexpr std::int64_t kMantissaMask = 0x000fffffffffffff;
constexpr std::int64_t kOneBits = 0x3ff0000000000000;
constexpr std::int64_t kHalfBits = 0x3fe0000000000000;
// Mantissa bits of the double just above sqrt(2).
constexpr std::int64_t kSqrt2Mantissa = 0x6a09e667f3bcd;

// Added to the mantissa bits before the shift that gives the log table row
// j + kLogFirstRow (rounding to nearest): 2^41 + kLogFirstRow 2^42, and
// 2^42 + kLogFirstRow 2^43 for a halved m.
constexpr std::int64_t kLogRowOffset = (std::int64_t{1} << 41) + (std::int64_t{kLogFirstRow} << 42);
constexpr std::int64_t kLogRowOffsetHalved = (std::int64_t{1} << 42) + (std::int64_t{kLogFirstRow} << 43);

// Bits of |x| bounding the ordinary ranges of the fast paths: 2^-54 <= |x| <=
// 704 for e^x and 2^-56 <= |x| <= 306 for 10^x, where the result is a normal
// double far from both ends of the range (its scale 2^m has |m| <= 1020), and
// the positive normal doubles for ln x.
constexpr std::int64_t kExpTinyBits = 0x3c90000000000000;        // 2^-54
constexpr std::int64_t kExpOrdinaryBits = 0x4086000000000000;    // 704
constexpr std::int64_t kExp10TinyBits = 0x3c70000000000000;      // 2^-56
constexpr std::int64_t kExp10OrdinaryBits = 0x4073200000000000;  // 306
constexpr std::int64_t kSmallestNormalBits = 0x0010000000000000;

// a * b = product + error exactly, by Dekker's splitting (no FMA needed), for
// products that neither overflow nor underflow, as in every use here.
template <class V>
inline V dekker_two_prod(V a, V b, V &error) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const V product = a * b;
    const V ta = kSplitter * a;
    const V a_hi = ta - (ta - a);
    const V a_lo = a - a_hi;
    const V tb = kSplitter * b;
    const V b_hi = tb - (tb - b);
    const V b_lo = b - b_hi;
    error = ((a_hi * b_hi - product) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo;
    return product;
}

// Lanes of one plain double. two_prod uses FMA where the build has it;
// otherwise Dekker's exact product, which gives the same two doubles.
struct ScalarLanes {
    using V = double;
    using I = std::int64_t;

    static I bits(V v) {
        I i;
        std::memcpy(&i, &v, sizeof i);
        return i;
    }
    static V from_bits(I i) {
        V v;
        std::memcpy(&v, &i, sizeof v);
        return v;
    }
    static V gather(const double *table, I index) { return table[index]; }
    static V select(bool mask, V a, V b) { return mask ? a : b; }
    // a * b + c, rounded once where the build has FMA, else twice.
    static V fma(V a, V b, V c) {
#if defined(__FMA__)
        return __builtin_fma(a, b, c);
#else
        return a * b + c;
#endif
    }
    // m c - 1 for doubles whose exact m c - 1 is a double: one fused
    // operation, or the exact product less one (p - 1 is exact for p within a
    // factor of two of 1, and adding the product's error gives the exact sum).
    static V product_minus_one(V m, V c) {
#if defined(__FMA__)
        return __builtin_fma(m, c, -1.0);
#else
        V error;
        const V p = dekker_two_prod(m, c, error);
        return (p - 1.0) + error;
#endif
    }
    static I select_int(bool mask, I a, I b) { return mask ? a : b; }
    // a * b = product + error exactly (no overflow or underflow in our ranges).
    static V two_prod(V a, V b, V &error) {
#if defined(__FMA__)
        const V product = a * b;
        error = __builtin_fma(a, b, -product);
        return product;
#else
        return dekker_two_prod(a, b, error);
#endif
    }
};

// The double c in every lane: c - 0 is c for every c, so the compiler drops
// the subtraction (0 + c is not, at c = -0, and would stay).
template <class L>
inline typename L::V splat(double c) {
    return c - typename L::V();
}

// a + b = sum + error exactly, for any a and b (Knuth's TwoSum).
template <class V>
inline V two_sum(V a, V b, V &error) {
    const V sum = a + b;
    const V b_virtual = sum - a;
    error = (a - (sum - b_virtual)) + (b - b_virtual);
    return sum;
}

// a + b = sum + error exactly when |a| >= |b| or a is zero (Fast2Sum).
template <class V>
inline V fast_two_sum(V a, V b, V &error) {
    const V sum = a + b;
    error = b - (sum - a);
    return sum;
}

// Mask of the lanes where hi + low, and every value within bound * |hi| of
// it, round to one double; that double is then hi + low rounded, which the
// callers compute apart, off the test's dependency chain. Rounding to nearest
// is monotonic, so equal roundings at both ends settle every value between.
// The two inner sums are rounded too; the bounds leave room for that.
template <class L, class Bound>
inline auto rounding_test(typename L::V hi, typename L::V low, Bound bound) {
    using V = typename L::V;
    const V margin = L::from_bits(L::bits(hi) & kMagnitudeMask) * bound;
    const V up = hi + (low + margin);
    const V down = hi + (low - margin);
    return up == down;
}

// e^x (Base10 false) or 10^x (Base10 true) as (hi + low) * 2^m, for |x| up to
// 745: x = k ln(2)/1024 + r (or k log10(2)/1024 + r), and e^x = 2^(k/1024) e^r.
// Returns hi; low and the bits of k + kShifter (which carry k) by reference.
// Relative error of hi + low against 2^-m e^x: below 2^-73.9 for |r| <= 2^-11.5.
template <class L, bool Base10>
inline typename L::V exp_core(typename L::V x, typename L::V &low, typename L::I &k_bits) {
    using V = typename L::V;
    using I = typename L::I;
    const double *split = Base10 ? kLog10Of2OverN : kLn2OverN;
    const V shifter = V() + kShifter;
    const V k_shifted = x * (Base10 ? kNLog2Of10 : kNOverLn2) + shifter;
    k_bits = L::bits(k_shifted);
    const V k = k_shifted - shifter;
    // Exact: |k| < 2^21 and the first two parts have 32 bits, so both
    // products are exact; x and k * split[0] agree in sign and lie within a
    // factor of two of each other unless k is zero.
    const V r1 = x - k * split[0];
    V sum_error;
    V r_hi = two_sum(r1, -(k * split[1]), sum_error);
    V r_lo = sum_error - k * split[2];
    if (Base10) {
        V ln10_error;
        const V scaled = L::two_prod(r_hi, V() + kLn10[0], ln10_error);
        r_lo = ln10_error + (r_hi * kLn10[1] + r_lo * kLn10[0]);
        r_hi = scaled;
    }
    // e^r = 1 + r_hi + b, with b = r_hi^2 (1/2 + r/6 + r^2/24 + r^3/120) + r_lo (1 + r_hi).
    // Estrin's scheme and r_lo last: short dependency chains, same error bound.
    const V r_squared = r_hi * r_hi;
    const V poly = (r_hi * (1.0 / 6) + 0.5) + r_squared * (r_hi * (1.0 / 120) + 1.0 / 24);
    const V b = r_squared * poly + r_lo * (r_hi + 1.0);
    const I row = (k_bits & (kExpTableSize - 1)) * 2;
    const V t_hi = L::gather(kExp2Table, row);
    const V t_lo = L::gather(kExp2Table, row + 1);
    // 2^(j/1024) e^r = t_hi + t_hi r_hi + [t_lo + t_lo r_hi + t_hi b], the first
    // two terms exactly, the bracket summed smallest first; the t_lo b left
    // out is below 2^-76 relative.
    V p_lo;
    const V p_hi = L::two_prod(t_hi, r_hi, p_lo);
    V s_lo;
    const V s_hi = fast_two_sum(t_hi, p_hi, s_lo);
    low = (((s_lo + p_lo) + t_lo) + t_lo * r_hi) + t_hi * b;
    return s_hi;
}

// m with 2^m the scale of exp_core's result, from the k bits it returned.
template <class I>
inline I exp_scale_exponent(I k_bits) {
    return (k_bits >> kExpTableBits) - (kShifterBits >> kExpTableBits);
}

// The double 2^m for -1022 <= m <= 1023.
template <class L>
inline typename L::V power_of_two(typename L::I m) {
    return L::from_bits((m + 1023) << 52);
}

// ln x for a positive normal x as hi + low. x = 2^E m with m in
// [sqrt(1/2), sqrt(2)), m = (1 + t)/c_j with c_j ~ 1/(1 + j/1024) from the
// table, so ln x = E ln 2 - ln c_j + ln(1 + t) with |t| <= 2^-10.5, and t = 0
// exactly when x = 1. A subnormal x comes scaled by 2^52, with extra_exponent
// -52. Relative error of hi + low: below 2^-73 in general, and below
// 2^-105 + 2^-52 t^2 for x within 2^-11 of 1 (E = j = 0: t = x - 1 and
// t - t^2/2 are exact there); error_bound gets twice the bound that applies.
// The tighter bound settles most x near 1, where ln x lies very close to a
// midpoint for structural reasons (ln(1 - d) = -d - d^2/2 - ... with d of few bits).
template <class L>
inline typename L::V log_core(typename L::V x, typename L::V &low, typename L::I extra_exponent,
                              typename L::V &error_bound) {
    using V = typename L::V;
    using I = typename L::I;
    const I x_bits = L::bits(x);
    const I mantissa = x_bits & kMantissaMask;
    const auto halve = mantissa >= kSqrt2Mantissa;
    const I exponent = ((x_bits >> 52) - 1023) + L::select_int(halve, I() + 1, I()) + extra_exponent;
    const V m = L::from_bits(mantissa | L::select_int(halve, I() + kHalfBits, I() + kOneBits));
    // Row j + kLogFirstRow for j = round((m - 1) 1024), from the mantissa bits: m - 1
    // is mantissa / 2^52, or (mantissa - 2^52) / 2^53 for a halved m.
    const I row_index = L::select_int(halve, (mantissa + (kLogRowOffsetHalved - (std::int64_t{1} << 52))) >> 43,
                                      (mantissa + kLogRowOffset) >> 42);
    const I j = row_index - kLogFirstRow;
    const I row = row_index * 4;
    const V c = L::gather(kLogTable, row);
    const V minus_log_c_hi = L::gather(kLogTable, row + 1);
    const V minus_log_c_lo = L::gather(kLogTable, row + 2);
    // t = m c - 1 exactly as t_hi + t_lo: p - 1 is exact (p is within 2^-9 of 1).
    V p_lo;
    const V p = L::two_prod(m, c, p_lo);
    V t_lo;
    const V t_hi = fast_two_sum(p - 1.0, p_lo, t_lo);
    // ln(1 + t) = t_hi - t_hi^2/2 + [t_lo (1 - t_hi) + t_hi^3 (1/3 - t/4 + ... + t^4/7)],
    // t_hi^2 exactly.
    V square_lo;
    const V square = L::two_prod(t_hi, t_hi, square_lo);
    const V poly = (t_hi * -0.25 + 1.0 / 3) + square * ((t_hi * (-1.0 / 6) + 0.2) + square * (1.0 / 7));
    const V bracket = ((t_lo - t_hi * t_lo) - square_lo * 0.5) + (t_hi * square) * poly;
    // E ln 2 with a 42-bit head is exact for |E| < 2^11.
    const V e = L::from_bits(exponent + kShifterBits) - kShifter;
    V error1, error2, error3;
    const V s1 = two_sum(e * kLn2Split[0], minus_log_c_hi, error1);
    const V s2 = two_sum(s1, t_hi, error2);
    const V s3 = two_sum(s2, square * -0.5, error3);
    low = (((error1 + error2) + error3) + (e * kLn2Split[1] + minus_log_c_lo)) + bracket;
    const auto near_one = (j | exponent) == 0;
    error_bound = L::select(near_one, (t_hi * t_hi) * 0x1p-51 + 0x1p-104, V() + kLogErrorBound);
    return s3;
}

// The short log of the scalar functions: ln x for a positive normal x (a
// subnormal one scaled by 2^52, with extra_exponent -52) as hi + low, with
// relative error below kLogShortErrorBound (README.md, "The error
// analysis"). x = 2^E m, m in [3/4, 3/2), row i of kLogInverseTable for the
// top 8 bits of the mantissa: r = m c_i - 1 is exact with |r| < 2^-8 (c_i
// has 9 bits), and s = E ln2_head + head_i is exact (both multiples of
// 2^-42), so that ln x = s + (r - r^2/2) + [tails + r^3 P(r)] with |s| above
// |r - r^2/2| unless s is 0, which happens near 1 (E = 0, c_i = 1), where
// ln(1 + r) is left, relative to itself.
template <class L>
inline typename L::V log_short(typename L::V x, typename L::V &low, typename L::I extra_exponent) {
    using V = typename L::V;
    using I = typename L::I;
    const I x_bits = L::bits(x);
    const I row = (x_bits >> 42) & ((kLogInverseRows - 1) * 4);
    // From mantissa 1.5 on (its top bit set), m is half of it and E one more.
    const I halve = (x_bits >> 51) & 1;
    const V m = L::from_bits((x_bits & kMantissaMask) | (kOneBits - (halve << 52)));
    const V c = L::gather(kLogInverseTable, row);
    const V head = L::gather(kLogInverseTable, row + 1);
    const V tail = L::gather(kLogInverseTable, row + 2);
    const V e = L::from_bits(((x_bits >> 52) - 1023 + halve + extra_exponent) + kShifterBits) - kShifter;
    const V r = L::product_minus_one(m, c);
    const V s = L::fma(e, splat<L>(kLn2Split[0]), head);  // exact
    // h = -r^2/2 as h + h_lo (r/2 is exact), r + h as u + u_lo, s + u as
    // hi + sum_error.
    const V minus_half = r * -0.5;
    V h_lo;
    const V h = L::two_prod(minus_half, r, h_lo);
    V u_lo, sum_error;
    const V u = fast_two_sum(r, h, u_lo);
    const V hi = fast_two_sum(s, u, sum_error);
    // r^3 P(r), P = (ln(1 + r) - r + r^2/2)/r^3 by a polynomial of degree 5
    // (kLogPolynomial), evaluated as -2P by Estrin's scheme in powers of h
    // (r^3 = -2hr).
    const double *coefficient = kLogPolynomial;
    const V p01 = L::fma(r, splat<L>(coefficient[1]), splat<L>(coefficient[0]));
    const V p23 = L::fma(r, splat<L>(coefficient[3]), splat<L>(coefficient[2]));
    const V p45 = L::fma(r, splat<L>(coefficient[5]), splat<L>(coefficient[4]));
    const V poly = L::fma(h * h, p45, L::fma(h, p23, p01));
    const V small = L::fma(h * r, poly, h_lo);
    low = sum_error + (u_lo + (L::fma(e, splat<L>(kLn2Split[1]), tail) + small));
    return hi;
}

}  // namespace
}  // namespace elementary
}  // namespace Halx

#endif  // HALX_ELEMENTARY_KERNELS_H

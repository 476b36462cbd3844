// The scalar correctly rounded exp, exp10 and log: classify the input by its
// bits, run a fast path of elementary_kernels.h (exp_core, log_short), and
// keep its result when the rounding test passes; otherwise take the second
// step of elementary_accurate.h, and the exact slow path for what that
// leaves. The edges
// (NaN, infinities, zeros, tiny arguments, overflow, subnormal results) are
// settled here, and only here: the SIMD kernels send those lanes back to these
// functions.
//
// Classification uses integer compares on the bits, never floating-point
// compares on a NaN, so a quiet NaN raises no flag on its way through.
//
// Compiled twice, with internal linkage each time: by elementary.cpp for the
// baseline instruction set and by elementary_fma.cpp with FMA; elementary.cpp
// picks one at load time. The two builds differ only in how they form exact
// products and in fused multiply-adds inside the polynomials, which the error
// bounds allow for: both give the correctly rounded result.
#ifndef HALX_ELEMENTARY_SCALAR_H
#define HALX_ELEMENTARY_SCALAR_H

#include <cstdint>

#include "elementary_accurate.h"
#include "elementary_kernels.h"
#include "elementary_slow.h"

namespace Halx {
namespace elementary {

namespace {

using Lanes = ScalarLanes;

// Overflow and underflow flags as a C library raises them, at run time.
double overflow() {
    volatile double huge = 0x1p1023;
    return huge * huge;
}

double underflow() {
    volatile double tiny = 0x1p-1022;
    return tiny * tiny;
}

// low <= bits <= high in one unsigned compare; the difference is taken in
// unsigned arithmetic, where it wraps, since the bits of a negative double
// (-0.0 is INT64_MIN) minus low would overflow a signed one.
bool in_range(std::int64_t bits, std::int64_t low, std::int64_t high) {
    return static_cast<std::uint64_t>(bits) - static_cast<std::uint64_t>(low) <=
           static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
}

// e^x or 10^x outside the ordinary range: NaN, infinities, tiny |x| (whose
// result rounds to 1), and the arguments near overflow and underflow.
template <bool Base10>
double exponential_edge(double x, std::int64_t tiny_bits) {
    const std::int64_t magnitude = Lanes::bits(x) & kMagnitudeMask;
    if (magnitude >= kExponentMask) {
        if (magnitude > kExponentMask) {
            return x + x;  // quiet NaN, payload kept
        }
        return x > 0 ? x : 0.0;
    }
    if (magnitude < tiny_bits) {
        return 1.0;
    }
    // Beyond these the exact result is above the largest double by more than
    // half an ulp, or below half the smallest subnormal.
    if (x > (Base10 ? 308.26 : 709.79)) {
        return overflow();
    }
    if (x < (Base10 ? -323.61 : -745.14)) {
        return underflow();
    }
    double low;
    std::int64_t k_bits;
    const double hi = exp_core<Lanes, Base10>(x, low, k_bits);
    const std::int64_t m = exp_scale_exponent(k_bits);
    double rounded = hi + low;
    bool settled = rounding_test<Lanes>(hi, low, kExpErrorBound);
    if (m > -1022 || (m == -1022 && rounded >= 1.0)) {
        double accurate;
        std::int64_t accurate_m;
        if (!settled && exp_accurate<Base10>(x, accurate, accurate_m) && (m > -1022 || accurate >= 1.0)) {
            // The same reduction as the fast path's, so the same m; the
            // result stays normal, where scaling is exact.
            settled = true;
            rounded = accurate;
        }
        if (!settled) {
            return Base10 ? exp10_slow(x) : exp_slow(x);
        }
        // A normal result, or infinity: scaling is exact until it overflows.
        if (m <= 1023) {
            return rounded * power_of_two<Lanes>(m);
        }
        return (rounded * power_of_two<Lanes>(m - 1)) * 2.0;
    }
    // A subnormal result: round (hi + low) 2^(m + 1074) to an integer n, and
    // the result is n 2^-1074. Normalized, the scaled value is below 2^52 with
    // a low part below 1/4, so adding 2^52 leaves its integer part, and the
    // rest f (below 3/4) is exact up to the last add.
    double normalized_low;
    const double normalized_hi = fast_two_sum(hi, low, normalized_low);
    const double scale = power_of_two<Lanes>(m + 1074);
    const double y_hi = normalized_hi * scale;
    const double y_lo = normalized_low * scale;
    const double margin = y_hi * kExpErrorBound + 0x1p-52;
    const double integer_part = 0x1p52 + y_hi;
    const double f = (y_hi - (integer_part - 0x1p52)) + y_lo;
    const double distance = (f < 0 ? -f : f) - 0.5;
    if ((distance < 0 ? -distance : distance) <= margin) {
        return Base10 ? exp10_slow(x) : exp_slow(x);
    }
    const double n = integer_part + (f > 0.5 ? 1.0 : (f < -0.5 ? -1.0 : 0.0));
    return (n - 0x1p52) * 0x1p-1074 + underflow();
}

// e^x or 10^x for an ordinary x that the fast path left unsettled: the
// second step, else the slow path. Out of line: the fast path stays lean.
template <bool Base10>
[[gnu::noinline, gnu::cold]] double exponential_unsettled(double x) {
    double rounded;
    std::int64_t m;
    if (exp_accurate<Base10>(x, rounded, m)) {
        return rounded * power_of_two<Lanes>(m);
    }
    return Base10 ? exp10_slow(x) : exp_slow(x);
}

template <bool Base10>
double exponential(double x) {
    const std::int64_t tiny_bits = Base10 ? kExp10TinyBits : kExpTinyBits;
    const std::int64_t ordinary_bits = Base10 ? kExp10OrdinaryBits : kExpOrdinaryBits;
    if (!in_range(Lanes::bits(x) & kMagnitudeMask, tiny_bits, ordinary_bits)) {
        return exponential_edge<Base10>(x, tiny_bits);
    }
    double low;
    std::int64_t k_bits;
    const double hi = exp_core<Lanes, Base10>(x, low, k_bits);
    if (rounding_test<Lanes>(hi, low, kExpErrorBound)) {
        return (hi + low) * power_of_two<Lanes>(exp_scale_exponent(k_bits));
    }
    return exponential_unsettled<Base10>(x);
}

// ln x for a positive x that the fast path left unsettled (scaled by 2^52
// with extra_exponent -52 when subnormal; x the input as given): the second
// step, else the slow path. Out of line: the fast path stays lean.
[[gnu::noinline, gnu::cold]] double log_unsettled(double scaled, std::int64_t extra_exponent, double x) {
    double result;
    if (log_accurate(scaled, extra_exponent, result)) {
        return result;
    }
    return log_slow(x);
}

// ln x for x that is not a positive normal double.
double log_edge(double x) {
    const std::int64_t bits = Lanes::bits(x);
    const std::int64_t magnitude = bits & kMagnitudeMask;
    volatile double zero = 0.0;  // keeps the flags of the divisions below
    if (magnitude > kExponentMask) {
        return x + x;  // quiet NaN, payload kept
    }
    if (magnitude == 0) {
        return -1.0 / zero;  // -inf, divide-by-zero
    }
    if (bits < 0) {
        return (x - x) / zero;  // default NaN, invalid
    }
    if (magnitude == kExponentMask) {
        return x;
    }
    // Subnormal: scaled by 2^52 exactly, and the exponent corrected.
    double low;
    const double hi = log_short<Lanes>(x * 0x1p52, low, -52);
    if (rounding_test<Lanes>(hi, low, kLogShortErrorBound)) {
        return hi + low;
    }
    return log_unsettled(x * 0x1p52, -52, x);
}

double exp_scalar(double x) { return exponential<false>(x); }

double exp10_scalar(double x) { return exponential<true>(x); }

double log_scalar(double x) {
    if (!in_range(Lanes::bits(x), kSmallestNormalBits, kExponentMask - 1)) {
        return log_edge(x);
    }
    double low;
    const double hi = log_short<Lanes>(x, low, 0);
    if (rounding_test<Lanes>(hi, low, kLogShortErrorBound)) {
        return hi + low;
    }
    return log_unsettled(x, 0, x);
}

}  // namespace
}  // namespace elementary
}  // namespace Halx

#endif  // HALX_ELEMENTARY_SCALAR_H

// The second step of the correctly rounded exp, exp10 and log: for the few
// inputs whose fast result fails its rounding test, the same reductions
// evaluated again with double-double polynomials, the pieces summed exactly
// into three doubles, and the rounding decided against an error bound of
// about 2^-104 relative (far less near the points where a result lies close
// to a midpoint for structural reasons: e^x and 10^x for tiny x, ln x near 1,
// where the reduction is exact and the bound shrinks with the argument). It
// settles nearly every input the fast path leaves; the rest go on to the
// exact slow path. README.md, "The second step", has the error analysis.
//
// Scalar only, with internal linkage like elementary_scalar.h, which
// includes it (so the FMA build forms its exact products with FMA). Every
// function here returns whether it settled its input; none fails otherwise.
#ifndef HALX_ELEMENTARY_ACCURATE_H
#define HALX_ELEMENTARY_ACCURATE_H

#include <cstdint>

#include "elementary_kernels.h"

namespace Halx {
namespace elementary {
namespace {

// hi + lo, unevaluated.
struct DoubleDouble {
    double hi;
    double lo;
};

// a * b + c for |a b| and |c| of one sign or |a b| much below |c| (as in the
// Horner steps here), within 2^-103 of (|a b| + |c|) relative.
inline DoubleDouble multiply_add(DoubleDouble a, double b, DoubleDouble c) {
    double p_lo, s_lo, lo;
    const double p = ScalarLanes::two_prod(a.hi, b, p_lo);
    const double s = two_sum(p, c.hi, s_lo);
    const double hi = fast_two_sum(s, ((p_lo + a.lo * b) + c.lo) + s_lo, lo);
    return {hi, lo};
}

// a * b within 2^-104 of |a b| relative.
inline DoubleDouble multiply(DoubleDouble a, double b) { return multiply_add(a, b, {0.0, 0.0}); }

// 1/n as a double-double, from the generated table.
inline DoubleDouble coefficient(int n) { return {kReciprocal[n][0], kReciprocal[n][1]}; }

// A sum kept as hi + mid + lo: each term enters exactly but for the rounding
// of lo, below 2^-100 of the term's rounding error in ulps of hi.
struct ExactSum {
    double hi = 0.0;
    double mid = 0.0;
    double lo = 0.0;

    void add(double term) {
        double e1, e2;
        hi = two_sum(hi, term, e1);
        mid = two_sum(mid, e1, e2);
        lo += e2;
    }
};

// The double nearest sum when every value within margin of it (a positive
// double far below an ulp of the sum) rounds to that double: result, true.
// Otherwise false. The sum must be a normal double above 2^-960 in magnitude.
inline bool round_exact_sum(const ExactSum &sum, double margin, double &result) {
    double l, m2, lo;
    const double m = two_sum(sum.mid, sum.lo, l);
    const double hi = two_sum(sum.hi, m, m2);
    const double mid = two_sum(m2, l, lo);
    // hi + mid + lo is the sum; |mid| is about half an ulp of hi at most. The
    // nearest midpoint lies half the gap to the neighbour on mid's side away
    // from hi: an ulp, or half of one below a power of two.
    const std::int64_t magnitude = ScalarLanes::bits(hi) & kMagnitudeMask;
    const double ulp = ScalarLanes::from_bits(magnitude & kExponentMask) * 0x1p-52;
    const bool outward = (mid > 0) == (hi > 0);
    const double gap = (!outward && (magnitude & kMantissaMask) == 0) ? ulp * 0.5 : ulp;
    // |mid| - gap/2 is exact when |mid| >= gap/4, and far below -margin
    // otherwise; the one rounding left cannot move d across +-margin.
    const double distance = ((mid < 0 ? -mid : mid) - gap * 0.5) + (mid < 0 ? -lo : lo);
    if ((distance < 0 ? -distance : distance) <= margin * (1.0 + 0x1p-50)) {
        return false;
    }
    result = distance < 0 ? hi : hi + (mid < 0 ? -gap : gap);
    return true;
}

// e^x (Base10 false) or 10^x as (rounded) 2^m for x of the ordinary range or
// of a normal result: rounded is in [1/2, 2), and the caller scales it.
// x = k ln(2)/1024 + r as in exp_core (r exact for k = 0), e^r = 1 + E by a
// double-double Horner scheme to r^8, times 2^(j/1024) from the table.
template <bool Base10>
bool exp_accurate(double x, double &rounded, std::int64_t &m) {
    const double *split = Base10 ? kLog10Of2OverN : kLn2OverN;
    const double k_shifted = x * (Base10 ? kNLog2Of10 : kNOverLn2) + kShifter;
    const std::int64_t k_bits = ScalarLanes::bits(k_shifted);
    const double k = k_shifted - kShifter;
    double r_lo;
    const double r_hi = two_sum(x - k * split[0], -(k * split[1]), r_lo);
    r_lo -= k * split[2];
    DoubleDouble a{r_hi, r_lo};
    if (Base10) {
        double lo;
        const double hi = ScalarLanes::two_prod(r_hi, kLn10[0], lo);
        a.hi = fast_two_sum(hi, lo + (r_hi * kLn10[1] + r_lo * kLn10[0]), a.lo);
    }
    // E = a_hi (1 + a_hi/2 + ... + a_hi^7/8!): the tail from 1/120 on in
    // doubles, the rest as double-doubles.
    double tail = a.hi * (1.0 / 40320) + 1.0 / 5040;
    tail = tail * a.hi + 1.0 / 720;
    tail = tail * a.hi + 1.0 / 120;
    DoubleDouble q = multiply_add({tail, 0.0}, a.hi, coefficient(24));
    q = multiply_add(q, a.hi, coefficient(6));
    q = multiply_add(q, a.hi, {0.5, 0.0});
    q = multiply_add(q, a.hi, {1.0, 0.0});
    const DoubleDouble e = multiply(q, a.hi);
    // e^(a_hi + a_lo) = (1 + E)(1 + a_lo), a_lo^2 below 2^-128.
    const double s_lo = e.lo + a.lo * (1.0 + e.hi);
    const std::int64_t row = (k_bits & (kExpTableSize - 1)) * 2;
    const double t_hi = kExp2Table[row];
    const double t_lo = kExp2Table[row + 1];
    ExactSum sum;
    double p_lo;
    sum.add(t_hi);
    sum.add(ScalarLanes::two_prod(t_hi, e.hi, p_lo));
    sum.add(p_lo);
    sum.add(t_hi * s_lo);
    sum.add(t_lo);
    sum.add(t_lo * e.hi);
    // k = 0: the reduction and the table are exact (e^x: a is x; 10^x: a is
    // x ln 10 within 2^-105 relative), and the error is the polynomial's.
    const double a_magnitude = a.hi < 0 ? -a.hi : a.hi;
    const double margin = (k == 0.0 ? a_magnitude * 0x1p-100 : 0x1p-103) * 2.0;
    m = exp_scale_exponent(k_bits);
    return round_exact_sum(sum, margin, rounded);
}

// ln x for a positive normal x (a subnormal one scaled by 2^52, with
// extra_exponent -52), as log_core reduces it: E ln 2 - ln c_j + ln(1 + t),
// ln(1 + t) = t - t^2/2 + t^3 Q(t) with Q to t^8 as double-doubles.
inline bool log_accurate(double x, std::int64_t extra_exponent, double &result) {
    const std::int64_t x_bits = ScalarLanes::bits(x);
    const std::int64_t mantissa = x_bits & kMantissaMask;
    const bool halve = mantissa >= kSqrt2Mantissa;
    const std::int64_t exponent = ((x_bits >> 52) - 1023) + (halve ? 1 : 0) + extra_exponent;
    const double m = ScalarLanes::from_bits(mantissa | (halve ? kHalfBits : kOneBits));
    const std::int64_t row_index =
        halve ? (mantissa + (kLogRowOffsetHalved - (std::int64_t{1} << 52))) >> 43 : (mantissa + kLogRowOffset) >> 42;
    const double c = kLogTable[row_index * 4];
    const double minus_log_c_hi = kLogTable[row_index * 4 + 1];
    const double minus_log_c_lo = kLogTable[row_index * 4 + 2];
    double p_lo, t_lo;
    const double p = ScalarLanes::two_prod(m, c, p_lo);
    const double t = fast_two_sum(p - 1.0, p_lo, t_lo);
    // Q(t) = 1/3 - t/4 + t^2/5 - ... + t^8/11: from -1/6 on in doubles.
    double tail = t * (1.0 / 11) - 0.1;
    tail = tail * t + 1.0 / 9;
    tail = tail * t - 0.125;
    tail = tail * t + 1.0 / 7;
    tail = tail * t - 1.0 / 6;
    DoubleDouble q = multiply_add({tail, 0.0}, t, coefficient(5));
    q = multiply_add(q, t, {-0.25, 0.0});
    q = multiply_add(q, t, coefficient(3));
    const DoubleDouble w = multiply(multiply(multiply(q, t), t), t);
    double square_lo;
    const double square = ScalarLanes::two_prod(t, t, square_lo);
    const double e = static_cast<double>(exponent);
    double ln2_lo;
    const double ln2_mid = ScalarLanes::two_prod(e, kLn2Split[1], ln2_lo);
    ExactSum sum;
    sum.add(e * kLn2Split[0]);
    sum.add(minus_log_c_hi);
    sum.add(ln2_mid);
    sum.add(t);
    sum.add(square * -0.5);
    sum.add(w.hi);
    sum.add(minus_log_c_lo);
    sum.add(ln2_lo);
    sum.add(square_lo * -0.5);
    sum.add(w.lo);
    sum.add(e * kLn2Split[2]);
    // ln(1 + t + t_lo) - ln(1 + t) = t_lo / (1 + t) within 2^-128.
    sum.add(t_lo / (1.0 + t));
    // The table's -ln c within 2^-106 relative; Q within 2^-84 relative of
    // t^3 Q; the last term, E ln 2's third part and the sum's own roundings
    // below 2^-113, and all three zero near 1 (E = j = 0, t_lo = 0).
    const double far = (t_lo != 0.0 || exponent != 0) ? 0x1p-113 : 0.0;
    const double margin = ((minus_log_c_hi < 0 ? -minus_log_c_hi : minus_log_c_hi) * 0x1p-104 +
                           (w.hi < 0 ? -w.hi : w.hi) * 0x1p-84 + far) *
                          2.0;
    return round_exact_sum(sum, margin, result);
}

}  // namespace
}  // namespace elementary
}  // namespace Halx

#endif  // HALX_ELEMENTARY_ACCURATE_H

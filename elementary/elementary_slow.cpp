// The slow path of the correctly rounded exp, exp10 and log: the few inputs
// whose fast result lies too close to a rounding boundary come here and are
// evaluated in 384-bit fixed point (64 integer bits, 320 fraction bits), then
// rounded exactly with integer operations. It is plain and unhurried: Taylor
// and atanh series, no tables, a few microseconds per call.
//
// Error: every result carries an explicit bound in units of 2^-320 (at most
// 2^24 units, about 2^-296 relative), and the rounding is accepted only when
// the whole interval rounds to one double. Exact results fall inside the
// interval by definition; the only exact midpoint of these functions among
// doubles, 10^23, is answered from its literal before anything else.
#include "elementary_slow.h"

#include <cmath>
#include <cstdint>

namespace Halx {
namespace elementary {

namespace {

using Limb = std::uint64_t;
using Wide = unsigned __int128;
constexpr int kLimbs = 6;           // limb[0] least significant
constexpr int kFractionBits = 320;  // value = (signed 384-bit integer) / 2^320

// A fixed-point number in two's complement.
struct Fixed {
    Limb limb[kLimbs] = {};
};

Fixed from_integer(std::int64_t n) {
    Fixed f;
    const Limb fill = n < 0 ? ~Limb{0} : 0;
    for (Limb &l : f.limb) {
        l = fill;
    }
    f.limb[kLimbs - 1] = static_cast<Limb>(n);
    return f;
}

bool is_negative(const Fixed &a) { return (a.limb[kLimbs - 1] >> 63) != 0; }

bool is_zero(const Fixed &a) {
    for (Limb l : a.limb) {
        if (l != 0) {
            return false;
        }
    }
    return true;
}

Fixed add(const Fixed &a, const Fixed &b) {
    Fixed sum;
    Limb carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
        const Wide s = Wide{a.limb[i]} + b.limb[i] + carry;
        sum.limb[i] = static_cast<Limb>(s);
        carry = static_cast<Limb>(s >> 64);
    }
    return sum;
}

Fixed negate(const Fixed &a) {
    Fixed inverted;
    for (int i = 0; i < kLimbs; ++i) {
        inverted.limb[i] = ~a.limb[i];
    }
    Fixed one_unit;
    one_unit.limb[0] = 1;
    return add(inverted, one_unit);
}

Fixed subtract(const Fixed &a, const Fixed &b) { return add(a, negate(b)); }

bool less(const Fixed &a, const Fixed &b) { return is_negative(subtract(a, b)); }

// a * b for non-negative a and b, truncated to 320 fraction bits.
Fixed multiply(const Fixed &a, const Fixed &b) {
    Limb product[2 * kLimbs] = {};
    for (int i = 0; i < kLimbs; ++i) {
        Limb carry = 0;
        for (int j = 0; j < kLimbs; ++j) {
            const Wide p = Wide{a.limb[i]} * b.limb[j] + product[i + j] + carry;
            product[i + j] = static_cast<Limb>(p);
            carry = static_cast<Limb>(p >> 64);
        }
        product[i + kLimbs] = carry;
    }
    Fixed result;
    for (int i = 0; i < kLimbs; ++i) {
        result.limb[i] = product[i + kFractionBits / 64];
    }
    return result;
}

// a * n for non-negative a.
Fixed multiply_small(const Fixed &a, Limb n) {
    Fixed result;
    Limb carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
        const Wide p = Wide{a.limb[i]} * n + carry;
        result.limb[i] = static_cast<Limb>(p);
        carry = static_cast<Limb>(p >> 64);
    }
    return result;
}

// a / d for non-negative a, truncated.
Fixed divide_small(const Fixed &a, Limb d) {
    Fixed result;
    Wide remainder = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
        const Wide current = (remainder << 64) | a.limb[i];
        result.limb[i] = static_cast<Limb>(current / d);
        remainder = current % d;
    }
    return result;
}

// |x| exactly, for 2^-200 <= |x| < 2^60.
Fixed from_magnitude(double x) {
    int exponent;
    const double mantissa = std::frexp(std::fabs(x), &exponent);  // exact
    const Limb bits = static_cast<Limb>(std::ldexp(mantissa, 53));
    const int shift = exponent - 53 + kFractionBits;  // position of bit 0 of bits
    Fixed f;
    const int word = shift / 64;
    const int offset = shift % 64;
    f.limb[word] = bits << offset;
    if (offset != 0 && word + 1 < kLimbs) {
        f.limb[word + 1] = bits >> (64 - offset);
    }
    return f;
}

// 2 atanh(numerator / denominator) for 0 <= numerator < denominator / 3;
// error below 3 units per series term.
Fixed twice_atanh(Limb numerator, Limb denominator) {
    const Fixed s = divide_small(from_integer(static_cast<std::int64_t>(numerator)), denominator);
    const Fixed s_squared = multiply(s, s);
    Fixed term = s;
    Fixed sum = s;
    for (Limb n = 3;; n += 2) {
        term = multiply(term, s_squared);
        const Fixed step = divide_small(term, n);
        if (is_zero(step)) {
            break;
        }
        sum = add(sum, step);
    }
    return add(sum, sum);
}

// ln 2 = 2 atanh(1/3) and ln 10 = 3 ln 2 + 2 atanh(1/9), each within 2^12 units.
const Fixed &ln2() {
    static const Fixed value = twice_atanh(1, 3);
    return value;
}

const Fixed &ln10() {
    static const Fixed value = add(multiply_small(ln2(), 3), twice_atanh(1, 9));
    return value;
}

// Bit i of the 384-bit integer of a (0 beyond the ends).
Limb bit_at(const Fixed &a, int i) {
    if (i < 0 || i >= 64 * kLimbs) {
        return 0;
    }
    return (a.limb[i / 64] >> (i % 64)) & 1;
}

// Whether any bit below position i is set.
bool any_below(const Fixed &a, int i) {
    for (int word = 0; word < kLimbs && 64 * word < i; ++word) {
        const int count = i - 64 * word;
        const Limb mask = count >= 64 ? ~Limb{0} : (Limb{1} << count) - 1;
        if ((a.limb[word] & mask) != 0) {
            return true;
        }
    }
    return false;
}

int top_bit(const Fixed &a) {
    for (int word = kLimbs - 1; word >= 0; --word) {
        if (a.limb[word] != 0) {
            return 64 * word + 63 - __builtin_clzll(a.limb[word]);
        }
    }
    return -1;
}

// a * 2^scale rounded to the nearest double (ties to even), for non-negative
// a: 53 significant bits, or the subnormal grid; overflow gives infinity.
double round_to_double(const Fixed &a, int scale) {
    const int top = top_bit(a);
    if (top < 0) {
        return 0.0;
    }
    const int exponent = top - kFractionBits + scale;  // of the leading bit
    const int lowest_kept = (exponent - 52 > -1074 ? exponent - 52 : -1074) - scale + kFractionBits;
    Limb mantissa = 0;
    for (int i = top; i >= lowest_kept; --i) {
        mantissa = (mantissa << 1) | bit_at(a, i);
    }
    const bool above_half = bit_at(a, lowest_kept - 1) != 0;
    const bool sticky = any_below(a, lowest_kept - 1);
    if (above_half && (sticky || (mantissa & 1) != 0)) {
        ++mantissa;
    }
    return std::ldexp(static_cast<double>(mantissa), lowest_kept - kFractionBits + scale);
}

// The double nearest a * 2^scale, given that the exact value lies within
// error units of a; when the interval straddles a rounding boundary (no input
// is known to come this close), the rounding of a itself.
double round_interval(const Fixed &a, int scale, Limb error) {
    const Fixed e = from_integer(0);
    Fixed margin = e;
    margin.limb[0] = error;
    const double up = round_to_double(add(a, margin), scale);
    const Fixed below = subtract(a, margin);
    const double down = is_negative(below) ? 0.0 : round_to_double(below, scale);
    return up == down ? up : round_to_double(a, scale);
}

// e^z for the fixed-point z, with |z| < 746; z within 2^21 units of exact.
double exp_fixed(const Fixed &z, double z_estimate) {
    // z = k ln 2 + r with 0 <= r < ln 2, k from the estimate, then corrected.
    std::int64_t k = static_cast<std::int64_t>(std::floor(z_estimate / 0.6931471805599453));
    const Fixed k_ln2 = multiply_small(ln2(), static_cast<Limb>(k < 0 ? -k : k));
    Fixed r = k < 0 ? add(z, k_ln2) : subtract(z, k_ln2);
    while (is_negative(r)) {
        r = add(r, ln2());
        --k;
    }
    while (!less(r, ln2())) {
        r = subtract(r, ln2());
        ++k;
    }
    Fixed term = from_integer(1);
    Fixed sum = term;
    for (Limb n = 1;; ++n) {
        term = divide_small(multiply(term, r), n);
        if (is_zero(term)) {
            break;
        }
        sum = add(sum, term);
    }
    // e^r < 2: the input's 2^21 units and |k| ln 2's 2^22 double at most,
    // and the series adds a few hundred.
    return round_interval(sum, static_cast<int>(k), Limb{1} << 24);
}

}  // namespace

double exp_slow(double x) {
    Fixed z = from_magnitude(x);
    if (x < 0) {
        z = negate(z);
    }
    return exp_fixed(z, x);
}

double exp10_slow(double x) {
    // 10^23 is the one exact midpoint between doubles among the powers of ten
    // (5^23 needs 54 bits); the literal is rounded to even by the compiler.
    if (x == 23.0) {
        return 1e23;
    }
    // |x| ln 10 with |x| < 324: within 2^12 * 324 + 1 units.
    Fixed z = multiply(from_magnitude(x), ln10());
    if (x < 0) {
        z = negate(z);
    }
    return exp_fixed(z, x * 2.302585092994046);
}

double log_slow(double x) {
    int exponent;
    const double fraction = std::frexp(x, &exponent);  // x = fraction 2^exponent, fraction in [1/2, 1)
    // m = fraction or 2 fraction in [sqrt(1/2), sqrt(2)), as M / 2^53 or M / 2^52.
    const Limb bits = static_cast<Limb>(std::ldexp(fraction, 53));
    Limb unit = Limb{1} << 53;
    if (fraction < 0.7071067811865476) {
        unit >>= 1;
        exponent -= 1;
    }
    // ln m = 2 atanh(s), s = (M - unit) / (M + unit), |s| < 0.172.
    const bool below_one = bits < unit;
    const Limb numerator = below_one ? unit - bits : bits - unit;
    Fixed series = twice_atanh(numerator, bits + unit);
    if (below_one) {
        series = negate(series);
    }
    const Limb e = static_cast<Limb>(exponent < 0 ? -exponent : exponent);
    Fixed e_ln2 = multiply_small(ln2(), e);
    if (exponent < 0) {
        e_ln2 = negate(e_ln2);
    }
    Fixed y = add(e_ln2, series);
    const bool negative = is_negative(y);
    if (negative) {
        y = negate(y);
    }
    // ln 2 within 2^12 units times |E| <= 1075, and the series' few hundred.
    const double magnitude = round_interval(y, 0, (e + 1) << 12);
    return negative ? -magnitude : magnitude;
}

}  // namespace elementary
}  // namespace Halx

// SIMD array kernels, written once for the vector width of the instruction
// set that the including file is compiled for (-mavx512f..., -mavx2 -mfma, or
// the x86-64 baseline): 8, 4 or 2 doubles per vector, in GCC/Clang vector
// types. Each array_kernels_<set>.cpp includes this and exports the table
// simd_array_kernels("<set>").
//
// How a lane gets the scalar function's bits: the correlation steps are those
// of correlations.h, and the elementary functions are fast paths whose
// settled lanes hold the correctly rounded result: those of
// elementary_kernels.h for SSE2 and AVX2, those designed for AVX-512 in
// elementary_avx512.h for AVX-512. A lane is deferred, and recomputed by the scalar
// model function from the inputs still held in registers, when an input is
// NaN (only the scalar code fixes which of two NaN payloads wins), when the
// argument of exp, log or 10^x is outside the ordinary range, or when its
// rounding test fails. With no NaN input, every NaN a lane can produce is
// the processor's default NaN, whatever the operand order.
//
// Floating-point flags: the vector pass raises, over all its lanes, no flag
// (divide-by-zero, overflow, underflow, invalid) that the scalar function
// would not raise for the same inputs, and the scalar recomputation of the
// deferred lanes raises theirs; so a call leaves set exactly the flags of
// the plain loop. A lane that is not deferred takes the scalar function's
// own steps. A deferred lane takes them up to the elementary function's
// argument (the scalar function takes those too), then only harmless ones:
// the elementary function gets the argument 1 when its own is outside the
// ordinary range, and the steps after it get operands that raise nothing
// (see SolidDensity and LiquidDensity). Inexact, which NumPy does not
// report, is left to fall where it may.
//
// Everything here has internal linkage (see elementary_kernels.h).
#ifndef HALX_MODEL_KERNELS_ARRAY_KERNELS_SIMD_H
#define HALX_MODEL_KERNELS_ARRAY_KERNELS_SIMD_H

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Caloric.h"
#include "Halx.h"
#include "Surface.h"
#include "array_kernels.h"
#include "correlations.h"
#include "elementary.h"
#include "elementary_avx512.h"
#include "elementary_kernels.h"

namespace Halx {
namespace {

using elementary::kExp10OrdinaryBits;
using elementary::kExp10TinyBits;
using elementary::kExponentMask;
using elementary::kExpOrdinaryBits;
using elementary::kExpTinyBits;
using elementary::kMagnitudeMask;
using elementary::kSmallestNormalBits;

#if defined(__AVX512F__)
constexpr int kWidth = 8;
#elif defined(__AVX2__)
constexpr int kWidth = 4;
#else
constexpr int kWidth = 2;
#endif

typedef double DoubleVector __attribute__((vector_size(8 * kWidth)));
typedef std::int64_t IntVector __attribute__((vector_size(8 * kWidth)));

struct VectorLanes {
    using V = DoubleVector;
    using I = IntVector;

    static I bits(V v) { return reinterpret_cast<I>(v); }
    static V from_bits(I i) { return reinterpret_cast<V>(i); }
    static V select(I mask, V a, V b) { return mask ? a : b; }
    static I select_int(I mask, I a, I b) { return mask ? a : b; }

    static V gather(const double *table, I index) {
#if defined(__AVX512F__)
        // The masked form: GCC 12 warns about the unmasked one's placeholder.
        return reinterpret_cast<V>(
            _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, reinterpret_cast<__m512i>(index), table, 8));
#elif defined(__AVX2__)
        return reinterpret_cast<V>(_mm256_i64gather_pd(table, reinterpret_cast<__m256i>(index), 8));
#else
        V result;
        for (int lane = 0; lane < kWidth; ++lane) {
            result[lane] = table[index[lane]];
        }
        return result;
#endif
    }

    // a * b = product + error exactly: FMA where the set has it, else Dekker.
    static V two_prod(V a, V b, V &error) {
#if defined(__AVX512F__)
        const V product = a * b;
        error = reinterpret_cast<V>(_mm512_fmsub_pd(reinterpret_cast<__m512d>(a), reinterpret_cast<__m512d>(b),
                                                    reinterpret_cast<__m512d>(product)));
        return product;
#elif defined(__AVX2__) && defined(__FMA__)
        const V product = a * b;
        error = reinterpret_cast<V>(_mm256_fmsub_pd(reinterpret_cast<__m256d>(a), reinterpret_cast<__m256d>(b),
                                                    reinterpret_cast<__m256d>(product)));
        return product;
#elif defined(__FMA__)
        // The baseline width built where FMA is enabled for every file (-mfma,
        // -march=native): the same exact error, from the 128-bit form.
        const V product = a * b;
        error = reinterpret_cast<V>(_mm_fmsub_pd(reinterpret_cast<__m128d>(a), reinterpret_cast<__m128d>(b),
                                                 reinterpret_cast<__m128d>(product)));
        return product;
#else
        return elementary::dekker_two_prod(a, b, error);
#endif
    }

    static bool any(I mask) {
#if defined(__AVX512F__)
        return _mm512_test_epi64_mask(reinterpret_cast<__m512i>(mask), reinterpret_cast<__m512i>(mask)) != 0;
#elif defined(__AVX2__)
        return _mm256_movemask_pd(reinterpret_cast<__m256d>(mask)) != 0;
#else
        return _mm_movemask_pd(reinterpret_cast<__m128d>(mask)) != 0;
#endif
    }
};

using V = VectorLanes::V;
using I = VectorLanes::I;

V load(const double *source) {
    V v;
    std::memcpy(&v, source, sizeof v);
    return v;
}

void store(double *target, V v) { std::memcpy(target, &v, sizeof v); }

// The lanes of a vector that a kernel defers: a mask register under AVX-512,
// where comparisons write one and blends read one; elsewhere a vector whose
// lanes are all ones or all zeros, as comparisons of vectors give.
#if defined(__AVX512F__)
using Mask = __mmask8;
bool any_lane(Mask mask) { return mask != 0; }
bool lane_of(Mask mask, int lane) { return ((mask >> lane) & 1) != 0; }
V select_lanes(Mask mask, V a, V b) {
    return reinterpret_cast<V>(_mm512_mask_blend_pd(mask, reinterpret_cast<__m512d>(b), reinterpret_cast<__m512d>(a)));
}
// By the bits: no comparison of a NaN, so no flag.
Mask is_nan(V v) {
    const __m512i magnitude = _mm512_and_si512(reinterpret_cast<__m512i>(v), _mm512_set1_epi64(kMagnitudeMask));
    return _mm512_cmp_epi64_mask(magnitude, _mm512_set1_epi64(kExponentMask), _MM_CMPINT_NLE);
}
#else
using Mask = I;
bool any_lane(Mask mask) { return VectorLanes::any(mask); }
bool lane_of(Mask mask, int lane) { return mask[lane] != 0; }
V select_lanes(Mask mask, V a, V b) { return VectorLanes::select(mask, a, b); }
Mask is_nan(V v) { return (VectorLanes::bits(v) & kMagnitudeMask) > kExponentMask; }
#endif

// e^x or 10^x in every lane whose x is ordinary and whose rounding test
// passes; the other lanes are added to deferred. Inlined into each loop,
// which then keeps its constants and vectors in registers.
template <bool Base10>
[[gnu::always_inline]] inline V exponential_lanes(V x, Mask &deferred) {
#if defined(__AVX512F__)
    // The AVX-512 design (elementary_avx512.h), its masks kept in mask registers.
    // tiny <= |x| <= ordinary in one unsigned compare of the difference.
    const std::int64_t tiny = Base10 ? kExp10TinyBits : kExpTinyBits;
    const std::int64_t ordinary = Base10 ? kExp10OrdinaryBits : kExpOrdinaryBits;
    const __m512i magnitude = _mm512_and_si512(reinterpret_cast<__m512i>(x), _mm512_set1_epi64(kMagnitudeMask));
    const __mmask8 outside = _mm512_cmp_epu64_mask(_mm512_sub_epi64(magnitude, _mm512_set1_epi64(tiny)),
                                                   _mm512_set1_epi64(ordinary - tiny), _MM_CMPINT_NLE);
    const __m512d argument = _mm512_mask_blend_pd(outside, reinterpret_cast<__m512d>(x), _mm512_set1_pd(1.0));
    __mmask8 settled;
    const __m512d result = elementary::exp_avx512<Base10>(argument, settled);
    deferred |= outside | static_cast<__mmask8>(~settled);
    return reinterpret_cast<V>(result);
#else
    const I magnitude = VectorLanes::bits(x) & kMagnitudeMask;
    const I outside = (magnitude < (Base10 ? kExp10TinyBits : kExpTinyBits)) |
                      (magnitude > (Base10 ? kExp10OrdinaryBits : kExpOrdinaryBits));
    const V argument = VectorLanes::select(outside, V() + 1.0, x);
    V low;
    I k_bits;
    const V hi = elementary::exp_core<VectorLanes, Base10>(argument, low, k_bits);
    const I settled = elementary::rounding_test<VectorLanes>(hi, low, elementary::kExpErrorBound);
    deferred |= outside | ~settled;
    return (hi + low) * elementary::power_of_two<VectorLanes>(elementary::exp_scale_exponent(k_bits));
#endif
}

// ln x in every lane whose x is a positive normal double and whose rounding
// test passes; the other lanes are added to deferred.
[[gnu::always_inline]] inline V log_lanes(V x, Mask &deferred) {
#if defined(__AVX512F__)
    const __m512i bits = reinterpret_cast<__m512i>(x);
    const __mmask8 outside = _mm512_cmp_epi64_mask(bits, _mm512_set1_epi64(kSmallestNormalBits), _MM_CMPINT_LT) |
                             _mm512_cmp_epi64_mask(bits, _mm512_set1_epi64(kExponentMask), _MM_CMPINT_NLT);
    const __m512d argument = _mm512_mask_blend_pd(outside, reinterpret_cast<__m512d>(x), _mm512_set1_pd(1.0));
    __mmask8 settled;
    const __m512d result = elementary::log_avx512(argument, settled);
    deferred |= outside | static_cast<__mmask8>(~settled);
    return reinterpret_cast<V>(result);
#else
    const I bits = VectorLanes::bits(x);
    const I outside = (bits < kSmallestNormalBits) | (bits >= kExponentMask);
    const V argument = VectorLanes::select(outside, V() + 1.0, x);
    V low, bound;
    const V hi = elementary::log_core<VectorLanes>(argument, low, I(), bound);
    const I settled = elementary::rounding_test<VectorLanes>(hi, low, bound);
    deferred |= outside | ~settled;
    return hi + low;
#endif
}

// The deferred lanes of one vector, recomputed by the scalar function from
// the inputs as loaded. Out of line, so the hot loop keeps its vectors in
// registers. Never fails.
template <double (*Scalar)(double)>
[[gnu::noinline, gnu::cold]] void recompute_lanes(V x, Mask deferred, double *out) {
    for (int lane = 0; lane < kWidth; ++lane) {
        if (lane_of(deferred, lane)) {
            out[lane] = Scalar(x[lane]);
        }
    }
}

template <double (*Scalar)(double, double)>
[[gnu::noinline, gnu::cold]] void recompute_lanes(V T, V P, Mask deferred, double *out) {
    for (int lane = 0; lane < kWidth; ++lane) {
        if (lane_of(deferred, lane)) {
            out[lane] = Scalar(T[lane], P[lane]);
        }
    }
}

// Whether any lane of the vectors it is shown held a value below low or
// above high; a NaN lane never does. It raises no flag. AVX-512 keeps the
// least and the greatest value of each lane, NaN lanes masked out (a masked
// lane raises nothing), and compares them with the span once, at the end:
// three instructions a vector, none of them moving a mask out of its
// register. The other sets compare each vector: AVX2 quietly, the baseline
// set, whose comparisons signal on NaN, with a NaN lane taken as low.
class OutsideLanes {
public:
    OutsideLanes(double low, double high) : low_(V() + low), high_(V() + high) {}

    // nan: the lanes of x that are NaN.
    void add(V x, [[maybe_unused]] Mask nan) {
#if defined(__AVX512F__)
        const __m512d value = reinterpret_cast<__m512d>(x);
        const __mmask8 ordered = _mm512_cmp_pd_mask(value, value, _CMP_ORD_Q);
        lowest_ = _mm512_mask_min_pd(lowest_, ordered, lowest_, value);
        highest_ = _mm512_mask_max_pd(highest_, ordered, highest_, value);
#elif defined(__AVX2__)
        const __m256d value = reinterpret_cast<__m256d>(x);
        seen_ = _mm256_or_pd(seen_, _mm256_or_pd(_mm256_cmp_pd(value, reinterpret_cast<__m256d>(low_), _CMP_LT_OQ),
                                                 _mm256_cmp_pd(value, reinterpret_cast<__m256d>(high_), _CMP_GT_OQ)));
#else
        const V compared = VectorLanes::select(nan, low_, x);
        seen_ |= (compared < low_) | (compared > high_);
#endif
    }

    bool any() const {
#if defined(__AVX512F__)
        return (_mm512_cmp_pd_mask(lowest_, reinterpret_cast<__m512d>(low_), _CMP_LT_OQ) |
                _mm512_cmp_pd_mask(highest_, reinterpret_cast<__m512d>(high_), _CMP_GT_OQ)) != 0;
#elif defined(__AVX2__)
        return _mm256_movemask_pd(seen_) != 0;
#else
        return VectorLanes::any(seen_);
#endif
    }

private:
    V low_;
    V high_;
#if defined(__AVX512F__)
    __m512d lowest_ = reinterpret_cast<__m512d>(low_);
    __m512d highest_ = reinterpret_cast<__m512d>(high_);
#elif defined(__AVX2__)
    __m256d seen_ = _mm256_setzero_pd();
#else
    I seen_ = I();
#endif
};

// One input: out = vector(x) per full vector, with deferred lanes and the
// tail computed by scalar(x); with Check, whether some x lies outside
// spans[0], compared in the registers the evaluation loads. x is read once
// per vector, so out may be x.
template <class Vector, double (*Scalar)(double), bool Check>
bool one_input_run(const double *x, double *out, std::ptrdiff_t n, const Span *spans) {
    const Span span = Check ? spans[0] : Span{};
    OutsideLanes outside(span.low, span.high);
    std::ptrdiff_t i = 0;
    for (; i + kWidth <= n; i += kWidth) {
        const V in = load(x + i);
        Mask deferred = is_nan(in);
        if constexpr (Check) outside.add(in, deferred);
        store(out + i, Vector::evaluate(in, deferred));
        if (any_lane(deferred)) {
            recompute_lanes<Scalar>(in, deferred, out + i);
        }
    }
    bool found = Check && outside.any();
    for (; i < n; ++i) {
        const double value = x[i];
        if (Check && Halx::outside(value, spans[0])) found = true;
        out[i] = Scalar(value);
    }
    return found;
}

template <class Vector, double (*Scalar)(double)>
bool one_input_kernel(const double *x, double *out, std::ptrdiff_t n, const Span *spans) {
    return spans == nullptr ? one_input_run<Vector, Scalar, false>(x, out, n, spans)
                            : one_input_run<Vector, Scalar, true>(x, out, n, spans);
}

// Two inputs, as one_input_run: T against spans[0], P against spans[1].
template <class Vector, double (*Scalar)(double, double), bool Check>
bool two_input_run(const double *T, const double *P, double *out, std::ptrdiff_t n, const Span *spans) {
    const Span t_span = Check ? spans[0] : Span{};
    const Span p_span = Check ? spans[1] : Span{};
    OutsideLanes t_outside(t_span.low, t_span.high);
    OutsideLanes p_outside(p_span.low, p_span.high);
    std::ptrdiff_t i = 0;
    for (; i + kWidth <= n; i += kWidth) {
        const V t = load(T + i);
        const V p = load(P + i);
        const Mask t_nan = is_nan(t);
        const Mask p_nan = is_nan(p);
        if constexpr (Check) {
            t_outside.add(t, t_nan);
            p_outside.add(p, p_nan);
        }
        Mask deferred = t_nan | p_nan;
        store(out + i, Vector::evaluate(t, p, deferred));
        if (any_lane(deferred)) {
            recompute_lanes<Scalar>(t, p, deferred, out + i);
        }
    }
    bool found = Check && (t_outside.any() || p_outside.any());
    for (; i < n; ++i) {
        const double t = T[i];
        const double p = P[i];
        if (Check && (Halx::outside(t, spans[0]) || Halx::outside(p, spans[1]))) found = true;
        out[i] = Scalar(t, p);
    }
    return found;
}

template <class Vector, double (*Scalar)(double, double)>
bool two_input_kernel(const double *T, const double *P, double *out, std::ptrdiff_t n, const Span *spans) {
    return spans == nullptr ? two_input_run<Vector, Scalar, false>(T, P, out, n, spans)
                            : two_input_run<Vector, Scalar, true>(T, P, out, n, spans);
}

// --- The caloric kernels' building blocks ----------------------------------------------------

// Two vectors as one: the caloric kernels evaluate their long chains of steps
// on a pair, each operation on both halves at once, so that the two halves'
// instructions interleave and neither waits as long on its own chain. The
// operators are those the steps of phases.h and correlations.h use.
struct VectorPair {
    V low, high;
};

struct MaskPair {
    I low, high;
};

#define HALX_PAIR_OPERATORS(op)                                                                                        \
    [[gnu::always_inline]] inline VectorPair operator op(VectorPair a, VectorPair b) {                                 \
        return {a.low op b.low, a.high op b.high};                                                                     \
    }                                                                                                                  \
    [[gnu::always_inline]] inline VectorPair operator op(VectorPair a, double b) { return {a.low op b, a.high op b}; } \
    [[gnu::always_inline]] inline VectorPair operator op(double a, VectorPair b) { return {a op b.low, a op b.high}; }
HALX_PAIR_OPERATORS(+)
HALX_PAIR_OPERATORS(-)
HALX_PAIR_OPERATORS(*)
HALX_PAIR_OPERATORS(/)
#undef HALX_PAIR_OPERATORS

#define HALX_PAIR_COMPARISONS(op)                                                    \
    [[gnu::always_inline]] inline MaskPair operator op(VectorPair a, VectorPair b) { \
        return {a.low op b.low, a.high op b.high};                                   \
    }                                                                                \
    [[gnu::always_inline]] inline MaskPair operator op(VectorPair a, double b) { return {a.low op b, a.high op b}; }
HALX_PAIR_COMPARISONS(<)
HALX_PAIR_COMPARISONS(<=)
HALX_PAIR_COMPARISONS(>)
HALX_PAIR_COMPARISONS(>=)
HALX_PAIR_COMPARISONS(==)
HALX_PAIR_COMPARISONS(!=)
#undef HALX_PAIR_COMPARISONS

[[gnu::always_inline]] inline VectorPair operator-(VectorPair a) { return {-a.low, -a.high}; }
[[gnu::always_inline]] inline MaskPair operator&(MaskPair a, MaskPair b) { return {a.low & b.low, a.high & b.high}; }
[[gnu::always_inline]] inline MaskPair operator|(MaskPair a, MaskPair b) { return {a.low | b.low, a.high | b.high}; }
[[gnu::always_inline]] inline MaskPair operator~(MaskPair a) { return {~a.low, ~a.high}; }
[[gnu::always_inline]] inline MaskPair operator!(MaskPair a) { return {~a.low, ~a.high}; }

V sqrt_lanes(V x) {
#if defined(__AVX512F__)
    return reinterpret_cast<V>(_mm512_maskz_sqrt_pd(0xff, reinterpret_cast<__m512d>(x)));
#elif defined(__AVX2__)
    return reinterpret_cast<V>(_mm256_sqrt_pd(reinterpret_cast<__m256d>(x)));
#else
    return reinterpret_cast<V>(_mm_sqrt_pd(reinterpret_cast<__m128d>(x)));
#endif
}

// A vector of lane masks as a Mask, and back.
Mask mask_of(I m) {
#if defined(__AVX512F__)
    return _mm512_test_epi64_mask(reinterpret_cast<__m512i>(m), reinterpret_cast<__m512i>(m));
#else
    return m;
#endif
}

I lanes_of(Mask mask) {
#if defined(__AVX512F__)
    return reinterpret_cast<I>(_mm512_maskz_mov_epi64(mask, _mm512_set1_epi64(-1)));
#else
    return mask;
#endif
}

// The arithmetic of phases.h over pairs of vectors: comparisons give pairs
// of lane masks (all ones or all zeros), and exp and log are the fast paths
// above, which add the lanes they cannot settle to `deferred` (one Mask per
// half). Its lanes hold no NaN (the kernels replace deferred inputs before
// they start), so its comparisons need not be quiet.
struct PairArithmetic {
    using V = VectorPair;
    using M = MaskPair;

    Mask (&deferred)[2];

    static V splat(double c) { return {c - DoubleVector(), c - DoubleVector()}; }
    static V select(M m, V a, V b) {
        return {VectorLanes::select(m.low, a.low, b.low), VectorLanes::select(m.high, a.high, b.high)};
    }
    static bool any(M m) { return VectorLanes::any(m.low | m.high); }
    static bool all(M m) { return !any(~m); }
    static M mask(bool m) { return m ? M{~I(), ~I()} : M{I(), I()}; }
    static V abs(V x) {
        return {VectorLanes::from_bits(VectorLanes::bits(x.low) & kMagnitudeMask),
                VectorLanes::from_bits(VectorLanes::bits(x.high) & kMagnitudeMask)};
    }
    static V min(V a, V b) { return select(b < a, b, a); }
    static M less_equal(V a, V b) { return a <= b; }
    static M greater_equal(V a, V b) { return a >= b; }
    static V sqrt(V x) { return {sqrt_lanes(x.low), sqrt_lanes(x.high)}; }
    V exp(V x) { return {exponential_lanes<false>(x.low, deferred[0]), exponential_lanes<false>(x.high, deferred[1])}; }
    V log(V x) { return {log_lanes(x.low, deferred[0]), log_lanes(x.high, deferred[1])}; }
    V log_of_ratio(V rho, V rho1) { return log(rho / rho1); }
    // Adds the lanes of m to the deferred ones.
    void defer(M m) {
        deferred[0] |= mask_of(m.low);
        deferred[1] |= mask_of(m.high);
    }
    // The deferred lanes, as lane masks, and whether there are any.
    M deferred_lanes() const { return {lanes_of(deferred[0]), lanes_of(deferred[1])}; }
    bool any_deferred() const { return any_lane(deferred[0] | deferred[1]); }
};

// The floating-point exception flags of MXCSR that NumPy reports (invalid,
// divide-by-zero, overflow, underflow), and the register itself, read and
// written in place: the asm statements are ordered with every load and store
// of the kernels, so a vector's arithmetic, which ends in the store of its
// result, is done before the flags are read.
constexpr unsigned kReportedFlags = 0x1d;

unsigned status_register() {
    unsigned csr;
    asm volatile("stmxcsr %0" : "=m"(csr) : : "memory");
    return csr;
}

void set_status_register(unsigned csr) { asm volatile("ldmxcsr %0" : : "m"(csr) : "memory"); }

// Vectors per block of a guarded run: the flags are read once per block.
constexpr int kGuardedVectors = 8;

// Vector::evaluate over a pair of one input or two.
template <class Vector, int inputs>
[[gnu::always_inline]] inline VectorPair evaluate_inputs(const VectorPair (&x)[2], Mask (&deferred)[2]) {
    if constexpr (inputs == 1) {
        return Vector::evaluate(x[0], deferred);
    } else {
        return Vector::evaluate(x[0], x[1], deferred);
    }
}

// The scalar function over the lanes of `lanes`, for one input or two.
template <auto Scalar, int inputs>
void recompute_inputs(const V (&x)[2], Mask lanes, double *out) {
    if constexpr (inputs == 1) {
        recompute_lanes<Scalar>(x[0], lanes, out);
    } else {
        recompute_lanes<Scalar>(x[0], x[1], lanes, out);
    }
}

// One input or two, as one_input_run and two_input_run, for kernels of pairs
// (Vector::evaluate(VectorPair..., Mask (&)[2])) whose vector pass is not
// made flag-free lane by lane: the pass over a block of vectors runs with the
// flags cleared, and where it raised one that NumPy reports, the whole block
// is evaluated again by the scalar function, from the inputs as loaded;
// otherwise only its deferred lanes are. Every flag left set at the end is
// one that a scalar evaluation raised (or that was set on entry), and a lane
// whose vector pass raised none takes only steps of the scalar function's
// (and more), so its scalar evaluation raises none either: the flags are
// those of the plain loop. A lane whose result is NaN is deferred too, since
// only the scalar code fixes which NaN it is.
template <class Vector, auto Scalar, int inputs, bool Check>
bool guarded_run(const double *const (&in)[2], double *out, std::ptrdiff_t n, const Span *spans) {
    const unsigned entry = status_register();
    const unsigned cleared = entry & ~kReportedFlags;
    set_status_register(cleared);
    unsigned raised = 0;
    OutsideLanes outside[2] = {{Check ? spans[0].low : 0.0, Check ? spans[0].high : 0.0},
                               {Check && inputs == 2 ? spans[1].low : 0.0, Check && inputs == 2 ? spans[1].high : 0.0}};
    constexpr std::ptrdiff_t kBlock = kGuardedVectors * kWidth;
    std::ptrdiff_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        V x[kGuardedVectors][2] = {};
        Mask deferred[kGuardedVectors];
        for (int k = 0; k < kGuardedVectors; k += 2) {
            Mask lanes[2] = {};
            VectorPair pair[2] = {};
            for (int j = 0; j < inputs; ++j) {
                for (int h = 0; h < 2; ++h) {
                    x[k + h][j] = load(in[j] + i + (k + h) * kWidth);
                    const Mask nan = is_nan(x[k + h][j]);
                    if constexpr (Check) outside[j].add(x[k + h][j], nan);
                    lanes[h] |= nan;
                }
                pair[j] = {x[k][j], x[k + 1][j]};
            }
            const VectorPair result = evaluate_inputs<Vector, inputs>(pair, lanes);
            deferred[k] = lanes[0] | is_nan(result.low);
            deferred[k + 1] = lanes[1] | is_nan(result.high);
            store(out + i + k * kWidth, result.low);
            store(out + i + (k + 1) * kWidth, result.high);
        }
        bool scalar = (status_register() & kReportedFlags) != 0;
        if (scalar) {
            set_status_register(cleared);
            for (int k = 0; k < kGuardedVectors; ++k) {
                recompute_inputs<Scalar, inputs>(x[k], static_cast<Mask>(~Mask()), out + i + k * kWidth);
            }
        } else {
            for (int k = 0; k < kGuardedVectors; ++k) {
                if (!any_lane(deferred[k])) continue;
                recompute_inputs<Scalar, inputs>(x[k], deferred[k], out + i + k * kWidth);
                scalar = true;
            }
        }
        if (scalar) {
            raised |= status_register() & kReportedFlags;
            set_status_register(cleared);
        }
    }
    bool found = Check && (outside[0].any() || (inputs == 2 && outside[1].any()));
    for (; i < n; ++i) {
        if constexpr (inputs == 1) {
            const double x = in[0][i];
            if (Check && Halx::outside(x, spans[0])) found = true;
            out[i] = Scalar(x);
        } else {
            const double t = in[0][i];
            const double p = in[1][i];
            if (Check && (Halx::outside(t, spans[0]) || Halx::outside(p, spans[1]))) found = true;
            out[i] = Scalar(t, p);
        }
    }
    set_status_register(status_register() | (entry & kReportedFlags) | raised);
    return found;
}

template <class Vector, double (*Scalar)(double)>
bool guarded_one_input_kernel(const double *x, double *out, std::ptrdiff_t n, const Span *spans) {
    const double *const in[2] = {x, x};
    return spans == nullptr ? guarded_run<Vector, Scalar, 1, false>(in, out, n, spans)
                            : guarded_run<Vector, Scalar, 1, true>(in, out, n, spans);
}

template <class Vector, double (*Scalar)(double, double)>
bool guarded_two_input_kernel(const double *T, const double *P, double *out, std::ptrdiff_t n, const Span *spans) {
    const double *const in[2] = {T, P};
    return spans == nullptr ? guarded_run<Vector, Scalar, 2, false>(in, out, n, spans)
                            : guarded_run<Vector, Scalar, 2, true>(in, out, n, spans);
}

template <bool Boiling>
struct VapourPressure {
    static V evaluate(V T, Mask &deferred) {
        const double slope = Boiling ? correlations::BoilingSlope : correlations::SublimationSlope;
        return exponential_lanes<true>(correlations::vapour_pressure_exponent(T, slope), deferred);
    }
};

struct MeltingTemperature {
    static V evaluate(V P, Mask &) { return correlations::melting_temperature(P, P_Triple, T_Triple); }
};

// A deferred lane's e is finite (its exponential saw the argument 1 or an
// ordinary one), and its P becomes 0: s * P is then 0 and the sum rho0, with
// no flag. With its own P, s * P would underflow for a subnormal P where the
// scalar function multiplies an infinite or NaN s and raises nothing.
struct SolidDensity {
    static V evaluate(V T, V P, Mask &deferred) {
        const V e = exponential_lanes<false>(correlations::solid_density_exponent(T), deferred);
        return correlations::solid_density(T, select_lanes(deferred, V(), P), e);
    }
};

// A deferred lane's ln a becomes 0, so D is 1 and rho0 / D raises nothing
// that computing rho0 did not (the scalar function computes rho0 too).
struct LiquidDensity {
    static V evaluate(V T, V P, Mask &deferred) {
        const V log_a = log_lanes(correlations::liquid_density_log_argument(T, P), deferred);
        return correlations::liquid_density(T, select_lanes(deferred, V(), log_a));
    }
};

struct Exponential {
    static V evaluate(V x, Mask &deferred) { return exponential_lanes<false>(x, deferred); }
};

struct Exponential10 {
    static V evaluate(V x, Mask &deferred) { return exponential_lanes<true>(x, deferred); }
};

struct Logarithm {
    static V evaluate(V x, Mask &deferred) { return log_lanes(x, deferred); }
};

}  // namespace
}  // namespace Halx

#include "caloric_kernels_simd.h"

namespace Halx {
namespace {

constexpr ArrayKernels simd_array_kernels(const char *name) {
    return ArrayKernels{
        name,
        one_input_kernel<VapourPressure<true>, cHalx::P_Boiling>,
        one_input_kernel<MeltingTemperature, cHalx::T_Melting>,
        one_input_kernel<VapourPressure<false>, cHalx::P_Sublimation>,
        two_input_kernel<SolidDensity, cHalx::Rho_Solid>,
        two_input_kernel<LiquidDensity, cHalx::Rho_Liquid>,
        one_input_kernel<Exponential, elementary::exp>,
        one_input_kernel<Logarithm, elementary::log>,
        one_input_kernel<Exponential10, elementary::exp10>,
        guarded_two_input_kernel<CondensedQuantity<NeedCp, &VectorPoint::Cp, true>, Cp_Solid>,
        guarded_two_input_kernel<CondensedQuantity<NeedH, &VectorPoint::H, true>, H_Solid>,
        guarded_two_input_kernel<CondensedQuantity<NeedS, &VectorPoint::S, true>, S_Solid>,
        guarded_two_input_kernel<CondensedQuantity<NeedG, &VectorPoint::G, true>, G_Solid>,
        guarded_two_input_kernel<CondensedQuantity<NeedCp, &VectorPoint::Cp, false>, Cp_Liquid>,
        guarded_two_input_kernel<CondensedQuantity<NeedH, &VectorPoint::H, false>, H_Liquid>,
        guarded_two_input_kernel<CondensedQuantity<NeedS, &VectorPoint::S, false>, S_Liquid>,
        guarded_two_input_kernel<CondensedQuantity<NeedG, &VectorPoint::G, false>, G_Liquid>,
        guarded_two_input_kernel<VapourQuantity<NeedCp, &VectorPoint::Cp>, Cp_Vapour>,
        guarded_two_input_kernel<VapourQuantity<NeedH, &VectorPoint::H>, H_Vapour>,
        guarded_two_input_kernel<VapourQuantity<NeedS, &VectorPoint::S>, S_Vapour>,
        guarded_two_input_kernel<VapourQuantity<NeedG, &VectorPoint::G>, G_Vapour>,
        guarded_two_input_kernel<VapourFrozenHeatCapacity, Cp_VapourFrozen>,
        guarded_two_input_kernel<VapourDensity, Rho_Vapour>,
        guarded_two_input_kernel<DimerFraction, X_Dimer>,
        guarded_one_input_kernel<DimerizationConstant, K_Dimer>,
        guarded_two_input_kernel<Formation<0>, Gf_Solid>,
        guarded_two_input_kernel<Formation<1>, Gf_Liquid>,
        guarded_two_input_kernel<Formation<2>, Gf_Vapour>,
        guarded_one_input_kernel<VapourPressureOver<0>, P_Vapour>,
        guarded_one_input_kernel<VapourPressureOver<1>, P_SolidVapour>,
        guarded_one_input_kernel<VapourPressureOver<2>, P_LiquidVapour>,
    };
}

}  // namespace
}  // namespace Halx

#endif  // HALX_MODEL_KERNELS_ARRAY_KERNELS_SIMD_H

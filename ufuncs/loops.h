// The inner loops of the array layer: a model function of one or two doubles
// applied over a run of elements. Templates over the model function, so each
// property gets a loop of its own with the call inlined where the compiler
// sees the body.
//
// Invariants: a loop calls the model function once per element and does no
// arithmetic on the values itself, so each element is the very double that
// the scalar binding returns. No Python or NumPy headers here: the loops see
// raw memory, element counts and byte steps only. Callers hand them aligned
// doubles (NumPy buffers unaligned arrays before the loop), so they load and
// store doubles directly. Given the plausible span of each input, a loop
// also compares each element with it as it reads it (Halx.RangeWarning).
#ifndef HALX_UFUNCS_LOOPS_H
#define HALX_UFUNCS_LOOPS_H

#include <cstdint>
#include <type_traits>

#include "array_kernels.h"
#include "model_call.h"

namespace Halx::ufuncs {

// Evaluates one property over n elements. args holds the input pointers then
// the output pointer; steps holds their byte strides in the same order. With
// spans (one per input), returns whether some input element lies outside its
// span (NaN never does); without (null), compares nothing and returns false.
// Never fails.
using PropertyLoop = bool (*)(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans);

// Runs Run<true> with spans, Run<false> (which compares nothing) without, so
// that the loop of a ufunc that does not check carries no comparison.
template <template <bool> class Run>
bool checked_or_not(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
    return spans == nullptr ? Run<false>::loop(args, n, steps, spans) : Run<true>::loop(args, n, steps, spans);
}

// f(x) over n elements; contiguous runs take a plain indexed loop. Each
// element is read once, before its result is written (out may be x).
template <double (*Model)(double)>
struct OneInputLoop {
    template <bool Check>
    struct Run {
        static bool loop(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
            const std::intptr_t x_step = steps[0];
            const std::intptr_t out_step = steps[1];
            bool found = false;
            if (x_step == sizeof(double) && out_step == sizeof(double)) {
                const double *x = reinterpret_cast<const double *>(args[0]);
                double *out = reinterpret_cast<double *>(args[1]);
                for (std::intptr_t i = 0; i < n; ++i) {
                    const double value = x[i];
                    if (Check && Halx::outside(value, spans[0])) found = true;
                    out[i] = Model(value);
                }
                return found;
            }
            const char *x = args[0];
            char *out = args[1];
            for (std::intptr_t i = 0; i < n; ++i, x += x_step, out += out_step) {
                const double value = *reinterpret_cast<const double *>(x);
                if (Check && Halx::outside(value, spans[0])) found = true;
                *reinterpret_cast<double *>(out) = Model(value);
            }
            return found;
        }
    };
};

// f(T, P) over n elements, giving doubles (Result double) or the one-byte
// code of an enumeration (the phase); contiguous runs of doubles take a plain
// indexed loop.
template <auto Model, class Result>
struct TwoInputLoop {
    template <bool Check>
    struct Run {
        static bool loop(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
            const std::intptr_t t_step = steps[0];
            const std::intptr_t p_step = steps[1];
            const std::intptr_t out_step = steps[2];
            bool found = false;
            if (t_step == sizeof(double) && p_step == sizeof(double) && out_step == sizeof(Result)) {
                const double *t = reinterpret_cast<const double *>(args[0]);
                const double *p = reinterpret_cast<const double *>(args[1]);
                Result *out = reinterpret_cast<Result *>(args[2]);
                for (std::intptr_t i = 0; i < n; ++i) {
                    const double T = t[i];
                    const double P = p[i];
                    if (Check && (Halx::outside(T, spans[0]) || Halx::outside(P, spans[1]))) found = true;
                    out[i] = static_cast<Result>(Model(T, P));
                }
                return found;
            }
            const char *t = args[0];
            const char *p = args[1];
            char *out = args[2];
            for (std::intptr_t i = 0; i < n; ++i, t += t_step, p += p_step, out += out_step) {
                const double T = *reinterpret_cast<const double *>(t);
                const double P = *reinterpret_cast<const double *>(p);
                if (Check && (Halx::outside(T, spans[0]) || Halx::outside(P, spans[1]))) found = true;
                *reinterpret_cast<Result *>(out) = static_cast<Result>(Model(T, P));
            }
            return found;
        }
    };
};

// The loop of a model function of `inputs` doubles.
template <int inputs, auto Model>
constexpr PropertyLoop loop_of() {
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    static_assert(inputs == 2 || !common::gives_code<Model>, "only a function of T and P gives a code");
    if constexpr (inputs == 1) {
        return checked_or_not<OneInputLoop<Model>::template Run>;
    } else if constexpr (common::gives_code<Model>) {
        using Code = std::underlying_type_t<decltype(Model(0.0, 0.0))>;
        static_assert(sizeof(Code) == 1, "codes are stored as NumPy int8");
        return checked_or_not<TwoInputLoop<Model, Code>::template Run>;
    } else {
        return checked_or_not<TwoInputLoop<Model, double>::template Run>;
    }
}

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_LOOPS_H

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
// store doubles directly.
#ifndef HALX_UFUNCS_LOOPS_H
#define HALX_UFUNCS_LOOPS_H

#include <cstdint>
#include <type_traits>

#include "model_call.h"

namespace Halx::ufuncs {

// Evaluates one property over n elements. args holds the input pointers then
// the output pointer; steps holds their byte strides in the same order.
// Never fails.
using PropertyLoop = void (*)(char *const *args, std::intptr_t n, const std::intptr_t *steps);

// f(x) over n elements; contiguous runs take a plain indexed loop. Never fails.
template <double (*Model)(double)>
void one_input_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const std::intptr_t x_step = steps[0];
    const std::intptr_t out_step = steps[1];
    if (x_step == sizeof(double) && out_step == sizeof(double)) {
        const double *x = reinterpret_cast<const double *>(args[0]);
        double *out = reinterpret_cast<double *>(args[1]);
        for (std::intptr_t i = 0; i < n; ++i) {
            out[i] = Model(x[i]);
        }
        return;
    }
    const char *x = args[0];
    char *out = args[1];
    for (std::intptr_t i = 0; i < n; ++i, x += x_step, out += out_step) {
        *reinterpret_cast<double *>(out) = Model(*reinterpret_cast<const double *>(x));
    }
}

// f(T, P) over n elements; contiguous runs take a plain indexed loop. Never fails.
template <double (*Model)(double, double)>
void two_input_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    const std::intptr_t t_step = steps[0];
    const std::intptr_t p_step = steps[1];
    const std::intptr_t out_step = steps[2];
    if (t_step == sizeof(double) && p_step == sizeof(double) && out_step == sizeof(double)) {
        const double *t = reinterpret_cast<const double *>(args[0]);
        const double *p = reinterpret_cast<const double *>(args[1]);
        double *out = reinterpret_cast<double *>(args[2]);
        for (std::intptr_t i = 0; i < n; ++i) {
            out[i] = Model(t[i], p[i]);
        }
        return;
    }
    const char *t = args[0];
    const char *p = args[1];
    char *out = args[2];
    for (std::intptr_t i = 0; i < n; ++i, t += t_step, p += p_step, out += out_step) {
        *reinterpret_cast<double *>(out) =
            Model(*reinterpret_cast<const double *>(t), *reinterpret_cast<const double *>(p));
    }
}

// f(T, P) over n elements for a model function that classifies a state (the
// phase): it returns an enumeration, stored as its one-byte code. Never fails.
template <auto Model>
void two_input_code_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps) {
    using Code = std::underlying_type_t<decltype(Model(0.0, 0.0))>;
    static_assert(sizeof(Code) == 1, "codes are stored as NumPy int8");
    const char *t = args[0];
    const char *p = args[1];
    char *out = args[2];
    for (std::intptr_t i = 0; i < n; ++i, t += steps[0], p += steps[1], out += steps[2]) {
        *reinterpret_cast<Code *>(out) =
            static_cast<Code>(Model(*reinterpret_cast<const double *>(t), *reinterpret_cast<const double *>(p)));
    }
}

// The loop of a model function of `inputs` doubles.
template <int inputs, auto Model>
constexpr PropertyLoop loop_of() {
    static_assert(inputs == 1 || inputs == 2, "a property takes a temperature, a pressure or both");
    static_assert(inputs == 2 || !common::gives_code<Model>, "only a function of T and P gives a code");
    if constexpr (inputs == 1) {
        return one_input_loop<Model>;
    } else if constexpr (common::gives_code<Model>) {
        return two_input_code_loop<Model>;
    } else {
        return two_input_loop<Model>;
    }
}

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_LOOPS_H

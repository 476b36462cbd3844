// The inner loops of the array layer: a property evaluated over a run of
// elements as NumPy hands it over (input pointers, then the output pointer,
// and their byte steps). A row that names a kernel (a member of
// Halx::ArrayKernels, the SIMD evaluation of a whole correlation or property
// of the thermodynamic surface) runs that kernel of the set dispatch.h chose;
// any other runs the plain kernel of its model function
// (model/kernels/array_kernels.h). Contiguous runs go straight
// to the kernel; strided ones go through a small buffer on the stack, a block
// at a time, so they get the SIMD kernels too.
//
// Invariants: a loop does no arithmetic on the values itself, so each element
// is the very double that the scalar function returns. No Python or NumPy
// headers: raw memory, element counts and byte steps only. Callers hand the
// loops aligned doubles (NumPy buffers unaligned arrays before the loop).
// Given the plausible span of each input, a loop also tells whether an input
// element lies outside it (the kernels compare each element as they evaluate
// it). Error convention: a loop never fails.
#ifndef HALX_UFUNCS_LOOPS_H
#define HALX_UFUNCS_LOOPS_H

#include <cstdint>
#include <type_traits>

#include "array_kernels.h"
#include "dispatch.h"
#include "model_call.h"

namespace Halx::ufuncs {

// Evaluates one property over n elements. With spans (one per input),
// returns whether some input element lies outside its span (NaN never does);
// without (null), compares nothing and returns false.
using PropertyLoop = bool (*)(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans);

// Elements per block of a strided run.
constexpr std::intptr_t Block = 256;

// kernel(in..., out, n, spans) over contiguous inputs and output.
template <int inputs, class Result, class Kernel>
bool call_kernel(Kernel kernel, const double *const *in, Result *out, std::intptr_t n, const Halx::Span *spans) {
    if constexpr (inputs == 1) {
        return kernel(in[0], out, n, spans);
    } else {
        return kernel(in[0], in[1], out, n, spans);
    }
}

// `kernel` of `inputs` doubles, giving Result, over a run as NumPy hands it.
template <int inputs, class Result, class Kernel>
bool run(Kernel kernel, char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
    const double *in[inputs];
    bool contiguous = steps[inputs] == sizeof(Result);
    for (int k = 0; k < inputs; ++k) {
        in[k] = reinterpret_cast<const double *>(args[k]);
        contiguous = contiguous && steps[k] == sizeof(double);
    }
    if (contiguous) return call_kernel<inputs>(kernel, in, reinterpret_cast<Result *>(args[inputs]), n, spans);
    double blocks[inputs][Block];
    Result out[Block];
    bool found = false;
    for (int k = 0; k < inputs; ++k) in[k] = blocks[k];
    for (std::intptr_t start = 0; start < n; start += Block) {
        const std::intptr_t count = n - start < Block ? n - start : Block;
        for (int k = 0; k < inputs; ++k) {
            for (std::intptr_t i = 0; i < count; ++i) {
                blocks[k][i] = *reinterpret_cast<const double *>(args[k] + (start + i) * steps[k]);
            }
        }
        found |= call_kernel<inputs>(kernel, in, out, count, spans);
        for (std::intptr_t i = 0; i < count; ++i) {
            *reinterpret_cast<Result *>(args[inputs] + (start + i) * steps[inputs]) = out[i];
        }
    }
    return found;
}

// What the loop of a model function stores per element: a double, or the
// one-byte code of an enumeration (the phase).
template <auto model, bool code = common::gives_code<model>>
struct Stored {
    using Type = double;
};
template <auto model>
struct Stored<model, true> {
    using Type = std::underlying_type_t<typename common::ModelCall<model>::Result>;
    static_assert(sizeof(Type) == 1, "codes are stored as NumPy int8");
};

// The loop of a row of `inputs` arguments: over `kernel` of the chosen set
// when the row names one (a member of Halx::ArrayKernels taking as many
// inputs, giving doubles), else over the plain kernel of `model`.
template <int inputs, auto model, auto kernel>
bool row_loop(char *const *args, std::intptr_t n, const std::intptr_t *steps, const Halx::Span *spans) {
    static_assert(inputs == common::ModelCall<model>::inputs, "a row's inputs must be its model function's");
    using Result = typename Stored<model>::Type;
    if constexpr (!std::is_null_pointer_v<decltype(kernel)>) {
        using Kernel = std::conditional_t<inputs == 1, Halx::ArrayKernels::OneInput, Halx::ArrayKernels::TwoInputs>;
        static_assert(std::is_same_v<decltype(kernel), Kernel Halx::ArrayKernels::*>,
                      "a row's kernel must be a member of Halx::ArrayKernels taking as many inputs as its model");
        static_assert(std::is_same_v<Result, double>, "the kernels give doubles, not codes");
        return run<inputs, double>(active_kernels().*kernel, args, n, steps, spans);
    } else if constexpr (inputs == 1) {
        return run<1, Result>(Halx::plain_one_input<model, Result>, args, n, steps, spans);
    } else {
        return run<2, Result>(Halx::plain_two_inputs<model, Result>, args, n, steps, spans);
    }
}

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_LOOPS_H

// The properties as the array layer sees them: one row each, holding the name,
// the number of inputs, the loop over the model and the ufunc docstring. The
// rows come from the property table (python/Halx/_table.py, written out as
// property_rows.h at build time), so a property is added or fixed in one place.
//
// A property whose row names a kernel (a member of Halx::ArrayKernels, the
// SIMD evaluation of whole correlations) gets the dispatching loop of
// dispatch.h; any other is evaluated element by element by its scalar model
// function (loops.h). Either way each element is the very double that the
// scalar function returns.
#ifndef HALX_UFUNCS_PROPERTIES_H
#define HALX_UFUNCS_PROPERTIES_H

#include <array>
#include <cstddef>
#include <type_traits>

#include "Caloric.h"
#include "Derived.h"
#include "Surface.h"
#include "Halx.h"
#include "dispatch.h"
#include "loops.h"
#include "model_call.h"
#include "property_rows.h"

namespace Halx::ufuncs {

struct Property {
    const char *name;
    int inputs;
    PropertyLoop loop;
    const char *doc;      // UTF-8; NumPy puts the call signature in front of it
    bool gives_code;      // the loop stores one-byte codes (the phase) instead of doubles
    Halx::Span spans[2];  // the plausible span of each argument, in call order
};

// An argument as HALX_SCALAR_PROPERTIES lists it: name, description and
// plausible span.
struct ArgumentRow {
    const char *name;
    const char *description;
    double low;
    double high;
};

// The plausible spans of the arguments of a row.
template <std::size_t count>
constexpr std::array<Halx::Span, 2> spans_of(const ArgumentRow (&arguments)[count]) {
    std::array<Halx::Span, 2> spans{};
    for (std::size_t k = 0; k < count; ++k) spans[k] = {arguments[k].low, arguments[k].high};
    return spans;
}

#define HALX_UFUNC_UNPARENTHESISE(...) __VA_ARGS__
#define HALX_ARGUMENT_ROWS(name, inputs, model, result, arguments, doc) \
    inline constexpr ArgumentRow name##_arguments[] = {HALX_UFUNC_UNPARENTHESISE arguments};
HALX_SCALAR_PROPERTIES(HALX_ARGUMENT_ROWS)
#undef HALX_ARGUMENT_ROWS
#undef HALX_UFUNC_UNPARENTHESISE

// The loop of a row: over its kernel when the row names one (which must be a
// kernel of as many inputs as the model function, giving doubles), else over
// the model function itself.
template <int inputs, auto model, auto kernel>
constexpr PropertyLoop loop_of_row() {
    static_assert(inputs == common::ModelCall<model>::inputs, "a row's inputs must be its model function's");
    if constexpr (std::is_null_pointer_v<decltype(kernel)>) {
        return loop_of<inputs, model>();
    } else {
        using Kernel = std::conditional_t<inputs == 1, Halx::ArrayKernels::OneInput, Halx::ArrayKernels::TwoInputs>;
        static_assert(std::is_same_v<decltype(kernel), Kernel Halx::ArrayKernels::*>,
                      "a row's kernel must be a member of Halx::ArrayKernels taking as many inputs as its model");
        static_assert(!common::gives_code<model>, "the kernels give doubles, not codes");
        return kernel_loop<inputs, kernel>();
    }
}

inline constexpr Property Properties[] = {
#define HALX_ARRAY_ROW(name, inputs, model, kernel, doc) \
    {#name,                                              \
     inputs,                                             \
     loop_of_row<inputs, &model, kernel>(),              \
     doc,                                                \
     common::gives_code<&model>,                         \
     {spans_of(name##_arguments)[0], spans_of(name##_arguments)[1]}},
HALX_PROPERTIES(HALX_ARRAY_ROW)
#undef HALX_ARRAY_ROW
};

inline constexpr int PropertyCount = sizeof(Properties) / sizeof(Properties[0]);

}  // namespace Halx::ufuncs

#endif  // HALX_UFUNCS_PROPERTIES_H

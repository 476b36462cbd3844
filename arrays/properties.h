// The properties as the array layer sees them: one row each, holding the name,
// the number of inputs, the loop over the model and the ufunc docstring. The
// rows come from the property table (python/Halx/_table.py, written out as
// property_rows.h at build time), so a property is added or fixed in one place.
//
// A property whose name the model's array kernels carry (Halx::ArrayKernels,
// the SIMD evaluation of whole correlations) gets the dispatching loop of
// dispatch.h; any other is evaluated element by element by its scalar model
// function (loops.h). Either way each element is the very double that the
// scalar function returns.
#ifndef HALX_ARRAYS_PROPERTIES_H
#define HALX_ARRAYS_PROPERTIES_H

#include <type_traits>

#include "Derived.h"
#include "Halx.h"
#include "dispatch.h"
#include "loops.h"
#include "property_rows.h"

namespace halx::arrays {

struct Property {
    const char *name;
    int inputs;
    PropertyLoop loop;
    const char *doc;  // UTF-8; NumPy puts the call signature in front of it
    bool gives_code;  // the loop stores one-byte codes (the phase) instead of doubles
};

// For each row, `name_loop<>()`: the kernel loop when Halx::ArrayKernels has a
// member of that name, else the element-by-element loop over the model.
#define HALX_ROW_LOOP(name, inputs, model, doc)                                                        \
    template <class Kernels, class = void>                                                              \
    struct has_kernel_##name : std::false_type {};                                                      \
    template <class Kernels>                                                                            \
    struct has_kernel_##name<Kernels, std::void_t<decltype(&Kernels::name)>> : std::true_type {};       \
    template <class Kernels = Halx::ArrayKernels>                                                       \
    constexpr PropertyLoop name##_loop() {                                                              \
        if constexpr (has_kernel_##name<Kernels>::value) {                                              \
            return kernel_loop<inputs, &Kernels::name>();                                               \
        } else {                                                                                        \
            return loop_of<inputs, &model>();                                                           \
        }                                                                                               \
    }
HALX_PROPERTIES(HALX_ROW_LOOP)
#undef HALX_ROW_LOOP

inline constexpr Property Properties[] = {
#define HALX_ARRAY_ROW(name, inputs, model, doc) {#name, inputs, name##_loop(), doc, gives_code<&model>()},
    HALX_PROPERTIES(HALX_ARRAY_ROW)
#undef HALX_ARRAY_ROW
};

inline constexpr int PropertyCount = sizeof(Properties) / sizeof(Properties[0]);

}  // namespace halx::arrays

#endif  // HALX_ARRAYS_PROPERTIES_H

// What a model function of the property table looks like to the modules that
// call it: how many doubles it takes (a temperature, a pressure or both) and
// what it returns (a double, or a code such as Halx::Phase). Compile-time
// only, so nothing here fails; no Python headers.
#ifndef HALX_COMMON_MODEL_CALL_H
#define HALX_COMMON_MODEL_CALL_H

#include <type_traits>

namespace Halx::common {

template <auto model, bool one_input = std::is_invocable_v<decltype(model), double>>
struct ModelCall;

template <auto model>
struct ModelCall<model, true> {
    static constexpr int inputs = 1;
    using Result = std::invoke_result_t<decltype(model), double>;
};

template <auto model>
struct ModelCall<model, false> {
    static_assert(std::is_invocable_v<decltype(model), double, double>,
                  "a property takes a temperature, a pressure or both");
    static constexpr int inputs = 2;
    using Result = std::invoke_result_t<decltype(model), double, double>;
};

// Whether `model` classifies a state (returns an enumeration, such as the
// phase) rather than giving a double.
template <auto model>
inline constexpr bool gives_code = std::is_enum_v<typename ModelCall<model>::Result>;

}  // namespace Halx::common

#endif  // HALX_COMMON_MODEL_CALL_H

// What the derived and the caloric properties share: physical constants and
// the tests that decide where a function has a meaning. Internal to the model
// (not installed); compiled only into files built under the exact-FP flags.
#ifndef HALX_MODEL_SHARED_H
#define HALX_MODEL_SHARED_H

#include <cfenv>
#include <cmath>
#include <limits>

namespace Halx {
namespace shared {

// Molar gas constant, J/(mol K): the SI value, exact since 2019.
constexpr double GasConstant = 8.31446261815324;
// Pascal per bar.
constexpr double PascalPerBar = 1.0e5;
// Absolute zero, degC: no state lies below it, so no property is defined there.
constexpr double AbsoluteZero = -273.15;

// The result of a function outside its domain: NaN, with the invalid flag
// raised as for ln of a negative number, so that NumPy reports it like any
// other invalid operation. A NaN argument is not outside the domain in this
// sense: it travels through the arithmetic with its payload and raises nothing.
inline double undefined() {
    std::feraiseexcept(FE_INVALID);
    return std::numeric_limits<double>::quiet_NaN();
}

// The domain tests compare quietly (std::isless and its kin raise no invalid
// flag for a NaN operand, where < may), so that a NaN argument leaves the
// floating-point flags as the arithmetic alone would.
inline bool below_absolute_zero(double T) { return std::isless(T, AbsoluteZero); }
inline bool not_positive(double x) { return std::islessequal(x, 0.0); }

}  // namespace shared
}  // namespace Halx

#endif  // HALX_MODEL_SHARED_H

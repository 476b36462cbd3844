// A property as every extension module sees it, for its messages and its
// range check: the name, and each argument's name, what it is and the span of
// its values that are plausible (outside it, Halx.RangeWarning). The rows of
// common/property_rows.h fill one per property; the comparison with a span is
// Halx::outside (model/kernels/array_kernels.h), the same as the kernels'.
// Compile-time data only; no Python headers. Never fails.
#ifndef HALX_COMMON_SIGNATURE_H
#define HALX_COMMON_SIGNATURE_H

#include "array_kernels.h"

namespace Halx::common {

struct Argument {
    const char *name;         // "P"
    const char *description;  // "pressure in bar", UTF-8
    Halx::Span plausible;     // in the argument's unit
};

struct Signature {
    const char *name;
    int inputs;
    Argument arguments[2];
};

// The position of the first of `numbers` (one per argument of `signature`)
// that lies outside its plausible span at or after `from`, or -1 when none does (NaN never does).
inline int first_outside(const Signature &signature, const double *numbers, int from = 0) {
    for (int i = from; i < signature.inputs; ++i) {
        if (Halx::outside(numbers[i], signature.arguments[i].plausible)) return i;
    }
    return -1;
}

}  // namespace Halx::common

#endif  // HALX_COMMON_SIGNATURE_H

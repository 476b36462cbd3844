// Correctly rounded e^x, ln x and 10^x: each returns the double nearest the
// exact value (ties cannot occur except at 10^23, which rounds to even), for
// every double input, on every compiler, C library and instruction set. The
// correlations use them in place of the C library's exp, log and pow(10, x),
// so the model's results are the same bits everywhere, and the SIMD array
// kernels (array_kernels.h) can share them lane for lane.
//
// IEEE 754 behaviour: NaN in gives the same quiet NaN out; exp(-inf) and
// exp10(-inf) are +0, exp(+inf) +inf; results beyond the largest double are
// +inf with the overflow flag, results below half the smallest subnormal +0
// with the underflow flag; log(+-0) is -inf with divide-by-zero, log of a
// negative number the default NaN with invalid; log(1) is +0.
#ifndef HALX_ELEMENTARY_H
#define HALX_ELEMENTARY_H

namespace Halx {
namespace elementary {

// e^x, correctly rounded to nearest. Never fails.
double exp(double x);
// ln x, correctly rounded to nearest. Never fails.
double log(double x);
// 10^x, correctly rounded to nearest. Never fails.
double exp10(double x);

}  // namespace elementary
}  // namespace Halx

#endif  // HALX_ELEMENTARY_H

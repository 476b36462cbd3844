// The exact slow path of the correctly rounded exp, exp10 and log (see
// elementary_slow.cpp). Internal to elementary/: elementary.cpp calls these for
// the rare inputs that its fast paths cannot round with certainty.
#ifndef HALX_ELEMENTARY_SLOW_H
#define HALX_ELEMENTARY_SLOW_H

namespace Halx {
namespace elementary {

// e^x correctly rounded, for 2^-200 <= |x| < 746. Never fails.
double exp_slow(double x);
// 10^x correctly rounded, for 2^-200 <= |x| < 324. Never fails.
double exp10_slow(double x);
// ln x correctly rounded, for finite x > 0 (subnormal included). Never fails.
double log_slow(double x);

}  // namespace elementary
}  // namespace Halx

#endif  // HALX_ELEMENTARY_SLOW_H

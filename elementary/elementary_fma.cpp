// The scalar exp, log and exp10 of elementary_scalar.h built with FMA, which
// forms the fast paths' exact products in one instruction. CMakeLists.txt
// compiles this file alone with -mfma; elementary.cpp calls these only on a
// CPU that has FMA.
#include "elementary_scalar.h"

namespace Halx {
namespace elementary {

double exp_with_fma(double x);
double log_with_fma(double x);
double exp10_with_fma(double x);

double exp_with_fma(double x) { return exp_scalar(x); }

double log_with_fma(double x) { return log_scalar(x); }

double exp10_with_fma(double x) { return exp10_scalar(x); }

}  // namespace elementary
}  // namespace Halx

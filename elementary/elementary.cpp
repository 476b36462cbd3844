// The public exp, log and exp10 of elementary.h: each calls the scalar
// implementation of elementary_scalar.h built for the baseline instruction
// set here, or its FMA build (elementary_fma.cpp) when the CPU has FMA. Both
// give the same bits; the FMA build only forms exact products faster. The
// choice is made once, when the library is loaded, before any caller can
// run.
#include "elementary.h"

#include "elementary_scalar.h"

namespace Halx {
namespace elementary {

#if defined(HALX_X86_KERNELS)
double exp_with_fma(double x);
double log_with_fma(double x);
double exp10_with_fma(double x);
#endif

namespace {

struct ScalarFunctions {
    double (*exp)(double);
    double (*log)(double);
    double (*exp10)(double);
};

ScalarFunctions choose_scalar_functions() {
#if defined(HALX_X86_KERNELS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("fma")) {
        return {exp_with_fma, log_with_fma, exp10_with_fma};
    }
#endif
    return {exp_scalar, log_scalar, exp10_scalar};
}

const ScalarFunctions chosen = choose_scalar_functions();

}  // namespace

double exp(double x) { return chosen.exp(x); }

double log(double x) { return chosen.log(x); }

double exp10(double x) { return chosen.exp10(x); }

}  // namespace elementary
}  // namespace Halx

// The plain array kernels (a loop over the scalar model, for every machine)
// and the choice among the kernel sets of this build by name and by what the
// CPU supports. The SIMD sets live in array_kernels_<set>.cpp, each compiled
// for its own instruction set (model/CMakeLists.txt); nothing of theirs runs
// before the CPU check here has passed.
#include "array_kernels.h"

#include <cstddef>
#include <cstring>

#include "Halx.h"
#include "elementary.h"

namespace Halx {

#if defined(HALX_X86_KERNELS)
extern const ArrayKernels k_sse2_array_kernels;
extern const ArrayKernels k_avx2_array_kernels;
extern const ArrayKernels k_avx512_array_kernels;
#endif

namespace {

const ArrayKernels kPlainArrayKernels{
    "plain",
    plain_one_input<cHalx::P_Boiling>,
    plain_one_input<cHalx::T_Melting>,
    plain_one_input<cHalx::P_Sublimation>,
    plain_two_inputs<cHalx::Rho_Solid>,
    plain_two_inputs<cHalx::Rho_Liquid>,
    plain_one_input<elementary::exp>,
    plain_one_input<elementary::log>,
    plain_one_input<elementary::exp10>,
};

// Whether this CPU (and its operating system, which must save the wider
// registers) can run the kernels of set.
bool cpu_supports(const ArrayKernels &set) {
#if defined(HALX_X86_KERNELS)
    __builtin_cpu_init();
    if (&set == &k_avx512_array_kernels) {
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    }
    if (&set == &k_avx2_array_kernels) {
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }
#endif
    (void)set;
    return true;  // plain, and SSE2, which every x86-64 CPU has
}

// Every set of this build. Each carries its own name, written once where the
// set is defined.
const ArrayKernels *const kAllSets[] = {
    &kPlainArrayKernels,
#if defined(HALX_X86_KERNELS)
    &k_sse2_array_kernels,
    &k_avx2_array_kernels,
    &k_avx512_array_kernels,
#endif
};
constexpr std::size_t kSetCount = sizeof kAllSets / sizeof kAllSets[0];

// The names of kAllSets, null-terminated.
struct SetNames {
    const char *names[kSetCount + 1];
};

SetNames names_of_all_sets() {
    SetNames result{};
    for (std::size_t i = 0; i < kSetCount; ++i) {
        result.names[i] = kAllSets[i]->name;
    }
    return result;
}

// Filled when the library is loaded, before any caller can run; the sets it
// reads are constants, initialised before any code runs.
const SetNames kSetNames = names_of_all_sets();

// The automatic choice, best first: the first set the CPU runs. The SSE2
// kernels are not in it: they are slower than the plain loop on every
// property that calls exp, log or 10^x, with AVX2 at hand or without
// (benchmarks/bench_ufuncs.py shows the figures), so they run only when
// named.
const ArrayKernels *const kAutomaticOrder[] = {
#if defined(HALX_X86_KERNELS)
    &k_avx512_array_kernels,
    &k_avx2_array_kernels,
#endif
    &kPlainArrayKernels,
};

}  // namespace

const char *const *const ArrayKernelNames = kSetNames.names;

const ArrayKernels *array_kernels_named(const char *name) {
    for (const ArrayKernels *set : kAllSets) {
        if (std::strcmp(set->name, name) == 0) {
            return cpu_supports(*set) ? set : nullptr;
        }
    }
    return nullptr;
}

const ArrayKernels &best_array_kernels() {
    for (const ArrayKernels *set : kAutomaticOrder) {
        if (cpu_supports(*set)) {
            return *set;
        }
    }
    return kPlainArrayKernels;
}

}  // namespace Halx

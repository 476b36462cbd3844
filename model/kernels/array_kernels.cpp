// The plain array kernels (a loop over the scalar model, for every machine)
// and the choice among the kernel sets of this build by name and by what the
// CPU supports. The SIMD sets live in array_kernels_<set>.cpp, each compiled
// for its own instruction set (model/CMakeLists.txt); nothing of theirs runs
// before the CPU check here has passed.
//
// Nothing here fails: a set that this build lacks or this CPU cannot run is
// a null pointer from array_kernels_named, and the automatic choice always
// has the plain loop to fall back on. Constants are named in CamelCase, as in
// correlations.h.
#include "array_kernels.h"

#include <cstddef>
#include <cstring>

#include "Caloric.h"
#include "Halx.h"
#include "Surface.h"
#include "elementary.h"

namespace Halx {

#if defined(HALX_X86_KERNELS)
extern const ArrayKernels Sse2ArrayKernels;
extern const ArrayKernels Avx2ArrayKernels;
extern const ArrayKernels Avx512ArrayKernels;
#endif

namespace {

const ArrayKernels PlainArrayKernels{
    "plain",
    plain_one_input<cHalx::P_Boiling>,
    plain_one_input<cHalx::T_Melting>,
    plain_one_input<cHalx::P_Sublimation>,
    plain_two_inputs<cHalx::Rho_Solid>,
    plain_two_inputs<cHalx::Rho_Liquid>,
    plain_one_input<elementary::exp>,
    plain_one_input<elementary::log>,
    plain_one_input<elementary::exp10>,
    plain_two_inputs<Cp_Solid>,
    plain_two_inputs<H_Solid>,
    plain_two_inputs<S_Solid>,
    plain_two_inputs<G_Solid>,
    plain_two_inputs<Cp_Liquid>,
    plain_two_inputs<H_Liquid>,
    plain_two_inputs<S_Liquid>,
    plain_two_inputs<G_Liquid>,
    plain_two_inputs<Cp_Vapour>,
    plain_two_inputs<H_Vapour>,
    plain_two_inputs<S_Vapour>,
    plain_two_inputs<G_Vapour>,
    plain_two_inputs<Cp_VapourFrozen>,
    plain_two_inputs<Rho_Vapour>,
    plain_two_inputs<X_Dimer>,
    plain_one_input<K_Dimer>,
    plain_two_inputs<Gf_Solid>,
    plain_two_inputs<Gf_Liquid>,
    plain_two_inputs<Gf_Vapour>,
    plain_one_input<P_Vapour>,
    plain_one_input<P_SolidVapour>,
    plain_one_input<P_LiquidVapour>,
};

// Whether this CPU (and its operating system, which must save the wider
// registers) can run the kernels of set.
bool cpu_supports(const ArrayKernels &set) {
#if defined(HALX_X86_KERNELS)
    __builtin_cpu_init();
    if (&set == &Avx512ArrayKernels) {
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    }
    if (&set == &Avx2ArrayKernels) {
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }
#endif
    (void)set;
    return true;  // plain, and SSE2, which every x86-64 CPU has
}

// Every set of this build. Each carries its own name, written once where the
// set is defined.
const ArrayKernels *const AllSets[] = {
    &PlainArrayKernels,
#if defined(HALX_X86_KERNELS)
    &Sse2ArrayKernels,
    &Avx2ArrayKernels,
    &Avx512ArrayKernels,
#endif
};
constexpr std::size_t SetCount = sizeof AllSets / sizeof AllSets[0];

// The names of AllSets, null-terminated.
struct NameList {
    const char *names[SetCount + 1];
};

NameList names_of_all_sets() {
    NameList result{};
    for (std::size_t i = 0; i < SetCount; ++i) {
        result.names[i] = AllSets[i]->name;
    }
    return result;
}

// Filled when the library is loaded, before any caller can run; the sets it
// reads are constants, initialised before any code runs.
const NameList AllSetNames = names_of_all_sets();

// The automatic choice, best first: the first set the CPU runs. The SSE2
// kernels are not in it: they are slower than the plain loop on every
// correlation that calls exp, log or 10^x, with AVX2 at hand or without, and
// gain little on the thermodynamic surface (benchmarks/bench_ufuncs.py shows
// the figures), so they run only when named.
const ArrayKernels *const AutomaticOrder[] = {
#if defined(HALX_X86_KERNELS)
    &Avx512ArrayKernels,
    &Avx2ArrayKernels,
#endif
    &PlainArrayKernels,
};

}  // namespace

const char *const *const ArrayKernelNames = AllSetNames.names;

const ArrayKernels *array_kernels_named(const char *name) {
    for (const ArrayKernels *set : AllSets) {
        if (std::strcmp(set->name, name) == 0) {
            return cpu_supports(*set) ? set : nullptr;
        }
    }
    return nullptr;
}

const ArrayKernels &best_array_kernels() {
    for (const ArrayKernels *set : AutomaticOrder) {
        if (cpu_supports(*set)) {
            return *set;
        }
    }
    return PlainArrayKernels;
}

}  // namespace Halx

// The kernel set of the loops (see dispatch.h): one pointer, written at
// import before any ufunc exists, read by every loop afterwards.
#include "dispatch.h"

namespace Halx::ufuncs {

namespace {

const Halx::ArrayKernels *active = nullptr;

}  // namespace

const Halx::ArrayKernels &active_kernels() { return active != nullptr ? *active : Halx::best_array_kernels(); }

bool choose_kernels(const char *requested) {
    if (requested == nullptr || requested[0] == '\0') {
        active = &Halx::best_array_kernels();
        return true;
    }
    const Halx::ArrayKernels *set = Halx::array_kernels_named(requested);
    if (set == nullptr) {
        return false;
    }
    active = set;
    return true;
}

}  // namespace Halx::ufuncs

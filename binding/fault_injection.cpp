// Test-build only: the countdown behind `allocation_fails()`. The two C
// entry points are exported so that tests reach them with ctypes without
// adding anything to the module's Python namespace. All callers hold the
// interpreter lock, which guards the countdown.
#include "fault_injection.h"

#include "export.h"

namespace {
// Allocations still allowed before the next one fails; negative: never fail.
long allowed_allocations = -1;
long instances_created = 0;
long instances_freed = 0;
}  // namespace

namespace Halx::binding {

bool allocation_fails() {
    if (allowed_allocations < 0) return false;
    if (allowed_allocations == 0) {
        allowed_allocations = -1;  // fail once, then behave normally again
        return true;
    }
    --allowed_allocations;
    return false;
}

void count_instance_created() { ++instances_created; }
void count_instance_freed() { ++instances_freed; }

}  // namespace Halx::binding

extern "C" HALX_EXPORT void halx_fail_allocation_after(long n) { allowed_allocations = n; }

// Remaining countdown; negative once the injected failure has happened or
// when none is armed. Lets a test tell whether its failure was consumed.
extern "C" HALX_EXPORT long halx_allocations_before_failure() { return allowed_allocations; }

extern "C" HALX_EXPORT long halx_instances_created() { return instances_created; }
extern "C" HALX_EXPORT long halx_instances_freed() { return instances_freed; }

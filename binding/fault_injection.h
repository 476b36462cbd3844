// Test hooks: allocation failures and instance counts. Every allocation point of the module
// asks `allocation_fails()` first; in a normal build that is a constant false
// and compiles away. A build configured with HALX_FAULT_INJECTION exports
// `halx_fail_allocation_after(n)`, which makes the (n+1)-th allocation from
// then on fail as if the heap were exhausted, so the tests can drive every
// out-of-memory path through ctypes. The same build exports the counts of
// instances created and freed (`halx_instances_created()`,
// `halx_instances_freed()`).
// Error convention: nothing here fails; allocation_fails() tells its caller to
// fail as it would on exhausted memory.
#ifndef HALX_BINDING_FAULT_INJECTION_H
#define HALX_BINDING_FAULT_INJECTION_H

namespace Halx::binding {

#ifdef HALX_FAULT_INJECTION
// True when the hook decides that this allocation fails. Never raises.
bool allocation_fails();
// Counts an instance this module allocated, and an instance (of any maker)
// that it freed, so that tests can check that every instance is freed once.
void count_instance_created();
void count_instance_freed();
#else
constexpr bool allocation_fails() { return false; }
constexpr void count_instance_created() {}
constexpr void count_instance_freed() {}
#endif

}  // namespace Halx::binding

#endif  // HALX_BINDING_FAULT_INJECTION_H

// Registry of live model instances and the ownership rule (see instances.h).
// The registry is allocated on first use and never freed: instances can still
// be released while the interpreter shuts down, after static destructors of
// other libraries may have run.
#include "instances.h"

#include <new>
#include <unordered_set>

#include "fault_injection.h"
#include "runtime.h"

namespace Halx::instances {

using binding::allocation_fails;
using binding::count_instance_created;
using binding::count_instance_freed;

namespace {

std::unordered_set<const void *> &live_instances() {
    static auto *live = new std::unordered_set<const void *>();
    return *live;
}

void free_instance(void *address) {
    delete static_cast<Halx::cHalx *>(address);
    count_instance_freed();
}

}  // namespace

Halx::cHalx *create() {
    if (allocation_fails()) return nullptr;
    auto *instance = new (std::nothrow) Halx::cHalx();
    if (instance == nullptr) return nullptr;
    try {
        live_instances().insert(instance);
    } catch (const std::bad_alloc &) {
        delete instance;
        return nullptr;
    }
    count_instance_created();
    return instance;
}

void destroy_unused(Halx::cHalx *instance) {
    if (live_instances().erase(instance) != 0) free_instance(instance);
}

void release_through(PyObject *supplier, void *address) {
    const bool owned = runtime::pointer_owns(supplier);
    runtime::set_pointer_owns(supplier, false);
    runtime::set_pointer_address(supplier, nullptr);
    if (!owned || address == nullptr) return;
    if (live_instances().erase(address) != 0) {
        free_instance(address);
        return;
    }
    // This module's pointer objects only ever carry instances this module
    // made: one that is no longer recorded is gone already.
    if (runtime::is_own_pointer_type(Py_TYPE(supplier))) return;
    // Made by another module and handed to this owning pointer object.
    free_instance(address);
}

void forget(void *address) { live_instances().erase(address); }

}  // namespace Halx::instances

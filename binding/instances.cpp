// Registry of live model instances (see instances.h for why it exists).
// The set is allocated on first use and never freed: instances can still be
// released while the interpreter shuts down, after static destructors of
// other libraries may have run.
#include "instances.h"

#include <new>
#include <unordered_set>

#include "fault_injection.h"

namespace halx {

namespace {

std::unordered_set<const void *> &live_instances() {
    static auto *live = new std::unordered_set<const void *>();
    return *live;
}

}  // namespace

Halx::cHalx *create_instance() {
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

bool destroy_instance(void *address) {
    if (address == nullptr || live_instances().erase(address) == 0) return false;
    delete static_cast<Halx::cHalx *>(address);
    count_instance_freed();
    return true;
}

}  // namespace halx

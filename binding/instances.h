// The model instances that this module hands out. Every instance that
// `new_cHalx` creates is recorded here until it is destroyed, so that a
// destroy request through any pointer object (a stale one after a delete, an
// alias made by another module, an address this module never allocated) can
// never free storage twice or free storage that is not ours. Guarded by the
// interpreter lock, like everything else in the module.
#ifndef HALX_BINDING_INSTANCES_H
#define HALX_BINDING_INSTANCES_H

#include "Halx.h"

namespace halx {

// A new live instance, or null when memory is exhausted (no exception set).
Halx::cHalx *create_instance();

// Destroys the instance at `address` if it is a live instance of ours and
// returns true; returns false and does nothing otherwise. Never fails.
bool destroy_instance(void *address);

}  // namespace halx

#endif  // HALX_BINDING_INSTANCES_H

// The model instances and the rule by which each is freed exactly once.
//
// Ownership rule: an instance is freed only through the pointer object that
// owns it (its ownership flag is set), whichever module made the instance or
// the pointer object: when that pointer object is released with a destroy
// callable registered, or when `delete_cHalx` is called through it. Freeing
// first clears the flag and the address of that pointer object, so it can
// never free again. A pointer object that does not own its instance never
// frees it; deleting through it only detaches it.
//
// On top of the flag, every instance this module creates is recorded until
// it is freed, and an address that this module's own pointer objects carry is
// freed only while it is recorded: a stale address, or a second owner made
// with `acquire()` on an alias, can never free one of our instances twice.
// An instance another module made is freed on the strength of its owning
// pointer object, never of its address.
//
// Guarded by the interpreter lock, like everything else in the module.
//
// Error convention: create() returns null with no exception set (the caller
// raises MemoryError); the rest never fails.
#ifndef HALX_BINDING_INSTANCES_H
#define HALX_BINDING_INSTANCES_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "Halx.h"

namespace Halx::instances {

// A new recorded instance, or null when memory is exhausted (no exception set).
Halx::cHalx *create();

// Destroys a recorded instance that was never handed out. Never fails.
void destroy_unused(Halx::cHalx *instance);

// Applies the ownership rule to `supplier`, the pointer object that supplied
// `address`: detaches it, and frees the instance if it owned it. Never fails.
void release_through(PyObject *supplier, void *address);

// Forgets a recorded instance without freeing it: another module's destroy
// callable took it over. Never fails.
void forget(void *address);

}  // namespace Halx::instances

#endif  // HALX_BINDING_INSTANCES_H

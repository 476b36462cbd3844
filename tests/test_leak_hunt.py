"""Leak hunting: each scenario, repeated thousands of times, must leave the
interpreter's count of allocated blocks flat, and on a build with the
allocation-failure hook, the count of live cHalx instances too.

The harness runs a scenario in rounds and samples the counts after each
round. The first round absorbs one-time growth (caches, free lists, interned
strings); growth that settles (type caches filling up as classes come and
go) is let through by judging the block count on the last half of the rounds
only: a leak adds the same amount every round and never settles. The block
count sees every Python object that is never released (one missing decref
per call adds a block per call). A cHalx instance is allocated with `new`,
outside CPython's allocator: the hook's build counts the instances created
and freed, and any instance still alive after the rounds that was not
before them is a leak. The last tests run the harness on deliberately
leaking scenarios and check that it flags them.

Under PYTHONMALLOC=malloc (the sanitizer run) CPython keeps no block count:
the harness then counts what tracemalloc traces, in 16-byte units, so a leaked
float still counts at least one per call.
"""

import ctypes
import gc
import json
import os
import sys
import tracemalloc
import warnings
from dataclasses import dataclass
from typing import List, Optional

import _Halx
import Halx
import pytest
from proxies import Holder, RaisingThis
from support import load_fault_hook
from swig_pointers import CHAR_DESCRIPTOR, forge_pointer

TRACED = sys.getallocatedblocks() == 0  # no block count without CPython's allocator
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
ROUNDS = 4  # measured rounds after the first
# Allowance: a block per 50 calls, or 2 bytes a call when traced (a leak is a
# block, or 24 bytes and more, on every call).
BLOCKS_PER_CALL = 1 / 8 if TRACED else 1 / 50
faults = load_fault_hook()
needs_faults = pytest.mark.skipif(faults is None, reason="needs a build with HALX_FAULT_INJECTION=ON")


def allocated_blocks() -> int:
    if TRACED:
        return tracemalloc.get_traced_memory()[0] // 16
    return sys.getallocatedblocks()


@pytest.fixture(autouse=True, scope="module")
def _tracing():
    if TRACED:
        tracemalloc.start()
    yield
    if TRACED:
        tracemalloc.stop()


@dataclass
class Growth:
    iterations: int  # per round
    blocks: List[int]  # block count after each round
    instances: Optional[List[int]]  # live cHalx instances after each round; None without the hook

    @property
    def calls(self) -> int:
        """Calls over the last half of the rounds, where blocks are judged."""
        return self.iterations * (ROUNDS // 2)

    @property
    def block_growth(self) -> int:
        return self.blocks[-1] - self.blocks[-1 - ROUNDS // 2]

    def leaks_objects(self) -> bool:
        return self.block_growth > max(64, self.calls * BLOCKS_PER_CALL)

    def leaks_instances(self) -> bool:
        return self.instances is not None and self.instances[-1] > self.instances[0]

    def __str__(self) -> str:
        return f"{self.iterations} calls a round: blocks {self.blocks}, live instances {self.instances}"


def hunt(scenario, iterations: int) -> Growth:
    """Runs `scenario` 1 + ROUNDS times `iterations` times over."""
    blocks, instances = [], []
    for _ in range(1 + ROUNDS):
        for _ in range(iterations):
            scenario()
        gc.collect()
        blocks.append(allocated_blocks())
        instances.append(faults.instances_alive() if faults else 0)
    return Growth(iterations, blocks, instances if faults else None)


def assert_flat(name: str, growth: Growth) -> None:
    assert not growth.leaks_objects(), f"{name} leaks objects: {growth}"
    assert not growth.leaks_instances(), f"{name} leaks instances: {growth}"


# --- Scenarios ----------------------------------------------------------------------------------
proxy = Halx.cHalx()
pointer = _Halx.new_cHalx()
char_pointer = forge_pointer(0x1000, CHAR_DESCRIPTOR)


class Looping:
    @property
    def this(self):
        return self


class Recorded:
    """Registered with a destroy callable of Python, which gets a temporary pointer object."""

    @staticmethod
    def __swig_destroy__(temporary):
        _Halx.delete_cHalx(temporary)


class Failing:
    @staticmethod
    def __swig_destroy__(temporary):
        _Halx.delete_cHalx(temporary)
        raise RuntimeError("destroy failed")


deep = pointer
for _ in range(64):
    deep = Holder(deep)
too_deep = Holder(deep)


def refused(call, *exceptions):
    exceptions = exceptions or (TypeError,)

    def run():
        try:
            call()
        except exceptions:
            pass
        else:
            raise AssertionError("the call was expected to be refused")

    return run


def properties_on_every_kind_of_instance():
    for instance in (proxy, pointer, None, deep):
        _Halx.cHalx_P_Boiling(instance, 1000.0)
        _Halx.cHalx_T_Melting(instance, 1000)
        _Halx.cHalx_P_Sublimation(instance, True)
        _Halx.cHalx_Rho_Solid(instance, 25.0, 1)
        _Halx.cHalx_Rho_Liquid(instance, 900, 100.0)


def proxy_methods():
    proxy.P_Boiling(1000.0), proxy.T_Melting(1000.0), proxy.P_Sublimation(900.0)
    proxy.Rho_Solid(25.0, 1.0), proxy.Rho_Liquid(900.0, 100.0)


def create_and_release():
    Halx.cHalx()


def create_use_delete_twice():
    h = Halx.cHalx()
    h.T_Melting(1.0)
    _Halx.delete_cHalx(h)
    _Halx.delete_cHalx(h)
    _Halx.delete_cHalx(h.this)


def attach_link_delete():
    holder = Holder(_Halx.new_cHalx())
    _Halx.cHalx_swiginit(holder, _Halx.new_cHalx())  # linked behind the first
    _Halx.cHalx_Rho_Solid(holder, 25.0, 1.0)
    _Halx.delete_cHalx(holder)
    holder.this.next().disown()
    holder.this.next().acquire()


def blank_attach():
    _Halx.cHalx_swiginit(Holder.__new__(Holder), _Halx.new_cHalx())


def register_halx():
    _Halx.cHalx_swigregister(Halx.cHalx)


def register_a_new_class_each_time():
    _Halx.cHalx_swigregister(type("Fresh", (), {"__swig_destroy__": _Halx.delete_cHalx}))
    _Halx.cHalx_swigregister(Halx.cHalx)
    # A class is a reference cycle: collected here, at once, so that how many
    # wait for the collector, and so the size of the interpreter's table of
    # object's subclasses, does not depend on when the collector runs.
    gc.collect(0)


def release_through_a_python_destroy_callable():
    _Halx.cHalx_swigregister(Recorded)
    _Halx.new_cHalx()
    _Halx.cHalx_swigregister((Halx.cHalx,))


def release_through_a_failing_destroy_callable():
    hook, sys.unraisablehook = sys.unraisablehook, lambda unraisable: None
    try:
        _Halx.cHalx_swigregister(Failing)
        _Halx.new_cHalx()
    finally:
        _Halx.cHalx_swigregister(Halx.cHalx)
        sys.unraisablehook = hook


def cvar_reads():
    cvar = _Halx.cvar
    cvar.MolarMass, cvar.T_Triple, cvar.P_Triple, str(cvar), repr(cvar), dir(cvar)


def instance_method():
    _Halx.SWIG_PyInstanceMethod_New(len)


SCENARIOS = {
    # name: (scenario, iterations per round)
    "properties on every kind of instance": (properties_on_every_kind_of_instance, 3000),
    "proxy methods": (proxy_methods, 5000),
    "instance method": (instance_method, 20000),
    "create and release a proxy": (create_and_release, 10000),
    "create, use, delete twice": (create_use_delete_twice, 5000),
    "attach, link, delete": (attach_link_delete, 5000),
    "attach to a blank object": (blank_attach, 10000),
    "register the proxy class": (register_halx, 50000),
    "register a new class each time": (register_a_new_class_each_time, 5000),
    "release through a Python destroy callable": (release_through_a_python_destroy_callable, 5000),
    "release through a failing destroy callable": (release_through_a_failing_destroy_callable, 3000),
    "cvar reads": (cvar_reads, 10000),
    # Every failure path.
    "count refused": (refused(lambda: _Halx.cHalx_Rho_Solid(proxy, 1.0)), 20000),
    "keywords refused": (refused(lambda: _Halx.cHalx_P_Boiling(proxy, T=1.0)), 20000),
    "no instance behind an int": (refused(lambda: _Halx.cHalx_P_Boiling(42, 1.0)), 20000),
    "this raises": (refused(lambda: _Halx.cHalx_T_Melting(RaisingThis(), 1.0)), 10000),
    "this loops": (refused(lambda: _Halx.cHalx_T_Melting(Looping(), 1.0)), 3000),
    "this too deep": (refused(lambda: _Halx.cHalx_T_Melting(too_deep, 1.0)), 3000),
    "char * pointer refused": (refused(lambda: _Halx.cHalx_T_Melting(char_pointer, 1.0)), 20000),
    "string refused": (refused(lambda: _Halx.cHalx_Rho_Liquid(proxy, 900.0, "100")), 20000),
    "huge int refused": (refused(lambda: _Halx.cHalx_P_Boiling(proxy, 10**400)), 20000),
    "delete refused": (refused(lambda: _Halx.delete_cHalx(42)), 20000),
    "registration count refused": (refused(lambda: _Halx.cHalx_swigregister(())), 20000),
    "swiginit count refused": (refused(lambda: _Halx.cHalx_swiginit(proxy)), 20000),
    "swiginit non-pointer refused": (refused(lambda: _Halx.cHalx_swiginit(Holder(_Halx.new_cHalx()), 5)), 10000),
    "swiginit loop refused": (refused(lambda: _Halx.cHalx_swiginit(pointer, pointer), ValueError), 20000),
    "swiginit assignment refused": (refused(lambda: _Halx.cHalx_swiginit(None, pointer), AttributeError), 20000),
    "cvar write refused": (refused(lambda: setattr(_Halx.cvar, "T_Triple", 1.0), AttributeError), 20000),
    "cvar delete refused": (refused(lambda: delattr(_Halx.cvar, "P_Triple"), AttributeError), 20000),
    "cvar unknown name refused": (refused(lambda: _Halx.cvar.nothing, AttributeError), 20000),
}


@pytest.mark.parametrize("name", SCENARIOS)
def test_repeating_a_scenario_leaves_blocks_and_instances_flat(name):
    scenario, iterations = SCENARIOS[name]
    assert_flat(name, hunt(scenario, iterations))


def numpy_road_scenarios():
    """The calls that take NumPy input from the functions of the package and of
    Halx.ufunc to the kernels, and every way off that road or out of it."""
    import numpy as np
    from Halx import _ufuncs, ufunc

    array, out, outside = np.linspace(900.0, 1000.0, 8), np.empty(8), np.full(8, 1.0e5)

    def warned_as_error():
        with warnings.catch_warnings():
            warnings.simplefilter("error", Halx.RangeWarning)
            refused(lambda: ufunc.T_Melting(outside), Halx.RangeWarning)()

    def warned():
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", Halx.RangeWarning)
            ufunc.T_Melting(outside)
            Halx.T_Melting(np.float64(1.0e5))

    return {
        "NumPy scalar to the package": (lambda: Halx.P_Boiling(np.float64(1000.0)), 20000),
        "array beside a float to the package": (lambda: Halx.Rho_Liquid(array, 100.0), 20000),
        "Python int to the ufunc": (lambda: ufunc.T_Melting(1000), 20000),
        "out= by name": (lambda: ufunc.P_Boiling(array, out=out), 20000),
        "off the road: where=": (lambda: ufunc.P_Boiling(array, out=out, where=True), 5000),
        "off the road: a list": (lambda: Halx.phase([1000.0], 1.0), 5000),
        "outside, warned": (warned, 5000),
        "outside, warned as an error": (warned_as_error, 5000),
        "find_outside": (lambda: _ufuncs.find_outside(outside, 0.0, 1.0), 20000),
        "missing argument refused": (refused(lambda: ufunc.Rho_Liquid(array)), 20000),
        "out twice refused": (refused(lambda: ufunc.P_Boiling(array, out, out=out)), 20000),
        "huge int refused by the ufunc": (refused(lambda: ufunc.P_Boiling(10**400), OverflowError), 20000),
        "keyword refused by NumPy": (refused(lambda: ufunc.P_Boiling(array, T=1.0)), 20000),
    }


@pytest.mark.keeps_memory
def test_the_numpy_road_leaves_blocks_flat():
    pytest.importorskip("numpy")
    for name, (scenario, iterations) in numpy_road_scenarios().items():
        assert_flat(name, hunt(scenario, iterations))


# --- Failure paths of the allocation-failure build ----------------------------------------------------
FAILING_CALLS = {
    "new_cHalx": lambda: _Halx.new_cHalx(),
    "result float": lambda: _Halx.cHalx_Rho_Liquid(proxy, 900.0, 100.0),
    "registration": lambda: _Halx.cHalx_swigregister(Halx.cHalx),
    "cvar read": lambda: _Halx.cvar.T_Triple,
    "str of cvar": lambda: str(_Halx.cvar),
}


def failing_every_allocation(call):
    """A scenario that fails the first allocation of `call`, then the
    second, ... until the call gets through."""

    def every_failure_once():
        seen, _ = faults.fail_allocations(call)
        assert all(type(error) is MemoryError for error in seen), seen

    return every_failure_once


@needs_faults
@pytest.mark.parametrize("name", FAILING_CALLS)
def test_repeated_allocation_failures_leave_blocks_and_instances_flat(name):
    assert_flat(name, hunt(failing_every_allocation(FAILING_CALLS[name]), 2000))


@needs_faults
def test_allocation_failures_stay_flat_while_other_code_holds_many_memory_errors():
    held = [MemoryError() for _ in range(64)]  # more than the interpreter keeps spare
    growth = hunt(failing_every_allocation(FAILING_CALLS["str of cvar"]), 2000)
    del held
    assert_flat("str of cvar", growth)


# --- The harness itself --------------------------------------------------------------------------
# The deliberately leaking scenarios run in a child interpreter, so that what
# they leak stays out of this process (and out of LeakSanitizer's report on it).
Py_IncRef = ctypes.pythonapi.Py_IncRef
Py_IncRef.argtypes = [ctypes.py_object]
Py_IncRef.restype = None


def call_missing_one_decref():
    """A call whose result keeps one reference too many: the leak of a
    binding that forgets a single Py_DECREF on each call."""
    Py_IncRef(_Halx.cHalx_T_Melting(None, 1.0))


def call_leaking_an_instance():
    """An instance whose pointer object gave up ownership and that nothing
    deletes: freed by no one, and no Python block stays behind."""
    _Halx.new_cHalx().disown()


def call_leaking_nothing():
    _Halx.cHalx_T_Melting(None, 1.0)


HUNT_IN_CHILD = """
    import json, tracemalloc
    import test_leak_hunt as harness
    if harness.TRACED:
        tracemalloc.start()
    growth = harness.hunt(getattr(harness, {scenario!r}), {iterations})
    print(json.dumps(dict(objects=growth.leaks_objects(), instances=growth.leaks_instances(),
                          block_growth=growth.block_growth, calls=growth.calls, report=str(growth))))
"""


def hunt_in_child(python_subprocess, scenario: str, iterations: int):
    # A sanitizer report goes to the child's stderr, not to the run's report files.
    options = ":".join(
        option
        for option in os.environ.get("ASAN_OPTIONS", "").split(":")
        if option and not option.startswith("log_path=")
    )
    result = python_subprocess(
        HUNT_IN_CHILD.format(scenario=scenario, iterations=iterations),
        env_extra={"ASAN_OPTIONS": options} if SANITIZED else None,
    )
    return json.loads(result.stdout.splitlines()[-1]), result


def test_the_harness_flags_a_single_missing_decref_per_call(python_subprocess):
    found, child = hunt_in_child(python_subprocess, "call_missing_one_decref", 5000)
    assert found["objects"], found["report"]
    assert found["block_growth"] >= found["calls"]  # every leaked float is counted
    if SANITIZED and "detect_leaks=1" in os.environ.get("ASAN_OPTIONS", ""):
        # LeakSanitizer, as configured for the sanitizer run, sees the same leak at exit.
        assert "ERROR: LeakSanitizer" in child.stderr and child.returncode != 0
    clean, child = hunt_in_child(python_subprocess, "call_leaking_nothing", 5000)
    assert not clean["objects"] and not clean["instances"], clean["report"]
    assert child.returncode == 0, child.stderr


@needs_faults
def test_the_harness_flags_instances_that_the_block_count_cannot_see(python_subprocess):
    found, _ = hunt_in_child(python_subprocess, "call_leaking_an_instance", 5000)
    assert not found["objects"] and found["instances"], found["report"]

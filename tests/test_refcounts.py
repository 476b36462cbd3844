"""Every function, on its success and failure paths, keeps the object and memory counts flat."""
import gc
import sys

import pytest

import _Halx
import Halx

h = Halx.cHalx()


class Holder:
    def __init__(self, this):
        self.this = this


class RaisingThis:
    @property
    def this(self):
        raise ValueError("no this")


def refused(call):
    def run():
        try:
            call()
        except (TypeError, AttributeError, ValueError):
            pass
    return run


def lifecycle():
    proxy = Halx.cHalx()
    proxy.P_Boiling(900.0)
    _Halx.delete_cHalx(proxy)
    _Halx.delete_cHalx(proxy)


def linked():
    holder = Holder(_Halx.new_cHalx())
    _Halx.cHalx_swiginit(holder, _Halx.new_cHalx())
    _Halx.cHalx_Rho_Solid(holder, 25.0, 1.0)


SCENARIOS = {
    "properties with a proxy": lambda: (h.P_Boiling(1000.0), h.T_Melting(1), h.P_Sublimation(900),
                                        h.Rho_Solid(25, 1), h.Rho_Liquid(900.0, 100.0)),
    "properties with None": lambda: _Halx.cHalx_Rho_Liquid(None, 900.0, 100.0),
    "nested proxy": lambda: _Halx.cHalx_T_Melting(Holder(Holder(h.this)), 1.0),
    "count refused": refused(lambda: _Halx.cHalx_Rho_Solid(h, 1.0)),
    "instance refused": refused(lambda: _Halx.cHalx_P_Boiling(RaisingThis(), 1.0)),
    "number refused": refused(lambda: _Halx.cHalx_Rho_Liquid(h, 1.0, "x")),
    "huge int refused": refused(lambda: _Halx.cHalx_P_Boiling(h, 10 ** 400)),
    "delete refused": refused(lambda: _Halx.delete_cHalx(42)),
    "create, use, delete": lifecycle,
    "release through the destroy callable": lambda: Halx.cHalx(),
    "swiginit links": linked,
    "swiginit refused": refused(lambda: _Halx.cHalx_swiginit(Holder(_Halx.new_cHalx()), 5)),
    "swiginit assignment refused": refused(lambda: _Halx.cHalx_swiginit(None, _Halx.new_cHalx())),
    "registration": lambda: _Halx.cHalx_swigregister(Halx.cHalx),
    "registration refused": refused(lambda: _Halx.cHalx_swigregister(())),
    "instance method": lambda: _Halx.SWIG_PyInstanceMethod_New(len),
    "cvar reads": lambda: (_Halx.cvar.MolarMass, str(_Halx.cvar), repr(_Halx.cvar)),
    "cvar writes refused": refused(lambda: setattr(_Halx.cvar, "T_Triple", 1.0)),
    "cvar unknown refused": refused(lambda: _Halx.cvar.nothing),
}


def allocated_after(scenario, rounds):
    for _ in range(rounds):
        scenario()
    gc.collect()
    return sys.getallocatedblocks()


@pytest.mark.parametrize("name", SCENARIOS)
def test_repeating_a_scenario_allocates_nothing_lasting(name):
    scenario = SCENARIOS[name]
    allocated_after(scenario, 2000)  # warm-up: caches, interned strings, free lists
    before = allocated_after(scenario, 5000)
    after = allocated_after(scenario, 5000)
    # One leaked object per call would show as thousands of blocks.
    assert after - before < 100, f"{name}: {after - before} blocks more after 5000 calls"

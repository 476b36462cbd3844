"""Misuse that must never crash, leak or touch released storage."""
import ctypes
import gc
import importlib.util

import pytest

import _Halx
import Halx

P_BOILING_1000 = _Halx.cHalx_P_Boiling(None, 1000.0)
ARGUMENT_1 = "in method 'cHalx_P_Boiling', argument 1 of type 'Halx::cHalx *'"


# --- Deleted and stale instances ---------------------------------------------------------

def test_a_second_delete_is_harmless_and_calls_still_work_as_with_no_instance():
    h = Halx.cHalx()
    _Halx.delete_cHalx(h)
    _Halx.delete_cHalx(h)
    _Halx.delete_cHalx(h.this)
    assert h.P_Boiling(1000.0) == P_BOILING_1000
    assert int(h.this) == 0 and h.thisown is False


def test_delete_destroys_even_a_disowned_instance_exactly_once(python_subprocess):
    result = python_subprocess("""
        import _Halx
        log = []
        class Logged:
            __swig_destroy__ = staticmethod(lambda p: log.append("destroy"))
        _Halx.cHalx_swigregister(Logged)
        p = _Halx.new_cHalx()
        p.disown()
        _Halx.delete_cHalx(p)
        p.acquire()          # owning again, but the instance is gone
        del p
        print(log)
    """)
    assert result.returncode == 0, result.stderr
    # Releasing an owning pointer object still calls the destroy callable; the
    # address it carries was cleared by the delete, so nothing is freed twice.
    assert result.stdout.strip() == "['destroy']"


def test_aliases_of_a_deleted_address_cannot_free_it_again():
    h = Halx.cHalx()
    alias = _Halx.new_cHalx()
    _Halx.delete_cHalx(alias)
    for _ in range(3):
        _Halx.delete_cHalx(h)
    assert h.Rho_Solid(25, 1) == _Halx.cHalx_Rho_Solid(None, 25, 1)


# --- The search along `this` ------------------------------------------------------------------

class SelfReferential:
    @property
    def this(self):
        return self


class FreshPointer:
    """`this` is a new pointer object on every read, dropped by the property itself."""

    def __init__(self):
        self.reads = 0

    @property
    def this(self):
        self.reads += 1
        return _Halx.new_cHalx()


class Cycle:
    pass


@pytest.mark.parametrize("make", [SelfReferential, lambda: _cycle()], ids=["self", "two-cycle"])
def test_a_this_that_leads_back_to_itself_is_refused(make):
    with pytest.raises(TypeError, match=ARGUMENT_1.replace("*", r"\*")):
        _Halx.cHalx_P_Boiling(make(), 1000.0)


def _cycle():
    a, b = Cycle(), Cycle()
    a.this, b.this = b, a
    return a


def test_a_this_property_returning_a_fresh_pointer_object_works():
    fresh = FreshPointer()
    for _ in range(1000):
        assert _Halx.cHalx_P_Boiling(fresh, 1000.0) == P_BOILING_1000
    assert fresh.reads == 1000
    _Halx.delete_cHalx(fresh)


def test_a_this_that_changes_between_reads_is_followed_each_time():
    class Changing:
        def __init__(self):
            self.values = iter([_Halx.new_cHalx(), 42, Halx.cHalx()])

        @property
        def this(self):
            return next(self.values)

    changing = Changing()
    assert _Halx.cHalx_T_Melting(changing, 1.0) == _Halx.cHalx_T_Melting(None, 1.0)
    with pytest.raises(TypeError):
        _Halx.cHalx_T_Melting(changing, 1.0)
    assert _Halx.cHalx_T_Melting(changing, 1.0) == _Halx.cHalx_T_Melting(None, 1.0)


# --- Chains of linked pointer objects --------------------------------------------------------------

def test_linking_a_pointer_object_into_its_own_chain_is_refused():
    first, second = _Halx.new_cHalx(), _Halx.new_cHalx()
    with pytest.raises(ValueError):
        first.append(first)
    first.append(second)
    with pytest.raises(ValueError):
        second.append(first)
    with pytest.raises(ValueError):
        first.append(second)
    with pytest.raises(ValueError):
        _Halx.cHalx_swiginit(first, second)
    assert first.next() is second and second.next() is None
    assert repr(first).count("Swig Object") == 2


def test_appending_keeps_both_chains():
    a, b, c, d = (_Halx.new_cHalx() for _ in range(4))
    a.append(b)
    c.append(d)
    a.append(c)  # a -> c -> d -> b
    assert a.next() is c and c.next() is d and d.next() is b and b.next() is None


def test_chains_are_capped():
    head = _Halx.new_cHalx()
    head.disown()
    with pytest.raises(ValueError):
        for _ in range(2000):
            p = _Halx.new_cHalx()
            p.disown()
            head.append(p)
    assert _Halx.cHalx_P_Boiling(head, 1000.0) == P_BOILING_1000


# --- Destroy callables that are not this module's builtin -------------------------------------------

@pytest.mark.parametrize(
    "destroy",
    [
        "def destroy(p): kept.append(p)",           # keeps its argument alive
        "destroy = kept.append",                    # a builtin METH_O that keeps its argument
        "destroy = print",                          # a builtin with another convention
        "destroy = len",                            # a builtin METH_O that fails
        "destroy = 42",                             # not callable at all
    ],
)
def test_foreign_destroy_callables_are_called_safely(python_subprocess, destroy):
    result = python_subprocess(f"""
        import gc, sys, _Halx
        sys.unraisablehook = lambda u: print("unraisable", type(u.exc_value).__name__)
        kept = []
        {destroy}
        class Proxy:
            __swig_destroy__ = destroy
        _Halx.cHalx_swigregister(Proxy)
        for _ in range(100):
            p = _Halx.new_cHalx()
            del p
        gc.collect()
        for p in kept:
            assert p.own() is False
            repr(p)
        print("done", len(kept))
    """)
    assert result.returncode == 0, result.stderr
    assert "done" in result.stdout


# --- Allocation failures (test build only) ------------------------------------------------------------

def _hook():
    origin = importlib.util.find_spec("_Halx").origin
    library = ctypes.CDLL(origin)
    try:
        arm, remaining = library.halx_fail_allocation_after, library.halx_allocations_before_failure
    except AttributeError:
        return None
    arm.argtypes, arm.restype = [ctypes.c_long], None
    remaining.argtypes, remaining.restype = [], ctypes.c_long
    return arm, remaining


faults = _hook()
needs_faults = pytest.mark.skipif(faults is None, reason="needs a build with HALX_FAULT_INJECTION=ON")


def fail_allocations(call, limit=50):
    """Runs `call` with its n-th allocation failing, for n = 0, 1, ... until it succeeds.

    Returns the exceptions seen; the call must have succeeded in the end.
    """
    arm, remaining = faults
    seen = []
    for n in range(limit):
        arm(n)
        try:
            result = call()
        except Exception as error:  # noqa: BLE001 - collected for the caller to check
            # Without its traceback: a traceback holds this frame, and so
            # `seen`, in a cycle that keeps each MemoryError alive until the
            # collector runs. From CPython 3.12 on, once the interpreter's 16
            # spare MemoryErrors are all alive it raises one immortal
            # instance whose traceback grows with every raise.
            seen.append(error.with_traceback(None))
            continue
        finally:
            consumed = remaining() < 0
            arm(-1)
        if not consumed:
            return seen, result
    raise AssertionError("the call never succeeded")


CALLS = {
    "new_cHalx": lambda: _Halx.delete_cHalx(_Halx.new_cHalx()),
    "proxy": lambda: Halx.cHalx().P_Boiling(1.0),
    "property": lambda: _Halx.cHalx_Rho_Liquid(None, 900.0, 100.0),
    "swigregister": lambda: _Halx.cHalx_swigregister(Halx.cHalx),
    "cvar read": lambda: _Halx.cvar.T_Triple,
    "cvar str": lambda: str(_Halx.cvar),
    "cvar repr": lambda: repr(_Halx.cvar),
}


@needs_faults
@pytest.mark.parametrize("name", CALLS)
def test_every_allocation_failure_is_a_memory_error_and_leaks_nothing(name):
    seen, _ = fail_allocations(CALLS[name])
    assert seen and all(type(error) is MemoryError for error in seen), seen
    gc.collect()
    before = _blocks_after(CALLS[name])
    after = _blocks_after(CALLS[name])
    assert after - before < 50


def _blocks_after(call):
    import sys
    for _ in range(200):
        fail_allocations(call)
    gc.collect()
    return sys.getallocatedblocks()


@needs_faults
def test_str_of_cvar_under_memory_pressure_never_returns_a_partial_text():
    seen, text = fail_allocations(lambda: str(_Halx.cvar))
    assert len(seen) >= 6 and text == "(P_Triple, T_Triple, MolarMass)"


@needs_faults
def test_a_failed_registration_keeps_the_previous_one(python_subprocess):
    seen, _ = fail_allocations(lambda: _Halx.cHalx_swigregister(Halx.cHalx))
    assert seen
    h = Halx.cHalx()
    del h  # destroyed through the registration still in force: no leak line (checked below)
    result = python_subprocess("""
        import ctypes, importlib.util, _Halx, Halx
        lib = ctypes.CDLL(importlib.util.find_spec("_Halx").origin)
        lib.halx_fail_allocation_after(0)
        try:
            _Halx.cHalx_swigregister(Halx.cHalx)
        except MemoryError:
            print("refused")
        h = Halx.cHalx()
        del h
    """)
    assert result.stdout.split("\n")[0] == "refused"
    assert "memory leak" not in result.stdout


@needs_faults
def test_import_fails_cleanly_under_memory_pressure_and_succeeds_afterwards(python_subprocess):
    result = python_subprocess("""
        import ctypes, importlib.util, sys
        lib = ctypes.CDLL(importlib.util.find_spec("_Halx").origin)
        lib.halx_fail_allocation_after.argtypes = [ctypes.c_long]
        errors = []
        for n in range(40):
            lib.halx_fail_allocation_after(n)
            try:
                import _Halx
            except (MemoryError, TypeError) as error:
                errors.append(f"{type(error).__name__}: {error}")
                sys.modules.pop("_Halx", None)
                continue
            finally:
                lib.halx_fail_allocation_after(-1)
            break
        print(sorted(set(errors)))
        print(str(_Halx.cvar), _Halx.cvar.MolarMass, _Halx.cHalx_T_Melting(None, 1.0))
    """)
    assert result.returncode == 0, result.stderr
    first, second = result.stdout.splitlines()
    assert "TypeError: Failure to create SWIG globals." in first and "MemoryError: " in first
    assert second == "(P_Triple, T_Triple, MolarMass) 0.058443 800.724713637"


# --- Release after the shared capsule is gone ------------------------------------------------------

def test_pointer_objects_released_after_the_capsule_never_call_the_released_callable(python_subprocess):
    result = python_subprocess("""
        import gc, sys, _Halx
        log = []
        class Logged:
            __slots__ = ("this",)
            def __swig_destroy__(p):
                log.append("called")
        Logged.__swig_destroy__ = staticmethod(Logged.__swig_destroy__)
        _Halx.cHalx_swigregister(Logged)
        survivors = [_Halx.new_cHalx() for _ in range(3)]
        del Logged
        del sys.modules["swig_runtime_data4"]   # the capsule's last reference goes
        gc.collect()
        del survivors                           # released after the capsule's destructor ran
        gc.collect()
        print("after", log, str(_Halx.cvar), _Halx.cHalx_T_Melting(None, 1.0))
        # A later registration works as before, and the ring is rebuilt on demand.
        import Halx
        h = Halx.cHalx(); del h
        print("reregistered", log)
    """)
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines[0] == "after [] (P_Triple, T_Triple, MolarMass) 800.724713637"
    assert lines[1] == "reregistered []"
    assert "memory leak" not in result.stdout

"""Misuse that must never crash, leak or touch released storage."""

import gc
import importlib.util
import os
import struct
import sys
import textwrap

import _Halx
import Halx
import pytest
from proxies import RaisingThis
from support import load_fault_hook

pytestmark = pytest.mark.memcheck

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


def test_delete_through_a_pointer_object_that_does_not_own_its_instance_only_detaches_it(python_subprocess):
    result = python_subprocess("""
        import _Halx
        log = []
        class Logged:
            __swig_destroy__ = staticmethod(lambda p: log.append(("destroy", int(p) != 0)))
        _Halx.cHalx_swigregister(Logged)
        owner = _Halx.new_cHalx()
        disowned = _Halx.new_cHalx()
        disowned.disown()
        for pointer in (disowned, disowned, owner):
            _Halx.delete_cHalx(pointer)
            log.append((pointer.own(), int(pointer)))
        disowned.acquire()   # owning again, but it no longer holds an instance
        del owner, disowned
        print(log)
    """)
    assert result.returncode == 0, result.stderr
    # Each delete detaches its pointer object; the released one that claims
    # ownership again reaches the destroy callable with no instance to destroy.
    assert result.stdout.strip() == "[(False, 0), (False, 0), (False, 0), ('destroy', False)]"


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
        "def destroy(p): kept.append(p)",  # keeps its argument alive
        "destroy = kept.append",  # a builtin METH_O that keeps its argument
        "destroy = print",  # a builtin with another convention
        "destroy = len",  # a builtin METH_O that fails
        "destroy = 42",  # not callable at all
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

faults = load_fault_hook()
needs_faults = pytest.mark.skipif(faults is None, reason="needs a build with HALX_FAULT_INJECTION=ON")


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
    seen, _ = faults.fail_allocations(CALLS[name])
    assert seen and all(type(error) is MemoryError for error in seen), seen
    gc.collect()
    # A leak of one block per call grows every round of 200 by at least 200
    # blocks; a one-time allocation elsewhere in the process (a cache of the
    # interpreter filled late in a long run) grows one round only.
    rounds = [_blocks_after(CALLS[name]) for _ in range(3)]
    assert min(later - earlier for earlier, later in zip(rounds, rounds[1:])) < 50


def _blocks_after(call):
    for _ in range(200):
        faults.fail_allocations(call)
    gc.collect()
    return sys.getallocatedblocks()


@needs_faults
def test_str_of_cvar_under_memory_pressure_never_returns_a_partial_text():
    seen, text = faults.fail_allocations(lambda: str(_Halx.cvar))
    assert len(seen) >= 6 and text == "(P_Triple, T_Triple, MolarMass)"


@needs_faults
def test_a_failed_registration_keeps_the_previous_one(python_subprocess):
    seen, _ = faults.fail_allocations(lambda: _Halx.cHalx_swigregister(Halx.cHalx))
    assert seen
    h = Halx.cHalx()
    del h  # destroyed through the registration still in force: no leak line (checked below)
    result = python_subprocess("""
        import _Halx, Halx
        from support import load_fault_hook
        load_fault_hook().fail_after(0)
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
        import sys
        from support import load_fault_hook
        hook = load_fault_hook()
        errors = []
        for n in range(40):
            hook.fail_after(n)
            try:
                import _Halx
            except (MemoryError, TypeError) as error:
                errors.append(f"{type(error).__name__}: {error}")
                sys.modules.pop("_Halx", None)
                continue
            finally:
                hook.fail_after(-1)
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


# --- Objects that only look like pointer objects ----------------------------------------------

FAKE_POINTERS = {
    "no slots": "class SwigPyObject: pass\nfake = SwigPyObject()",
    "four slots filled": (
        "class SwigPyObject:\n    __slots__ = ('ptr', 'ty', 'own', 'next')\n"
        "fake = SwigPyObject()\nfake.ptr, fake.ty, fake.own, fake.next = 1, 2, 1, 3"
    ),
    "float subclass": "class SwigPyObject(float): pass\nfake = SwigPyObject(1e300)",
}
FAKE_USES = {
    "instance": "_Halx.cHalx_P_Boiling(fake, 1.0)",
    "this": "_Halx.cHalx_P_Boiling(Holder(fake), 1.0)",
    "delete": "_Halx.delete_cHalx(fake)",
    "append": "_Halx.new_cHalx().append(fake)",
    "swiginit": "_Halx.cHalx_swiginit(Holder(_Halx.new_cHalx()), fake)",
}


@pytest.mark.parametrize("use", FAKE_USES)
@pytest.mark.parametrize("fake", FAKE_POINTERS)
def test_a_class_named_SwigPyObject_is_never_read_as_a_pointer_object(python_subprocess, fake, use):
    result = python_subprocess(
        f"""
        import _Halx, Halx
        from proxies import Holder
        {textwrap.indent(FAKE_POINTERS[fake], "        ").strip()}
        try:
            {FAKE_USES[use]}
        except TypeError as error:
            print(error)
    """,
        env_extra={"PYTHONPATH": os.path.dirname(__file__)},
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() in (
        ARGUMENT_1,
        ARGUMENT_1.replace("cHalx_P_Boiling", "delete_cHalx"),
        "Attempt to append a non SwigPyObject",
    )


def test_comparison_reads_only_pointer_objects():
    pointer = _Halx.new_cHalx()
    # A float whose stored bits spell the pointer's address: read as a pointer
    # object, it would compare equal.
    lookalike = struct.unpack("d", struct.pack("Q", int(pointer)))[0]
    assert (pointer == lookalike, pointer != lookalike, pointer == object()) == (False, True, False)
    assert pointer == pointer and pointer != _Halx.new_cHalx()


# --- What a `this` lookup may not swallow -------------------------------------------------------


@pytest.mark.parametrize("error", [KeyboardInterrupt, SystemExit, MemoryError])
@pytest.mark.parametrize(
    "call",
    [
        lambda obj: _Halx.cHalx_T_Melting(obj, 1.0),
        lambda obj: _Halx.delete_cHalx(obj),
        lambda obj: _Halx.cHalx_swiginit(obj, _Halx.new_cHalx()),
        lambda obj: Halx.cHalx.T_Melting(obj, 1.0),
    ],
    ids=["property", "delete", "swiginit", "method"],
)
def test_an_interrupt_in_a_this_lookup_propagates(error, call):
    raising = RaisingThis(error("from this"))
    with pytest.raises(error, match="from this"):
        call(raising)
    # Any other error still means "no instance here": a refusal, or for
    # swiginit the assignment of `this`, which this property does not allow.
    with pytest.raises((TypeError, AttributeError)):
        call(RaisingThis(ValueError("from this")))


def test_own_with_a_failing_truth_value_raises_it_and_changes_nothing():
    class Undecided:
        def __bool__(self):
            raise ZeroDivisionError("no truth")

    pointer = _Halx.new_cHalx()
    with pytest.raises(ZeroDivisionError, match="no truth"):
        pointer.own(Undecided())
    assert pointer.own() is True


# --- Registration ---------------------------------------------------------------------------------


class ClaimsToBeAType:
    __class__ = type


@pytest.mark.keeps_memory  # builds the peers with the C++ toolchain
@pytest.mark.parametrize(
    "registrant, name",
    [
        (ClaimsToBeAType(), "ClaimsToBeAType"),
        (type(_Halx.cvar), "swigvarlink"),
        (42, "int"),
        ((None,), "NoneType"),
    ],
)
def test_only_classes_that_can_be_instantiated_are_registered(run_with_peer, registrant, name):
    with pytest.raises(TypeError, match=f"^swigregister expected a class that can be instantiated, got {name}$"):
        _Halx.cHalx_swigregister(registrant)
    # The registration in force is unchanged: a peer that wraps an address in
    # the registered class gets a Halx.cHalx, and releases destroy silently.
    out = run_with_peer("""
        import _Halx, Halx, halx_peer
        for bad in (type(_Halx.cvar), type("T", (), {"__class__": type})()):
            try:
                _Halx.cHalx_swigregister(bad)
            except TypeError:
                pass
        h = Halx.cHalx()
        print(type(halx_peer.peer_identity(h)).__name__)
        del h
    """)
    assert out == ["cHalx"]


# --- Subinterpreters ------------------------------------------------------------------------------

# Run in a legacy subinterpreter: the package works there, and a class
# registered there is the one its releases use. `keep` is released as the
# interpreter ends, after its registration has gone.
IN_A_SUBINTERPRETER = """
import Halx, _Halx
print("subinterpreter:", Halx.phase(1000, 1), Halx.cHalx().P_Boiling(1000.0) == _Halx.cHalx_P_Boiling(None, 1000.0))
record = []
class Sub:
    __swig_destroy__ = staticmethod(lambda pointer: record.append(int(pointer) != 0))
_Halx.cHalx_swigregister(Sub)
pointer = _Halx.new_cHalx()
del pointer
print("destroyed through its own registration:", record)
keep = _Halx.new_cHalx()
"""


@pytest.mark.parametrize("main_imports_first", [False, True])
def test_a_subinterpreter_uses_the_package_and_its_own_registration_and_leaves_the_main_ones(
    python_subprocess, main_imports_first
):
    testcapi = pytest.importorskip("_testcapi")
    if not hasattr(testcapi, "run_in_subinterp"):
        pytest.skip("this CPython's _testcapi cannot run code in a subinterpreter")
    result = python_subprocess(f"""
        import ctypes, gc, sys, _testcapi
        if {main_imports_first}:
            import Halx
        status = _testcapi.run_in_subinterp({IN_A_SUBINTERPRETER!r})
        import _Halx, Halx
        unraisable = []
        sys.unraisablehook = unraisable.append
        phase = Halx.phase(1000.0, 1.0)
        print(isinstance(phase, Halx.Phase), phase, f"{{phase}}")
        # The registration every module of the runtime reads: the main interpreter's class.
        if {main_imports_first}:
            from support import TypeInfo, read_ring
            descriptor = TypeInfo.from_address(read_ring()[0][1]["_p_Halx__cHalx"])
            klass = ctypes.c_void_p.from_address(descriptor.clientdata).value
            print(ctypes.cast(klass, ctypes.py_object).value is Halx.cHalx)
        h = Halx.cHalx()
        del h
        gc.collect()
        print(status, len(unraisable))
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "subinterpreter: liquid True",
        "destroyed through its own registration: [True]",
        "True liquid liquid",
        *(["True"] if main_imports_first else []),
        "0 0",
    ]


def test_an_interpreter_with_its_own_lock_refuses_the_import_and_the_main_one_is_untouched(python_subprocess):
    # Interpreters have had their own lock since 3.12; _xxsubinterpreters made shared-lock ones before.
    if sys.version_info < (3, 12) or not any(
        importlib.util.find_spec(name) for name in ("_interpreters", "_xxsubinterpreters")
    ):
        pytest.skip("this CPython cannot create an interpreter with its own lock")
    result = python_subprocess("""
        try:
            import _interpreters as interpreters
        except ImportError:
            import _xxsubinterpreters as interpreters
        isolated = interpreters.create()  # its own lock, by default
        interpreters.run_string(isolated, "try:\\n    import Halx\\nexcept ImportError as error:\\n    print(error)")
        interpreters.destroy(isolated)
        import Halx
        print(Halx.phase(1000.0, 1.0))
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == ["module _Halx does not support loading in subinterpreters", "liquid"]

"""Fresh interpreters: what happens at exit, and imports that fail and are retried.

Each scenario runs in its own interpreter (conftest.run_python), so a crash at
shutdown is a failed test with the child's status and output, not a dead run.
"""

import pytest
from support import LEAK_LINE

pytestmark = pytest.mark.memcheck


def leak_lines(stdout: str) -> int:
    return stdout.splitlines().count(LEAK_LINE)


# --- Pointer objects still alive when the interpreter exits -----------------------------------------
ALIVE_AT_EXIT = """
    import _Halx
    {setup}
    owning = [_Halx.new_cHalx() for _ in range(3)]
    linked = _Halx.new_cHalx()
    linked.append(_Halx.new_cHalx())          # an owning pointer object held only by the chain
    disowned = _Halx.new_cHalx()
    disowned.disown()                          # another owner is responsible: never reported
    class Cyclic:
        pass
    cycle = Cyclic()
    cycle.me = cycle                           # freed by the collector during shutdown
    _Halx.cHalx_swiginit(cycle, _Halx.new_cHalx())
    del cycle
    print("end of script")
"""


@pytest.mark.parametrize(
    "setup, leaks",
    [
        ("", 6),  # nothing registered: each owning pointer object reports its instance
        ("import Halx", 0),
        ("import Halx\nproxies = [Halx.cHalx() for _ in range(3)]", 0),
        ("class Plain: pass\n_Halx.cHalx_swigregister(Plain)", 6),  # registered, but no destroy callable
    ],
    ids=["no class", "Halx registered", "proxies alive", "class without destroy"],
)
def test_owning_pointer_objects_alive_at_exit_are_destroyed_or_reported(python_subprocess, setup, leaks):
    result = python_subprocess(ALIVE_AT_EXIT.format(setup=setup.replace("\n", "\n    ")))
    assert result.returncode == 0, result.stderr
    assert result.stderr == ""
    assert result.stdout.startswith("end of script\n")
    assert leak_lines(result.stdout) == leaks
    assert len(result.stdout.splitlines()) == 1 + leaks


def test_a_failing_destroy_callable_at_exit_is_reported_not_fatal(python_subprocess):
    result = python_subprocess("""
        import _Halx
        def failing(pointer):
            raise RuntimeError("cannot destroy")
        class Failing:
            __swig_destroy__ = staticmethod(failing)
        _Halx.cHalx_swigregister(Failing)
        released_now = _Halx.new_cHalx()
        del released_now                     # reported through the unraisable hook
        survivors = [_Halx.new_cHalx() for _ in range(3)]
        print("end of script")
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "end of script\n"
    # The release during the run reports the failure; at exit the instances are
    # destroyed one way or another, but nothing crashes and nothing leaks a line.
    assert result.stderr.count("RuntimeError: cannot destroy") >= 1
    assert "Fatal" not in result.stderr and "Segmentation" not in result.stderr


@pytest.mark.parametrize("registered", [False, True], ids=["no class", "Halx registered"])
def test_exit_with_an_uncaught_exception_keeps_its_traceback_and_status(python_subprocess, registered):
    result = python_subprocess(f"""
        import _Halx
        {"import Halx; proxy = Halx.cHalx()" if registered else ""}
        survivors = [_Halx.new_cHalx() for _ in range(2)]
        def fail():
            local = _Halx.new_cHalx()          # released while the exception unwinds
            raise ValueError("the script fails")
        fail()
    """)
    assert result.returncode == 1
    assert result.stderr.rstrip().splitlines()[-1] == "ValueError: the script fails"
    assert leak_lines(result.stdout) == (0 if registered else 3)


@pytest.mark.parametrize("registered", [False, True], ids=["no class", "Halx registered"])
def test_sys_exit_with_pointer_objects_alive_exits_with_its_status(python_subprocess, registered):
    result = python_subprocess(f"""
        import sys, _Halx
        {"import Halx; proxy = Halx.cHalx()" if registered else ""}
        survivor = _Halx.new_cHalx()
        try:
            raise KeyError("pending while exiting")
        except KeyError:
            sys.exit(3)
    """)
    assert result.returncode == 3, result.stderr
    assert result.stderr == ""
    assert leak_lines(result.stdout) == (0 if registered else 1)


# --- Imports under warnings-as-errors and after a failed import ---------------------------------------


def test_import_succeeds_when_warnings_are_errors(python_subprocess):
    """`python -W error` and pytest's filterwarnings=error must not break the
    import; the filters a program set are left as they were."""
    result = python_subprocess("""
        import warnings
        warnings.simplefilter("error")
        before = list(warnings.filters)
        import _Halx, Halx
        assert warnings.filters == before, "the import changed the warning filters"
        print(Halx.cHalx().T_Melting(1000.0), _Halx.cvar.T_Triple)
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "825.425987637 800.7\n"


FAILED_IMPORT = """
    import sys
    from support import load_fault_hook
    hook = load_fault_hook()
    if hook is None:
        print("no hook")
        raise SystemExit(0)
    outcomes, reached = [], []
    for attempt in range({attempts}):
        hook.fail_after({n})
        try:
            import _Halx
        except BaseException as error:
            outcomes.append(f"{{type(error).__name__}}: {{error}}")
        else:
            outcomes.append("imported")
        finally:
            reached.append(hook.reached())
            hook.fail_after(-1)
        sys.modules.pop("_Halx", None)
    import _Halx, Halx                      # the retry, with nothing failing
    proxy = Halx.cHalx()
    owning = _Halx.new_cHalx()              # still alive at exit: destroyed silently
    print(outcomes, reached[0])
    print(str(_Halx.cvar), _Halx.cvar.MolarMass, proxy.T_Melting(1000.0))
"""

IMPORT_ERRORS = {"MemoryError: ", "TypeError: Failure to create SWIG globals."}


@pytest.mark.parametrize("attempts", [1, 2], ids=["one failure", "two failures"])
def test_a_fresh_interpreter_recovers_from_each_failing_allocation_of_the_import(python_subprocess, attempts):
    """For each allocation of the import in turn, a fresh interpreter whose
    import fails there (and, in the second variant, fails again at the same
    count on the next attempt, which reuses what the first one made) imports
    on the next try, works and exits cleanly."""
    failures = 0
    for n in range(64):
        result = python_subprocess(FAILED_IMPORT.format(n=n, attempts=attempts))
        assert result.returncode == 0, (n, result.stderr)
        if result.stdout == "no hook\n":
            pytest.skip("needs a build with HALX_FAULT_INJECTION=ON")
        assert result.stderr == "", (n, result.stderr)
        outcome_line, state_line = result.stdout.splitlines()
        assert state_line == "(P_Triple, T_Triple, MolarMass) 0.058443 825.425987637", n
        outcomes, reached = outcome_line.rsplit(" ", 1)
        outcomes = eval(outcomes)  # a printed list of strings
        if reached == "False":  # the first import needs fewer than n + 1 allocations
            assert outcomes == ["imported"] * attempts
            break
        failures += outcomes.count("imported") < attempts
        assert set(outcomes) <= IMPORT_ERRORS | {"imported"}, (n, outcomes)
    else:
        raise AssertionError("the import never got through")
    assert n > 5 and failures > 0  # the sweep went through the import's allocations
    # The very first allocation is the runtime's "this" string: a plain MemoryError.
    first = python_subprocess(FAILED_IMPORT.format(n=0, attempts=1))
    assert first.stdout.startswith("['MemoryError: ']")

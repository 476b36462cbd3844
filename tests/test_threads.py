"""Many threads at once: every result equals the single-threaded one, nothing crashes.

The work runs in a child interpreter (a crash fails the test, not the run),
with the interpreter switching threads as often as it can. Each of 24 threads
calls all five property functions through shared and private proxies, bare
pointer objects and None, hits every refusal, creates, links, deletes and
releases instances, re-registers the proxy class (sometimes with a destroy
callable of Python) while other threads release owning pointer objects, and
reads cvar. The results are compared with the same calls made on one thread
first, and those with the plain-Python correlations.
"""

import json
import sysconfig

import pytest

pytestmark = pytest.mark.memcheck

THREADS = 24

CHILD = r"""
import json, sys, threading
import _Halx, Halx, reference

THREADS, ROUNDS = {threads}, {rounds}
INPUTS = [-273.15, -40.0, 0, 25.0, 800.7, 1000, 1e300, float("inf"), float("nan"), True]
shared = Halx.cHalx()
shared_pointer = _Halx.new_cHalx()
outcomes = {{}}


class Reporting(Halx.cHalx):
    # A destroy callable of Python: releases call it with a temporary pointer object.
    @staticmethod
    def __swig_destroy__(temporary):
        _Halx.delete_cHalx(temporary)


def refusal(call):
    try:
        call()
    except (TypeError, ValueError, AttributeError) as error:
        return f"{{type(error).__name__}}: {{error}}"
    return "no error"


def one_pass(own):
    # Every call whose result is compared; run on one thread first, then on all.
    results = []
    for instance in (own, shared, shared_pointer, own.this, None):
        for x in INPUTS:
            results.append(repr(_Halx.cHalx_P_Boiling(instance, x)))
            results.append(repr(_Halx.cHalx_T_Melting(instance, x)))
            results.append(repr(_Halx.cHalx_P_Sublimation(instance, x)))
            for y in INPUTS[::3]:
                results.append(repr(_Halx.cHalx_Rho_Solid(instance, x, y)))
                results.append(repr(_Halx.cHalx_Rho_Liquid(instance, x, y)))
    results.append(repr(own.Rho_Liquid(900.0, 100.0)))
    results.append(refusal(lambda: _Halx.cHalx_P_Boiling(own)))
    results.append(refusal(lambda: _Halx.cHalx_Rho_Solid(42, 1.0, 1.0)))
    results.append(refusal(lambda: _Halx.cHalx_Rho_Liquid(own, 1.0, "1")))
    results.append(refusal(lambda: _Halx.cHalx_T_Melting(own, 10 ** 400)))
    results.append(refusal(lambda: _Halx.cHalx_swiginit(own, 5)))
    results.append(refusal(lambda: _Halx.cHalx_swiginit(own.this, own.this)))
    results.append(refusal(lambda: setattr(_Halx.cvar, "T_Triple", 0.0)))
    results.append(refusal(lambda: _Halx.cvar.nothing))
    results.append(repr((_Halx.cvar.MolarMass, _Halx.cvar.T_Triple, _Halx.cvar.P_Triple, str(_Halx.cvar))))
    return results


def churn(index):
    # Lifecycle work whose only observable result is that nothing breaks.
    for _ in range(4):
        h = Halx.cHalx()
        _Halx.cHalx_swiginit(h, _Halx.new_cHalx())
        h.T_Melting(1.0)
        if index % 2:
            _Halx.delete_cHalx(h)
        del h
        p = _Halx.new_cHalx()
        p.disown(); p.acquire()
        _Halx.delete_cHalx(shared)  # every thread deletes the same instance: harmless after the first
        del p
    if index % 6 == 0:
        _Halx.cHalx_swigregister(Reporting if index % 12 == 0 else Halx.cHalx)


expected = one_pass(Halx.cHalx())


def worker(index, barrier):
    own = Halx.cHalx()
    barrier.wait()
    mismatches = 0
    for _ in range(ROUNDS):
        mismatches += one_pass(own) != expected
        churn(index)
    outcomes[index] = mismatches


sys.setswitchinterval(1e-6)
barrier = threading.Barrier(THREADS)
threads = [threading.Thread(target=worker, args=(i, barrier)) for i in range(THREADS)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
_Halx.cHalx_swigregister(Halx.cHalx)
sys.setswitchinterval(0.005)

independent = []
for x in INPUTS:
    independent.append(reference.P_Boiling(float(x)))
    independent.append(reference.T_Melting(float(x)))
    independent.append(reference.P_Sublimation(float(x)))
    for y in INPUTS[::3]:
        independent.append(reference.Rho_Solid(float(x), float(y)))
        independent.append(reference.Rho_Liquid(float(x), float(y)))
print(json.dumps(dict(
    outcomes=outcomes,
    expected=expected,
    independent=[repr(v) for v in independent],
)))
"""


def test_threads_calling_everything_at_once_agree_with_one_thread(python_subprocess):
    result = python_subprocess(CHILD.format(threads=THREADS, rounds=30), timeout=600)
    assert result.returncode == 0, result.stderr[-4000:]
    assert "memory leak" not in result.stdout and result.stderr == ""
    report = json.loads(result.stdout.splitlines()[-1])
    assert len(report["outcomes"]) == THREADS
    assert all(mismatches == 0 for mismatches in report["outcomes"].values()), report["outcomes"]
    # The single-threaded results themselves, for the five instances in turn,
    # are the plain-Python correlations (bit for bit, NaN equal to NaN).
    block = len(report["independent"])
    for start in range(0, 5 * block, block):
        assert report["expected"][start : start + block] == report["independent"]
    assert report["expected"][5 * block + 1 :] == [
        "TypeError: cHalx_P_Boiling expected 2 arguments, got 1",
        "TypeError: in method 'cHalx_Rho_Solid', argument 1 of type 'Halx::cHalx *'",
        "TypeError: in method 'cHalx_Rho_Liquid', argument 3 of type 'double'",
        "TypeError: in method 'cHalx_T_Melting', argument 2 of type 'double'",
        "TypeError: Attempt to append a non SwigPyObject",
        "ValueError: Attempt to append a SwigPyObject that is already linked to this one",
        "AttributeError: Variable T_Triple is read-only.",
        "AttributeError: Unknown C global variable 'nothing'",
        "(0.058443, 800.7, 0.0005, '(P_Triple, T_Triple, MolarMass)')",
    ]


@pytest.mark.skipif(not sysconfig.get_config_var("Py_GIL_DISABLED"), reason="needs a free-threaded CPython")
def test_a_free_threaded_interpreter_turns_the_gil_back_on_for_the_module(python_subprocess):
    """The module relies on the interpreter lock and declares nothing else, so
    a free-threaded CPython must enable the lock when it loads the module."""
    result = python_subprocess(
        """
        import sys, warnings
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            import _Halx
        print(sys._is_gil_enabled(), [str(w.message) for w in caught])
    """,
        env_extra={"PYTHON_GIL": ""},
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("True ")
    assert "_Halx" in result.stdout

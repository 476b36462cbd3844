"""Fuzzing cHalx_swigregister: what it accepts, what it refuses, and the
destroy callable that releasing an owning pointer object then uses
(tests/fuzzing.py generates and judges the arguments)."""

import ctypes
import gc
import os
import re
import sys
import tempfile
from contextlib import contextmanager

import _Halx
import Halx
import pytest
from fuzzing import (
    FUZZ,
    Case,
    Raises,
    Tally,
    anything,
    assert_raised,
    assert_returned,
    call,
    count_message,
    keyword_refusal,
    keyword_sets,
    one_argument_refusal,
)
from hypothesis import given
from hypothesis import strategies as st
from support import LEAK_LINE
from swig_pointers import HALX_DESCRIPTOR, descriptor_of

pytestmark = pytest.mark.memcheck
TALLY = Tally(tests=1, ci_calls=3_200)
NOT_A_CLASS = "swigregister expected a class that can be instantiated, got {}"


DESTROYED = []  # (address, owned, descriptor) of each pointer object a recording destroy callable got


def record_destroy(*args):
    pointer = args[-1]
    DESTROYED.append((int(pointer), pointer.own(), descriptor_of(pointer)))
    _Halx.delete_cHalx(pointer)  # so that the instance does not outlive the check


def failing_destroy(*args):
    record_destroy(*args)
    raise RuntimeError("destroy failed")


class LookupFails(type):
    @property
    def __swig_destroy__(cls):
        raise RuntimeError("__swig_destroy__ cannot be read")


class DestroyUnreadable:
    @property
    def __swig_destroy__(self):
        raise ValueError("__swig_destroy__ cannot be read")


class TupleSubclass(tuple):
    pass


# Each kind of registrant: (object to register, what releasing an owning pointer must then do).
REGISTRANTS = {
    "Halx.cHalx": lambda: (Halx.cHalx, "silent"),
    "subclass of Halx.cHalx": lambda: (type("Derived", (Halx.cHalx,), {}), "silent"),
    "delete_cHalx as static method": lambda: (
        type("StaticDelete", (), {"__swig_destroy__": staticmethod(_Halx.delete_cHalx)}),
        "silent",
    ),
    "recording class": lambda: (type("Recording", (), {"__swig_destroy__": staticmethod(record_destroy)}), "recorded"),
    "recording instance": lambda: (  # not a class: refused
        type("Recording", (), {"__swig_destroy__": record_destroy})(),
        not_a_class("Recording"),
    ),
    "failing class": lambda: (type("Failing", (), {"__swig_destroy__": staticmethod(failing_destroy)}), "failed"),
    "class without destroy": lambda: (type("NoDestroy", (), {}), "leak"),
    "lookup raises": lambda: (LookupFails("Unreadable", (), {}), "leak"),
    "instance whose lookup raises": lambda: (DestroyUnreadable(), not_a_class("DestroyUnreadable")),
    "class that cannot be instantiated": lambda: (type(_Halx.cvar), not_a_class("swigvarlink")),
}

libc = ctypes.CDLL(None)


@contextmanager
def c_stdout(sink: list):
    """Collects what C code prints on file descriptor 1 (the runtime's leak
    line goes to C's stdout, not to sys.stdout)."""
    libc.fflush(None)
    saved = os.dup(1)
    with tempfile.TemporaryFile() as capture:
        os.dup2(capture.fileno(), 1)
        try:
            yield
        finally:
            libc.fflush(None)
            os.dup2(saved, 1)
            os.close(saved)
            capture.seek(0)
            sink.append(capture.read().decode())


def observe_release():
    """Releases a new owning pointer object; returns what happened."""
    DESTROYED.clear()
    unraisable, printed = [], []
    hook = sys.unraisablehook
    sys.unraisablehook = unraisable.append
    try:
        with c_stdout(printed):
            pointer = _Halx.new_cHalx()
            address = int(pointer)
            del pointer
    finally:
        sys.unraisablehook = hook
    return address, list(DESTROYED), unraisable, printed[0]


def check_release(expected: str):
    address, destroyed, unraisable, printed = observe_release()
    if expected == "silent":
        assert (destroyed, unraisable, printed) == ([], [], "")
    elif expected in ("recorded", "failed"):
        # A destroy callable of Python gets a pointer object of its own that owns the instance.
        assert destroyed == [(address, True, HALX_DESCRIPTOR)] and printed == ""
        if expected == "failed":
            assert len(unraisable) == 1 and str(unraisable[0].exc_value) == "destroy failed"
        else:
            assert unraisable == []
    else:
        assert (destroyed, unraisable, printed) == ([], [], LEAK_LINE + "\n")


def not_a_class(name: str) -> "Raises":
    return Raises(TypeError, NOT_A_CLASS.format(name))


def pool_behaviour(obj):
    """What releasing an owning pointer does once `obj` from the pool is
    registered, or the refusal of an object that is not a class."""
    if not issubclass(type(obj), type):  # a real class, whatever __class__ claims
        return Raises(TypeError, re.escape(NOT_A_CLASS.format("")) + r"\S+", pattern=True)
    try:
        destroy = obj.__swig_destroy__
    except BaseException:  # noqa: B036 - the binding discards every lookup error
        return "leak"
    assert destroy is _Halx.delete_cHalx, "the pool holds no other destroy callable"
    return "silent"


@st.composite
def registration_arguments(draw):
    """(argument list, keywords, the outcome: Raises(...) or the release
    behaviour that the registration sets)."""
    shape = draw(st.sampled_from(["bare", "bare", "one-tuple", "tuple subclass", "pool", "count"]))
    obj, behaviour = REGISTRANTS[draw(st.sampled_from(list(REGISTRANTS)))]()
    if shape == "bare":
        return [Case(obj, repr(obj))], {}, behaviour
    if shape == "one-tuple":
        return [Case((obj,), f"({obj!r},)")], {}, behaviour
    if shape == "tuple subclass":
        return [Case(TupleSubclass((obj,)), f"TupleSubclass({obj!r},)")], {}, behaviour
    if shape == "pool":
        case = draw(anything)
        if issubclass(type(case.obj), tuple):
            if len(case.obj) != 1:
                return [case], {}, Raises(TypeError, count_message("swigregister", 1, len(case.obj)))
            return [case], {}, pool_behaviour(tuple.__getitem__(case.obj, 0))
        return [case], {}, pool_behaviour(case.obj)
    cases = draw(st.lists(anything, max_size=3))
    keywords = draw(keyword_sets)
    if keywords:
        return cases, keywords, keyword_refusal("cHalx_swigregister")
    if len(cases) != 1:
        return cases, keywords, one_argument_refusal("cHalx_swigregister", len(cases))
    items = draw(st.sampled_from([(), (obj, obj), (obj, None, 1)]))
    return [Case(items, f"tuple of {len(items)}")], {}, Raises(TypeError, count_message("swigregister", 1, len(items)))


@pytest.fixture(scope="module", autouse=True)
def collect_only_this_files_objects():
    """Each call collects garbage first; what earlier test files left is moved
    out of the collector's sight, so that a collection costs what this file
    made, not the whole worker's heap (fifteen minutes over a CI run)."""
    gc.collect()
    gc.freeze()
    yield
    gc.unfreeze()


@FUZZ
@given(calls=st.lists(registration_arguments(), min_size=1, max_size=4))
def test_cHalx_swigregister_sets_the_destroy_callable_that_releases_use(calls):
    TALLY.done("cHalx_swigregister")
    for cases, keywords, outcome in calls:
        # Pointer objects of earlier examples, held in reference cycles through
        # tracebacks, go now, while the proxy class is registered; with the
        # collector paused, the one release watched is the only one that
        # meets the class registered here.
        gc.collect()
        gc.disable()
        try:
            _Halx.cHalx_swigregister(Halx.cHalx)
            result, error = call(_Halx.cHalx_swigregister, cases, keywords)
            if isinstance(outcome, Raises):
                assert_raised(error, outcome, result)
                check_release("silent")  # the earlier registration stands
            else:
                assert_returned(result, error)
                assert result is None
                check_release(outcome)
        finally:
            _Halx.cHalx_swigregister(Halx.cHalx)
            gc.enable()


def test_fuzzing_reached_its_call_target(capsys):
    TALLY.check(capsys)

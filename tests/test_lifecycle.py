"""Instances: creation, attachment, ownership, destruction and registration."""

import re
import sys

import _Halx
import Halx
import pytest
from support import LEAK_LINE

pytestmark = pytest.mark.memcheck


def test_new_returns_a_bare_owning_pointer_object():
    p = _Halx.new_cHalx()
    assert type(p).__name__ == "SwigPyObject"
    assert re.fullmatch(r"<Swig Object of type 'Halx::cHalx \*' at 0x[0-9a-f]+>", repr(p))
    assert p.own() is True and p.next() is None
    _Halx.delete_cHalx(p)


def test_each_instance_has_its_own_address():
    pointers = [_Halx.new_cHalx() for _ in range(10)]
    assert len({int(p) for p in pointers}) == 10
    for p in pointers:
        _Halx.delete_cHalx(p)


def test_the_ten_functions_have_no_documentation_and_the_module_none():
    assert _Halx.__doc__ is None
    # The ten functions and cvar, in the order a generated module defines them.
    names = [
        "SWIG_PyInstanceMethod_New",
        "new_cHalx",
        "delete_cHalx",
        *(f"cHalx_{name}" for name in ("P_Boiling", "T_Melting", "P_Sublimation", "Rho_Solid", "Rho_Liquid")),
        "cHalx_swigregister",
        "cHalx_swiginit",
        "cvar",
    ]
    public = [name for name in dir(_Halx) if not name.startswith("__")]
    assert sorted(public) == sorted(names)
    assert all(getattr(_Halx, name).__doc__ is None for name in public if name != "cvar")
    assert [name for name in vars(_Halx) if not name.startswith("__")] == names


def test_ownership_methods_of_the_pointer_object():
    p = _Halx.new_cHalx()
    p.disown()
    assert p.own() is False
    p.acquire()
    assert p.own() is True
    assert p.own(0) is True and p.own() is False
    assert p.own(1) is False and p.own() is True
    _Halx.delete_cHalx(p)


def test_swiginit_sets_this_and_links_a_second_pointer_behind_it():
    class Plain:
        pass

    proxy = Plain()
    first, second = _Halx.new_cHalx(), _Halx.new_cHalx()
    assert _Halx.cHalx_swiginit(proxy, first) is None
    assert proxy.this is first
    _Halx.cHalx_swiginit(proxy, second)
    assert proxy.this is first and first.next() is second
    with pytest.raises(TypeError, match="^Attempt to append a non SwigPyObject$"):
        _Halx.cHalx_swiginit(proxy, 5)
    for p in (first, second):
        _Halx.delete_cHalx(p)


def test_swiginit_on_an_object_that_cannot_take_attributes_raises_the_assignment_error():
    p = _Halx.new_cHalx()
    with pytest.raises(AttributeError):
        _Halx.cHalx_swiginit(None, p)
    with pytest.raises(AttributeError):
        _Halx.cHalx_swiginit(object(), p)
    _Halx.delete_cHalx(p)


def test_instance_method_binds_the_instance_first():
    calls = []

    class Bound:
        method = _Halx.SWIG_PyInstanceMethod_New(lambda *args: calls.append(args) or "result")

    b = Bound()
    assert b.method(7) == "result"
    assert calls == [(b, 7)]


def test_delete_of_none_does_nothing_and_delete_disowns_the_pointer():
    assert _Halx.delete_cHalx(None) is None
    p = _Halx.new_cHalx()
    assert _Halx.delete_cHalx(p) is None
    assert p.own() is False


def _disowned():
    h = Halx.cHalx()
    h.thisown = False
    assert h.thisown is False
    return h


def _deleted():
    h = Halx.cHalx()
    _Halx.delete_cHalx(h)
    return h


@pytest.mark.parametrize(
    "make, shown",
    [
        (Halx.cHalx, "<Halx.cHalx: NaCl properties {}>"),
        (_disowned, "<Halx.cHalx: NaCl properties {}, not owning its C++ instance>"),
        (_deleted, "<Halx.cHalx: NaCl properties {}, its C++ instance deleted>"),
        (lambda: Halx.cHalx.__new__(Halx.cHalx), "<Halx.cHalx without a C++ instance>"),
    ],
    ids=["owning", "disowned", "deleted", "bare"],
)
def test_proxy_repr_lists_the_methods_and_dir_leaves_out_the_binding_attributes(make, shown):
    h = make()
    methods = "P_Boiling(T), T_Melting(P), P_Sublimation(T), Rho_Solid(T, P), Rho_Liquid(T, P)"
    assert repr(h) == shown.format(methods)
    public = ["P_Boiling", "P_Sublimation", "Rho_Liquid", "Rho_Solid", "T_Melting"]
    assert [name for name in dir(h) if not name.startswith("_")] == public
    assert {"__repr__", "__weakref__"} <= set(dir(h))
    if getattr(h, "this", None) is not None and int(h.this):
        h.thisown = True  # the instance is the proxy's again, and goes with it
        assert h.thisown is True and "C++" not in repr(h)


def test_releasing_a_proxy_destroys_through_the_registered_destroy_callable(python_subprocess):
    result = python_subprocess("""
        import gc, _Halx, Halx
        calls = []
        class Counted(Halx.cHalx):
            @staticmethod
            def __swig_destroy__(p):
                calls.append(p.own())
                _Halx.delete_cHalx(p)
        _Halx.cHalx_swigregister(Counted)
        h = Counted()
        del h
        gc.collect()
        print("calls", calls)
    """)
    assert result.returncode == 0, result.stderr
    # A destroy callable that is not this module's builtin gets a temporary
    # pointer object of its own, which owns the instance it is to destroy.
    assert "calls [True]" in result.stdout
    assert LEAK_LINE not in result.stdout


@pytest.mark.parametrize(
    "setup, leaks",
    [
        ("p = _Halx.new_cHalx()", True),
        ("p = _Halx.new_cHalx(); p.disown()", False),
        ("import Halx; p = _Halx.new_cHalx()", False),
        ("class C: pass\n_Halx.cHalx_swigregister(C); p = _Halx.new_cHalx()", True),
        ("p = _Halx.new_cHalx(); _Halx.delete_cHalx(p)", False),
    ],
)
def test_the_leak_line_is_printed_once_exactly_when_nothing_can_destroy(python_subprocess, setup, leaks):
    result = python_subprocess(f"import _Halx\n{setup}\ndel p\nprint('released')")
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines.count(LEAK_LINE) == (1 if leaks else 0)


def test_a_failing_destroy_callable_goes_to_the_unraisable_hook_and_keeps_the_pending_exception(python_subprocess):
    result = python_subprocess("""
        import sys, _Halx
        reported = []
        sys.unraisablehook = lambda u: reported.append((type(u.exc_value).__name__, str(u.exc_value), u.object))
        def failing(p):
            raise RuntimeError("cannot destroy")
        class Failing:
            __swig_destroy__ = staticmethod(failing)
        _Halx.cHalx_swigregister(Failing)

        def release_while_raising():
            p = _Halx.new_cHalx()
            raise KeyError("pending")
        try:
            release_while_raising()
        except KeyError as e:
            print("kept", e.args[0])
        print(reported[0][:2], reported[0][2] is failing)
    """)
    assert result.returncode == 0, result.stderr
    assert "kept pending" in result.stdout
    assert "('RuntimeError', 'cannot destroy') True" in result.stdout


def test_registration_accepts_a_one_element_tuple_and_the_last_class_wins(python_subprocess):
    result = python_subprocess("""
        import _Halx
        log = []
        class First:
            __swig_destroy__ = staticmethod(lambda p: log.append("first"))
        class Second:
            __swig_destroy__ = staticmethod(lambda p: log.append("second"))
        _Halx.cHalx_swigregister((First,))
        p = _Halx.new_cHalx(); del p
        _Halx.cHalx_swigregister(Second)
        p = _Halx.new_cHalx(); del p
        print(log)
    """)
    assert result.returncode == 0, result.stderr
    assert "['first', 'second']" in result.stdout


def test_new_is_never_wrapped_in_the_registered_class():
    assert type(_Halx.new_cHalx()).__name__ == "SwigPyObject"  # Halx registered its class at import
    assert "Halx" in sys.modules

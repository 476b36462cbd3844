"""Fuzzing the making, deleting and wrapping functions, alone and interleaved
with every other call (tests/fuzzing.py generates and judges the arguments)."""

import re

import _Halx
import pytest
from fuzzing import (
    FUZZ,
    PREDECESSORS,
    PROPERTIES,
    Case,
    Raises,
    Tally,
    anything,
    assert_raised,
    assert_returned,
    call,
    check_cvar_call,
    check_property_call,
    check_swiginit_call,
    instance_verdict,
    instances,
    keyword_refusal,
    keyword_sets,
    names,
    none_case,
    number_case,
    numbers,
    one_argument_refusal,
    propagated,
    refusal_message,
)
from hypothesis import given
from hypothesis import strategies as st
from swig_pointers import HALX_DESCRIPTOR, PointerObject, descriptor_of

pytestmark = pytest.mark.memcheck
TALLY = Tally(tests=4, ci_calls=23_300)
POINTER_REPR = re.compile(r"<Swig Object of type 'Halx::cHalx \*' at 0x[0-9a-fA-F]+>")


@FUZZ
@given(calls=st.lists(st.tuples(st.lists(anything, max_size=3), keyword_sets), min_size=1, max_size=8))
def test_new_cHalx_returns_an_owning_pointer_object_or_refuses_arguments(calls):
    TALLY.done("new_cHalx")
    for cases, keywords in calls:
        result, error = call(_Halx.new_cHalx, cases, keywords)
        if keywords:
            assert_raised(error, keyword_refusal("new_cHalx"), result)
        elif cases:
            assert_raised(
                error,
                Raises(TypeError, rf"(_Halx\.)?new_cHalx\(\) takes no arguments \({len(cases)} given\)", pattern=True),
            )
        else:
            assert_returned(result, error)
            assert type(result) is PointerObject
            assert POINTER_REPR.fullmatch(repr(result))
            assert result.own() is True and result.next() is None
            assert descriptor_of(result) == HALX_DESCRIPTOR and int(result) != 0


def check_delete_call(cases: list, keywords: dict):
    if keywords:
        expected = keyword_refusal("delete_cHalx")
    elif len(cases) != 1:
        expected = one_argument_refusal("delete_cHalx", len(cases))
    elif propagated(cases[0]):
        expected = propagated(cases[0])
    else:
        accepted, supplier = instance_verdict(cases[0])
        expected = None if accepted else Raises(TypeError, refusal_message("delete_cHalx", 1))
    result, error = call(_Halx.delete_cHalx, cases, keywords)
    if expected is not None:
        assert_raised(error, expected, result)
        return
    assert_returned(result, error)
    assert result is None
    if isinstance(supplier, PointerObject):  # detached, whether it owned the instance or not
        assert supplier.own() is False and int(supplier) == 0


@FUZZ
@given(
    calls=st.lists(
        st.tuples(
            st.one_of(
                st.lists(st.one_of(instances, none_case, anything), min_size=1, max_size=1),
                st.lists(anything, max_size=3),
            ),
            keyword_sets,
        ),
        min_size=1,
        max_size=8,
    )
)
def test_delete_cHalx_destroys_through_any_proxy_or_refuses(calls):
    TALLY.done("delete_cHalx")
    for cases, keywords in calls:
        check_delete_call(cases, keywords)


@FUZZ
@given(calls=st.lists(st.tuples(st.lists(anything, max_size=3), keyword_sets), min_size=1, max_size=8))
def test_SWIG_PyInstanceMethod_New_wraps_any_object(calls):
    TALLY.done("SWIG_PyInstanceMethod_New")
    for cases, keywords in calls:
        result, error = call(_Halx.SWIG_PyInstanceMethod_New, cases, keywords)
        if keywords:
            assert_raised(error, keyword_refusal("SWIG_PyInstanceMethod_New"), result)
        elif len(cases) != 1:
            assert_raised(error, one_argument_refusal("SWIG_PyInstanceMethod_New", len(cases)), result)
        else:
            assert_returned(result, error)
            assert type(result).__name__ == "instancemethod" and result.__func__ is cases[0].obj


@FUZZ
@given(data=st.data())
def test_interleaved_calls_each_follow_their_rules(data):
    """Pointer objects made, deleted and linked by earlier calls feed later ones."""
    TALLY.done("interleaved")
    made = []

    def argument() -> Case:
        if made and data.draw(st.booleans(), label="reuse"):
            pointer = data.draw(st.sampled_from(made), label="made")
            return Case(pointer, "made earlier", pointer=pointer)
        return data.draw(st.one_of(instances, anything))

    kinds = sorted(PROPERTIES) + ["new", "delete", "method", "attach", "cvar"]
    try:
        interleave(data, kinds, argument, made)
    finally:
        PREDECESSORS.clear()
    for pointer in made:  # deleted or linked, each is still a valid instance argument
        check_property_call("cHalx_T_Melting", [Case(pointer, "made", pointer=pointer), number_case(1.0)], {})


def interleave(data, kinds, argument, made):
    for _ in range(data.draw(st.integers(min_value=1, max_value=12), label="calls")):
        kind = data.draw(st.sampled_from(kinds), label="kind")
        if kind in PROPERTIES:
            count = PROPERTIES[kind][1]
            cases = [argument()] + [data.draw(numbers) for _ in range(count - 1)]
            check_property_call(kind, cases, {})
        elif kind == "new":
            result, error = call(_Halx.new_cHalx, [])
            assert_returned(result, error)
            made.append(result)
        elif kind == "delete":
            check_delete_call([argument()], {})
        elif kind == "method":
            case = argument()
            result, error = call(_Halx.SWIG_PyInstanceMethod_New, [case])
            assert_returned(result, error)
            assert result.__func__ is case.obj
        elif kind == "attach":
            check_swiginit_call([argument(), argument()], {})
        else:
            check_cvar_call(data.draw(st.sampled_from(["get", "set", "del"])), data.draw(names), argument().obj)


def test_fuzzing_reached_its_call_target(capsys):
    TALLY.check(capsys)

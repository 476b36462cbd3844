"""Fuzzing cHalx_swiginit: it links a pointer object behind the one a proxy
leads to, within the link rules, or assigns `this` where no pointer object
is reached (tests/fuzzing.py generates and judges the arguments)."""

import _Halx
import pytest
from fuzzing import (
    FUZZ,
    PREDECESSORS,
    Blank,
    Case,
    Tally,
    anything,
    check_swiginit_call,
    instances,
    keyword_sets,
    pointers,
    proxy,
)
from hypothesis import given
from hypothesis import strategies as st
from proxies import Holder
from swig_pointers import chain_of

pytestmark = pytest.mark.memcheck
TALLY = Tally(tests=1, ci_calls=4_600)


@st.composite
def attach_arguments(draw):
    shape = draw(st.integers(min_value=0, max_value=7))
    if shape == 0:
        return draw(st.lists(anything, max_size=4)), draw(keyword_sets)
    if shape == 1:  # a link that would close a loop
        target = draw(pointers)
        chain = chain_of(target.obj)
        if draw(st.booleans()):
            added = chain[draw(st.integers(min_value=0, max_value=len(chain) - 1))]
            added_case = Case(added, "a pointer object already in the chain", pointer=added)
        else:
            leading = _Halx.new_cHalx()
            leading.append(target.obj)
            added_case = Case(leading, "a chain that leads back to the proxy's pointer", pointer=leading)
        if draw(st.booleans()):
            target = proxy(target, "attribute", 0.0)
        return [target, added_case], {}
    target = draw(st.one_of(st.builds(lambda: Case(Blank(), "Blank()")), instances, anything))
    added = draw(st.one_of(pointers, pointers, anything))
    return [target, added], {}


@FUZZ
@given(calls=st.lists(attach_arguments(), min_size=1, max_size=8))
def test_cHalx_swiginit_links_or_assigns_this(calls):
    TALLY.done("cHalx_swiginit")
    try:
        for cases, keywords in calls:
            check_swiginit_call(cases, keywords)
    finally:
        PREDECESSORS.clear()


@pytest.mark.parametrize("anchor_length, added_length", [(1, 1023), (1, 1024), (512, 512), (600, 600)])
def test_chains_of_pointer_objects_stop_at_1024_links(anchor_length, added_length):
    """Too long to build in every generated example: the cap by itself."""
    anchors = [_Halx.new_cHalx() for _ in range(anchor_length)]
    added = [_Halx.new_cHalx() for _ in range(added_length)]
    for chain in (anchors, added):
        for here, there in zip(chain, chain[1:]):
            here.append(there)
    proxy_case = Case(Holder(anchors[0]), "proxy", pointer=anchors[0], hops=1)
    check_swiginit_call([proxy_case, Case(added[0], "chain", pointer=added[0])], {})


def test_fuzzing_reached_its_call_target(capsys):
    TALLY.check(capsys)

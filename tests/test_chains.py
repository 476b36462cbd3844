"""Chains of linked pointer objects: no sequence of links makes a loop or gives
a pointer object two predecessors, and every chain is released without
recursion, whoever linked it."""

import gc
import textwrap

import _Halx
import Halx  # noqa: F401  (registers the proxy class, so owning pointer objects destroy their instance)
import pytest
from hypothesis import settings
from hypothesis import strategies as st
from hypothesis.stateful import Bundle, RuleBasedStateMachine, invariant, rule
from support import load_fault_hook

LONGEST_CHAIN = 1024
PointerObject = type(_Halx.new_cHalx())
FAULTS = load_fault_hook()  # counts the live instances on a build with the hook


class Proxy:
    pass


class Chains(RuleBasedStateMachine):
    """Links pointer objects every way the binding offers and checks, after
    each step, the shape of every chain among them. The bundles hold indices,
    so that dropping an object here really releases it."""

    pointers = Bundle("pointers")
    proxies = Bundle("proxies")

    def __init__(self):
        super().__init__()
        self.objects = []
        self.alive = None
        if FAULTS:
            # What earlier examples left goes before the instances are counted.
            # Only then: a full collection of a worker's heap (NumPy, Matplotlib
            # loaded) took most of the time of the whole suite.
            gc.collect()
            self.alive = FAULTS.instances_alive()

    def keep(self, obj):
        self.objects.append(obj)
        return len(self.objects) - 1

    @rule(target=pointers)
    def new(self):
        return self.keep(_Halx.new_cHalx())

    @rule(target=proxies, pointer=pointers)
    def proxy(self, pointer):
        proxy = Proxy()
        _Halx.cHalx_swiginit(proxy, self.objects[pointer])
        return self.keep(proxy)

    @rule(anchor=pointers, added=pointers)
    def append(self, anchor, added):
        try:
            self.objects[anchor].append(self.objects[added])
        except (ValueError, TypeError, AttributeError):  # refused, or a dropped object
            pass

    @rule(proxy=proxies, added=pointers)
    def swiginit(self, proxy, added):
        try:
            _Halx.cHalx_swiginit(self.objects[proxy], self.objects[added])
        except (ValueError, TypeError, AttributeError):
            pass

    @rule(first=proxies, second=proxies)
    def share_this(self, first, second):
        if self.objects[first] is not None and self.objects[second] is not None:
            self.objects[second].this = getattr(self.objects[first], "this", None)

    @rule(pointer=pointers)
    def delete(self, pointer):
        _Halx.delete_cHalx(self.objects[pointer])

    @rule(index=st.one_of(pointers, proxies))
    def drop(self, index):
        self.objects[index] = None

    @invariant()
    def no_loops_and_one_predecessor_each(self):
        held = [obj for obj in self.objects if type(obj) is PointerObject]
        for pointer in held:
            seen, link = set(), pointer
            while link is not None:
                assert id(link) not in seen, "a chain loops"
                seen.add(id(link))
                link = link.next()
            assert len(seen) <= LONGEST_CHAIN
            repr(pointer)
        linked = [id(s) for s in (p.next() for p in held) if s is not None]
        assert len(linked) == len(set(linked)), "a pointer object has two predecessors"

    def teardown(self):
        self.objects.clear()
        if FAULTS:
            gc.collect()
            assert FAULTS.instances_alive() == self.alive, "an instance was not freed exactly once"


TestChains = Chains.TestCase
TestChains.settings = settings(max_examples=100, stateful_step_count=25, deadline=None)


@pytest.mark.parametrize(
    "links, refused",
    [
        ("a.append(c)", "b.append(c)"),  # c behind two pointer objects
        ("a.append(c)", "b.append(c); a.append(b)"),  # ... then a loop through c
        ("x.this = a; y.this = b; _Halx.cHalx_swiginit(x, c)", "_Halx.cHalx_swiginit(y, c)"),
        ("x.this = y.this = a; a.append(b)", "_Halx.cHalx_swiginit(y, b)"),  # two proxies, one pointer object
    ],
)
def test_links_that_would_share_a_pointer_object_are_refused(links, refused):
    a, b, c = (_Halx.new_cHalx() for _ in range(3))
    x, y = Proxy(), Proxy()
    exec(links)
    with pytest.raises(ValueError):
        exec(refused)
    assert c.next() is None and b.next() is None


PEER_CHAINS = {
    # Behind one of ours, a chain grown by the peer's own append.
    "peer chain behind ours": """
        head = _Halx.new_cHalx()
        first = halx_peer.peer_char_pointer()
        head.append(first)
        for _ in range(300_000):
            first.append(halx_peer.peer_char_pointer())
        del first
    """,
    # Ours and the peer's in turn, each of ours linked by the peer's append.
    "alternating": """
        head = link = halx_peer.peer_char_pointer()
        for _ in range(150_000):
            ours = _Halx.new_cHalx()
            link.append(ours)
            link = halx_peer.peer_char_pointer()
            ours.append(link)
        del ours, link
    """,
}


@pytest.mark.keeps_memory  # builds the peers with the C++ toolchain
@pytest.mark.parametrize("build", PEER_CHAINS)
def test_a_chain_of_any_length_is_released_without_recursion(run_with_peer, build):
    code = "import gc, _Halx, Halx, halx_peer\n" + textwrap.dedent(PEER_CHAINS[build])
    assert run_with_peer(code + "del head\ngc.collect()\nprint('released')") == ["released"]

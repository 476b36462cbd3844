"""Object graphs built from the fuzzer's bytes, and the invariants they must keep.

Each input is a program: its first byte picks the class registered at the
start, then each operation takes one byte for its kind and further bytes for
its operands. The operations make instances and pointer objects through
_Halx, Halx and two SWIG-made peers (halx_owner owns instances of its own;
halx_peer only wraps pointers), link them, share them between proxies
(stored, slotted, computed and fake `this`), flip ownership, register
classes, delete through either module, drop references and call every
function of _Halx with the objects at hand.

After each operation: the process is alive (the sanitizers end it at the
first bad access), every result equals the model (tests/reference.py for the
numbers, the rules below for instances, ownership and links), every
exception is the documented one. After the input, with everything dropped
and collected: the instances that _Halx and halx_owner created equal those
that they freed, unless an operation allowed a leak by design (a disowned
instance, a class that does not free, a link made by the peer's own append).

Sequences whose outcome rests on the peer alone are never built: the peer's
own search follows loops forever and reads any object named SwigPyObject, its
delete frees whatever address it finds, owning or not, and a second owner
made with acquire() can make it free twice. The harness keeps to the peer's
safe ground instead of reporting the peer's faults as ours.
"""

import ctypes
import gc
import math
import sys
from typing import Callable, List, Optional, Set

import _Halx
import Halx
import halx_owner
import halx_peer
import reference
from proxies import Holder
from swig_pointers import HALX_DESCRIPTOR, descriptor_of

MAX_THIS_READS = 64  # the search along `this` reads at most this many attributes
MAX_CHAIN = 1024  # links one chain of pointer objects may have
MAX_SLOTS = 24  # objects at hand at once
PROPAGATED = (KeyboardInterrupt, SystemExit, MemoryError)  # never swallowed by a lookup
NOT_A_POINTER = "Attempt to append a non SwigPyObject"
MISSING = object()
FRESH = "a new owning pointer object on every read"

OURS = type(_Halx.new_cHalx())
PEER_TYPES = (type(halx_owner.cHalx().this), type(halx_peer.peer_char_pointer()))
POINTER_TYPES = (OURS,) + PEER_TYPES

# The counting hooks of the test build (HALX_FAULT_INJECTION=ON); absent otherwise.
_library = ctypes.CDLL(_Halx.__file__)
if hasattr(_library, "halx_instances_created"):
    _library.halx_instances_created.restype = _library.halx_instances_freed.restype = ctypes.c_long
else:
    _library = None


# Failing destroy callables are registered on purpose; their reports would only be noise.
sys.unraisablehook = lambda unraisable: None


def counts() -> Optional[int]:
    """Instances created minus instances freed, over both modules; None
    without the counting hooks."""
    if _library is None:
        return None
    made = _library.halx_instances_created() + halx_owner.owner_constructed_count()
    return made - _library.halx_instances_freed() - halx_owner.owner_destroyed_count()


def freed_by_us() -> int:
    return _library.halx_instances_freed() if _library is not None else 0


# --- Objects that carry `this` (besides proxies.Holder, which stores it) -----------------------
class SlotHolder:
    __slots__ = ("this",)

    def __init__(self, this):
        self.this = this


class ForwardThis:
    """A computed `this` that returns a stored object."""

    def __init__(self, target):
        self.target = target

    @property
    def this(self):
        return self.target


class RaisingThis:
    def __init__(self, kind):
        self.kind = kind

    @property
    def this(self):
        raise self.kind("this")


class FreshThis:
    @property
    def this(self):
        return _Halx.new_cHalx()


class BadBool:
    def __bool__(self):
        raise ZeroDivisionError("no truth value")


# Objects that a careless check takes for pointer objects: any class named SwigPyObject.
FakePlain = type("SwigPyObject", (), {})
FakeSlots = type("SwigPyObject", (), {"__slots__": ("ptr", "ty", "own", "next")})


class ClaimsType:
    """Not a class, though isinstance(obj, type) says it is."""

    __class__ = property(lambda self: type)
    __swig_destroy__ = _Halx.delete_cHalx


class NoDestroy:
    pass


class RecordingDestroy:
    __swig_destroy__ = staticmethod(lambda pointer: int(pointer))


class FailingDestroy:
    __swig_destroy__ = staticmethod(lambda pointer: 1 / 0)


class UncallableDestroy:
    __swig_destroy__ = 42


PLAIN_CARRIERS = (Holder, SlotHolder, Halx.cHalx, NoDestroy, RecordingDestroy, FailingDestroy, UncallableDestroy)


# --- The model ---------------------------------------------------------------------------------
def is_pointer(obj) -> bool:
    return type(obj) in POINTER_TYPES


def stored_this(obj):
    """`obj.this` where reading it runs no code of the harness; MISSING otherwise."""
    if isinstance(obj, ForwardThis):
        return obj.target
    if isinstance(obj, (RaisingThis, FreshThis)):
        return MISSING
    return getattr(obj, "this", MISSING)


def find(obj):
    """What the search along `this` yields for a non-None argument: a
    pointer object, FRESH, None (refused) or an exception class that must
    propagate."""
    if is_pointer(obj):
        return obj
    for _ in range(MAX_THIS_READS):
        if isinstance(obj, RaisingThis):
            return obj.kind if issubclass(obj.kind, PROPAGATED) else None
        if isinstance(obj, FreshThis):
            return FRESH
        obj = stored_this(obj)
        if obj is MISSING:
            return None
        if is_pointer(obj):
            return obj
    return None


def chain(pointer, limit: int = 4 * MAX_CHAIN) -> list:
    """The pointer object and those linked behind it, up to `limit` or the
    first repeat (a loop)."""
    links, seen = [], set()
    while pointer is not None and len(links) < limit and id(pointer) not in seen:
        seen.add(id(pointer))
        links.append(pointer)
        pointer = pointer.next()
    return links


def loops(pointer) -> bool:
    links = chain(pointer)
    return len(links) == 4 * MAX_CHAIN or (links and links[-1].next() is not None)


def supplier(found):
    """The pointer object whose address an instance argument yields (the first
    "Halx::cHalx *" link within the cap), FRESH, or None."""
    if found is FRESH:
        return FRESH
    for link in chain(found, MAX_CHAIN):
        if descriptor_of(link) == HALX_DESCRIPTOR:
            return link
    return None


def peer_safe(obj) -> bool:
    """Whether the peer's own search can take `obj` without looping or
    misreading: None or a real pointer object reached through stored `this`
    of plain carriers, with a chain that ends."""
    for _ in range(MAX_THIS_READS):
        if obj is None or is_pointer(obj):
            return obj is None or not loops(obj)
        if not isinstance(obj, PLAIN_CARRIERS + (halx_owner.cHalx,)):
            return False
        obj = getattr(obj, "this", MISSING)
    return False


def live_pointers(roots) -> list:
    """Every pointer object reachable from `roots` through stored `this` and links."""
    seen, stack = {}, list(roots)
    while stack:
        obj = stack.pop()
        if id(obj) in seen:
            continue
        seen[id(obj)] = obj
        following = obj.next() if is_pointer(obj) else stored_this(obj)
        if following is not None and following is not MISSING:
            stack.append(following)
    return [obj for obj in seen.values() if is_pointer(obj)]


# --- Checking outcomes --------------------------------------------------------------------------
class Fault(AssertionError):
    pass


def attempt(function: Callable, *args):
    """(result, exception) of calling function(*args)."""
    try:
        return function(*args), None
    except BaseException as error:  # noqa: B036 - every escape is judged by the caller
        error.__traceback__ = None
        return None, error


def expect(condition: bool, message: str) -> None:
    if not condition:
        raise Fault(message)


def expect_error(error, kind, message: Optional[str] = None) -> None:
    expect(
        type(error) is kind and (message is None or str(error) == message),
        f"expected {kind.__name__}({message or ''}), got {error!r}",
    )


def expect_none(result, error) -> None:
    expect(error is None and result is None, f"expected None, got {result!r} / {error!r}")


def refusal(function: str, position: int) -> str:
    kind = "Halx::cHalx *" if position == 1 else "double"
    return f"in method '{function}', argument {position} of type '{kind}'"


# --- The interpreter ------------------------------------------------------------------------------
class Program:
    """The fuzzer's bytes, read one at a time; zeros once they run out."""

    def __init__(self, data: bytes):
        self.data, self.position = data, 0

    def __bool__(self) -> bool:
        return self.position < len(self.data)

    def byte(self) -> int:
        value = self.data[self.position] if self else 0
        self.position += 1
        return value

    def pick(self, options):
        return options[self.byte() % len(options)]


class Graph:
    """The objects at hand and what the input has allowed so far."""

    def __init__(self, program: Program):
        self.program = program
        self.objects: List[object] = []
        self.trace: List[str] = []
        self.exact = True  # no leak by design yet: every instance must be freed
        self.second_owners = False  # acquire() may have made a second owner
        self.peer_frees = False  # the peer's delete has run or may run at a release
        self.ours: Set[int] = set()  # addresses of the instances made by _Halx,
        self.theirs: Set[int] = set()  # and by the peer
        # Pointer objects whose predecessor the peer's own append gave or took
        # away: _Halx records only the links it makes, so whether it sees one
        # there is open. Held here so that their ids are never reused.
        self.unrecorded: List[object] = []

    def take(self):
        """One of the objects at hand (None when there is none)."""
        index = self.program.byte()
        return self.objects[index % len(self.objects)] if self.objects else None

    def add(self, obj) -> None:
        if len(self.objects) >= MAX_SLOTS:
            del self.objects[0]
        self.objects.append(obj)


OPERATIONS: List[Callable[[Graph], None]] = []


def operation(function):
    OPERATIONS.append(function)
    return function


@operation
def make(graph: Graph) -> None:
    kind = graph.program.pick(["proxy", "pointer", "owner"])
    graph.trace.append(f"make {kind}")
    obj = {"proxy": Halx.cHalx, "pointer": _Halx.new_cHalx, "owner": halx_owner.cHalx}[kind]()
    graph.add(obj)
    (graph.theirs if kind == "owner" else graph.ours).add(int(obj if is_pointer(obj) else obj.this))


@operation
def carry(graph: Graph) -> None:
    """An object whose `this` leads to one at hand, or that misleads."""
    target = graph.take()
    kind = graph.program.pick(["stored", "slot", "computed", "deep", "raising", "fresh", "fake", "fake slots"])
    graph.trace.append(f"carry {kind}")
    if kind == "stored":
        graph.add(Holder(target))
    elif kind == "slot":
        graph.add(SlotHolder(target))
    elif kind == "computed":
        graph.add(ForwardThis(target))
    elif kind == "deep":
        for _ in range(graph.program.pick([2, 63, 64, 65])):
            target = Holder(target)
        graph.add(target)
    elif kind == "raising":
        graph.add(
            RaisingThis(graph.program.pick([ValueError, AttributeError, KeyboardInterrupt, SystemExit, MemoryError]))
        )
    elif kind == "fresh":
        graph.add(FreshThis())
    elif kind == "fake":
        graph.add(FakePlain())
    else:
        fake = FakeSlots()
        for name in FakeSlots.__slots__:
            setattr(fake, name, graph.program.byte() - 8)
        graph.add(fake)


@operation
def peer_wrap(graph: Graph) -> None:
    """The peer wraps an address it is given (in the registered class)."""
    obj = graph.take()
    function = graph.program.pick([halx_owner.owner_alias, halx_peer.peer_identity, None])
    graph.trace.append(f"peer wrap {getattr(function, '__name__', 'char pointer')}")
    if function is None:
        graph.add(halx_peer.peer_char_pointer())
    elif peer_safe(obj):
        result, error = attempt(function, obj)
        expect(error is None or isinstance(error, Exception), f"the peer raised {error!r}")
        if error is None:
            graph.add(result)


def expected_link(graph: Graph, anchor, added):
    """The exception class a link of `added` behind `anchor` must raise, or
    None when it must succeed, or "either" where the peer's objects leave
    it open."""
    if not is_pointer(added):
        return TypeError
    anchor_links, added_links = chain(anchor), chain(added)
    if any(link is anchor for link in added_links) or any(link is added for link in anchor_links):
        return ValueError
    if loops(anchor) or loops(added):
        return ValueError
    if len(anchor_links) + len(added_links) > MAX_CHAIN:
        return ValueError
    if any(obj is added for obj in graph.unrecorded):
        return "either"
    if any(other.next() is added for other in live_pointers(graph.objects)):
        return ValueError if type(added) is OURS else "either"
    return None


def check_link(graph: Graph, anchor, added, link: Callable, spliced: bool = True) -> None:
    """Runs `link` (which puts `added` behind `anchor`) and judges it; the
    splice itself is checked when `spliced`."""
    expected = expected_link(graph, anchor, added)
    following = anchor.next()
    tail = chain(added)[-1] if expected is None else None
    result, error = attempt(link)
    if expected == "either" and error is None or expected is None:
        expect_none(result, error)
        expect(
            not spliced or anchor.next() is added and (expected == "either" or tail.next() is following),
            "the link did not splice the added chain in behind the anchor",
        )
    elif expected is TypeError:
        expect_error(error, TypeError, NOT_A_POINTER)
    else:
        expect_error(error, ValueError)


@operation
def append(graph: Graph) -> None:
    anchor, added = graph.take(), graph.take()
    graph.trace.append("append")
    if type(anchor) is OURS:
        check_link(graph, anchor, added, lambda: anchor.append(added))
    elif type(anchor) in PEER_TYPES and is_pointer(added):
        graph.unrecorded += [added, added.next()]  # it gains a predecessor; its old next loses one
        anchor.append(added)  # the peer's own, unguarded: loops and lost links are its own
        graph.exact = False


@operation
def swiginit(graph: Graph) -> None:
    proxy, added = graph.take(), graph.take()
    graph.trace.append("swiginit")
    found = find(proxy)
    if found is FRESH:
        stand_in = _Halx.new_cHalx()  # judged like the fresh object, which goes with its link
        check_link(graph, stand_in, added, lambda: _Halx.cHalx_swiginit(proxy, added), spliced=False)
    elif is_pointer(found):
        check_link(graph, found, added, lambda: _Halx.cHalx_swiginit(proxy, added))
    else:
        result, error = attempt(_Halx.cHalx_swiginit, proxy, added)
        if found is not None:  # a lookup that must not be swallowed, or a failed assignment
            expect(type(error) in (found, AttributeError), f"expected {found.__name__}, got {error!r}")
        elif type(proxy) in (Holder, SlotHolder, FakePlain):
            expect_none(result, error)
            expect(proxy.this is added, "cHalx_swiginit did not set `this`")
        else:  # nowhere to put `this`: a read-only property, no such slot, None
            expect_error(error, AttributeError)


@operation
def ownership(graph: Graph) -> None:
    pointer = graph.take()
    how = graph.program.pick(["disown", "acquire", "own True", "own False", "own bad"])
    graph.trace.append(how)
    if not is_pointer(pointer):
        return
    before = pointer.own()
    if how == "own bad":
        if type(pointer) is OURS:
            result, error = attempt(pointer.own, BadBool())
            expect_error(error, ZeroDivisionError)
            expect(pointer.own() == before, "own() changed ownership although the truth test failed")
        return
    taking = how in ("acquire", "own True")
    address = int(pointer)
    if taking and (graph.peer_frees or address and (address not in graph.ours or address in graph.theirs)):
        return  # a second owner of what the peer made or may have freed: the peer's ground
    result = pointer.acquire() if how == "acquire" else (pointer.disown() if how == "disown" else pointer.own(taking))
    expect(result is (before if how.startswith("own ") else None), f"{how} returned {result!r}")
    expect(pointer.own() is taking, f"{how} left ownership at {pointer.own()}")
    if taking:
        graph.second_owners |= not before
    elif before and address:
        graph.exact = False


REGISTRANTS = {
    # name: (object, registered through the peer's own function, takes effect, frees at release)
    "Halx": (Halx.cHalx, False, True, True),
    "Halx in a tuple": ((Halx.cHalx,), False, True, True),
    "halx_owner": (None, False, True, True),  # the peer's class, whose destroy is the peer's delete
    "halx_owner by the peer": (None, True, True, True),
    "Halx by the peer": (Halx.cHalx, True, True, True),
    "claims to be a type": (ClaimsType(), False, False, True),
    "type(cvar)": (type(_Halx.cvar), False, False, False),
    "an int": (42, False, False, False),
    "no destroy": (NoDestroy, False, True, False),
    "recording destroy": (RecordingDestroy, False, True, False),
    "failing destroy": (FailingDestroy, False, True, False),
    "uncallable destroy": (UncallableDestroy, False, True, False),
}


def register(graph: Graph, name: str) -> None:
    if name == "an object at hand":  # never a class: refused
        obj, by_peer, takes_effect, frees = graph.take(), False, False, False
    else:
        obj, by_peer, takes_effect, frees = REGISTRANTS[name]
    peers_delete = name.startswith("halx_owner")
    if peers_delete:
        obj = halx_owner.cHalx
    if peers_delete and graph.second_owners:
        return  # the peer's delete would free a second owner's instance again
    graph.trace.append(f"register {name}")
    if by_peer:
        halx_owner._halx_owner.cHalx_swigregister(obj)
    else:
        result, error = attempt(_Halx.cHalx_swigregister, obj)
        if takes_effect:
            expect_none(result, error)
        else:
            expect_error(error, TypeError)
            return
    graph.peer_frees |= peers_delete
    graph.exact &= frees


@operation
def registration(graph: Graph) -> None:
    register(graph, graph.program.pick(list(REGISTRANTS) + ["an object at hand"]))


@operation
def delete(graph: Graph) -> None:
    obj = graph.take()
    by_peer = graph.program.byte() % 3 == 0
    graph.trace.append("peer delete" if by_peer else "delete")
    if obj is None:
        return expect_none(*attempt(_Halx.delete_cHalx, None))
    found = find(obj)
    link = supplier(found) if found is FRESH or is_pointer(found) else None
    if by_peer:
        # Only through the one owner of a live instance: the peer frees
        # whatever it finds, owning or not.
        if not (peer_safe(obj) and is_pointer(link) and link.own() and int(link) and not graph.second_owners):
            return
        before = halx_owner.owner_destroyed_count()
        expect_none(*attempt(halx_owner._halx_owner.delete_cHalx, obj))
        expect(halx_owner.owner_destroyed_count() == before + 1, "the peer's delete did not destroy")
        graph.peer_frees = True
        return
    owned = link is FRESH or (link is not None and link.own() and int(link) != 0)
    before = freed_by_us()
    result, error = attempt(_Halx.delete_cHalx, obj)
    if found is not None and not is_pointer(found) and found is not FRESH:
        return expect_error(error, found)
    if link is None:
        return expect_error(error, TypeError, refusal("delete_cHalx", 1))
    expect_none(result, error)
    if link is not FRESH:
        expect(not link.own() and int(link) == 0, "delete_cHalx left its pointer object owning or holding the address")
    if _library is not None:
        freed = freed_by_us() - before
        allowed = (0, 1) if graph.second_owners and owned else (int(owned),)
        expect(
            freed in allowed,
            f"delete_cHalx through {'an ' if owned else 'a non-'}owning pointer object freed {freed} instances",
        )


def as_double(number) -> Optional[float]:
    """The number rule: floats and ints (bools included) that fit a double."""
    if type(number) not in (float, int, bool):
        return None
    try:
        return float(number)
    except OverflowError:
        return None


NUMBERS = [1000.0, 25.0, -273.15, 0.0, -0.0, 1e308, math.nan, math.inf, 1, True, 10**400, "1.5", None]


@operation
def evaluate(graph: Graph) -> None:
    """A property function with the instance argument at hand."""
    name = graph.program.pick(sorted(reference.PROPERTIES))
    correlation, count = reference.PROPERTIES[name]
    obj = graph.take()
    numbers = [graph.program.pick(NUMBERS) for _ in range(count)]
    graph.trace.append(name)
    result, error = attempt(getattr(_Halx, name), obj, *numbers)
    found = None if obj is None else find(obj)
    if found is not None and not is_pointer(found) and found is not FRESH:
        return expect_error(error, found)
    if obj is not None and supplier(found) is None:
        return expect_error(error, TypeError, refusal(name, 1))
    values = [as_double(number) for number in numbers]
    for position, value in enumerate(values, start=2):
        if value is None:
            return expect_error(error, TypeError, refusal(name, position))
    expect(error is None and reference.same_double(result, correlation(*values)), f"{name} gave {result!r} / {error!r}")


@operation
def inspect(graph: Graph) -> None:
    """The pointer object's own methods that read other objects: ==, !=, repr."""
    pointer, other = graph.take(), graph.take()
    how = graph.program.pick(["==", "!=", "repr", "method"])
    graph.trace.append(how)
    if how == "method":
        result, error = attempt(_Halx.SWIG_PyInstanceMethod_New, pointer)
        return expect(error is None and result.__func__ is pointer, "SWIG_PyInstanceMethod_New")
    if type(pointer) is not OURS:
        return
    if how == "repr":
        result, error = attempt(repr, pointer)
        return expect(error is None and result.startswith("<Swig Object of type '"), f"repr gave {error!r}")
    same = is_pointer(other) and int(other) == int(pointer) or other is pointer
    result, error = attempt((lambda: pointer == other) if how == "==" else (lambda: pointer != other))
    expect(
        error is None and result is (same if how == "==" else not same),
        f"pointer {how} {type(other).__name__} gave {result!r} / {error!r}",
    )


@operation
def long_chain(graph: Graph) -> None:
    """A chain built link by link with our append (up to the cap) or with the
    peer's own (unbounded), used once and released."""
    length = graph.program.pick([3, 1100, 300_000])
    by_peer = graph.program.byte() % 2 == 0
    graph.trace.append(f"chain of {length} by {'the peer' if by_peer else 'us'}")
    head = halx_peer.peer_char_pointer() if by_peer else _Halx.new_cHalx()
    for links in range(1, length):
        if by_peer:
            head.append(_Halx.new_cHalx())
            continue
        result, error = attempt(head.append, _Halx.new_cHalx())
        if links < MAX_CHAIN:
            expect_none(result, error)
        else:
            expect_error(error, ValueError)
            break
    expect(_Halx.cHalx_T_Melting(head, 1.0) == reference.T_Melting(1.0), "the chain's instance was not found")
    if length < MAX_CHAIN:
        graph.add(head)


@operation
def drop(graph: Graph) -> None:
    graph.trace.append("drop")
    if graph.objects:
        del graph.objects[graph.program.byte() % len(graph.objects)]
    if graph.program.byte() % 4 == 0:
        gc.collect()


def run(data: bytes) -> None:
    """Runs one input; raises Fault (or dies) on a broken invariant."""
    gc.collect()
    gc.freeze()  # what exists already is no garbage of this input: collect only the input's own objects
    program = Program(data)
    graph = Graph(program)
    start = counts()
    register(graph, "halx_owner" if program.byte() % 2 else "Halx")
    try:
        while program:
            program.pick(OPERATIONS)(graph)
    except Fault as fault:
        raise Fault(f"{fault}\n  after: {'; '.join(graph.trace)}") from None
    except BaseException as error:  # noqa: B036 - escaped where no call of ours could raise it
        raise Fault(f"{error!r} escaped\n  after: {'; '.join(graph.trace)}") from error
    exact, trace = graph.exact, graph.trace
    graph.objects.clear()
    del graph
    gc.collect()
    end = counts()
    if exact and start is not None:
        expect(
            end == start,
            f"{end - start} instances were not freed once (negative: freed twice)\n  after: {'; '.join(trace)}",
        )

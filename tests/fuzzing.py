"""The generated arguments, their verdicts and the judge that the fuzzing
files (tests/test_fuzz_*.py) share.

Each generated call gets arguments of any count, built from numbers of every
kind, float and int subclasses whose methods raise, huge ints, strings, None,
pointer objects of any descriptor, address and ownership, proxies, and
objects whose `this` raises, recurses, loops, is a property or changes
between reads. Every call must either return what the plain-Python oracle
(tests/reference.py) gives or raise exactly the exception and message that the
argument rules prescribe.

Every generated argument carries its verdict, fixed when it is built: its
value under the number rule, and the pointer object that the `this` search
reaches on its first read (objects that change between reads are judged by
that first read, which is the only one the binding makes).

How much is generated is chosen by HALX_FUZZ: unset or "default" for a quick
run, "ci" for the CI run (at least 100,000 calls over the fuzzing files,
each file checking its share in its last test), "long" for a long local run
(see CONTRIBUTING.md).
"""

import gc
import math
import os
import re
from dataclasses import dataclass
from typing import Optional

import _Halx
import Halx
import pytest
import reference
from hypothesis import HealthCheck, settings
from hypothesis import strategies as st
from proxies import Holder, RaisingThis
from swig_pointers import CHAR_DESCRIPTOR, HALX_DESCRIPTOR, PointerObject, chain_of, forge_pointer, supplier_of

# --- How much to generate ------------------------------------------------------------------
_COMMON = dict(
    deadline=None,
    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large, HealthCheck.filter_too_much],
)
settings.register_profile("halx-default", max_examples=40, **_COMMON)
settings.register_profile("halx-ci", max_examples=1300, **_COMMON)
settings.register_profile("halx-long", max_examples=40_000, **_COMMON)
PROFILE = os.environ.get("HALX_FUZZ", "default")
if PROFILE not in ("default", "ci", "long"):
    raise ValueError(f"HALX_FUZZ={PROFILE!r}: use 'default', 'ci' or 'long'")
FUZZ = settings.get_profile(f"halx-{PROFILE}")


class Tally:
    """The generated calls of one fuzzing file and the file's share of the
    target: `ci_calls` under HALX_FUZZ=ci, ten times as many under "long",
    none by default. The shares add up to 100,000, each at least a ninth below
    what its file made in measured "ci" runs (113,000 calls over the five). A
    file runs whole in one process (xdist's --dist loadfile), so its last test
    sees the whole count."""

    counting: Optional["Tally"] = None  # the tally of the fuzz test running now

    def __init__(self, tests: int, ci_calls: int):
        self.tests, self.finished, self.made, self.returned = tests, set(), 0, 0
        self.target = {"default": 0, "ci": ci_calls, "long": 10 * ci_calls}[PROFILE]

    def done(self, test: str) -> None:
        """Counts the calls from here on against this file; `test` has run."""
        Tally.counting = self
        self.finished.add(test)

    def check(self, capsys) -> None:
        if len(self.finished) < self.tests:
            pytest.skip("only part of the fuzzing ran")
        with capsys.disabled():
            print(
                f"\n[fuzz] profile {PROFILE}: {self.made} generated calls into _Halx and cvar, "
                f"{self.returned} of them returned"
            )
        assert self.made >= self.target


# Messages and limits of the binding's link rules.
NOT_A_POINTER = "Attempt to append a non SwigPyObject"
ALREADY_LINKED = "Attempt to append a SwigPyObject that is already linked to this one"
CHAIN_TOO_LONG = "Attempt to append beyond 1024 linked SwigPyObjects"
SHARES_A_NODE = "Attempt to append a chain of SwigPyObjects that shares one with this chain"
HAS_A_PREDECESSOR = "Attempt to append a SwigPyObject that another one already links to"
MAX_CHAIN = 1024
MAX_THIS_HOPS = 64


# --- The argument rules, written out again -------------------------------------------------------
#: Flat function name -> (plain-Python correlation, argument count including the instance).
PROPERTIES = {name: (correlation, numbers + 1) for name, (correlation, numbers) in reference.PROPERTIES.items()}
CONSTANTS = {"MolarMass": 0.058443, "T_Triple": 800.7, "P_Triple": 0.0005}


def as_double(value: object) -> Optional[float]:
    """The number rule: the stored value of a float (no __float__ called), an
    int converted as int.__float__ converts it, whatever an int subclass
    overrides; None for anything else and for ints beyond the range of a
    double. By type, as the binding checks: isinstance would consult __class__."""
    if issubclass(type(value), float):
        return float.__float__(value)
    if issubclass(type(value), int):
        try:
            return int.__float__(value)
        except OverflowError:
            return None
    return None


def count_message(name: str, expected: int, got: int) -> str:
    return f"{name} expected {expected} arguments, got {got}"


def refusal_message(function: str, position: int) -> str:
    kind = "Halx::cHalx *" if position == 1 else "double"
    return f"in method '{function}', argument {position} of type '{kind}'"


_ARRAY_PROTOCOLS = ("__array_ufunc__", "__array__", "__array_interface__", "__array_function__")


def method_refusal(function: str, position: int, value) -> Optional[str]:
    """What the proxy's method says instead of refusal_message(function, position)
    when the refused number is array-like: the position as the caller counts
    it and the function of the package that takes it; None otherwise."""
    # By type, as the method checks: isinstance would consult __class__.
    array_like = issubclass(type(value), (list, tuple)) or any(hasattr(type(value), name) for name in _ARRAY_PROTOCOLS)
    if position == 1 or not array_like:
        return None
    name = function[len("cHalx_") :]
    row = next(row for row in Halx._table.PROPERTIES if row.name == name)
    argument = row.arguments[position - 2]
    return (
        f"cHalx.{name}(): argument {position - 1}, {argument.name} ({argument.quantity} in {argument.unit}), "
        f"must be a float or int, not {type(value).__module__}.{type(value).__qualname__}; "
        f"Halx.{name} takes NumPy scalars and arrays"
    ).replace(" not builtins.", " not ")


# --- Generated arguments and their verdicts ----------------------------------------------------
FRESH = "a new pointer object on every read"


@dataclass(eq=False)
class Case:
    """A generated argument. `number`: its value under the number rule, None
    when refused. `pointer`: the pointer object its `this` search reaches
    (itself for a pointer object), FRESH, or None. `hops`: reads of `this`
    needed to get there. `raises`: an exception that the search must let
    through (KeyboardInterrupt, SystemExit, MemoryError), raised by read
    `raise_at` of `this`. `keep`: objects that must outlive the argument."""

    obj: object
    label: str
    number: Optional[float] = None
    pointer: object = None
    hops: int = 0
    keep: tuple = ()
    raises: Optional[BaseException] = None
    raise_at: int = 0

    def __repr__(self) -> str:
        return self.label


def number_case(value: object, label: Optional[str] = None) -> Case:
    return Case(value, label or f"{type(value).__name__}:{value!r}", number=as_double(value))


def reached(case: Case):
    """The pointer object behind `case` within the binding's 64 reads of `this`."""
    return case.pointer if case.pointer is not None and case.hops <= MAX_THIS_HOPS else None


PROPAGATED = (KeyboardInterrupt, SystemExit, MemoryError)


def propagated(case: Case) -> Optional["Raises"]:
    """The exception that the `this` search lets through for `case`, if any."""
    if case.raises is None or case.raise_at > MAX_THIS_HOPS:
        return None
    return Raises(type(case.raises), str(case.raises))


# Pointer objects that a link has given a predecessor (id -> the object, held
# so that its id stays its own); cleared after each example.
PREDECESSORS: dict = {}


def instance_verdict(case: Case):
    """(accepted, supplier): whether the instance rule accepts the argument,
    and the pointer object that supplies the address (None or FRESH when
    there is no persistent one)."""
    if case.obj is None:
        return True, None
    pointer = reached(case)
    if pointer is None:
        return False, None
    if pointer is FRESH:
        return True, FRESH
    supplier = supplier_of(pointer)
    return supplier is not None, supplier


# Numbers and things that are not numbers.
def with_bad_methods(base: type, *methods: str) -> type:
    """A subclass of `base` whose `methods` raise: the binding must call none of them."""

    def refuse(method):
        def refused(self, *args):
            raise RuntimeError(f"{method} must not be called")

        return refused

    name = f"{base.__name__.capitalize()}WithBadMethods"
    namespace = {method: refuse(method) for method in methods}
    namespace["__repr__"] = lambda self: f"{name}({base.__repr__(self)})"
    return type(name, (base,), namespace)


# The number rule reads the stored value of a float, and converts an int from its digits.
FloatWithBadMethods = with_bad_methods(float, "__float__", "__index__", "__eq__", "__hash__")
IntWithBadMethods = with_bad_methods(int, "__float__", "__index__", "__int__", "__eq__", "__hash__")


class ConvertsItself:
    """Offers every numeric conversion without being a float or an int."""

    def __init__(self, value):
        self.value = value

    def __float__(self):
        return float(self.value)

    def __index__(self):
        return int(self.value)

    def __int__(self):
        return int(self.value)

    def __repr__(self):
        return f"ConvertsItself({self.value!r})"


DOUBLE_LIMIT = 2**1024 - 2**970  # the smallest int that rounds beyond the largest double
SPECIAL_FLOATS = [
    0.0,
    -0.0,
    1.0,
    -1.0,
    -273.15,
    -273.15 + 2**-44,
    -273.15 - 2**-44,
    800.7,
    0.0005,
    5e-324,
    -5e-324,
    2.2250738585072014e-308,
    1.7976931348623157e308,
    -1.7976931348623157e308,
    1e300,
    -1e300,
    6553.5,
    12000.0,
    -1200.0,
    math.inf,
    -math.inf,
    math.nan,
    -math.nan,
]
SPECIAL_INTS = [
    0,
    1,
    -1,
    True,
    False,
    2**53 + 1,
    10**400,
    -(10**400),
    DOUBLE_LIMIT - 1,
    DOUBLE_LIMIT,
    -(DOUBLE_LIMIT - 1),
    -DOUBLE_LIMIT,
    2**1024,
    2**63,
    -(2**63) - 1,
]

floats = st.one_of(st.floats(), st.sampled_from(SPECIAL_FLOATS))
ints = st.one_of(st.integers(), st.integers(min_value=-(2**1100), max_value=2**1100), st.sampled_from(SPECIAL_INTS))
numbers = st.one_of(
    floats.map(number_case),
    ints.map(number_case),
    floats.map(lambda x: number_case(FloatWithBadMethods(x))),
    ints.map(lambda n: number_case(IntWithBadMethods(n))),
)
non_numbers = st.one_of(
    st.text(max_size=6).map(number_case),
    st.sampled_from(["1.5", "nan", "inf", "800.7", " 2 ", "0x10"]).map(number_case),
    st.binary(max_size=4).map(number_case),
    st.decimals(allow_nan=True).map(number_case),
    st.fractions().map(number_case),
    st.complex_numbers().map(number_case),
    st.one_of(floats, ints).map(lambda v: number_case(ConvertsItself(v))),
    st.sampled_from([[1.0], (1.0,), {}, set(), Ellipsis, NotImplemented, object, len]).map(number_case),
    st.builds(lambda: Case(object(), "object()")),
)


# Pointer objects.
def live_pointer() -> Case:
    pointer = _Halx.new_cHalx()
    return Case(pointer, "new_cHalx()", pointer=pointer)


def disowned_alias() -> Case:
    owner = _Halx.new_cHalx()
    alias = forge_pointer(int(owner), HALX_DESCRIPTOR)
    return Case(alias, "non-owning alias", pointer=alias, keep=(owner,))


def deleted_pointer() -> Case:
    pointer = _Halx.new_cHalx()
    _Halx.delete_cHalx(pointer)
    return Case(pointer, "deleted pointer", pointer=pointer)


def forged_pointer(address: int, char: bool, own: bool) -> Case:
    descriptor = CHAR_DESCRIPTOR if char else HALX_DESCRIPTOR
    pointer = forge_pointer(address, descriptor, own=own and not char)
    kind = "char *" if char else ("owning Halx::cHalx *" if own else "Halx::cHalx *")
    return Case(pointer, f"forged {kind} at {address:#x}", pointer=pointer)


def linked(cases: list) -> Case:
    head = cases[0].obj
    for case in cases[1:]:
        head.append(case.obj)
        PREDECESSORS[id(case.obj)] = case.obj
    keep = tuple(k for case in cases for k in (case.obj, *case.keep))
    return Case(head, " -> ".join(case.label for case in cases), pointer=head, keep=keep)


single_pointers = st.one_of(
    st.builds(live_pointer),
    st.builds(disowned_alias),
    st.builds(deleted_pointer),
    st.builds(forged_pointer, st.integers(min_value=0, max_value=2**64 - 1), st.booleans(), st.booleans()),
)
pointers = st.one_of(single_pointers, st.lists(single_pointers, min_size=2, max_size=4).map(linked))


# Proxies: objects that lead to a pointer object through `this` (Holder: in its instance dictionary).
class Blank:
    """Has no `this` until cHalx_swiginit gives it one."""

    def __repr__(self):
        return "<Blank>"


class SlotProxy:
    __slots__ = ("this",)


class ShadowedSlotProxy(SlotProxy):
    """Its `this` property hides the slot of its base: the slot holds a decoy
    that a lookup reading the slot directly would wrongly find."""

    __slots__ = ("_target",)

    def __init__(self, target, decoy):
        SlotProxy.this.__set__(self, decoy)
        self._target = target

    @property
    def this(self):
        return self._target


class HookProxy:
    """Serves `this` from __getattr__ only."""

    def __init__(self, target):
        self._target = target

    def __getattr__(self, name):
        if name == "this":
            return self._target
        raise AttributeError(name)


class FloatProxy(float):
    pass


class IntProxy(int):
    pass


def proxy(inner: Case, how: str, value) -> Case:
    """An object whose `this` is inner.obj, by the mechanism `how`."""
    target = inner.obj
    number = None
    if how == "class attribute" and hasattr(type(target), "__get__"):
        how = "attribute"  # a descriptor would be bound, not returned
    if how == "attribute":
        obj = Holder(target)
    elif how == "class attribute":
        obj = type("ClassProxy", (), {"this": target})()
    elif how == "property":
        obj = type("PropertyProxy", (), {"this": property(lambda self: target)})()
    elif how == "__getattr__":
        obj = HookProxy(target)
    elif how == "slot":
        obj = SlotProxy()
        obj.this = target
    elif how == "slot under a property":
        decoy = 42 if instance_verdict(inner)[0] else _Halx.new_cHalx()
        obj = ShadowedSlotProxy(target, decoy)
    elif how == "float subclass":
        obj = FloatProxy(value)
        obj.this = target
        number = as_double(obj)
    else:  # int subclass
        obj = IntProxy(int(value) if math.isfinite(value) else 7)
        obj.this = target
        number = number_case(obj).number
    pointer = inner.pointer
    return Case(
        obj,
        f"{how}({inner.label})",
        number=number,
        pointer=pointer,
        hops=inner.hops + 1 if pointer is not None else 0,
        keep=(inner,),
        raises=inner.raises,
        raise_at=inner.raise_at + 1,
    )


PROXY_WAYS = [
    "attribute",
    "class attribute",
    "property",
    "__getattr__",
    "slot",
    "slot under a property",
    "float subclass",
    "int subclass",
]


def deep_proxy(inner: Case, depth: int) -> Case:
    """`depth` proxies stacked on inner; beyond 64 reads the search gives up."""
    obj = inner.obj
    for _ in range(depth):
        obj = Holder(obj)
    pointer = inner.pointer
    return Case(
        obj,
        f"{depth} proxies over {inner.label}",
        pointer=pointer,
        hops=inner.hops + depth if pointer is not None else 0,
        keep=(inner,),
        raises=inner.raises,
        raise_at=inner.raise_at + depth,
    )


class Interrupt(BaseException):
    """Not an Exception: the search must discard it all the same."""


class RecursingThis:
    """`this` reads itself until the interpreter's recursion limit ends it.

    The collector is paused while it recurses: a collection at that depth
    calls Hypothesis's gc callback, which swallows the RecursionError it meets
    there, and CPython 3.8 then raises none at the limit and aborts a little
    deeper ("Cannot recover from stack overflow").
    """

    @property
    def this(self):
        if not gc.isenabled():
            return self.this
        gc.disable()
        try:
            return self.this
        finally:
            gc.enable()


class HostileGetattribute:
    def __getattribute__(self, name):
        raise RuntimeError(f"no attribute may be read: {name}")


class ChangingThis:
    """Hands out the next of its outcomes on each read of `this`."""

    def __init__(self, outcomes):
        self._outcomes = outcomes
        self.reads = 0

    @property
    def this(self):
        outcome = self._outcomes[min(self.reads, len(self._outcomes) - 1)]
        self.reads += 1
        if isinstance(outcome, BaseException):
            raise outcome
        return outcome.obj


class FreshThis:
    """A new owning pointer object on every read."""

    @property
    def this(self):
        return _Halx.new_cHalx()


def raising_this(error) -> Case:
    raises = error if isinstance(error, PROPAGATED) else None
    return Case(RaisingThis(error), f"this raises {type(error).__name__}", raises=raises, raise_at=1)


def looping(length: int) -> Case:
    objects = [Holder(None) for _ in range(length)]
    for here, there in zip(objects, objects[1:] + objects[:1]):
        here.this = there
    return Case(objects[0], f"this loop of {length}", keep=tuple(objects))


def changing(outcomes: list) -> Case:
    first = outcomes[0]
    label = "changing this: " + ", ".join(
        type(o).__name__ if isinstance(o, BaseException) else o.label for o in outcomes
    )
    if isinstance(first, BaseException):
        raises = first if isinstance(first, PROPAGATED) else None
        return Case(ChangingThis(outcomes), label, keep=tuple(outcomes), raises=raises, raise_at=1)
    pointer = first.pointer
    return Case(
        ChangingThis(outcomes),
        label,
        pointer=pointer,
        hops=first.hops + 1 if pointer is not None else 0,
        keep=tuple(outcomes),
        raises=first.raises,
        raise_at=first.raise_at + 1,
    )


def halx_proxy() -> Case:
    obj = Halx.cHalx()
    return Case(obj, "Halx.cHalx()", pointer=obj.this, hops=1)


def deleted_halx_proxy() -> Case:
    obj = Halx.cHalx()
    _Halx.delete_cHalx(obj)
    return Case(obj, "Halx.cHalx() after delete_cHalx", pointer=obj.this, hops=1)


# A new exception per draw: raising one instance again and again would grow its traceback.
errors = st.sampled_from(
    [
        ValueError,
        AttributeError,
        RuntimeError,
        TypeError,
        KeyError,
        MemoryError,
        StopIteration,
        Interrupt,
        KeyboardInterrupt,
        SystemExit,
    ]
).map(lambda kind: kind("this"))

instances = st.deferred(
    lambda: st.one_of(
        pointers,
        pointers,
        st.builds(halx_proxy),
        st.builds(deleted_halx_proxy),
        st.builds(proxy, instances | anything, st.sampled_from(PROXY_WAYS), floats),
        st.builds(deep_proxy, pointers, st.sampled_from([2, 63, 64, 65, 80])),
        errors.map(raising_this),
        st.builds(lambda: Case(RecursingThis(), "this recurses")),
        st.builds(lambda: Case(HostileGetattribute(), "__getattribute__ raises")),
        st.integers(min_value=1, max_value=3).map(looping),
        st.lists(instances | errors, min_size=2, max_size=3).map(changing),
        st.builds(lambda: Case(FreshThis(), "fresh pointer on every read", pointer=FRESH, hops=1)),
    )
)
none_case = st.builds(lambda: Case(None, "None"))
anything = st.one_of(numbers, non_numbers, none_case, instances)


# --- Calling and judging ------------------------------------------------------------------------
@dataclass
class Raises:
    kind: type
    message: str  # exact text, or a pattern when `pattern` is set
    pattern: bool = False


def keyword_refusal(name: str) -> Raises:
    return Raises(TypeError, rf"(_Halx\.)?{name}\(\) takes no keyword arguments", pattern=True)


def one_argument_refusal(name: str, given_count: int) -> Raises:
    return Raises(TypeError, rf"(_Halx\.)?{name}\(\) takes exactly one argument \({given_count} given\)", pattern=True)


def call(function, cases, keywords=None):
    """Calls `function` with the generated arguments; returns (result, error)."""
    tally = Tally.counting
    if tally is not None:
        tally.made += 1
    args = [case.obj for case in cases]
    kwargs = {key: case.obj for key, case in (keywords or {}).items()}
    try:
        result = function(*args, **kwargs)
    except BaseException as error:  # noqa: B036 - every escape is a finding
        return None, error
    if tally is not None:
        tally.returned += 1
    return result, None


def assert_raised(error, expected: Raises, result=None):
    assert error is not None, f"expected {expected.kind.__name__}({expected.message!r}), got {result!r}"
    assert type(error) is expected.kind, f"expected {expected.kind.__name__}, got {error!r}"
    if expected.pattern:
        assert re.fullmatch(expected.message, str(error)), f"{str(error)!r} !~ {expected.message!r}"
    else:
        assert str(error) == expected.message
    # A discarded conversion or lookup error must not ride along.
    assert error.__cause__ is None and error.__context__ is None


def assert_returned(result, error):
    if error is not None:
        raise AssertionError(f"unexpected {error!r}") from error


def expected_property(name: str, cases: list, keywords: dict):
    """Raises(...) or the float the oracle gives."""
    correlation, count = PROPERTIES[name]
    if keywords:
        return keyword_refusal(name)
    if len(cases) != count:
        return Raises(TypeError, count_message(name, count, len(cases)))
    if propagated(cases[0]):
        return propagated(cases[0])
    if not instance_verdict(cases[0])[0]:
        return Raises(TypeError, refusal_message(name, 1))
    values = []
    for position, case in enumerate(cases[1:], start=2):
        if case.number is None:
            return Raises(TypeError, refusal_message(name, position))
        values.append(case.number)
    return correlation(*values)


def check_property_call(name: str, cases: list, keywords: dict, via_proxy: bool = False):
    expected = expected_property(name, cases, keywords)
    if via_proxy:  # the proxy's method puts the proxy in front of the arguments
        method = getattr(cases[0].obj, name[len("cHalx_") :])
        result, error = call(method, cases[1:], keywords)
        if keywords:  # refused by the interpreter, which names the method called
            expected = Raises(TypeError, rf"(Halx\.)?{method.__name__}\(\) takes no keyword arguments", pattern=True)
        elif isinstance(expected, Raises) and len(cases) == PROPERTIES[name][1]:
            for position, case in enumerate(cases[1:], start=2):
                if expected.message == refusal_message(name, position):
                    expected = Raises(TypeError, method_refusal(name, position, case.obj) or expected.message)
    else:
        result, error = call(getattr(_Halx, name), cases, keywords)
    if isinstance(expected, Raises):
        assert_raised(error, expected, result)
    else:
        assert_returned(result, error)
        assert type(result) is float
        assert reference.same_double(result, expected), f"{result!r} != {expected!r}"


keyword_sets = st.one_of(
    st.just({}),
    st.just({}),
    st.just({}),
    st.just({}),
    st.dictionaries(st.sampled_from(["T", "P", "self", "args"]), anything, min_size=1, max_size=2),
)


# --- Attaching ---------------------------------------------------------------------------------
def check_swiginit_call(cases: list, keywords: dict):
    if keywords:
        result, error = call(_Halx.cHalx_swiginit, cases, keywords)
        return assert_raised(error, keyword_refusal("cHalx_swiginit"), result)
    if len(cases) != 2:
        result, error = call(_Halx.cHalx_swiginit, cases, keywords)
        return assert_raised(error, Raises(TypeError, count_message("swiginit", 2, len(cases))), result)
    target, added = cases[0].obj, cases[1].obj
    if propagated(cases[0]):
        result, error = call(_Halx.cHalx_swiginit, cases)
        return assert_raised(error, propagated(cases[0]), result)
    anchor = reached(cases[0])
    if anchor is None:
        # No pointer object behind the proxy: the call is `target.this = added`.
        result, error = call(_Halx.cHalx_swiginit, cases)
        if error is not None:
            try:
                target.this = added
            except BaseException as again:  # noqa: B036
                assert (type(again), str(again)) == (type(error), str(error))
            else:
                raise AssertionError(f"cHalx_swiginit raised {error!r} where the assignment works")
            return None
        assert result is None
        if type(target) is Blank:
            assert target.this is added
        return None
    if type(added) is not PointerObject:
        result, error = call(_Halx.cHalx_swiginit, cases)
        return assert_raised(error, Raises(TypeError, NOT_A_POINTER), result)
    anchor_chain = [] if anchor is FRESH else chain_of(anchor)
    added_chain = chain_of(added)
    if max(len(anchor_chain), 1) + len(added_chain) > MAX_CHAIN:
        expected = Raises(ValueError, CHAIN_TOO_LONG)
    elif any(link is added for link in anchor_chain) or any(link is anchor for link in added_chain):
        expected = Raises(ValueError, ALREADY_LINKED)
    elif {id(link) for link in anchor_chain} & {id(link) for link in added_chain}:
        expected = Raises(ValueError, SHARES_A_NODE)
    elif id(added) in PREDECESSORS:
        expected = Raises(ValueError, HAS_A_PREDECESSOR)
    else:
        expected = None
    following = anchor.next() if anchor is not FRESH else None
    result, error = call(_Halx.cHalx_swiginit, cases)
    if expected is not None:
        return assert_raised(error, expected, result)
    assert_returned(result, error)
    assert result is None
    if anchor is not FRESH:  # spliced in: anchor, the added chain, then what followed anchor
        assert anchor.next() is added and added_chain[-1].next() is following
        PREDECESSORS[id(added)] = added
    return None


# --- cvar ----------------------------------------------------------------------------------------
names = st.one_of(
    st.sampled_from(
        [
            "MolarMass",
            "T_Triple",
            "P_Triple",
            "molarmass",
            "T_triple",
            "P_Triple ",
            " MolarMass",
            "__class__",
            "__dict__",
            "__doc__",
            "this",
            "cvar",
            "",
            "MolarMass\x00junk",
            "T_Triple\x00",
            "\x00P_Triple",
            "Température",
            "P_Triple\U0001f9c2",
        ]
    ),
    st.text(max_size=12),
    st.text(alphabet=st.characters(min_codepoint=0xD800, max_codepoint=0xDFFF), min_size=1, max_size=3),
    st.sampled_from(["MolarMass", "T_Triple", "unknown"]).map(with_bad_methods(str, "__eq__", "__hash__")),
    st.sampled_from([5, None, b"T_Triple", 1.5, ("T_Triple",)]),
)


def expected_cvar(operation: str, name):
    """Raises(...) or ("value", v) for the operation on cvar."""
    if not issubclass(type(name), str):
        probe = {"get": getattr, "has": hasattr, "del": delattr}.get(operation)
        try:  # the interpreter refuses the name before the object sees it
            probe(object(), name) if probe else setattr(object(), name, None)
        except TypeError as error:
            return Raises(TypeError, str(error))
        raise AssertionError(f"{name!r} is accepted as an attribute name")
    try:
        key = str.encode(name, "utf-8").split(b"\x00")[0].decode("utf-8")
    except UnicodeEncodeError as error:
        return Raises(UnicodeEncodeError, str(error))
    known = key in CONSTANTS
    if operation == "has":
        return ("value", known)
    if operation == "get" and known:
        return ("value", CONSTANTS[key])
    if operation in ("set", "del") and known:
        return Raises(AttributeError, f"Variable {key} is read-only.")
    return Raises(AttributeError, f"Unknown C global variable '{key}'")


def cvar_operation(operation: str, name, value):
    def run(*_):
        cvar = _Halx.cvar
        if operation == "get":
            return getattr(cvar, name)
        if operation == "has":
            return hasattr(cvar, name)
        if operation == "set":
            return setattr(cvar, name, value)
        if operation == "del":
            return delattr(cvar, name)
        if operation == "dir":
            return dir(cvar)
        if operation == "str":
            return str(cvar)
        return repr(cvar)

    return run


WHOLE_OBJECT = {"dir": [], "str": "(P_Triple, T_Triple, MolarMass)", "repr": "<Swig global variables>"}


def check_cvar_call(operation: str, name, value) -> None:
    result, error = call(cvar_operation(operation, name, value), [])
    expected = ("value", WHOLE_OBJECT[operation]) if operation in WHOLE_OBJECT else expected_cvar(operation, name)
    if isinstance(expected, Raises):
        assert_raised(error, expected, result)
    else:
        assert_returned(result, error)
        assert type(result) is type(expected[1]) and result == expected[1]

"""The argument rules: counts, instance arguments, number arguments, refusal order."""

import decimal
import fractions
import math

import _Halx
import Halx
import pytest
import reference
from proxies import Holder, RaisingThis

pytestmark = pytest.mark.memcheck

PROPERTY_ARITY = {name: arity + 1 for name, (_, arity) in reference.PROPERTIES.items()}


def message(function, k, type_name):
    return f"in method '{function}', argument {k} of type '{type_name}'"


def raises_exactly(exception, text, function, *args):
    with pytest.raises(exception) as caught:
        function(*args)
    assert type(caught.value) is exception
    assert str(caught.value) == text


# --- Counts ---------------------------------------------------------------------


@pytest.mark.parametrize(
    "name, given",
    [(name, given) for name in sorted(PROPERTY_ARITY) for given in range(5) if given != PROPERTY_ARITY[name]],
)
def test_wrong_argument_counts_are_refused_before_any_argument_is_read(name, given):
    expected = PROPERTY_ARITY[name]
    args = ["not a number"] * given  # would be refused as arguments if they were read
    raises_exactly(TypeError, f"{name} expected {expected} arguments, got {given}", getattr(_Halx, name), *args)


@pytest.mark.parametrize(
    "call, text",
    [
        (lambda: _Halx.cHalx_swiginit(object()), "swiginit expected 2 arguments, got 1"),
        (lambda: _Halx.cHalx_swiginit(), "swiginit expected 2 arguments, got 0"),
        (lambda: _Halx.cHalx_swigregister(()), "swigregister expected 1 arguments, got 0"),
        (lambda: _Halx.cHalx_swigregister((Halx.cHalx, Halx.cHalx)), "swigregister expected 1 arguments, got 2"),
    ],
)
def test_count_messages_of_the_lifecycle_functions(call, text):
    with pytest.raises(TypeError, match=f"^{text}$"):
        call()


@pytest.mark.parametrize("name", ["new_cHalx", "delete_cHalx", "SWIG_PyInstanceMethod_New", "cHalx_swigregister"])
def test_the_interpreter_enforces_fixed_arity_and_refuses_keywords(name):
    function = getattr(_Halx, name)
    with pytest.raises(TypeError):
        function(None, None)
    with pytest.raises(TypeError):
        function(x=None)


def test_no_function_accepts_keywords():
    for name in PROPERTY_ARITY:
        with pytest.raises(TypeError):
            getattr(_Halx, name)(None, T=1.0)


# --- Numbers ----------------------------------------------------------------------


class FloatSubclass(float):
    def __float__(self):
        raise AssertionError("the stored value must be used")


class IntSubclass(int):
    def __index__(self):
        raise AssertionError("the stored value must be used")


class ConvertsToFloat:
    def __float__(self):
        return 1.0

    def __index__(self):
        return 1


@pytest.mark.parametrize(
    "value, as_double",
    [
        (1, 1.0),
        (True, 1.0),
        (False, 0.0),
        (-7, -7.0),
        (2**53 + 1, float(2**53 + 1)),
        (FloatSubclass(2.5), 2.5),
        (IntSubclass(3), 3.0),
        (10**308, 1e308),
    ],
)
def test_ints_and_subclasses_count_as_their_stored_value(value, as_double):
    assert _Halx.cHalx_T_Melting(None, value) == _Halx.cHalx_T_Melting(None, as_double)
    assert _Halx.cHalx_Rho_Liquid(None, 900, value) == _Halx.cHalx_Rho_Liquid(None, 900.0, as_double)


@pytest.mark.parametrize(
    "value",
    [
        "1000",
        "nan",
        None,
        b"1",
        decimal.Decimal("1.5"),
        fractions.Fraction(1, 2),
        1j,
        ConvertsToFloat(),
        [1.0],
        10**400,
        -(10**400),
    ],
    ids=lambda value: type(value).__name__ if type(value).__repr__ is object.__repr__ else repr(value),
)
@pytest.mark.parametrize("name", sorted(PROPERTY_ARITY))
def test_non_numbers_and_huge_ints_are_refused_with_the_argument_message(name, value):
    function = getattr(_Halx, name)
    raises_exactly(TypeError, message(name, 2, "double"), function, None, value, *([1.0] * (PROPERTY_ARITY[name] - 2)))
    if PROPERTY_ARITY[name] == 3:
        raises_exactly(TypeError, message(name, 3, "double"), function, None, 1.0, value)


def test_the_first_refused_argument_wins():
    h = Halx.cHalx()
    raises_exactly(TypeError, message("cHalx_Rho_Solid", 2, "double"), _Halx.cHalx_Rho_Solid, h, "a", "b")
    raises_exactly(TypeError, message("cHalx_Rho_Solid", 1, "Halx::cHalx *"), _Halx.cHalx_Rho_Solid, 42, "a", "b")


def test_no_exception_is_left_behind_by_a_refused_huge_int():
    with pytest.raises(TypeError) as caught:
        _Halx.cHalx_P_Boiling(None, 10**400)
    assert caught.value.__context__ is None


# --- Instances -----------------------------------------------------------------------


@pytest.mark.parametrize("name", sorted(PROPERTY_ARITY))
def test_none_a_pointer_object_and_proxies_at_any_depth_give_the_same_value(name):
    h = Halx.cHalx()
    numbers = [900.0, 100.0][: PROPERTY_ARITY[name] - 1]
    function = getattr(_Halx, name)
    expected = function(None, *numbers)
    for instance in (h, h.this, Holder(h.this), Holder(Holder(h.this)), Holder(h)):
        assert function(instance, *numbers) == expected


@pytest.mark.parametrize(
    "instance",
    [42, "h", 1.0, object(), Holder(42), RaisingThis(), Holder(RaisingThis()), (None,), [None]],
    ids=["42", "'h'", "1.0", "object()", "Holder(42)", "RaisingThis()", "Holder(RaisingThis())", "(None,)", "[None]"],
)
@pytest.mark.parametrize("name", sorted(PROPERTY_ARITY) + ["delete_cHalx"])
def test_objects_without_an_instance_are_refused_with_the_argument_one_message(name, instance):
    function = getattr(_Halx, name)
    numbers = [1.0] * (PROPERTY_ARITY.get(name, 1) - 1)
    with pytest.raises(TypeError) as caught:
        function(instance, *numbers)
    assert str(caught.value) == message(name, 1, "Halx::cHalx *")
    assert caught.value.__context__ is None  # the lookup's own error was discarded


def test_a_tuple_holding_a_pointer_object_is_not_unpacked_by_delete():
    p = _Halx.new_cHalx()
    raises_exactly(TypeError, message("delete_cHalx", 1, "Halx::cHalx *"), _Halx.delete_cHalx, (p,))
    _Halx.delete_cHalx(p)


def test_property_functions_accept_float_nan_and_infinities_unchanged():
    assert math.isnan(_Halx.cHalx_T_Melting(None, math.nan))
    assert _Halx.cHalx_T_Melting(None, math.inf) == math.inf

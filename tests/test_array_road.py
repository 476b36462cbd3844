"""The road of NumPy input: one number rule on both paths, the calls of the
functions of Halx.ufunc refused as Python refuses them, and the pass that
finds the numbers outside a span."""

import ctypes
import ctypes.util
import math
import platform
import sys

import Halx
import pytest
import reference
from hypothesis import given
from hypothesis import strategies as st

np = pytest.importorskip("numpy")
from Halx import _ufuncs, ufunc  # noqa: E402
from hypothesis.extra import numpy as hnp  # noqa: E402

pytestmark = [pytest.mark.keeps_memory, pytest.mark.filterwarnings("ignore::Halx.RangeWarning")]


class StoredFloat(float):
    """A float whose __float__ gives another number: the stored one counts."""

    def __float__(self):
        return 2.0


class StoredInt(int):
    """An int whose conversion methods give another number: its value counts."""

    def __float__(self):
        return 2.0

    def __index__(self):
        return 2


# A Python number as given, and the double that both paths must read it as.
PYTHON_NUMBERS = {
    "int beyond int64": (2**64, 18446744073709551616.0),
    "int 10**30": (10**30, 1e30),
    "negative int beyond int64": (-(2**70), -1.1805916207174113e21),
    "bool": (True, 1.0),
    "float subclass": (StoredFloat(1000.0), 1000.0),
    "int subclass": (StoredInt(1000), 1000.0),
}


@pytest.mark.parametrize("case", PYTHON_NUMBERS)
@pytest.mark.parametrize("name", ["T_Melting", "H_MeltingCurve"])
def test_a_python_number_is_read_alike_by_the_function_and_the_ufunc(name, case):
    given, value = PYTHON_NUMBERS[case]
    with np.errstate(all="ignore"):
        expected = float(getattr(reference, name)(value)).hex()
        scalar, array = getattr(Halx, name)(given), getattr(ufunc, name)(given)
        # Beside a NumPy array, on the road and off it (where= given), the same.
        beside = [float(ufunc.Rho_Liquid(given, np.ones(1), **options)[0]).hex() for options in ({}, {"where": True})]
    assert type(scalar) is float and type(array) is np.float64
    assert scalar.hex() == float(array).hex() == expected
    assert beside == [float(reference.Rho_Liquid(value, 1.0)).hex()] * 2


@pytest.mark.parametrize("given", [10**400, -(10**400)], ids=["10**400", "-10**400"])
def test_an_int_beyond_a_double_is_refused_alike_on_both_paths(given):
    message = r"^T_Melting\(\): P \(pressure in bar\) is an int too large for a double$"
    for function in (Halx.T_Melting, ufunc.T_Melting, lambda P: ufunc.T_Melting(P, where=True)):
        with pytest.raises(OverflowError, match=message):
            function(given)


# Functions of the same signatures as those of Halx.ufunc, for CPython's own refusals.
def P_Boiling(T, /, out=None, **kwargs):
    pass


def Rho_Liquid(T, P, /, out=None, **kwargs):
    pass


# Calls that no function of Halx.ufunc takes, given the number of its inputs.
REFUSED_CALLS = {
    "no argument": lambda inputs: ((), {}),
    "one input short": lambda inputs: ((1.0,) * (inputs - 1), {}),
    "two positional too many": lambda inputs: ((1.0,) * (inputs + 2), {}),
    "out twice": lambda inputs: ((1.0,) * inputs + (None,), {"out": None}),
    "out twice, and too many": lambda inputs: ((1.0,) * (inputs + 2), {"out": None}),
    "too few, and out": lambda inputs: ((), {"out": None}),
    "inputs by name": lambda inputs: ((), {"T": 1.0, "P": 1.0}),
}


@pytest.mark.parametrize("call", REFUSED_CALLS)
@pytest.mark.parametrize("python", [P_Boiling, Rho_Liquid], ids=lambda function: function.__name__)
def test_a_call_is_refused_as_python_refuses_it(python, call):
    arguments, keywords = REFUSED_CALLS[call](python.__code__.co_argcount - 1)
    with pytest.raises(TypeError) as expected:
        python(*arguments, **keywords)
    with pytest.raises(TypeError) as refused:
        getattr(ufunc, python.__name__)(*arguments, **keywords)
    assert str(refused.value) == str(expected.value)


def test_out_is_taken_by_position_or_name_and_other_options_reach_numpy():
    T = np.array([900.0, 1000.0, 1100.0])
    expected = _ufuncs.P_Boiling(T)
    by_position, by_name = np.empty(3), np.empty(3)
    assert ufunc.P_Boiling(T, by_position) is by_position and ufunc.P_Boiling(T, out=by_name) is by_name
    assert by_position.tobytes() == by_name.tobytes() == expected.tobytes()
    masked = np.zeros(3)
    ufunc.P_Boiling(T, out=masked, where=np.array([True, False, True]))
    assert masked[1] == 0.0 and masked[2] == expected[2]
    with pytest.raises(TypeError, match="keyword.* 'T'|'T' is an invalid keyword"):  # NumPy's words
        ufunc.P_Boiling(T, T=1.0)


def test_a_function_of_halx_ufunc_binds_as_a_python_function_does():
    class Holder:
        melting = ufunc.T_Melting

    assert Holder.melting is ufunc.T_Melting
    with pytest.raises(TypeError, match=r"takes from 1 to 2 positional arguments but 3 were given"):
        Holder().melting(1.0, None)


def _layouts(values):
    """values as given, strided, as float32 (when they fit) and as a Fortran-ordered 2-D array."""
    yield values
    yield np.repeat(values, 2)[::2]
    if values.size % 2 == 0:
        yield np.asfortranarray(values.reshape(2, -1))
    with np.errstate(all="ignore"):
        yield values.astype(np.float32)


@given(
    values=hnp.arrays(np.float64, st.integers(0, 40), elements=st.floats(allow_subnormal=False, width=64)),
    bounds=st.lists(st.floats(-1e300, 1e300), min_size=2, max_size=2).map(sorted),
)
def test_find_outside_counts_and_finds_the_first_in_c_order(values, bounds):
    low, high = bounds
    for layout in _layouts(values):
        as_read = np.ravel(layout, order="C").astype(np.float64)  # as the loops read it
        with np.errstate(invalid="ignore"):
            outside = (as_read < low) | (as_read > high)
        first = float(as_read[outside][0]) if outside.any() else None
        assert _ufuncs.find_outside(layout, low, high) == (int(outside.sum()), first)


@pytest.mark.skipif(
    not sys.platform.startswith("linux") or platform.machine() != "x86_64", reason="x86-64 Linux flag values"
)
def test_finding_the_numbers_outside_raises_no_floating_point_flag():
    libm = ctypes.CDLL(ctypes.util.find_library("m"))
    invalid, every_flag = 0x01, 0x3D  # FE_INVALID and FE_ALL_EXCEPT of x86-64 glibc
    values = np.array([math.nan, 1.0e9, -math.inf, 5.0] * 9)
    libm.feclearexcept(every_flag)
    assert _ufuncs.find_outside(values, 0.0, 10.0) == (18, 1.0e9)
    assert libm.fetestexcept(invalid) == 0

"""Halx.RangeWarning: an argument outside its plausible span warns, with the likely slip, and changes no number."""

import math
import struct
import threading
import warnings

import _Halx
import Halx
import pytest
from Halx import cli

np = pytest.importorskip("numpy")
from Halx import _ufuncs, ufunc  # noqa: E402
from Halx._plausible import spans_of  # noqa: E402
from Halx._table import PROPERTIES  # noqa: E402

pytestmark = pytest.mark.keeps_memory  # NumPy

# The ways a user's line reaches a property: the scalar function, the function
# of Halx.ufunc over an array (contiguous, with the value last behind NaN, in
# the tail that the SIMD kernels evaluate element by element; strided),
# Halx.evaluate, and the scalar function handing an array or NumPy scalars to
# Halx.ufunc.
PATHS = {
    "scalar": lambda name, *args: getattr(Halx, name)(*args),
    "ufunc": lambda name, *args: getattr(ufunc, name)(*(np.append(np.full(4, np.nan), value) for value in args)),
    "strided ufunc": lambda name, *args: getattr(ufunc, name)(*(np.full(6, value)[::3] for value in args)),
    "evaluate": lambda name, *args: Halx.evaluate(name, *args),
    "function over an array": lambda name, *args: getattr(Halx, name)(*(np.array([value]) for value in args)),
    "function over NumPy scalars": lambda name, *args: getattr(Halx, name)(*map(np.float64, args)),
}

# (property, arguments, what the message must say, the slip it names or None):
# a temperature in kelvin (1400 °C is plausible for a solid, 1673.15 °C is
# not), pressures in pascals, a liquid at room temperature (no slip lands in
# its span) and NaN, which never warns, beside a pressure in pascals.
SLIPS = [
    ("Rho_Solid", (1673.15, 1.0), "Rho_Solid: T = 1673.15 °C", "is it in kelvin? that would be 1400 °C"),
    ("T_Melting", (1.0e5,), "T_Melting: P = 100000 bar", "is it in pascals (1 bar), kilopascals (1000 bar)"),
    ("T_Sublimation", (50.0,), "T_Sublimation: P = 50 bar", "is it in pascals (0.0005 bar)?"),
    ("Rho_Liquid", (25.0, 1.0), "Rho_Liquid: T = 25 °C", None),
    ("Rho_Liquid", (math.nan, 1.0e9), "Rho_Liquid: P = 1e+09 bar", "is it in pascals (10000 bar)?"),
]
SPANS = {"T_Melting": "0 to 60000 bar", "T_Sublimation": "0 to 0.01 bar", "Rho_Solid": "-273.15 to 1500 °C"}


def bits(value):
    return [struct.pack("<d", float(element)).hex() for element in np.ravel(value)]


@pytest.mark.parametrize("path", PATHS)
@pytest.mark.parametrize("name, arguments, value, slip", SLIPS, ids=lambda case: str(case))
def test_a_slip_warns_once_per_call_site_with_span_and_slip(path, name, arguments, value, slip):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("default", Halx.RangeWarning)
        for _ in range(3):
            PATHS[path](name, *arguments)
    assert len(caught) == 1, [str(warning.message) for warning in caught]
    warning = caught[0]
    assert warning.category is Halx.RangeWarning and issubclass(Halx.RangeWarning, UserWarning)
    assert warning.filename == __file__  # the caller's line, not one inside Halx
    message = str(warning.message)
    assert message.startswith(value) and SPANS.get(name, "") in message, message
    assert (slip in message) if slip else ("is it in" not in message), message


@pytest.mark.parametrize("path", PATHS)
def test_error_filter_raises_and_ignore_silences_leaving_the_number(path):
    expected = Halx.cHalx().Rho_Solid(1673.15, 1.0)
    with warnings.catch_warnings():
        warnings.simplefilter("error", Halx.RangeWarning)
        with pytest.raises(Halx.RangeWarning, match="kelvin"):
            PATHS[path]("Rho_Solid", 1673.15, 1.0)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("ignore", Halx.RangeWarning)
        value = PATHS[path]("Rho_Solid", 1673.15, 1.0)
    assert caught == [] and bits(value)[-1] == bits(expected)[0]


@pytest.mark.parametrize(
    "call",
    [
        lambda: Halx.Rho_Solid(1400.0, 5.9e4),  # inside both spans
        lambda: Halx.P_Boiling(math.nan),
        lambda: ufunc.Rho_Liquid(np.array([900.0, np.nan]), np.array([np.nan, 1.0])),
        lambda: ufunc.Rho_Solid(np.array([25.0, 5000.0]), 1.0, out=np.zeros(2), where=np.array([True, False])),
        lambda: ufunc.T_Melting(np.array([], dtype=np.float64)),
        lambda: Halx.cHalx().Rho_Solid(1.0e4, 1.0e9),
        lambda: _Halx.cHalx_T_Melting(None, 1.0e9),
        lambda: _ufuncs.Rho_Solid(np.array([1.0e4]), 1.0e9),
    ],
    ids=["in span", "NaN", "NaN in arrays", "masked by where", "empty", "method", "binding", "raw ufunc"],
)
def test_what_never_warns(call):
    with warnings.catch_warnings():
        warnings.simplefilter("error", Halx.RangeWarning)
        call()


def test_each_implausible_argument_warns_on_its_own():
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always", Halx.RangeWarning)
        ufunc.Rho_Solid(np.array([25.0, 1673.15, 1673.15]), np.array([1.0, 1.0, 2.0e5]))
    messages = [str(warning.message) for warning in caught]
    assert len(messages) == 2
    assert "T = 1673.15 °C" in messages[0] and "2 of 3 values of T are outside it" in messages[0]
    assert "P = 200000 bar" in messages[1] and "1 of 3 values of P" in messages[1]


def test_a_quantity_is_checked_in_the_tables_unit():
    pint = pytest.importorskip("pint")
    units = pint.UnitRegistry()
    with warnings.catch_warnings():
        warnings.simplefilter("error", Halx.RangeWarning)
        ufunc.T_Melting(units.Quantity(np.array([1.0e5]), "Pa"))  # 1 bar
        with pytest.raises(Halx.RangeWarning, match="is it in kelvin"):
            ufunc.Rho_Solid(units.Quantity(np.array([1673.15]), "degC"), units.Quantity(1.0, "bar"))


def test_the_command_line_reports_a_slip_in_its_own_line(capsys):
    assert cli.main(["eval", "Rho_Solid", "1673.15", "1", "25", "1"]) == 0
    err = capsys.readouterr().err.splitlines()
    assert err[0].startswith("halx: warning: Rho_Solid: T = 1673.15 °C lies outside")
    assert "is it in kelvin? that would be 1400 °C; 1 of 2 points are outside" in err[0]
    assert len(err) == 2 and "RangeWarning" not in "".join(err)


# --- The check inside the ufunc loops --------------------------------------------
# Arrays are held against the spans by the loops themselves, as they evaluate
# them. One property per kind of loop: the SIMD kernels of one and of two
# inputs, and the loops over the scalar model of one and two inputs, doubles
# or a phase code. LENGTH spans two strided blocks of 256 and ends in a tail
# after the last full vector of every width.
ROWS = {row.name: row for row in PROPERTIES}
FUSED = ["T_Melting", "Rho_Liquid", "H_Vaporization", "Alpha_Solid", "phase"]
KERNEL_PROPERTIES = [row.name for row in PROPERTIES if row.kernel]
LENGTH = 301
LAYOUTS = {
    "contiguous": lambda array: array,
    "strided": lambda array: np.repeat(array, 2)[::2],
    "float32": lambda array: array.astype(np.float32),
}


def _inputs_with(name, argument, position, value, length=LENGTH):
    """Arrays of the inputs of name, each in the middle of its span, with value at position of one argument."""
    arrays = [np.full(length, (low + high) / 2) for low, high in spans_of(ROWS[name])]
    arrays[argument][position] = value
    return arrays


def _outside_value(name, argument):
    low, high = spans_of(ROWS[name])[argument]
    return high + (high - low)


def _call(function, arrays):
    """function(*arrays), and the warnings it gave, NumPy's floating-point ones among them."""
    with warnings.catch_warnings(record=True) as caught, np.errstate(all="warn"):
        warnings.simplefilter("always")
        result = function(*arrays)
    return result, [(warning.category, str(warning.message)) for warning in caught]


@pytest.mark.parametrize("layout", LAYOUTS)
@pytest.mark.parametrize("position", [0, LENGTH // 2, LENGTH - 1])
@pytest.mark.parametrize("name", FUSED)
def test_an_element_outside_warns_once_wherever_it_lies_and_nan_never(name, position, layout):
    argument = position % len(ROWS[name].arguments)
    for value, expected in ((_outside_value(name, argument), 1), (math.nan, 0)):
        arrays = [LAYOUTS[layout](array) for array in _inputs_with(name, argument, position, value)]
        raw, raw_warnings = _call(getattr(_ufuncs, name), arrays)
        result, caught = _call(getattr(ufunc, name), arrays)
        ranges = [message for category, message in caught if category is Halx.RangeWarning]
        others = [(category, message) for category, message in caught if category is not Halx.RangeWarning]
        assert len(ranges) == expected, ranges
        assert all(message.startswith(f"{name}: {ROWS[name].arguments[argument].name} = ") for message in ranges)
        assert others == raw_warnings  # the comparisons raise no floating-point flag, NaN included
        assert bits(result) == bits(raw)


@pytest.mark.parametrize("kernels", ["plain", "sse2", "avx2", "avx512"])
def test_every_kernel_set_flags_an_element_outside_in_any_lane_and_the_tail(kernels, python_subprocess):
    cases = [
        (name, argument, [list(spans) for spans in spans_of(ROWS[name])], _outside_value(name, argument))
        for name in KERNEL_PROPERTIES
        for argument in range(len(ROWS[name].arguments))
    ]
    run = python_subprocess(
        f"""
        import numpy as np
        from Halx import _ufuncs
        assert _ufuncs.kernels == "{kernels}", _ufuncs.kernels
        # Every lane of a vector of 2, 4 or 8 doubles and the tail after it; a strided run too.
        places = [(length, position) for length in (1, 7, 8, 9, 17) for position in range(length)]
        places += [(300, 0), (300, 150), (300, 299)]
        for name, argument, spans, outside in {cases!r}:
            for length, position in places:
                for value, expected in ((outside, True), (float("nan"), False)):
                    arrays = [np.full(length, (low + high) / 2) for low, high in spans]
                    arrays[argument][position] = value
                    for layout in (lambda a: a, lambda a: np.repeat(a, 2)[::2]):
                        _ufuncs.checked[name](*map(layout, arrays))
                        if _ufuncs.take_outside() != expected:
                            print(name, argument, length, position, value)
        """,
        env_extra={"HALX_SIMD": kernels},
    )
    if "no such SIMD kernel set" in run.stderr:
        pytest.skip(f"this build or CPU has no {kernels} kernels")
    assert run.returncode == 0 and run.stdout == "", run.stdout + run.stderr


def test_each_thread_sees_only_its_own_flag_and_raw_ufuncs_set_none():
    size = 10**5  # long enough for NumPy to run the loop without the GIL
    inside = np.full(size, 1.0)
    outside = inside.copy()
    outside[-1] = 1.0e9
    checked = _ufuncs.checked["T_Melting"]
    _ufuncs.take_outside()
    _ufuncs.T_Melting(outside)
    assert _ufuncs.take_outside() is False
    leaver = threading.Thread(target=checked, args=(outside,))  # leaves its own flag set, unread
    leaver.start()
    leaver.join()
    assert _ufuncs.take_outside() is False
    barrier = threading.Barrier(2)
    seen = {}

    def run(array):
        barrier.wait()
        seen[array is outside] = {(checked(array), _ufuncs.take_outside())[1] for _ in range(40)}

    threads = [threading.Thread(target=run, args=(array,)) for array in (inside, outside)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert seen == {False: {False}, True: {True}}


def test_a_stale_flag_never_warns_and_an_input_given_as_out_is_checked_before_it_is_overwritten():
    _ufuncs.checked["T_Melting"](np.array([1.0e9]))  # leaves this thread's flag set, unread
    with warnings.catch_warnings():
        warnings.simplefilter("error", Halx.RangeWarning)
        ufunc.T_Melting(np.array([1.0]))
        pressures = np.array([1.0, 2.0e5])
        with pytest.raises(Halx.RangeWarning, match="P = 200000 bar"):
            ufunc.T_Melting(pressures, out=pressures)
        with pytest.raises(Halx.RangeWarning, match="P = 200000 bar"):
            ufunc.T_Melting(pressures, out=np.empty(2))

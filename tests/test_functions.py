"""Every property as a function of the package: one function for numbers and
arrays, the look-up by name, and the proxy's pointer to those functions."""

import _Halx
import Halx
import pytest
from Halx._table import PROPERTIES

np = pytest.importorskip("numpy")
from Halx import ufunc  # noqa: E402

# The numbers are checked far outside the plausible spans on purpose (Halx.RangeWarning
# has its tests in test_range_warning.py).
pytestmark = [pytest.mark.keeps_memory, pytest.mark.filterwarnings("ignore::Halx.RangeWarning")]

# A state whose numbers every input kind holds exactly (float32 and int included).
STATE = {"T": 901, "P": 3}


def _pint(value, unit):
    pint = pytest.importorskip("pint")
    return pint.get_application_registry().Quantity(value, {"°C": "degC"}.get(unit, unit))


def _xarray(value, unit):
    return pytest.importorskip("xarray").DataArray([value])


def _dask(value, unit):
    return pytest.importorskip("dask.array").from_array(np.array([value], dtype=np.float64), chunks=1)


#: input kind -> (how a number in the argument's unit becomes one, the result type for a
#: float result and for the phase; None: whatever Halx.ufunc gives for the same input).
KINDS = {
    "float": (lambda value, unit: float(value), float, Halx.Phase),
    "int": (lambda value, unit: int(value), float, Halx.Phase),
    "numpy.int64": (lambda value, unit: np.arange(value, value + 1)[0], np.float64, np.int8),
    "numpy.float32": (lambda value, unit: np.float32(value), np.float64, np.int8),
    "numpy.float64": (lambda value, unit: np.float64(value), np.float64, np.int8),
    "list": (lambda value, unit: [value], np.ndarray, np.ndarray),
    "ndarray": (lambda value, unit: np.array([value], dtype=np.float64), np.ndarray, np.ndarray),
    "xarray": (_xarray, None, None),
    "dask": (_dask, None, None),
    "pint": (_pint, None, None),
}


@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("row", PROPERTIES, ids=lambda row: row.name)
def test_each_function_takes_numbers_and_arrays_and_gives_the_methods_doubles(row, kind):
    make, float_type, phase_type = KINDS[kind]
    numbers = [float(STATE[argument.name]) for argument in row.arguments]
    # The reference double: the method of cHalx for the bound properties, the ufunc over float64 for the others.
    if row.bound:
        expected = getattr(Halx.cHalx(), row.name)(*numbers)
    else:
        expected = getattr(ufunc, row.name)(*np.array(numbers))
    inputs = [make(STATE[argument.name], argument.unit) for argument in row.arguments]
    result = getattr(Halx, row.name)(*inputs)
    wanted = phase_type if row.result == "phase" else float_type
    through_ufunc = getattr(ufunc, row.name)(*inputs)
    assert type(result) is (wanted or type(through_ufunc))
    plain = getattr(result, "magnitude", result)
    plain = np.asarray(plain.compute() if kind == "dask" else plain)
    assert plain.size == 1 and float(plain.item()).hex() == float(expected).hex()


@pytest.mark.parametrize(
    "arguments, keywords, outcome",
    [
        (("Rho_Liquid",), {"T": 900.0, "P": 100.0}, Halx.Rho_Liquid(900.0, 100.0)),
        (("Rho_Liquid", 900.0), {"P": 100}, Halx.Rho_Liquid(900.0, 100.0)),
        (("P_Boiling", 1000.0), {}, Halx.cHalx().P_Boiling(1000.0)),
        (("phase", 1000.0, 1.0), {}, Halx.Phase.LIQUID),
        (("T_Triple",), {}, 800.7),
        (("P_boiling", 1000.0), {}, ValueError(r"^unknown property 'P_boiling' \(did you mean P_Boiling\?\); choose")),
        (("Density",), {"T": 1.0}, ValueError(r"^unknown property 'Density'; choose one of P_Boiling, .*, P_Triple$")),
        (
            ("Rho_Liquid",),
            {"T": 900.0},
            TypeError(r"takes T \(temperature in °C\) and P \(pressure in bar\); P missing$"),
        ),
        (("Rho_Liquid", 1.0), {"T": 1.0}, TypeError(r"; got T twice, by position and by name$")),
        (("T_Melting",), {"T": 1.0}, TypeError(r"^evaluate\('T_Melting'\): T_Melting takes P .*keyword argument 'T'$")),
        (("P_Boiling", 1.0, 2.0), {}, TypeError(r"takes T \(temperature in °C\); got 2 positional arguments$")),
        (
            ("MolarMass", 1.0),
            {},
            TypeError(r"^evaluate\('MolarMass'\): MolarMass is a constant and takes no arguments$"),
        ),
    ],
)
def test_evaluate_looks_a_property_up_by_name(arguments, keywords, outcome):
    if isinstance(outcome, Exception):
        with pytest.raises(type(outcome), match=str(outcome)):
            Halx.evaluate(*arguments, **keywords)
    else:
        result = Halx.evaluate(*arguments, **keywords)
        assert type(result) is type(outcome) and result == outcome


REFUSED = {"numpy.int64": np.int64(1), "numpy.float32": np.float32(1.0), "numpy.ndarray": np.zeros(2), "list": [1.0]}


@pytest.mark.parametrize("type_name", REFUSED)
@pytest.mark.parametrize("row", [row for row in PROPERTIES if row.bound], ids=lambda row: row.name)
def test_a_method_refusing_numpy_input_points_to_the_function(row, type_name):
    names, flat = [argument.name for argument in row.arguments], getattr(_Halx, "cHalx_" + row.name)
    for position, name in enumerate(names, start=1):
        arguments = [1.0] * len(names)
        arguments[position - 1] = REFUSED[type_name]
        with pytest.raises(TypeError) as raised:
            getattr(Halx.cHalx(), row.name)(*arguments)
        message = str(raised.value)
        assert message.startswith(f"cHalx.{row.name}(): argument {position}, {name} (") and "\n" not in message
        assert message.endswith(f", not {type_name}; Halx.{row.name} takes NumPy scalars and arrays")
        # The binding's flat function keeps its own message, which counts the instance.
        with pytest.raises(
            TypeError, match=rf"^in method 'cHalx_{row.name}', argument {position + 1} of type 'double'$"
        ):
            flat(None, *arguments)
    # A refused instance stays the binding's refusal: only a refused number is reworded.
    with pytest.raises(TypeError, match=rf"^in method 'cHalx_{row.name}', argument 1 of type 'Halx::cHalx \*'$"):
        getattr(Halx.cHalx, row.name)(object(), *arguments)

"""The NumPy ufuncs of Halx.ufunc: numbers, NumPy semantics, pickling,
evaluation through dask, xarray and a dask.distributed cluster, and pint
quantities converted to and from the table's units.

Expected values come from the scalar binding (bit for bit) and from the
correlations written out step by step in plain Python (tests/reference.py).
"""

import functools
import json
import math
import os
import pickle
import re
import struct
import sys

import pytest

np = pytest.importorskip("numpy")

import _Halx  # noqa: E402
import Halx  # noqa: E402
import reference  # noqa: E402  (tests/reference.py: the correlations step by step in Python)
from Halx import _functions, _ufuncs  # noqa: E402
from Halx import ufunc as hu  # noqa: E402  (after the NumPy check on purpose)
from Halx._table import PROPERTIES, plausible_spans  # noqa: E402
from support import run_python  # noqa: E402

# The samples reach outside the physical range on purpose; like NumPy's own
# ufuncs, ours report the floating-point flags the model raises there, and
# Halx.RangeWarning for inputs outside the plausible spans (its tests are in
# test_range_warning.py).
pytestmark = [
    pytest.mark.filterwarnings("ignore:(overflow|invalid value|divide by zero) encountered in:RuntimeWarning"),
    pytest.mark.filterwarnings("ignore::Halx.RangeWarning"),
    pytest.mark.keeps_memory,
]

ALL = [row.name for row in PROPERTIES]
ROWS = {row.name: row for row in PROPERTIES}
ONE_INPUT = [row.name for row in PROPERTIES if len(row.arguments) == 1]
TWO_INPUTS = [row.name for row in PROPERTIES if len(row.arguments) == 2]


def _binding(name):
    """The scalar function for name (the binding's flat function for a bound
    property), called with plain floats; a phase as its code, 0 for none."""
    if hasattr(_Halx, "cHalx_" + name):
        function = getattr(_Halx, "cHalx_" + name)
        return lambda *args: function(None, *args)
    function = getattr(_functions, name)
    if name == "phase":
        return lambda T, P: reference.NO_PHASE if reference.phase(T, P) == reference.NO_PHASE else int(function(T, P))
    return function


def _result_dtype(name):
    """float64, or int8 for the codes of the phase."""
    return np.dtype(getattr(hu, name).types[0][-1])


def _bits(values):
    values = np.asarray(values)
    return values.astype(np.int64) if values.dtype.kind in "iub" else values.astype(np.float64).view(np.uint64)


def _assert_same_bits(actual, expected, any_nan=False):
    """Bitwise equality; with any_nan, a NaN matches any NaN (sign and payload ignored)."""
    actual_bits, expected_bits = _bits(actual), _bits(expected)
    assert actual_bits.shape == expected_bits.shape
    if any_nan:
        both_nan = np.isnan(_bits(actual).view(np.float64)) & np.isnan(_bits(expected).view(np.float64))
        actual_bits = np.where(both_nan, 0, actual_bits)
        expected_bits = np.where(both_nan, 0, expected_bits)
    mismatch = np.flatnonzero(actual_bits.ravel() != expected_bits.ravel())
    assert mismatch.size == 0, (
        f"{mismatch.size} elements differ, first at {mismatch[0]}: "
        f"{np.ravel(actual)[mismatch[0]]!r} != {np.ravel(expected)[mismatch[0]]!r}"
    )


def _elementwise(function, *arrays):
    """function applied to each element (as a Python float) of the broadcast arrays."""
    broadcast = np.broadcast(*arrays)
    return np.array([function(*map(float, items)) for items in broadcast]).reshape(broadcast.shape)


EDGES = np.array(
    [
        0.0,
        -0.0,
        math.nan,
        -math.nan,
        math.inf,
        -math.inf,
        5e-324,
        -5e-324,
        2.2250738585072014e-308,
        1.7976931348623157e308,
        -1.7976931348623157e308,
        -273.15,
        np.nextafter(-273.15, 0),
        np.nextafter(-273.15, -1000),
        -273.0,
        800.7,
        0.0005,
        1.0,
        -1.0,
        1e5,
        -1e5,
        1e10,
        3.0e7,
        6.0e4,
        -6.0e4,
        1e300,
    ]
)


def _sample(seed: int, size: int) -> np.ndarray:
    """Physical values, wide values and raw bit patterns (NaN payloads too), plus every edge."""
    rng = np.random.default_rng(seed)
    physical = rng.uniform(-300.0, 2000.0, size)
    wide = rng.standard_normal(size) * 10.0 ** rng.integers(-5, 300, size)
    raw = rng.integers(0, 2**64, size, dtype=np.uint64, endpoint=False).view(np.float64)
    return np.concatenate([EDGES, physical, wide, raw])


def _inputs(name: str, seed: int, size: int = 400):
    first = _sample(seed, size)
    if name in ONE_INPUT:
        return (first,)
    second = np.random.default_rng(seed + 1).permutation(_sample(seed + 2, size))
    # Every edge value against every edge value as well.
    edges_t, edges_p = np.meshgrid(EDGES, EDGES)
    return np.concatenate([first, edges_t.ravel()]), np.concatenate([second, edges_p.ravel()])


# --- Numbers ------------------------------------------------------------------
@pytest.mark.parametrize("seed", [1, 2])
@pytest.mark.parametrize("name", ALL)
def test_every_element_is_the_scalar_bindings_double(name, seed):
    inputs = _inputs(name, seed)
    _assert_same_bits(getattr(hu, name)(*inputs), _elementwise(_binding(name), *inputs))


# The boundaries of the thermodynamic surface are iterations on the Gibbs
# energies, which the reference does not repeat: test_surface.py checks them
# by the identities they must satisfy.
@pytest.mark.parametrize("name", [name for name in ALL if hasattr(reference, name)])
def test_every_element_follows_the_correlation_step_by_step(name):
    # The reference cannot reproduce which NaN the model returns, only that it is one.
    inputs = _inputs(name, seed=7)
    expected = _elementwise(getattr(reference, name), *inputs)
    _assert_same_bits(getattr(hu, name)(*inputs), expected, any_nan=True)


def _states(name: str, size: int = 1500):
    """States where a property of the thermodynamic surface has its value (besides _inputs' edges):
    T over its plausible span, P log-uniform up to 10^4 bar, and exactly 1 bar (where a condensed
    phase's integrals vanish), in whole vectors of every kernel set."""
    rng = np.random.default_rng(31)
    low, high = plausible_spans(ROWS[name])[0]
    T = rng.uniform(low, high, size)
    if name in ONE_INPUT:
        return (T,)
    P = 10.0 ** rng.uniform(-8.0, 4.0, size)
    P[::5] = 1.0
    return T, P


# The rows of the thermodynamic surface with SIMD kernels, which see physical states besides the samples.
SURFACE_KERNELS = [row.name for row in PROPERTIES if row.kernel and row.source == "surface"]


@pytest.mark.parametrize("kernels", ["plain", "sse2", "avx2", "avx512"])
def test_every_kernel_set_gives_the_scalar_bindings_bits(kernels, python_subprocess, tmp_path):
    inputs = {name: _inputs(name, seed=21) for name in ALL}
    for name in SURFACE_KERNELS:
        inputs[name] = tuple(np.concatenate(pair) for pair in zip(inputs[name], _states(name)))
    np.savez(
        tmp_path / "inputs.npz", **{f"{name}_{i}": a for name, arrays in inputs.items() for i, a in enumerate(arrays)}
    )
    run = python_subprocess(
        f"""
        import numpy as np
        from Halx import _ufuncs
        assert _ufuncs.kernels == "{kernels}", _ufuncs.kernels
        data = np.load(r"{tmp_path / "inputs.npz"}")
        results = {{}}
        with np.errstate(all="ignore"):
            for name in {ALL!r}:
                arrays = [data[key] for key in sorted(data.files) if key.rsplit("_", 1)[0] == name]
                results[name] = getattr(_ufuncs, name)(*arrays)
                # Strided and in place too.
                results[name + "_strided"] = getattr(_ufuncs, name)(*[a[::3] for a in arrays])
                first = arrays[0].copy()
                getattr(_ufuncs, name)(first, *arrays[1:], out=first)
                results[name + "_in_place"] = first
        np.savez(r"{tmp_path / "results.npz"}", **results)
        """,
        env_extra={"HALX_SIMD": kernels},
    )
    if "no such SIMD kernel set" in run.stderr:
        pytest.skip(f"this build or CPU has no {kernels} kernels")
    assert run.returncode == 0, run.stderr
    results = np.load(tmp_path / "results.npz")
    for name, arrays in inputs.items():
        expected = _elementwise(_binding(name), *arrays)
        _assert_same_bits(results[name], expected)
        _assert_same_bits(results[name + "_strided"], expected[::3])
        if _result_dtype(name) == np.float64:  # a phase code cannot be written over its float input
            _assert_same_bits(results[name + "_in_place"], expected)


def test_automatic_kernel_set_is_the_widest_that_runs_here_and_never_sse2(python_subprocess):
    if os.environ.get("HALX_SIMD"):
        pytest.skip("HALX_SIMD forces the kernel set")
    # The refusal of an unknown set lists the sets this build and CPU run.
    refusal = python_subprocess("import Halx.ufunc", env_extra={"HALX_SIMD": "none"}).stderr
    runs_here = refusal.rsplit("use one of: ", 1)[1].split(", or unset it")[0].split(", ")
    assert _ufuncs.kernels == next(name for name in ("avx512", "avx2", "plain") if name in runs_here)


def test_the_package_names_the_kernels_before_halx_ufunc_is_imported(monkeypatch):
    # As after `import Halx` alone: the package has no attribute _ufuncs until asked for it.
    monkeypatch.delattr(Halx, "_ufuncs")
    assert Halx._ufuncs.kernels == _ufuncs.kernels in {"plain", "sse2", "avx2", "avx512"}


def test_unknown_kernel_set_refuses_to_import_and_lists_the_choices(python_subprocess):
    run = python_subprocess("import Halx.ufunc", env_extra={"HALX_SIMD": "avx9000"})
    assert run.returncode != 0
    assert (
        "ImportError: HALX_SIMD=avx9000: no such SIMD kernel set for this build and CPU; use one of: plain"
        in run.stderr
    )


@pytest.mark.parametrize(
    "name, args, expected",
    [
        # The vapour curves pass through the triple point; 10^log10(x), correctly rounded, lands one ulp low.
        ("P_Boiling", (800.7,), 0.0004999999999999999),
        ("P_Sublimation", (800.7,), 0.0004999999999999999),
        ("P_Boiling", (-273.15,), 0.0),  # 1/0 K is +inf, so the exponent is -inf
        ("T_Melting", (0.0005,), 800.7),
        ("Rho_Liquid", (25.0, -math.inf), -0.0),  # rho0 / -inf keeps the sign
        ("Rho_Solid", (math.nan, 1.0), math.nan),
    ],
)
def test_landmark_values(name, args, expected):
    _assert_same_bits(getattr(hu, name)(*args), expected)


def test_scalar_input_gives_a_float64_scalar():
    result = hu.T_Melting(1.0)
    assert type(result) is np.float64
    _assert_same_bits(result, reference.T_Melting(1.0))


# --- NumPy semantics ----------------------------------------------------------
@pytest.mark.parametrize("name", TWO_INPUTS)
@pytest.mark.parametrize(
    "shape_t, shape_p",
    [((4, 1), (1, 5)), ((), (6,)), ((6,), ()), ((2, 1, 3), (4, 1)), ((0,), (1,)), ((3, 0), (3, 1))],
)
def test_two_input_ufuncs_broadcast(name, shape_t, shape_p):
    rng = np.random.default_rng(3)
    T = rng.uniform(0.0, 1200.0, shape_t)
    P = rng.uniform(1.0, 2000.0, shape_p)
    result = getattr(hu, name)(T, P)
    assert result.shape == np.broadcast_shapes(shape_t, shape_p)
    _assert_same_bits(result, _elementwise(getattr(reference, name), T, P))


@pytest.mark.parametrize("name", ALL)
def test_out_is_filled_and_returned(name):
    inputs = _inputs(name, seed=4, size=50)
    out = np.full(inputs[0].shape, -1, dtype=_result_dtype(name))
    result = getattr(hu, name)(*inputs, out=out)
    assert result is out
    _assert_same_bits(out, getattr(hu, name)(*inputs))


@pytest.mark.parametrize("name", ALL)
def test_where_leaves_masked_elements_alone(name):
    inputs = _inputs(name, seed=5, size=50)
    where = np.random.default_rng(5).random(inputs[0].shape) < 0.5
    out = np.full(inputs[0].shape, 99, dtype=_result_dtype(name))
    getattr(hu, name)(*inputs, out=out, where=where)
    expected = np.where(where, getattr(hu, name)(*inputs), 99)
    _assert_same_bits(out, expected)


def test_in_place_output_over_the_input():
    T = np.linspace(700.0, 1400.0, 1001)
    expected = hu.P_Boiling(T)
    hu.P_Boiling(T, out=T)
    _assert_same_bits(T, expected)


def _unaligned(values: np.ndarray) -> np.ndarray:
    raw = np.zeros(values.nbytes + 1, dtype=np.uint8)
    view = raw[1:].view(np.float64)
    view[...] = values
    assert not view.flags.aligned
    return view


NON_CONTIGUOUS = {
    "every third": lambda a: a[::3],
    "reversed": lambda a: a[::-1],
    "fortran 2-d": lambda a: np.asfortranarray(a[:1200].reshape(40, 30)),
    "transposed": lambda a: a[:1200].reshape(40, 30).T,
    "broadcast row": lambda a: np.broadcast_to(a[:30], (7, 30)),
    "unaligned": _unaligned,
}


@pytest.mark.parametrize("layout", NON_CONTIGUOUS.values(), ids=NON_CONTIGUOUS.keys())
@pytest.mark.parametrize("name", ALL)
def test_strided_and_unaligned_inputs_give_the_contiguous_result(name, layout):
    inputs = [layout(np.random.default_rng(9 + i).uniform(-100.0, 1500.0, 3600)) for i in range(2)]
    inputs = inputs[: getattr(hu, name).nin]
    contiguous = [np.ascontiguousarray(a) for a in inputs]
    _assert_same_bits(getattr(hu, name)(*inputs), getattr(hu, name)(*contiguous))


def test_strided_output():
    T = np.linspace(0.0, 800.0, 300)
    out = np.zeros(900)
    hu.Rho_Solid(T, 10.0, out=out[::3])
    _assert_same_bits(out[::3], hu.Rho_Solid(T, 10.0))
    assert not out[1::3].any() and not out[2::3].any()


@pytest.mark.parametrize("dtype", [np.int8, np.int32, np.int64, np.uint16, np.uint64, np.float16, np.float32, bool])
@pytest.mark.parametrize("name", ALL)
def test_integer_and_narrow_float_inputs_are_evaluated_as_float64(name, dtype):
    # Past NumPy's buffer size, so the cast happens chunk by chunk.
    values = np.random.default_rng(11).uniform(0.0, 120.0, 20000).astype(dtype)
    inputs = [values, values[::-1].copy()][: getattr(hu, name).nin]
    result = getattr(hu, name)(*inputs)
    assert result.dtype == _result_dtype(name)
    _assert_same_bits(result, getattr(hu, name)(*[a.astype(np.float64) for a in inputs]))


def test_floating_point_flags_follow_numpy_errstate():
    # The scalar function returns NaN quietly; the ufunc lets NumPy report it.
    with np.errstate(invalid="raise"):
        with pytest.raises(FloatingPointError):
            hu.Rho_Liquid(25.0, 1e9)
    with np.errstate(all="ignore"):
        assert math.isnan(hu.Rho_Liquid(25.0, 1e9))


# Inputs at the edges of the arithmetic, as the bits of a double: zeros,
# subnormals, NaNs (quiet of both signs, signalling), infinities, the largest
# doubles, and values that make a correlation overflow, underflow or divide
# by zero, besides ordinary ones.
FLAG_INPUTS = {
    label: struct.unpack("<Q", struct.pack("<d", value))[0] if isinstance(value, float) else value
    for label, value in {
        "0": 0.0,
        "-0": -0.0,
        "5e-324": 5e-324,
        "-5e-324": -5e-324,
        "1e-310": 1e-310,
        "1e-300": 1e-300,
        "nan": math.nan,
        "-nan": -math.nan,
        "signalling nan": 0x7FF0000000000001,
        "inf": math.inf,
        "-inf": -math.inf,
        "max": 1.7976931348623157e308,
        "-max": -1.7976931348623157e308,
        "1e300": 1e300,
        "-273.15": -273.15,
        "-270": -270.0,
        "25": 25.0,
        "800.7": 800.7,
        "1e6": 1e6,
        "-1e6": -1e6,
    }.items()
}
FLAGS = ("divide", "over", "under", "invalid")
# The correlations, and a kernel of each kind of the thermodynamic surface's.
KERNEL_PROPERTIES = [name for name in ALL if hasattr(_Halx, "cHalx_" + name)] + [
    "Cp_Solid",
    "Cp_Liquid",
    "G_Vapour",
    "K_Dimer",
    "P_Vapour",
]


@functools.lru_cache(maxsize=None)
def _flags_raised(kernels):
    """{"property inputs layout": the errstate categories that raise} from a
    fresh interpreter on the named kernel set; None if it has no such set.
    "filled": 64 copies of the inputs, a whole number of vectors (and of
    blocks of vectors) of every width, so no element reaches the scalar tail;
    "one lane": the inputs at one position among ordinary values."""
    run = run_python(
        f"""
        import itertools, json
        import numpy as np
        from Halx import _ufuncs
        assert _ufuncs.kernels == "{kernels}", _ufuncs.kernels
        bits = {FLAG_INPUTS!r}
        ordinary = 900.0
        raised = {{}}
        for name in {KERNEL_PROPERTIES!r}:
            uf = getattr(_ufuncs, name)
            for labels in itertools.product(bits, repeat=uf.nin):
                filled = [np.full(64, bits[label], dtype=np.uint64).view(np.float64) for label in labels]
                one_lane = [np.full(64, ordinary) for _ in labels]
                for array, value in zip(one_lane, filled):
                    array[5] = value[0]
                for layout, arrays in (("filled", filled), ("one lane", one_lane)):
                    flags = []
                    for flag in {FLAGS!r}:
                        with np.errstate(all="ignore", **{{flag: "raise"}}):
                            try:
                                uf(*arrays)
                            except FloatingPointError:
                                flags.append(flag)
                    raised[" ".join((name,) + labels + (layout,))] = flags
        print(json.dumps(raised))
        """,
        env_extra={"HALX_SIMD": kernels},
    )
    if "no such SIMD kernel set" in run.stderr:
        return None
    assert run.returncode == 0, run.stderr
    return json.loads(run.stdout)


@pytest.mark.parametrize("kernels", ["sse2", "avx2", "avx512"])
def test_every_kernel_set_raises_the_floating_point_errors_of_the_plain_loop(kernels):
    expected = _flags_raised("plain")
    # Each category is raised by some input, so a kernel set that raised none would fail.
    assert {flag for flags in expected.values() for flag in flags} == set(FLAGS)
    actual = _flags_raised(kernels)
    if actual is None:
        pytest.skip(f"this build or CPU has no {kernels} kernels")
    differ = [f"{case}: {actual[case]} instead of {flags}" for case, flags in expected.items() if actual[case] != flags]
    assert not differ, f"{len(differ)} cases differ from the plain loop:\n" + "\n".join(differ[:20])


@pytest.mark.parametrize("kernels", ["sse2", "avx2", "avx512"])
def test_a_lane_that_sums_more_terms_than_its_scalar_function_leaves_no_flag(kernels, python_subprocess):
    # A lane whose series settles after two terms (c, and c P, near 1e-20:
    # the liquid's compression vanishes near 277.14 degC) beside one that
    # needs all sixteen: the vector pass raises underflow in the first, whose
    # scalar function stops before it.
    run = python_subprocess(
        """
        import numpy as np
        from Halx import _ufuncs
        T, P = np.array([277.1441025827311, 1400.0] * 32), np.array([0.3, 100.0] * 32)
        with np.errstate(all="raise"):
            _ufuncs.G_Liquid(T, P)
        """,
        env_extra={"HALX_SIMD": kernels},
    )
    if "no such SIMD kernel set" in run.stderr:
        pytest.skip(f"this build or CPU has no {kernels} kernels")
    assert run.returncode == 0, run.stderr


# --- Pickling -----------------------------------------------------------------
@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
@pytest.mark.parametrize("name", ALL)
def test_pickle_round_trip_gives_the_same_ufunc(name, protocol):
    uf = getattr(hu, name)
    assert pickle.loads(pickle.dumps(uf, protocol)) is uf


def test_pickle_loads_in_a_fresh_interpreter(python_subprocess):
    # A fresh process has imported nothing of ours: the pickle must name an
    # importable module, not rely on one already being in sys.modules.
    data = pickle.dumps([getattr(hu, name) for name in ALL])
    run = python_subprocess(
        f"""
        import pickle
        ufuncs = pickle.loads(bytes.fromhex("{data.hex()}"))
        import Halx.ufunc as hu
        assert all(u is getattr(hu, u.__name__) for u in ufuncs), ufuncs
        print(hu.T_Melting(1.0).hex())
        """
    )
    assert run.returncode == 0, run.stderr
    assert float.fromhex(run.stdout.strip()) == reference.T_Melting(1.0)


# --- Without NumPy --------------------------------------------------------------
def test_import_halx_works_without_numpy_and_ufunc_says_what_to_install(python_subprocess):
    run = python_subprocess(
        """
        import sys
        sys.modules["numpy"] = None  # makes "import numpy" fail
        import Halx
        assert Halx.cHalx().T_Melting(1.0) > 800.0
        try:
            import Halx.ufunc
        except ImportError as error:
            print(error)
        else:
            raise SystemExit("Halx.ufunc imported without NumPy")
        """
    )
    assert run.returncode == 0, run.stderr
    assert "needs NumPy; install it with: python -m pip install numpy" in run.stdout


def test_a_numpy_that_does_not_import_is_named_with_its_own_reason(python_subprocess):
    run = python_subprocess(
        """
        import sys

        class Broken:  # NumPy installed, but its import fails (as in a second interpreter)
            def find_spec(self, name, path=None, target=None):
                if name == "numpy":
                    raise ImportError("cannot load module more than once per process")

        sys.meta_path.insert(0, Broken())
        import Halx
        for load in (lambda: __import__("Halx.ufunc"), lambda: Halx.P_Boiling([1000.0])):
            try:
                load()
            except ImportError as error:
                print(error)
        """
    )
    assert run.returncode == 0, run.stderr
    expected = "Halx.ufunc needs NumPy, which is installed but does not import: cannot load module more than once"
    assert run.stdout.splitlines() == [expected + " per process"] * 2


# --- dask and xarray ----------------------------------------------------------
@pytest.mark.parametrize("name", ALL)
def test_dask_array_is_evaluated_lazily_chunk_by_chunk(name):
    da = pytest.importorskip("dask.array")
    inputs = _inputs(name, seed=13, size=300)
    lazy = [da.from_array(a, chunks=250) for a in inputs]
    result = getattr(hu, name)(*lazy)
    assert isinstance(result, da.Array)
    assert result.numblocks[0] > 1
    _assert_same_bits(result.compute(scheduler="threads"), getattr(hu, name)(*inputs))


def test_xarray_dataarray_keeps_its_coordinates():
    xr = pytest.importorskip("xarray")
    T = xr.DataArray([820.0, 900.0, 1000.0], dims="T", coords={"T": [820.0, 900.0, 1000.0]})
    P = xr.DataArray([1.0, 100.0], dims="P", coords={"P": [1.0, 100.0], "site": ("P", ["a", "b"])})
    result = hu.Rho_Liquid(T, P)
    assert isinstance(result, xr.DataArray)
    assert result.dims == ("T", "P")
    assert result.coords["T"].values.tolist() == [820.0, 900.0, 1000.0]
    assert result.coords["site"].values.tolist() == ["a", "b"]
    expected = _elementwise(reference.Rho_Liquid, T.values[:, None], P.values[None, :])
    _assert_same_bits(result.values, expected)


@pytest.mark.parametrize("name", ALL)
def test_xarray_result_is_named_and_labelled_as_the_property_not_its_input(name):
    xr = pytest.importorskip("xarray")
    row = ROWS[name]
    own = {"°C": {"long_name": "input's own", "units": "degC"}, "bar": {"long_name": "input's own", "units": "bar"}}
    inputs = [
        xr.DataArray(values, dims=argument.name, name=argument.name, attrs=own[argument.unit])
        for argument, values in zip(row.arguments, ([820.0, 900.0, 1000.0], [1.0, 100.0]))
    ]
    result = getattr(hu, name)(*inputs)
    labels = (
        {"flag_values": [1, 2, 3], "flag_meanings": "solid liquid vapour"}
        if row.result == "phase"
        else {"units": row.unit}
    )
    assert (result.name, result.attrs) == (name, {"long_name": row.summary, **labels})
    assert all(argument.attrs == own[row_argument.unit] for argument, row_argument in zip(inputs, row.arguments))
    plain = getattr(hu, name)(*np.ix_(*[argument.values for argument in inputs]))
    _assert_same_bits(result.values, plain)


@pytest.mark.parametrize("name", ALL)
def test_pandas_result_is_named_after_the_property_and_keeps_the_index(name):
    pd = pytest.importorskip("pandas")
    row = ROWS[name]
    first = {"°C": [820.0, 900.0, 1000.0], "bar": [1.0, 100.0, 1000.0]}[row.arguments[0].unit]
    rest = [100.0] * (len(row.arguments) - 1)  # a plain P in bar: the result would keep the Series' name
    expected = getattr(hu, name)(np.array(first), *rest)
    series = getattr(hu, name)(pd.Series(first, index=["a", "b", "c"], name=row.arguments[0].name), *rest)
    assert (type(series), series.name, series.index.tolist()) == (pd.Series, name, ["a", "b", "c"])
    _assert_same_bits(series.to_numpy(), expected)
    index = getattr(hu, name)(pd.Index(first, name=row.arguments[0].name), *rest)
    assert isinstance(index, pd.Index) and index.name == name
    _assert_same_bits(index.to_numpy(), expected)


# --- pint quantities ----------------------------------------------------------
# (property, arguments as (magnitude, unit) or plain numbers, the same in the table's units)
PINT_CASES = [
    ("P_Boiling", [(1273.15, "K")], [1000.0]),
    ("P_Sublimation", [([1292.0, 1472.0], "degF")], [[700.0, 800.0]]),
    ("T_Melting", [(100.0, "MPa")], [1000.0]),
    ("Rho_Solid", [(25.0, "degC"), (1.0, "atm")], [25.0, 1.01325]),
    ("Rho_Liquid", [(1173.15, "kelvin"), 100.0], [900.0, 100.0]),  # a plain number is in bar
]


@pytest.mark.parametrize("name, given, in_table_units", PINT_CASES, ids=[case[0] for case in PINT_CASES])
def test_pint_quantities_are_converted_and_the_result_is_in_the_property_unit(name, given, in_table_units):
    pint = pytest.importorskip("pint")
    units = pint.UnitRegistry()
    arguments = [
        units.Quantity(np.asarray(value[0]), value[1]) if isinstance(value, tuple) else value for value in given
    ]
    result = getattr(hu, name)(*arguments)
    assert isinstance(result, units.Quantity)
    assert result.units == units.Unit(ROWS[name].unit)
    expected = [_elementwise(getattr(reference, name), *np.broadcast_arrays(*map(np.asarray, in_table_units)))]
    assert result.magnitude == pytest.approx(expected[0], rel=1e-12)


def test_a_quantity_of_the_wrong_kind_is_refused_by_pint():
    pint = pytest.importorskip("pint")
    units = pint.UnitRegistry()
    with pytest.raises(pint.DimensionalityError):
        hu.T_Melting(units.Quantity(1000.0, "degC"))


def test_pint_quantities_inside_dataarrays_are_converted():
    xr = pytest.importorskip("xarray")
    pytest.importorskip("pint_xarray")
    T = xr.DataArray([1173.15, 1273.15], dims="T", name="T").pint.quantify("K")
    P = xr.DataArray([10.0, 100.0], dims="P", name="P").pint.quantify("MPa")
    result = hu.Rho_Liquid(T, P)
    assert (result.name, result.attrs) == ("Rho_Liquid", {"long_name": ROWS["Rho_Liquid"].summary})
    assert result.data.units == result.data._REGISTRY.Unit("kg/m³")
    expected = _elementwise(reference.Rho_Liquid, np.array([[900.0], [1000.0]]), np.array([[100.0, 1000.0]]))
    assert result.data.magnitude == pytest.approx(expected, rel=1e-12)


# (argument of Rho_Liquid, its units attribute (None: not set), its values, then the same values in
# the table's unit or the error's message, and whether pint can be imported)
UNITS_ATTRIBUTE_CASES = [
    ("T", None, [900.0, 1000.0], [900.0, 1000.0], True),
    ("T", "", [900.0, 1000.0], [900.0, 1000.0], True),
    ("T", "degC", [900.0, 1000.0], [900.0, 1000.0], True),
    ("T", "K", [1173.15, 1273.15], [900.0, 1000.0], True),
    ("T", "degF", [1652.0, 1832.0], [900.0, 1000.0], True),
    ("P", "MPa", [0.1, 10.0], [1.0, 100.0], True),
    ("P", "Pa", [1e5, 1e7], [1.0, 100.0], True),
    ("T", "m", [900.0, 1000.0], "attribute 'm' of T is not a unit of temperature; give T in °C", True),
    ("T", "1", [900.0, 1000.0], "attribute '1' of T is not a unit of temperature", True),
    ("P", "degC", [1.0, 100.0], "attribute 'degC' of P is not a unit of pressure; give P in bar", True),
    (
        "T",
        "furlongs_per_fortnight",
        [900.0, 1000.0],
        "attribute 'furlongs_per_fortnight' of T is not a unit pint knows",
        True,
    ),
    ("T", "K^", [900.0, 1000.0], "attribute 'K^' of T is not a unit pint knows", True),
    ("T", "degC", [900.0, 1000.0], [900.0, 1000.0], False),
    ("P", "bar", [1.0, 100.0], [1.0, 100.0], False),
    ("T", "K", [1173.15, 1273.15], "attribute 'K' of T is not °C, and converting it needs pint", False),
]


@pytest.mark.parametrize(
    "name, units, given, expected, pint_installed",
    UNITS_ATTRIBUTE_CASES,
    ids=[f"{case[0]} in {case[1]!r}" + ("" if case[4] else " without pint") for case in UNITS_ATTRIBUTE_CASES],
)
def test_units_attribute_of_a_dataarray_is_converted_or_refused(
    name, units, given, expected, pint_installed, monkeypatch
):
    xr = pytest.importorskip("xarray")
    pytest.importorskip("pint")
    if not pint_installed:
        monkeypatch.setitem(sys.modules, "pint", None)  # makes "import pint" fail
    attrs = {} if units is None else {"units": units}
    arguments = {"T": xr.DataArray([900.0, 1000.0], dims="T"), "P": xr.DataArray([1.0, 100.0], dims="P")}
    arguments[name] = labelled = xr.DataArray(given, dims=name, attrs=attrs)
    if isinstance(expected, str):
        with pytest.raises(ValueError, match="^Rho_Liquid: the units " + re.escape(expected)):
            hu.Rho_Liquid(arguments["T"], arguments["P"])
        return
    result = hu.Rho_Liquid(arguments["T"], arguments["P"])
    assert result.attrs == {"long_name": ROWS["Rho_Liquid"].summary, "units": "kg/m³"}
    assert (labelled.values.tolist(), labelled.attrs) == (given, attrs)  # the input is left as it was
    in_table_units = {"T": [900.0, 1000.0], "P": [1.0, 100.0], name: expected}
    reference_values = _elementwise(
        reference.Rho_Liquid, np.array(in_table_units["T"])[:, None], np.array(in_table_units["P"])[None, :]
    )
    assert result.values == pytest.approx(reference_values, rel=1e-12)


def test_plain_input_imports_neither_pint_nor_xarray(python_subprocess):
    run = python_subprocess(
        """
        import sys
        import numpy
        import Halx.ufunc as hu
        hu.Rho_Liquid(numpy.linspace(900.0, 1000.0, 5), 1.0)
        hu.P_Boiling(1000.0)
        hu.T_Melting(1000)
        print(sorted({"pint", "xarray", "Halx._units"} & set(sys.modules)))
        """
    )
    assert run.returncode == 0, run.stderr
    assert run.stdout.split() == ["[]"]


@pytest.mark.distributed
def test_distributed_cluster_of_two_processes_matches_the_local_result():
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    T = np.random.default_rng(17).uniform(800.0, 1400.0, 40000)
    P = np.random.default_rng(18).uniform(1.0, 1000.0, 40000)
    lazy = hu.Rho_Liquid(da.from_array(T, chunks=5000), da.from_array(P, chunks=5000))
    pressures = hu.P_Boiling(da.from_array(T, chunks=5000))
    with distributed.LocalCluster(
        n_workers=2,
        threads_per_worker=1,
        processes=True,
        host="127.0.0.1",
        # Any free port: a fixed one may be taken by another cluster on the machine, and the
        # fallback to another port warns.
        dashboard_address="127.0.0.1:0",
    ) as cluster, distributed.Client(cluster) as client:
        densities, boiling = client.compute([lazy, pressures], sync=True)
        workers = client.run(lambda: __import__("os").getpid())
    assert len(set(workers.values())) == 2
    _assert_same_bits(densities, hu.Rho_Liquid(T, P))
    _assert_same_bits(boiling, hu.P_Boiling(T))

"""The NumPy ufuncs of Halx.ufunc: numbers, NumPy semantics, pickling, and
evaluation through dask, xarray and a dask.distributed cluster.

Expected values come from the scalar binding (bit for bit) and from the
correlations written out step by step in plain Python (tests/reference.py).
"""

import math
import pickle

import pytest

np = pytest.importorskip("numpy")

import _Halx  # noqa: E402
import reference  # noqa: E402  (tests/reference.py: the correlations step by step in Python)
from Halx import ufunc as hu  # noqa: E402  (after the NumPy check on purpose)

# The samples reach outside the physical range on purpose; like NumPy's own
# ufuncs, ours report the floating-point flags the model raises there.
pytestmark = pytest.mark.filterwarnings(
    "ignore:(overflow|invalid value|divide by zero) encountered in:RuntimeWarning"
)

ONE_INPUT = ["P_Boiling", "T_Melting", "P_Sublimation"]
TWO_INPUTS = ["Rho_Solid", "Rho_Liquid"]
ALL = ONE_INPUT + TWO_INPUTS


def _binding(name):
    """The scalar binding's flat function for name, called with plain floats."""
    function = getattr(_Halx, "cHalx_" + name)
    return lambda *args: function(None, *args)


def _bits(values):
    return np.asarray(values, dtype=np.float64).view(np.uint64)


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
    [0.0, -0.0, math.nan, -math.nan, math.inf, -math.inf, 5e-324, -5e-324, 2.2250738585072014e-308,
     1.7976931348623157e308, -1.7976931348623157e308, -273.15, np.nextafter(-273.15, 0),
     np.nextafter(-273.15, -1000), -273.0, 800.7, 0.0005, 1.0, -1.0, 1e5, -1e5, 1e10, 3.0e7, 6.0e4,
     -6.0e4, 1e300]
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


@pytest.mark.parametrize("name", ALL)
def test_every_element_follows_the_correlation_step_by_step(name):
    # Python's math cannot reproduce which NaN the C library returns, only that it is one.
    inputs = _inputs(name, seed=7)
    expected = _elementwise(getattr(reference, name), *inputs)
    _assert_same_bits(getattr(hu, name)(*inputs), expected, any_nan=True)


@pytest.mark.parametrize(
    "name, args, expected",
    [
        # The vapour curves pass through the triple point; pow(10, log10(x)) lands one ulp low.
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
    out = np.full(inputs[0].shape, -1.0)
    result = getattr(hu, name)(*inputs, out=out)
    assert result is out
    _assert_same_bits(out, getattr(hu, name)(*inputs))


@pytest.mark.parametrize("name", ALL)
def test_where_leaves_masked_elements_alone(name):
    inputs = _inputs(name, seed=5, size=50)
    where = np.random.default_rng(5).random(inputs[0].shape) < 0.5
    out = np.full(inputs[0].shape, 12345.0)
    getattr(hu, name)(*inputs, out=out, where=where)
    expected = np.where(where, getattr(hu, name)(*inputs), 12345.0)
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


@pytest.mark.parametrize(
    "dtype", [np.int8, np.int32, np.int64, np.uint16, np.uint64, np.float16, np.float32, bool]
)
@pytest.mark.parametrize("name", ALL)
def test_integer_and_narrow_float_inputs_are_evaluated_as_float64(name, dtype):
    # Past NumPy's buffer size, so the cast happens chunk by chunk.
    values = np.random.default_rng(11).uniform(0.0, 120.0, 20000).astype(dtype)
    inputs = [values, values[::-1].copy()][: getattr(hu, name).nin]
    result = getattr(hu, name)(*inputs)
    assert result.dtype == np.float64
    _assert_same_bits(result, getattr(hu, name)(*[a.astype(np.float64) for a in inputs]))


def test_floating_point_flags_follow_numpy_errstate():
    # The scalar function returns NaN quietly; the ufunc lets NumPy report it.
    with np.errstate(invalid="raise"):
        with pytest.raises(FloatingPointError):
            hu.Rho_Liquid(25.0, 1e9)
    with np.errstate(all="ignore"):
        assert math.isnan(hu.Rho_Liquid(25.0, 1e9))


@pytest.mark.parametrize(
    "name, units",
    [("P_Boiling", ["°C", "bar"]), ("T_Melting", ["bar", "°C"]), ("P_Sublimation", ["°C", "bar"]),
     ("Rho_Solid", ["°C", "bar", "kg/m³"]), ("Rho_Liquid", ["°C", "bar", "kg/m³"])],
)
def test_docstring_gives_units(name, units):
    assert all(unit in getattr(hu, name).__doc__ for unit in units)


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
        assert [u is getattr(hu, u.__name__) for u in ufuncs] == [True] * 5, ufuncs
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
    assert "pip install" in run.stdout and "NumPy" in run.stdout


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


@pytest.mark.distributed
def test_distributed_cluster_of_two_processes_matches_the_local_result():
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    T = np.random.default_rng(17).uniform(800.0, 1400.0, 40000)
    P = np.random.default_rng(18).uniform(1.0, 1000.0, 40000)
    lazy = hu.Rho_Liquid(da.from_array(T, chunks=5000), da.from_array(P, chunks=5000))
    pressures = hu.P_Boiling(da.from_array(T, chunks=5000))
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
        # Any free port: a fixed one may be taken by another cluster on the machine, and the
        # fallback to another port warns.
        dashboard_address="127.0.0.1:0",
    ) as cluster, distributed.Client(cluster) as client:
        densities, boiling = client.compute([lazy, pressures], sync=True)
        workers = client.run(lambda: __import__("os").getpid())
    assert len(set(workers.values())) == 2
    _assert_same_bits(densities, hu.Rho_Liquid(T, P))
    _assert_same_bits(boiling, hu.P_Boiling(T))

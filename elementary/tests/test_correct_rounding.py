"""exp, log and exp10 of the model are correctly rounded, identically on every
kernel set this CPU runs: checked against MPFR (gmpy2) through the C library
of elementary_abi.py, which CMake builds from the package's sources. CI runs
the same checks at length: python elementary/tests/verify.py --count 1000000.
"""

import math
import struct
from fractions import Fraction

import pytest

np = pytest.importorskip("numpy")
pytest.importorskip("gmpy2")

import elementary_abi  # noqa: E402
import verify  # noqa: E402

pytestmark = pytest.mark.keeps_memory  # NumPy, MPFR and the C++ toolchain

FUNCTIONS = verify.FUNCTIONS


@pytest.fixture(scope="module")
def library(tmp_path_factory):
    try:
        return elementary_abi.load(tmp_path_factory.mktemp("elementary"))
    except elementary_abi.CannotBuild as reason:
        pytest.skip(str(reason))


def _nan(payload: int, sign: int = 0, quiet: bool = True) -> float:
    bits = (sign << 63) | 0x7FF0000000000000 | (0x8000000000000 if quiet else 0) | payload
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


@pytest.mark.parametrize("function", FUNCTIONS)
def test_hard_cases_and_edges_match_mpfr_on_every_kernel_set(library, function):
    x = np.concatenate([verify.hard_cases(function), verify.specials(function)])
    tally = verify.Tally(library.kernel_sets)
    verify.check(library, function, x, tally, slow_sample=0, random=False)
    assert not tally.failed, tally.examples


@pytest.mark.parametrize("function, left_to_the_slow_path", [("exp", 0), ("log", 0), ("exp10", 1)])
def test_kept_hard_cases_pass_the_fast_path_and_the_second_step_settles_them(library, function, left_to_the_slow_path):
    # Every kept case defeats the fast path's rounding test; the second step
    # settles each, with the recorded result, but 10^23, an exact midpoint.
    x = verify.hard_cases(function)
    assert x.size >= 20
    usual = x[verify.ordinary(function, x)]
    settled = library.fast(function, usual)[3]
    assert not settled.any(), usual[settled]
    recorded = {}
    for line in verify.HARD_CASES.read_text().splitlines():
        fields = line.split("#")[0].split()
        if fields and fields[0] == function:
            recorded[float.fromhex(fields[1])] = float.fromhex(fields[2])
    result, second = library.accurate(function, usual)
    assert [float(v) for v in result[second]] == [recorded[v] for v in usual[second].tolist()]
    assert (~second).sum() == left_to_the_slow_path, usual[~second]
    assert [float(v) for v in library.run("plain", function, x)] == [recorded[v] for v in x.tolist()]


@pytest.mark.parametrize("function", FUNCTIONS)
def test_random_inputs_across_the_range_match_mpfr(library, function, capsys):
    tally = verify.Tally(library.kernel_sets)
    rng = np.random.default_rng([7, FUNCTIONS.index(function)])
    verify.check(library, function, verify.inputs(function, rng, 30000), tally, slow_sample=300)
    assert not tally.failed, tally.examples
    assert tally.slow_checked >= 300 and tally.accurate_checked >= 300
    # The fast path settles nearly all (near 1, ln x meets structural hard
    # cases more often), and the slow path is all but never needed.
    assert tally.unsettled <= 0.005 * tally.ordinary and tally.slow == 0


@pytest.mark.parametrize("function", FUNCTIONS)
def test_second_step_settles_the_structural_near_midpoints(library, function):
    # e^x and 10^x next to the arguments that give 1 + 2^-53 and 1 - 2^-54, ln x
    # within 4096 ulps of 1: results within 2^-100 of a midpoint or closer.
    x = verify.structured(function)
    left = x[~library.fast(function, x)[3]]
    assert left.size >= 60
    result, settled = library.accurate(function, left)
    assert settled.all(), left[~settled]
    assert verify.same_doubles(result, verify.reference(function, left)).all()


def _nearest_and_distance_to_a_midpoint(total: Fraction):
    """The double nearest total, and how far total lies from the nearest midpoint."""
    nearest = float(total)  # correctly rounded
    midpoints = [(Fraction(nearest) + Fraction(math.nextafter(nearest, side))) / 2 for side in (-math.inf, math.inf)]
    return nearest, min(abs(total - m) for m in midpoints)


# hi, mid and lo in ulps of hi and of mid: midpoints above and below, below a
# power of two (where the gap halves), on both signs.
EXACT_SUM_EDGES = [
    (1.0, 0.5, 2.0**-20),
    (1.0, 0.5, -(2.0**-20)),
    (1.0, 0.5, 0.0),
    (1.0, -0.25, 2.0**-20),
    (1.0, -0.25, -(2.0**-20)),
    (1.0, -0.25, 0.0),
    (1.0, -0.5, 0.0),
    (-1.0, 0.25, -(2.0**-20)),
    (-1.0, 0.25, 2.0**-20),
    (-1.0, -0.5, 2.0**-20),
    (1.5, 0.499, 0.0),
    (1.5, -0.5, -(2.0**-30)),
    (float.fromhex("0x1.fffffffffffffp0"), 0.5, 2.0**-25),
]


def test_second_step_rounds_an_exact_sum_to_nearest_or_leaves_it(library):
    # Triples built around midpoints, and random ones; the expectation by
    # exact rational arithmetic: settled, with the nearest double, when no
    # midpoint lies within twice the margin; left when one lies within it.
    rng = np.random.default_rng(11)
    hi, mid, lo = [], [], []
    for h, m, l in EXACT_SUM_EDGES:
        ulp = math.ulp(h)
        hi.append(h)
        mid.append(m * ulp)
        lo.append(l * math.ulp(m * ulp) if m else l * ulp * 2.0**-60)
    for _ in range(3000):
        h = float(rng.choice([-1.0, 1.0]) * 2.0 ** rng.uniform(-40, 40))
        ulp = math.ulp(h)
        m = float(rng.choice([rng.uniform(-0.5, 0.5), 0.5, -0.5, -0.25, 0.25])) * ulp
        hi.append(h)
        mid.append(m)
        lo.append(float(rng.uniform(-1, 1)) * math.ulp(m if m else ulp) * 2.0 ** float(rng.integers(-3, 30)))
    margins = [math.ulp(h) * 2.0 ** -float(rng.integers(30, 70)) for h in hi]
    result, settled = library.round_exact_sum(hi, mid, lo, margins)
    checked = 0
    for h, m, l, margin, got, decided in zip(hi, mid, lo, margins, result.tolist(), settled.tolist()):
        nearest, distance = _nearest_and_distance_to_a_midpoint(Fraction(h) + Fraction(m) + Fraction(l))
        if distance > 2 * Fraction(margin):
            assert decided and got == nearest, (h.hex(), m.hex(), l.hex())
            checked += 1
        elif distance <= Fraction(margin):
            assert not decided, (h.hex(), m.hex(), l.hex())
            checked += 1
    assert checked >= 2900


@pytest.mark.parametrize(
    "function, path, bound",
    [
        ("exp", "scalar", 2.0**-73),
        ("log", "scalar", 2.0**-66),
        ("exp10", "scalar", 2.0**-73),
        ("exp", "avx512", 2.0**-67),
        ("log", "avx512", 2.0**-66),
        ("exp10", "avx512", 2.0**-67),
    ],
)
def test_fast_path_error_stays_well_inside_the_rounding_test_bound(library, function, path, bound):
    if path not in library.kernel_sets + ["scalar"]:
        pytest.skip(f"this CPU cannot run the {path} kernels")
    rng = np.random.default_rng(FUNCTIONS.index(function))
    x = verify.inputs(function, rng, 3000)
    assert verify.fast_errors_log2(library, function, x, [path])[path] < math.log2(bound) - 1.5


@pytest.mark.parametrize("function", FUNCTIONS)
def test_nan_keeps_its_payload_and_sign_on_every_kernel_set(library, function):
    nans = [_nan(0x1234), _nan(0x5, sign=1), _nan(0x777, quiet=False), _nan(0)]
    x = np.array(nans * 3 + [1.0] * 5)  # past every vector width, with a tail
    expected = np.array([_nan(0x1234), _nan(0x5, sign=1), _nan(0x777), _nan(0)] * 3).view(np.uint64)
    for name in library.kernel_sets:
        got = library.run(name, function, x)
        assert got.view(np.uint64)[:12].tolist() == expected.tolist(), name


@pytest.mark.parametrize(
    "function, x, expected",
    [
        ("log", -1.0, _nan(0, sign=1)),
        ("log", -math.inf, _nan(0, sign=1)),
        ("log", 0.0, -math.inf),
        ("log", -0.0, -math.inf),
        ("log", 1.0, 0.0),
        ("exp", -math.inf, 0.0),
        ("exp10", -math.inf, 0.0),
        ("exp", 0.0, 1.0),
        ("exp10", -0.0, 1.0),
    ],
)
def test_ieee_edges(library, function, x, expected):
    # The processor's default NaN is negative on x86-64; elsewhere only NaN-ness counts.
    for name in library.kernel_sets:
        got = float(library.run(name, function, [x])[0])
        if math.isnan(expected) and not elementary_abi.X86:
            assert math.isnan(got)
        else:
            assert struct.pack("<d", got) == struct.pack("<d", expected), (name, function, x)

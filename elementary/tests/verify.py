"""Checks that the model's exp, log and exp10 are correctly rounded, on every
kernel set this CPU runs, against MPFR (gmpy2).

    python elementary/tests/verify.py --count 1000000          # CI: 10^6 per function
    python elementary/tests/verify.py --count 1000000000       # the long run
    python elementary/tests/verify.py --search 100000000       # look for hard cases

Inputs are drawn across the whole range (log-uniform magnitudes of both signs,
uniform over the finite range, near the overflow and underflow thresholds,
subnormal results, near-integers for 10^x, near 1 and subnormal inputs for
log) plus the kept hard cases of hard_cases.txt. For each function it prints
the inputs checked, the mismatches per kernel set (an element differing from
MPFR, or from the plain set in any bit), the share of the ordinary inputs that
the scalar fast path leaves to the second step and the share that goes on to
the slow path, the largest relative error of the fast paths' unrounded results
(scalar and AVX-512) seen on a sample, and checks of the second step and of
the slow path alone. Exit status 1 on any mismatch.

--search runs the fast path alone over random inputs, keeps those that its
rounding test cannot settle, measures with MPFR how close each exact result
lies to a rounding boundary, and adds the closest to hard_cases.txt.
"""

import argparse
import math
import sys
import tempfile
import time
from pathlib import Path
from typing import Dict, List

import elementary_abi  # builds and loads the library (this file's folder is on the path)
import gmpy2
import numpy as np

HERE = Path(__file__).resolve().parent

FUNCTIONS = ("exp", "log", "exp10")
HARD_CASES = HERE / "hard_cases.txt"
DOUBLE = gmpy2.ieee(64)
WIDE = gmpy2.context(precision=256)
CHUNK = 200_000

# Ordinary inputs (|x| bits or x bits) that the fast paths take, as in elementary_kernels.h.
ORDINARY = {
    "exp": (2.0**-54, 704.0),
    "exp10": (2.0**-56, 306.0),
    "log": (2.2250738585072014e-308, 1.7976931348623157e308),
}


def reference(function: str, x: np.ndarray) -> np.ndarray:
    """function(x) by MPFR, correctly rounded to double (NaN for NaN)."""
    evaluate = getattr(DOUBLE, function)
    return np.array([float(evaluate(v)) for v in x.tolist()])


def exact(function: str, x: np.ndarray) -> List:
    """function(x) by MPFR at 256 bits."""
    evaluate = getattr(WIDE, function)
    return [evaluate(v) for v in x.tolist()]


def _log_uniform(rng, n, low_exponent, high_exponent, signed=True):
    magnitude = np.exp2(rng.uniform(low_exponent, high_exponent, n))
    return magnitude * (rng.choice([-1.0, 1.0], n) if signed else 1.0)


def inputs(function: str, rng: np.random.Generator, n: int) -> np.ndarray:
    """n inputs drawn from the mixture of ranges that function's checks cover."""
    size = n // 6 + 1  # the pieces add up to 7 sizes or more
    if function == "exp":
        pieces = [
            _log_uniform(rng, 3 * size, -60, math.log2(746)),
            rng.uniform(-746.0, 710.0, 2 * size),
            rng.uniform(700.0, 709.8, size // 2),  # near overflow
            rng.uniform(-745.2, -708.0, size),  # subnormal results, underflow
            _log_uniform(rng, size // 2, -56, -50),  # results next to 1
        ]
    elif function == "exp10":
        integers = rng.integers(-324, 309, size).astype(float)
        pieces = [
            _log_uniform(rng, 3 * size, -62, math.log2(324)),
            rng.uniform(-324.0, 308.3, 2 * size),
            integers + _log_uniform(rng, size, -45, -4),  # near-integers
            rng.uniform(300.0, 308.3, size // 2),  # near overflow
            rng.uniform(-323.7, -307.0, size // 2),  # subnormal results, underflow
        ]
    else:
        raw = rng.integers(0, 0x7FF0000000000000, size, dtype=np.int64).view(np.float64)
        pieces = [
            np.exp2(rng.uniform(-1074.0, 1024.0, 3 * size)),  # every binade, subnormals too
            raw,  # every positive bit pattern
            1.0 + _log_uniform(rng, 2 * size, -50, -1),  # near 1
            rng.uniform(0.0, 1e4, size),
            -_log_uniform(rng, size // 4, -10, 10, signed=False),  # negative: NaN
        ]
    values = np.concatenate(pieces)
    values = values[np.isfinite(values)]
    return rng.permutation(values)[:n]


def specials(function: str) -> np.ndarray:
    """Zeros, infinities, NaN, thresholds and exact cases."""
    common = [0.0, -0.0, math.inf, -math.inf, math.nan, 5e-324, -5e-324, 1.0, -1.0]
    if function == "exp":
        extra = [
            709.782712893384,
            709.7827128933841,
            -745.1332191019411,
            -745.1332191019412,
            -708.3964185322641,
            2.0**-53,
            -(2.0**-54),
            2.0**-54,
            -(2.0**-55),
        ]
    elif function == "exp10":
        extra = [float(n) for n in range(-324, 310)] + [308.25471555991675, -323.60724533877976, 2.0**-55]
    else:
        extra = [
            2.2250738585072014e-308,
            1.7976931348623157e308,
            2.0,
            0.5,
            1.0 + 2.0**-52,
            1.0 - 2.0**-53,
            10.0,
            math.e,
        ]
    return np.array(common + extra)


def hard_cases(function: str) -> np.ndarray:
    """The kept hard-to-round inputs of function."""
    values = []
    for line in HARD_CASES.read_text().splitlines():
        fields = line.split("#")[0].split()
        if len(fields) >= 2 and fields[0] == function:
            values.append(float.fromhex(fields[1]))
    return np.array(values)


def same_doubles(a: np.ndarray, b: np.ndarray) -> np.ndarray:
    """Elementwise: the same double (any NaN equals any NaN)."""
    return (a.view(np.uint64) == b.view(np.uint64)) | (np.isnan(a) & np.isnan(b))


def ordinary(function: str, x: np.ndarray) -> np.ndarray:
    low, high = ORDINARY[function]
    magnitude = x if function == "log" else np.abs(x)
    return (magnitude >= low) & (magnitude <= high)


def fast_errors_log2(library, function: str, x: np.ndarray, paths=("scalar",)) -> Dict[str, float]:
    """log2 of the largest relative error of each fast path's hi + low over
    ordinary x (paths "scalar" and "avx512", as Elementary.fast), against
    one MPFR evaluation of x."""
    x = x[ordinary(function, x)]
    if x.size == 0:
        return {path: -math.inf for path in paths}
    exact_values = exact(function, x)
    errors = {}
    for path in paths:
        hi, low, scale, _ = library.fast(function, x, path)
        worst = gmpy2.mpfr(0)
        for y, h, l, s in zip(exact_values, hi.tolist(), low.tolist(), scale.tolist()):
            approximation = WIDE.mul(WIDE.add(h, l), WIDE.exp2(s))
            worst = max(worst, abs(WIDE.div(WIDE.sub(approximation, y), y)))
        errors[path] = float(gmpy2.log2(worst)) if worst > 0 else -math.inf
    return errors


class Tally:
    """Running figures of one function."""

    def __init__(self, kernel_sets):
        self.checked = 0
        self.mismatches = {name: 0 for name in kernel_sets}
        self.examples: List[str] = []
        self.ordinary = 0
        self.unsettled = 0  # left by the scalar fast path
        self.slow = 0  # left by the second step too
        self.accurate_checked = 0
        self.accurate_mismatches = 0
        self.slow_checked = 0
        self.slow_mismatches = 0

    def line(self, function: str) -> str:
        def share(count: int) -> str:
            return f"{count / self.ordinary if self.ordinary else 0.0:.2e} ({count:,} of {self.ordinary:,})"

        sets = ", ".join(f"{name} {count}" for name, count in self.mismatches.items())
        return (
            f"{function}: {self.checked:,} inputs; mismatches: {sets}; second step share {share(self.unsettled)}, "
            f"slow path share {share(self.slow)} of the ordinary inputs; second step alone: "
            f"{self.accurate_checked:,} settled, {self.accurate_mismatches} mismatches; slow path alone: "
            f"{self.slow_checked:,} inputs, {self.slow_mismatches} mismatches"
        )

    @property
    def failed(self) -> bool:
        return any(self.mismatches.values()) or self.slow_mismatches > 0 or self.accurate_mismatches > 0


def check(library, function: str, x: np.ndarray, tally: Tally, slow_sample: int, random: bool = True) -> None:
    """Adds the figures of inputs x to tally (the slow path's share only for random inputs)."""
    expected = reference(function, x)
    plain = None
    for name in tally.mismatches:
        got = library.run(name, function, x)
        wrong = ~same_doubles(got, expected)
        if plain is None:
            plain = got
        else:
            wrong |= got.view(np.uint64) != plain.view(np.uint64)
        tally.mismatches[name] += int(wrong.sum())
        for i in np.flatnonzero(wrong)[:3]:
            tally.examples.append(f"{name} {function}({x[i].hex()}) = {got[i].hex()}, MPFR {expected[i].hex()}")
    inside = ordinary(function, x)
    usual, wanted = x[inside], expected[inside]
    # The second step on what the fast path leaves (its share counted for
    # random inputs), and on a sample, checked where it settles.
    left = ~library.fast(function, usual)[3]
    for pick, counted in ((left, random), (slice(0, slow_sample), False)):
        result, settled = library.accurate(function, usual[pick])
        tally.accurate_checked += int(settled.sum())
        tally.accurate_mismatches += int((~same_doubles(result[settled], wanted[pick][settled])).sum())
        if counted:
            tally.unsettled += int(left.sum())
            tally.slow += int((~settled).sum())
    if random:
        tally.ordinary += usual.size
    sample = usual[:slow_sample]
    slow = library.slow(function, sample)
    tally.slow_mismatches += int((~same_doubles(slow, reference(function, sample))).sum())
    tally.slow_checked += sample.size
    tally.checked += x.size


def verify(
    library, count: int, seed: int, kernel_sets, slow_per_chunk: int, error_sample: int, functions=FUNCTIONS
) -> bool:
    ok = True
    print(f"kernel sets: {', '.join(kernel_sets)}")
    for function in functions:
        start = time.monotonic()
        rng = np.random.default_rng([seed, FUNCTIONS.index(function)])
        tally = Tally(kernel_sets)
        paths = ["scalar"] + [name for name in kernel_sets if name == "avx512"]
        check(library, function, np.concatenate([specials(function), hard_cases(function)]), tally, 10**6, False)
        sample = inputs(function, rng, error_sample)
        errors = fast_errors_log2(library, function, sample, [p for p in ("scalar", "avx512") if p in paths])
        error = errors["scalar"]
        error_avx512 = f" (avx512 2^{errors['avx512']:.1f})" if "avx512" in errors else ""
        done = 0  # random inputs, beside the edges and hard cases above
        while done < count:
            chunk = min(CHUNK, count - done)
            check(library, function, inputs(function, rng, chunk), tally, slow_per_chunk)
            done += chunk
            if count >= 50 * CHUNK and (done // CHUNK) % 50 == 0:
                print(f"  ... {tally.line(function)}", flush=True)
        print(
            f"{tally.line(function)}; largest fast-path error on {error_sample:,} inputs 2^{error:.1f}{error_avx512}; "
            f"{time.monotonic() - start:.0f} s",
            flush=True,
        )
        for example in tally.examples[:10]:
            print("   ", example)
        ok &= not tally.failed
    return ok


def distance_to_boundary_log2(function: str, x: float) -> float:
    """log2 of the distance, in ulps of the result, from the exact function(x)
    to the nearest midpoint between doubles."""
    y = getattr(WIDE, function)(x)
    rounded = float(getattr(DOUBLE, function)(x))
    ulp = math.ulp(rounded) if abs(rounded) >= 2.2250738585072014e-308 else 5e-324
    offset = WIDE.div(WIDE.sub(y, rounded), ulp)  # within [-1/2, 1/2]
    return float(gmpy2.log2(WIDE.sub(0.5, abs(offset)))) if abs(offset) < 0.5 else -math.inf


def structured(function: str) -> np.ndarray:
    """Inputs whose results lie near a midpoint for structural reasons: e^x and
    10^x just around the arguments that give 1 + 2^-53 and 1 - 2^-54, and
    ln x for x within a few thousand ulps of 1."""
    steps = np.arange(-64, 65, dtype=float)
    if function == "log":
        j = np.arange(1, 4097, dtype=float)
        return np.concatenate([1.0 + j * 2.0**-52, 1.0 - j * 2.0**-53])
    scale = 1.0 if function == "exp" else 1.0 / math.log(10.0)
    centres = [2.0**-53 * scale, -(2.0**-54) * scale]
    return np.concatenate([c * (1.0 + steps * 2.0**-52) for c in centres])


def search(library, count: int, seed: int, keep: int) -> None:
    """Adds to hard_cases.txt the inputs closest to a rounding boundary among
    those the fast path cannot settle, out of count random inputs per function
    and the structured candidates."""
    lines = HARD_CASES.read_text().splitlines()
    known = {tuple(line.split()[:2]) for line in lines if line and not line.startswith("#")}
    for function in FUNCTIONS:
        rng = np.random.default_rng([seed, 100 + FUNCTIONS.index(function)])
        found: Dict[float, float] = {}
        for done in range(-(10**6), count, 10**6):
            x = structured(function) if done < 0 else inputs(function, rng, min(10**6, count - done))
            x = x[ordinary(function, x)]
            for value in x[~library.fast(function, x)[3]].tolist():
                found[value] = distance_to_boundary_log2(function, value)
        hardest = sorted(found.items(), key=lambda item: item[1])[:keep]
        added = 0
        for value, distance in hardest:
            if (function, value.hex()) not in known:
                expected = float(getattr(DOUBLE, function)(value))
                lines.append(f"{function} {value.hex()} {expected.hex()}  # 2^{distance:.1f} ulp from a midpoint")
                added += 1
        print(
            f"{function}: {len(found)} unsettled of {count:,}; kept {added} new, hardest 2^{hardest[0][1]:.1f} ulp"
            if hardest
            else f"{function}: none unsettled of {count:,}"
        )
    HARD_CASES.write_text("\n".join(lines) + "\n")


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=10**6, help="random inputs per function (default 10^6)")
    parser.add_argument("--seed", type=int, default=2024)
    parser.add_argument("--sets", help="comma-separated kernel sets (default: every one this CPU runs)")
    parser.add_argument("--functions", default=",".join(FUNCTIONS), help="comma-separated (default: all)")
    parser.add_argument("--slow", type=int, default=2000, help="inputs per chunk also checked on the slow path")
    parser.add_argument("--error-sample", type=int, default=20000, help="inputs for the fast-path error")
    parser.add_argument("--search", type=int, metavar="N", help="search N random inputs per function for hard cases")
    parser.add_argument("--keep", type=int, default=40, help="hard cases kept per function by --search")
    options = parser.parse_args(argv)
    with tempfile.TemporaryDirectory() as directory:
        library = elementary_abi.load(Path(directory))
        if options.search:
            search(library, options.search, options.seed, options.keep)
            return 0
        sets = options.sets.split(",") if options.sets else library.kernel_sets
        missing = [name for name in sets if name not in library.kernel_sets]
        if missing:
            parser.error(f"this CPU cannot run: {', '.join(missing)}")
        ok = verify(
            library, options.count, options.seed, sets, options.slow, options.error_sample, options.functions.split(",")
        )
    print("correct rounding: " + ("no mismatch" if ok else "MISMATCHES"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

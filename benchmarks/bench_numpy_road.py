"""What NumPy input costs on its way to the kernels, against the raw ufunc in the same run.

    python benchmarks/bench_numpy_road.py [--rounds N]

For a few properties (kernels of one and two inputs, loops over the scalar
model, the phase's codes), each case times a pair of calls on the very same
inputs, in interleaved rounds (the pair in a shuffled order each round, so
machine noise hits both alike), and prints the best time of each and their
ratio against its target:

- ``scalar``: ``Halx.<prop>`` on NumPy float64 scalars against the raw ufunc
  ``Halx._ufuncs.<prop>`` on the same scalars (target <= 1.6);
- ``1 element``, ``8 elements``: the same on arrays (<= 1.5);
- ``10**6 elements``: the same on arrays inside the plausible spans (<= 1.07);
- ``outside, 10**6``: ``Halx.ufunc.<prop>``, which holds its inputs against
  their plausible spans, against the raw ufunc, on arrays whose every element
  lies outside a span, Halx.RangeWarning ignored (<= 1.3).

Small cases time a batch of calls per round, net of the empty loop's cost.
"""

import argparse
import random
import timeit
import warnings
from typing import Callable, Dict, List, Sequence, Tuple

import Halx
import numpy as np
from Halx import RangeWarning, _ufuncs
from Halx import ufunc as hu
from Halx._plausible import spans_of
from Halx._table import PROPERTIES

__all__ = ["main"]

ROWS = {row.name: row for row in PROPERTIES}
NAMES = ("P_Boiling", "T_Melting", "Rho_Liquid", "P_Melting", "H_Fusion", "G_Liquid", "phase")
LARGE = 10**6
# (case, elements, target); None elements: a NumPy scalar per argument.
CASES: Tuple[Tuple[str, object, float], ...] = (
    ("scalar", None, 1.6),
    ("1 element", 1, 1.5),
    ("8 elements", 8, 1.5),
    ("10**6 elements", LARGE, 1.07),
    ("outside, 10**6", LARGE, 1.3),
)
# Where the spans are open-ended, the inputs stay within these, where every
# property gives finite numbers at some cost of its own.
FINITE = {"T": (25.0, 1400.0), "P": (1.0e-4, 5000.0)}


def _inputs(name: str, elements: object, outside: bool) -> List[object]:
    """Inputs of property name inside its plausible spans, or every element of the first outside its span."""
    rng = np.random.default_rng(2028)
    inputs: List[object] = []
    for position, (argument, (low, high)) in enumerate(zip(ROWS[name].arguments, spans_of(ROWS[name]))):
        low, high = max(low, FINITE[argument.name][0]), min(high, FINITE[argument.name][1])
        values = rng.uniform(low, high, 1 if elements is None else elements)
        if outside and position == 0:
            values = spans_of(ROWS[name])[0][1] + 1.0 + values  # above the span
        inputs.append(np.float64(values[0]) if elements is None else values)
    return inputs


def _pair(name: str, case: str, elements: object) -> Tuple[Callable[[], object], Callable[[], object]]:
    """(ours, the raw ufunc) for one case of one property, on the same inputs."""
    outside = case.startswith("outside")
    inputs = _inputs(name, elements, outside)
    ours = getattr(hu if outside else Halx, name)
    raw = getattr(_ufuncs, name)
    expected = raw(*inputs)
    assert np.asarray(ours(*inputs)).tobytes() == np.asarray(expected).tobytes(), name
    return (lambda: ours(*inputs)), (lambda: raw(*inputs))


def _time(pair: Sequence[Callable[[], object]], calls: int, rounds: int) -> List[float]:
    """The best seconds per call of each of pair, in interleaved rounds of calls each."""
    timers = [timeit.Timer(run) for run in pair]
    empty = timeit.Timer(lambda: None)
    best = [float("inf")] * (len(pair) + 1)
    order = list(range(len(pair) + 1))
    shuffle = random.Random(2029).shuffle
    for _ in range(rounds):
        shuffle(order)
        for index in order:
            timer = empty if index == len(pair) else timers[index]
            best[index] = min(best[index], timer.timeit(calls) / calls)
    return [seconds - best[-1] for seconds in best[:-1]]


def measure(rounds: int) -> Dict[Tuple[str, str], Tuple[float, float]]:
    """(property, case) -> best seconds per call of (ours, the raw ufunc)."""
    results = {}
    with warnings.catch_warnings(), np.errstate(all="ignore"):
        warnings.simplefilter("ignore", RangeWarning)
        for name in NAMES:
            for case, elements, _ in CASES:
                calls = 1 if elements == LARGE else 20_000
                ours, raw = _time(_pair(name, case, elements), calls, rounds if calls > 1 else 3 * rounds)
                results[name, case] = (ours, raw)
    return results


def main(argv: Sequence[str] = ()) -> None:
    """Prints, per property and case, ns per call of ours and of the raw ufunc and the ratio against its target."""
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=15, help="interleaved rounds (default 15)")
    options = parser.parse_args(list(argv) or None)
    results = measure(options.rounds)
    print(f"ns per call, best of the rounds; ours / raw ufunc against its target; SIMD kernels: {_ufuncs.kernels}")
    print(f"{'property':<12}{'case':<16}{'ours':>12}{'raw ufunc':>12}{'ratio':>8}{'target':>8}")
    for (name, case), (ours, raw) in results.items():
        target = next(goal for title, _, goal in CASES if title == case)
        verdict = "ok" if ours <= target * raw else "MISSED"
        print(f"{name:<12}{case:<16}{ours * 1e9:>12.1f}{raw * 1e9:>12.1f}{ours / raw:>8.2f}{target:>8.2f}  {verdict}")


if __name__ == "__main__":
    main()

"""Cost per call of the scalar binding, against a do-nothing floor measured in the same run.

    python benchmarks/bench_calls.py [--rounds N] [--calls N]

The floor is a METH_VARARGS function taking (object, float) that does nothing,
compiled when the benchmark runs from call_floor.c (see floors.py).
Every case is timed in interleaved rounds (so machine noise hits all cases
alike) and the best round counts. Times are per call, net of the timing
loop's own cost; ratios are to the floor, and for the scalar functions of the
derived properties (Halx.T_Boiling and the rest) also to the method call
h.P_Boiling(T) of the same run, which they should cost no more than twice.
"""

import argparse
import tempfile
import timeit
from pathlib import Path

import _Halx
import Halx
from floors import build_call_floor

#: Case -> (statement, target ratio to the floor or None).
CASES = {
    "floor(h, T)": ("floor(h, T)", None),
    "cHalx_P_Boiling(h, T)": ("P_Boiling(h, T)", 2.0),
    "cHalx_P_Boiling(None, T)": ("P_Boiling(None, T)", 1.6),
    "cHalx_Rho_Liquid(h, T, P)": ("Rho_Liquid(h, T, P)", None),
    "h.P_Boiling(T)": ("h.P_Boiling(T)", 2.8),
    "h.Rho_Liquid(T, P)": ("h.Rho_Liquid(T, P)", None),
    "cHalx_T_Melting(None, P)": ("T_Melting(None, P)", None),
    "Halx.T_Boiling(P)": ("Halx.T_Boiling(P)", None),
    "Halx.P_Melting(T)": ("Halx.P_Melting(T)", None),
    "Halx.H_Fusion(P)": ("Halx.H_Fusion(P)", None),
    "Halx.phase(T, P)": ("Halx.phase(T, P)", None),
    "Halx.Alpha_Liquid(T, P)": ("Halx.Alpha_Liquid(T, P)", None),
}

#: The method call that the derived properties' functions are held against, and how far.
METHOD_CALL = "h.P_Boiling(T)"
DERIVED_TARGET = 2.0


def measure(rounds: int, calls: int, namespace: dict) -> dict:
    timers = {name: timeit.Timer(stmt, globals=namespace) for name, (stmt, _) in CASES.items()}
    empty = timeit.Timer("pass", globals=namespace)
    best = {name: float("inf") for name in [*timers, "loop"]}
    for _ in range(rounds):
        for name, timer in [*timers.items(), ("loop", empty)]:
            best[name] = min(best[name], timer.timeit(calls) / calls)
    return {name: (seconds - best["loop"]) * 1e9 for name, seconds in best.items() if name != "loop"}


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=25)
    parser.add_argument("--calls", type=int, default=200_000)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as directory:
        floor = build_call_floor(Path(directory))
        namespace = {
            "floor": floor.take_object_and_float,
            "P_Boiling": _Halx.cHalx_P_Boiling,
            "Rho_Liquid": _Halx.cHalx_Rho_Liquid,
            "h": Halx.cHalx(),
            "T": 1000.0,
            "P": 100.0,
            "T_Melting": _Halx.cHalx_T_Melting,
            "Halx": Halx,
        }
        nanoseconds = measure(options.rounds, options.calls, namespace)
    floor_ns = nanoseconds["floor(h, T)"]
    method_ns = nanoseconds[METHOD_CALL]
    print(f"{'case':<28}{'ns/call':>9}{'x floor':>9}{'x method':>9}{'target':>9}")
    for name, (_, target) in CASES.items():
        ratio = nanoseconds[name] / floor_ns
        goal = f"{target:.1f}x" if target else ""
        verdict = "" if not target else ("  ok" if ratio <= target else "  MISSED")
        to_method = ""
        if name.startswith("Halx."):
            to_method = f"{nanoseconds[name] / method_ns:9.2f}"
            goal = f"{DERIVED_TARGET:.1f}x m"
            verdict = "  ok" if nanoseconds[name] <= DERIVED_TARGET * method_ns else "  MISSED"
        print(f"{name:<28}{nanoseconds[name]:9.1f}{ratio:9.2f}{to_method:>9}{goal:>9}{verdict}")


if __name__ == "__main__":
    main()

"""Cost per call of the scalar binding, against a do-nothing floor measured in the same run.

    python benchmarks/bench_calls.py [--rounds N] [--calls N]

The floor is a METH_VARARGS function taking (object, float) that does nothing,
compiled when the benchmark runs from call_floor.c (see floors.py).
Every case is timed in interleaved rounds (so machine noise hits all cases
alike) and the best round counts. Times are per call, net of the timing
loop's own cost; ratios are to the floor, for the functions of the package
over the five correlations (Halx.P_Boiling, Halx.Rho_Liquid) also to the flat
function called through its module, _Halx.cHalx_P_Boiling(None, T), which they
should cost no more than 1.3 times, and for those of the derived properties
(Halx.T_Boiling and the rest) to the method call h.P_Boiling(T) of the same
run, which they should cost no more than twice. The caloric properties
(Halx.H_Liquid and the rest) are held against Halx.P_Boiling(T) of the same
run, which they should cost no more than twice.
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
    "_Halx.cHalx_P_Boiling(None, T)": ("_Halx.cHalx_P_Boiling(None, T)", None),
    "Halx.P_Boiling(T)": ("Halx.P_Boiling(T)", None),
    "Halx.Rho_Liquid(T, P)": ("Halx.Rho_Liquid(T, P)", None),
    "Halx.T_Boiling(P)": ("Halx.T_Boiling(P)", None),
    "Halx.P_Melting(T)": ("Halx.P_Melting(T)", None),
    "Halx.H_Fusion(P)": ("Halx.H_Fusion(P)", None),
    "Halx.phase(T, P)": ("Halx.phase(T, P)", None),
    "Halx.Alpha_Liquid(T, P)": ("Halx.Alpha_Liquid(T, P)", None),
}

#: The caloric properties, each at a state of its phase (°C, bar): the solid at
#: 600 °C, the liquid at 1000 °C, the vapour at 1000 °C, its vapour pressure
#: over the solid and over the liquid, and the condensed phases at 100 bar.
CALORIC_STATES = {"Solid": "600.0, 1.0", "Liquid": "1000.0, 1.0", "Vapour": "1000.0, 0.01"}
CALORIC_CALLS = (
    [
        f"Halx.{quantity}_{phase}({state})"
        for phase, state in CALORIC_STATES.items()
        for quantity in ("Cp", "H", "S", "G")
    ]
    + [f"Halx.{name}({CALORIC_STATES['Vapour']})" for name in ("Rho_Vapour", "X_Dimer")]
    + ["Halx.P_Vapour(600.0)", "Halx.P_Vapour(1000.0)"]
    # Away from 1 bar, where the integral of the volume from 1 bar is not 0.
    + ["Halx.Cp_Solid(600.0, 100.0)", "Halx.Cp_Liquid(1000.0, 100.0)", "Halx.G_Liquid(1000.0, 100.0)"]
)
CASES.update({call: (call, None) for call in CALORIC_CALLS})

#: The method call that the derived properties' functions are held against, and how far.
METHOD_CALL = "h.P_Boiling(T)"
DERIVED_TARGET = 2.0

#: The flat function, called as the functions of the package are (an attribute of
#: its module), that those over the five correlations are held against, and how far.
FLAT_CALL = "_Halx.cHalx_P_Boiling(None, T)"
BOUND_FUNCTIONS = ("Halx.P_Boiling(T)", "Halx.Rho_Liquid(T, P)")
BOUND_TARGET = 1.3

#: The function of the package that the caloric properties are held against, and how far.
CALORIC_BASE = "Halx.P_Boiling(T)"
CALORIC_TARGET = 2.0


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
            "_Halx": _Halx,
        }
        nanoseconds = measure(options.rounds, options.calls, namespace)
    floor_ns = nanoseconds["floor(h, T)"]
    method_ns, flat_ns = nanoseconds[METHOD_CALL], nanoseconds[FLAT_CALL]
    print(f"{'case':<32}{'ns/call':>9}{'x floor':>9}{'x other':>9}{'target':>10}")
    for name, (_, target) in CASES.items():
        ratio = nanoseconds[name] / floor_ns
        goal = f"{target:.1f}x" if target else ""
        verdict = "" if not target else ("  ok" if ratio <= target else "  MISSED")
        to_other = ""
        if name.startswith("Halx."):
            # "m": to the method call; "f": to the flat function through its module;
            # "b": to Halx.P_Boiling(T).
            if name in BOUND_FUNCTIONS:
                other_ns, other_target, mark = flat_ns, BOUND_TARGET, "f"
            elif name in CALORIC_CALLS:
                other_ns, other_target, mark = nanoseconds[CALORIC_BASE], CALORIC_TARGET, "b"
            else:
                other_ns, other_target, mark = method_ns, DERIVED_TARGET, "m"
            to_other = f"{nanoseconds[name] / other_ns:9.2f}"
            goal = f"{other_target:.1f}x {mark}"
            verdict = "  ok" if nanoseconds[name] <= other_target * other_ns else "  MISSED"
        print(f"{name:<32}{nanoseconds[name]:9.1f}{ratio:9.2f}{to_other:>9}{goal:>10}{verdict}")


if __name__ == "__main__":
    main()

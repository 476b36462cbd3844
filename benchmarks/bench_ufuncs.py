"""Speed of the Halx ufuncs against C floors, NumPy expressions and a Python loop.

For each property, on 10**6 float64 elements, one run times in interleaved
repetitions (in a shuffled order each time):

- ``floor out``: the ufunc's own inner loop run over the array with no NumPy
  machinery (``ufunc_floor.run``, compiled when the benchmark runs, see
  floors.py), writing into a given array;
- ``ufunc out=``: the ufunc writing into the same given array;
- ``floor new``: the C++ loop writing into a newly made array;
- ``ufunc``: the ufunc as usually called, returning a new array;
- ``numpy expr``: the correlation written as NumPy array expressions (new array);
- ``python loop``: a loop over ``Halx.cHalx()`` methods on a shorter list,
  scaled per element;
- ``libm loop`` (the two vapour-pressure curves): the curve as the model
  evaluated it before, one call of the C library's ``pow`` per element,
  writing into a given array;
- ``copy`` (T_Melting): a C loop that only reads 8 bytes and writes 8 bytes
  per element, the least a one-input ufunc can cost.

The last two come from ``array_floors.c``, compiled here with the
interpreter's C compiler (floors.py). It prints the best time per element in ns and the
ratios that matter, with their targets: ufunc / floor (<= 1.15), numpy expr /
ufunc (>= 2), libm loop / ufunc out= (>= 3), ufunc out= / copy (<= 1.3) and
python loop / ufunc (>= 5, >= 50 for T_Melting).

Then the thermodynamic surface: each property with a SIMD kernel (the
caloric properties of (T, P), the Gibbs energies of formation, the
dimerization constant and the vapour pressures), ``ufunc out=`` on states
of its phase off 1 bar (the condensed phases at 100 bar, the vapour at
0.01 bar), against ``P_Boiling``'s ``ufunc out=`` (<= 4x, and <= 8x for the
vapour pressures), against its memory floor (NumPy's ``add``, or ``copyto``
for one input, over the same arrays: the least that reading the inputs and
writing the result costs), and, for ``Cp_Liquid``, ``G_Vapour`` and
``P_Vapour``, against the same formula written as NumPy array expressions.

Then, per SIMD kernel set this CPU runs, ``ufunc out=`` for each property,
as ns per element and as a ratio to the plain loop of the same run: one
interpreter per set (the set is chosen at import, forced with HALX_SIMD),
all kept alive and timed in turns, in a shuffled order each repetition. The
set the automatic choice takes must not be slower than plain (ratio <= 1,
within the noise of the machine).

Last, for every property of the table, the function of ``Halx.ufunc`` (which
holds its inputs against their plausible spans, Halx.RangeWarning) against the
raw ufunc of ``Halx._ufuncs`` (which does not), both returning a new array
and both with ``out=``, timed in turns in the same run on inputs inside the
spans: the check must cost no more than 10 % (checked / unchecked <= 1.10).
Run: ``python benchmarks/bench_ufuncs.py [--repeat N] [--surface-only | --kernel-sets-only | --checked-only]``.
"""

import argparse
import ctypes
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
import warnings
from pathlib import Path
from types import ModuleType
from typing import Callable, Dict, List, Optional, Sequence, Tuple

import numpy as np
from floors import build_array_floors, build_ufunc_floor
from Halx import RangeWarning, _ufuncs
from Halx import ufunc as hu
from Halx._plausible import spans_of
from Halx._table import PROPERTIES
from headers import read_constants, read_species

__all__ = ["main"]

SIZE = 10**6
PYTHON_LOOP_SIZE = 20_000
LOG10_TRIPLE = float(np.log10(0.0005))


# --- The correlations as NumPy expressions (the usual way to write them) -------
def _vapour_pressure_expression(T: np.ndarray, slope: float) -> np.ndarray:
    return np.power(10.0, (0.000931228756343996 - 1.0 / (T + 273.15)) * slope + LOG10_TRIPLE)


EXPRESSIONS: Dict[str, Callable[..., np.ndarray]] = {
    "P_Boiling": lambda T: _vapour_pressure_expression(T, 9418.12),
    "T_Melting": lambda P: (P - 0.0005) * 0.024726 + 800.7,
    "P_Sublimation": lambda T: _vapour_pressure_expression(T, 11806.1),
    "Rho_Solid": lambda T, P: (
        (np.exp(T / 733.4) * 0.002715 + 0.005727) * P + ((2170.4 - T * 0.24599) - (T * 9.5797e-5) * T)
    ),
    "Rho_Liquid": lambda T, P: (
        (58443.0 / ((T * 0.018639 + 23.772) - (T * 1.9687e-6) * T))
        / (1.0 - np.log((T * 5.5058e-8 - 1.5259e-5) * (P * 10.0) + 1.0) * 0.1)
    ),
}

# Inputs in each property's physical range: T in °C, P in bar.
RANGES = {
    "P_Boiling": [(801.0, 1465.0)],
    "T_Melting": [(0.0005, 5000.0)],
    "P_Sublimation": [(300.0, 800.7)],
    "Rho_Solid": [(0.0, 800.7), (1.0, 5000.0)],
    "Rho_Liquid": [(800.7, 1400.0), (1.0, 5000.0)],
}

# (max ufunc / floor, min numpy expr / ufunc, min libm loop / ufunc out=,
#  max ufunc out= / copy, min python loop / ufunc); None: not measured.
TARGETS: Dict[str, Tuple[float, float, Optional[float], Optional[float], float]] = {
    "P_Boiling": (1.15, 2.0, 3.0, None, 5.0),
    "T_Melting": (1.15, 2.0, None, 1.3, 50.0),
    "P_Sublimation": (1.15, 2.0, 3.0, None, 5.0),
    "Rho_Solid": (1.15, 2.0, None, None, 5.0),
    "Rho_Liquid": (1.15, 2.0, None, None, 5.0),
}
SLOPES = {"P_Boiling": 9418.12, "P_Sublimation": 11806.1}


def _python_loop(name: str) -> Callable[..., List[float]]:
    """A list comprehension over the proxy method, or the flat scalar function if no proxy."""
    try:
        from Halx import cHalx

        method = getattr(cHalx(), name)
    except ImportError:
        import _Halx

        flat = getattr(_Halx, "cHalx_" + name)
        return lambda *columns: [flat(None, *values) for values in zip(*columns)]
    return lambda *columns: [method(*values) for values in zip(*columns)]


def _time_once(run: Callable[[], object]) -> float:
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


def _measure(name: str, repeat: int, floor: ModuleType, floors: ctypes.CDLL) -> Dict[str, float]:
    """Best seconds per element of each contender for one property."""
    rng = np.random.default_rng(2024)
    inputs = [rng.uniform(low, high, SIZE) for low, high in RANGES[name]]
    short = [a[:PYTHON_LOOP_SIZE].tolist() for a in inputs]
    out = np.empty(SIZE)
    uf = getattr(hu, name)
    raw = getattr(_ufuncs, name)  # the floor runs the inner loop of the NumPy ufunc itself
    expression = EXPRESSIONS[name]
    python_loop = _python_loop(name)

    # The floor and the ufunc must be computing the same thing.
    floor.run(raw, out, *inputs)
    assert np.array_equal(out.view(np.uint64), uf(*inputs).view(np.uint64)), name

    contenders: Dict[str, Callable[[], object]] = {
        "floor out": lambda: floor.run(raw, out, *inputs),
        "ufunc out=": lambda: uf(*inputs, out=out),
        "floor new": lambda: floor.run(raw, np.empty(SIZE), *inputs),
        "ufunc": lambda: uf(*inputs),
        "numpy expr": lambda: expression(*inputs),
        "python loop": lambda: python_loop(*short),
    }
    given = np.empty(SIZE)
    if name in SLOPES:
        contenders["libm loop"] = lambda: floors.libm_vapour_pressure(
            given.ctypes.data, inputs[0].ctypes.data, SIZE, SLOPES[name]
        )
    if name == "T_Melting":
        contenders["copy"] = lambda: floors.copy_floor(given.ctypes.data, inputs[0].ctypes.data, SIZE)
    sizes = {key: PYTHON_LOOP_SIZE if key == "python loop" else SIZE for key in contenders}
    times: Dict[str, List[float]] = {key: [] for key in contenders}
    for run in contenders.values():
        run()  # warm up caches and the allocator
    # A new array is cheap when the allocator hands back memory just freed and
    # costs page faults when it does not: a shuffled order per repetition
    # spreads that luck evenly instead of pinning it on one contender.
    order = list(contenders)
    for _ in range(repeat):
        rng.shuffle(order)
        for key in order:
            times[key].append(_time_once(contenders[key]) / sizes[key])
    best = {key: min(values) for key, values in times.items()}
    best.update({key + " median": statistics.median(values) for key, values in times.items()})
    return best


def _verdict(ok: bool) -> str:
    return "ok" if ok else "MISSED"


# --- The thermodynamic surface ------------------------------------------------------------------
# States of each property's phase, off 1 bar, as (low, high) per input (T in
# °C, P in bar): the condensed phases at 100 bar, the vapour at 0.01 bar.
_SOLID = [(25.0, 800.0), (100.0, 100.0)]
_LIQUID = [(801.0, 1400.0), (100.0, 100.0)]
_VAPOUR = [(800.0, 1400.0), (0.01, 0.01)]
SURFACE_RANGES = {
    **{
        f"{quantity}_{phase}": states
        for phase, states in (("Solid", _SOLID), ("Liquid", _LIQUID), ("Vapour", _VAPOUR))
        for quantity in ("Cp", "H", "S", "G", "Gf")
    },
    "Cp_VapourFrozen": _VAPOUR,
    "Rho_Vapour": _VAPOUR,
    "X_Dimer": _VAPOUR,
    "K_Dimer": [(800.0, 1400.0)],
    "P_Vapour": [(801.0, 1400.0)],
    "P_LiquidVapour": [(801.0, 1400.0)],
    "P_SolidVapour": [(300.0, 800.0)],
}
VAPOUR_PRESSURES = ("P_Vapour", "P_LiquidVapour", "P_SolidVapour")
# Each surface property's ufunc out= against P_Boiling's, per element.
MAX_SURFACE, MAX_VAPOUR_PRESSURE = 4.0, 8.0

# The model's constants and data, as its headers write them.
_C = {name: float(value) for name, value in read_constants("shared.h", "adjustments.h", "correlations.h").items()}
_SPECIES = {name: [float(number) for number in numbers] for name, numbers in read_species("thermochemistry.h").items()}
_R = _C["GasConstant"]


def _h_s(species: str, Tk: np.ndarray, lnT: np.ndarray) -> Tuple[np.ndarray, np.ndarray]:
    """H and S of a species at 1 bar from its NASA polynomials, the interval chosen element by element."""
    data = _SPECIES[species]
    low, high = np.array(data[1:8])[:, None], np.array(data[8:15])[:, None]
    a = np.where(Tk <= data[0], low, high)
    h = ((((a[4] / 5 * Tk + a[3] / 4) * Tk + a[2] / 3) * Tk + a[1] / 2) * Tk + a[0]) * Tk + a[5]
    s = a[0] * lnT + (((a[4] / 4 * Tk + a[3] / 3) * Tk + a[2] / 2) * Tk + a[1]) * Tk + a[6]
    return h * _R, s * _R


def _vapour_species(Tk: np.ndarray, lnT: np.ndarray) -> Tuple[np.ndarray, np.ndarray]:
    """The shifted Gibbs energies g1 (NaCl) and g2 (Na2Cl2) at 1 bar."""
    shift = _C["VapourEntropyShift"] * (_C["VapourPivot"] - Tk)
    (h1, s1), (h2, s2) = _h_s("Monomer", Tk, lnT), _h_s("Dimer", Tk, lnT)
    return h1 - Tk * s1 + shift, h2 - Tk * s2 + 2.0 * shift


def _g_vapour_expression(T: np.ndarray, P: np.ndarray) -> np.ndarray:
    Tk = T + 273.15
    RT = _R * Tk
    g1, g2 = _vapour_species(Tk, np.log(Tk))
    KP = np.exp(-(g2 - 2.0 * g1) / RT) * P
    y1 = 2.0 / (1.0 + np.sqrt(4.0 * KP + 1.0))
    y2 = np.where(y1 <= 0.5, 1.0 - y1, KP * y1 * y1)
    return np.where(y1 >= y2, g1 + RT * np.log(y1 * P), 0.5 * (g2 + RT * np.log(y2 * P)))


def _liquid_volume(T: np.ndarray) -> np.ndarray:
    return (T * _C["LiquidVolumeLinear"] + _C["LiquidVolumeAtZero"]) - T * _C["LiquidVolumeQuadratic"] * T


def _cp_liquid_expression(T: np.ndarray, P: np.ndarray) -> np.ndarray:
    """Cp of the liquid: the standard state's less Tk d2G/dT2 of the volume's integral, in closed form."""
    Tk = T + 273.15
    a0 = np.array(_SPECIES["Liquid"][1:6])
    cp0 = ((((a0[4] * Tk + a0[3]) * Tk + a0[2]) * Tk + a0[1]) * Tk + a0[0]) * _R
    Vm = _liquid_volume(T)
    dVm = _C["LiquidVolumeLinear"] - 2.0 * _C["LiquidVolumeQuadratic"] * T
    c = 10.0 * (T * _C["CompressionLinear"] - _C["CompressionAtZero"])
    dc = 10.0 * _C["CompressionLinear"]
    a, a1 = 1.0 + c * P, 1.0 + c
    la, la1 = np.log(a), np.log(a1)
    J = 1.1 * (P - 1.0) - 0.1 * (a * la - a1 * la1) / c
    first = (P - 1.0) / c - (la - la1) / c**2
    second = ((a - a1) - 2.0 * (la - la1) - (1.0 / a - 1.0 / a1)) / c**3
    J_T, J_TT = -0.1 * dc * first, 0.1 * dc * dc * second
    I_TT = -2.0 * _C["LiquidVolumeQuadratic"] * J + 2.0 * dVm * J_T + Vm * J_TT
    return cp0 - 0.1 * Tk * I_TT


def _p_vapour_expression(T: np.ndarray) -> np.ndarray:
    """The vapour pressure over the liquid: the anchors at 1 bar, then Newton's steps on P - p1 - p2."""
    Tk = T + 273.15
    RT, lnT = _R * Tk, np.log(Tk)
    g1, g2 = _vapour_species(Tk, lnT)
    h, s = _h_s("Liquid", Tk, lnT)
    G0 = h - Tk * s
    a, b = np.exp((G0 - g1) / RT), np.exp((2.0 * G0 - g2) / RT)
    Vm = _liquid_volume(T)
    c = 10.0 * (T * _C["CompressionLinear"] - _C["CompressionAtZero"])

    def volume(P: np.ndarray) -> np.ndarray:
        return 0.1 * Vm * (1.0 - 0.1 * np.log1p(c * P))

    def phi(P: np.ndarray) -> np.ndarray:
        a_P, a_1 = 1.0 + c * P, 1.0 + c
        J = 1.1 * (P - 1.0) - 0.1 * (a_P * np.log1p(c * P) - a_1 * np.log1p(c)) / c
        return 0.1 * Vm * J / RT

    P, p1, p2, V = np.ones_like(T), a, b, volume(1.0)
    for step in range(2):
        P = P - (P - (p1 + p2)) * RT / (RT - (p1 + 2.0 * p2) * V)
        if step == 0:
            E = np.exp(phi(P))
            p1, p2, V = a * E, b * E * E, volume(P)
    return P


SURFACE_EXPRESSIONS: Dict[str, Callable[..., np.ndarray]] = {
    "Cp_Liquid": _cp_liquid_expression,
    "G_Vapour": _g_vapour_expression,
    "P_Vapour": _p_vapour_expression,
}


def _surface_inputs(name: str, rng: np.random.Generator) -> List[np.ndarray]:
    return [rng.uniform(low, high, SIZE) for low, high in SURFACE_RANGES[name]]


def _time_surface(repeat: int) -> Tuple[Dict[str, Dict[str, float]], float]:
    """Best seconds per element of each surface property's ufunc out=, its memory floor and its NumPy
    expression, and of P_Boiling's ufunc out=, all timed in turns in a shuffled order each round."""
    rng = np.random.default_rng(2028)
    out = np.empty(SIZE)
    boiling_T = rng.uniform(*RANGES["P_Boiling"][0], SIZE)
    contenders: Dict[Tuple[str, str], Callable[[], object]] = {
        ("P_Boiling", "ufunc"): lambda: _ufuncs.P_Boiling(boiling_T, out=out)
    }
    for name in SURFACE_RANGES:
        inputs = _surface_inputs(name, rng)
        raw = getattr(_ufuncs, name)
        contenders[(name, "ufunc")] = lambda f=raw, a=inputs: f(*a, out=out)
        if len(inputs) == 2:
            contenders[(name, "floor")] = lambda a=inputs: np.add(*a, out=out)
        else:
            contenders[(name, "floor")] = lambda a=inputs: np.copyto(out, a[0])
        if name in SURFACE_EXPRESSIONS:
            contenders[(name, "numpy expr")] = lambda f=SURFACE_EXPRESSIONS[name], a=inputs: f(*a)
    times: Dict[Tuple[str, str], List[float]] = {key: [] for key in contenders}
    order = list(contenders)
    with np.errstate(all="ignore"):
        for round_ in range(repeat + 1):  # the first round warms up caches and allocators
            rng.shuffle(order)  # type: ignore[arg-type]
            for key in order:
                seconds = _time_once(contenders[key]) / SIZE
                if round_:
                    times[key].append(seconds)
    best: Dict[str, Dict[str, float]] = {}
    for (name, kind), values in times.items():
        best.setdefault(name, {})[kind] = min(values)
    return best, best.pop("P_Boiling")["ufunc"]


def _print_surface(repeat: int) -> None:
    best, boiling = _time_surface(repeat)
    print(
        f"the thermodynamic surface: ufunc out= in ns per element, best of {repeat}, on states of each phase off 1 bar; "
        f"P_Boiling's ufunc out= {boiling * 1e9:.2f} ns; SIMD kernels: {_ufuncs.kernels}"
    )
    print(
        f"{'property':<16}{'ufunc':>8}{'x P_Boiling':>13}{'target':>8}{'':>8}{'x floor':>9}{'numpy expr':>12}{'/ ufunc':>9}"
    )
    for name, kinds in best.items():
        ufunc = kinds["ufunc"]
        target = MAX_VAPOUR_PRESSURE if name in VAPOUR_PRESSURES else MAX_SURFACE
        expression = kinds.get("numpy expr")
        cells = f"{expression * 1e9:>12.2f}{expression / ufunc:>9.2f}" if expression else ""
        print(
            f"{name:<16}{ufunc * 1e9:>8.2f}{ufunc / boiling:>13.2f}{target:>7.0f}x{_verdict(ufunc <= target * boiling):>8}"
            f"{ufunc / kinds['floor']:>9.2f}{cells}"
        )


# One interpreter per kernel set: it prints the set it runs, then for each
# line read times every property once (ufunc out=, on the inputs that
# _measure uses) and prints the seconds per element as a JSON line.
_KERNEL_SET_WORKER = """
import json, sys, time
import numpy as np
from Halx import _ufuncs
from Halx import ufunc as hu
size, ranges = json.loads(sys.argv[1])
rng = np.random.default_rng(2024)
inputs = {name: [rng.uniform(low, high, size) for low, high in bounds] for name, bounds in ranges.items()}
out = np.empty(size)
print(_ufuncs.kernels, flush=True)
np.seterr(all="ignore")
for _ in sys.stdin:
    seconds = {}
    for name, arrays in inputs.items():
        uf = getattr(hu, name)
        start = time.perf_counter()
        uf(*arrays, out=out)
        seconds[name] = (time.perf_counter() - start) / size
    print(json.dumps(seconds), flush=True)
"""
KERNEL_SETS = ("plain", "sse2", "avx2", "avx512")


def _start_worker(kernels: str) -> Optional["subprocess.Popen[str]"]:
    """An interpreter timing the ufuncs on the named kernel set, or None when
    this build or CPU has no such set."""
    env = dict(os.environ, HALX_SIMD=kernels)
    worker = subprocess.Popen(
        [sys.executable, "-c", _KERNEL_SET_WORKER, json.dumps([SIZE, {**RANGES, **SURFACE_RANGES}])],
        env=env,
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    assert worker.stdout is not None
    if not worker.stdout.readline():
        worker.wait()
        return None
    return worker


def _time_kernel_sets(repeat: int) -> Tuple[str, Dict[str, Dict[str, float]]]:
    """The automatic choice's name, and the best seconds per element of each
    property on each kernel set this CPU runs, timed in turns."""
    automatic = subprocess.run(
        [sys.executable, "-c", "from Halx import _ufuncs; print(_ufuncs.kernels)"],
        env={k: v for k, v in os.environ.items() if k != "HALX_SIMD"},
        capture_output=True,
        text=True,
        check=True,
    ).stdout.strip()
    started = {name: _start_worker(name) for name in KERNEL_SETS}
    workers = {name: worker for name, worker in started.items() if worker is not None}
    times: Dict[str, Dict[str, List[float]]] = {name: {p: [] for p in {**RANGES, **SURFACE_RANGES}} for name in workers}
    order = list(workers)
    rng = np.random.default_rng(2025)
    try:
        for round_ in range(repeat + 1):  # the first round warms up caches and allocators
            rng.shuffle(order)
            for name in order:
                worker = workers[name]
                assert worker.stdin is not None and worker.stdout is not None
                worker.stdin.write("\n")
                worker.stdin.flush()
                seconds = json.loads(worker.stdout.readline())
                if round_:
                    for prop, value in seconds.items():
                        times[name][prop].append(value)
    finally:
        for worker in workers.values():
            assert worker.stdin is not None
            worker.stdin.close()
            worker.wait()
    return automatic, {name: {p: min(v) for p, v in by_property.items()} for name, by_property in times.items()}


def _print_kernel_sets(repeat: int) -> None:
    automatic, best = _time_kernel_sets(repeat)
    plain = best["plain"]
    print(
        f"ufunc out= per kernel set: ns per element, best of {repeat}, and / plain in brackets; "
        f"the automatic choice here: {automatic}"
    )
    print(f"{'property':<14}" + "".join(f"{name + (' (auto)' if name == automatic else ''):>20}" for name in best))
    for prop in {**RANGES, **SURFACE_RANGES}:
        print(
            f"{prop:<14}"
            + "".join(f"{best[name][prop] * 1e9:>11.2f} ({best[name][prop] / plain[prop]:>5.2f})" for name in best)
        )


# The check of Halx.ufunc may cost this much over the raw ufunc.
MAX_CHECKED = 1.10
# The inputs of the check's timing: the property's plausible span within
# these, where every property gives finite numbers at some cost of its own.
CHECKED_INPUTS = {"T": (25.0, 1400.0), "P": (1.0e-4, 5000.0)}


def _inputs_inside_spans(name: str) -> List[np.ndarray]:
    """Inputs of property name for the check's timing, inside its plausible spans."""
    rng = np.random.default_rng(2026)
    row = next(r for r in PROPERTIES if r.name == name)
    bounds = RANGES.get(name) or [
        (max(low, CHECKED_INPUTS[argument.name][0]), min(high, CHECKED_INPUTS[argument.name][1]))
        for argument, (low, high) in zip(row.arguments, spans_of(row))
    ]
    return [rng.uniform(low, high, SIZE) for low, high in bounds]


def _time_checks(repeat: int) -> Dict[str, Dict[str, float]]:
    """Best seconds per element of the checked and the raw ufunc of every
    property, new array and out=. Each round takes the properties in a
    shuffled order and times the four calls of one property one after the
    other, in a shuffled order: what the ratio compares runs under the same
    load of the machine."""
    out = np.empty(SIZE)
    contenders: Dict[str, Dict[str, Callable[[], object]]] = {}
    for row in PROPERTIES:
        inputs = _inputs_inside_spans(row.name)
        checked, raw = getattr(hu, row.name), getattr(_ufuncs, row.name)
        target = np.empty(SIZE, dtype=np.int8) if row.result == "phase" else out
        contenders[row.name] = {
            "checked": lambda f=checked, a=inputs: f(*a),
            "unchecked": lambda f=raw, a=inputs: f(*a),
            "checked out=": lambda f=checked, a=inputs, o=target: f(*a, out=o),
            "unchecked out=": lambda f=raw, a=inputs, o=target: f(*a, out=o),
        }
    times: Dict[str, Dict[str, List[float]]] = {
        name: {kind: [] for kind in kinds} for name, kinds in contenders.items()
    }
    names = list(contenders)
    rng = np.random.default_rng(2027)
    # Where a state has no phase (a vapour denser than a tenth of the liquid), the model's NaN and its
    # invalid flag are part of the cost; NumPy need not report them.
    with warnings.catch_warnings(), np.errstate(all="ignore"):
        warnings.simplefilter("error", RangeWarning)  # the inputs must be inside: a warning would time the slow path
        for round_ in range(repeat + 1):  # the first round warms up caches and allocators
            rng.shuffle(names)  # type: ignore[arg-type]
            for name in names:
                kinds = list(contenders[name])
                rng.shuffle(kinds)  # type: ignore[arg-type]
                for kind in kinds:
                    seconds = _time_once(contenders[name][kind]) / SIZE
                    if round_:
                        times[name][kind].append(seconds)
    return {row.name: {kind: min(values) for kind, values in times[row.name].items()} for row in PROPERTIES}


def _print_checks(repeat: int) -> None:
    best = _time_checks(repeat)
    print(
        f"the check of Halx.ufunc: ns per element, best of {repeat}, of the function and of the raw ufunc, "
        f"and checked / unchecked (target <= {MAX_CHECKED})"
    )
    print(
        f"{'property':<16}{'checked':>10}{'unchecked':>11}{'ratio':>14}{'out= checked':>14}{'unchecked':>11}{'ratio':>14}"
    )
    for name, kinds in best.items():
        cells = ""
        for suffix in ("", " out="):
            checked, unchecked = kinds["checked" + suffix], kinds["unchecked" + suffix]
            ratio = checked / unchecked
            cells += f"{checked * 1e9:>10.2f}{unchecked * 1e9:>11.2f}{ratio:>7.3f} {_verdict(ratio <= MAX_CHECKED):>6}"
        print(f"{name:<16}{cells}")


def main(argv: Sequence[str] = ()) -> None:
    """Measure every property and print ns/element and ratios against the targets."""
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=15, help="interleaved repetitions (default 15)")
    parser.add_argument(
        "--kernel-sets-only", action="store_true", help="time only the ufuncs on each kernel set against the plain loop"
    )
    parser.add_argument(
        "--checked-only", action="store_true", help="time only the check of Halx.ufunc against the raw ufuncs"
    )
    parser.add_argument(
        "--surface-only", action="store_true", help="time only the thermodynamic surface's ufuncs against P_Boiling's"
    )
    args = parser.parse_args(list(argv) or None)
    if args.kernel_sets_only:
        _print_kernel_sets(args.repeat)
        return
    if args.checked_only:
        _print_checks(args.repeat)
        return
    if args.surface_only:
        _print_surface(args.repeat)
        return

    keys = ["floor out", "ufunc out=", "floor new", "ufunc", "numpy expr", "python loop", "libm loop", "copy"]
    print(
        f"ns per element, best of {args.repeat} (median in brackets); "
        f"{SIZE} elements, python loop on {PYTHON_LOOP_SIZE}; SIMD kernels: {_ufuncs.kernels}"
    )
    print(f"{'property':<14}" + "".join(f"{key:>20}" for key in keys))
    rows = []
    with tempfile.TemporaryDirectory() as directory:
        floor = build_ufunc_floor(Path(directory))
        floors = build_array_floors(Path(directory))
        for name in EXPRESSIONS:
            best = _measure(name, args.repeat, floor, floors)
            rows.append((name, best))
            cells = "".join(
                f"{best[k] * 1e9:>10.2f} ({best[k + ' median'] * 1e9:>6.2f})" if k in best else f"{'':>20}"
                for k in keys
            )
            print(f"{name:<14}{cells}")

    print()
    header = [
        "ufunc out=/floor out",
        "ufunc/floor new",
        "numpy expr/ufunc",
        "libm loop/ufunc out=",
        "ufunc out=/copy",
        "python loop/ufunc",
    ]
    print(f"{'property':<14}" + "".join(f"{title:>22}" for title in header))
    for name, best in rows:
        max_floor, min_expression, min_libm, max_copy, min_loop = TARGETS[name]
        ratios = [
            (best["ufunc out="] / best["floor out"], best["ufunc out="] <= max_floor * best["floor out"]),
            (best["ufunc"] / best["floor new"], best["ufunc"] <= max_floor * best["floor new"]),
            (best["numpy expr"] / best["ufunc"], best["numpy expr"] >= min_expression * best["ufunc"]),
            None
            if min_libm is None
            else (best["libm loop"] / best["ufunc out="], best["libm loop"] >= min_libm * best["ufunc out="]),
            None
            if max_copy is None
            else (best["ufunc out="] / best["copy"], best["ufunc out="] <= max_copy * best["copy"]),
            (best["python loop"] / best["ufunc"], best["python loop"] >= min_loop * best["ufunc"]),
        ]
        print(
            f"{name:<14}"
            + "".join(f"{'':>22}" if cell is None else f"{cell[0]:>14.2f} {_verdict(cell[1]):>7}" for cell in ratios)
        )

    print()
    _print_surface(args.repeat)
    print()
    _print_kernel_sets(args.repeat)
    print()
    _print_checks(args.repeat)


if __name__ == "__main__":
    main()

"""Instructions per method call, counted by valgrind's callgrind: repeatable on a busy machine.

    python benchmarks/call_instructions.py [--calls N]

Counts the instructions of a loop of N calls and of an empty loop, in fresh
interpreters under ``valgrind --tool=callgrind``, and prints the difference
per call for ``h.P_Boiling(T)`` and ``h.Rho_Liquid(T, P)`` as ``cHalx``
binds them (the documented functions of ``Halx._functions``) and as a class
binds the flat functions of ``_Halx`` themselves. The two must cost the same:
the documented methods run the flat functions' entry points. Needs valgrind.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

# Run in the child: N calls of one case, after the same set-up for every case.
CHILD = """
import sys
import _Halx
import Halx

class FlatBound:
    __slots__ = ("this", "__weakref__")
    P_Boiling = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_P_Boiling)
    Rho_Liquid = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_Rho_Liquid)

flat = FlatBound()
_Halx.cHalx_swiginit(flat, _Halx.new_cHalx())
h = Halx.cHalx()
case, calls = sys.argv[1], int(sys.argv[2])
proxy = flat if case.startswith("flat") else h
if case.endswith("P_Boiling"):
    for _ in range(calls):
        proxy.P_Boiling(1000.0)
else:
    for _ in range(calls):
        proxy.Rho_Liquid(1000.0, 100.0)
"""

CASES = {
    "h.P_Boiling(T)": "documented P_Boiling",
    "flat-bound P_Boiling(T)": "flat P_Boiling",
    "h.Rho_Liquid(T, P)": "documented Rho_Liquid",
    "flat-bound Rho_Liquid(T, P)": "flat Rho_Liquid",
}


def instructions(case: str, calls: int, directory: str) -> int:
    output = os.path.join(directory, "callgrind.out")
    result = subprocess.run(
        [
            "valgrind",
            "--tool=callgrind",
            f"--callgrind-out-file={output}",
            sys.executable,
            "-c",
            CHILD,
            case,
            str(calls),
        ],
        capture_output=True,
        text=True,
        check=True,
        env={**os.environ, "PYTHONHASHSEED": "0"},
    )
    return int(re.search(r"Collected : (\d+)", result.stderr).group(1))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=100_000)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as directory:
        print(f"{'case':<30}{'instructions/call':>18}")
        for name, case in CASES.items():
            net = instructions(case, options.calls, directory) - instructions(case, 0, directory)
            print(f"{name:<30}{net / options.calls:18.1f}")


if __name__ == "__main__":
    main()

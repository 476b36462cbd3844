"""Instructions per scalar call, counted by valgrind's callgrind: repeatable on a loaded machine.

    python benchmarks/count_instructions.py [--calls N] [CASE ...]

Runs the cases of bench_calls.py (all, or those named) in a fresh
interpreter under callgrind, once with N calls and once with 2N, so that
start-up cancels out; subtracts the empty loop's count per iteration; and
prints instructions per call with the ratio to the method call
h.P_Boiling(T). Needs valgrind on PATH; takes a few seconds per case.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path
from typing import List

from bench_calls import CASES, METHOD_CALL

SETUP = "import _Halx, Halx; h = Halx.cHalx(); T = 1000.0; P = 100.0\n"
SETUP += "P_Boiling, Rho_Liquid, T_Melting = _Halx.cHalx_P_Boiling, _Halx.cHalx_Rho_Liquid, _Halx.cHalx_T_Melting\n"


def total_instructions(statement: str, calls: int) -> int:
    """Instructions that a fresh interpreter executes to run statement `calls` times."""
    program = SETUP + f"for _ in range({calls}):\n    {statement}\n"
    with tempfile.TemporaryDirectory() as directory:
        output = Path(directory) / "callgrind.out"
        run = subprocess.run(
            ["valgrind", "--tool=callgrind", f"--callgrind-out-file={output}", sys.executable, "-c", program],
            capture_output=True,
            text=True,
            check=True,
            # A fixed hash seed: with a random one the same call's count moves
            # by about 15 % from one interpreter to the next.
            env={**os.environ, "PYTHONHASHSEED": "0"},
        )
    return int(re.search(r"Collected : (\d+)", run.stderr).group(1))


def per_call(statement: str, calls: int) -> float:
    return (total_instructions(statement, 2 * calls) - total_instructions(statement, calls)) / calls


def main(argv: List[str]) -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=20_000)
    parser.add_argument("cases", nargs="*", help="cases of bench_calls.py (default: all but the floor)")
    options = parser.parse_args(argv)
    names = options.cases or [name for name in CASES if not name.startswith("floor")]
    loop = per_call("pass", options.calls)
    counts = {name: per_call(CASES[name][0], options.calls) - loop for name in dict.fromkeys([METHOD_CALL, *names])}
    print(f"{'case':<28}{'instructions':>13}{'x method':>10}")
    for name, count in counts.items():
        print(f"{name:<28}{count:13.0f}{count / counts[METHOD_CALL]:10.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])

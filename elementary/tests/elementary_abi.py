"""Builds the C interface of elementary_abi.cpp through CMake and loads it with
ctypes, so the checks of correct rounding reach the C++ functions and every
SIMD kernel set directly.

The library is the target halx_elementary_abi of elementary/CMakeLists.txt
(configured with -DHALX_ELEMENTARY_TESTS=ON, no Python, and built alone), so
it is compiled from the very sources, flags and instruction sets of the
package's own libraries.
"""

import ctypes
import platform
import shutil
import subprocess
import sys
from pathlib import Path
from typing import List, Optional

import numpy as np

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
X86 = platform.machine().lower() in ("x86_64", "amd64")
KERNEL_SETS = ["plain", "sse2", "avx2", "avx512"]
TARGET = "halx_elementary_abi"
# What CMake says when it finds no C++ compiler, or one that cannot build
# (CXX=false, as where CI installs the wheel with no compiler at hand).
NO_COMPILER = (
    "No CMAKE_CXX_COMPILER could be found",
    "CMAKE_CXX_COMPILER not set",
    "is not able to compile a simple test program",
)


class CannotBuild(RuntimeError):
    """The machine lacks CMake or a C++ compiler; the message says which."""


def cmake() -> Optional[str]:
    """The cmake command: on PATH, beside this interpreter, or from the cmake
    package on PyPI; None when there is none."""
    found = shutil.which("cmake") or shutil.which("cmake", path=str(Path(sys.executable).parent))
    if found:
        return found
    try:
        import cmake as cmake_package  # type: ignore[import-not-found]
    except ImportError:
        return None
    return shutil.which("cmake", path=cmake_package.CMAKE_BIN_DIR)


def _run(command: List[str]) -> str:
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        if any(phrase in result.stdout for phrase in NO_COMPILER):
            raise CannotBuild("needs a working C++ compiler")
        raise RuntimeError(f"{' '.join(command)} failed:\n{result.stdout}")
    return result.stdout


def build(directory: Path) -> Path:
    """Configures the repository in directory and builds the library there
    (two jobs at a time); returns its path. Raises CannotBuild without CMake
    or a C++ compiler."""
    command = cmake()
    if command is None:
        raise CannotBuild("needs CMake")
    _run(
        [
            command,
            "-S",
            str(ROOT),
            "-B",
            str(directory),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DHALX_PYTHON=OFF",
            "-DHALX_ELEMENTARY_TESTS=ON",
        ]
    )
    _run([command, "--build", str(directory), "--target", TARGET, "--config", "Release", "--parallel", "2"])
    for name in (f"lib{TARGET}.so", f"lib{TARGET}.dylib", f"{TARGET}.dll"):
        if (directory / name).exists():
            return directory / name
    raise RuntimeError(f"the build in {directory} left no library {TARGET}")


class Elementary:
    """The library's functions over NumPy float64 arrays."""

    def __init__(self, library: Path):
        self._lib = ctypes.CDLL(str(library))
        pointer = ctypes.c_void_p
        self._lib.halx_has_kernels.argtypes = [ctypes.c_char_p]
        self._lib.halx_run.argtypes = [ctypes.c_char_p, ctypes.c_char_p, pointer, pointer, pointer, ctypes.c_ssize_t]
        self._lib.halx_slow.argtypes = [ctypes.c_char_p, pointer, pointer, ctypes.c_ssize_t]
        self._lib.halx_fast.argtypes = [
            ctypes.c_char_p,
            ctypes.c_char_p,
            pointer,
            pointer,
            pointer,
            pointer,
            pointer,
            ctypes.c_ssize_t,
        ]
        self._lib.halx_accurate.argtypes = [ctypes.c_char_p, pointer, pointer, pointer, ctypes.c_ssize_t]
        self._lib.halx_round_exact_sum.argtypes = [pointer] * 6 + [ctypes.c_ssize_t]
        self.kernel_sets = [name for name in KERNEL_SETS if self._lib.halx_has_kernels(name.encode())]

    @staticmethod
    def _input(values) -> np.ndarray:
        return np.ascontiguousarray(values, dtype=np.float64)

    def run(self, kernel_set: str, function: str, x, y=None) -> np.ndarray:
        """function over x (and y) with the named kernel set."""
        x = self._input(x)
        y = self._input(y) if y is not None else x
        out = np.empty_like(x)
        status = self._lib.halx_run(
            kernel_set.encode(), function.encode(), x.ctypes.data, y.ctypes.data, out.ctypes.data, x.size
        )
        assert status == 0, (kernel_set, function)
        return out

    def slow(self, function: str, x) -> np.ndarray:
        """The slow path of exp, log or exp10 over x."""
        x = self._input(x)
        out = np.empty_like(x)
        assert self._lib.halx_slow(function.encode(), x.ctypes.data, out.ctypes.data, x.size) == 0
        return out

    def fast(self, function: str, x, path: str = "scalar"):
        """(hi, low, scale exponent, settled) of a fast path over ordinary x: the
        scalar functions' ("scalar") or the AVX-512 kernels' ("avx512")."""
        x = self._input(x)
        hi, low, scale = np.empty_like(x), np.empty_like(x), np.empty_like(x)
        settled = np.empty(x.size, dtype=np.intc)
        assert (
            self._lib.halx_fast(
                path.encode(),
                function.encode(),
                x.ctypes.data,
                hi.ctypes.data,
                low.ctypes.data,
                scale.ctypes.data,
                settled.ctypes.data,
                x.size,
            )
            == 0
        )
        return hi, low, scale, settled.astype(bool)

    def accurate(self, function: str, x):
        """(result, settled) of the second step over ordinary x."""
        x = self._input(x)
        out = np.empty_like(x)
        settled = np.empty(x.size, dtype=np.intc)
        status = self._lib.halx_accurate(function.encode(), x.ctypes.data, out.ctypes.data, settled.ctypes.data, x.size)
        assert status == 0
        return out, settled.astype(bool)

    def round_exact_sum(self, hi, mid, lo, margin):
        """(result, settled) of the second step's rounding of hi + mid + lo with margin."""
        hi, mid, lo, margin = (self._input(v) for v in (hi, mid, lo, margin))
        out = np.empty_like(hi)
        settled = np.empty(hi.size, dtype=np.intc)
        pointers = [v.ctypes.data for v in (hi, mid, lo, margin, out, settled)]
        assert self._lib.halx_round_exact_sum(*pointers, hi.size) == 0
        return out, settled.astype(bool)


def load(directory: Path) -> Elementary:
    """Builds the library into directory and loads it; raises CannotBuild as build() does."""
    return Elementary(build(directory))

"""Builds tests/elementary/elementary_abi.cpp with the model's sources into a
shared library and loads it with ctypes, so the checks of correct rounding
reach the C++ functions and every SIMD kernel set directly.

The instruction-set flags mirror CMakeLists.txt: each SIMD file is compiled
alone with its own set, everything with the exact floating-point flags.
"""
import ctypes
import platform
import shlex
import shutil
import subprocess
import sysconfig
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path
from typing import Dict, List, Optional

import numpy as np

HERE = Path(__file__).resolve().parent
MODEL = HERE.parent.parent / "model"
X86 = platform.machine().lower() in ("x86_64", "amd64")

#: Source -> its own flags.
SOURCES: Dict[Path, List[str]] = {
    MODEL / "Halx.cpp": [],
    MODEL / "elementary.cpp": ["-DHALX_X86_KERNELS"] if X86 else [],
    MODEL / "elementary_slow.cpp": [],
    MODEL / "elementary_tables.cpp": [],
    MODEL / "array_kernels.cpp": ["-DHALX_X86_KERNELS"] if X86 else [],
    HERE / "elementary_abi.cpp": [],
}
if X86:
    SOURCES.update({
        MODEL / "elementary_fma.cpp": ["-mfma"],
        MODEL / "array_kernels_sse2.cpp": [],
        MODEL / "array_kernels_avx2.cpp": ["-mavx2", "-mfma"],
        MODEL / "array_kernels_avx512.cpp": ["-mavx512f", "-mavx512dq", "-mfma"],
    })
FLAGS = ["-std=c++17", "-O2", "-fPIC", "-ffp-contract=off", "-fno-fast-math", "-I", str(MODEL)]
KERNEL_SETS = ["plain", "sse2", "avx2", "avx512"]


def compiler() -> Optional[List[str]]:
    """The interpreter's C++ compiler command, or None when there is none."""
    command = shlex.split(sysconfig.get_config_var("CXX") or "c++")
    return command if shutil.which(command[0]) else None


def build(directory: Path) -> Path:
    """Compiles the library into directory (two jobs at a time); returns its path."""
    command = compiler()
    if command is None:
        raise RuntimeError("no C++ compiler found")

    def compile_one(item):
        source, flags = item
        target = directory / (source.stem + ".o")
        subprocess.run(command + FLAGS + flags + ["-c", str(source), "-o", str(target)], check=True)
        return str(target)

    with ThreadPoolExecutor(max_workers=2) as pool:
        objects = list(pool.map(compile_one, SOURCES.items()))
    library = directory / "libhalx_elementary_abi.so"
    subprocess.run(command + ["-shared"] + objects + ["-o", str(library)], check=True)
    return library


class Elementary:
    """The library's functions over NumPy float64 arrays."""

    def __init__(self, library: Path):
        self._lib = ctypes.CDLL(str(library))
        pointer = ctypes.c_void_p
        self._lib.halx_has_kernels.argtypes = [ctypes.c_char_p]
        self._lib.halx_run.argtypes = [ctypes.c_char_p, ctypes.c_char_p, pointer, pointer, pointer, ctypes.c_ssize_t]
        self._lib.halx_slow.argtypes = [ctypes.c_char_p, pointer, pointer, ctypes.c_ssize_t]
        self._lib.halx_fast.argtypes = [ctypes.c_char_p, pointer, pointer, pointer, pointer, pointer, ctypes.c_ssize_t]
        self.kernel_sets = [name for name in KERNEL_SETS if self._lib.halx_has_kernels(name.encode())]

    @staticmethod
    def _input(values) -> np.ndarray:
        return np.ascontiguousarray(values, dtype=np.float64)

    def run(self, kernel_set: str, function: str, x, y=None) -> np.ndarray:
        """function over x (and y) with the named kernel set."""
        x = self._input(x)
        y = self._input(y) if y is not None else x
        out = np.empty_like(x)
        status = self._lib.halx_run(kernel_set.encode(), function.encode(), x.ctypes.data, y.ctypes.data,
                                    out.ctypes.data, x.size)
        assert status == 0, (kernel_set, function)
        return out

    def slow(self, function: str, x) -> np.ndarray:
        """The slow path of exp, log or exp10 over x."""
        x = self._input(x)
        out = np.empty_like(x)
        assert self._lib.halx_slow(function.encode(), x.ctypes.data, out.ctypes.data, x.size) == 0
        return out

    def fast(self, function: str, x):
        """(hi, low, scale exponent, settled) of the scalar fast path over ordinary x."""
        x = self._input(x)
        hi, low, scale = np.empty_like(x), np.empty_like(x), np.empty_like(x)
        settled = np.empty(x.size, dtype=np.intc)
        assert self._lib.halx_fast(function.encode(), x.ctypes.data, hi.ctypes.data, low.ctypes.data,
                                   scale.ctypes.data, settled.ctypes.data, x.size) == 0
        return hi, low, scale, settled.astype(bool)


def load(directory: Path) -> Elementary:
    return Elementary(build(directory))


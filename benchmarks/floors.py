"""The compiled floors of the benchmarks, built when a benchmark runs.

A floor is the least that a case can cost, measured in the same run: for a
scalar call, a do-nothing METH_VARARGS function (call_floor.c); for a ufunc,
the ufunc's own inner loop run over whole buffers with no NumPy machinery
(ufunc_floor.cpp); for an array, loops that only copy, or call the C library
(array_floors.c). They are compiled here, into a temporary directory, with
the interpreter's compiler, so nothing of them ships in the package.
"""

import ctypes
import importlib.util
import shlex
import subprocess
import sysconfig
from pathlib import Path
from types import ModuleType

__all__ = ["build_call_floor", "build_ufunc_floor", "build_array_floors"]

HERE = Path(__file__).resolve().parent


def _load(name: str, path: Path) -> ModuleType:
    location = importlib.util.spec_from_file_location(name, path)
    assert location is not None and location.loader is not None
    module = importlib.util.module_from_spec(location)
    location.loader.exec_module(module)
    return module


def _compile(name: str, command: list, directory: Path) -> ModuleType:
    target = directory / (name + sysconfig.get_config_var("EXT_SUFFIX"))
    try:
        subprocess.run(
            command + ["-shared", "-fPIC", "-I", sysconfig.get_paths()["include"], "-o", str(target)], check=True
        )
    except FileNotFoundError:
        raise SystemExit(
            f"{command[0]} not found: the benchmark compiles its floor when it runs, "
            "so it needs the C and C++ compilers that Python was built with"
        ) from None
    return _load(name, target)


def build_call_floor(directory: Path) -> ModuleType:
    """Module call_floor: take_object_and_float(object, float) -> None, with the interpreter's C settings."""
    compiler = shlex.split(sysconfig.get_config_var("CC") or "cc")
    flags = shlex.split(sysconfig.get_config_var("CFLAGS") or "")
    return _compile("call_floor", compiler + flags + [str(HERE / "call_floor.c")], directory)


def build_ufunc_floor(directory: Path) -> ModuleType:
    """Module ufunc_floor: run(ufunc, out, *inputs) -> out, the ufunc's own inner loop over whole buffers."""
    import numpy

    compiler = shlex.split(sysconfig.get_config_var("CXX") or "c++")
    flags = ["-std=c++17", "-O3", "-DNDEBUG", "-fvisibility=hidden", "-I", numpy.get_include()]
    return _compile("ufunc_floor", compiler + flags + [str(HERE / "ufunc_floor.cpp")], directory)


def build_array_floors(directory: Path) -> ctypes.CDLL:
    """array_floors.c as a shared library: copy_floor and libm_vapour_pressure."""
    target = directory / "array_floors.so"
    compiler = shlex.split(sysconfig.get_config_var("CC") or "cc")
    subprocess.run(
        compiler
        + ["-O2", "-ffp-contract=off", "-shared", "-fPIC", str(HERE / "array_floors.c"), "-o", str(target), "-lm"],
        check=True,
    )
    library = ctypes.CDLL(str(target))
    pointer = ctypes.c_void_p
    library.copy_floor.argtypes = [pointer, pointer, ctypes.c_ssize_t]
    library.libm_vapour_pressure.argtypes = [pointer, pointer, ctypes.c_ssize_t, ctypes.c_double]
    return library

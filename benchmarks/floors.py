"""The compiled floors of the benchmarks, built when a benchmark runs.

A floor is the least that a case can cost, measured in the same run: for a
scalar call, a do-nothing METH_VARARGS function (call_floor.c); for a ufunc,
the ufunc module's own C++ loop run over whole buffers with no NumPy machinery
(ufunc_floor.cpp). They are compiled here, into a temporary directory, with
the interpreter's compiler, so nothing of them ships in the package.
"""
import importlib.util
import shlex
import subprocess
import sys
import sysconfig
from pathlib import Path
from types import ModuleType

__all__ = ["build_call_floor", "build_ufunc_floor"]

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def _load(name: str, path: Path) -> ModuleType:
    location = importlib.util.spec_from_file_location(name, path)
    assert location is not None and location.loader is not None
    module = importlib.util.module_from_spec(location)
    location.loader.exec_module(module)
    return module


def _compile(name: str, command: list, directory: Path) -> ModuleType:
    target = directory / (name + sysconfig.get_config_var("EXT_SUFFIX"))
    try:
        subprocess.run(command + ["-shared", "-fPIC", "-I", sysconfig.get_paths()["include"], "-o", str(target)],
                       check=True)
    except FileNotFoundError:
        raise SystemExit(f"{command[0]} not found: the benchmark compiles its floor when it runs, "
                         "so it needs the C and C++ compilers that Python was built with") from None
    return _load(name, target)


def build_call_floor(directory: Path) -> ModuleType:
    """Module call_floor: take_object_and_float(object, float) -> None, with the interpreter's C settings."""
    compiler = shlex.split(sysconfig.get_config_var("CC") or "cc")
    flags = shlex.split(sysconfig.get_config_var("CFLAGS") or "")
    return _compile("call_floor", compiler + flags + [str(HERE / "call_floor.c")], directory)


def build_ufunc_floor(directory: Path) -> ModuleType:
    """Module ufunc_floor: run(name, out, *inputs) -> out, over the loops and rows that Halx._ufuncs is built from.

    The rows are written from the property table by the build's own generator;
    the model is compiled on its own, as the build compiles it, with the flags
    that keep its numbers exact.
    """
    subprocess.run([sys.executable, str(ROOT / "cmake" / "write_property_rows.py"),
                    str(ROOT / "python" / "Halx" / "_table.py"), str(directory / "property_rows.h")], check=True)
    compiler = shlex.split(sysconfig.get_config_var("CXX") or "c++")
    flags = ["-std=c++17", "-O3", "-DNDEBUG", "-ffp-contract=off", "-fno-fast-math", "-fvisibility=hidden"]
    includes = ["-I", str(ROOT / "model"), "-I", str(ROOT / "arrays"), "-I", str(directory)]
    sources = [str(HERE / "ufunc_floor.cpp"), str(ROOT / "model" / "Halx.cpp")]
    return _compile("ufunc_floor", compiler + flags + includes + sources, directory)

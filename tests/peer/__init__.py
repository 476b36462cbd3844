"""Builds the peer modules that SWIG generates from the interface files here.

halx_peer.i only wraps pointers (it never creates or destroys an instance);
halx_owner.i wraps the model class with a constructor and destructor of its
own, so it owns instances like any SWIG-made module would.
"""

import os
import shlex
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path
from typing import List, Optional

HERE = Path(__file__).resolve().parent
MODEL = HERE.parent.parent / "model"
ELEMENTARY = HERE.parent.parent / "elementary"


def find_swig() -> str:
    beside = Path(sys.executable).with_name("swig")
    found = str(beside) if beside.exists() else shutil.which("swig")
    if not found:
        raise RuntimeError("swig is needed to build the peer module: pip install '.[test]'")
    return found


def find_compiler() -> Optional[List[str]]:
    """The C++ compiler command that builds the peers ($CXX, else the one the
    interpreter was built with), or None when it does not run: an installed
    wheel needs no compiler, so the tests that need one skip."""
    command = shlex.split(os.environ.get("CXX") or sysconfig.get_config_var("CXX") or "c++")
    try:
        return command if subprocess.run(command + ["--version"], capture_output=True).returncode == 0 else None
    except OSError:
        return None


def why_peers_cannot_be_built() -> Optional[str]:
    """None where build_peer works, else the reason, for the tests to skip with."""
    if not sys.platform.startswith("linux"):
        return "the SWIG peer modules are built with the flags of a Linux toolchain"
    if find_compiler() is None:
        return "needs a working C++ compiler ($CXX or the interpreter's) to build the SWIG peer modules"
    return None


def build_peer(directory: Path, name: str = "halx_peer") -> Path:
    """Generates and compiles the peer `name` (halx_peer or halx_owner) into
    `directory`; returns the directory."""
    reason = why_peers_cannot_be_built()
    if reason is not None:
        raise RuntimeError(reason)
    compiler = find_compiler()
    wrapper = directory / f"{name}_wrap.cxx"
    subprocess.run(
        [
            find_swig(),
            "-python",
            "-c++",
            "-I" + str(MODEL),
            "-outdir",
            str(directory),
            "-o",
            str(wrapper),
            str(HERE / f"{name}.i"),
        ],
        check=True,
    )
    target = directory / (f"_{name}" + sysconfig.get_config_var("EXT_SUFFIX"))
    # The owner runs the model itself: the correlations and the correctly
    # rounded functions they call (the baseline build, no SIMD kernels).
    model = [MODEL / "Halx.cpp"] + [
        ELEMENTARY / source for source in ("elementary.cpp", "elementary_slow.cpp", "elementary_tables.cpp")
    ]
    sources = [str(wrapper)] + ([str(source) for source in model] if name == "halx_owner" else [])
    subprocess.run(
        compiler
        + [
            "-shared",
            "-fPIC",
            "-O1",
            "-w",
            "-ffp-contract=off",
            "-I",
            sysconfig.get_paths()["include"],
            "-I",
            str(MODEL),
            "-I",
            str(ELEMENTARY),
        ]
        + sources
        + ["-o", str(target)],
        check=True,
        env=dict(os.environ),
    )
    return directory

"""Builds the peer module that SWIG generates from halx_peer.i."""
import os
import shlex
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

HERE = Path(__file__).resolve().parent


def find_swig() -> str:
    beside = Path(sys.executable).with_name("swig")
    found = str(beside) if beside.exists() else shutil.which("swig")
    if not found:
        raise RuntimeError("swig is needed to build the peer module: pip install '.[test]'")
    return found


def build_peer(directory: Path) -> Path:
    """Generates and compiles the peer into `directory`; returns the directory."""
    wrapper = directory / "halx_peer_wrap.cxx"
    subprocess.run([find_swig(), "-python", "-c++", "-outdir", str(directory), "-o", str(wrapper),
                    str(HERE / "halx_peer.i")], check=True)
    compiler = shlex.split(sysconfig.get_config_var("CXX") or "c++")
    target = directory / ("_halx_peer" + sysconfig.get_config_var("EXT_SUFFIX"))
    subprocess.run(compiler + ["-shared", "-fPIC", "-O1", "-w", "-I", sysconfig.get_paths()["include"],
                               str(wrapper), "-o", str(target)], check=True,
                   env=dict(os.environ))
    return directory

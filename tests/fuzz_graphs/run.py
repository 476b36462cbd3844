#!/usr/bin/env python3
"""Runs the object-graph fuzzer, or replays inputs without it.

    python tests/fuzz_graphs/run.py [--peer-first | --halx-first] [libFuzzer options] CORPUS_DIR...
    python tests/fuzz_graphs/run.py --replay [--peer-first | --halx-first] FILE_OR_DIR...

Fuzzing needs atheris and a build of _Halx instrumented for it, run with
atheris's ASan runtime preloaded (CONTRIBUTING.md gives the commands).
Replaying needs neither: it runs each input through the same interpreter and
stops at the first broken invariant. The peers halx_owner and halx_peer are
built once into build/fuzz-peers (or $HALX_PEER_DIR). --peer-first imports
them before Halx, so that the peer's capsule heads the ring; --halx-first
(the default) imports Halx first.
"""

import ctypes
import os
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
TESTS = HERE.parent


def build_peers() -> Path:
    """The directory holding both peers, built there unless present."""
    tag = f"py{sys.version_info[0]}{sys.version_info[1]}"
    directory = Path(os.environ.get("HALX_PEER_DIR", TESTS.parent / "build" / "fuzz-peers" / tag))
    if not (list(directory.glob("_halx_owner.*")) and list(directory.glob("_halx_peer.*"))):
        directory.mkdir(parents=True, exist_ok=True)
        # Built by a plain interpreter: the compiler must not run under a preloaded sanitizer.
        environment = {key: value for key, value in os.environ.items() if key != "LD_PRELOAD"}
        subprocess.run(
            [
                sys.executable,
                "-c",
                "import sys; from peer import build_peer; "
                "[build_peer(__import__('pathlib').Path(sys.argv[1]), name) "
                "for name in ('halx_peer', 'halx_owner')]",
                str(directory),
            ],
            cwd=TESTS,
            env=environment,
            check=True,
            stdout=subprocess.DEVNULL,
        )
    return directory


def replay(paths) -> None:
    import interpreter

    files = sorted(f for p in map(Path, paths) for f in (p.iterdir() if p.is_dir() else [p]) if f.is_file())
    for file in files:
        print(f"replaying {file.name}", flush=True)
        interpreter.run(file.read_bytes())
    print(f"{len(files)} inputs replayed, every invariant kept")


def main() -> None:
    arguments = sys.argv[1:]
    replaying = "--replay" in arguments
    peer_first = "--peer-first" in arguments
    arguments = [a for a in arguments if a not in ("--replay", "--peer-first", "--halx-first")]
    sys.path[:0] = [str(build_peers()), str(HERE), str(TESTS)]
    if peer_first:
        import halx_owner  # noqa: F401 - imported for its place on the ring
        import halx_peer  # noqa: F401
    if replaying:
        return replay(arguments)
    # Only _Halx's native code is instrumented for coverage: tracing the
    # interpreter's Python as well (atheris.instrument_imports) made the
    # fuzzer five times slower and it found every known fault later.
    import atheris
    import interpreter

    # The runtime's leak lines (classes that do not free are registered on
    # purpose) go to C's stdout: silenced while an input runs, and only then,
    # since atheris reports a broken invariant there too.
    libc, silent, terminal = ctypes.CDLL(None), os.open(os.devnull, os.O_WRONLY), os.dup(1)

    def run_silently(data: bytes) -> None:
        os.dup2(silent, 1)
        try:
            interpreter.run(data)
        finally:
            libc.fflush(None)
            os.dup2(terminal, 1)

    atheris.Setup([sys.argv[0]] + arguments, run_silently)
    atheris.Fuzz()


if __name__ == "__main__":
    main()

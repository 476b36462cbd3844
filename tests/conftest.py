import os
import subprocess
import sys
import textwrap

import pytest

# The tests import their helpers (reference, peer) from this directory.
sys.path.insert(0, os.path.dirname(__file__))


def run_python(code: str, *, env_extra=None, timeout=120) -> subprocess.CompletedProcess:
    """Run `code` in a fresh interpreter; a crash there fails a test, not the run."""
    env = dict(os.environ)
    env.update(env_extra or {})
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True, text=True, timeout=timeout, env=env,
    )


@pytest.fixture
def python_subprocess():
    return run_python


@pytest.fixture(scope="session")
def peer_path(tmp_path_factory):
    """A directory holding both peer modules that SWIG generates (built once)."""
    from peer import build_peer

    directory = tmp_path_factory.mktemp("peers")
    build_peer(directory, "halx_peer")
    build_peer(directory, "halx_owner")
    return str(directory)


@pytest.fixture
def run_with_peer(peer_path):
    """run_with_peer(code) runs code in a fresh interpreter that can import the
    peers and the tests' helpers; returns its standard output split in words,
    after checking that it exited cleanly."""
    tests = os.path.dirname(os.path.abspath(__file__))

    def run(code, **options):
        result = run_python(code, env_extra={"PYTHONPATH": os.pathsep.join([peer_path, tests])}, **options)
        assert result.returncode == 0, result.stdout + result.stderr
        return result.stdout.split()

    return run

import os
import sys

import pytest

# The tests import their helpers (support, reference, peer, ...) from this directory.
sys.path.insert(0, os.path.dirname(__file__))

from support import run_python  # noqa: E402


@pytest.fixture
def python_subprocess():
    return run_python


@pytest.fixture(scope="session")
def peer_path(tmp_path_factory):
    """A directory holding both peer modules that SWIG generates (built once);
    the tests that use it skip where they cannot be built (no C++ compiler)."""
    from peer import build_peer, why_peers_cannot_be_built

    reason = why_peers_cannot_be_built()
    if reason is not None:
        pytest.skip(reason)
    directory = tmp_path_factory.mktemp("peers")
    build_peer(directory, "halx_peer")
    build_peer(directory, "halx_owner")
    return str(directory)


@pytest.fixture
def run_with_peer(peer_path):
    """run_with_peer(code) runs code in a fresh interpreter that can import the
    peers and the tests' helpers; returns its standard output split in words,
    after checking that it exited cleanly."""

    def run(code, **options):
        result = run_python(code, env_extra={"PYTHONPATH": peer_path}, **options)
        assert result.returncode == 0, result.stdout + result.stderr
        return result.stdout.split()

    return run

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

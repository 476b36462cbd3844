import os
import sys

import pytest

# The tests import their helpers (support, reference, peer, ...) from this directory.
sys.path.insert(0, os.path.dirname(__file__))

from support import run_python  # noqa: E402


@pytest.fixture
def python_subprocess():
    return run_python

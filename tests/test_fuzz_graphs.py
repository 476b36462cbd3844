"""Replays the corpus of the object-graph fuzzer (tests/fuzz_graphs) on this
build, so that an input that once broke an invariant fails the ordinary suite
too. Each import order runs in a fresh interpreter: a crash fails the test."""

import os
import subprocess
import sys
from pathlib import Path

import pytest
from peer import why_peers_cannot_be_built

# The runner builds the peer modules with SWIG and the C++ toolchain.
pytestmark = pytest.mark.keeps_memory

HERE = Path(__file__).resolve().parent
RUNNER = HERE / "fuzz_graphs" / "run.py"
CORPUS = HERE / "fuzz_graphs" / "corpus"


@pytest.fixture(scope="module")
def peer_dir(tmp_path_factory):
    reason = why_peers_cannot_be_built()
    if reason is not None:
        pytest.skip(reason)
    return tmp_path_factory.mktemp("fuzz-peers")


@pytest.mark.parametrize("order", [[], ["--peer-first"]], ids=["halx-first", "peer-first"])
def test_every_corpus_input_keeps_the_invariants(peer_dir, order):
    result = subprocess.run(
        [sys.executable, str(RUNNER), "--replay", *order, str(CORPUS)],
        capture_output=True,
        text=True,
        timeout=600,
        env={**os.environ, "HALX_PEER_DIR": str(peer_dir)},
    )
    assert result.returncode == 0, result.stdout[-2000:] + result.stderr[-4000:]
    assert f"{len(list(CORPUS.iterdir()))} inputs replayed" in result.stdout

"""The committed elementary_tables.h and elementary_tables.cpp are what
generate_tables.py writes, and its --check fails, with one line, on a file
that differs. Each run is a fresh interpreter: the generator sets MPFR's
global precision for its own process."""

import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip("gmpy2")

ELEMENTARY = Path(__file__).resolve().parent.parent
GENERATOR = ELEMENTARY / "generate_tables.py"

# Runs the generator's --check with the committed file NAME replaced by an
# altered copy (through the module's path constants).
CHECK_WITH_ALTERED_FILE = """
import importlib.util, sys
from pathlib import Path
found = importlib.util.spec_from_file_location("generate_tables", sys.argv[1])
generator = importlib.util.module_from_spec(found)
found.loader.exec_module(generator)
name, old, new, copy = sys.argv[2:]
text = (Path(sys.argv[1]).parent / name).read_text(encoding="utf-8")
assert text.count(old) == 1, old
Path(copy).write_text(text.replace(old, new), encoding="utf-8")
setattr(generator, "HEADER" if name.endswith(".h") else "SOURCE", Path(copy))
sys.exit(generator.main(["--check"]))
"""


@pytest.mark.parametrize(
    "name, old, new",
    [
        ("elementary_tables.cpp", "0x1.002c605e2e8cfp+0,", "0x1.002c605e2e8cep+0,"),  # one bit of 2^(1/1024)
        ("elementary_tables.h", "kLogTableRows = 725;", "kLogTableRows = 724;"),
    ],
)
def test_check_fails_with_one_line_on_an_altered_table(tmp_path, name, old, new):
    result = subprocess.run(
        [sys.executable, "-c", CHECK_WITH_ALTERED_FILE, str(GENERATOR), name, old, new, str(tmp_path / name)],
        capture_output=True,
        text=True,
    )
    assert (result.returncode, result.stderr) == (1, "")
    assert result.stdout.count("\n") == 1 and name in result.stdout, result.stdout


def test_committed_tables_are_what_the_generator_writes():
    result = subprocess.run([sys.executable, str(GENERATOR), "--check"], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr

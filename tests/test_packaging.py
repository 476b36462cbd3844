"""What the release files and the checks around them rely on: the citation
names the package's version, the tests that need a compiler know when there
is none, and the check of the C++ example catches a single wrong bit."""

import importlib.util
import re
import struct
from pathlib import Path

import pytest
from peer import why_peers_cannot_be_built

ROOT = Path(__file__).resolve().parents[1]

pytestmark = pytest.mark.python_layer


def test_citation_names_the_version_of_the_package():
    pyproject = re.search(r'^version = "(.+)"$', (ROOT / "pyproject.toml").read_text(encoding="utf-8"), re.M)
    citation = re.search(r'^version: "(.+)"$', (ROOT / "CITATION.cff").read_text(encoding="utf-8"), re.M)
    assert pyproject and citation and citation.group(1) == pyproject.group(1)


def test_the_hooks_are_local_and_pinned_as_the_lint_group():
    # A hook fetched from a code host fails where only the package index is
    # reached; a pin that differs lets a commit pass what the lint session fails.
    config = (ROOT / ".pre-commit-config.yaml").read_text(encoding="utf-8")
    pyproject = (ROOT / "pyproject.toml").read_text(encoding="utf-8")
    hooks = {
        pin.strip() for pins in re.findall(r"additional_dependencies: \[(.*)\]", config) for pin in pins.split(",")
    }
    group = set(re.findall(r'"([^"]+)"', re.search(r"^lint = \[(.*)\]$", pyproject, re.M).group(1)))
    assert set(re.findall(r"- repo: (\S+)", config)) == {"local"}
    assert hooks == {pin for pin in group if not pin.startswith("pre-commit==")} != set()


@pytest.mark.keeps_memory  # runs the toolchain, so only when the test runs
@pytest.mark.parametrize("compiler", ["false", "no-such-compiler-anywhere"])
def test_peers_are_not_built_with_a_compiler_that_does_not_run(monkeypatch, compiler):
    if why_peers_cannot_be_built() is not None:
        pytest.skip("needs a working C++ compiler to compare with")
    monkeypatch.setenv("CXX", compiler)
    assert "compiler" in why_peers_cannot_be_built()


# --- examples/cpp/check_against_python.py ------------------------------------------------


def load_checker():
    location = importlib.util.spec_from_file_location(
        "check_against_python", ROOT / "examples" / "cpp" / "check_against_python.py"
    )
    module = importlib.util.module_from_spec(location)
    location.loader.exec_module(module)
    return module


def next_double(value: float) -> float:
    return struct.unpack("<d", struct.pack("<q", struct.unpack("<q", struct.pack("<d", value))[0] + 1))[0]


def table(name: str, T: float, P: float, value: str) -> str:
    return f"T (°C),P (bar),{name} (kg/m³)\n{T!r},{P!r},{value}\n"


@pytest.mark.keeps_memory  # loads NumPy
def test_the_check_of_the_cpp_example_passes_the_packages_doubles_and_no_others():
    import Halx

    checker = load_checker()
    exact = Halx.cHalx().Rho_Solid(25.0, 1.0)
    assert checker.check(table("Rho_Solid", 25.0, 1.0, repr(exact))) == []
    assert len(checker.check(table("Rho_Solid", 25.0, 1.0, repr(next_double(exact))))) == 1
    # NaNs compare by their bits, so a NaN of the other sign is caught too
    # (printf writes the sign of a NaN, and float() reads it).
    nan = Halx.cHalx().Rho_Liquid(25.0, 8000.0)
    same, other = ("-nan", "nan") if struct.pack("<d", nan)[-1] & 0x80 else ("nan", "-nan")
    assert checker.check(table("Rho_Liquid", 25.0, 8000.0, same)) == []
    assert len(checker.check(table("Rho_Liquid", 25.0, 8000.0, other))) == 1


@pytest.mark.keeps_memory  # loads NumPy
@pytest.mark.parametrize(
    "text",
    ["", "T (°C),P (bar),Rho_Gas (kg/m³)\n1,1,1\n", "T (°C),P (bar)\n1,1\n"],
    ids=["no rows", "unknown property", "no property"],
)
def test_the_check_of_the_cpp_example_refuses_a_table_it_cannot_read(text):
    with pytest.raises(ValueError):
        load_checker().check(text)

"""The property table is the one description of each property: the compiled
modules, the proxy class, the docstrings and the static stubs all agree with it.

The stubs are static files for type checkers; their table-driven parts are
written by cmake/write_stubs.py, and one test here checks them.
"""
import importlib.util
import inspect
import pydoc
from pathlib import Path

import pytest

import _Halx
import Halx
import reference
from Halx import _table

ROOT = Path(__file__).resolve().parents[1]
BOUND = [row for row in _table.PROPERTIES if row.bound]
DERIVED = [row for row in _table.PROPERTIES if not row.bound]


def argument_names(row):
    return [argument.name for argument in row.arguments]


def load_stub_writer():
    spec = importlib.util.spec_from_file_location("write_stubs", ROOT / "cmake" / "write_stubs.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def test_the_stubs_are_what_the_table_writes():
    # The table-driven parts of every stub; `python cmake/write_stubs.py` rewrites them.
    assert load_stub_writer().stale_stubs() == []


@pytest.mark.parametrize("path", ["python/_Halx.pyi", "python/Halx/_functions.pyi", "python/Halx/ufunc.pyi"])
def test_a_stub_edited_by_hand_or_a_changed_table_is_found_stale(tmp_path, path):
    writer = load_stub_writer()
    for stub in [*writer.STUBS, "python/Halx/_table.py"]:
        (tmp_path / stub).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / stub).write_text((ROOT / stub).read_text(encoding="utf-8"), encoding="utf-8")
    stub = tmp_path / path
    stub.write_text(stub.read_text(encoding="utf-8").replace("(bar), in °C.", "(bar), in K.", 1), encoding="utf-8")
    assert writer.stale_stubs(tmp_path) == [path]
    table = tmp_path / "python/Halx/_table.py"
    table.write_text(table.read_text(encoding="utf-8").replace('"kg/mol", "molar mass", 0.058443', '"kg/mol", "molar mass", 0.05'), encoding="utf-8")
    assert path in writer.stale_stubs(tmp_path) and "python/_Halx.pyi" in writer.stale_stubs(tmp_path)


def test_each_derived_property_is_a_documented_function_of_the_package():
    assert Halx.__all__[-len(DERIVED):] == [row.name for row in DERIVED]
    for row in DERIVED:
        function = getattr(Halx, row.name)
        assert function.__doc__ == _table.scalar_docstring(row)
        assert str(inspect.signature(function)) == f"({', '.join(argument_names(row))}, /)"
        assert _table.docstring(row) in Halx.__doc__


@pytest.mark.parametrize("constant", _table.CONSTANTS, ids=lambda constant: constant.name)
def test_cvar_and_the_package_serve_each_constant_of_the_table(constant):
    assert getattr(_Halx.cvar, constant.name) == getattr(Halx, constant.name) == constant.value
    assert _table.constant_docstring(constant, constant.value) in Halx.__doc__


def test_the_oracle_of_the_tests_covers_every_bound_property():
    assert list(reference.PROPERTIES) == ["cHalx_" + row.name for row in BOUND]
    assert all(hasattr(reference, row.name) for row in _table.PROPERTIES)


def test_the_class_and_package_docstrings_list_each_bound_property():
    for row in BOUND:
        assert _table.docstring(row) in Halx.cHalx.__doc__
    assert all(_table.docstring(row) in Halx.__doc__ for row in BOUND)


@pytest.mark.parametrize("row", BOUND, ids=lambda row: row.name)
def test_help_on_each_method_shows_its_arguments_and_units(row):
    h = Halx.cHalx()
    names = argument_names(row)
    assert getattr(Halx.cHalx, row.name).__doc__ == _table.scalar_docstring(row)
    for method, parameters in ((getattr(Halx.cHalx, row.name), ["self"] + names), (getattr(h, row.name), names)):
        signature = inspect.signature(method)
        assert list(signature.parameters) == parameters
        assert {parameter.kind for parameter in signature.parameters.values()} == {inspect.Parameter.POSITIONAL_ONLY}
    text = pydoc.render_doc(getattr(h, row.name), renderer=pydoc.plaintext)
    assert f"{row.name}({', '.join(names)}, /)" in text
    assert all(f"{argument.name} : float\n        {argument.quantity.capitalize()}, {argument.unit}." in text
               for argument in row.arguments)


@pytest.mark.parametrize("row", BOUND, ids=lambda row: row.name)
def test_each_method_runs_its_flat_function(row):
    # The documented method shares the flat function's entry point: same
    # value to the bit, same messages naming cHalx_<name>, flat function undocumented.
    h, flat = Halx.cHalx(), getattr(_Halx, "cHalx_" + row.name)
    method = getattr(h, row.name)
    arguments = (1234.5, 678.9)[: len(row.arguments)]
    assert method(*arguments).hex() == flat(h, *arguments).hex()
    with pytest.raises(TypeError, match=f"^in method 'cHalx_{row.name}', argument 2 of type 'double'$"):
        method("1000", *arguments[1:])
    with pytest.raises(TypeError, match=f"^cHalx_{row.name} expected {len(row.arguments) + 1} arguments, got 1$"):
        method()
    assert flat.__doc__ is None


@pytest.mark.keeps_memory
def test_each_ufunc_is_built_from_its_row():
    ufunc = pytest.importorskip("Halx.ufunc")
    assert ufunc.__all__ == [row.name for row in _table.PROPERTIES]
    for row in _table.PROPERTIES:
        function = getattr(ufunc, row.name)
        assert (function.nin, function.nout) == (len(row.arguments), 1)
        assert function.ufunc.types == ["d" * len(row.arguments) + "->" + ("b" if row.result == "phase" else "d")]
        assert function.__doc__ == _table.ufunc_docstring(row, wrapped=True)
        assert list(inspect.signature(function).parameters) == argument_names(row) + ["out", "kwargs"]
        assert function.ufunc.__doc__.endswith("\n\n" + _table.ufunc_docstring(row))

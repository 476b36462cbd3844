"""The property table is the one description of each property: the compiled
modules, the proxy class, the docstrings and the static stubs all agree with it.

The stubs are static files for type checkers; these tests are what keeps them
in step with the table (names, argument names, units in the docstrings).
"""
import ast
import inspect
import pydoc
import re
from pathlib import Path

import pytest

import _Halx
import Halx
import reference
from Halx import _table

PYTHON = Path(__file__).resolve().parents[1] / "python"
BOUND = [row for row in _table.PROPERTIES if row.bound]
FREE = [row for row in _table.PROPERTIES if not row.bound]
NOT_PROPERTIES = {"cHalx_swigregister", "cHalx_swiginit", "cHalx.__init__", "cHalx.this", "cHalx.thisown"}


def stub(path):
    """Module-level and class-level definitions of a stub: name -> (arguments, docstring)."""
    found = {}

    def visit(body, prefix=""):
        for index, node in enumerate(body):
            if isinstance(node, ast.ClassDef):
                visit(node.body, prefix + node.name + ".")
            elif isinstance(node, ast.FunctionDef):
                found[prefix + node.name] = ([a.arg for a in node.args.posonlyargs + node.args.args],
                                             ast.get_docstring(node))
            elif isinstance(node, ast.AnnAssign):
                following = body[index + 1] if index + 1 < len(body) else None
                text = following.value.value if isinstance(following, ast.Expr) else None
                found[prefix + node.target.id] = (None, text)

    visit(ast.parse((PYTHON / path).read_text(encoding="utf-8")).body)
    return found


def argument_names(row):
    return [argument.name for argument in row.arguments]


@pytest.mark.parametrize("path, prefix", [("_Halx.pyi", "cHalx_"), ("Halx/_proxy.pyi", "cHalx.")])
def test_stubs_of_the_bound_properties_match_the_table(path, prefix):
    functions = stub(path)
    for row in BOUND:
        assert functions[prefix + row.name] == (["self"] + argument_names(row), _table.docstring(row)), row.name
    stubbed = {name for name in functions if name.startswith(prefix)} - NOT_PROPERTIES
    assert stubbed == {prefix + row.name for row in BOUND}


def test_stubs_of_the_ufunc_modules_match_the_table():
    documented = {row.name: (None, _table.docstring(row)) for row in _table.PROPERTIES}
    compiled = stub("Halx/_ufuncs.pyi")
    compiled.pop("kernels")  # the name of the SIMD kernel set, not a property
    assert compiled == documented
    public = {name: value for name, value in stub("Halx/ufunc.pyi").items() if not name.startswith("_")}
    assert public == documented
    # Each is typed by its arguments and result, and exported.
    tree = ast.parse((PYTHON / "Halx/ufunc.pyi").read_text(encoding="utf-8"))
    kinds = {node.target.id: node.annotation.id for node in tree.body if isinstance(node, ast.AnnAssign)}
    assert kinds == {row.name: "_PhaseCodes" if row.result == "phase" else ("_OneArgument", "_TwoArguments")[
        len(row.arguments) - 1] for row in _table.PROPERTIES}
    exported = next(node.value for node in tree.body if isinstance(node, ast.Assign) and node.targets[0].id == "__all__")
    assert ast.literal_eval(exported) == [row.name for row in _table.PROPERTIES]


def test_stub_of_the_derived_module_matches_the_table():
    functions = stub("Halx/_derived.pyi")
    assert functions == {row.name: (argument_names(row), _table.docstring(row)) for row in FREE}
    returns = {node.name: node.returns.id for node in ast.parse((PYTHON / "Halx/_derived.pyi").read_text(
        encoding="utf-8")).body if isinstance(node, ast.FunctionDef)}
    assert returns == {row.name: "Phase" if row.result == "phase" else "float" for row in FREE}


def test_each_derived_property_is_a_function_of_the_package():
    assert Halx.__all__[-len(FREE):] == [row.name for row in FREE]
    for row in FREE:
        assert str(inspect.signature(getattr(Halx, row.name))) == f"({', '.join(argument_names(row))}, /)"


def test_stub_of_cvar_gives_each_constant_with_its_value_and_unit():
    properties = stub("_Halx.pyi")
    for constant in _table.CONSTANTS:
        value = getattr(_Halx.cvar, constant.name)
        assert properties["_Constants." + constant.name] == (["self"], _table.constant_docstring(constant, value))


def test_the_oracle_of_the_tests_covers_every_bound_property():
    assert list(reference.PROPERTIES) == ["cHalx_" + row.name for row in BOUND]
    assert all(hasattr(reference, row.name) for row in _table.PROPERTIES)
    assert [row.name for row in _table.PROPERTIES] == list(SHOWN)  # help() is checked for every one


# What help() must show of each property, written out apart from the table:
# argument names, and the unit of the result (None: a phase).
SHOWN = {
    "P_Boiling": ("T", "bar"), "T_Melting": ("P", "°C"), "P_Sublimation": ("T", "bar"),
    "Rho_Solid": ("TP", "kg/m³"), "Rho_Liquid": ("TP", "kg/m³"), "T_Boiling": ("P", "°C"),
    "T_Sublimation": ("P", "°C"), "P_Melting": ("T", "bar"), "phase": ("TP", None),
    "H_Vaporization": ("T", "J/mol"), "H_Sublimation": ("T", "J/mol"), "H_Fusion": ("P", "J/mol"),
    "Alpha_Solid": ("TP", "1/K"), "Alpha_Liquid": ("TP", "1/K"), "Beta_Solid": ("TP", "1/bar"),
    "Beta_Liquid": ("TP", "1/bar"),
}
ARGUMENT_UNITS = {"T": "°C", "P": "bar"}


@pytest.mark.parametrize("name", SHOWN)
def test_help_on_each_property_shows_a_call_signature_and_every_unit(name):
    arguments, unit = SHOWN[name]
    bound = any(row.name == name for row in BOUND)
    function = getattr(Halx.cHalx(), name) if bound else getattr(Halx, name)
    lines = pydoc.render_doc(function, renderer=pydoc.plaintext).splitlines()
    assert lines[2].startswith(f"{name}({', '.join(arguments)}, /)")
    summary = lines[3].strip()
    assert all(f"{argument} ({ARGUMENT_UNITS[argument]})" in summary for argument in arguments), summary
    assert summary.endswith(f", in {unit}." if unit else ": a Halx.Phase, solid, liquid or vapour."), summary
    text = "\n".join(lines)
    for argument in arguments:
        assert re.search(rf"^ +{argument} : float\n +\w+, {ARGUMENT_UNITS[argument]}\.$", text, re.M), text
    # The package's docstring lists every property, the class's its methods, each with the same line.
    assert f"``{name}``\n    {summary}\n" in Halx.__doc__
    if bound:
        assert f"{name}({', '.join(arguments)}) -> float\n        {summary}\n" in Halx.cHalx.__doc__
        signature = inspect.signature(getattr(Halx.cHalx, name))
        assert list(signature.parameters) == ["self", *arguments]
        assert {parameter.kind for parameter in signature.parameters.values()} == {inspect.Parameter.POSITIONAL_ONLY}


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
        arguments, unit = SHOWN[row.name]
        lines = pydoc.render_doc(function, renderer=pydoc.plaintext).splitlines()
        assert lines[2] == f"{row.name}({', '.join(arguments)}, /, out=None, **kwargs)"
        text = "\n".join(lines)
        for argument in arguments:
            assert re.search(rf"^ +{argument} : array_like\n +\w+ {argument}, {ARGUMENT_UNITS[argument]}\.", text, re.M)
        returns = f"{row.name}({', '.join(arguments)}) " + (f"in {unit}:" if unit else "as codes")
        assert returns in " ".join(text.split())
        # The ufunc itself: NumPy's signature line, then the same units.
        shown = function.ufunc.__doc__
        assert shown.startswith(f"{row.name}(x")
        assert all(f"{argument}, {ARGUMENT_UNITS[argument]}." in shown for argument in arguments)

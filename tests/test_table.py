"""The property table is the one description of each property: the compiled
modules, the proxy class, the docstrings and the static stubs all agree with it.

Every file made from the table (the rows of the extension modules, the C
interface and the table-driven parts of the static stubs) is written by
tools/write_from_table.py and committed; one test here checks them all.
"""

import ast
import importlib.util
import inspect
import pydoc
import re
from pathlib import Path

import _Halx
import Halx
import pytest
import reference
from Halx import _table

ROOT = Path(__file__).resolve().parents[1]
BOUND = [row for row in _table.PROPERTIES if row.bound]
DERIVED = [row for row in _table.PROPERTIES if not row.bound]


def argument_names(row):
    return [argument.name for argument in row.arguments]


def load_writer():
    """The generator tools/write_from_table.py, loaded from its file."""
    found = importlib.util.spec_from_file_location("write_from_table", ROOT / "tools" / "write_from_table.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def test_every_file_made_from_the_table_is_what_the_table_writes():
    # `python tools/write_from_table.py` rewrites them.
    assert load_writer().stale() == {}


@pytest.mark.parametrize(
    "path, text",
    [("python/_Halx.pyi", "(bar), in °C,"), ("python/Halx/_functions.pyi", "(bar), in °C,"), ("capi/halx.f90", "degC")],
)
def test_a_file_edited_by_hand_or_a_changed_table_is_found_stale(tmp_path, path, text):
    writer = load_writer()
    for made in [*writer.FILES, *writer.STUBS, "python/Halx/_table.py"]:
        (tmp_path / made).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / made).write_text((ROOT / made).read_text(encoding="utf-8"), encoding="utf-8")
    made = tmp_path / path
    made.write_text(made.read_text(encoding="utf-8").replace(text, "K", 1), encoding="utf-8")
    assert list(writer.stale(tmp_path)) == [path]
    table = tmp_path / "python/Halx/_table.py"
    table.write_text(
        table.read_text(encoding="utf-8").replace('"kg/mol", "molar mass", 0.058443', '"kg/mol", "molar mass", 0.05'),
        encoding="utf-8",
    )
    assert {path, "python/_Halx.pyi", "common/property_rows.h", "capi/halx_c.h"} <= set(writer.stale(tmp_path))


# What a new row of the table, U_Solid(T, P), must add to each file made from
# the table: every layer of the package and the C interface names it.
NEW_ROW = {
    "common/property_rows.h": "    ROW(U_Solid, 2, Halx::U_Solid, double, nullptr, (",
    "capi/halx_c.h": "HALX_C_API double halx_U_Solid(double T, double P);",
    "capi/halx.cpp": "double halx_U_Solid(double T, double P) { return Halx::U_Solid(T, P); }",
    "capi/halx.map": "        halx_U_Solid;\n",
    "capi/halx.f90": 'pure function U_Solid(T, P) bind(C, name="halx_U_Solid") result(res)',
    "python/Halx/_functions.pyi": "def U_Solid(T: _Scalar, P: _Scalar, /) -> float: ...",
    "python/Halx/_ufuncs.pyi": "U_Solid: numpy.ufunc\n",
    "python/Halx/ufunc.pyi": "U_Solid: _OfTAndP\n",
}


def test_a_new_row_of_the_table_reaches_every_file_made_from_it():
    writer = load_writer()
    table = writer.load_table(ROOT / "python/Halx/_table.py")
    # A derived row of T and P giving a float, under a new name and model function.
    like = next(row for row in table.PROPERTIES if not row.bound and len(row.arguments) == 2 and row.result == "float")
    table.PROPERTIES = (*table.PROPERTIES, like._replace(name="U_Solid", model="Halx::U_Solid", kernel=""))
    written = writer.written(table)
    # _Halx binds its five properties for good: only its stubs leave a new one out.
    assert {path for path, text in written.items() if "U_Solid" not in text} == {
        "python/_Halx.pyi",
        "python/Halx/_proxy.pyi",
    }
    for path, expected in NEW_ROW.items():
        assert expected in written[path], path


def test_each_derived_property_is_a_function_of_the_package():
    assert Halx.__all__[-len(DERIVED) :] == [row.name for row in DERIVED]
    for row in DERIVED:
        assert str(inspect.signature(getattr(Halx, row.name))) == f"({', '.join(argument_names(row))}, /)"


@pytest.mark.parametrize("constant", _table.CONSTANTS, ids=lambda constant: constant.name)
def test_cvar_and_the_package_serve_each_constant_of_the_table(constant):
    assert getattr(_Halx.cvar, constant.name) == getattr(Halx, constant.name) == constant.value
    assert _table.constant_docstring(constant, constant.value) in Halx.__doc__


def test_the_oracle_of_the_tests_covers_every_bound_property():
    assert list(reference.PROPERTIES) == ["cHalx_" + row.name for row in BOUND]
    assert all(hasattr(reference, row.name) or row.name in reference.ITERATIONS for row in _table.PROPERTIES)
    assert [row.name for row in _table.PROPERTIES] == list(SHOWN)  # help() is checked for every one


def test_the_reference_holds_the_coefficients_of_the_correlations():
    # Each `constexpr double Name = number;` of model/correlations.h, under the
    # upper-case name in tests/reference.py.
    header = (ROOT / "model/correlations.h").read_text(encoding="utf-8")
    found = re.findall(r"constexpr double (\w+) = (-?[\d.]+(?:e-?\d+)?);", header)
    assert len(found) == 17
    for name, value in found:
        assert getattr(reference, re.sub(r"(?<!^)(?=[A-Z])", "_", name).upper()) == float(value), name


# What help() must show of each property, written out apart from the table:
# argument names, the unit of the result (None: a phase) and its source: "s"
# the thermodynamic surface, "c" the correlations, or the name of the
# surface's property that answers the same question.
SHOWN = {
    "P_Boiling": ("T", "bar", "P_LiquidVapour"),
    "T_Melting": ("P", "°C", "T_SolidLiquid"),
    "P_Sublimation": ("T", "bar", "P_SolidVapour"),
    "Rho_Solid": ("TP", "kg/m³", "c"),
    "Rho_Liquid": ("TP", "kg/m³", "c"),
    "T_Boiling": ("P", "°C", "T_LiquidVapour"),
    "T_Sublimation": ("P", "°C", "T_SolidVapour"),
    "P_Melting": ("T", "bar", "P_SolidLiquid"),
    "H_BoilingCurve": ("T", "J/mol per mole of vapour molecules", "H_Vaporization"),
    "H_SublimationCurve": ("T", "J/mol per mole of vapour molecules", "H_Sublimation"),
    "H_MeltingCurve": ("P", "J/mol per mole of NaCl", "H_Fusion"),
    "Alpha_Solid": ("TP", "1/K", "c"),
    "Alpha_Liquid": ("TP", "1/K", "c"),
    "Beta_Solid": ("TP", "1/bar", "c"),
    "Beta_Liquid": ("TP", "1/bar", "c"),
    "phase": ("TP", None, "s"),
    "T_SolidLiquid": ("P", "°C", "s"),
    "P_SolidLiquid": ("T", "bar", "s"),
    "P_LiquidVapour": ("T", "bar", "s"),
    "T_LiquidVapour": ("P", "°C", "s"),
    "P_SolidVapour": ("T", "bar", "s"),
    "T_SolidVapour": ("P", "°C", "s"),
    "P_Vapour": ("T", "bar", "s"),
    "H_Fusion": ("P", "J/mol per mole of NaCl", "s"),
    "H_Vaporization": ("T", "J/mol per mole of NaCl", "s"),
    "H_Sublimation": ("T", "J/mol per mole of NaCl", "s"),
    **{
        f"{quantity}_{phase}": ("TP", unit + " per mole of NaCl", "s")
        for phase in ("Solid", "Liquid", "Vapour")
        for quantity, unit in (("Cp", "J/(mol·K)"), ("H", "J/mol"), ("S", "J/(mol·K)"), ("G", "J/mol"))
    },
    "Cp_VapourFrozen": ("TP", "J/(mol·K) per mole of NaCl", "s"),
    "Rho_Vapour": ("TP", "kg/m³", "s"),
    "X_Dimer": ("TP", "mol/mol", "s"),
    "K_Dimer": ("T", "1/bar", "s"),
    **{f"Gf_{phase}": ("TP", "J/mol per mole of NaCl", "s") for phase in ("Solid", "Liquid", "Vapour")},
}
ARGUMENT_UNITS = {"T": "°C", "P": "bar"}
SOURCE_ENDINGS = {"s": "from the thermodynamic surface.", "c": "from the correlations."}


@pytest.mark.parametrize("name", SHOWN)
def test_help_on_each_property_shows_a_call_signature_and_every_unit(name):
    arguments, unit, source = SHOWN[name]
    ending = SOURCE_ENDINGS.get(source, f"from the correlations; the thermodynamic surface's is {source}.")
    bound = any(row.name == name for row in BOUND)
    # Every property is a function of the package, taking arrays too; the bound ones also a method, taking numbers.
    shown = [(getattr(Halx, name), "float or array_like")]
    if bound:
        shown.append((getattr(Halx.cHalx(), name), "float"))
    for function, kind in shown:
        lines = pydoc.render_doc(function, renderer=pydoc.plaintext).splitlines()
        assert lines[2].startswith(f"{name}({', '.join(arguments)}, /)")
        summary = lines[3].strip()
        assert all(f"{argument} ({ARGUMENT_UNITS[argument]})" in summary for argument in arguments), summary
        shown_result = f", in {unit}, " if unit else ": a Halx.Phase, solid, liquid or vapour, "
        assert summary.endswith(shown_result + ending), summary
        text = "\n".join(lines)
        for argument in arguments:
            assert re.search(rf"^ +{argument} : {kind}\n +\w+, {ARGUMENT_UNITS[argument]}\.$", text, re.M), text
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
        arguments, unit, _ = SHOWN[row.name]
        unit = unit and unit.split(" per ")[0]
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


def _stub_parameters(stub, name):
    """The argument names of each __call__ of the protocol that the stub gives name."""
    tree = ast.parse(stub)
    protocol = next(
        node.annotation.id for node in tree.body if isinstance(node, ast.AnnAssign) and node.target.id == name
    )
    body = next(node.body for node in tree.body if isinstance(node, ast.ClassDef) and node.name == protocol)
    return {
        tuple(argument.arg for argument in call.args.posonlyargs[1:])
        for call in body
        if getattr(call, "name", None) == "__call__"
    }


@pytest.mark.keeps_memory
@pytest.mark.parametrize("name", SHOWN)
def test_each_ufunc_function_and_its_stub_name_the_arguments_as_the_property_does(name):
    ufunc = pytest.importorskip("Halx.ufunc")
    arguments = tuple(SHOWN[name][0])
    function = getattr(ufunc, name)
    with pytest.raises(TypeError, match=rf"^{name}\(\) missing 1 required positional argument: '{arguments[-1]}'$"):
        function(*[1.0] * (len(arguments) - 1))
    stub = (ROOT / "python/Halx/ufunc.pyi").read_text(encoding="utf-8")
    assert _stub_parameters(stub, name) == {arguments}

"""Writes the parts of the type stubs (.pyi) that come from the property table.

    python cmake/write_stubs.py          rewrite those parts in place
    python cmake/write_stubs.py --check  exit 1, naming each stale part, if
                                         rewriting would change a stub

The stubs are committed, so that editors and type checkers read them from the
source tree; their prose is written by hand. Each part written from the table
lies between a line '# BEGIN <name> (cmake/write_stubs.py)' and a line
'# END <name>', at the indentation of the BEGIN line; everything outside those
lines is left as it is. tests/test_table.py runs the check.

Runs on every Python the package supports (3.8 and later), stdlib only.
"""

import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from write_property_rows import load_table  # noqa: E402

ROOT = Path(__file__).resolve().parents[1]
TABLE = ROOT / "python" / "Halx" / "_table.py"
REGION = re.compile(
    r"^(?P<indent>[ ]*)# BEGIN (?P<name>.+?) \(cmake/write_stubs\.py\)\n(?P<body>.*?)^[ ]*# END (?P=name)\n",
    re.MULTILINE | re.DOTALL,
)


def _arguments(row, first=None):
    names = ([first] if first else []) + [f"{argument.name}: float" for argument in row.arguments]
    return ", ".join(names + ["/"])


def _function(table, row, name, first=None, result=None):
    result = result or ("Phase" if row.result == "phase" else "float")
    # A blank line after each, as the formatter lays out a stub's module-level
    # functions with bodies (in a class body it keeps none: see `written`).
    return [f"def {name}({_arguments(row, first)}) -> {result}:", f'    """{table.docstring(row)}"""', ""]


# The kinds of input of the property functions' overloads, as _functions.pyi names them.
_NUMPY_SCALAR = "_NumPyScalar"
_SCALAR = "_Scalar"
_ARRAY = "_Array"


def _names(names):
    return [f'"{name}",' for name in names]


def _bound(table):
    return [row for row in table.PROPERTIES if row.bound]


def _constants(table):
    lines = []
    for constant in table.CONSTANTS:
        lines += [
            "@property",
            f"def {constant.name}(self) -> float:",
            f'    """{table.constant_docstring(constant, constant.value)}"""',
            "",
        ]
    return lines


def _flat_functions(table):
    lines = []
    for row in _bound(table):
        lines += _function(table, row, "cHalx_" + row.name, first="self: object")
    return lines


def _methods(table):
    lines = []
    for row in _bound(table):
        lines += _function(table, row, row.name, first="self")
    return lines


def _property_functions(table):
    """Each property as a function of the package, overloaded on its input:
    numbers give a float (a NumPy scalar gives numpy.float64, itself a float)
    or a Phase, arrays an array; anything else (xarray, pint) whatever the
    ufunc gives. The phase of a NumPy scalar is an int8 code, so those
    overloads come before the float ones that NumPy's float64 also matches."""
    lines = []
    for row in table.PROPERTIES:
        names = [argument.name for argument in row.arguments]
        phase = row.result == "phase"
        array = "NDArray[numpy.int8]" if phase else "NDArray[numpy.float64]"
        if len(names) == 1:
            cases = [((_SCALAR,), "float"), ((_ARRAY,), array)]
        else:
            cases = [((_ARRAY, f"Union[{_ARRAY}, {_SCALAR}]"), array), ((_SCALAR, _ARRAY), array)]
            if phase:
                cases = [
                    ((_NUMPY_SCALAR, _SCALAR), "numpy.int8"),
                    (("float", _NUMPY_SCALAR), "numpy.int8"),
                    (("float", "float"), "Phase"),
                ] + cases
            else:
                cases = [((_SCALAR, _SCALAR), "float")] + cases
        cases.append((("Any",) * len(names), "Any"))
        for types, result in cases:
            parameters = ", ".join([f"{name}: {kind}" for name, kind in zip(names, types)] + ["/"])
            lines += ["@overload", f"def {row.name}({parameters}) -> {result}: ..."]
        lines[-1] = lines[-1][: -len(" ...")]
        lines += [f'    """{table.docstring(row)}"""', ""]
    return lines


def _ufuncs(table):
    lines = []
    for row in table.PROPERTIES:
        lines += [f"{row.name}: numpy.ufunc", f'"""{table.docstring(row)}"""']
    return lines


# The protocol of python/Halx/ufunc.pyi that types a function of Halx.ufunc,
# by its arguments' names and its result: the protocols name the parameters
# as the functions do, so that an editor shows T and P.
_WRAPPED_PROTOCOLS = {
    (("T",), "float"): "_OfT",
    (("P",), "float"): "_OfP",
    (("T", "P"), "float"): "_OfTAndP",
    (("T", "P"), "phase"): "_PhaseOfTAndP",
}


def _wrapped_ufuncs(table):
    lines = []
    for row in table.PROPERTIES:
        names = tuple(argument.name for argument in row.arguments)
        protocol = _WRAPPED_PROTOCOLS.get((names, row.result))
        if protocol is None:
            raise SystemExit(
                f"python/Halx/ufunc.pyi: no protocol for {row.name}({', '.join(names)}) giving {row.result}; "
                "add one to the stub and to _WRAPPED_PROTOCOLS in cmake/write_stubs.py"
            )
        lines += [f"{row.name}: {protocol}", f'"""{table.docstring(row)}"""']
    return lines


#: stub (relative to the repository) -> region name -> the region's lines, from the table.
STUBS = {
    "python/_Halx.pyi": {
        "flat names": lambda table: _names("cHalx_" + row.name for row in _bound(table)),
        "constants": _constants,
        "flat functions": _flat_functions,
    },
    "python/Halx/_proxy.pyi": {"methods": _methods},
    "python/Halx/_functions.pyi": {
        "names": lambda table: _names(row.name for row in table.PROPERTIES),
        "functions": _property_functions,
    },
    "python/Halx/_ufuncs.pyi": {"ufuncs": _ufuncs},
    "python/Halx/ufunc.pyi": {
        "names": lambda table: _names(row.name for row in table.PROPERTIES),
        "ufuncs": _wrapped_ufuncs,
    },
}


def written(path: str, text: str, table) -> str:
    """text of the stub at path with each of its regions written from the table."""
    writers = STUBS[path]
    found = set()

    def rewrite(match):
        name, indent = match.group("name"), match.group("indent")
        if name not in writers:
            raise SystemExit(f"{path}: no writer for the region {name!r}")
        found.add(name)
        lines = [line for line in writers[name](table) if line or not indent]
        body = "".join(f"{indent}{line}\n" if line else "\n" for line in lines)
        return f"{indent}# BEGIN {name} (cmake/write_stubs.py)\n{body}{indent}# END {name}\n"

    text = REGION.sub(rewrite, text)
    missing = set(writers) - found
    if missing:
        raise SystemExit(f"{path}: no region {', '.join(sorted(missing))}")
    return text


def stale_stubs(root: Path = ROOT) -> list:
    """The stubs under root that differ from what the table gives."""
    table = load_table(root / "python" / "Halx" / "_table.py")
    return [
        path
        for path in STUBS
        if written(path, (root / path).read_text(encoding="utf-8"), table) != (root / path).read_text(encoding="utf-8")
    ]


def main(arguments) -> None:
    if arguments == ["--check"]:
        stale = stale_stubs()
        if stale:
            raise SystemExit("stale stubs, run python cmake/write_stubs.py: " + ", ".join(stale))
        return
    if arguments:
        raise SystemExit(f"usage: {Path(__file__).name} [--check]")
    table = load_table(TABLE)
    for path in STUBS:
        stub = ROOT / path
        stub.write_text(written(path, stub.read_text(encoding="utf-8"), table), encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main(sys.argv[1:])

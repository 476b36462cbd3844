"""Writes the rows of the property table as a C++ header of X-macros.

    python write_property_rows.py TABLE HEADER

TABLE is python/Halx/_table.py, the one description of every property and
constant; the header gives the three extension modules their rows, so none
spells a property or constant out. CMake runs this at build time with the
interpreter it builds for, and again whenever the table or this script
changes; the header is <build>/generated/property_rows.h.

The header defines

    HALX_BOUND_PROPERTIES(ROW)   ROW(name, inputs, model) for each member of
                                 cHalx that _Halx binds, in table order
    HALX_PROPERTIES(ROW)         ROW(name, inputs, model, kernel, doc) for
                                 every property: kernel is the member of
                                 Halx::ArrayKernels that evaluates it over
                                 arrays (a pointer to member) or nullptr, doc
                                 its ufunc docstring in UTF-8
    HALX_SCALAR_PROPERTIES(ROW)  ROW(name, inputs, model, result, arguments,
                                 doc) for every property, as a function of
                                 the package: result is the C++ type the
                                 model returns, arguments a parenthesised
                                 list of {name, description, low, high}
                                 (low and high: the argument's plausible
                                 span for the property) and doc the
                                 scalar function's docstring after its text
                                 signature
    HALX_BOUND_METHODS(ROW)      ROW(name, inputs, arguments, doc) for each
                                 member of cHalx that _Halx binds, with the
                                 method's docstring behind the signature
                                 line that CPython reads from a built-in
                                 function's docstring
    HALX_CONSTANTS(ROW)          ROW(name, value) for each constant, in table
                                 order; a static_assert per constant checks
                                 that model/Halx.h gives the very same double

Runs on every Python the package supports (3.8 and later), stdlib only.
"""

import importlib.util
import math
import re
import sys
from pathlib import Path

IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
MODEL_FUNCTION = re.compile(r"Halx::(cHalx::)?[A-Za-z_][A-Za-z0-9_]*")
# The C++ type that the model function of each kind of result returns.
RESULT_TYPES = {"float": "double", "phase": "Halx::Phase"}


def load_table(path: Path):
    """The table module, loaded from its file without importing the package."""
    found = importlib.util.spec_from_file_location("halx_property_table", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def check(table, row) -> None:
    """Refuses a row that the C++ side cannot take, naming what is wrong."""
    if not IDENTIFIER.fullmatch(row.name):
        raise SystemExit(f"property table: {row.name!r} is not a C++ identifier")
    if not MODEL_FUNCTION.fullmatch(row.model):
        raise SystemExit(f"property table: {row.name}: model {row.model!r} is not a function in namespace Halx")
    if row.bound and row.model != f"Halx::cHalx::{row.name}":
        raise SystemExit(f"property table: {row.name} is bound, so its model must be Halx::cHalx::{row.name}")
    if len(row.arguments) not in (1, 2):
        raise SystemExit(f"property table: {row.name} takes {len(row.arguments)} arguments; the loops take 1 or 2")
    if row.result not in RESULT_TYPES:
        raise SystemExit(f"property table: {row.name}: result {row.result!r} is not one of {', '.join(RESULT_TYPES)}")
    if row.bound and row.result != "float":
        raise SystemExit(f"property table: {row.name} is bound, so its result must be a float")
    if row.kernel and not IDENTIFIER.fullmatch(row.kernel):
        raise SystemExit(f"property table: {row.name}: kernel {row.kernel!r} is not a member name")
    if row.plausible is not None and len(row.plausible) != len(row.arguments):
        raise SystemExit(f"property table: {row.name}: plausible gives {len(row.plausible)} spans for its arguments")
    for argument, (low, high) in zip(row.arguments, table.plausible_spans(row)):
        if not low <= high:  # NaN fails too
            raise SystemExit(f"property table: {row.name}: the plausible span of {argument.name} is not low <= high")


def check_constant(constant) -> None:
    """Refuses a constant that the C++ side cannot take, naming what is wrong."""
    if not IDENTIFIER.fullmatch(constant.name):
        raise SystemExit(f"property table: {constant.name!r} is not a C++ identifier")
    if not isinstance(constant.value, float) or constant.value != constant.value:
        raise SystemExit(f"property table: {constant.name}: {constant.value!r} is not a number")


def cpp_string(text: str) -> str:
    """text as C++ string literals, one per line of text, in UTF-8 with octal
    escapes (an octal escape never swallows the characters after it)."""
    pieces = []
    for line in text.splitlines(keepends=True):
        escaped = ""
        for byte in line.encode("utf-8"):
            character = chr(byte)
            if character == "\n":
                escaped += "\\n"
            elif character in '"\\' or not 32 <= byte < 127:
                escaped += f"\\{byte:03o}"
            else:
                escaped += character
        pieces.append(f'"{escaped}"')
    return " \\\n        ".join(pieces)


def cpp_double(value: float) -> str:
    """value as a C++ double expression that gives the very same double, infinities included."""
    if math.isinf(value):
        return f"{'-' if value < 0 else ''}std::numeric_limits<double>::infinity()"
    return repr(float(value))


def cpp_argument(argument, span) -> str:
    """{"P", "pressure in bar", 0.0, 60000.0}: an argument's name and what it is,
    for messages, and the plausible span (low, high) that its row gives it."""
    low, high = span
    description = cpp_string(f"{argument.quantity} in {argument.unit}")
    return f"{{{cpp_string(argument.name)}, {description}, {cpp_double(low)}, {cpp_double(high)}}}"


def signature_docstring(table, row, first: str) -> str:
    """The numpydoc docstring of row's scalar function ("$module" first) or
    method ("$self" first), led by the text signature that CPython reads from
    a built-in function's docstring: a line 'name(parameters)' and a line '--'."""
    parameters = ", ".join([first] + [argument.name for argument in row.arguments] + ["/"])
    return f"{row.name}({parameters})\n--\n\n{table.scalar_docstring(row, method=first == '$self')}"


def cpp_arguments(table, row) -> str:
    """({"T", "temperature in °C", -273.15, 1500.0}, ...): row's arguments with
    their plausible spans, parenthesised for a macro argument."""
    spans = table.plausible_spans(row)
    return f"({', '.join(cpp_argument(argument, span) for argument, span in zip(row.arguments, spans))})"


def cpp_kernel(row) -> str:
    """The pointer to the member of Halx::ArrayKernels that row names, or nullptr."""
    return f"&Halx::ArrayKernels::{row.kernel}" if row.kernel else "nullptr"


def header(table) -> str:
    for row in table.PROPERTIES:
        check(table, row)
    for constant in table.CONSTANTS:
        check_constant(constant)
    bound = [f"    ROW({row.name}, {len(row.arguments)}, {row.model})" for row in table.PROPERTIES if row.bound]
    every = [
        f"    ROW({row.name}, {len(row.arguments)}, {row.model}, {cpp_kernel(row)}, \\\n"
        f"        {cpp_string(table.ufunc_docstring(row))})"
        for row in table.PROPERTIES
    ]
    constants = [f"    ROW({constant.name}, {constant.value!r})" for constant in table.CONSTANTS]
    model_checks = [
        f"static_assert(Halx::{constant.name} == {constant.value!r}, "
        f'"model/Halx.h: {constant.name} is not the property table\'s value");'
        for constant in table.CONSTANTS
    ]
    scalar = [
        f"    ROW({row.name}, {len(row.arguments)}, {row.model}, {RESULT_TYPES[row.result]}, {cpp_arguments(table, row)}, \\\n"
        f"        {cpp_string(signature_docstring(table, row, '$module'))})"
        for row in table.PROPERTIES
    ]
    methods = [
        f"    ROW({row.name}, {len(row.arguments)}, {cpp_arguments(table, row)}, \\\n"
        f"        {cpp_string(signature_docstring(table, row, '$self'))})"
        for row in table.PROPERTIES
        if row.bound
    ]
    return "\n".join(
        [
            "// Written by cmake/write_property_rows.py from python/Halx/_table.py at build",
            "// time: edit the table, not this file.",
            "#ifndef HALX_PROPERTY_ROWS_H",
            "#define HALX_PROPERTY_ROWS_H",
            "",
            "#include <limits>",
            "",
            '#include "Halx.h"',
            "",
            "// ROW(name, inputs, model): the members of cHalx that _Halx binds, in table order.",
            "#define HALX_BOUND_PROPERTIES(ROW) \\",
            " \\\n".join(bound),
            "",
            "// ROW(name, inputs, model, kernel, doc): every property, with the member of",
            "// Halx::ArrayKernels that evaluates it over arrays (or nullptr) and its ufunc",
            "// docstring in UTF-8.",
            "#define HALX_PROPERTIES(ROW) \\",
            " \\\n".join(every),
            "",
            "// ROW(name, inputs, model, result, arguments, doc): every property as a function",
            "// of the package, with the C++ type of its result, its arguments as a",
            "// parenthesised list of {name, description, low, high} (the plausible span of the",
            "// argument for the property) and the docstring of its scalar",
            "// function, in UTF-8.",
            "#define HALX_SCALAR_PROPERTIES(ROW) \\",
            " \\\n".join(scalar),
            "",
            "// ROW(name, inputs, arguments, doc): the members of cHalx that _Halx binds, with",
            "// their arguments as above and the docstring of the method, in UTF-8, behind its",
            "// signature line.",
            "#define HALX_BOUND_METHODS(ROW) \\",
            " \\\n".join(methods),
            "",
            "// ROW(name, value): the constants, in table order. model/Halx.h keeps its own",
            "// constexpr copies, so that the model builds without Python; they must agree.",
            "#define HALX_CONSTANTS(ROW) \\",
            " \\\n".join(constants),
            *model_checks,
            "",
            "#endif  // HALX_PROPERTY_ROWS_H",
            "",
        ]
    )


def main(arguments) -> None:
    if len(arguments) != 2:
        raise SystemExit(f"usage: {Path(__file__).name} TABLE HEADER")
    table_path, header_path = map(Path, arguments)
    text = header(load_table(table_path))
    header_path.parent.mkdir(parents=True, exist_ok=True)
    header_path.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main(sys.argv[1:])

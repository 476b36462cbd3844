"""Sphinx directives that write the tables of the documentation from the code.

``halx-properties``
    One row per property of the property table (``Halx._table.PROPERTIES``):
    its name, the units of its arguments and of its result, and what it is.
``halx-cpp-functions``
    One row per property: the C++ function of the model that evaluates it.
``halx-domains``
    One row per property: where its formula has a meaning, and the range
    where it was checked against measurements, with what that rests on.
``halx-constants``
    One row per constant (``Halx._table.CONSTANTS``), with the value that the
    installed module serves.
``halx-ufuncs``
    The reference of each ufunc of ``Halx.ufunc``, one per property, from its
    docstring (for MyST pages).
``halx-help``
    The help of the ``halx`` command and of each of its commands, as the
    command's parser prints it.

A property added to the table, or a command added to the parser, appears in
the pages without editing them.

Two checks keep the site fit for its readers. A page other than the design
note of the binding that names a private module of the package (``Halx._table``,
``_functions``) is a warning, so an error under ``-W``. A built site that
loads a script, a stylesheet, a font or an image from another host fails the
HTML build (docs/_ext/offline_assets.py).
"""

import argparse
import contextlib
import io
import os
import pkgutil
import re
from pathlib import Path
from typing import Any, Dict, Iterator, List, Optional, Sequence, Union

import Halx
from docutils import nodes
from Halx._table import CONSTANTS, PROPERTIES, Property
from offline_assets import external_assets
from sphinx.application import Sphinx
from sphinx.util import logging
from sphinx.util.docutils import SphinxDirective

logger = logging.getLogger(__name__)

Cell = Union[str, nodes.Node]


def _table(
    headers: Sequence[str], rows: Sequence[Sequence[Cell]], note: str = "", notes: Sequence[str] = ()
) -> nodes.table:
    """A docutils table; a cell is plain text or a node.

    With note, each row whose text of notes is not empty is followed by a row
    of its own that spans the whole width: note in bold, then that text. A long text (the
    basis of a checked range) then takes the page's width, where a column of
    its own would make the other columns and every row tall and narrow.

    On a phone-width window halx.css stacks each row into a block; every cell
    but the first then shows its column's header, which it holds hidden."""
    group = nodes.tgroup(cols=len(headers))
    group += [nodes.colspec(colwidth=1) for _ in headers]

    def row(cells: Sequence[Cell], labels: Sequence[str]) -> nodes.row:
        line = nodes.row()
        for cell, label in zip(cells, labels):
            paragraph = nodes.paragraph()
            if label:
                paragraph += nodes.inline(text=f"{label}: ", classes=["halx-label"])
            paragraph += cell if isinstance(cell, nodes.Node) else nodes.Text(cell)
            line += nodes.entry("", paragraph)
        return line

    def spanning(text: str) -> nodes.row:
        paragraph = nodes.paragraph("", "", nodes.strong(text=f"{note}: "), nodes.Text(text))
        return nodes.row("", nodes.entry("", paragraph, morecols=len(headers) - 1), classes=["halx-note"])

    body = []
    for index, cells in enumerate(rows):
        body.append(row(cells, ["", *headers[1:]]))
        if note and notes[index]:
            body.append(spanning(notes[index]))
    group += nodes.thead("", row(headers, [""] * len(headers)))
    group += nodes.tbody("", *body)
    return nodes.table("", group, classes=["halx-table", "halx-noted"] if note else ["halx-table"])


# The rows a directive shows: all, the members of cHalx ("bound") or the rest ("derived").
_SELECTIONS = {
    "all": lambda row: True,
    "bound": lambda row: row.bound,
    "derived": lambda row: not row.bound,
}


def _selected(directive: SphinxDirective) -> List[Property]:
    choice = directive.arguments[0] if directive.arguments else "all"
    if choice not in _SELECTIONS:
        raise directive.error(f"choose one of {', '.join(_SELECTIONS)}, not {choice!r}")
    return [row for row in PROPERTIES if _SELECTIONS[choice](row)]


def _what_it_is(row: Property) -> str:
    """The summary of row with its basis and its source: '... (per mole of NaCl; from
    the correlations; the thermodynamic surface's is H_Vaporization)'."""
    from Halx._table import describe_source

    basis = f"{row.basis}; " if row.basis else ""
    return f"{row.summary} ({basis}{describe_source(row)})"


class PropertiesTable(SphinxDirective):
    """The properties of the property table: all, or "bound" or "derived" ones."""

    optional_arguments = 1

    def run(self) -> List[nodes.Node]:
        rows = [
            [
                nodes.literal(text=row.name),
                # Three narrow columns, so that the table fits a phone's width.
                ", ".join(f"{argument.name} {argument.unit}" for argument in row.arguments)
                + f" → {row.unit or 'Halx.Phase'}",
                _what_it_is(row),
            ]
            for row in _selected(self)
        ]
        return [_table(["Property", "Units: arguments → result", "What it is"], rows)]


class CppFunctionsTable(SphinxDirective):
    """The C++ function of the model behind each property (all, or "bound" or "derived" ones)."""

    optional_arguments = 1

    def run(self) -> List[nodes.Node]:
        rows = [[nodes.literal(text=row.name), nodes.literal(text=row.model)] for row in _selected(self)]
        return [_table(["Property", "C++ function"], rows)]


class DomainsTable(SphinxDirective):
    """Each property's mathematical domain, plausible spans and checked range, from the property table."""

    def run(self) -> List[nodes.Node]:
        from Halx._domain import checked_range_text
        from Halx._table import plausible_spans

        rows = [
            [
                nodes.literal(text=row.name),
                row.domain,
                "; ".join(
                    f"{argument.name} from {low:g} to {high:g} {argument.unit}"
                    for argument, (low, high) in zip(row.arguments, plausible_spans(row))
                ),
                checked_range_text(row),
            ]
            for row in PROPERTIES
        ]
        bases = [row.checked.basis if row.checked is not None else "" for row in PROPERTIES]
        headers = ["Property", "Where the formula has a meaning", "Plausible", "Checked against measurements"]
        return [_table(headers, rows, "Basis", bases)]


class FunctionReference(SphinxDirective):
    """autofunction for each function of the package, one per property, in table order."""

    def run(self) -> List[nodes.Node]:
        lines = [f".. autofunction:: Halx.{row.name}" for row in PROPERTIES]
        return self.parse_text_to_nodes("\n".join(["```{eval-rst}", *lines, "```"]))


class ConstantsTable(SphinxDirective):
    """The constants, with the values of the installed module."""

    def run(self) -> List[nodes.Node]:
        rows = [
            [
                nodes.literal(text=constant.name),
                repr(getattr(Halx.cvar, constant.name)),
                constant.unit,
                constant.summary,
            ]
            for constant in CONSTANTS
        ]
        return [_table(["Constant", "Value", "Unit", "What it is"], rows)]


class UfuncReference(SphinxDirective):
    """autofunction for each ufunc of Halx.ufunc, in table order."""

    def run(self) -> List[nodes.Node]:
        # autodoc writes reStructuredText, which a MyST page reads through eval-rst.
        lines = [f".. autofunction:: Halx.ufunc.{row.name}" for row in PROPERTIES]
        return self.parse_text_to_nodes("\n".join(["```{eval-rst}", *lines, "```"]))


@contextlib.contextmanager
def _columns(width: int) -> Iterator[None]:
    """argparse wraps help to the terminal's width; the pages use a fixed one."""
    saved = os.environ.get("COLUMNS")
    os.environ["COLUMNS"] = str(width)
    try:
        yield
    finally:
        if saved is None:
            del os.environ["COLUMNS"]
        else:
            os.environ["COLUMNS"] = saved


class CommandHelp(SphinxDirective):
    """`halx --help`, then `halx COMMAND --help` for each command, as literal blocks."""

    def run(self) -> List[nodes.Node]:
        from Halx.cli import _build_parser, main

        # Narrow enough for the column of text beside both sidebars.
        with _columns(66):
            parser = _build_parser()
            commands = [
                name
                for action in parser._actions
                if isinstance(action, argparse._SubParsersAction)
                for name in action.choices
            ]
            result: List[nodes.Node] = []
            for words in [[]] + [[name] for name in commands]:
                output = io.StringIO()
                with contextlib.redirect_stdout(output):
                    main(words + ["--help"])
                line = " ".join(["$ halx"] + words + ["--help"])
                result.append(nodes.literal_block(text=f"{line}\n{output.getvalue().rstrip()}", language="text"))
        return result


# Pages written for contributors, which may name the package's internals.
_CONTRIBUTOR_PAGES = {"binding"}


def _private_names() -> "re.Pattern[str]":
    """`Halx._anything`, or the bare name of one of the package's private modules."""
    private = sorted(
        module.name for module in pkgutil.iter_modules(Halx.__path__) if re.match(r"_[A-Za-z]", module.name)
    )
    bare = "|".join(re.escape(name) for name in private)
    return re.compile(r"\bHalx\._[A-Za-z]\w*" + (rf"|(?<![\w.])(?:{bare})\b" if bare else ""))


_PRIVATE_NAMES = _private_names()


def warn_on_private_names(app: Sphinx, doctree: nodes.document, docname: str) -> None:
    """A warning for each text of a user's page that names a private module of the package."""
    if docname in _CONTRIBUTOR_PAGES:
        return
    for text in doctree.findall(nodes.Text):
        for match in _PRIVATE_NAMES.finditer(text.astext()):
            logger.warning(
                "%s is private to the package; a page for users names public API only",
                match.group(0),
                location=text.parent,
            )


def refuse_external_assets(app: Sphinx, exception: Optional[BaseException]) -> None:
    """Fails the HTML build, with an error for each load, when a built page loads anything from another host."""
    if exception is not None or app.builder.format != "html":
        return
    found = external_assets(Path(app.outdir))
    for load in found:
        logger.error("the site must read offline, but this loads from another host: %s", load)
    if found:
        app.statuscode = 1


def setup(app: Sphinx) -> Dict[str, Any]:
    app.add_directive("halx-properties", PropertiesTable)
    app.add_directive("halx-cpp-functions", CppFunctionsTable)
    app.add_directive("halx-constants", ConstantsTable)
    app.add_directive("halx-domains", DomainsTable)
    app.add_directive("halx-ufuncs", UfuncReference)
    app.add_directive("halx-functions", FunctionReference)
    app.add_directive("halx-help", CommandHelp)
    app.connect("doctree-resolved", warn_on_private_names)
    app.connect("build-finished", refuse_external_assets)
    return {"parallel_read_safe": True, "parallel_write_safe": True}

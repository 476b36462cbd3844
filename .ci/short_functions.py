"""Fails, naming each one, when a function of the given Python files is longer than 60 lines.

Run by pre-commit (and so by ``nox -s lint``) over ``python/Halx``: a
function that long does several things, and each deserves a name. The count
runs from the ``def`` line (decorators excluded) to the last line of the body.
"""

import ast
import sys
from typing import Iterator, List, Tuple

LIMIT = 60


def long_functions(path: str) -> Iterator[Tuple[int, str, int]]:
    """(first line, name, lines) of every function of the file at path longer than LIMIT lines."""
    with open(path, encoding="utf-8") as file:
        tree = ast.parse(file.read(), path)
    for node in ast.walk(tree):
        if isinstance(node, (ast.FunctionDef, ast.AsyncFunctionDef)):
            lines = (node.end_lineno or node.lineno) - node.lineno + 1
            if lines > LIMIT:
                yield node.lineno, node.name, lines


def main(paths: List[str]) -> int:
    found = [
        f"{path}:{line}: {name} is {lines} lines long" for path in paths for line, name, lines in long_functions(path)
    ]
    for message in found:
        print(f"{message}, more than {LIMIT}: split it into functions that each do one thing")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

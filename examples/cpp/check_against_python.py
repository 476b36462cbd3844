"""Checks that a program prints the very doubles that the Halx Python package gives.

    python check_against_python.py PROGRAM [ARGUMENT...]

PROGRAM (halx_table, beside this file) prints CSV: a header of columns
"NAME (UNIT)", each NAME an argument of the properties (T, P) or a property
of Halx, then rows of numbers with enough digits to read back exactly. Every
property value must be, bit for bit, the double that Halx.ufunc gives at the
row's arguments. Exit status 0 when every value agrees; otherwise the
differences are listed and the status is 1.
"""

import csv
import struct
import subprocess
import sys
import warnings
from typing import Dict, List

import numpy
from Halx import RangeWarning, ufunc
from Halx._table import PROPERTIES


def bits(value: float) -> str:
    """The IEEE 754 bits of value, so that NaNs and signed zeros compare too."""
    return struct.pack("<d", value).hex()


def check(text: str) -> List[str]:
    """The disagreements in the CSV text (the program's output); raises ValueError for a malformed table."""
    table = list(csv.reader(text.splitlines()))
    if len(table) < 2:
        raise ValueError("the program printed no rows; it should print a header and rows of numbers")
    names = [column.split(" (")[0] for column in table[0]]
    properties = {row.name: row for row in PROPERTIES if row.name in names}
    arguments = {argument.name for row in PROPERTIES for argument in row.arguments}
    unknown = [name for name in names if name not in properties and name not in arguments]
    if unknown or not properties:
        raise ValueError(f"columns {unknown or names} are neither properties of Halx nor their arguments")
    differences = []
    for line, row in enumerate(table[1:], start=2):
        values: Dict[str, float] = dict(zip(names, map(float, row)))
        for name, prop in properties.items():
            # The example prints states far outside where some properties mean
            # anything on purpose: their doubles must agree all the same.
            with numpy.errstate(all="ignore"), warnings.catch_warnings():
                warnings.simplefilter("ignore", RangeWarning)
                expected = float(getattr(ufunc, name)(*(values[argument.name] for argument in prop.arguments)))
            if bits(expected) != bits(values[name]):
                differences.append(f"line {line}: {name} is {values[name]!r}, the Python package gives {expected!r}")
    return differences


def main(command: List[str]) -> int:
    if not command:
        print(__doc__, file=sys.stderr)
        return 2
    output = subprocess.run(command, capture_output=True, check=True, encoding="utf-8").stdout
    differences = check(output)
    for difference in differences:
        print(difference)
    rows = len(output.splitlines()) - 1
    verdict = f"{len(differences)} differ" if differences else "every value is the Python package's double"
    print(f"{rows} rows checked: {verdict}")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

"""The model's constants as its headers write them, for the benchmarks that evaluate its formulas exactly.

A coefficient is written once, in model/; the benchmarks read it from there
as the decimal string written, and turn it into the number type they compute
in (an MPFR number, a Decimal), so that the exact formula uses the very
constant the model was given.
"""

import re
from pathlib import Path
from typing import Dict, List

MODEL = Path(__file__).resolve().parents[1] / "model"

_DECIMAL = r"[-+]?[0-9][0-9.]*(?:[eE][-+]?[0-9]+)?"
_NAMED_DECIMAL = re.compile(rf"^\s*constexpr double (\w+) = ({_DECIMAL});", re.MULTILINE)
_SPECIES = re.compile(r"constexpr Species (\w+) = \{(.*?)\};", re.DOTALL)


def read_constants(*headers: str) -> Dict[str, str]:
    """Every `constexpr double Name = decimal;` of the headers of model/, as its decimal string."""
    constants: Dict[str, str] = {}
    for header in headers:
        constants.update(_NAMED_DECIMAL.findall((MODEL / header).read_text(encoding="utf-8")))
    return constants


def read_species(header: str) -> Dict[str, List[str]]:
    """Every `constexpr Species Name = {split, {a0..a6}, {a0..a6}, from, to};` of a header of
    model/, as its 17 decimal strings in that order."""
    species = {}
    for name, body in _SPECIES.findall((MODEL / header).read_text(encoding="utf-8")):
        numbers = re.findall(_DECIMAL, body)
        if len(numbers) != 17:
            raise ValueError(f"{header}: {name} has {len(numbers)} numbers, not 17")
        species[name] = numbers
    return species

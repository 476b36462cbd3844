"""The properties and constants of sodium chloride that Halx serves, one row each.

This is the one description of each property: its name, its arguments with
their units, the unit of its result, a one-line summary and the C++ function of
the model that evaluates it. Everything else that names a property reads it
from here: the rows of the three extension modules, the C interface and the
parts of the static stubs (.pyi) that list properties and constants (each
written from this file by tools/write_from_table.py, and checked by
tests/test_table.py), the ufunc docstrings, the docstring of the proxy class,
the command line and the tests.

Adding a property is one row here and its function in model/. Rows with
`bound` set are members of `cHalx` that `_Halx` binds as `cHalx_<name>`; those
five and their order are fixed for good, so every later property is a derived
one, a function of the model with `bound` left unset: it joins the scalar
functions of the package (the module `Halx._functions`), the ufuncs and the
command line, never `_Halx`. A row's `kernel` names the member of
`Halx::ArrayKernels` that evaluates it over arrays, if the model has one.

A property's result is a double (`result` "float") or a phase (`result`
"phase"): the model returns a `Halx::Phase`, the scalar function a member of
`Halx.Phase` and the ufunc its code as an int8.

Standard library only and no imports from the package: the generator loads this
file by its path, before Halx exists anywhere.
"""

import math
import textwrap
from typing import NamedTuple, Optional, Tuple

__all__ = [
    "Argument",
    "Checked",
    "Property",
    "Constant",
    "TEMPERATURE",
    "PRESSURE",
    "plausible_spans",
    "PROPERTIES",
    "CONSTANTS",
    "RESULTS",
    "describe_arguments",
    "describe_result",
    "docstring",
    "scalar_docstring",
    "ufunc_docstring",
    "ascii_text",
    "constant_docstring",
]


class Argument(NamedTuple):
    """An argument of the properties."""

    name: str  # as written in signatures and on the command line ("T")
    quantity: str  # what it is ("temperature")
    unit: str  # its unit, with the real symbols ("°C")
    # The closed span, in unit, outside which a value of this argument is almost
    # certainly a slip (another unit) rather than a state anyone means; a row
    # narrows it where its phase makes that obvious (Property.plausible).
    plausible: Tuple[float, float] = (-math.inf, math.inf)


class Checked(NamedTuple):
    """Where a property was compared with measured values (docs/handbook.md):
    for each argument, in call order, the closed span of the states compared,
    in the argument's unit; a span whose ends are equal is a single state."""

    spans: Tuple[Tuple[float, float], ...]
    basis: str  # what was compared, against which source, and how well it agrees


class Property(NamedTuple):
    """A property of sodium chloride: a function of temperature and/or pressure."""

    name: str  # the model's name, e.g. "P_Boiling"
    arguments: Tuple[Argument, ...]  # in call order
    unit: str  # unit of the result
    summary: str  # one line, lower case, no unit: what the result is
    model: str  # the C++ function of model/ that evaluates it
    bound: bool = False  # a member of cHalx that _Halx binds as cHalx_<name>
    result: str = "float"  # one of RESULTS
    domain: str = ""  # where the formula has a meaning, in words; outside it the result is NaN (or no phase)
    checked: Optional[Checked] = None  # where it was compared with measurements; None: nowhere
    kernel: str = ""  # the member of Halx::ArrayKernels that evaluates it over arrays; "": element by element
    # Per argument, in call order, the span outside which a value is almost
    # certainly a slip (Halx.RangeWarning); None, or None for an argument: the
    # argument's own span (Argument.plausible). Not the checked range: far wider.
    plausible: Optional[Tuple[Optional[Tuple[float, float]], ...]] = None


class Constant(NamedTuple):
    """A constant of sodium chloride, served by `cvar` and the package."""

    name: str
    unit: str
    summary: str  # one line, lower case, no unit
    value: float  # in unit; the build checks that model/Halx.h gives the very same double


#: The kinds of result a property may have: a double in `unit`, or a phase
#: (solid, liquid or vapour), which has no unit.
RESULTS = ("float", "phase")

# The plausible spans of the arguments, where no row narrows them (docs/domain.md
# says what they are for). Temperature: absolute zero up to 5000 °C, well above
# the critical point that measurements put near 3900 K (3627 °C), so no state
# of the salt lies beyond. Pressure: 0 up to 6 × 10⁴ bar (6 GPa): the solid
# and liquid correlations are extrapolations beyond a few kbar and have lost
# any meaning long before (the solid's expansivity turns negative near 65 kbar
# at 25 °C); a pressure in pascals lies above it from 0.6 bar on.
TEMPERATURE = Argument("T", "temperature", "°C", (-273.15, 5000.0))
PRESSURE = Argument("P", "pressure", "bar", (0.0, 6.0e4))

# Narrower spans where the phase a property describes makes them obvious.
# The solid: up to 1500 °C, its melting temperature near 28 kbar by the
# melting curve, far beyond where a solid's correlation has been compared with
# anything. The liquid, and the liquid–vapour curve: from 600 °C, 200 K of
# undercooling below the triple point. The solid–vapour curve: up to 1000 °C,
# and its pressures up to 0.01 bar, twenty times the triple point's. The
# solid–liquid curve: from 600 °C up to 2300 °C, above its own temperature at
# 6 × 10⁴ bar (2284 °C).
_SOLID_T = (-273.15, 1500.0)
_LIQUID_T = (600.0, 5000.0)
_SUBLIMATION_T = (-273.15, 1000.0)
_SUBLIMATION_P = (0.0, 0.01)
_MELTING_T = (600.0, 2300.0)

# The sources of the measured values that the rows' checked ranges rest on;
# docs/handbook.md sets each comparison out in full.
_DATA_PAGE = "the encyclopedia's sodium chloride data page, quoting the CRC Handbook"
_ABSOLUTE_ZERO = "T ≥ −273.15 °C"
_TRIPLE_POINT_TO_ONE_ATMOSPHERE = (3.0e-4, 1.01325)  # bar: the measured triple point (30 Pa) up to 1 atm

PROPERTIES: Tuple[Property, ...] = (
    Property(
        "P_Boiling",
        (TEMPERATURE,),
        "bar",
        "pressure on the liquid–vapour (boiling) curve",
        "Halx::cHalx::P_Boiling",
        bound=True,
        kernel="P_Boiling",
        domain="T > −273.15 °C",
        checked=Checked(
            ((800.7, 1465.0),),
            f"the triple point (801 °C, 30 Pa; Halx: 50 Pa) and the normal boiling point (1465 °C; "
            f"Halx: 1450.6 °C), {_DATA_PAGE}",
        ),
        plausible=(_LIQUID_T,),
    ),
    Property(
        "T_Melting",
        (PRESSURE,),
        "°C",
        "temperature on the solid–liquid (melting) curve",
        "Halx::cHalx::T_Melting",
        bound=True,
        kernel="T_Melting",
        domain="every P",
        checked=Checked(
            (_TRIPLE_POINT_TO_ONE_ATMOSPHERE,),
            f"the triple point and the melting point at 1 atm (800.7 °C; Halx: 800.72 °C), {_DATA_PAGE}",
        ),
    ),
    Property(
        "P_Sublimation",
        (TEMPERATURE,),
        "bar",
        "pressure on the solid–vapour (sublimation) curve",
        "Halx::cHalx::P_Sublimation",
        bound=True,
        kernel="P_Sublimation",
        domain="T > −273.15 °C",
        checked=Checked(((800.7, 801.0),), f"the triple point only (801 °C, 30 Pa; Halx: 50 Pa), {_DATA_PAGE}"),
        plausible=(_SUBLIMATION_T,),
    ),
    Property(
        "Rho_Solid",
        (TEMPERATURE, PRESSURE),
        "kg/m³",
        "density of the solid (halite)",
        "Halx::cHalx::Rho_Solid",
        bound=True,
        kernel="Rho_Solid",
        domain="where the density it gives is positive",
        checked=Checked(
            ((25.0, 25.0), (1.0, 1.0)),
            "halite at 25 °C and 1 bar only (2165 kg/m³, crystal data compilations; Halx: 2164.2 kg/m³)",
        ),
        plausible=(_SOLID_T, None),
    ),
    Property(
        "Rho_Liquid",
        (TEMPERATURE, PRESSURE),
        "kg/m³",
        "density of the liquid",
        "Halx::cHalx::Rho_Liquid",
        bound=True,
        kernel="Rho_Liquid",
        domain="where its molar volume V(T) and compression term D(T, P) are positive",
        checked=Checked(
            ((800.7, 850.0), (1.0, 1.0)),
            f"the melting point and 850 °C at 1 bar (1556 and 1549 kg/m³, {_DATA_PAGE}; Halx: 1561.3 and 1530.3 kg/m³)",
        ),
        plausible=(_LIQUID_T, None),
    ),
    # Derived from the five by exact algebra or calculus (model/Derived.h).
    Property(
        "T_Boiling",
        (PRESSURE,),
        "°C",
        "temperature on the liquid–vapour (boiling) curve",
        "Halx::T_Boiling",
        domain="0 ≤ P < 2.95 × 10⁵ bar, below the pressure where its line reaches 1/T = 0",
        checked=Checked(
            (_TRIPLE_POINT_TO_ONE_ATMOSPHERE,),
            f"the triple point and the normal boiling point (1465 °C; Halx: 1450.6 °C), {_DATA_PAGE}",
        ),
    ),
    Property(
        "T_Sublimation",
        (PRESSURE,),
        "°C",
        "temperature on the solid–vapour (sublimation) curve",
        "Halx::T_Sublimation",
        domain="0 ≤ P < 4.93 × 10⁷ bar, below the pressure where its line reaches 1/T = 0",
        checked=Checked(((3.0e-4, 5.0e-4),), f"the triple point only (30 Pa; Halx: 50 Pa), {_DATA_PAGE}"),
        plausible=(_SUBLIMATION_P,),
    ),
    Property(
        "P_Melting",
        (TEMPERATURE,),
        "bar",
        "pressure on the solid–liquid (melting) curve",
        "Halx::P_Melting",
        domain=_ABSOLUTE_ZERO,
        checked=Checked(((800.7, 801.0),), f"the triple point and the melting point at 1 atm (800.7 °C), {_DATA_PAGE}"),
        plausible=(_MELTING_T,),
    ),
    Property(
        "phase",
        (TEMPERATURE, PRESSURE),
        "",
        "phase",
        "Halx::phase",
        result="phase",
        domain=f"{_ABSOLUTE_ZERO} and P ≥ 0 bar",
        checked=Checked(
            ((800.7, 1465.0), _TRIPLE_POINT_TO_ONE_ATMOSPHERE),
            "between the states where its three curves were compared",
        ),
    ),
    Property(
        "H_Vaporization",
        (TEMPERATURE,),
        "J/mol",
        "molar heat of vaporization from the boiling curve",
        "Halx::H_Vaporization",
        domain=_ABSOLUTE_ZERO,
        plausible=(_LIQUID_T,),
    ),
    Property(
        "H_Sublimation",
        (TEMPERATURE,),
        "J/mol",
        "molar heat of sublimation from the sublimation curve",
        "Halx::H_Sublimation",
        domain=_ABSOLUTE_ZERO,
        plausible=(_SUBLIMATION_T,),
    ),
    Property(
        "H_Fusion",
        (PRESSURE,),
        "J/mol",
        "molar heat of fusion on the melting curve",
        "Halx::H_Fusion",
        domain="P ≥ −43 430 bar (a melting temperature at or above absolute zero) where both densities are positive",
        checked=Checked(
            ((1.0, 1.0),),
            f"at 1 bar only (27.95 kJ/mol, {_DATA_PAGE}; 28.16 kJ/mol, widely quoted; Halx: 29.83 kJ/mol)",
        ),
    ),
    Property(
        "Alpha_Solid",
        (TEMPERATURE, PRESSURE),
        "1/K",
        "thermal expansivity of the solid",
        "Halx::Alpha_Solid",
        domain=f"{_ABSOLUTE_ZERO} where the solid's density is positive",
        checked=Checked(
            ((25.0, 25.0), (1.0, 1.0)),
            "halite at 25 °C and 1 bar only (1.20 × 10⁻⁴ 1/K, three times the linear coefficient "
            "of materials data compilations; Halx: 1.159 × 10⁻⁴ 1/K)",
        ),
        plausible=(_SOLID_T, None),
    ),
    Property(
        "Alpha_Liquid",
        (TEMPERATURE, PRESSURE),
        "1/K",
        "thermal expansivity of the liquid",
        "Halx::Alpha_Liquid",
        domain=f"{_ABSOLUTE_ZERO} where the liquid's density is defined and positive",
        plausible=(_LIQUID_T, None),
    ),
    Property(
        "Beta_Solid",
        (TEMPERATURE, PRESSURE),
        "1/bar",
        "isothermal compressibility of the solid",
        "Halx::Beta_Solid",
        domain=f"{_ABSOLUTE_ZERO} where the solid's density is positive",
        plausible=(_SOLID_T, None),
    ),
    Property(
        "Beta_Liquid",
        (TEMPERATURE, PRESSURE),
        "1/bar",
        "isothermal compressibility of the liquid",
        "Halx::Beta_Liquid",
        domain=f"{_ABSOLUTE_ZERO} where the liquid's density is defined and positive",
        plausible=(_LIQUID_T, None),
    ),
)


# The caloric side (model/Caloric.h): standard-state functions from the NASA
# polynomials of the JANAF tables, the pressure dependence of the condensed
# phases from their densities, the vapour as monomer and dimer in equilibrium.
_THERMOCHEMISTRY = (
    "the NASA polynomials of the JANAF tables (McBride, Gordon and Reno, NASA TM-4513, 1993) over the "
    "temperatures they were fitted to"
)
_FITTED = {  # the temperatures of each phase's data, °C: 300 K, 1073.8 K and 5000 K
    "Solid": (26.85, 800.65),
    "Liquid": (800.65, 4726.85),
    "Vapour": (26.85, 4726.85),
}
_PHASE_WORDS = {"Solid": "the solid (halite)", "Liquid": "the liquid", "Vapour": "the vapour"}
_CALORIC_DOMAIN = {
    "Solid": "T > −273.15 °C where the solid's density is positive at P and at 1 bar",
    "Liquid": "T > −273.15 °C where the liquid's density is defined and positive at P and at 1 bar",
    "Vapour": "T > −273.15 °C and P ≥ 0 bar",
}
# At 1 bar only for the condensed phases (their pressure dependence comes from the
# densities); the vapour is an ideal gas, which real NaCl vapour is at and below 1 bar.
_CALORIC_PRESSURES = {"Solid": (1.0, 1.0), "Liquid": (1.0, 1.0), "Vapour": (0.0, 1.0)}
_CALORIC_PLAUSIBLE = {"Solid": (_SOLID_T, None), "Liquid": (_LIQUID_T, None), "Vapour": None}
_QUANTITIES = (
    ("Cp", "J/(mol·K)", "isobaric heat capacity of {phase} per mole of NaCl"),
    ("H", "J/mol", "enthalpy of {phase} per mole of NaCl, zero for the elements at 25 °C"),
    ("S", "J/(mol·K)", "absolute entropy of {phase} per mole of NaCl"),
    ("G", "J/mol", "Gibbs energy of {phase} per mole of NaCl, zero for the elements at 25 °C"),
)


def _caloric(phase: str, name: str, unit: str, summary: str) -> Property:
    return Property(
        name,
        (TEMPERATURE, PRESSURE),
        unit,
        summary,
        f"Halx::{name}",
        domain=_CALORIC_DOMAIN[phase],
        checked=Checked((_FITTED[phase], _CALORIC_PRESSURES[phase]), _THERMOCHEMISTRY),
        plausible=_CALORIC_PLAUSIBLE[phase],
    )


PROPERTIES += tuple(
    _caloric(phase, f"{quantity}_{phase}", unit, summary.format(phase=_PHASE_WORDS[phase]))
    for phase in ("Solid", "Liquid", "Vapour")
    for quantity, unit, summary in _QUANTITIES
) + (
    _caloric("Vapour", "Rho_Vapour", "kg/m³", "density of the vapour, NaCl and Na2Cl2 in equilibrium"),
    _caloric("Vapour", "X_Dimer", "mol/mol", "mole fraction of Na2Cl2 molecules in the vapour"),
    Property(
        "P_Vapour",
        (TEMPERATURE,),
        "bar",
        "equilibrium vapour pressure over the solid or liquid, from the Gibbs energies",
        "Halx::P_Vapour",
        domain="T > −273.15 °C",
        checked=Checked(((_FITTED["Solid"][0], _FITTED["Liquid"][1]),), _THERMOCHEMISTRY),
    ),
)

CONSTANTS: Tuple[Constant, ...] = (
    Constant("MolarMass", "kg/mol", "molar mass", 0.058443),
    Constant("T_Triple", "°C", "triple-point temperature", 800.7),
    Constant("P_Triple", "bar", "triple-point pressure", 0.0005),
)


def plausible_spans(row: Property) -> Tuple[Tuple[float, float], ...]:
    """The plausible span of each argument of row, in call order and the argument's unit."""
    narrowed = row.plausible or (None,) * len(row.arguments)
    return tuple(span or argument.plausible for argument, span in zip(row.arguments, narrowed))


# --- The texts that are made from a row ------------------------------------------------------
# Docstrings, stubs and the ufunc documentation all say the same thing about a
# property; it is phrased once, here, so that the build and the package agree.


def _sentence(text: str) -> str:
    return text[:1].upper() + text[1:]


def describe_arguments(row: Property) -> str:
    """'temperature T (°C) and pressure P (bar)' for row."""
    return " and ".join(f"{argument.quantity} {argument.name} ({argument.unit})" for argument in row.arguments)


def describe_result(row: Property) -> str:
    """'in bar' for a number, 'solid, liquid or vapour' for a phase."""
    return "solid, liquid or vapour" if row.result == "phase" else f"in {row.unit}"


def _plausible_sentence(row: Property) -> str:
    """What the functions of the package and of Halx.ufunc do with an argument outside its plausible span."""
    spans = " and ".join(
        f"{argument.name} from {low:g} to {high:g} {argument.unit}"
        for argument, (low, high) in zip(row.arguments, plausible_spans(row))
    )
    return (
        f"An argument outside its plausible span ({spans}), most likely in another unit, gives the "
        "same result with a Halx.RangeWarning naming the likely slip; NaN never warns."
    )


def docstring(row: Property) -> str:
    """The one-line docstring of the scalar function or method of row."""
    if row.result == "phase":
        return f"{_sentence(row.summary)} at {describe_arguments(row)}: a Halx.Phase, {describe_result(row)}."
    return f"{_sentence(row.summary)} at {describe_arguments(row)}, {describe_result(row)}."


def scalar_docstring(row: Property, method: bool = False) -> str:
    """The numpydoc docstring of the function of the package for row or, as a
    method, of the method of cHalx: its one line, each argument with its unit,
    the result with its unit. The function takes arrays too; the method only numbers."""
    kind = "float" if method else "float or array_like"
    parameters = []
    for argument in row.arguments:
        parameters += [f"{argument.name} : {kind}", f"    {_sentence(argument.quantity)}, {argument.unit}."]
    if row.result == "phase":
        result = "Halx.Phase" if method else "Halx.Phase, or int8 codes for NumPy input"
        returns = [result, f"    {_sentence(row.summary)}: {describe_result(row)}."]
    else:
        returns = [
            "float" if method else "float, or float64 for NumPy input",
            f"    {_sentence(row.summary)}, {row.unit}.",
        ]
    if method:
        notes = []
        see_also = f"Halx.{row.name} : the same as a function, which takes NumPy scalars and arrays too."
    else:
        notes = [
            "",
            "Notes",
            "-----",
            textwrap.fill(
                f"A float or int (subclasses included) gives a {'Halx.Phase' if row.result == 'phase' else 'float'}. "
                f"A NumPy scalar or array, a list or tuple, an xarray DataArray, a dask array or a pint "
                f"Quantity is passed to Halx.ufunc.{row.name} (NumPy needed), and the result is what it gives. "
                f"{_plausible_sentence(row)}",
                width=76,
            ),
        ]
        see_also = f"Halx.ufunc.{row.name} : the same as a NumPy ufunc, with out= and the other ufunc options."
    return "\n".join(
        [docstring(row), "", "Parameters", "----------"]
        + parameters
        + ["", "Returns", "-------"]
        + returns
        + notes
        + ["", "See Also", "--------", see_also]
    )


def ufunc_docstring(row: Property, wrapped: bool = False) -> str:
    """The docstring of the NumPy ufunc of row (NumPy puts the call signature,
    with inputs x or x1, x2, in front of it) or, wrapped, of the function of
    Halx.ufunc over it: inputs named as in the table, and a Notes section on
    the units of plain, xarray and pint input."""
    if wrapped:
        inputs = [argument.name for argument in row.arguments]
    else:
        inputs = ["x"] if len(row.arguments) == 1 else [f"x{index}" for index in range(1, len(row.arguments) + 1)]
    parameters = []
    for position, (name, argument) in enumerate(zip(inputs, row.arguments)):
        broadcast = f" Broadcast against {row.arguments[0].name}." if position else ""
        parameters += [
            f"{name} : array_like",
            f"    {_sentence(argument.quantity)} {argument.name}, {argument.unit}.{broadcast}",
        ]
    call = f"{row.name}({', '.join(argument.name for argument in row.arguments)})"
    if row.result == "phase":
        title, kind = f"{_sentence(row.summary)}: {describe_result(row)}.", "ndarray or int8"
        returns = (
            f"{call} as codes, the values of Halx.Phase: 1 solid, 2 liquid, 3 vapour, and 0 where "
            "no state exists (T or P is NaN, T is below absolute zero, P is negative). Element by element the phase of the scalar function. Inputs are "
            "converted to float64."
        )
    else:
        title, kind = f"{_sentence(row.summary)}, {row.unit}.", "ndarray or float64"
        returns = (
            f"{call} in {row.unit}: element by element the very double that the scalar function "
            "returns, NaN and infinities included. Inputs are converted to float64."
        )
    returns = textwrap.fill(returns, width=76, initial_indent="    ", subsequent_indent="    ")
    lines = [title, "", "Parameters", "----------"] + parameters + ["", "Returns", "-------", kind, returns]
    if wrapped:
        plain = " and ".join(f"{argument.name} in {argument.unit}" for argument in row.arguments)
        quantities = " or ".join(dict.fromkeys(argument.quantity for argument in row.arguments))
        if row.result == "phase":
            gives = (
                f"An xarray DataArray gives a DataArray of codes named {row.name} with the attribute "
                f"long_name ({row.summary!r}). A pint Quantity of {quantities}, bare or as the data of a "
                "DataArray, is converted from its unit; the codes carry no unit."
            )
        else:
            gives = (
                f"An xarray DataArray gives a DataArray named {row.name} with the attributes long_name "
                f"({row.summary!r}) and units ({row.unit!r}). A pint Quantity of {quantities}, bare or as "
                f"the data of a DataArray, is converted from its unit, and the result is a Quantity in "
                f"{row.unit}."
            )
        labelled = (
            "A DataArray of plain numbers is read in the unit its units attribute names (the "
            "table's, as above, when the attribute is missing or empty): another unit is converted "
            "by pint's application registry, and one that pint cannot convert, or any other unit "
            "when pint is not installed, raises ValueError."
        )
        named = f"A pandas Series or Index gives one named {row.name}, with the index of its input."
        notes = f"Plain numbers and arrays are taken as {plain}. {gives} {labelled} {named} {_plausible_sentence(row)}"
        lines += ["", "Notes", "-----", textwrap.fill(notes, width=76)]
    return "\n".join(lines)


def constant_docstring(constant: Constant, value: float) -> str:
    """The one-line docstring of a constant whose value is value."""
    return f"{_sentence(constant.summary)} of sodium chloride, {value!r} {constant.unit}."


# What the texts above become where only ASCII can be written (a terminal or
# pipe in an ASCII or Latin-1 encoding): the unit symbols in the spellings
# that pint and most ASCII tables use, the typographic dashes as hyphens.
_ASCII_SPELLINGS = {
    "·": "*",
    "°": "deg",
    "²": "^2",
    "³": "^3",
    "–": "-",
    "—": "-",
    "×": "x",
    "…": "...",
    "≥": ">=",
    "≤": "<=",
}


def ascii_text(text: str) -> str:
    """text with the non-ASCII characters of the table's texts spelled in ASCII ('kg/m³' -> 'kg/m^3'); any other goes to '?'."""
    return "".join(character if character < "\x80" else _ASCII_SPELLINGS.get(character, "?") for character in text)

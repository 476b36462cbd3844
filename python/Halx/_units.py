"""The property functions of ``Halx.ufunc`` over pint quantities, xarray DataArrays and pandas objects,
and the conversion to the table's units that ``Halx.in_range`` shares.

Plain numbers and arrays never come here from ``Halx.ufunc``. A pint ``Quantity`` argument, bare
or as the data of an xarray ``DataArray`` (as pint-xarray makes them), is
converted to the unit of its argument in the property table; the ufunc runs
on the magnitudes, and the result is a ``Quantity`` in the property's unit,
made by the registry of the first quantity given (the codes of the phase stay
plain codes). A ``DataArray`` result is named after the property and carries
the property's ``long_name`` and ``units`` attributes instead of those of its
input (the ``units`` attribute only when its data is not a quantity, whose
unit says it already; the phase's codes are named by ``flag_values`` and
``flag_meanings`` instead). A pandas ``Series`` or ``Index`` result, which NumPy
names after its input, is named after the property too; it keeps the index.

A ``DataArray`` of plain numbers is read in the unit its ``units`` attribute
names, as pint-xarray and cf-xarray read one: a spelling of the table's unit
is taken as it is; any other unit is converted by pint's application registry
(the one pint-xarray uses), and one that pint cannot parse or convert, or any
other unit when pint is not installed, is refused with a ``ValueError``. A
missing or empty attribute means no unit was given: the data are in the
table's unit, as plain arrays are.

None of pint, xarray and pandas is imported here to recognise their objects:
an argument can only be one of them if the program has imported them, so they
are taken from ``sys.modules``. Only a ``units`` attribute to convert imports
pint.
"""

import importlib
import sys
from typing import Any, Dict, List, Optional, Sequence, Tuple

from ._lookup import property_named
from ._plausible import check_inputs
from ._table import Argument, Property

__all__ = ["evaluate", "in_table_units"]


def _library_types() -> Tuple[Any, Any, Any]:
    """(pint's Quantity class, xarray's DataArray class, pandas's Series and Index
    classes), each as a tuple that is empty when the library is not imported."""
    pint, xarray, pandas = (sys.modules.get(name) for name in ("pint", "xarray", "pandas"))
    return (
        (pint.Quantity,) if pint else (),
        (xarray.DataArray,) if xarray else (),
        (pandas.Series, pandas.Index) if pandas else (),
    )


# Spellings of the table's units that mean that very unit both to pint and to
# the CF conventions (UDUNITS): data labelled with one are taken as they are,
# with pint or without. "C" is not one of them: to both it is the coulomb.
_SPELLINGS = {
    "°C": frozenset({"°C", "degC", "degree_Celsius", "celsius"}),
    "bar": frozenset({"bar"}),
}


def _in_table_unit(row: Property, argument: Argument, array: Any) -> Any:
    """array, a DataArray of plain numbers, with its data in argument's unit as its
    attribute units says they are; raises ValueError for a unit that cannot be converted."""
    given = array.attrs.get("units")
    text = "" if given is None else str(given).strip()
    if not text or text in _SPELLINGS[argument.unit]:
        return array
    where = f"{row.name}: the units attribute {text!r} of {argument.name}"
    instead = f"give {argument.name} in {argument.unit} or another unit of {argument.quantity}"
    try:
        # Typed as a plain module, as sys.modules gives pint above: its annotations
        # change from release to release.
        pint = importlib.import_module("pint")
    except ImportError:
        raise ValueError(
            f"{where} is not {argument.unit}, and converting it needs pint; "
            f"install it (python -m pip install pint) or give {argument.name} in {argument.unit}"
        ) from None
    registry = pint.get_application_registry()
    try:
        unit = registry.parse_units(text)
    except Exception as error:  # pint's parser fails in many ways (even AssertionError) on text it cannot read
        raise ValueError(f"{where} is not a unit pint knows; {instead}") from error
    try:
        magnitude = registry.Quantity(array.data, unit).m_as(argument.unit)
    except pint.DimensionalityError as error:
        raise ValueError(f"{where} is not a unit of {argument.quantity}; {instead}") from error
    return array.copy(deep=False, data=magnitude)


def in_table_units(row: Property, inputs: Sequence[Any]) -> Tuple[List[Any], Optional[type]]:
    """inputs with each pint quantity (bare or as a DataArray's data) converted to
    the unit of its argument of row, and each DataArray of plain numbers whose
    attribute units names another unit converted by pint; and the class of the
    first quantity (which makes quantities of its registry), or None. Raises
    ValueError for a unit that cannot be converted."""
    quantity_types, data_array_types, _ = _library_types()
    quantity_class: Optional[type] = None
    magnitudes: List[Any] = []
    value: Any
    for argument, value in zip(row.arguments, inputs):
        data: Any = value.data if isinstance(value, data_array_types) else value
        if isinstance(data, quantity_types):
            quantity_class = quantity_class or type(data)
            magnitude = data.m_as(argument.unit)
            value = magnitude if data is value else value.copy(deep=False, data=magnitude)
        elif data is not value:
            value = _in_table_unit(row, argument, value)
        magnitudes.append(value)
    return magnitudes, quantity_class


def evaluate(name: str, inputs: Sequence[Any], options: Dict[str, Any]) -> Any:
    """The ufunc of property name over inputs, with options (its keywords): the
    quantities among inputs and the DataArrays whose attribute units names
    another unit in the units of the property's arguments, the result in its
    unit when any was a quantity, a DataArray result labelled as the property
    and a pandas result named after it. Raises ValueError for a units attribute
    that cannot be converted."""
    from . import _ufuncs

    row = property_named(name)
    magnitudes, quantity_class = in_table_units(row, inputs)
    check_inputs(row, magnitudes, options.get("where"))
    result: Any = getattr(_ufuncs, name)(*magnitudes, **options)
    quantity_types, data_array_types, named_types = _library_types()
    codes = row.result == "phase"  # codes of Halx.Phase, which carry no unit
    if quantity_class is not None and not codes:
        if isinstance(result, data_array_types):
            result = result.copy(deep=False, data=quantity_class(result.data, row.unit))
        else:
            result = quantity_class(result, row.unit)
    if isinstance(result, data_array_types):
        result.name = row.name
        result.attrs = {"long_name": row.summary}
        if codes:
            # The CF conventions' way of naming the values of a flag variable.
            result.attrs.update(flag_values=[1, 2, 3], flag_meanings="solid liquid vapour")
        elif not isinstance(result.data, quantity_types):
            result.attrs["units"] = row.unit
    elif isinstance(result, named_types):
        result.name = row.name
    return result

"""The property functions of ``Halx.ufunc`` over pint quantities and xarray DataArrays.

Plain numbers and arrays never come here. A pint ``Quantity`` argument, bare
or as the data of an xarray ``DataArray`` (as pint-xarray makes them), is
converted to the unit of its argument in the property table; the ufunc runs
on the magnitudes, and the result is a ``Quantity`` in the property's unit,
made by the registry of the first quantity given (the codes of the phase stay
plain codes). A ``DataArray`` result is named after the property and carries
the property's ``long_name`` and ``units`` attributes instead of those of its
input (the ``units`` attribute only when its data is not a quantity, whose
unit says it already; the phase's codes are named by ``flag_values`` and
``flag_meanings`` instead).

Neither pint nor xarray is imported here: an argument can only be one of
their objects if the program has imported them, so they are taken from
``sys.modules``.
"""
import sys
from typing import Any, Dict, List, Optional, Sequence, Tuple

from ._table import Property

__all__ = ["evaluate"]


def _library_types() -> Tuple[Any, Any]:
    """(pint's Quantity class, xarray's DataArray class), each as a tuple that is empty when not imported."""
    pint, xarray = sys.modules.get("pint"), sys.modules.get("xarray")
    return (pint.Quantity,) if pint else (), (xarray.DataArray,) if xarray else ()


def evaluate(row: Property, ufunc: Any, inputs: Sequence[Any], options: Dict[str, Any]) -> Any:
    """ufunc(*inputs, **options), with the quantities among inputs in the units of row's
    arguments, the result in row's unit when any was a quantity, and a DataArray result
    labelled as row."""
    quantity_types, data_array_types = _library_types()
    quantity_class: Optional[type] = None  # the first quantity's class, which makes quantities of its registry
    magnitudes: List[Any] = []
    value: Any
    for argument, value in zip(row.arguments, inputs):
        data: Any = value.data if isinstance(value, data_array_types) else value
        if isinstance(data, quantity_types):
            quantity_class = quantity_class or type(data)
            magnitude = data.m_as(argument.unit)
            value = magnitude if data is value else value.copy(deep=False, data=magnitude)
        magnitudes.append(value)
    result: Any = ufunc(*magnitudes, **options)
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
    return result

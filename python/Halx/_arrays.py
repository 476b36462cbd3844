"""Where the property functions of Halx send what is not a Python number.

``Halx.P_Boiling`` and the other functions of ``Halx._functions`` evaluate a
float or an int themselves; a NumPy scalar or array, a list or tuple, an
xarray, dask or pint object goes, call and all, to the function of the same
name in ``Halx.ufunc``, which is imported on first use here, so that
``import Halx`` needs no NumPy.
"""

from typing import Any

__all__ = ["through_ufunc"]


def through_ufunc(name: str, *arguments: Any) -> Any:
    """``Halx.ufunc.<name>(*arguments)``: ImportError naming the package to install without NumPy."""
    from . import ufunc

    return getattr(ufunc, name)(*arguments)

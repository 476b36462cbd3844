"""NumPy universal functions for the properties of sodium chloride.

Each ufunc gives, element by element, the very double that the matching scalar
function returns (NaN, infinities and signed zeros included), and does what
any NumPy ufunc does: broadcasting, ``out=``, ``where=``, strided input, and
lazy evaluation on dask and xarray arrays. Integer and float32 inputs are
converted to float64; results are float64, except the phase: ``phase`` gives
int8 codes, the values of ``Halx.Phase`` (1 solid, 2 liquid, 3 vapour), and 0
where T or P is NaN. Each ufunc's docstring gives its arguments and result
with their units.

    >>> import numpy as np
    >>> from Halx.ufunc import Rho_Liquid
    >>> Rho_Liquid(np.array([850.0, 900.0]), 1.0)  # kg/m³ at 850 and 900 °C, 1 bar
    array([1530.25957207, 1500.41908587])

The ufuncs live in the compiled module ``Halx._ufuncs``, one per row of the
property table, and pickle by reference to it. This module needs NumPy;
``import Halx`` does not.
"""

try:
    import numpy as _numpy  # noqa: F401  (only to say what to install when it is missing)
except ImportError as _error:
    raise ImportError(
        'Halx.ufunc needs NumPy; install it with: pip install "Halx[arrays]"'
    ) from _error

from . import _ufuncs
from ._table import PROPERTIES as _PROPERTIES

__all__ = [_row.name for _row in _PROPERTIES]

globals().update((_name, getattr(_ufuncs, _name)) for _name in __all__)

"""Thermodynamic properties of pure sodium chloride (NaCl).

>>> import Halx
>>> Halx.T_Melting(1000.0)          # melting temperature at 1000 bar
825.425987637
>>> Halx.T_Triple, Halx.P_Triple    # the correlations' triple point
(800.7, 0.0005)
>>> Halx.T_LiquidVapour(1.01325)    # normal boiling point, °C
1465.0037197320662
>>> Halx.T_Boiling(1.01325)         # the boiling correlation's, °C
1450.6193632468426
>>> print(Halx.phase(1000.0, 1.0))
liquid
>>> Halx.evaluate("Rho_Liquid", T=900.0, P=100.0)  # a property chosen at run time, kg/m³
1505.4437401142663

Every property is a function of the package, from one of two models: the
thermodynamic surface, the Gibbs energies of the solid, the liquid and the
vapour and what follows from them alone (the phase, the phase boundaries, the
latent heats per mole of NaCl, the caloric properties), and the five
correlations (``P_Boiling`` to ``Rho_Liquid``, also the methods of
``Halx.cHalx``) with what follows from them (inverse curves, the heats their
curves imply, response coefficients). Where both answer a question, each
function of the correlations names the surface's, the one to use. A float or int gives a float; with NumPy installed, NumPy
scalars and arrays, lists, xarray, dask and pint objects go to the function of
the same name in ``Halx.ufunc``, the same properties as NumPy universal
functions, and give what it gives. ``Halx.evaluate`` looks a property up by its
name, and ``Halx.in_range`` tells whether a state lies where a property was
checked against measurements. An argument far outside where a property means
anything (a temperature in kelvin, a pressure in pascals) gives its number
with a ``Halx.RangeWarning`` that names the likely slip. With matplotlib, ``Halx.plot`` draws the phase
diagram. ``Halx.ufunc`` and ``Halx.plot`` are imported on first use, so
``import Halx`` needs neither NumPy nor matplotlib.
"""

import importlib
import sys
import types
from typing import Any, Final, List

from _Halx import cvar

from . import _functions
from ._domain import in_range
from ._functions import *  # noqa: F401,F403  (a function per property of the table)
from ._functions import triple_point
from ._lookup import evaluate
from ._phase import Phase
from ._plausible import RangeWarning
from ._proxy import cHalx
from ._table import CONSTANTS, PROPERTIES, constant_docstring, docstring

__all__ = [
    "cHalx",
    "cvar",
    "MolarMass",
    "T_Triple",
    "P_Triple",
    "Phase",
    "RangeWarning",
    "evaluate",
    "in_range",
    "triple_point",
    "__version__",
]
__all__ += _functions.__all__

# Written once, in pyproject.toml, and read from the installed package's
# metadata on first use (see __getattr__): reading metadata takes longer than
# the rest of the import.
__version__: str

# The constants of cvar, read once; the module docstring gives their units.
# Read-only like cvar's: see _Package below.
MolarMass: Final[float] = cvar.MolarMass
T_Triple: Final[float] = cvar.T_Triple
P_Triple: Final[float] = cvar.P_Triple

__doc__ = "\n".join(
    [__doc__ or "", "Properties (functions of the package):", ""]
    + [f"``{row.name}``\n    {docstring(row)}" for row in PROPERTIES]
    + ["", "Constants (read-only, also served by ``Halx.cvar``):", ""]
    + [
        f"``{constant.name}``\n    {constant_docstring(constant, getattr(cvar, constant.name))}"
        for constant in CONSTANTS
    ]
)

# Imported on first use, so that `import Halx` never needs NumPy or matplotlib.
_ON_FIRST_USE = ("ufunc", "plot")
# The same for the compiled module of the ufuncs, whose attribute kernels names
# the SIMD kernels in use; dir() leaves it out, as it does every private name.
_PRIVATE_ON_FIRST_USE = ("_ufuncs",)


class _Package(types.ModuleType):
    """The type of the module Halx: its constants cannot be assigned or deleted, like those of cvar."""

    def __setattr__(self, name: str, value: Any) -> None:
        _refuse_constant(name)
        super().__setattr__(name, value)

    def __delattr__(self, name: str) -> None:
        _refuse_constant(name)
        super().__delattr__(name)


_CONSTANT_NAMES = frozenset(constant.name for constant in CONSTANTS)


def _refuse_constant(name: str) -> None:
    if name in _CONSTANT_NAMES:
        raise AttributeError(
            f"Halx.{name} is read-only, a constant of sodium chloride; keep another value in a name of your own"
        )


# Python consults no module-level __setattr__ for `Halx.T_Triple = 0`, only the
# type of the module; a subclass of the module type may be assigned there.
sys.modules[__name__].__class__ = _Package


def __dir__() -> List[str]:
    """The public API: what __all__ lists and the submodules imported on first use."""
    return sorted([*__all__, *_ON_FIRST_USE])


def __getattr__(name: str) -> Any:
    if name in _ON_FIRST_USE or name in _PRIVATE_ON_FIRST_USE:
        return importlib.import_module("." + name, __name__)
    if name == "__version__":
        global __version__
        from importlib.metadata import version

        __version__ = version("Halx")
        return __version__
    raise AttributeError(f"module 'Halx' has no attribute {name!r}")

"""The pressure–temperature phase diagram of sodium chloride, with matplotlib.

    >>> import matplotlib.pyplot as plt
    >>> from Halx.plot import phase_diagram
    >>> ax = phase_diagram()
    >>> plt.show()

The boiling, melting and sublimation curves divide the plane into the fields
of solid, liquid and vapour and meet at the triple point. Needs matplotlib
and NumPy (``pip install "Halx[plot]"``); ``import Halx`` needs neither.
"""
from typing import Optional, Tuple

try:
    import numpy
    from matplotlib.axes import Axes
except ImportError as _error:
    raise ImportError(
        f'Halx.plot needs {_error.name or "matplotlib"}; install it with: pip install "Halx[plot]"'
    ) from _error

from _Halx import cvar

from . import ufunc
from ._table import PRESSURE, TEMPERATURE

__all__ = ["phase_diagram"]

# Colours of the curves, matplotlib's first three: the tests look for them.
_CURVES = (
    ("P_Boiling", "tab:red", "boiling: liquid–vapour"),
    ("T_Melting", "tab:blue", "melting: solid–liquid"),
    ("P_Sublimation", "tab:green", "sublimation: solid–vapour"),
)


def phase_diagram(
    ax: Optional[Axes] = None,
    *,
    T_range: Tuple[float, float] = (500.0, 1500.0),
    P_range: Tuple[float, float] = (1e-8, 1e4),
    points: int = 400,
) -> Axes:
    """Draw the phase diagram on ax (the current Axes of pyplot when None) and return ax.

    T_range are the temperatures shown (°C), P_range the pressures (bar, on a
    logarithmic axis); each curve is drawn through points values and ends at
    the triple point, where the model makes all three meet.
    """
    if ax is None:
        import matplotlib.pyplot

        ax = matplotlib.pyplot.gca()
    T_low, T_high = T_range
    P_low, P_high = P_range
    T_Triple, P_Triple = cvar.T_Triple, cvar.P_Triple

    # Boiling above the triple-point temperature, sublimation below it, melting
    # above the triple-point pressure: the stable branch of each curve.
    T_boiling = numpy.linspace(T_Triple, max(T_high, T_Triple), points)
    T_sublimation = numpy.linspace(min(T_low, T_Triple), T_Triple, points)
    P_melting = numpy.geomspace(P_Triple, max(P_high, P_Triple), points)
    # Outside the physical range the model overflows by design; NumPy's
    # warnings about it would be noise here.
    with numpy.errstate(all="ignore"):
        curves = {
            "P_Boiling": (T_boiling, ufunc.P_Boiling(T_boiling)),
            "T_Melting": (ufunc.T_Melting(P_melting), P_melting),
            "P_Sublimation": (T_sublimation, ufunc.P_Sublimation(T_sublimation)),
        }

    ax.set_yscale("log")
    for name, colour, label in _CURVES:
        ax.plot(*curves[name], color=colour, label=label)
    ax.plot([T_Triple], [P_Triple], "o", color="black", zorder=3)
    ax.annotate(
        f"triple point\n{T_Triple:g} {TEMPERATURE.unit}, {P_Triple:g} {PRESSURE.unit}",
        xy=(T_Triple, P_Triple),
        xytext=(T_Triple + 60, P_Triple / 300),
        arrowprops={"arrowstyle": "->", "color": "black"},
    )
    for label, T, P in (("solid", 650.0, 1e0), ("liquid", 1150.0, 1e2), ("vapour", 1150.0, 1e-6)):
        ax.text(T, P, label, fontsize="x-large", ha="center", va="center", style="italic", clip_on=True)
    ax.set_xlim(T_low, T_high)
    ax.set_ylim(P_low, P_high)
    ax.set_xlabel(f"{TEMPERATURE.quantity.capitalize()} ({TEMPERATURE.unit})")
    ax.set_ylabel(f"{PRESSURE.quantity.capitalize()} ({PRESSURE.unit})")
    ax.set_title("Phase diagram of sodium chloride (NaCl)")
    ax.grid(True, which="major", alpha=0.3)
    ax.legend(loc="upper left")
    return ax

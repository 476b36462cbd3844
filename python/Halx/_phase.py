"""The phases of sodium chloride, as ``Halx.phase`` gives them.

``Phase`` is an ``IntEnum`` whose values are the codes of the model and of the
ufunc ``Halx.ufunc.phase`` (which stores them as int8, with 0 where no state
exists: T or P NaN, T below absolute zero, P negative); ``str`` of a member is
its lower-case name. The compiled module ``Halx._functions`` imports this module
whenever an interpreter imports it, so it must stay free of imports from the
package.
"""

from enum import IntEnum

__all__ = ["Phase"]


class Phase(IntEnum):
    """The phase of a state: SOLID (1), LIQUID (2) or VAPOUR (3); str() is the lower-case name."""

    SOLID = 1
    LIQUID = 2
    VAPOUR = 3

    def __str__(self) -> str:
        return self.name.lower()

    def __format__(self, layout: str) -> str:
        # f-strings and format() give the name too, where IntEnum would give the number.
        return format(str(self), layout)


# Pickles and prints as Halx.Phase, where users find it.
Phase.__module__ = "Halx"

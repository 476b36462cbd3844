"""The documented methods of ``Halx.cHalx``, one per property that ``_Halx`` binds.

Each has the signature and docstring of its method and runs the C entry point
of ``_Halx``'s flat function ``cHalx_<name>``; ``Halx._proxy`` binds them.
"""
from typing import Callable

def __getattr__(name: str) -> Callable[..., float]: ...

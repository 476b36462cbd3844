"""Helpers that several test files share: fresh interpreters, the runtime's leak
line, the allocation-failure hook of the test build, and a reader of the
process-wide ring of module records.

Nothing here imports _Halx, so a child interpreter may load the hook before
its first `import _Halx` (see load_fault_hook).
"""

import ctypes
import importlib.util
import os
import subprocess
import sys
import textwrap
from typing import Callable, List, Optional, Tuple

TESTS = os.path.dirname(os.path.abspath(__file__))

#: The line the runtime prints to the process's standard output when an owning
#: pointer object is released and nothing registered can destroy its instance.
LEAK_LINE = "swig/python detected a memory leak of type 'Halx::cHalx *', no destructor found."


# --- Fresh interpreters ---------------------------------------------------------------------------------


def run_python(code: str, *, env_extra=None, timeout=120) -> subprocess.CompletedProcess:
    """Run `code` in a fresh interpreter, which can import the tests' helpers
    (this directory leads its PYTHONPATH); a crash there fails a test, not the run."""
    env = dict(os.environ)
    env.update(env_extra or {})
    env["PYTHONPATH"] = os.pathsep.join(path for path in (TESTS, env.get("PYTHONPATH")) if path)
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True,
        text=True,
        timeout=timeout,
        env=env,
    )


# --- The allocation-failure hook ---------------------------------------------------------------------


class FaultHook:
    """The hooks that a build configured with HALX_FAULT_INJECTION=ON exports:
    a failure of the n-th allocation, and the count of cHalx instances."""

    def __init__(self, library: ctypes.CDLL):
        self._arm = library.halx_fail_allocation_after
        self._arm.argtypes, self._arm.restype = [ctypes.c_long], None
        self._remaining = library.halx_allocations_before_failure
        self._remaining.argtypes, self._remaining.restype = [], ctypes.c_long
        self._created, self._freed = library.halx_instances_created, library.halx_instances_freed
        self._created.restype = self._freed.restype = ctypes.c_long

    def fail_after(self, n: int) -> None:
        """Make the (n+1)-th allocation from now on fail; -1 makes none fail."""
        self._arm(n)

    def reached(self) -> bool:
        """Whether the armed failure has happened."""
        return self._remaining() < 0

    def instances_alive(self) -> int:
        """cHalx instances that _Halx has created and not yet freed."""
        return self._created() - self._freed()

    def fail_allocations(self, call: Callable[[], object], limit: int = 50) -> Tuple[List[BaseException], object]:
        """Runs `call` with its n-th allocation failing, for n = 0, 1, ... until
        it gets through. Returns the exceptions seen and the final result; the
        call must get through within `limit` attempts."""
        seen: List[BaseException] = []
        for n in range(limit):
            self.fail_after(n)
            try:
                result = call()
            except Exception as error:  # noqa: BLE001 - collected for the caller to check
                # Without its traceback: a traceback holds this frame, and so
                # `seen`, in a cycle that keeps each MemoryError alive until the
                # collector runs. From CPython 3.12 on, once the interpreter's 16
                # spare MemoryErrors are all alive it raises one immortal
                # instance whose traceback grows with every raise.
                seen.append(error.with_traceback(None))
                continue
            finally:
                reached = self.reached()
                self.fail_after(-1)
            if not reached:
                return seen, result
        raise AssertionError("the call never got through")


def load_fault_hook() -> Optional[FaultHook]:
    """The hook of the installed _Halx, or None for a build without it. Loads
    the library by its path without importing the module, so it may come first."""
    library = ctypes.CDLL(importlib.util.find_spec("_Halx").origin)
    return FaultHook(library) if hasattr(library, "halx_fail_allocation_after") else None


# --- The ring of module records ------------------------------------------------------------------------
# ctypes mirrors of the runtime's record layouts, so the tests can see which
# descriptor each module resolved, independently of the modules' code.


class TypeInfo(ctypes.Structure):
    _fields_ = [
        ("name", ctypes.c_char_p),
        ("str", ctypes.c_char_p),
        ("dcast", ctypes.c_void_p),
        ("cast", ctypes.c_void_p),
        ("clientdata", ctypes.c_void_p),
        ("owndata", ctypes.c_int),
    ]


class ModuleInfo(ctypes.Structure):
    pass


ModuleInfo._fields_ = [
    ("types", ctypes.POINTER(ctypes.POINTER(TypeInfo))),
    ("size", ctypes.c_size_t),
    ("next", ctypes.POINTER(ModuleInfo)),
    ("type_initial", ctypes.c_void_p),
    ("cast_initial", ctypes.c_void_p),
    ("clientdata", ctypes.c_void_p),
]

CAPSULE_NAME = b"swig_runtime_data4.type_pointer_capsule"

_get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
_get_pointer.restype = ctypes.c_void_p
_get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]


def read_ring():
    """(record address, {mangled name: descriptor address}) per module record
    on the ring that the shared capsule leads to, head first."""
    capsule = sys.modules["swig_runtime_data4"].type_pointer_capsule
    head = ctypes.cast(_get_pointer(capsule, CAPSULE_NAME), ctypes.POINTER(ModuleInfo))
    records, record = [], head
    while True:
        info = record.contents
        records.append(
            (
                ctypes.addressof(info),
                {
                    info.types[i].contents.name.decode(): ctypes.addressof(info.types[i].contents)
                    for i in range(info.size)
                    if info.types[i]
                },
            )
        )
        record = info.next
        if not record or ctypes.addressof(record.contents) == ctypes.addressof(head.contents):
            return records

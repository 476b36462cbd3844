"""The read-only constants served by the link object `cvar`."""

import _Halx
import Halx
import pytest
from Halx._table import CONSTANTS as TABLE

pytestmark = pytest.mark.memcheck

cvar = _Halx.cvar
CONSTANTS = {constant.name: constant.value for constant in TABLE}


@pytest.mark.parametrize("name, value", CONSTANTS.items())
def test_each_read_gives_a_new_float_with_the_constant(name, value):
    first, second = getattr(cvar, name), getattr(cvar, name)
    assert type(first) is float and first == value
    assert first is not second


@pytest.mark.parametrize("name", CONSTANTS)
@pytest.mark.parametrize("value", [0.0, "text", None, 800.7])
def test_assignment_is_refused_with_the_read_only_message_and_changes_nothing(name, value):
    with pytest.raises(AttributeError, match=f"^Variable {name} is read-only\\.$"):
        setattr(cvar, name, value)
    assert getattr(cvar, name) == CONSTANTS[name]


@pytest.mark.parametrize("name", CONSTANTS)
def test_deletion_is_refused_with_the_read_only_message(name):
    with pytest.raises(AttributeError, match=f"^Variable {name} is read-only\\.$"):
        delattr(cvar, name)
    assert getattr(cvar, name) == CONSTANTS[name]


@pytest.mark.parametrize("name", ["molarmass", "Foo", "__class__", "__dict__", "MolarMass_", "", "T_Triple "])
def test_other_names_are_refused_for_reads_writes_and_deletions(name):
    text = f"^Unknown C global variable '{name}'$"
    with pytest.raises(AttributeError, match=text):
        getattr(cvar, name)
    with pytest.raises(AttributeError, match=text):
        setattr(cvar, name, 1.0)
    with pytest.raises(AttributeError, match=text):
        delattr(cvar, name)
    assert str(cvar) == "(P_Triple, T_Triple, MolarMass)"


def test_text_forms_and_the_type():
    assert str(cvar) == "(P_Triple, T_Triple, MolarMass)"
    assert repr(cvar) == "<Swig global variables>"
    assert dir(cvar) == []
    assert type(cvar).__name__ == "swigvarlink"
    assert type(cvar).__doc__ == "Swig var link object"


def test_the_type_cannot_be_subclassed():
    with pytest.raises(TypeError):
        type("Sub", (type(cvar),), {})


def test_the_proxy_package_serves_the_same_constants():
    assert Halx.cvar is cvar
    assert (Halx.MolarMass, Halx.T_Triple, Halx.P_Triple) == tuple(CONSTANTS.values())


def test_a_second_import_gives_the_very_same_object(python_subprocess):
    result = python_subprocess("""
        import sys, _Halx
        first = _Halx.cvar
        del sys.modules["_Halx"]
        import _Halx as again
        print(again.cvar is first, again is not None)
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.split() == ["True", "True"]


# --- The package's copies of the constants --------------------------------------------


@pytest.mark.parametrize("name", CONSTANTS)
def test_package_constants_are_read_only_too(name):
    for change in (lambda: setattr(Halx, name, 0.0), lambda: delattr(Halx, name)):
        with pytest.raises(AttributeError, match=f"^Halx.{name} is read-only"):
            change()
    assert getattr(Halx, name) == CONSTANTS[name]
    # Other attributes behave as on any module: the import system sets submodules so.
    Halx.not_a_constant = 1.0
    del Halx.not_a_constant


def test_dir_of_the_package_is_its_public_api():
    assert dir(Halx) == sorted(Halx.__all__ + ["plot", "ufunc"])
    assert set(CONSTANTS) <= set(dir(Halx))

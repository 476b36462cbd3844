"""Type sharing with other modules of the same runtime, through a real SWIG-made peer."""

import textwrap

import pytest

CAPSULE = "swig_runtime_data4.type_pointer_capsule"

# The peer modules are built with SWIG and the C++ toolchain.
pytestmark = pytest.mark.keeps_memory


def test_the_first_runtime_module_creates_the_capsule(python_subprocess):
    result = python_subprocess("""
        import sys, _Halx
        capsule = sys.modules["swig_runtime_data4"].type_pointer_capsule
        print(type(capsule).__name__, repr(capsule).split('"')[1])
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.split() == ["PyCapsule", CAPSULE]


@pytest.mark.parametrize("first", ["halx_peer", "_Halx"])
def test_both_modules_join_one_ring_and_share_one_char_descriptor(run_with_peer, first):
    second = "_Halx" if first == "halx_peer" else "halx_peer"
    out = run_with_peer(f"""
        import {first}
        import sys
        capsule = sys.modules["swig_runtime_data4"].type_pointer_capsule
        import {second}
        import halx_peer
        assert sys.modules["swig_runtime_data4"].type_pointer_capsule is capsule
        from support import read_ring
        records = read_ring()
        peer = dict(records)[halx_peer.peer_module_record()]
        halx = [types for address, types in records if address != halx_peer.peer_module_record()][0]
        print(len(records), records[0][0] == halx_peer.peer_module_record())
        print(halx["_p_char"] == peer["_p_char"], halx["_p_Halx__cHalx"] == peer["_p_Halx__cHalx"])
    """)
    assert out == ["2", str(first == "halx_peer"), "True", "True"]


def test_pointer_objects_cross_between_the_modules(run_with_peer):
    out = run_with_peer("""
        import halx_peer, _Halx, Halx
        h = Halx.cHalx()
        print(halx_peer.peer_accepts(h), halx_peer.peer_accepts(h.this))
        foreign = halx_peer.peer_identity(h)
        # The peer wraps the address in the class that Halx registered.
        print(type(foreign) is Halx.cHalx, type(foreign.this) is not type(h.this))
        print(_Halx.cHalx_P_Boiling(foreign, 1000.0) == h.P_Boiling(1000.0))
        try:
            _Halx.cHalx_P_Boiling(halx_peer.peer_char_pointer(), 1000.0)
        except TypeError as e:
            print("refused:", e)
    """)
    assert out[:4] == ["True", "True", "True", "True"]
    assert out[4] == "True"
    assert " ".join(out[5:]) == "refused: in method 'cHalx_P_Boiling', argument 1 of type 'Halx::cHalx *'"


def test_a_peer_pointer_chained_behind_a_foreign_one_is_found(run_with_peer):
    out = run_with_peer("""
        import halx_peer, _Halx
        text = halx_peer.peer_char_pointer()
        p = _Halx.new_cHalx()
        class Proxy: pass
        proxy = Proxy()
        _Halx.cHalx_swiginit(proxy, text)
        _Halx.cHalx_swiginit(proxy, p)
        print(proxy.this is text, _Halx.cHalx_T_Melting(proxy, 1) == _Halx.cHalx_T_Melting(None, 1))
        _Halx.delete_cHalx(proxy)
        print(p.own())
    """)
    assert out == ["True", "True", "False"]


# --- Instances made by one module, destroyed through another -----------------------------------

OWNERSHIP = {
    "the peer deletes ours, then we do": """
        h = Halx.cHalx(); _halx_owner.delete_cHalx(h); _Halx.delete_cHalx(h); del h""",
    "the peer deletes ours, then we delete its alias": """
        h = Halx.cHalx(); alias = halx_owner.owner_alias(h)
        _halx_owner.delete_cHalx(h); _Halx.delete_cHalx(alias); del h, alias""",
    "we delete the peer's, then the peer does": """
        p = halx_owner.cHalx(); _Halx.delete_cHalx(p); _halx_owner.delete_cHalx(p); del p""",
    "owning pointer objects of both, released": """
        for _ in range(1000):
            h, p = Halx.cHalx(), halx_owner.cHalx()
            del h, p""",
}


@pytest.mark.parametrize("first", ["Halx", "halx_owner"])
@pytest.mark.parametrize("scenario", OWNERSHIP)
def test_every_instance_is_freed_exactly_once_whichever_module_made_or_destroys_it(run_with_peer, first, scenario):
    second = "halx_owner" if first == "Halx" else "Halx"
    out = run_with_peer(f"""
        import ctypes, gc, importlib.util
        import {first}, {second}
        import _Halx, _halx_owner, Halx, halx_owner
        {textwrap.indent(textwrap.dedent(OWNERSHIP[scenario]), "        ").strip()}
        gc.collect()
        library = ctypes.CDLL(importlib.util.find_spec("_Halx").origin)
        if hasattr(library, "halx_instances_created"):
            made = library.halx_instances_created() + halx_owner.owner_constructed_count()
            freed = library.halx_instances_freed() + halx_owner.owner_destroyed_count()
            print(made - freed)
        else:
            print(0)
    """)
    # Nothing crashed, and as many instances were freed as were made.
    assert out == ["0"]

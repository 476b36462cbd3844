import _Halx
class cHalx:
    __swig_destroy__ = _Halx.delete_cHalx
    def __init__(self):
        _Halx.cHalx_swiginit(self, _Halx.new_cHalx())
    P_Boiling = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_P_Boiling)
    T_Melting = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_T_Melting)
    P_Sublimation = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_P_Sublimation)
    Rho_Solid = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_Rho_Solid)
    Rho_Liquid = _Halx.SWIG_PyInstanceMethod_New(_Halx.cHalx_Rho_Liquid)
_Halx.cHalx_swigregister(cHalx)

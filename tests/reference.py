"""An independent evaluation of the sodium chloride correlations in Python.

It follows the defining steps one rounded operation at a time; the
elementary functions (log10, 10^x, exp, log) come from MPFR through gmpy2,
correctly rounded to double precision with subnormals, so its results must
equal the binding's bit for bit on every machine. Python raises where
IEEE 754 arithmetic gives an infinity or NaN; the helpers below give the IEEE
results instead.
"""

import math

import gmpy2

#: Double precision as IEEE 754 defines it: 53 bits, the exponent range and
#: subnormals of binary64, round to nearest.
DOUBLE = gmpy2.ieee(64)

T_TRIPLE = 800.7
P_TRIPLE = 0.0005
MOLAR_MASS = 0.058443
RECIPROCAL_TRIPLE_KELVIN = 0.000931228756343996


def _divide(a: float, b: float) -> float:
    if b != 0.0:
        return a / b
    if math.isnan(a) or a == 0.0:
        return math.nan
    return math.copysign(math.inf, a) * math.copysign(1.0, b)


def _pow10(x: float) -> float:
    return float(DOUBLE.exp10(x))


def _exp(x: float) -> float:
    return float(DOUBLE.exp(x))


def _log(x: float) -> float:
    if math.isnan(x) or x < 0.0:
        return math.nan
    return float(DOUBLE.log(x))


def _vapour_pressure(T: float, slope: float) -> float:
    L = float(DOUBLE.log10(P_TRIPLE))
    Tk = T + 273.15
    r = _divide(1.0, Tk)
    d = RECIPROCAL_TRIPLE_KELVIN - r
    x = d * slope + L
    return _pow10(x)


def P_Boiling(T: float) -> float:
    return _vapour_pressure(T, 9418.12)


def P_Sublimation(T: float) -> float:
    return _vapour_pressure(T, 11806.1)


def T_Melting(P: float) -> float:
    q = P - P_TRIPLE
    return q * 0.024726 + T_TRIPLE


def solid_density_at_zero_pressure(T: float) -> float:
    return (2170.4 - T * 0.24599) - (T * 9.5797e-5) * T


def liquid_density_at_zero_pressure(T: float) -> float:
    V = (T * 0.018639 + 23.772) - (T * 1.9687e-6) * T
    return _divide(58443.0, V)


def Rho_Solid(T: float, P: float) -> float:
    e = _exp(_divide(T, 733.4))
    s = e * 0.002715 + 0.005727
    return s * P + solid_density_at_zero_pressure(T)


def Rho_Liquid(T: float, P: float) -> float:
    p10 = P * 10.0
    kappa = T * 5.5058e-8 - 1.5259e-5
    rho0 = liquid_density_at_zero_pressure(T)
    a = kappa * p10 + 1.0
    D = 1.0 - _log(a) * 0.1
    return _divide(rho0, D)


#: Flat function name -> (reference evaluation, number of numeric arguments).
PROPERTIES = {
    "cHalx_P_Boiling": (P_Boiling, 1),
    "cHalx_T_Melting": (T_Melting, 1),
    "cHalx_P_Sublimation": (P_Sublimation, 1),
    "cHalx_Rho_Solid": (Rho_Solid, 2),
    "cHalx_Rho_Liquid": (Rho_Liquid, 2),
}


def same_double(a: float, b: float) -> bool:
    """True when a and b are the same double (NaN equals NaN, -0.0 differs from 0.0)."""
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    return a == b and math.copysign(1.0, a) == math.copysign(1.0, b)


# --- What follows from the correlations (the derived properties) -----------------------------------
# Written from the algebra and calculus of the correlations above, step by step.

GAS_CONSTANT = 8.31446261815324  # J/(mol K)
LN10 = 2.302585092994046
BOILING_SLOPE, SUBLIMATION_SLOPE, MELTING_SLOPE = 9418.12, 11806.1, 0.024726
#: Halx.Phase's values, and the code of no phase (no state: T or P NaN, T below absolute zero, P negative).
NO_PHASE, SOLID, LIQUID, VAPOUR = 0, 1, 2, 3
#: No property is defined below it (°C).
ABSOLUTE_ZERO = -273.15


def _log10(x: float) -> float:
    """log10 x as the model takes it: the correctly rounded ln x over ln 10."""
    if math.isnan(x) or x < 0.0:
        return math.nan
    if x == 0.0:
        return -math.inf
    return _log(x) / LN10


def _vapour_temperature(P: float, slope: float) -> float:
    d = (_log10(P) - float(DOUBLE.log10(P_TRIPLE))) / slope
    r = RECIPROCAL_TRIPLE_KELVIN - d
    return math.nan if r <= 0.0 else _divide(1.0, r) - 273.15  # no temperature beyond 1/T = 0


def T_Boiling(P: float) -> float:
    return _vapour_temperature(P, BOILING_SLOPE)


def T_Sublimation(P: float) -> float:
    return _vapour_temperature(P, SUBLIMATION_SLOPE)


def P_Melting(T: float) -> float:
    return math.nan if T < ABSOLUTE_ZERO else (T - T_TRIPLE) / MELTING_SLOPE + P_TRIPLE


def phase(T: float, P: float) -> int:
    if not (T >= ABSOLUTE_ZERO and P >= 0.0):
        return NO_PHASE
    if P < (P_Sublimation(T) if T < T_TRIPLE else P_Boiling(T)):
        return VAPOUR
    return SOLID if T <= T_Melting(P) else LIQUID


def _clausius_clapeyron_heat(T: float, slope: float) -> float:
    return math.nan if not T >= ABSOLUTE_ZERO else (slope * LN10) * GAS_CONSTANT


def H_Vaporization(T: float) -> float:
    return _clausius_clapeyron_heat(T, BOILING_SLOPE)


def H_Sublimation(T: float) -> float:
    return _clausius_clapeyron_heat(T, SUBLIMATION_SLOPE)


def H_Fusion(P: float) -> float:
    Tm = T_Melting(P)
    rho_liquid, rho_solid = Rho_Liquid(Tm, P), Rho_Solid(Tm, P)
    if Tm < ABSOLUTE_ZERO or rho_liquid <= 0.0 or rho_solid <= 0.0:
        return math.nan
    dV = _divide(MOLAR_MASS, rho_liquid) - _divide(MOLAR_MASS, rho_solid)
    return (((Tm + 273.15) * dV) * 1.0e5) / MELTING_SLOPE


def _solid_exists(T: float, P: float) -> bool:
    """Whether the solid's density at (T, P) has a meaning (a state above absolute zero, a positive density)."""
    return not (T < ABSOLUTE_ZERO or Rho_Solid(T, P) <= 0.0)


def Alpha_Solid(T: float, P: float) -> float:
    if not _solid_exists(T, P):
        return math.nan
    drho = ((_exp(_divide(T, 733.4)) * 0.002715) / 733.4) * P + (-0.24599 - (T * 9.5797e-5) * 2.0)
    return -_divide(drho, Rho_Solid(T, P))


def Beta_Solid(T: float, P: float) -> float:
    if not _solid_exists(T, P):
        return math.nan
    return _divide(_exp(_divide(T, 733.4)) * 0.002715 + 0.005727, Rho_Solid(T, P))


def _liquid_compression(T: float, P: float):
    """(kappa, a, D) of the liquid's logarithmic compression term D = 1 - 0.1 ln a."""
    kappa = T * 5.5058e-8 - 1.5259e-5
    a = kappa * (P * 10.0) + 1.0
    return kappa, a, 1.0 - _log(a) * 0.1


def _liquid_volume(T: float) -> float:
    return (T * 0.018639 + 23.772) - (T * 1.9687e-6) * T


def _liquid_exists(T: float, V: float, D: float) -> bool:
    """Whether the liquid's density 58443 / V / D has a meaning at a state of temperature T."""
    return not (T < ABSOLUTE_ZERO or V <= 0.0 or D <= 0.0)


def Alpha_Liquid(T: float, P: float) -> float:
    V, (kappa, a, D) = _liquid_volume(T), _liquid_compression(T, P)
    if not _liquid_exists(T, V, D):
        return math.nan
    dV = 0.018639 - (T * 1.9687e-6) * 2.0
    return _divide(dV, V) - _divide(P * 5.5058e-8, a * D)


def Beta_Liquid(T: float, P: float) -> float:
    kappa, a, D = _liquid_compression(T, P)
    if not _liquid_exists(T, _liquid_volume(T), D):
        return math.nan
    return _divide(kappa, a * D)

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

# The correlations' coefficients, each under the name model/correlations.h
# gives it (CamelCase there, upper case here); tests/test_table.py checks
# that the two files hold the same numbers.
LOG10_TRIPLE_PRESSURE = float(DOUBLE.log10(P_TRIPLE))
BOILING_SLOPE = 9418.12
SUBLIMATION_SLOPE = 11806.1
MELTING_SLOPE = 0.024726
SOLID_EXPONENT_SCALE = 733.4
SOLID_PRESSURE_GROWTH = 0.002715
SOLID_PRESSURE_BASE = 0.005727
SOLID_DENSITY_AT_ZERO = 2170.4
SOLID_DENSITY_LINEAR = 0.24599
SOLID_DENSITY_QUADRATIC = 9.5797e-5
LIQUID_VOLUME_AT_ZERO = 23.772
LIQUID_VOLUME_LINEAR = 0.018639
LIQUID_VOLUME_QUADRATIC = 1.9687e-6
COMPRESSION_LINEAR = 5.5058e-8
COMPRESSION_AT_ZERO = 1.5259e-5
LIQUID_MASS_FACTOR = 58443.0


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
    return _vapour_pressure(T, BOILING_SLOPE)


def P_Sublimation(T: float) -> float:
    return _vapour_pressure(T, SUBLIMATION_SLOPE)


def T_Melting(P: float) -> float:
    q = P - P_TRIPLE
    return q * MELTING_SLOPE + T_TRIPLE


def solid_density_at_zero_pressure(T: float) -> float:
    return (SOLID_DENSITY_AT_ZERO - T * SOLID_DENSITY_LINEAR) - (T * SOLID_DENSITY_QUADRATIC) * T


def _liquid_volume(T: float) -> float:
    return (T * LIQUID_VOLUME_LINEAR + LIQUID_VOLUME_AT_ZERO) - (T * LIQUID_VOLUME_QUADRATIC) * T


def liquid_density_at_zero_pressure(T: float) -> float:
    return _divide(LIQUID_MASS_FACTOR, _liquid_volume(T))


def _solid_pressure_coefficient(T: float) -> float:
    """(e, s): e^(T / 733.4) and the solid's pressure coefficient s(T)."""
    e = _exp(_divide(T, SOLID_EXPONENT_SCALE))
    return e, e * SOLID_PRESSURE_GROWTH + SOLID_PRESSURE_BASE


def _kappa(T: float) -> float:
    return T * COMPRESSION_LINEAR - COMPRESSION_AT_ZERO


def Rho_Solid(T: float, P: float) -> float:
    _, s = _solid_pressure_coefficient(T)
    return s * P + solid_density_at_zero_pressure(T)


def Rho_Liquid(T: float, P: float) -> float:
    a = _kappa(T) * (P * 10.0) + 1.0
    D = 1.0 - _log(a) * 0.1
    return _divide(liquid_density_at_zero_pressure(T), D)


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


def _clausius_clapeyron_heat(T: float, slope: float) -> float:
    return math.nan if not T >= ABSOLUTE_ZERO else (slope * LN10) * GAS_CONSTANT


def H_BoilingCurve(T: float) -> float:
    return _clausius_clapeyron_heat(T, BOILING_SLOPE)


def H_SublimationCurve(T: float) -> float:
    return _clausius_clapeyron_heat(T, SUBLIMATION_SLOPE)


def H_MeltingCurve(P: float) -> float:
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
    e, _ = _solid_pressure_coefficient(T)
    drho = ((e * SOLID_PRESSURE_GROWTH) / SOLID_EXPONENT_SCALE) * P + (
        -SOLID_DENSITY_LINEAR - (T * SOLID_DENSITY_QUADRATIC) * 2.0
    )
    return -_divide(drho, Rho_Solid(T, P))


def Beta_Solid(T: float, P: float) -> float:
    if not _solid_exists(T, P):
        return math.nan
    return _divide(_solid_pressure_coefficient(T)[1], Rho_Solid(T, P))


def _liquid_compression(T: float, P: float):
    """(kappa, a, D) of the liquid's logarithmic compression term D = 1 - 0.1 ln a."""
    kappa = _kappa(T)
    a = kappa * (P * 10.0) + 1.0
    return kappa, a, 1.0 - _log(a) * 0.1


def _liquid_exists(T: float, V: float, D: float) -> bool:
    """Whether the liquid's density 58443 / V / D has a meaning at a state of temperature T."""
    return not (T < ABSOLUTE_ZERO or V <= 0.0 or D <= 0.0)


def Alpha_Liquid(T: float, P: float) -> float:
    V, (kappa, a, D) = _liquid_volume(T), _liquid_compression(T, P)
    if not _liquid_exists(T, V, D):
        return math.nan
    dV = LIQUID_VOLUME_LINEAR - (T * LIQUID_VOLUME_QUADRATIC) * 2.0
    return _divide(dV, V) - _divide(P * COMPRESSION_LINEAR, a * D)


def Beta_Liquid(T: float, P: float) -> float:
    kappa, a, D = _liquid_compression(T, P)
    if not _liquid_exists(T, _liquid_volume(T), D):
        return math.nan
    return _divide(kappa, a * D)


# --- The caloric properties -----------------------------------------------------------------------
# The NASA polynomials of model/thermochemistry.h, written out apart from it:
# (split in K, coefficients up to the split, above it), and the departures
# of model/adjustments.h. Each function below repeats model/phases.cpp and
# model/Caloric.cpp one rounded step at a time.

CRYSTAL = (
    1000.0,
    (5.0240778, 5.1949066e-03, -7.283373e-06, 6.0671979e-09, -1.2013424e-12, -5.1123335e04, -21.227201),
    (2.2134927, 1.5859902e-03, 5.0486383e-06, 2.6020549e-09, -3.6487096e-12, -4.9263203e04, -2.602566),
)
_LIQUID_COEFFICIENTS = (
    12.358488,
    -6.3071201e-03,
    3.2004723e-06,
    -6.7717362e-10,
    5.1015612e-14,
    -5.1423265e04,
    -60.58553,
)
LIQUID_DATA = (1073.8, _LIQUID_COEFFICIENTS, _LIQUID_COEFFICIENTS)
MONOMER = (
    1000.0,
    (3.7032286, 3.1997608e-03, -4.8924502e-06, 3.4639218e-09, -9.1357521e-13, -2.3028276e04, 5.77347949),
    (4.4282931, 1.5627241e-04, -2.8108383e-08, 4.7163571e-12, -2.8832557e-16, -2.31709e04, 2.30097459),
)
DIMER = (
    1000.0,
    (7.9583953, 8.396236e-03, -1.3817116e-05, 1.0277666e-08, -2.8644994e-12, -7.0725939e04, -8.17532471),
    (9.8262001, 1.9184763e-04, -8.1608743e-08, 1.5298181e-11, -1.0558994e-15, -7.1077149e04, -17.0361009),
)
_SODIUM_CRYSTAL_COEFFICIENTS = (
    1.23954242,
    0.0200562189,
    -7.36418252e-05,
    1.02712149e-07,
    0.0,
    -813.320916,
    -4.50651391,
)
SODIUM_CRYSTAL = (371.01, _SODIUM_CRYSTAL_COEFFICIENTS, _SODIUM_CRYSTAL_COEFFICIENTS)
SODIUM_LIQUID = (
    1000.0,
    (4.32382419, -0.00141145451, -1.31068846e-07, 9.17457679e-10, -2.3506507e-13, -936.522263, -17.2722638),
    (4.59858543, -0.00242459406, 1.32453794e-06, -4.12375317e-11, 6.40167081e-15, -998.535534, -18.6257127),
)
SODIUM_GAS = (
    1000.0,
    (2.50000005, -4.98492323e-10, 1.76034086e-12, -2.54461602e-15, 1.27603872e-18, 12159.7752, 4.24402773),
    (2.39858879, 0.000215466997, -1.49077568e-07, 3.66821795e-11, -1.66036037e-15, 12194.3069, 4.7918112),
)
CHLORINE = (
    1000.0,
    (2.73638114, 0.007835257, -1.45104963e-05, 1.25730834e-08, -4.13247145e-12, -1058.80114, 9.44555879),
    (4.74727508, -0.00048858171, 2.68444871e-07, -2.43476083e-11, -1.03683148e-15, -1511.01862, -0.344551305),
)

# model/adjustments.h: the vapour's rotation about the measured triple-point
# temperature, the crystal below 298.15 K, the liquid's lowest temperature,
# and the vapour's density cap.
VAPOUR_ENTROPY_SHIFT, VAPOUR_PIVOT = 3.008, 1073.85
VAPOUR_ENTHALPY_SHIFT = VAPOUR_ENTROPY_SHIFT * VAPOUR_PIVOT
JOIN_TEMPERATURE = 298.15
EINSTEIN_HEAT_CAPACITY, EINSTEIN_TEMPERATURE = 50.524328504431296, 206.17880905448893
LINEAR_HEAT_CAPACITY, CRYSTAL_ENTHALPY_AT_ZERO = 0.006598115673057476, -421872.99585730261
LIQUID_LOWEST_TEMPERATURE = 339.63992631506904
VAPOUR_DENSITY_SHARE = 0.1
LARGEST_EXPONENT = 700.0

_NAN4 = (math.nan,) * 4


def standard_state(species, Tk: float):
    """(Cp, H, S) of a species at Tk kelvin and 1 bar, per mole of the species."""
    split, low, high = species
    a = low if Tk <= split else high
    cp = (((a[4] * Tk + a[3]) * Tk + a[2]) * Tk + a[1]) * Tk + a[0]
    h = (((((a[4] / 5.0) * Tk + a[3] / 4.0) * Tk + a[2] / 3.0) * Tk + a[1] / 2.0) * Tk + a[0]) * Tk + a[5]
    s = a[0] * _log(Tk) + ((((a[4] / 4.0) * Tk + a[3] / 3.0) * Tk + a[2] / 2.0) * Tk + a[1]) * Tk + a[6]
    return cp * GAS_CONSTANT, h * GAS_CONSTANT, s * GAS_CONSTANT


def _series_log_one_minus(q: float) -> float:
    if q > 1.0 / 1024.0:
        return _log(1.0 - q)
    return -(q * (1.0 + q * (0.5 + q * (1.0 / 3.0 + q * (0.25 + q * (0.2 + q * (1.0 / 6.0)))))))


def crystal_standard_state(Tk: float):
    """(Cp, H, S) of the crystal at Tk and 1 bar: the polynomial from 298.15 K, the Einstein form below."""
    if Tk >= JOIN_TEMPERATURE:
        return standard_state(CRYSTAL, Tk)
    x = EINSTEIN_TEMPERATURE / Tk
    q = _exp(-x) if x < 700.0 else 0.0
    n = q / (1.0 - q)
    S = EINSTEIN_HEAT_CAPACITY * (x * n - _series_log_one_minus(q)) + LINEAR_HEAT_CAPACITY * Tk
    H = (CRYSTAL_ENTHALPY_AT_ZERO + EINSTEIN_HEAT_CAPACITY * (EINSTEIN_TEMPERATURE * n)) + (
        LINEAR_HEAT_CAPACITY * 0.5
    ) * (Tk * Tk)
    Cp = EINSTEIN_HEAT_CAPACITY * ((x * x) * (n * (n + 1.0))) + LINEAR_HEAT_CAPACITY * Tk
    return Cp, H, S


def _gibbs(standard, Tk: float) -> float:
    return standard[1] - Tk * standard[2]


def _condensed(standard, Tk: float, k: float, I: float, I_T: float, I_TT: float):
    """(Cp, H, S, G) from the standard state and the integral of the molar volume from 1 bar."""
    S = standard[2] - k * I_T
    H = standard[1] + k * (I - Tk * I_T)
    Cp = standard[0] - k * (Tk * I_TT)
    return Cp, H, S, _gibbs(standard, Tk) + k * I


SOLID_SCALE = MOLAR_MASS * 1.0e5


def _solid_at(T: float):
    e, s = _solid_pressure_coefficient(T)
    return e, s, solid_density_at_zero_pressure(T)


def _no_state(T: float, P: float):
    """The result of a caloric function for a NaN argument: that argument, T's first."""
    return T if math.isnan(T) else P


def _solid_caloric(T: float, P: float):
    if math.isnan(T) or math.isnan(P):
        return (_no_state(T, P),) * 4
    Tk = T + 273.15
    if Tk <= 0.0:
        return _NAN4
    e, s, rho0 = _solid_at(T)
    rho, rho1 = s * P + rho0, s + rho0
    if rho <= 0.0 or rho1 <= 0.0:
        return _NAN4
    ds = (e * SOLID_PRESSURE_GROWTH) / SOLID_EXPONENT_SCALE
    dds = ds / SOLID_EXPONENT_SCALE
    drho0 = -SOLID_DENSITY_LINEAR - (T * SOLID_DENSITY_QUADRATIC) * 2.0
    ddrho0 = -(SOLID_DENSITY_QUADRATIC * 2.0)
    drho, drho1 = ds * P + drho0, ds + drho0
    ddrho, ddrho1 = dds * P + ddrho0, dds + ddrho0
    L = _log(_divide(rho, rho1))
    r, r1 = _divide(drho, rho), _divide(drho1, rho1)
    L_T = r - r1
    L_TT = (_divide(ddrho, rho) - r * r) - (_divide(ddrho1, rho1) - r1 * r1)
    u = ds / s
    I = L / s
    I_T = (L_T - u * L) / s
    I_TT = (L_TT - (u * 2.0) * L_T + ((u * u) * 2.0 - dds / s) * L) / s
    return _condensed(crystal_standard_state(Tk), Tk, SOLID_SCALE, I, I_T, I_TT)


COMPRESSION_SLOPE = COMPRESSION_LINEAR * 10.0
SERIES_BOUND, SERIES_TERMS = 1.0 / 16.0, 16


def _fmax(a: float, b: float) -> float:
    """C's fmax: the other argument where one is NaN."""
    if math.isnan(a):
        return b
    if math.isnan(b):
        return a
    return max(a, b)


def _by_series(c: float, P: float) -> bool:
    return abs(c) * _fmax(abs(P), 1.0) <= SERIES_BOUND


def _liquid_at(T: float):
    kappa = _kappa(T)
    return _liquid_volume(T), kappa, kappa * 10.0


def _compression(kappa: float, P: float):
    a, a1 = kappa * (P * 10.0) + 1.0, kappa * 10.0 + 1.0
    return a, a1, 1.0 - _log(a) * 0.1, 1.0 - _log(a1) * 0.1


def _liquid_J(c: float, a: float, a1: float, P: float) -> float:
    if _by_series(c, P):
        x = c * P
        xn = cn = 1.0
        total, sign = 0.0, 1.0
        for n in range(1, SERIES_TERMS + 1):
            xn, cn = xn * x, cn * c
            total = total + sign * (xn * P - cn) / float(n * (n + 1))
            sign = -sign
        return (P - 1.0) - total * 0.1
    la, la1 = _log(a), _log(a1)
    return (P - 1.0) * 1.1 - _divide(a * la - a1 * la1, c) * 0.1


def _liquid_caloric(T: float, P: float):
    if math.isnan(T) or math.isnan(P):
        return (_no_state(T, P),) * 4
    Tk = T + 273.15
    if Tk <= 0.0 or Tk < LIQUID_LOWEST_TEMPERATURE:
        return _NAN4
    Vm, kappa, c = _liquid_at(T)
    a, a1, D, D1 = _compression(kappa, P)
    if Vm <= 0.0 or (not _by_series(c, P) and (a <= 0.0 or a1 <= 0.0 or D <= 0.0 or D1 <= 0.0)):
        return _NAN4
    if _by_series(c, P):
        x, PP = c * P, P * P
        xn = cn = sign = 1.0
        first = second = 0.0
        for n in range(SERIES_TERMS):
            first = first + sign * (xn * PP - cn) / float(n + 2)
            second = second + sign * float(n + 1) * (xn * (PP * P) - cn) / float(n + 3)
            xn, cn, sign = xn * x, cn * c, -sign
    else:
        la, la1 = _log(a), _log(a1)
        dla = la - la1
        first = _divide(P - 1.0, c) - _divide(dla, c * c)
        second = _divide(((a - a1) - dla * 2.0) - (_divide(1.0, a) - _divide(1.0, a1)), (c * c) * c)
    J = _liquid_J(c, a, a1, P)
    J_T = -(COMPRESSION_SLOPE * 0.1) * first
    J_TT = ((COMPRESSION_SLOPE * COMPRESSION_SLOPE) * 0.1) * second
    dVm = LIQUID_VOLUME_LINEAR - (T * LIQUID_VOLUME_QUADRATIC) * 2.0
    ddVm = -(LIQUID_VOLUME_QUADRATIC * 2.0)
    I, I_T, I_TT = Vm * J, dVm * J + Vm * J_T, (ddVm * J + (dVm * J_T) * 2.0) + Vm * J_TT
    return _condensed(standard_state(LIQUID_DATA, Tk), Tk, 0.1, I, I_T, I_TT)


def _vapour_shift(Tk: float) -> float:
    return VAPOUR_ENTROPY_SHIFT * (VAPOUR_PIVOT - Tk)


def _dilute(rho: float, T: float) -> bool:
    V = _liquid_volume(T)
    return not V > 0.0 or rho <= VAPOUR_DENSITY_SHARE * _divide(LIQUID_MASS_FACTOR, V)


def _vapour_at(T: float, P: float):
    """(Tk, RT, y1, y2, w, monomer, dimer, g1, g2, K) of the equilibrium vapour (species shifted),
    or None where it has no state."""
    Tk = T + 273.15
    if Tk <= 0.0 or P < 0.0:
        return None
    RT = GAS_CONSTANT * Tk
    monomer, dimer = standard_state(MONOMER, Tk), standard_state(DIMER, Tk)
    shift = _vapour_shift(Tk)
    g1, g2 = _gibbs(monomer, Tk) + shift, _gibbs(dimer, Tk) + shift * 2.0
    monomer = (monomer[0], monomer[1] + VAPOUR_ENTHALPY_SHIFT)
    dimer = (dimer[0], dimer[1] + VAPOUR_ENTHALPY_SHIFT * 2.0)
    lnK = -_divide(g2 - g1 * 2.0, RT)
    K = _exp(lnK)
    lnKP = lnK + _log(P) if lnK > LARGEST_EXPONENT else 0.0
    if P == 0.0:
        y1, y2 = 1.0, 0.0
    elif lnKP > LARGEST_EXPONENT:  # K P is not formed: it would overflow
        y1 = _exp(lnKP * -0.5)
        y2 = 1.0 - y1
    else:
        KP = _exp(lnKP) if lnK > LARGEST_EXPONENT else K * P
        y1 = _divide(2.0, 1.0 + math.sqrt(KP * 4.0 + 1.0))
        y2 = 1.0 - y1 if y1 <= 0.5 else KP * (y1 * y1)
    w = y1 + y2 * 2.0
    if P != 0.0 and not _dilute(_divide((P * 1.0e5) * (MOLAR_MASS * w), RT), T):
        return None
    return Tk, RT, y1, y2, w, monomer, dimer, g1, g2, K


def _frozen_cp(state) -> float:
    Tk, RT, y1, y2, w, monomer, dimer = state[:7]
    z = _divide(y2 * 2.0, w)
    return monomer[0] + z * (dimer[0] * 0.5 - monomer[0])


def _vapour_caloric(T: float, P: float):
    if math.isnan(T) or math.isnan(P):
        return (_no_state(T, P),) * 4
    state = _vapour_at(T, P)
    if state is None:
        return _NAN4
    Tk, RT, y1, y2, w, monomer, dimer, g1, g2, _ = state
    H = _divide(y1 * monomer[1] + y2 * dimer[1], w)
    G = g1 + RT * _log(y1 * P) if y1 >= y2 else (g2 + RT * _log(y2 * P)) * 0.5
    S = _divide(H - G, Tk)
    dH = dimer[1] - monomer[1] * 2.0
    Cp = _frozen_cp(state) + _divide((y1 * y2) * (dH * dH), (RT * Tk) * ((w * w) * w))
    return Cp, H, S, G


def _caloric_functions(caloric):
    """Cp, H, S and G of one phase as functions of (T, P)."""
    return tuple((lambda T, P, i=i: caloric(T, P)[i]) for i in range(4))


Cp_Solid, H_Solid, S_Solid, G_Solid = _caloric_functions(_solid_caloric)
Cp_Liquid, H_Liquid, S_Liquid, G_Liquid = _caloric_functions(_liquid_caloric)
Cp_Vapour, H_Vapour, S_Vapour, G_Vapour = _caloric_functions(_vapour_caloric)


def _of_vapour(T: float, P: float, take):
    if math.isnan(T) or math.isnan(P):
        return _no_state(T, P)
    state = _vapour_at(T, P)
    return math.nan if state is None else take(state)


def Cp_VapourFrozen(T: float, P: float) -> float:
    return _of_vapour(T, P, _frozen_cp)


def Rho_Vapour(T: float, P: float) -> float:
    return _of_vapour(T, P, lambda state: _divide((P * 1.0e5) * (MOLAR_MASS * state[4]), state[1]))


def X_Dimer(T: float, P: float) -> float:
    return _of_vapour(T, P, lambda state: state[3])


def K_Dimer(T: float) -> float:
    return _of_vapour(T, 0.0, lambda state: state[9])


def _elements_gibbs(Tk: float) -> float:
    """G of Na (its stable state; the crystal up to its melting point, where its data end) and 1/2 Cl2 at Tk and 1 bar."""
    phases = (SODIUM_CRYSTAL, SODIUM_LIQUID, SODIUM_GAS) if Tk <= SODIUM_CRYSTAL[0] else (SODIUM_LIQUID, SODIUM_GAS)
    sodium = min(_gibbs(standard_state(species, Tk), Tk) for species in phases)
    return sodium + _gibbs(standard_state(CHLORINE, Tk), Tk) * 0.5


def _formation(G):
    def of_formation(T: float, P: float) -> float:
        if math.isnan(T) or math.isnan(P):
            return _no_state(T, P)
        if not T + 273.15 >= 200.0:
            return math.nan
        return G(T, P) - _elements_gibbs(T + 273.15)

    return of_formation


Gf_Solid, Gf_Liquid, Gf_Vapour = _formation(G_Solid), _formation(G_Liquid), _formation(G_Vapour)


def phase(T: float, P: float) -> int:
    """The phase of lowest Gibbs energy, ties to the denser; at absolute zero the solid."""
    if math.isnan(T) or math.isnan(P) or not T + 273.15 >= 0.0 or P < 0.0:
        return NO_PHASE
    if T + 273.15 == 0.0:
        return SOLID if Rho_Solid(T, P) > 0.0 else NO_PHASE
    stable, lowest = NO_PHASE, math.inf
    for code, G in ((SOLID, G_Solid), (LIQUID, G_Liquid), (VAPOUR, G_Vapour)):
        value = G(T, P)
        if not math.isnan(value) and (stable == NO_PHASE or value < lowest):
            stable, lowest = code, value
    return stable


# The vapour pressures' iteration (model/phases.h, model/Surface.cpp): the
# anchors a = e^x1 and b = e^x2 at 1 bar, x1 and x2 from the differences of
# the species' coefficients; then Newton's steps on P - p1 - p2, with p1 =
# a e^phi and p2 = b e^(2 phi), phi and the volume from short series along
# the isotherm (the closed forms beyond), e^phi - 1 from its series near 0.
CONVERGED_STEP = 2.0**-36
SOLID_LINE_BOUND, LIQUID_LINE_BOUND, EXP_SERIES_BOUND = 2.0**-10, 2.0**-8, 2.0**-10
CLOSE_ANCHORS = 2.0**-10


def _anchor(condensed, species, moles: float):
    """(constant, inverse, logarithm, q) of `moles` moles of a condensed phase against a species of the vapour."""
    d = [c * moles - v for c, v in zip(condensed, species)]
    return (
        (d[0] - d[6]) + moles * (VAPOUR_ENTROPY_SHIFT / GAS_CONSTANT),
        d[5] - moles * (VAPOUR_ENTHALPY_SHIFT / GAS_CONSTANT),
        -d[0],
        (-(d[4] / 20.0), -(d[3] / 12.0), -(d[2] / 6.0), -(d[1] / 2.0)),
    )


def _anchor_exponents(condensed, Tk: float, lnT: float):
    """x1 and x2 of a condensed phase (its coefficients as CRYSTAL gives them) at Tk, lnT = ln Tk."""
    side = 1 if Tk <= 1000.0 else 2
    exponents = []
    for species, moles in ((MONOMER, 1.0), (DIMER, 2.0)):
        constant, inverse, logarithm, q = _anchor(condensed[side], species[side], moles)
        polynomial = ((q[0] * Tk + q[1]) * Tk + q[2]) * Tk + q[3]
        exponents.append(((constant + inverse / Tk) + Tk * polynomial) + logarithm * lnT)
    return exponents


def _cold_crystal_anchor_exponents(Tk: float, lnT: float):
    G, RT, shift = _gibbs(crystal_standard_state(Tk), Tk), GAS_CONSTANT * Tk, _vapour_shift(Tk)
    g1 = _gibbs(standard_state(MONOMER, Tk), Tk) + shift
    g2 = _gibbs(standard_state(DIMER, Tk), Tk) + shift * 2.0
    return (G - g1) / RT, (G * 2.0 - g2) / RT


def _exp_minus_one(phi: float) -> float:
    phi2 = phi * phi
    return phi + phi2 * ((0.5 + phi * (1.0 / 6.0)) + phi2 * (1.0 / 24.0 + phi * (1.0 / 120.0)))


def _integrated_log_quotient(u: float) -> float:
    u2 = u * u
    return (0.5 - u * (1.0 / 6.0)) + u2 * ((1.0 / 12.0 - u * (1.0 / 20.0)) + u2 * (1.0 / 30.0))


def _solid_isotherm(T: float, RT: float):
    """(at, V1): at(P) gives phi and V at P, or None where the solid has no state there; V1 is V at 1 bar.
    None where its density at 1 bar is not positive."""
    e, s = _solid_pressure_coefficient(T)
    rho0 = solid_density_at_zero_pressure(T)
    rho1 = s + rho0
    if rho1 <= 0.0:
        return None
    inverse = 1.0 / rho1
    beta = SOLID_SCALE / RT
    delta = beta * inverse
    ratio, epsilon = s * inverse, (delta * s) * inverse

    def at(P: float):
        d = P - 1.0
        z = ratio * d
        if abs(z) <= SOLID_LINE_BOUND:
            phi = d * delta - ((d * d) * epsilon) * ((0.5 - z * (1.0 / 3.0)) + (z * z) * (0.25 - z * 0.2))
        else:
            rho = s * P + rho0
            if rho <= 0.0:
                return None
            phi = (_log(rho / rho1) / s) * beta
        return phi, SOLID_SCALE * (1.0 / (s * P + rho0))

    return at, SOLID_SCALE * (1.0 / (s * 1.0 + rho0))


def _liquid_isotherm(T: float, RT: float):
    """(at, V1) as _solid_isotherm gives them."""
    Vm, kappa, c = _liquid_at(T)
    beta = (0.1 * Vm) / RT
    tenth = beta * 0.1
    beta1, gamma = tenth * (c * _integrated_log_quotient(c)), tenth * c

    def volume(P: float) -> float:
        u = c * P
        return 0.1 * (Vm * (1.0 - (u * (1.0 - u * (0.5 - u * (1.0 / 3.0)))) * 0.1))

    def at(P: float):
        if abs(c) * (abs(P) if abs(P) > 1.0 else 1.0) <= LIQUID_LINE_BOUND:
            phi = ((P - 1.0) * beta + beta1) - ((P * P) * gamma) * _integrated_log_quotient(c * P)
            return phi, volume(P)
        a, a1 = kappa * (P * 10.0) + 1.0, kappa * 10.0 + 1.0
        if a <= 0.0 or a1 <= 0.0:
            return None
        la, la1 = _log(a), _log(a1)
        D, D1 = 1.0 - la * 0.1, 1.0 - la1 * 0.1
        if D <= 0.0 or D1 <= 0.0:
            return None
        J = (P - 1.0) * 1.1 - _divide(a * la - a1 * la1, c) * 0.1
        return J * beta, 0.1 * (Vm * D)

    return at, volume(1.0)


def _iterate(T: float, isotherm, a: float, b: float, RT: float):
    """Newton's steps from 1 bar along an isotherm; None where there is no answer."""
    at, V = isotherm
    P, p1, p2 = 1.0, a, b
    for _ in range(32):
        F = P - (p1 + p2)
        slope = RT - (p1 + p2 * 2.0) * V
        change = _divide(F * RT, slope)
        following = P - change
        if following == P or math.isnan(following) or abs(change * V) <= slope * CONVERGED_STEP:
            rho = _divide(((p1 + p2 * 2.0) * 1.0e5) * MOLAR_MASS, RT)
            return following if _dilute(rho, T) else None
        P = following
        found = at(P)
        if found is None:
            return None
        phi, V = found
        if abs(phi) <= EXP_SERIES_BOUND:
            p1, p2 = a + a * _exp_minus_one(phi), b + b * _exp_minus_one(phi * 2.0)
        else:
            p1, p2 = a * _exp(phi), b * _exp(phi * 2.0)
    return P


def _vapour_pressure_over(T: float, over: str) -> float:
    """The vapour pressure over the solid, the liquid or the lower of the two ("lower")."""
    if math.isnan(T):
        return T
    Tk = T + 273.15
    if Tk <= 0.0:
        return math.nan
    RT, lnT = GAS_CONSTANT * Tk, _log(Tk)
    xs = xl = (0.0, 0.0)
    has_solid = over != "liquid"
    if has_solid:
        xs = _cold_crystal_anchor_exponents(Tk, lnT) if Tk < JOIN_TEMPERATURE else _anchor_exponents(CRYSTAL, Tk, lnT)
    has_liquid = over != "solid" and Tk >= LIQUID_LOWEST_TEMPERATURE and _liquid_volume(T) > 0.0
    if has_liquid:
        xl = _anchor_exponents(LIQUID_DATA, Tk, lnT)

    def solid():
        isotherm = _solid_isotherm(T, RT)
        return None if isotherm is None else _iterate(T, isotherm, _exp(xs[0]), _exp(xs[1]), RT)

    def liquid():
        return _iterate(T, _liquid_isotherm(T, RT), _exp(xl[0]), _exp(xl[1]), RT)

    # The phase of lower Gibbs energy at 1 bar first; the other where that
    # finds no answer, or where the two lie close.
    close = has_solid and has_liquid and abs(xs[0] - xl[0]) <= CLOSE_ANCHORS
    found = []
    if has_solid and (not has_liquid or xs[0] < xl[0]):
        found.append(solid())
        if has_liquid and (found[-1] is None or close):
            found.append(liquid())
    elif has_liquid:
        found.append(liquid())
        if has_solid and (found[-1] is None or close):
            found.append(solid())
    found = [P for P in found if P is not None]
    if not found:
        return math.nan
    return found[0] if len(found) == 1 else _fmin(*found)


def _fmin(a: float, b: float) -> float:
    """C's fmin: the other argument where one is NaN."""
    return -_fmax(-a, -b)


def P_Vapour(T: float) -> float:
    return _vapour_pressure_over(T, "lower")


#: The surface's Newton iterations, which this file does not repeat:
#: tests/test_surface.py checks them by the identities they satisfy.
ITERATIONS = (
    "T_SolidLiquid",
    "P_SolidLiquid",
    "T_LiquidVapour",
    "T_SolidVapour",
    "H_Fusion",
    "H_Vaporization",
    "H_Sublimation",
)


def P_LiquidVapour(T: float) -> float:
    return _vapour_pressure_over(T, "liquid")


def P_SolidVapour(T: float) -> float:
    return _vapour_pressure_over(T, "solid")

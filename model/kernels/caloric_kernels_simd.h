// The caloric properties and the vapour pressures over vectors, for the
// width of array_kernels_simd.h, which includes this: the steps of phases.h
// over PairArithmetic, so that a lane takes the scalar function's steps to
// its bits. What the scalar functions branch to is left to them, lane by
// lane: no state (a density not positive, a vapour too dense), the crystal
// below 298.15 K, the cold vapour (ln K above 700), a vapour at zero
// pressure, the elements below 200 K, the vapour pressure's closed forms and
// the melting point's neighbourhood. A lane deferred before its evaluation
// starts computes an ordinary state instead (substitute), and every kernel
// here runs under guarded_run, which leaves the flags of the plain loop.
//
// Everything here has internal linkage (see elementary_kernels.h).
#ifndef HALX_MODEL_KERNELS_CALORIC_KERNELS_SIMD_H
#define HALX_MODEL_KERNELS_CALORIC_KERNELS_SIMD_H

#include "phases.h"

namespace Halx {
namespace {

using A = PairArithmetic;
using W = A::V;
using M = A::M;
using Deferred = Mask[2];
using phases::NeedCp;
using phases::NeedG;
using phases::NeedH;
using phases::NeedS;
using VectorPoint = phases::PointOf<W>;

// Inputs beyond these magnitudes (degC, bar) describe no state of the salt
// and go to the scalar functions, so that no lane computes an overflow.
constexpr double LargestTemperature = 1.0e4;
constexpr double LargestPressure = 1.0e7;

// x where the lane is not deferred, else `ordinary`.
W substitute(const A &arithmetic, W x, double ordinary) {
    return A::select(arithmetic.deferred_lanes(), A::splat(ordinary), x);
}

// The inputs of a caloric kernel: T and P where the lane is not deferred
// and inside(T, P) holds, an ordinary state (T0, P0) elsewhere, whose lanes
// are deferred. (The lanes deferred on entry, NaN ones, are replaced first,
// so that no comparison meets a NaN.)
struct State {
    W T, P, Tk;
};

template <class Inside>
State admit(A &arithmetic, W T, W P, Inside inside, double T0, double P0) {
    if (arithmetic.any_deferred()) {
        T = substitute(arithmetic, T, T0);
        P = substitute(arithmetic, P, P0);
    }
    arithmetic.defer(~inside(T, P) | (A::abs(T) > LargestTemperature) | (A::abs(P) > LargestPressure));
    if (arithmetic.any_deferred()) {
        T = substitute(arithmetic, T, T0);
        P = substitute(arithmetic, P, P0);
    }
    return {T, P, T + 273.15};
}

// Where a phase's scalar function takes the steps of phases.h.
M from_join(W T, W) { return T + 273.15 >= adjustments::JoinTemperature; }
M from_liquid_lowest(W T, W) { return T + 273.15 >= adjustments::LiquidLowestTemperature; }
M above_zero(W T, W) { return T + 273.15 > 0.0; }
M vapour_with_pressure(W T, W P) { return (T + 273.15 > 0.0) & (P > 0.0); }

// --- The solid and the liquid ---------------------------------------------------------------------

// The kelvin temperature of a state, and its logarithm where `need` asks for it.
struct Kelvin {
    W Tk, lnT;
};

Kelvin kelvin(A &arithmetic, const State &state, unsigned need) {
    return {state.Tk, (need & (NeedG | NeedS)) ? arithmetic.log(state.Tk) : W()};
}

// The solid's point, where the crystal has its polynomials (from 298.15 K).
template <unsigned need>
VectorPoint solid_lanes(A &arithmetic, W T, W P, Kelvin *kelvin_out) {
    const State state = admit(arithmetic, T, P, from_join, 500.0, 1.0);
    const Kelvin k = *kelvin_out = kelvin(arithmetic, state, need);
    const phases::SolidAt<W> at = phases::solid_at(arithmetic, state.T, state.P);
    arithmetic.defer(~(at.rho > 0.0) | ~(at.rho1 > 0.0));
    return phases::solid_point(arithmetic, at, state.T, state.P, state.Tk,
                               phases::from_polynomials<A>(phases::CrystalData, k.Tk, k.lnT, need), need);
}

// The liquid's point: its series where |c| max(|P|, 1) <= 1/16, its closed
// forms elsewhere, as phases.cpp chooses, lane by lane.
template <unsigned need>
VectorPoint liquid_lanes(A &arithmetic, W T, W P, Kelvin *kelvin_out) {
    const State state = admit(arithmetic, T, P, from_liquid_lowest, 1000.0, 1.0);
    const Kelvin k = *kelvin_out = kelvin(arithmetic, state, need);
    const phases::LiquidAtT<W> at = phases::liquid_at(state.T);
    arithmetic.defer(~(at.Vm > 0.0));
    constexpr bool needs_first = (need & (NeedS | NeedH | NeedCp)) != 0;
    constexpr bool needs_second = (need & NeedCp) != 0;
    const W magnitude = A::abs(state.P);
    const M series = A::abs(at.c) * A::select(magnitude > 1.0, magnitude, A::splat(1.0)) <= phases::SeriesBound;
    W J{}, first{}, second{};
    if (A::any(series)) {
        // The other lanes sum at 1 bar, where nothing is added.
        const W P = A::select(series, state.P, A::splat(1.0));
        const M away = series & (P != 1.0);
        J = phases::liquid_J_by_series<A>(at.c, P, away);
        if (needs_first) phases::liquid_slopes_by_series<A>(at.c, P, needs_second, away, first, second);
    }
    if (!A::all(series)) {
        // The other lanes take an ordinary state of the closed forms.
        const M closed = ~series;
        const phases::LiquidAtT<W> atc = {A::select(closed, at.Vm, A::splat(30.0)),
                                          A::select(closed, at.kappa, A::splat(1.0e-4)),
                                          A::select(closed, at.c, A::splat(1.0e-3))};
        const W P = A::select(closed, state.P, A::splat(1000.0));
        phases::Compression<W> d = phases::compression_arguments(atc, P);
        arithmetic.defer(closed & (~(d.a > 0.0) | ~(d.a1 > 0.0)));
        phases::compression_logarithms(arithmetic, d);
        arithmetic.defer(closed & (~(d.D > 0.0) | ~(d.D1 > 0.0)));
        J = A::select(closed, phases::liquid_J_closed(atc.c, d, P), J);
        if (needs_first) {
            W closed_first, closed_second;
            phases::liquid_slopes_closed(atc.c, d, P, closed_first, closed_second);
            first = A::select(closed, closed_first, first);
            second = A::select(closed, closed_second, second);
        }
    }
    return phases::liquid_point(at, state.T, state.Tk, J, first, second,
                                phases::from_polynomials<A>(phases::LiquidData, k.Tk, k.lnT, need), need);
}

// --- The vapour -----------------------------------------------------------------------------------

// Whether an ideal vapour of density rho at T is dilute enough to be given
// (phases::vapour_is_dilute).
M dilute_lanes(W rho, W T) {
    const W Vm = correlations::liquid_volume(T);
    const M has_volume = Vm > 0.0;
    const W densest =
        adjustments::VapourDensityShare * (correlations::LiquidMassFactor / A::select(has_volume, Vm, A::splat(1.0)));
    return ~has_volume | (rho <= densest);
}

// The same for a vapour of density rho = mass / RT: first without
// dividing, where a margin of 2^-40 leaves the rounded test no doubt.
M dilute_lanes(W mass, W RT, W T) {
    constexpr double Clear = adjustments::VapourDensityShare * correlations::LiquidMassFactor * (1.0 - 0x1p-40);
    const M clear = (correlations::liquid_volume(T) > 0.0) & (mass * correlations::liquid_volume(T) <= RT * Clear);
    if (A::all(clear)) return clear;
    return clear | dilute_lanes(mass / RT, T);
}

// The vapour's state at (T, P) for P > 0 where K P is formed (phases.cpp's
// vapour_state), with the species' enthalpies where `need` asks for them.
template <unsigned need>
phases::VapourOf<W> vapour_lanes(A &arithmetic, W T, W P, W *state_P, Kelvin *kelvin_out = nullptr) {
    const State state = admit(arithmetic, T, P, vapour_with_pressure, 1000.0, 0.01);
    *state_P = state.P;
    phases::VapourOf<W> v{};
    v.Tk = state.Tk;
    v.RT = shared::GasConstant * state.Tk;
    if (need & (NeedH | NeedS | NeedCp)) phases::vapour_enthalpies<A>(state.Tk, v);
    const W lnT = arithmetic.log(state.Tk);
    if (kelvin_out) *kelvin_out = {state.Tk, lnT};
    phases::vapour_gibbs_energies<A>(state.Tk, lnT, v);
    arithmetic.defer(~(v.lnK <= phases::LargestExponent));
    phases::vapour_composition<A>(arithmetic.exp(v.lnK) * state.P, v);
    v.w = v.y1 + v.y2 * 2.0;
    // The density's steps (phases::vapour_density) up to its last division.
    arithmetic.defer(~dilute_lanes((state.P * shared::PascalPerBar) * (MolarMass * v.w), v.RT, state.T));
    return v;
}

// --- The kernels ----------------------------------------------------------------------------------

// Quantity `quantity` of the point of a condensed phase (Cp, H, S or G).
template <unsigned need, W VectorPoint::*quantity, bool solid>
struct CondensedQuantity {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        Kelvin k;
        const VectorPoint point =
            solid ? solid_lanes<need>(arithmetic, T, P, &k) : liquid_lanes<need>(arithmetic, T, P, &k);
        return point.*quantity;
    }
};

template <unsigned need, W VectorPoint::*quantity>
struct VapourQuantity {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        W state_P;
        const phases::VapourOf<W> v = vapour_lanes<need>(arithmetic, T, P, &state_P);
        return phases::vapour_point(arithmetic, v, state_P, need).*quantity;
    }
};

struct VapourFrozenHeatCapacity {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        W state_P;
        return phases::vapour_frozen_heat_capacity<A>(vapour_lanes<NeedCp>(arithmetic, T, P, &state_P));
    }
};

struct VapourDensity {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        W state_P;
        const phases::VapourOf<W> v = vapour_lanes<0>(arithmetic, T, P, &state_P);
        return phases::vapour_density(v, state_P);
    }
};

struct DimerFraction {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        W state_P;
        return vapour_lanes<0>(arithmetic, T, P, &state_P).y2;
    }
};

// K = e^lnK at T, where the vapour has a state at zero pressure.
struct DimerizationConstant {
    [[gnu::flatten]] static W evaluate(W T, Deferred &deferred) {
        A arithmetic{deferred};
        const State state = admit(arithmetic, T, W(), above_zero, 1000.0, 0.0);
        phases::VapourOf<W> v{};
        v.RT = shared::GasConstant * state.Tk;
        phases::vapour_gibbs_energies<A>(state.Tk, arithmetic.log(state.Tk), v);
        return arithmetic.exp(v.lnK);
    }
};

// The Gibbs energy of formation of a phase (0 solid, 1 liquid, 2 vapour):
// its G less the elements', from 200 K.
template <int phase>
struct Formation {
    [[gnu::flatten]] static W evaluate(W T, W P, Deferred &deferred) {
        A arithmetic{deferred};
        Kelvin k;
        W G;
        if (phase == 0) {
            G = solid_lanes<NeedG>(arithmetic, T, P, &k).G;
        } else if (phase == 1) {
            G = liquid_lanes<NeedG>(arithmetic, T, P, &k).G;
        } else {
            W state_P;
            const phases::VapourOf<W> v = vapour_lanes<NeedG>(arithmetic, T, P, &state_P, &k);
            G = phases::vapour_point(arithmetic, v, state_P, NeedG).G;
        }
        // The scalar function takes ln Tk again, to the same bits.
        arithmetic.defer(~(k.Tk >= thermochemistry::SodiumCrystal.fitted_from));
        return G - phases::elements_gibbs_of<A>(k.Tk, k.lnT, k.Tk <= thermochemistry::SodiumCrystal.fitted_to);
    }
};

// --- The vapour pressures -------------------------------------------------------------------------

// A condensed phase along the isotherm for phases::vapour_pressure_lanes,
// from its line's phi and volume (phases.h): the lanes that leave a series'
// domain are deferred, and go on with phi = 0, quietly.
template <class Line, W (*phi_of)(const Line &, W, M &), W (*volume_of)(const Line &, W)>
struct PhaseLanes {
    Line line;
    W volume_at_one() const { return volume_of(line, A::splat(1.0)); }
    W phi(A &arithmetic, W P) const {
        M outside;
        const W phi = phi_of(line, P, outside);
        arithmetic.defer(outside);
        return A::select(outside, W(), phi);
    }
    W volume(W P) const { return volume_of(line, P); }
};

using SolidLanes = PhaseLanes<phases::SolidLine<W>, phases::solid_line_phi<A>, phases::solid_line_volume<W>>;
using LiquidLanes = PhaseLanes<phases::LiquidLine<W>, phases::liquid_line_phi<A>, phases::liquid_line_volume<W>>;

// The solid in the lanes of `solid`, the liquid in the others.
struct CondensedLanes {
    SolidLanes solid;
    LiquidLanes liquid;
    M in_solid;
    W T;
    bool any_solid, any_liquid;

    template <class F>
    W either(F of) const {
        if (!any_liquid) return of(solid);
        if (!any_solid) return of(liquid);
        return A::select(in_solid, of(solid), of(liquid));
    }
    W volume_at_one() const {
        return either([](const auto &phase) { return phase.volume_at_one(); });
    }
    void at(A &arithmetic, W P, W &phi, W &volume, M &missing) const {
        phi = either([&](const auto &phase) { return phase.phi(arithmetic, P); });
        volume = either([&](const auto &phase) { return phase.volume(P); });
        missing = M();
    }
    M dilute(W rho) const { return dilute_lanes(rho, T); }
};

// P_Vapour, P_SolidVapour and P_LiquidVapour (Over: 0, 1, 2), as
// Surface.cpp's vapour_pressure takes them: each lane over the phase that
// the scalar function takes first. Left to it: the crystal below 298.15 K,
// a phase without a state along the isotherm, the melting point's
// neighbourhood (where it takes both), and a lane without an answer.
template <int over>
struct VapourPressureOver {
    [[gnu::flatten]] static W evaluate(W T, Deferred &deferred) {
        A arithmetic{deferred};
        const bool solid_taken = over != 2, liquid_taken = over != 1;
        const State state = admit(arithmetic, T, W(), from_join, 1000.0, 0.0);
        const W RT = shared::GasConstant * state.Tk;
        const W lnT = arithmetic.log(state.Tk);
        W xs1{}, xs2{}, xl1{}, xl2{};
        if (solid_taken) phases::anchor_exponents<A>(phases::CrystalAnchors, state.Tk, lnT, xs1, xs2);
        M has_liquid = A::mask(false);
        if (liquid_taken) {
            has_liquid =
                (state.Tk >= adjustments::LiquidLowestTemperature) & (correlations::liquid_volume(state.T) > 0.0);
            phases::anchor_exponents<A>(phases::LiquidAnchors, state.Tk, lnT, xl1, xl2);
        }
        M in_solid = A::mask(solid_taken);
        if (over == 0) {
            in_solid = ~has_liquid | (xs1 < xl1);
            arithmetic.defer(has_liquid & (A::abs(xs1 - xl1) <= phases::CloseAnchors));
        } else if (over == 2) {
            arithmetic.defer(~has_liquid);
        }
        CondensedLanes condensed{{}, {}, in_solid, state.T, A::any(in_solid), !A::all(in_solid)};
        if (condensed.any_solid) {
            const phases::SolidAt<W> at = phases::solid_at(arithmetic, state.T, A::splat(1.0));
            arithmetic.defer(in_solid & ~(at.rho1 > 0.0));
            condensed.solid.line = phases::solid_line(at, RT);
        }
        if (condensed.any_liquid) condensed.liquid.line = phases::liquid_line(phases::liquid_at(state.T), RT);
        const W a = arithmetic.exp(A::select(in_solid, xs1, xl1));
        const W b = arithmetic.exp(A::select(in_solid, xs2, xl2));
        M failed;
        const W P = phases::vapour_pressure_lanes(arithmetic, condensed, a, b, RT, condensed.volume_at_one(), failed);
        arithmetic.defer(failed);
        return P;
    }
};

}  // namespace
}  // namespace Halx

#endif  // HALX_MODEL_KERNELS_CALORIC_KERNELS_SIMD_H

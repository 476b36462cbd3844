/* A C program using the installed Halx package through its C interface:
 * prints properties of sodium chloride over a grid of temperatures and
 * pressures as CSV, each double with 17 significant digits, which read back
 * as the very same double.
 *
 * Build it with CMake (CMakeLists.txt beside this file), or with pkg-config:
 *   cc -std=c99 halx_table.c $(pkg-config --cflags --libs halx-c) -o halx_table */
#include <Halx/halx_c.h>
#include <stdio.h>

int main(void) {
    /* Temperatures in degrees Celsius and pressures in bar, the triple point among them. */
    const double temperatures[] = {25.0, 500.0, HALX_T_Triple, 900.0, 1000.0, 1200.0};
    const double pressures[] = {HALX_P_Triple, 1.0, 100.0, 1000.0};
    size_t i, j;

    printf(
        "T (degC),P (bar),P_Boiling (bar),T_Melting (degC),Rho_Liquid (kg/m3),T_Sublimation (degC),phase,"
        "H_Vaporization (J/mol),Beta_Solid (1/bar)\n");
    for (i = 0; i < sizeof temperatures / sizeof temperatures[0]; ++i) {
        for (j = 0; j < sizeof pressures / sizeof pressures[0]; ++j) {
            const double T = temperatures[i], P = pressures[j];
            /* The phase as its code: HALX_PHASE_SOLID (1), _LIQUID (2), _VAPOUR (3). */
            const enum halx_phase phase = halx_phase(T, P);
            printf("%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%d,%.17g,%.17g\n", T, P, halx_P_Boiling(T), halx_T_Melting(P),
                   halx_Rho_Liquid(T, P), halx_T_Sublimation(P), (int)phase, halx_H_Vaporization(T),
                   halx_Beta_Solid(T, P));
        }
    }
    return 0;
}

// A C++ program using the installed Halx package: prints the properties of
// sodium chloride over a grid of temperatures and pressures as CSV, each
// double with 17 significant digits, which read back as the very same double.
//
// Build it with CMake (CMakeLists.txt beside this file), or with pkg-config:
//   c++ -std=c++17 halx_table.cpp $(pkg-config --cflags --libs halx) -o halx_table
#include <Halx/Derived.h>
#include <Halx/Halx.h>
#include <Halx/Surface.h>

#include <cstdio>

int main() {
    using Halx::cHalx;
    // Temperatures in degrees Celsius and pressures in bar, the triple point among them.
    const double temperatures[] = {25.0, 500.0, Halx::T_Triple, 900.0, 1000.0, 1200.0};
    const double pressures[] = {Halx::P_Triple, 1.0, 100.0, 1000.0};

    std::printf(
        "T (°C),P (bar),P_Boiling (bar),T_Melting (°C),P_Sublimation (bar),"
        "Rho_Solid (kg/m³),Rho_Liquid (kg/m³),"
        "T_Boiling (°C),P_Melting (bar),phase,H_Fusion (J/mol),Alpha_Solid (1/K),Beta_Liquid (1/bar)\n");
    for (const double T : temperatures) {
        for (const double P : pressures) {
            std::printf("%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,", T, P, cHalx::P_Boiling(T), cHalx::T_Melting(P),
                        cHalx::P_Sublimation(T), cHalx::Rho_Solid(T, P), cHalx::Rho_Liquid(T, P));
            // What follows from the correlations (Derived.h), and from the
            // thermodynamic surface (Surface.h): the phase as its code (1 solid,
            // 2 liquid, 3 vapour) and the heat of fusion per mole of NaCl.
            std::printf("%.17g,%.17g,%d,%.17g,%.17g,%.17g\n", Halx::T_Boiling(P), Halx::P_Melting(T),
                        static_cast<int>(Halx::phase(T, P)), Halx::H_Fusion(P), Halx::Alpha_Solid(T, P),
                        Halx::Beta_Liquid(T, P));
        }
    }
    return 0;
}

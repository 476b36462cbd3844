/* Baselines for bench_ufuncs.py, compiled by it with the interpreter's C
 * compiler and loaded with ctypes:
 *
 * copy_floor: reads 8 bytes and writes 8 bytes per element, the least any
 *   one-input ufunc over float64 can do (memory traffic only).
 * libm_vapour_pressure: the vapour-pressure curves as the model evaluated
 *   them before its exponentials were correctly rounded: one call of the C
 *   library's pow per element, the same steps otherwise. */
#include <math.h>
#include <stddef.h>
#include <string.h>

void copy_floor(double *out, const double *x, ptrdiff_t n) { memcpy(out, x, (size_t)n * sizeof(double)); }

void libm_vapour_pressure(double *out, const double *T, ptrdiff_t n, double slope) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const double L = log10(0.0005);
        const double Tk = T[i] + 273.15;
        const double r = 1.0 / Tk;
        const double d = 0.000931228756343996 - r;
        const double x = d * slope + L;
        out[i] = pow(10.0, x);
    }
}

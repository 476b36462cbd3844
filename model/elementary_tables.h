// Tables and split constants of the correctly rounded exp, log and exp10.
// The values live in elementary_tables.cpp, which
// tools/generate_elementary_tables.py writes with MPFR; this header only
// names them. Internal to the model: no caller outside model/ reads them.
#ifndef HALX_MODEL_ELEMENTARY_TABLES_H
#define HALX_MODEL_ELEMENTARY_TABLES_H

namespace Halx {
namespace elementary {

// Table size of the exponentials: 2^(j/kExpTableSize), j = 0..kExpTableSize-1.
constexpr int kExpTableBits = 10;
constexpr int kExpTableSize = 1 << kExpTableBits;
// Row range of the log table: row j + kLogFirstRow holds c_j ~ 1/(1 + j/1024).
constexpr int kLogIntervals = 1024;
constexpr int kLogFirstRow = 300;

// ln(2)/1024 and log10(2)/1024 as two 32-bit parts and a double (Cody-Waite).
extern const double kLn2OverN[3];
extern const double kLog10Of2OverN[3];
// 1024/ln(2) and 1024*log2(10), rounded.
extern const double kNOverLn2;
extern const double kNLog2Of10;
// ln(10) as hi, lo.
extern const double kLn10[2];
// ln(2) as a 42-bit head and a double.
extern const double kLn2Split[2];
// 2^(j/1024) as hi, lo at [2j], [2j+1].
extern const double kExp2Table[2 * kExpTableSize];
// Row r = j + 300: c_j, -log(c_j) hi, lo, padding, at [4r .. 4r+3].
extern const double kLogTable[4 * 725];

}  // namespace elementary
}  // namespace Halx

#endif  // HALX_MODEL_ELEMENTARY_TABLES_H

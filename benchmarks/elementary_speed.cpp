// The speed of the scalar correctly rounded exp, log and exp10 of
// Halx::elementary, as ratios measured in one run:
//
// - against the C library's exp, log and exp10 (not correctly rounded) on
//   random inputs of the ordinary range (e^x on [-700, 700], 10^x on
//   [-300, 300], ln x on random bit patterns of positive normal doubles);
// - every input listed in elementary/tests/hard_cases.txt against a random
//   input of the same function: those whose exact result lies so close to a
//   midpoint that the fast path's rounding test fails.
//
// Each figure is the reciprocal throughput of a loop out[i] = f(x[i]) over an
// array that stays in the first-level cache, best of several rounds, the
// contenders taken in a shuffled order each round so that a disturbance of
// the machine falls on all of them alike.
//
// Built by elementary/CMakeLists.txt with -DHALX_ELEMENTARY_BENCHMARK=ON (the
// target halx_elementary_speed); run with the path of hard_cases.txt, or from
// the build directory, where CMake tells it the source tree's. Never installed.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "elementary.h"

namespace {

using Function = double (*)(double);

constexpr int kRounds = 15;
constexpr int kRandomSize = 2048;
// Calls per timed loop of one hard case: enough to dwarf the clock's reading.
constexpr int kHardCaseCalls = 256;
// The hard cases may cost this much more than a random input.
constexpr double kHardCaseTarget = 20.0;
// Halx's functions may cost this much more than the C library's.
constexpr double kLibraryTarget = 1.2;

// The C library's functions, called through pointers as Halx's are.
double library_exp(double x) { return std::exp(x); }
double library_log(double x) { return std::log(x); }
double library_exp10(double x) {
#if defined(__GLIBC__)
    return ::exp10(x);
#else
    return std::pow(10.0, x);
#endif
}

struct Subject {
    const char *name;
    Function halx;
    Function library;
    std::vector<double> random;
    std::vector<double> hard;
};

// Seconds per call of f over x, once; the results are summed so that no call
// can be left out.
double time_once(Function f, const std::vector<double> &x, int repeat, double &sink) {
    const auto start = std::chrono::steady_clock::now();
    double sum = 0.0;
    for (int r = 0; r < repeat; ++r) {
        for (double value : x) sum += f(value);
    }
    const auto stop = std::chrono::steady_clock::now();
    sink += sum;
    return std::chrono::duration<double>(stop - start).count() / (static_cast<double>(repeat) * x.size());
}

std::vector<double> random_inputs(const char *name, std::mt19937_64 &engine) {
    std::vector<double> x(kRandomSize);
    if (std::strcmp(name, "log") == 0) {
        // Positive normal doubles, every bit pattern alike.
        std::uniform_int_distribution<std::uint64_t> bits(0x0010000000000000, 0x7fefffffffffffff);
        for (double &v : x) {
            const std::uint64_t b = bits(engine);
            std::memcpy(&v, &b, sizeof v);
        }
    } else {
        const double reach = std::strcmp(name, "exp") == 0 ? 700.0 : 300.0;
        std::uniform_real_distribution<double> uniform(-reach, reach);
        for (double &v : x) v = uniform(engine);
    }
    return x;
}

// The inputs of function name listed in the hard cases' file (function,
// input in hex, result, comment); exits when the file cannot be read.
std::vector<double> hard_cases(const std::string &path, const char *name) {
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "cannot read %s: give the path of elementary/tests/hard_cases.txt\n", path.c_str());
        std::exit(2);
    }
    std::vector<double> x;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line.substr(0, line.find('#')));
        std::string function, input;
        if (fields >> function >> input && function == name) x.push_back(std::strtod(input.c_str(), nullptr));
    }
    return x;
}

}  // namespace

int main(int argc, char **argv) {
#if defined(HALX_HARD_CASES)
    const std::string path = argc > 1 ? argv[1] : HALX_HARD_CASES;
#else
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH/hard_cases.txt\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
#endif
    std::mt19937_64 engine(2024);
    std::vector<Subject> subjects = {
        {"exp", Halx::elementary::exp, library_exp, {}, {}},
        {"log", Halx::elementary::log, library_log, {}, {}},
        {"exp10", Halx::elementary::exp10, library_exp10, {}, {}},
    };
    for (Subject &s : subjects) {
        s.random = random_inputs(s.name, engine);
        s.hard = hard_cases(path, s.name);
    }

    // One contender: a function over an input set, repeated to a like length.
    struct Contender {
        std::size_t subject;
        Function f;
        const std::vector<double> *x;
        int repeat;
        double best;
    };
    std::vector<Contender> contenders;
    std::vector<std::vector<double>> singles;  // one array per hard case
    for (const Subject &s : subjects) {
        for (double value : s.hard) singles.push_back({value});
    }
    std::size_t single = 0;
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const Subject &s = subjects[i];
        contenders.push_back({i, s.halx, &s.random, 8, 1e9});
        contenders.push_back({i, s.library, &s.random, 8, 1e9});
        for (std::size_t k = 0; k < s.hard.size(); ++k) {
            contenders.push_back({i, s.halx, &singles[single++], kHardCaseCalls, 1e9});
        }
    }
    double sink = 0.0;
    std::vector<std::size_t> order(contenders.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (int round = 0; round <= kRounds; ++round) {  // round 0 warms up
        std::shuffle(order.begin(), order.end(), engine);
        for (std::size_t i : order) {
            Contender &c = contenders[i];
            const double seconds = time_once(c.f, *c.x, c.repeat, sink);
            if (round > 0) c.best = std::min(c.best, seconds);
        }
    }

    std::printf("scalar calls, ns each: best of %d rounds, interleaved (reciprocal throughput)\n", kRounds);
    std::printf("%-6s %9s %9s %7s %6s   %s\n", "", "Halx", "C lib", "ratio", "", "hard cases / random input");
    bool met = true;
    std::size_t next = 0;
    for (const Subject &s : subjects) {
        const double halx = contenders[next].best;
        const double library = contenders[next + 1].best;
        double worst = 0.0, total = 0.0;
        int over = 0;
        for (std::size_t k = 0; k < s.hard.size(); ++k) {
            const double ratio = contenders[next + 2 + k].best / halx;
            worst = std::max(worst, ratio);
            total += ratio;
            over += ratio > kHardCaseTarget;
        }
        next += 2 + s.hard.size();
        const bool fast = halx <= kLibraryTarget * library;
        met = met && fast && over == 0;
        std::printf("%-6s %9.2f %9.2f %7.2f %6s   %zu cases: mean %.1f, worst %.1f, %d above %.0f\n", s.name,
                    halx * 1e9, library * 1e9, halx / library, fast ? "ok" : "MISSED", s.hard.size(),
                    total / s.hard.size(), worst, over, kHardCaseTarget);
    }
    std::printf("targets: Halx / C lib <= %.1f, hard case / random <= %.0f: %s\n", kLibraryTarget, kHardCaseTarget,
                met ? "met" : "MISSED");
    return sink == 12345.0;  // never: keeps the sums alive
}

// Timing for the benchmarks: the median of several rounds, each timing a
// batch of calls, so one slow round (a wineserver hiccup) does not decide.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qtvbench {

inline double NowSeconds() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Seconds per call of fn(), the median over `rounds` batches of `batch` calls.
template <class Fn>
double TimePerCall(Fn fn, int batch, int rounds = 9) {
    std::vector<double> samples;
    for (int r = 0; r < rounds; ++r) {
        double t0 = NowSeconds();
        for (int i = 0; i < batch; ++i) fn();
        samples.push_back((NowSeconds() - t0) / batch);
    }
    return Median(samples);
}

// One line per measure: library time, raw time, their ratio, and the target.
inline void Report(const char* what, double library, double raw, const char* target) {
    printf("%-52s library %10.3f us  raw %10.3f us  ratio %5.2f  (target %s)\n", what, library * 1e6,
           raw * 1e6, library / raw, target);
    fflush(stdout);
}

}  // namespace qtvbench

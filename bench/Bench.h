#pragma once
// A tiny benchmark harness: each case runs a body several times and prints the median.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double nowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

// Runs body `runs` times (after one warm-up) and returns the median duration in milliseconds.
inline double medianMs(int runs, const std::function<void()>& body) {
    body();
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        double s = nowMs();
        body();
        t.push_back(nowMs() - s);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

inline void report(const char* name, double value, const char* unit, const char* goal = "") {
    std::printf("%-58s %12.4f %-6s %s\n", name, value, unit, goal);
    std::fflush(stdout);
}

// Registry of benchmark cases; BenchMain runs them in order.
struct Case {
    const char* name;
    void (*fn)();
};
inline std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}
struct Register {
    Register(const char* name, void (*fn)()) { cases().push_back({name, fn}); }
};

} // namespace bench

#define TAV_BENCH(name)                                                                                      \
    static void name();                                                                                      \
    static bench::Register name##_reg(#name, &name);                                                         \
    static void name()

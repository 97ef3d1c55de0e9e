#include "BenchStats.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

Spread SpreadOf(std::vector<double> values) {
    Spread s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

std::string Describe(const Spread& s, const char* format) {
    char m[32], lo[32], hi[32], out[128];
    std::snprintf(m, sizeof m, format, s.median);
    std::snprintf(lo, sizeof lo, format, s.min);
    std::snprintf(hi, sizeof hi, format, s.max);
    std::snprintf(out, sizeof out, "%s (%s-%s)", m, lo, hi);
    return out;
}

double BenchNow() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

std::wstring BenchFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L"\\/"));
}

#pragma once
// What the benchmark programs share. Repeated measurements reduced to what
// can be quoted on a shared, noisy machine: the median, with the smallest
// and largest value as the spread.
#include <string>
#include <vector>

struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
};

Spread SpreadOf(std::vector<double> values);

// "0.123 (0.110-0.140)" with the given printf format for each number.
std::string Describe(const Spread& s, const char* format);

// Seconds on the performance counter.
double BenchNow();

// "met" or "NOT met" for the closing word of a figure's line.
const char* Verdict(bool met);

// The folder of the running benchmark program, without a trailing backslash.
std::wstring BenchFolder();

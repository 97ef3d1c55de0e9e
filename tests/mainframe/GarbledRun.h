#pragma once
// How the garbled-input suite runs its generators. In the ordinary suite:
// a fixed seed and a fixed number of cases per reader. Under `make fuzz`
// (scripts/fuzz.sh) the program's command line says more:
//   --fuzz-seed=N          the run's seed
//   --fuzz-cases=N         cases in all, shared among the readers as in the ordinary suite
//   --fuzz-seconds=N       or a time, shared equally among the readers
//   --fuzz-replay=R:A[-B]  only reader R's cases A to B (its inputs kept in garbled\)
// Every case draws from a generator of its own, seeded from the run's seed,
// the reader and the case's number, so any case can be made again alone.
// A case that does not end within a minute, or that ends the process, is
// named with the command that replays it.
#include <functional>
#include <random>
#include <string>
#include <vector>

class Garbage {
public:
    Garbage(unsigned seed, unsigned salt, int index);
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool OneIn(int n) { return Int(0, n - 1) == 0; }
    template <typename T>
    const T& Pick(const std::vector<T>& v) { return v[(size_t)Int(0, (int)v.size() - 1)]; }
    std::string Bytes(int n);
    std::string Repeat(const std::string& unit, int n);
    // A number as a careless or hostile writer would put it.
    std::string Number();

private:
    std::mt19937 m_rng;
};

class GarbledRun {
public:
    static GarbledRun& Get();

    bool Fuzzing() const { return m_fuzzing; }
    unsigned Seed() const { return m_seed; }

    // Runs the reader's cases ("skin", "ini", "language", "dial", "sdk",
    // "png", "update", "pipe") in blocks of at most its ordinary count: `block`
    // runs cases [first, end) and checks what they logged. The log is
    // emptied before each block of a fuzz run. Returns how many ran.
    int Run(const char* reader, const std::function<void(int first, int end)>& block);
    // Case i of the running reader starts: its generator.
    Garbage Case(int i);
    // A block as large as the ordinary suite's: the checks of how often a
    // kind of refusal came apply to it.
    bool FullBlock(int first, int end) const;
    // Replaying: the case's input, kept as garbled\replay-<reader>-<i><ext>.
    void Keep(int i, const char* ext, const std::string& bytes) const;
    std::string ReplayCommand(int i) const;
    // "N skin cases, N INI cases, ..." for the suite's last line.
    std::string Counts() const;

private:
    GarbledRun();
    void Parse();
    int Planned(size_t reader) const;

    bool m_fuzzing = false;
    unsigned m_seed;
    long long m_cases = 0;
    double m_seconds = 0;
    std::string m_replayReader;
    int m_replayFirst = 0, m_replayLast = -1;
    const char* m_reader = nullptr;
    unsigned m_salt = 0;
    std::vector<int> m_ran;  // per reader, in the order of the suite's last line
};

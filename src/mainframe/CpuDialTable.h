#pragma once
// The CPU dial table: per-model dial calibrations carried as "@@@@@"-separated
// records in the main layout, and the frequency-to-angle table built for the
// running processor.
#include <map>
#include <string>
#include <vector>

#include "state/AppState.h"

class CCpuDialTable {
public:
    enum SkippedPass : unsigned {
        kNone = 0,
        kSkippedToDefault = 1,  // D = 0: the first pass would divide by zero
        kSkippedToLimit = 2,    // L = D: the second pass would divide by zero
        kOutOfRange = 4,        // D or L absurd (garbled record): no table at all
    };

    // Fills `entry` from one record; false (logged) when it has fewer than 16 pieces.
    static bool ParseRecord(const std::wstring& text, CpuCustomData& entry);

    void Append(const CpuCustomData& entry) { m_entries.push_back(entry); }
    const std::vector<CpuCustomData>& Entries() const { return m_entries; }

    // First entry whose model equals `model` without regard to case.
    bool Find(const std::wstring& model, CpuCustomData& entry) const;

    // Adds the entry's frequency-to-angle steps (0.1 GHz apart) to the table.
    // Returns the passes left out because they would divide by zero.
    unsigned BuildAngles(const CpuCustomData& entry);

    // The entry, field by field, to the debugger output (not the log).
    static void Trace(const CpuCustomData& entry);

    // A lookup's entry line and answer to the debugger output, in one call;
    // the answer line, for the log.
    static std::wstring TraceLookup(float frequency, bool known, int angle);

    // Exact lookup of a frequency (GHz); no interpolation.
    bool AngleOf(float frequency, int& angle) const;
    const std::map<float, int>& Angles() const { return m_angles; }

private:
    void Store(float counter, float angle);

    std::vector<CpuCustomData> m_entries;
    std::map<float, int> m_angles;
};

#pragma once
// Chooses the simulated processor for this test process: writes a profile
// INI and points the stand-in SDK at it (and at a fresh state file, which is
// a freshly started machine) through its environment variables.
#include <stdint.h>

#include <map>
#include <string>

class SimCpu {
public:
    // "[Processor]" section text.
    static std::string Processor(const std::string& brand, int cores, bool overclockEnabled = true);
    // One control section; `proposed` < 0 leaves the SDK's proposal at the active value.
    static std::string Control(uint32_t id, double defaultValue, double proposed = -1, double minValue = 8,
                               double maxValue = 60, double step = 1);
    // A processor with every core ratio control of the table (defaults 40,
    // 39, ... and proposals default + 5), the maximum turbo (4000 MHz) and
    // the core ratio (36) controls; `faults` is the [Faults] section body.
    static std::string Standard(int cores, const std::string& faults = std::string());

    // Selects the profile text (a new file) and an empty state file.
    static void Use(const std::string& profile);
    // Replaces the text of the profile in use (the SDK notices on its next root request).
    static void Rewrite(const std::string& profile);
    // The [Active] values the SDK keeps in its state file.
    static std::map<uint32_t, double> StateValues();
    // Default ratio of core-table control `id` in Standard().
    static double StandardDefault(uint32_t id);

private:
    static std::wstring Folder();
    static std::wstring s_profile;
    static std::wstring s_state;
};

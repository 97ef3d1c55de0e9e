#pragma once
// One simulated processor as described by a profile INI file (format in
// README.md beside this file).
#include <stdint.h>

#include <string>
#include <vector>

struct SimControlSpec {
    uint32_t id = 0;
    std::wstring name;
    double defaultValue = 0;
    double activeValue = 0;
    double proposedValue = 0;
    bool hasProposed = false;
    std::vector<double> allowed;  // ascending
};

struct SimFaults {
    bool noRoot = false;
    bool initFails = false;
    bool noSystemInfo = false;
    bool noProcessor = false;
    bool overclockDisabled = false;
    bool coresNotTunable = false;
    bool noTuningLibrary = false;
    bool noMonitoringLibrary = false;
    std::vector<uint32_t> getControlFailsFor;
    bool proposeFails = false;
    bool resultDisabled = false;
    bool resultRebootRequired = false;
    bool applyFails = false;
    bool monitorNeverReady = false;
    // Calls that fail with a structured exception (by name, "GetControl");
    // MonitorThrows=1 is short for RaiseIn=GetMonitorValue.
    std::vector<std::string> raiseIn;
    bool raiseAccessViolation = false;  // a real access violation instead
    uint32_t delayMs = 0;
    bool hasControlCount = false;  // ControlCount given: the count GetAvailableControls reports
    uint32_t controlCount = 0;
    // Every call waits while this file exists: a test holds the processor
    // in the middle of a run for as long as it needs to look at it.
    std::wstring holdWhileFile;
};

class CSimProfile {
public:
    // Reads the whole profile; false when the file is missing or names no
    // processor. `path` must be a full path.
    bool Load(const std::wstring& path);

    std::wstring m_brand;
    int32_t m_coreCount = 0;
    bool m_overclockEnabled = true;
    bool m_coreTunable = true;
    std::vector<SimControlSpec> m_controls;  // in file order
    SimFaults m_faults;

private:
    bool LoadControl(const std::wstring& path, const std::wstring& section);
    void LoadFaults(const std::wstring& path);
};

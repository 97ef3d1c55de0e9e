#pragma once
// One test's view of the simulated processor, reached only the way the
// program reaches it: LoadLibrary, GetInterface and the SDK header. Each
// session has its own folder for profiles and its own state file.
#include <windows.h>

#include <memory>
#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "support/StandInSwitch.h"
#include "tuning/OverclockingSdk.h"

class CSimSdkSession : private vt::NonCopyable {
public:
    explicit CSimSdkSession(const std::wstring& name);
    ~CSimSdkSession();

    // A profile path as the library's switch PROFILE takes it (relative to
    // the library's folder, or a full path inside it).
    void UseProfile(const std::wstring& path);
    // No PROFILE switch: the library's own "OverclockingSdkWrapper.ini".
    void UseDefaultProfile();
    // Writes `text` as a profile into the session folder and selects it.
    std::wstring WriteProfile(const std::string& fileName, const std::string& text);
    // The shipped 4-core profile with extra lines in its [Faults] section.
    std::wstring WriteDefaultProfileWithFaults(const std::string& faults);

    bool Load();
    // Frees the library; true when it really left the process.
    bool Unload();
    IOverclockingSdk* Root();  // GetInterface, null when absent
    IOverclockingSdk* InitRoot();  // Root() and Init()

    const std::wstring& Folder() const { return m_folder; }
    const std::wstring& StatePath() const { return m_statePath; }
    static std::string ShippedProfile(const char* name);

private:
    std::wstring m_folder;
    std::wstring m_statePath;
    std::unique_ptr<ScopedStandInSwitch> m_stateSwitch;
    std::unique_ptr<ScopedStandInSwitch> m_profileSwitch;
    vt::DynamicLibrary m_module;
    PFN_OverclockingSdkGetInterface m_getInterface;
};

// Reads one control through the header; a zeroed record when absent.
ClientTuningControl ReadControl(IOverclockingSdk* root, uint32_t id);

// simcpu.exe: a console companion of the simulated processor, kept beside
// OverclockingSdkWrapper.dll in the dist folder.
//   simcpu show     the processor, its controls and one frequency reading
//   simcpu reboot   forgets the applied settings (deletes the state file)
//   simcpu resume   the same while a program runs: as a board that drops its
//                   tuned values on resume from sleep, which the library in
//                   that program sees at its next GetInterface
// It reaches the library the way the program does: LoadLibrary, GetInterface
// and the SDK header.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "common/SimEnvironment.h"
#include "tuning/OverclockingSdk.h"

namespace {

std::wstring ToolFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, len < MAX_PATH ? len : 0);
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

// The state file the library beside this tool uses (its switch STATE).
std::wstring StatePath() {
    return simcommon::SwitchPath(L"STATE", L"OverclockingSdkWrapper.state", L"OverclockingSdkWrapper");
}

// Both lose the applied settings the same way; only the words differ.
int ForgetAppliedSettings(const wchar_t* what) {
    std::wstring path = StatePath();
    if (DeleteFileW(path.c_str())) {
        std::wprintf(L"%ls: %ls removed, profile values apply from now on\n", what, path.c_str());
        return 0;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        std::wprintf(L"%ls: no applied settings (%ls)\n", what, path.c_str());
        return 0;
    }
    std::fwprintf(stderr, L"cannot remove %ls (error %lu)\n", path.c_str(), error);
    return 1;
}

int Show() {
    const vt::DynamicLibrary library(LoadLibraryW((ToolFolder() + L"OverclockingSdkWrapper.dll").c_str()));
    if (!library.Loaded()) {
        std::fwprintf(stderr, L"OverclockingSdkWrapper.dll not found beside simcpu.exe\n");
        return 1;
    }
    auto getInterface = library.Proc<PFN_OverclockingSdkGetInterface>(OCSDK_EXPORT_GETINTERFACE);
    IOverclockingSdk* root = getInterface ? getInterface() : nullptr;
    if (root == nullptr) {
        std::wprintf(L"no SDK root (missing profile or NoRoot fault)\n");
        return 1;
    }
    root->Init();
    std::wprintf(L"init:       %ls\n", root->IsInitOK() ? L"ok" : L"FAILED");
    ISystemInfo* system = root->GetSystemInfo();
    IProcessorInfo* cpu = system ? system->GetProcessor() : nullptr;
    if (cpu != nullptr) {
        wchar_t brand[256] = {};
        cpu->GetName(brand, 256);
        std::wprintf(L"processor:  %ls\ncores:      %d\noverclock:  %ls\n", brand, (int)cpu->GetCoreCount(),
                     cpu->IsOverclockEnabled() ? L"enabled" : L"disabled");
    } else {
        std::wprintf(L"processor:  (none)\n");
    }
    std::wprintf(L"state file: %ls\n", StatePath().c_str());
    ITuningLibrary* tuning = root->GetTuningLibrary();
    if (tuning != nullptr) {
        uint32_t count = 0;
        tuning->GetAvailableControls(nullptr, 0, &count);
        std::vector<ClientTuningControl> controls(count);
        tuning->GetAvailableControls(controls.data(), count, &count);
        std::wprintf(L"%-10ls %-28ls %9ls %9ls %9ls\n", L"id", L"name", L"default", L"active", L"proposed");
        for (const ClientTuningControl& c : controls) {
            wchar_t id[16];
            std::swprintf(id, 16, c.Id >= 0x10000 ? L"0x%08X" : L"%u", (unsigned)c.Id);
            std::wprintf(L"%-10ls %-28ls %9.1f %9.1f %9.1f\n", id, c.Name, c.DefaultValue, c.ActiveValue,
                         c.ProposedValue);
        }
    }
    IMonitoringLibrary* monitor = root->GetMonitoringLibrary();
    if (monitor != nullptr && monitor->MonitorIsReady(MonitorId_Processor_Frequency)) {
        try {
            std::wprintf(L"frequency:  %.3f GHz\n", monitor->GetMonitorValue(MonitorId_Processor_Frequency));
        } catch (...) {
            std::wprintf(L"frequency:  (monitor failed)\n");
        }
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && _wcsicmp(argv[1], L"show") == 0) return Show();
    if (argc == 2 && _wcsicmp(argv[1], L"reboot") == 0) return ForgetAppliedSettings(L"rebooted");
    if (argc == 2 && _wcsicmp(argv[1], L"resume") == 0) return ForgetAppliedSettings(L"resumed");
    std::fwprintf(stderr, L"usage: simcpu show | reboot | resume\n");
    return 2;
}

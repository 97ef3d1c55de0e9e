// The stand-in service client "DadEzOzuz.dll": answers the start hand-over
// from its profile and records every call, so tests can see what the
// program asked for.
#include <windows.h>

#include <string>

#include "SvcClientConfig.h"
#include "base/Win32Owners.h"

namespace {

// The client starts the program elevated: only the program itself, from
// the client's own folder; any other name is refused and written down.
const wchar_t kProgram[] = L"Velotune.exe";

bool IsProgramName(const std::wstring& name) {
    return CompareStringOrdinal(name.c_str(), -1, kProgram, -1, TRUE) == CSTR_EQUAL;
}

bool LaunchBeside(const CSvcClientConfig& config, const std::wstring& fileName, const std::wstring& svcSwitch) {
    if (!IsProgramName(fileName)) {
        config.Record(L"Refused\t" + fileName + L"\tnot " + kProgram);
        return false;
    }
    if (config.Folder().empty()) return false;
    std::wstring path = config.Folder() + L"\\" + kProgram;
    std::wstring commandLine = L"\"" + path + L"\" " + svcSwitch;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, config.Folder().c_str(),
                        &si, &pi))
        return false;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    return true;
}

}  // namespace

extern "C" __declspec(dllexport) unsigned char __stdcall AERTStartClient(const wchar_t* svcSwitch,
                                                                        const wchar_t* fileName) {
    CSvcClientConfig config;
    std::wstring sw = svcSwitch ? svcSwitch : L"(null)";
    std::wstring file = fileName ? fileName : L"(null)";
    bool taken = config.TakesOverStart();
    if (taken && config.LaunchesProgram()) taken = LaunchBeside(config, file, sw);
    config.Record(L"AERTStartClient\t" + sw + L"\t" + file + L"\t" + (taken ? L"1" : L"0"));
    return taken ? 1 : 0;
}

extern "C" __declspec(dllexport) int __stdcall AERTInstall(int reserved) {
    CSvcClientConfig config;
    config.Record(L"AERTInstall\t" + std::to_wstring(reserved));
    return 0;
}

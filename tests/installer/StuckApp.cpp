#include "StuckApp.h"

#include "InstallProbe.h"
#include "base/RunningCopy.h"

namespace {

// The guard file of a copy running from the install folder: held open
// without sharing, as the program holds it.
HANDLE HoldGuard() {
    CreateDirectoryW(InstallProbe::InstallDir().c_str(), nullptr);
    return CreateFileW((InstallProbe::InstallDir() + L"\\Velotune.lock").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                       nullptr, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// The machine's guard, shared for reading, with this process's id in it.
HANDLE HoldMachineGuard() {
    const std::wstring path = vt::MachineGuardPath();
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    HANDLE guard = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (guard != INVALID_HANDLE_VALUE && !vt::WriteGuardHolder(guard)) {
        CloseHandle(guard);
        return INVALID_HANDLE_VALUE;
    }
    return guard;
}

}  // namespace

CStuckApp::CStuckApp() : m_guard(HoldGuard()), m_machineGuard(HoldMachineGuard()) {}

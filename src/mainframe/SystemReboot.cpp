#include "mainframe/SystemReboot.h"

#include <windows.h>

#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"

bool CSystemReboot::EnableShutdownPrivilege() {
    vt::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Put())) {
        VLOG("OpenProcessToken failed: %lu", ::GetLastError());
        return false;
    }
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid)) {
        VLOG("LookupPrivilegeValue(SeShutdownPrivilege) failed: %lu", ::GetLastError());
        return false;
    }
    // Success with ERROR_NOT_ALL_ASSIGNED still means the privilege is missing.
    if (!::AdjustTokenPrivileges(token.Get(), FALSE, &tp, 0, nullptr, nullptr) ||
        ::GetLastError() != ERROR_SUCCESS) {
        VLOG("AdjustTokenPrivileges(SeShutdownPrivilege) failed: %lu", ::GetLastError());
        return false;
    }
    return true;
}

bool CSystemReboot::Reboot() {
    if (ProgramSwitches::IsSet(L"NO_REBOOT")) {
        VLOG("ExitWindowsEx(EWX_REBOOT) skipped: NO_REBOOT is set");
        return true;
    }
    EnableShutdownPrivilege();  // a failure is logged; the call below tells
    if (!::ExitWindowsEx(EWX_REBOOT, 0)) {
        VLOG("ExitWindowsEx(EWX_REBOOT) failed: %lu", ::GetLastError());
        return false;
    }
    VLOG("ExitWindowsEx(EWX_REBOOT) requested");
    return true;
}

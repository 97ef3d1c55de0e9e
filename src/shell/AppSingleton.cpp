#include "shell/AppSingleton.h"

#include <aclapi.h>
#include <shlobj.h>

#include "base/AdminOnlySecurity.h"
#include "base/RaiseWindow.h"
#include "base/RunningCopy.h"
#include "log/BaseLog.h"
#include "settings/AppInfo.h"
#include "shell/CommonHelp.h"

const wchar_t AppSingleton::kGuardFileName[] = L"Velotune.lock";
const wchar_t AppSingleton::kWindowClass[] = L"Velotune";

namespace {
// A window that stops answering between the hung check and the restore
// command must not block this start for ever.
constexpr UINT kRestoreTimeoutMs = 5000;
// Administrators and SYSTEM, inherited by the guard file; nobody else.
constexpr wchar_t kFolderSddl[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// No write sharing: a second holder's open fails while this one lives.
// Deleted on close, so a copy that crashed leaves nothing behind. The
// machine's guard is shared for reading: an administrator's process reads
// the holder's id from it to know the running copy's window.
vt::UniqueHandle OpenGuardFile(const std::wstring& path, vt::AdminOnlySecurity& security, DWORD share) {
    return vt::UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, security.Attributes(),
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

bool OwnedByAdministrators(const std::wstring& folder) {
    PSID owner = nullptr;
    vt::UniqueLocal sd;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &raw) != ERROR_SUCCESS)
        return false;
    sd.Reset(raw);
    return owner && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid));
}
}  // namespace

std::wstring AppSingleton::GuardPath() {
    const std::wstring folder = GetAppFolder();
    return folder.empty() ? std::wstring() : folder + L"\\" + kGuardFileName;
}

std::wstring AppSingleton::MachineFolder() {
    const std::wstring guard = vt::MachineGuardPath();
    return guard.empty() ? guard : guard.substr(0, guard.find_last_of(L'\\'));
}

bool AppSingleton::SecureFolder(const std::wstring& folder) {
    vt::AdminOnlySecurity security;
    DWORD attributes = GetFileAttributesW(folder.c_str());
    // ProgramData lets every user make a folder: one made first may be a
    // link elsewhere, a file, or a folder its maker can still write.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))) {
        const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(folder.c_str())
                                                                     : DeleteFileW(folder.c_str());
        VLOG("AppSingleton: %S was a link or a file, not a folder: %s", folder.c_str(),
             removed ? "removed" : "cannot be removed");
        if (!removed) return false;
        attributes = INVALID_FILE_ATTRIBUTES;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryW(folder.c_str(), security.Attributes())) {
            VLOG("AppSingleton: cannot make %S (error %lu)", folder.c_str(), GetLastError());
            return false;
        }
        return true;
    }
    if (OwnedByAdministrators(folder)) return true;
    // Made by someone else first (or, under Wine, any folder): taken over.
    vt::UniqueLocal sd;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderSddl, SDDL_REVISION_1, &raw, nullptr))
        return false;
    sd.Reset(raw);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    GetSecurityDescriptorOwner(raw, &owner, &defaulted);
    GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted);
    const DWORD error = SetNamedSecurityInfoW(const_cast<LPWSTR>(folder.c_str()), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                                  PROTECTED_DACL_SECURITY_INFORMATION,
                                              owner, nullptr, dacl, nullptr);
    VLOG("AppSingleton: %S not owned by administrators: %S applied (error %lu)", folder.c_str(), kFolderSddl, error);
    return error == ERROR_SUCCESS;
}

bool AppSingleton::OpenFolderGuard() {
    const std::wstring path = GuardPath();
    vt::AdminOnlySecurity security;
    if (path.empty() || !security.Valid()) return false;
    m_hFolderGuard = OpenGuardFile(path, security, 0);
    if (!m_hFolderGuard) VLOG("AppSingleton: the install folder's guard file not held (error %lu)", GetLastError());
    return m_hFolderGuard.Valid();
}

bool AppSingleton::Acquire() {
    Close();
    const std::wstring folder = MachineFolder();
    vt::AdminOnlySecurity security;
    if (folder.empty() || !security.Valid()) {
        VLOG("AppSingleton: no guard folder (no ProgramData folder or no security descriptor)");
        return false;
    }
    const bool secured = SecureFolder(folder);
    const std::wstring path = folder + L"\\" + kGuardFileName;
    if (secured) m_hGuard = OpenGuardFile(path, security, FILE_SHARE_READ);
    if (m_hGuard) {
        if (!vt::WriteGuardHolder(m_hGuard.Get()))
            VLOG("AppSingleton: the guard file does not name this process (error %lu)", GetLastError());
        OpenFolderGuard();
        return true;
    }
    const DWORD error = secured ? GetLastError() : ERROR_ACCESS_DENIED;
    if (error == ERROR_ACCESS_DENIED) {
        // Not a sign of a running copy by itself: a start without
        // administrator rights may open nothing here.
        if (!CCommonHelp::IsAdmin()) {
            VLOG("AppSingleton: access to %S denied: not elevated, going on without the guard", path.c_str());
            return true;
        }
        VLOG("AppSingleton: access to %S denied: a copy is ending, or the folder is not ours", path.c_str());
        BringOtherToFront(path);
        return false;
    }
    if (error != ERROR_SHARING_VIOLATION) {
        VLOG("AppSingleton: cannot open the guard file (error %lu)", error);
        return false;
    }
    BringOtherToFront(path);
    return false;
}

void AppSingleton::BringOtherToFront(const std::wstring& guard) {
    DWORD error = ERROR_SUCCESS;
    const DWORD holder = vt::ReadGuardHolder(guard, &error);
    const vt::WindowsOfClass windows = vt::FindWindowsOfClass(kWindowClass, holder);
    // Anyone can make a window of the class: only the guard's holder is the
    // running copy, and nothing is sent to the others.
    for (const auto& other : windows.others)
        VLOG("AppSingleton: a window of class %S in process %lu is not the running copy's (process %lu): "
             "left alone",
             kWindowClass, other.second, holder);
    if (holder == 0) {
        VLOG("AppSingleton: the guard file names no running copy yet (error %lu): nothing to bring to the front",
             error);
        return;
    }
    HWND other = windows.own;
    if (!other) {
        // Starting, ending (its window already gone), or restoring without a
        // window: each ends on its own, and none waits for anything this start could end.
        VLOG("AppSingleton: the running copy shows no window (starting, ending, or restoring without one): "
             "nothing to bring to the front");
        return;
    }
    if (IsHungAppWindow(other)) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(other, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kRestoreTimeoutMs,
                        &result);
    vt::RaiseWindow(other);
}

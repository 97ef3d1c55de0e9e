#include "update/UpdateFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "settings/AppInfo.h"

namespace {

// Owner Administrators; protected DACL, inherited by everything inside:
// Administrators and SYSTEM full control, nobody else anything.
const wchar_t kDescriptor[] = L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace

const wchar_t* CUpdateFolder::Descriptor() { return kDescriptor; }

std::wstring CUpdateFolder::Prepare() {
    std::wstring app = GetAppFolder();
    if (app.empty()) {
        VLOG("update folder refused: the program's folder is unknown");
        return std::wstring();
    }
    std::wstring folder = app + L"\\VelotuneUpdate";
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        VLOG("update folder refused: it could not be made (error %lu): %ls", ::GetLastError(), folder.c_str());
        return std::wstring();
    }
    // Checked and secured through one handle that does not follow a link:
    // a folder swapped for a link between a check by name and the change of
    // its permissions would give the new permissions to the link's target.
    vt::UniqueFile handle(::CreateFileW(folder.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!handle || !::GetFileInformationByHandle(handle.Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        VLOG("update folder refused: not a plain folder: %ls", folder.c_str());
        return std::wstring();
    }
    vt::UniqueLocal descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kDescriptor, SDDL_REVISION_1,
                                                                reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Put()),
                                                                nullptr)) {
        VLOG("update folder refused: no security descriptor (error %lu)", ::GetLastError());
        return std::wstring();
    }
    PSECURITY_DESCRIPTOR sd = descriptor.Get();
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
        !::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !present || !dacl || !owner) {
        VLOG("update folder refused: the security descriptor is incomplete");
        return std::wstring();
    }
    DWORD error = ::SetSecurityInfo(
        handle.Get(), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, owner,
        nullptr, dacl, nullptr);
    if (error != ERROR_SUCCESS) {
        VLOG("update folder refused: its permissions could not be set (error %lu): %ls", error, folder.c_str());
        return std::wstring();
    }
    VLOG("update folder secured: %ls", folder.c_str());
    return folder + L"\\";
}

#include "console/ServerIdentity.h"

#include "base/Win32Owners.h"
#include "remote/CallerCheck.h"
#include "settings/AppInfo.h"

namespace {

// The long form of a path: a console started through a short (8.3) path
// names its folder so, the server's image is named in full.
std::wstring LongPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameW(path.c_str(), full, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path;
}

bool SelfIsElevatedAdministrator() {
    vt::UniqueHandle process, token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.Put())) return false;
    if (!DuplicateToken(process.Get(), SecurityIdentification, token.Put())) return false;
    return CCallerCheck::TokenIsElevatedAdministrator(token.Get());
}

}  // namespace

bool CServerIdentity::IsRunningVelotune(HANDLE pipe, DWORD& pid, std::string& why) {
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(pipe, &server)) {
        why = "the server's process cannot be named";
        return false;
    }
    pid = server;
    vt::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, server));
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!process || !QueryFullProcessImageNameW(process.Get(), 0, image, &size)) {
        why = "the server's program cannot be read";
        return false;
    }
    const std::wstring expected = LongPath(GetAppFolder() + L"\\Velotune.exe");
    const std::wstring running = LongPath(std::wstring(image, size));
    if (CompareStringOrdinal(running.c_str(), static_cast<int>(running.size()), expected.c_str(),
                             static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL) {
        why = "the server is not Velotune.exe of this folder";
        return false;
    }
    // An unelevated copy of the program could be any code its user put in it.
    if (SelfIsElevatedAdministrator()) {
        vt::UniqueHandle token, identity;
        if (!OpenProcessToken(process.Get(), TOKEN_QUERY | TOKEN_DUPLICATE, token.Put()) ||
            !DuplicateToken(token.Get(), SecurityIdentification, identity.Put()) ||
            !CCallerCheck::TokenIsElevatedAdministrator(identity.Get())) {
            why = "the server is not elevated";
            return false;
        }
    }
    return true;
}

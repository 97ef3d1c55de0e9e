#include "console/ServerIdentity.h"

#include "base/RunningCopy.h"
#include "base/Win32Owners.h"
#include "remote/CallerCheck.h"
#include "settings/AppInfo.h"
#include "settings/ProgramSwitches.h"

namespace {

// The long form of a path: a console started through a short (8.3) path
// names its folder so, the server's image is named in full.
std::wstring LongPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameW(path.c_str(), full, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The running copy's process id as the guard names it; 0 when this console
// cannot tell (no copy holds it, or only administrators may read it: a
// reader's handle would keep a dying holder's file, and with it the next
// start, waiting). The test switch makes the console such a reader.
DWORD GuardHolder() {
    if (ProgramSwitches::IsSet(L"TEST_CALLER_NOT_ADMIN")) return 0;
    return vt::ReadGuardHolder(vt::MachineGuardPath());
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
    const std::wstring running = LongPath(std::wstring(image, size));
    // Read with the server's process held open: its id cannot pass to
    // another process meanwhile.
    const DWORD holder = GuardHolder();
    if (holder != 0) {
        // Only an administrator's process can hold the guard and write the
        // id into it: the server is that process, from any folder.
        const size_t slash = running.find_last_of(L'\\');
        if (server != holder) {
            why = "the server is not the running copy the machine's guard names (process " + std::to_string(holder) +
                  ")";
            return false;
        }
        if (!SamePath(slash == std::wstring::npos ? running : running.substr(slash + 1), L"Velotune.exe")) {
            why = "the server is not a Velotune.exe";
            return false;
        }
    } else if (!SamePath(running, LongPath(GetAppFolder() + L"\\Velotune.exe"))) {
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

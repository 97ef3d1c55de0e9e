#include "remote/CallerCheck.h"

#include "base/Win32Owners.h"
#include "log/BaseLog.h"

bool CCallerCheck::TokenIsElevatedAdministrator(HANDLE token) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return false;
    BOOL member = FALSE;
    return CheckTokenMembership(token, sid, &member) && member;
}

bool CCallerCheck::IsElevatedAdministrator(HANDLE pipe) {
    if (!ImpersonateNamedPipeClient(pipe)) {
        VLOG("command pipe: the caller cannot be identified (error %lu)", GetLastError());
        return false;
    }
    vt::UniqueHandle token;
    const bool opened = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put());
    const DWORD error = GetLastError();
    // Nothing else may run under the caller's identity: a thread that cannot
    // come back to the program's own ends the program.
    if (!RevertToSelf()) TerminateProcess(GetCurrentProcess(), ERROR_ACCESS_DENIED);
    if (!opened) {
        VLOG("command pipe: the caller's token cannot be read (error %lu)", error);
        return false;
    }
    return TokenIsElevatedAdministrator(token.Get());
}

#pragma once
// Who is on the other end of the command pipe: only an administrator whose
// token is elevated may change the clock. The check impersonates the client
// at the identification level its connection allows, reads its token and
// comes straight back to the program's own.
#include <windows.h>

class CCallerCheck {
public:
    // The client of `pipe` is an enabled member of the Administrators group
    // (a filtered token holds the group for deny only, and fails).
    static bool IsElevatedAdministrator(HANDLE pipe);
    // The same rule on a token already in hand (an impersonation token).
    static bool TokenIsElevatedAdministrator(HANDLE token);
};

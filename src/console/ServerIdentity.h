#pragma once
// Whether the process at the other end of the command pipe is the running
// Velotune, before anything is written to it: any process may have made a
// pipe of that name first. It must run Velotune.exe from this program's own
// folder (which only administrators can change once installed) and, when
// this console is elevated, be elevated itself.
#include <windows.h>

#include <string>

class CServerIdentity {
public:
    // `pid` receives the server's process id; `why` says what failed.
    static bool IsRunningVelotune(HANDLE pipe, DWORD& pid, std::string& why);
};

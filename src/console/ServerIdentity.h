#pragma once
// Whether the process at the other end of the command pipe is the running
// Velotune, before anything is written to it: any process may have made a
// pipe of that name first. Where this console may read the machine's guard
// file (an administrator's: the file lets in no one else), the server must
// be the process the guard names, a Velotune.exe from whichever install
// folder (the x86 and the x64 copies share the one guard). Elsewhere it
// must run Velotune.exe from this program's own folder (which only
// administrators can change once installed). An elevated console also
// wants an elevated server.
#include <windows.h>

#include <string>

class CServerIdentity {
public:
    // `pid` receives the server's process id; `why` says what failed.
    static bool IsRunningVelotune(HANDLE pipe, DWORD& pid, std::string& why);
};

#pragma once
// Runs a program together with every process it starts, in a job object, and
// waits until all of them have ended. An NSIS uninstaller hands its work to a
// copy of itself in the temporary folder and ends at once; only the job
// tells when the copy (and the program it runs) is done.
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"

class CJobRun {
public:
    // Exit code of the started program once the whole job has ended; -1 when
    // it could not be started or the job outlived `timeoutMs` (the job's
    // processes are then ended).
    static int Run(const std::wstring& commandLine, DWORD timeoutMs);

private:
    // The program started and in `job`, running; empty when it could not be.
    static vt::UniqueHandle StartInJob(HANDLE job, const std::wstring& commandLine);
    static bool WaitJobEmpty(HANDLE job, DWORD timeoutMs);
};

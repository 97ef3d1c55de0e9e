#include "JobRun.h"

#include <cstdio>
#include <vector>

namespace {

// A run that fails on our side, not the program's: say where, so that the
// test's -1 can be told from an exit code.
int Failed(const char* step, const std::wstring& commandLine) {
    const DWORD error = GetLastError();
    fprintf(stderr, "job run: %s failed (error %lu): %ls\n", step, error, commandLine.c_str());
    return -1;
}

// Which programs kept the job from ending, by process id and path.
void PrintLeftInJob(HANDLE job) {
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[63];
    } ids = {};
    ids.list.NumberOfAssignedProcesses = 64;
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof(ids), nullptr)) return;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
        const DWORD pid = static_cast<DWORD>(ids.list.ProcessIdList[i]);
        wchar_t path[MAX_PATH] = L"?";
        DWORD size = MAX_PATH;
        vt::UniqueHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (p) QueryFullProcessImageNameW(p.Get(), 0, path, &size);
        fprintf(stderr, "job run: still running: %lu %ls\n", static_cast<unsigned long>(pid), path);
    }
}

}  // namespace

int CJobRun::Run(const std::wstring& commandLine, DWORD timeoutMs) {
    // The first window of a fresh prefix has Wine start the desktop's
    // process (explorer.exe), which lives as long as the prefix's server.
    // Started by a program in the job, it is in the job too, and the job
    // never ends: the desktop is asked for here, outside the job.
    GetDesktopWindow();
    vt::UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return Failed("CreateJobObject", commandLine);
    // A start refused on our side is tried once more; both refusals are
    // printed, so a machine that keeps refusing still fails the test.
    vt::UniqueHandle process = StartInJob(job.Get(), commandLine);
    if (!process) process = StartInJob(job.Get(), commandLine);
    if (!process) return -1;
    const DWORD start = GetTickCount();
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        const int rc = Failed("waiting for the program", commandLine);
        TerminateJobObject(job.Get(), 99);
        return rc;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    if (code == 0xFFFFFFFFu) fprintf(stderr, "job run: the program's own exit code is -1: %ls\n", commandLine.c_str());
    const DWORD spent = GetTickCount() - start;
    if (!WaitJobEmpty(job.Get(), timeoutMs > spent ? timeoutMs - spent : 0)) {
        const int rc = Failed("waiting for the programs it started", commandLine);
        PrintLeftInJob(job.Get());
        TerminateJobObject(job.Get(), 99);
        return rc;
    }
    return static_cast<int>(code);
}

vt::UniqueHandle CJobRun::StartInJob(HANDLE job, const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
        Failed("CreateProcess", commandLine);
        return vt::UniqueHandle();
    }
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    // Suspended until it is in the job, so that nothing it starts escapes.
    if (!AssignProcessToJobObject(job, process.Get())) {
        Failed("AssignProcessToJobObject", commandLine);
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), INFINITE);
        return vt::UniqueHandle();
    }
    ResumeThread(thread.Get());
    return process;
}

bool CJobRun::WaitJobEmpty(HANDLE job, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof(info), nullptr))
            return false;
        if (info.ActiveProcesses == 0) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
}

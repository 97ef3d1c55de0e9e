#include "JobRun.h"

#include <vector>

int CJobRun::Run(const std::wstring& commandLine, DWORD timeoutMs) {
    vt::UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return -1;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi))
        return -1;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    // Suspended until it is in the job, so that nothing it starts escapes.
    if (!AssignProcessToJobObject(job.Get(), process.Get())) {
        TerminateProcess(process.Get(), 99);
        return -1;
    }
    ResumeThread(thread.Get());
    const DWORD start = GetTickCount();
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateJobObject(job.Get(), 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    const DWORD spent = GetTickCount() - start;
    if (!WaitJobEmpty(job.Get(), timeoutMs > spent ? timeoutMs - spent : 0)) {
        TerminateJobObject(job.Get(), 99);
        return -1;
    }
    return static_cast<int>(code);
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

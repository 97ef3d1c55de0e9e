// Start-up, memory and idle cost of the real program against a bare popup
// program, started the same way under the same Wine in the same run.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L"\\/"));
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

struct Child {  // a started program, ended when the benchmark is done
    PROCESS_INFORMATION pi = {};
    double started = 0;
    bool Start(const std::wstring& exe) {
        std::wstring cmd = L"\"" + exe + L"\"";
        std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        started = Now();
        return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi) != FALSE;
    }
    ~Child() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
};

// Seconds from start until the window of `cls` is visible, or -1.
double WaitForWindow(const Child& child, const wchar_t* cls) {
    while (Now() - child.started < 60) {
        HWND w = FindWindowW(cls, nullptr);
        if (w && IsWindowVisible(w)) return Now() - child.started;
        Sleep(2);
    }
    return -1;
}

// Seconds from start until the log shows the first frequency reading, or -1.
double WaitForLogLine(const Child& child, const std::wstring& log, const char* text) {
    while (Now() - child.started < 60) {
        HANDLE h = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            std::string bytes;
            char buf[65536];
            DWORD got;
            while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got) bytes.append(buf, got);
            CloseHandle(h);
            if (bytes.find(text) != std::string::npos) return Now() - child.started;
        }
        Sleep(5);
    }
    return -1;
}

}  // namespace

int main() {
    const std::wstring here = Folder();
    const std::wstring dist = here.substr(0, here.find_last_of(L'\\')) + L"\\dist";
    Child bare, app;
    if (!bare.Start(here + L"\\baseline\\bare_popup.exe")) return std::printf("cannot start the baseline\n"), 1;
    double bareShown = WaitForWindow(bare, L"VelotuneBareBaseline");
    if (!app.Start(dist + L"\\Velotune.exe")) return std::printf("cannot start Velotune.exe\n"), 1;
    double appShown = WaitForWindow(app, L"Velotune");
    double appReading = WaitForLogLine(app, dist + L"\\log\\Velotune.log", "CMainFrame::FrequencyChange");

    std::printf("start-up to window shown: Velotune %.3f s, bare popup %.3f s, ratio %.2f (target <= 2)\n",
                appShown, bareShown, bareShown > 0 ? appShown / bareShown : 0.0);
    std::printf("start-up to first frequency reading: Velotune %.3f s (%.2f x the bare popup's start)\n",
                appReading, bareShown > 0 ? appReading / bareShown : 0.0);

    // Wine does not report another process's memory or processor time, so
    // the benchmark script reads them from the Linux side while both idle.
    std::printf("idle phase: Velotune and the bare popup stay up for 75 s\n");
    std::fflush(stdout);
    Sleep(75000);

    if (HWND w = FindWindowW(L"Velotune", nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (HWND w = FindWindowW(L"VelotuneBareBaseline", nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
    return 0;
}

// Start-up of the real program against a bare popup program, started the
// same way under the same Wine: a warm-up start of each, then pairs in
// alternating order, so that neither pays the cold costs or the machine's
// drift alone. Then both stay up side by side for the idle figures, with
// the floors those are judged against (the plainest programs that do what
// idle Velotune does); scripts/bench-idle.sh reads them from the Linux side.
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "BenchStats.h"

namespace {

constexpr int kPairs = 7;
constexpr double kGiveUpSeconds = 60;
constexpr double kShownRatioTarget = 1.1;
constexpr double kReadingTarget = 1.5;  // seconds from start
constexpr DWORD kIdlePhaseMs = 75000;   // 10 s settling, one idle minute, a margin
constexpr DWORD kHiddenPhaseMs = 70000; // one minute hidden, a margin on each side

const wchar_t kAppClass[] = L"Velotune";
const wchar_t kBareClass[] = L"VelotuneBareBaseline";
const wchar_t kReadingFloorClass[] = L"VelotuneReadingFloor";
const wchar_t kWalkFloorClass[] = L"VelotuneWalkFloor";
const wchar_t kWalksFloorClass[] = L"VelotuneWalksFloor";
// Logged by the main window when a monitor reading reaches the dial.
const char kReadingLine[] = "CMainFrame::FrequencyChange";

// A started program: its window is looked up by class and process, and it
// is closed the way a user closes it, or ended when it will not go.
class Child {
public:
    Child(std::wstring exe, const wchar_t* windowClass) : m_exe(std::move(exe)), m_class(windowClass) {}
    ~Child() { Close(); }

    bool Start() {
        std::wstring cmd = L"\"" + m_exe + L"\"";
        std::wstring dir = m_exe.substr(0, m_exe.find_last_of(L'\\'));
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        m_started = BenchNow();
        return CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &m_pi) != FALSE;
    }

    // Seconds from start until this process's window is visible (or, for a
    // window never shown, there), or -1.
    double WaitShown(bool visible = true) const {
        while (BenchNow() - m_started < kGiveUpSeconds) {
            if (HWND w = Window(); w && (!visible || IsWindowVisible(w))) return BenchNow() - m_started;
            if (WaitForSingleObject(m_pi.hProcess, 2) == WAIT_OBJECT_0) return -1;
        }
        return -1;
    }

    // Seconds from start until `text` appears in the file, or -1.
    double WaitLogLine(const std::wstring& log, const char* text) const {
        std::string bytes;
        while (BenchNow() - m_started < kGiveUpSeconds) {
            HANDLE h = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                // Only what was added since the last look is read.
                LARGE_INTEGER at;
                at.QuadPart = (LONGLONG)bytes.size();
                SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
                char buf[16384];
                DWORD got;
                while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got) bytes.append(buf, got);
                CloseHandle(h);
                if (bytes.find(text) != std::string::npos) return BenchNow() - m_started;
            }
            if (WaitForSingleObject(m_pi.hProcess, 5) == WAIT_OBJECT_0) return -1;
        }
        return -1;
    }

    // WM_CLOSE to the window, then the process's end; false when it had to be ended.
    bool Close() {
        if (!m_pi.hProcess) return true;
        bool clean = true;
        if (HWND w = Window()) PostMessageW(w, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_pi.hProcess, 15000) != WAIT_OBJECT_0) {
            TerminateProcess(m_pi.hProcess, 1);
            WaitForSingleObject(m_pi.hProcess, 5000);
            clean = false;
        }
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
        m_pi = {};
        return clean;
    }

    // The program's main window, or null.
    HWND Window() const {
        for (HWND w = FindWindowExW(nullptr, nullptr, m_class, nullptr); w;
             w = FindWindowExW(nullptr, w, m_class, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == m_pi.dwProcessId) return w;
        }
        return nullptr;
    }

private:
    std::wstring m_exe;
    const wchar_t* m_class;
    PROCESS_INFORMATION m_pi = {};
    double m_started = 0;
};

struct Paths {
    std::wstring app, bare, log, simState;
    std::wstring readingFloor, walkFloor, walksFloor, readingFloorLog, walkFloorLog, walksFloorLog;
};

// Every start finds the same processor (at stock, from a state file of the
// benchmark's own) and an empty log, so no run restores an earlier one's
// overclock or waits for a bigger file.
void FreshStart(const Paths& paths) {
    DeleteFileW(paths.simState.c_str());
    DeleteFileW(paths.log.c_str());
}

struct AppRun {
    double shown = -1, reading = -1;
};

bool RunApp(const Paths& paths, AppRun& run) {
    FreshStart(paths);
    Child app(paths.app, kAppClass);
    if (!app.Start()) return false;
    run.shown = app.WaitShown();
    run.reading = app.WaitLogLine(paths.log, kReadingLine);
    bool closed = app.Close();
    return closed && run.shown > 0 && run.reading > 0;
}

bool RunBare(const Paths& paths, double& shown) {
    Child bare(paths.bare, kBareClass);
    if (!bare.Start()) return false;
    shown = bare.WaitShown();
    return bare.Close() && shown > 0;
}

void PrintStartUp(const std::vector<double>& appShown, const std::vector<double>& bareShown,
                  const std::vector<double>& appReading) {
    std::vector<double> shownRatio, readingRatio;
    for (size_t i = 0; i < appShown.size(); ++i) {
        shownRatio.push_back(appShown[i] / bareShown[i]);
        readingRatio.push_back(appReading[i] / bareShown[i]);
    }
    const Spread ratio = SpreadOf(shownRatio), reading = SpreadOf(appReading);
    std::printf("start until the window is shown: Velotune %s s, bare popup %s s, ratio %s; target <= %.1f: %s\n",
                Describe(SpreadOf(appShown), "%.3f").c_str(), Describe(SpreadOf(bareShown), "%.3f").c_str(),
                Describe(ratio, "%.2f").c_str(), kShownRatioTarget, Verdict(ratio.median <= kShownRatioTarget));
    std::printf("start until the first frequency reading is drawn: Velotune %s s, ratio to the bare popup's "
                "window %s; target <= %.1f s: %s\n",
                Describe(reading, "%.3f").c_str(), Describe(SpreadOf(readingRatio), "%.2f").c_str(), kReadingTarget,
                Verdict(reading.median <= kReadingTarget));
}

// Nobody touches an idle program: the pointer rests in a corner of the
// screen that no window covers.
void RestPointerAway(std::initializer_list<HWND> windows) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    for (POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}}) {
        bool covered = false;
        for (HWND window : windows) {
            RECT rc;
            if (window && GetWindowRect(window, &rc) && InflateRect(&rc, 8, 8) && PtInRect(&rc, corner)) covered = true;
        }
        if (!covered) {
            SetCursorPos(corner.x, corner.y);
            return;
        }
    }
}

}  // namespace

int main() {
    const std::wstring here = BenchFolder();
    const std::wstring dist = here.substr(0, here.find_last_of(L'\\')) + L"\\dist";
    const std::wstring baseline = here + L"\\baseline\\";
    Paths paths{dist + L"\\Velotune.exe",
                baseline + L"bare_popup.exe",
                dist + L"\\log\\Velotune.log",
                dist + L"\\OverclockingSdkWrapper.state",  // the library's own, emptied before each start
                baseline + L"reading_floor.exe",
                baseline + L"walk_floor.exe",
                baseline + L"walks_floor.exe",
                baseline + L"log\\ReadingFloor.log",
                baseline + L"log\\WalkFloor.log",
                baseline + L"log\\WalksFloor.log"};

    // Warm-up: one start of each, not counted.
    AppRun warm;
    double warmBare = 0;
    if (!RunBare(paths, warmBare) || !RunApp(paths, warm)) {
        std::printf("warm-up failed: a program did not start, show its window or close\n");
        return 1;
    }
    std::vector<double> appShown, bareShown, appReading;
    for (int pair = 0; pair < kPairs; ++pair) {
        AppRun run;
        double bare = 0;
        bool ok = (pair % 2 == 0) ? RunApp(paths, run) && RunBare(paths, bare)
                                  : RunBare(paths, bare) && RunApp(paths, run);
        if (!ok) {
            std::printf("pair %d failed: a program did not start, show its window or close\n", pair + 1);
            return 1;
        }
        appShown.push_back(run.shown);
        bareShown.push_back(bare);
        appReading.push_back(run.reading);
    }
    std::printf("%d pairs after a warm-up, alternating; median (min-max):\n", kPairs);
    PrintStartUp(appShown, bareShown, appReading);

    // Idle side by side with the popup and the floors, in the same seconds,
    // so that the machine's drift falls on all alike; the script finds each
    // by its path and counts the readings and walks in its log.
    FreshStart(paths);
    DeleteFileW(paths.readingFloorLog.c_str());
    DeleteFileW(paths.walkFloorLog.c_str());
    DeleteFileW(paths.walksFloorLog.c_str());
    Child app(paths.app, kAppClass), bare(paths.bare, kBareClass);
    Child readingFloor(paths.readingFloor, kReadingFloorClass), walkFloor(paths.walkFloor, kWalkFloorClass);
    Child walksFloor(paths.walksFloor, kWalksFloorClass);
    if (!app.Start() || !bare.Start() || !readingFloor.Start() || !walkFloor.Start() || !walksFloor.Start() ||
        app.WaitShown() < 0 || bare.WaitShown() < 0 || readingFloor.WaitShown(false) < 0 || walkFloor.WaitShown() < 0 ||
        walksFloor.WaitShown() < 0) {
        std::printf("idle phase: a program did not start\n");
        return 1;
    }
    RestPointerAway({app.Window(), bare.Window(), walkFloor.Window(), walksFloor.Window()});
    std::printf("idle phase: Velotune, the bare popup and the floors stay up for %lu s\n", kIdlePhaseMs / 1000);
    std::fflush(stdout);
    Sleep(kIdlePhaseMs);
    // Then hidden, as to the tray: the window goes, the readings go on. The
    // bare popup stays as it was; hidden, it would cost nothing at all.
    HWND window = app.Window();
    if (!window || !ShowWindow(window, SW_HIDE)) {
        std::printf("hidden phase: Velotune's window could not be hidden\n");
        return 1;
    }
    std::printf("hidden phase: Velotune's window hidden for %lu s\n", kHiddenPhaseMs / 1000);
    std::fflush(stdout);
    Sleep(kHiddenPhaseMs);
    const bool closed = app.Close() && bare.Close();
    return closed && readingFloor.Close() && walkFloor.Close() && walksFloor.Close() ? 0 : 1;
}

#include "support/AppUnderTest.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "duilib/DuiMessages.h"
#include "mainframe/MenuTask.h"
#include "state/WindowMessages.h"
#include "support/ChildRun.h"
#include "support/ScreenProbe.h"
#include "support/LogFile.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"
#include "support/TopWindows.h"
#include "support/WaitUntil.h"

namespace fs = std::filesystem;

namespace {

std::wstring MakeFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"vt_app_" + std::to_wstring(GetCurrentProcessId());
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::copy(TestPaths::DistDir(), folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    // The copy's own switches, for every run: the simulated processor keeps
    // its state in a file of the test's, and a test never restarts the machine.
    WriteStandInSwitch(folder + L"\\OverclockingSdkWrapper.ini", L"StandIn", L"STATE", L"test_app.state");
    WriteStandInSwitch(folder + L"\\Velotune.switches.ini", L"Switches", L"NO_REBOOT", L"1");
    return folder;
}

// "*": any shown window but the main one (and a tooltip, which comes and
// goes with the pointer).
std::vector<HWND> WindowsOfClass(DWORD pid, const wchar_t* cls) {
    if (cls[0] != L'*') return TopWindowsOf(pid, cls);
    std::vector<HWND> shown;
    for (HWND hwnd : TopWindowsOf(pid))
        if (IsWindowVisible(hwnd) && ClassOf(hwnd) != L"Velotune" && ClassOf(hwnd) != L"tooltips_class32")
            shown.push_back(hwnd);
    return shown;
}

}  // namespace

CAppUnderTest::CAppUnderTest() {}

CAppUnderTest::~CAppUnderTest() {
    // A failed test must never leave a program behind that blocks CTest.
    for (const vt::UniqueHandle& process : m_processes) {
        if (WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.Get(), 99);
            WaitForSingleObject(process.Get(), 5000);
        }
    }
    // Switches end after the programs that read them, newest first.
    while (!m_switches.empty()) m_switches.pop_back();
}

void CAppUnderTest::UseProfile(const std::wstring& profile) {
    m_switches.push_back(
        std::make_unique<ScopedStandInSwitch>(L"OverclockingSdkWrapper", L"PROFILE", profile, Folder()));
}

void CAppUnderTest::UseSwitch(const std::wstring& key, const std::wstring& value) {
    m_switches.push_back(std::make_unique<ScopedProgramSwitch>(key, value, Folder()));
}

const std::wstring& CAppUnderTest::Folder() {
    static const std::wstring folder = MakeFolder();
    return folder;
}

std::wstring CAppUnderTest::StatePath() { return Folder() + L"\\test_app.state"; }
std::wstring CAppUnderTest::LogPath() { return Folder() + L"\\log\\Velotune.log"; }

bool CAppUnderTest::Start(const std::wstring& args) {
    // Each test reads only its own run's lines (a rename of the previous
    // log within the same second would append instead).
    if (m_processes.empty()) DeleteFileW(LogPath().c_str());
    PROCESS_INFORMATION pi;
    if (!ChildRun::Start(Folder() + L"\\Velotune.exe", args.empty() ? L"" : L" " + args, Folder(), 0, pi))
        return false;
    vt::UniqueHandle thread(pi.hThread);
    m_processes.emplace_back(pi.hProcess);
    m_pids.push_back(pi.dwProcessId);
    return true;
}

int CAppUnderTest::WaitExit(DWORD timeoutMs) {
    if (m_processes.empty()) return -1;
    HANDLE h = m_processes.back().Get();
    if (WaitForSingleObject(h, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(h, &code);
    return (int)code;
}

HWND CAppUnderTest::WaitWindowOfClass(size_t i, const wchar_t* cls, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = ::WindowsOfClass(m_pids[i], cls);
        if (!found.empty()) return found.front();
        if (GetTickCount() - start > timeoutMs) return nullptr;
        if (WaitForSingleObject(m_processes[i].Get(), 50) == WAIT_OBJECT_0) return nullptr;
    }
}

int CAppUnderTest::WindowsOfClass(size_t i, const wchar_t* cls) const {
    return (int)::WindowsOfClass(m_pids[i], cls).size();
}

HWND CAppUnderTest::WaitMainWindow(size_t i, DWORD timeoutMs) { return WaitWindowOfClass(i, L"Velotune", timeoutMs); }

std::string CAppUnderTest::ReadLog() { return LogFile(LogPath()).Text(); }

int CAppUnderTest::CountInLog(const std::string& needle) { return LogFile(LogPath()).Count(needle); }

bool CAppUnderTest::WaitLog(const std::string& needle, DWORD timeoutMs, int count) {
    return LogFile(LogPath()).Wait(needle, timeoutMs, count);
}

namespace {
INPUT MoveInput(HWND hwnd, POINT client) {
    POINT pt = client;
    ClientToScreen(hwnd, &pt);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = (pt.x * 65535 + w / 2) / (w - 1);
    move.mi.dy = (pt.y * 65535 + h / 2) / (h - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return move;
}
}  // namespace

void CAppUnderTest::MoveTo(HWND hwnd, POINT client) {
    INPUT move = MoveInput(hwnd, client);
    SendInput(1, &move, sizeof(INPUT));
}

void CAppUnderTest::Click(HWND hwnd, POINT client, int times) {
    INPUT move = MoveInput(hwnd, client);
    // The pointer arrives first, as a user's does, so the first press lands
    // on a window that already knows where the mouse is.
    SetForegroundWindow(hwnd);
    SendInput(1, &move, sizeof(INPUT));
    Sleep(200);  // no condition: nothing outside the program shows it has taken the move
    std::vector<INPUT> in;
    for (int i = 0; i < times; ++i) {
        INPUT down = move, up = move;
        down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
        up.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
        in.push_back(down);
        in.push_back(up);
    }
    SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
}

POINT CAppUnderTest::LayoutCentre(const std::vector<std::wstring>& chain) {
    std::string xml = TestPaths::ReadFileBytes(Folder() + L"\\skin\\Velotune_xml\\MainFrame.xml");
    RECT total = {0, 0, 0, 0};
    for (const std::wstring& name : chain) {
        std::string key = "name=\"" + TestPaths::Narrow(name) + "\"";
        size_t at = xml.find(key);
        size_t pos = at == std::string::npos ? at : xml.find("pos=\"", at);
        if (pos == std::string::npos) return POINT{-1, -1};
        RECT r = {};
        if (sscanf(xml.c_str() + pos + 5, "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom) != 4)
            return POINT{-1, -1};
        total = RECT{total.left + r.left, total.top + r.top, total.left + r.right, total.top + r.bottom};
    }
    return POINT{(total.left + total.right) / 2, (total.top + total.bottom) / 2};
}

double CAppUnderTest::ActiveValue(const wchar_t* id) {
    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"Active", id, L"", text, 63, StatePath().c_str());
    return text[0] ? _wtof(text) : -1.0;
}

int CAppUnderTest::Console(const std::wstring& args, std::string& output) {
    return static_cast<int>(ChildRun::ExitCodeAndOutput(Folder() + L"\\Velotune.com", L" " + args, Folder(), output));
}

int CAppUnderTest::SimCpu(const wchar_t* command) {
    return static_cast<int>(ChildRun::ExitCodeOf(Folder() + L"\\simcpu.exe", std::wstring(L" ") + command, Folder()));
}

bool CAppUnderTest::Activate(HWND hwnd) {
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == hwnd) return true;
            SetForegroundWindow(hwnd);
            return false;
        },
        30000);
}

HWND CAppUnderTest::StartReady(const std::wstring& args) {
    constexpr DWORD kWait = 30000;  // safety net only
    if (!Start(args)) return nullptr;
    HWND hwnd = WaitMainWindow(0, kWait);
    if (!hwnd || !WaitLog("CMainFrame::InitViewInfo Exit", kWait)) return nullptr;
    return hwnd;
}

int CAppUnderTest::CloseAndWaitExit(HWND hwnd) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return WaitExit(30000);
}

HWND CAppUnderTest::OpenTrayMenu(HWND hwnd) {
    // A menu closes when it loses activation; under Wine a window activated
    // just before (the corner, a dialog gone) can take it back late, before
    // the menu takes clicks. Such a menu is opened again; so is one the
    // program refused because its icon had moved from under the pointer.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int taken = CountInLog("menu takes clicks");
        const int refused = CountInLog("tray menu not opened");
        // The icon is added again with every status change: wait for it.
        if (!WaitUntil(PointAtTrayIcon, 30000)) return nullptr;
        PostMessageW(hwnd, UM_SHOW_TRAY_MENU, 0, 0);
        HWND menu = nullptr;
        WaitUntil([&] {
            menu = WaitWindowOfClass(0, L"DuiLibMenu", 0);
            return menu || CountInLog("tray menu not opened") > refused;
        }, 30000);
        if (!menu && CountInLog("tray menu not opened") > refused) continue;
        if (!menu) return nullptr;
        WaitUntil([&] { return CountInLog("menu takes clicks") > taken || !IsWindow(menu); }, 30000);
        if (IsWindow(menu) && CountInLog("menu takes clicks") > taken && WaitUntil([&] { return ShowsItsFrame(menu); }, 30000))
            return menu;
        WaitUntil([&] { return !IsWindow(menu); }, 30000);
    }
    return nullptr;
}

bool CAppUnderTest::WaitMenuTakesClicks(int takenBefore) {
    return WaitLog("menu takes clicks", 30000, takenBefore + 1);
}

void CAppUnderTest::AskForAction(HWND hwnd) { PostMessageW(hwnd, DuiLib::DUI_MSG_MENU_CLICK, kMenuRowAction, 0); }

void CAppUnderTest::PressChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> in;
    for (WORD k : keys) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        in.push_back(i);
    }
    for (auto k = keys.end(); k != keys.begin();) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *--k;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
}

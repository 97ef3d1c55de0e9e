#pragma once
// Runs the real Velotune.exe from a private copy of the dist folder and
// watches what it leaves behind: its log, the simulated processor's state
// file, its window. Whatever it started is ended when the object goes.
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "support/StandInSwitch.h"

class CAppUnderTest : private vt::NonCopyable {
public:
    CAppUnderTest();
    ~CAppUnderTest();

    // The copy of the dist folder every run uses (made once per test program).
    static const std::wstring& Folder();
    static std::wstring StatePath();
    static std::wstring LogPath();

    // Switches in the copy, from now until this object goes: the simulated
    // processor's profile (relative to the copy, or a full path inside it)...
    void UseProfile(const std::wstring& profile);
    // ... and one of the program's test switches ("Velotune.switches.ini").
    void UseSwitch(const std::wstring& key, const std::wstring& value);

    // Starts Velotune.exe with `args`; false when it could not be started.
    bool Start(const std::wstring& args = L"");
    // Waits for the last started process; its exit code, or -1 on timeout.
    int WaitExit(DWORD timeoutMs);
    // Starts the program and waits until its window shows the processor; the
    // main window, or null.
    HWND StartReady(const std::wstring& args = L"");
    // Closes the main window the way its close button does; the exit code.
    int CloseAndWaitExit(HWND hwnd);
    DWORD Pid(size_t i) const { return m_pids[i]; }
    HANDLE Process(size_t i) const { return m_processes[i].Get(); }

    // The main window of process i (class "Velotune"), null until timeout.
    HWND WaitMainWindow(size_t i, DWORD timeoutMs);
    // A top-level window of process i with the given class ("*": any shown
    // window but the main one), null until timeout.
    HWND WaitWindowOfClass(size_t i, const wchar_t* cls, DWORD timeoutMs);
    // How many top-level windows of that class process i has now.
    int WindowsOfClass(size_t i, const wchar_t* cls) const;

    // Log text; waits until `needle` appears `count` times, false on timeout.
    static std::string ReadLog();
    static bool WaitLog(const std::string& needle, DWORD timeoutMs, int count = 1);
    static int CountInLog(const std::string& needle);

    // Keys pressed in order, then released in reverse, as a user types a
    // chord, through SendInput.
    static void PressChord(std::initializer_list<WORD> keys);
    // The tray menu of process 0, as another program opens it (the pointer
    // on the tray's icon, where a menu not placed by the shell must be),
    // once painted and taking clicks; null if it did not open.
    HWND OpenTrayMenu(HWND hwnd);
    // Waits for the menu opened last to take clicks (they are ignored at
    // first); `takenBefore`: CountInLog("menu takes clicks") before it opened.
    static bool WaitMenuTakesClicks(int takenBefore);
    // The one-click action, asked for as the setup program asks for the
    // exit: the tray menu's row, posted by a process with the same rights.
    static void AskForAction(HWND hwnd);
    // Left click at a point of the window's client area, through SendInput.
    static void Click(HWND hwnd, POINT client, int times = 1);
    // Moves the pointer to a point of the window's client area, through SendInput.
    static void MoveTo(HWND hwnd, POINT client);
    // Centre of a control of the main layout, from its "pos" and the "pos"
    // of its floating parents given in `chain` (outermost first).
    static POINT LayoutCentre(const std::vector<std::wstring>& chain);

    // Active value of a control in the simulated processor's state file.
    static double ActiveValue(const wchar_t* id);
    // Runs simcpu.exe of the copy with `command` on the test's state file;
    // its exit code, or -1.
    static int SimCpu(const wchar_t* command);
    // Runs Velotune.com of the copy with `args` to its end: its exit code,
    // and what it printed (UTF-8 when redirected, as here).
    static int Console(const std::wstring& args, std::string& output);
    // Makes the window the foreground one, so that typed keys reach it.
    static bool Activate(HWND hwnd);

private:
    std::vector<std::unique_ptr<ScopedStandInSwitch>> m_switches;
    std::vector<vt::UniqueHandle> m_processes;
    std::vector<DWORD> m_pids;
};

#pragma once
// A hidden top-level window of the program's class ("Velotune") on a
// thread of its own, in the test process: the running copy's stand-in
// where the test holds the guard too, else a decoy any user could make. It
// counts what is asked of it and ignores it.
#include <windows.h>

#include <atomic>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class CClassWindow : private vt::NonCopyable {
public:
    CClassWindow();
    ~CClassWindow();

    HWND Hwnd() const { return m_hwnd; }
    // The tray menu's exit command (how the setup programs close the program).
    long ExitRequests() const { return m_exitRequests; }
    // The restore command and raises (how a second copy brings it forward).
    long FrontRequests() const { return m_frontRequests; }

private:
    static DWORD WINAPI ThreadMain(void* param);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    vt::UniqueHandle m_created;
    vt::UniqueHandle m_thread;
    HWND m_hwnd = nullptr;
    std::atomic<long> m_exitRequests{0};
    std::atomic<long> m_frontRequests{0};
};

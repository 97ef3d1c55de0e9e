#pragma once
// A Velotune that does not exit when asked: a hidden window of the program's
// class, on a thread of the test process, that counts the tray menu's exit
// commands and ignores them, and the program's single-instance guard.
#include <windows.h>

#include <atomic>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class CStuckApp : private vt::NonCopyable {
public:
    CStuckApp();
    ~CStuckApp();

    // The window is up and the guard is held.
    bool Ready() const { return m_hwnd != nullptr && m_guard.Valid(); }
    long ExitRequests() const { return m_exitRequests; }

private:
    static DWORD WINAPI ThreadMain(void* param);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    vt::UniqueHandle m_guard;
    vt::UniqueHandle m_created;
    vt::UniqueHandle m_thread;
    HWND m_hwnd = nullptr;
    std::atomic<long> m_exitRequests{0};
};

#pragma once
// A Velotune that does not exit when asked: a hidden window of the program's
// class, on a thread of the test process, that counts the tray menu's exit
// commands and ignores them, and the program's two guard files, the
// machine's naming this process as the program names itself.
#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "support/ClassWindow.h"

class CStuckApp : private vt::NonCopyable {
public:
    CStuckApp();

    // The window is up and the guards are held.
    bool Ready() const { return m_window.Hwnd() != nullptr && m_guard.Valid() && m_machineGuard.Valid(); }
    long ExitRequests() const { return m_window.ExitRequests(); }

private:
    vt::UniqueHandle m_guard;
    vt::UniqueHandle m_machineGuard;
    CClassWindow m_window;
};

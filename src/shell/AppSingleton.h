#pragma once
// One instance per machine: a named mutex in the global namespace. A second
// copy brings the first one's window to the front instead of starting.
#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class AppSingleton : private vt::NonCopyable {
public:
    static const wchar_t kMutexName[];
    static const wchar_t kWindowClass[];

    AppSingleton() = default;

    // True when this process is the first instance and holds the mutex.
    // Whatever handle was obtained is kept in either case.
    bool Acquire();
    bool HasHandle() const { return m_hMutex.Valid(); }
    void Close() { m_hMutex.Reset(); }

private:
    static void BringToFront(HWND hwnd);
    vt::UniqueHandle m_hMutex;
};

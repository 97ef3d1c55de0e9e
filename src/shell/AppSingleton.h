#pragma once
// One instance per installation: a guard file in the program's own folder,
// held open with no sharing for the whole run and gone when the process
// ends. A named object would not do: any process of any user can make a
// name in the global namespace first and so keep the program from starting,
// or, as an object of another type, let two copies run. The program's folder
// is one that only an administrator can write once installed, so nobody
// else can make the file first or hold it. A second copy brings the first
// one's window to the front instead of starting.
#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class AppSingleton : private vt::NonCopyable {
public:
    static const wchar_t kGuardFileName[];
    static const wchar_t kWindowClass[];

    AppSingleton() = default;

    // True when this process is the first instance and now holds the guard.
    bool Acquire();
    bool HasHandle() const { return m_hGuard.Valid(); }
    void Close() { m_hGuard.Reset(); }

    // "<program folder>\Velotune.lock".
    static std::wstring GuardPath();

private:
    vt::UniqueHandle m_hGuard;
};

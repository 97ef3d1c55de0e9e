#pragma once
// One instance per machine: a guard file in an administrators' folder under
// ProgramData that every build and install folder shares, held open with no
// sharing for the whole run and gone when the process ends. A named object
// would not do: any process of any user can make a name in the global
// namespace first and so keep the program from starting, or, as an object
// of another type, let two copies run. A second copy brings the first one's
// window to the front instead of starting. The program's own folder keeps
// a guard file too, which the setup program waits for.
#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class AppSingleton : private vt::NonCopyable {
public:
    static const wchar_t kGuardFileName[];
    static const wchar_t kWindowClass[];

    AppSingleton() = default;

    // True when this process is the first instance and now holds the guard
    // (or, not elevated, may not open it and goes on without it).
    bool Acquire();
    bool HasHandle() const { return m_hGuard.Valid(); }
    void Close() {
        m_hGuard.Reset();
        m_hFolderGuard.Reset();
    }

    // "<ProgramData>\Velotune": made, or taken over, admin-only.
    static std::wstring MachineFolder();
    // "<program folder>\Velotune.lock", the setup program's.
    static std::wstring GuardPath();

private:
    // The folder is there, a plain folder, and only administrators hold it.
    static bool SecureFolder(const std::wstring& folder);
    // Another copy runs: its window comes to the front, when it has one.
    // The running copy is the process the guard file names; a window of the
    // class in any other process gets nothing, and is logged.
    static void BringOtherToFront(const std::wstring& guard);
    bool OpenFolderGuard();

    vt::UniqueHandle m_hGuard;
    vt::UniqueHandle m_hFolderGuard;
};

#pragma once
// The one loader of the tuning SDK library per process. The library is
// loaded once and never unloaded: the interface pointers it hands out live
// until the process ends.
#include <windows.h>

#include <atomic>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "tuning/OverclockingSdk.h"

class IOverClockSdkInterface : private vt::NonCopyable {
public:
    static IOverClockSdkInterface* Instance();

    // Loads the library from the program's folder (or the system folder) and
    // resolves its GetInterface export. True once both are there.
    virtual bool LoadDll();
    // The SDK root, asked of the library on every call; null when the
    // library or its export is missing, or when the library has no root.
    virtual IOverclockingSdk* GetInterface();

    // How far bringing the SDK up got.
    enum class BringUp { Ready, NoLibrary, NoRoot, NotInitialised };
    // Loads the library, asks for the root and initialises it (Init, then
    // IsInitOK), each call under the guard: how the processor's reader and
    // the restore without a window both start.
    BringUp BringUpSdk();

    virtual ~IOverClockSdkInterface();

protected:
    // Tests load other files through their own loader objects.
    explicit IOverClockSdkInterface(const wchar_t* libraryName);

private:
    const wchar_t* m_libraryName;
    vt::CriticalSection m_lock;
    HMODULE m_hModule;  // deliberately never freed
    std::atomic<PFN_OverclockingSdkGetInterface> m_GetInterface;
};

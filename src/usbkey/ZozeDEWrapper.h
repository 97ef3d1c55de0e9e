#pragma once
// The USB overclock key's device library "UsbDll.dll": loads it, keeps its
// entry points and starts it. Every entry point is optional; a missing one
// stays empty and its operation is skipped by the caller.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class CZozeDEWrapper : private vt::NonCopyable {
public:
    // The key's callbacks: a type code, an argument we ignore, and where the
    // answer is to be written.
    typedef int(__stdcall* KeyCallback)(int type, int reserved, void* answer);
    typedef int(__stdcall* PFN_Register)(KeyCallback callback, int reserved);
    typedef int(__stdcall* PFN_SetInt)(int value);
    typedef int(__stdcall* PFN_SetFloat)(float value);
    typedef int(__stdcall* PFN_Init)();
    typedef void(__stdcall* PFN_Release)();

    CZozeDEWrapper() = default;

    // True when the library is loaded and its "Init" answered 0.
    bool Init();

protected:
    void Unload();
    // Forgets every entry point and stops owning the module without freeing it.
    void KeepLoadedForGood();

    void ForgetEntryPoints();

    vt::DynamicLibrary m_library;
    PFN_Register m_pfnRegisterOverLock = nullptr;
    PFN_Register m_pfnRegisterGetOverLockState = nullptr;
    PFN_Register m_pfnRegisterGetCPU = nullptr;
    PFN_Register m_pfnRegisterGetMode = nullptr;
    PFN_SetInt m_pfnSetOverLockState = nullptr;
    PFN_SetFloat m_pfnSetFq = nullptr;
    PFN_SetInt m_pfnSetMode = nullptr;
    PFN_Init m_pfnInit = nullptr;
    PFN_Release m_pfnRelease = nullptr;
};

#include "app/SystemDllsOnly.h"

#include <windows.h>
#include <delayimp.h>

#include <cstring>
#include <string>

namespace {

// Asked before each delay-loaded library is loaded: the file is named by its
// full path in the system folder (which also works where the loader lacks
// the search flags of later updates). A library the system folder does not
// have is not looked for anywhere else: the program's own module is handed
// back instead, whose missing function then fails the call as a missing
// import would have failed the start.
FARPROC WINAPI FromSystemFolder(unsigned notify, PDelayLoadInfo info) {
    if (notify != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    char folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    HMODULE module = nullptr;
    if (length > 0 && length < MAX_PATH && !std::strpbrk(info->szDll, "\\/:"))
        module = ::LoadLibraryExA((std::string(folder) + "\\" + info->szDll).c_str(), nullptr, 0);
    if (!module) module = ::GetModuleHandleW(nullptr);
    return reinterpret_cast<FARPROC>(module);
}

}  // namespace

void LoadDelayedDllsFromSystemFolderOnly() { __pfnDliNotifyHook2 = FromSystemFolder; }

#pragma once
// Starts a document through the desktop's own shell (the process that
// draws the desktop, running with the user's ordinary rights), so that
// what opens it, a browser for a web address, does not inherit the
// elevated program's administrator rights. The desktop's folder view hands
// out its shell object, whose ShellExecute runs in the desktop's process.
#include <windows.h>

#include <string>

class CDesktopShell {
public:
    // S_OK once the desktop's shell took the request; otherwise the failing
    // step's result, with *step naming it (nothing was started then).
    static HRESULT Open(const std::wstring& document, const char** step);
};

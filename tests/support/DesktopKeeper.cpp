// Holds the suite's Wine desktop open between test programs. Wine closes a
// desktop a second after its last program has gone; a test program that
// starts in that second finds the desktop on its way out and can create no
// window. This program stays, with one hidden window, until its session's
// wineserver is ended, and says it is there by writing the file named on its
// command line.
#include <windows.h>

#include "base/Win32Owners.h"

int main(int argc, char** argv) {
    HWND hwnd = ::CreateWindowExW(0, L"STATIC", L"desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return 1;
    if (argc > 1) {
        const vt::UniqueFile ready(
            ::CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

#pragma once
// The program runs elevated, and Windows drops what processes of lower
// integrity post or send to its windows. This lets in, on the main window
// alone, the few messages that such processes must be able to deliver.
#include <windows.h>

class CMessageFilter {
public:
    // The shape of user32's ChangeWindowMessageFilterEx.
    typedef BOOL(WINAPI* AllowFn)(HWND hwnd, UINT message, DWORD action, void* status);

    // Lets in what the shell and other programs send the main window `hwnd`;
    // logs each message.
    static void LetInShellMessages(HWND hwnd);
    // Lets `message` in on `hwnd` only; false when refused or not available.
    static bool AllowOnWindow(HWND hwnd, UINT message);
    // Tests: the filter calls go to `fn` instead (null: to the system again).
    static void ReplaceForTest(AllowFn fn);
};

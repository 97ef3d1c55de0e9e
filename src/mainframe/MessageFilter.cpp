#include "mainframe/MessageFilter.h"

#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "state/WindowMessages.h"

namespace {

constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW

CMessageFilter::AllowFn g_replacement = nullptr;

}  // namespace

void CMessageFilter::LetInShellMessages(HWND hwnd) {
    // Only these, and only on this window (never the process-wide filter):
    // - UM_TRAY_NOTIFY: the shell, an ordinary user's process, posts the
    //   icon's clicks with it;
    // - "TaskbarCreated": the shell broadcasts it when it (re)starts and every
    //   icon is gone; without it the icon of an elevated copy never comes back;
    // - UM_SETFOREGROUNDWINDOW and UM_SHOW_TRAY_MENU, which other programs
    //   send: they bring the window forward, or open the menu at the icon
    //   exactly as the icon's own callback does (never where the sender
    //   says, and its rows take no click at first), so they reach nothing
    //   the callback does not.
    // The setup program and a second copy of this program run elevated too:
    // their exit command and restore request need no opening.
    const UINT messages[] = {UM_TRAY_NOTIFY, ::RegisterWindowMessageW(L"TaskbarCreated"), UM_SETFOREGROUNDWINDOW,
                             UM_SHOW_TRAY_MENU};
    for (UINT message : messages) {
        if (message == 0) continue;
        if (AllowOnWindow(hwnd, message)) VLOG("message filter: message %u let in on the main window", message);
        else VLOG("message filter: message %u not let in (error %lu)", message, ::GetLastError());
    }
}

bool CMessageFilter::AllowOnWindow(HWND hwnd, UINT message) {
    AllowFn allow = g_replacement;
    if (!allow) allow = vt::ProcAddress<AllowFn>(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx");
    return allow && allow(hwnd, message, kAllow, nullptr) != FALSE;
}

void CMessageFilter::ReplaceForTest(AllowFn fn) { g_replacement = fn; }

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
    //   icon is gone; without it the icon of an elevated copy never comes back.
    // The setup program and a second copy of this program run elevated too:
    // their exit command and restore request need no opening. Nothing outside
    // posts UM_SETFOREGROUNDWINDOW or UM_SHOW_TRAY_MENU, so they stay closed.
    const UINT messages[] = {UM_TRAY_NOTIFY, ::RegisterWindowMessageW(L"TaskbarCreated")};
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

#include "mainframe/TrayCommands.h"

#include <windowsx.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "duilib/PaintManagerUI.h"
#include "duilib/Visibility.h"
#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"

namespace {

const wchar_t kTrayTip[] = L"Velotune";
const UINT kIconNormal = 134;       // status 0 and 3
const UINT kIconOverclocked = 107;  // status 1 and 2

}  // namespace

NOTIFYICONDATAW CTrayCommands::Data() const {
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = GetAppState().hMainWnd ? GetAppState().hMainWnd : m_hWnd;
    nid.uID = kIconId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = UM_TRAY_NOTIFY;
    LONG status = GetAppState().nStatus;
    HINSTANCE inst = DuiLib::CPaintManagerUI::GetInstance();
    if (status == STATUS_OVERCLOCK_ING || status == STATUS_OVERCLOCK_OK)
        nid.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(kIconOverclocked));
    else if (status == STATUS_OVERCLOCK_INIT || status == STATUS_REOVERCLOCK_ING)
        nid.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(kIconNormal));
    lstrcpynW(nid.szTip, kTrayTip, 128);
    return nid;
}

bool CTrayCommands::IsTaskbarCreated(UINT message) {
    static const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message != 0 && message == taskbarCreated;
}

void CTrayCommands::OnTaskbarCreated() {
    // Anyone can send the broadcast: a flood of them is one re-add, after
    // the ones already queued, and never a shell call on the window's thread.
    if (m_reAddsAsked++ == 0 && !::PostMessageW(m_hWnd, UM_TRAY_READD, 0, 0)) OnReAdd();
}

void CTrayCommands::OnReAdd() {
    VLOG("TaskbarCreated: tray icon added again (%u broadcasts)", m_reAddsAsked);
    m_reAddsAsked = 0;
    m_icon.ReplaceLater(Data(), true);
}

BOOL CTrayCommands::AddNow() { return m_icon.ReplaceNow(Data()); }

void CTrayCommands::Refresh() { m_icon.ReplaceLater(Data()); }

BOOL CTrayCommands::Remove() { return m_icon.Remove(Data()); }

void CTrayCommands::OnNotify(WPARAM wParam, LPARAM lParam) {
    // Version 4, asked for with every add: the event in the low word, the
    // icon's id in the high word and the point to open at in wParam. A shell
    // that kept the old form sends the mouse message alone.
    if (HIWORD(lParam) != kIconId) {
        if (lParam == WM_LBUTTONDOWN) m_owner.ShowFromTray(false);
        else if (lParam == WM_RBUTTONDOWN) ShowMenuAtIcon(POINT{0, 0}, false);
        return;
    }
    switch (LOWORD(lParam)) {
        case NIN_SELECT: m_owner.ShowFromTray(false); break;
        case NIN_KEYSELECT: m_owner.ShowFromTray(true); break;
        case WM_CONTEXTMENU: ShowMenuAtIcon(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}, true); break;
        default: break;
    }
}

bool CTrayCommands::IconRect(RECT& rc) const {
    NOTIFYICONIDENTIFIER id = {};
    id.cbSize = sizeof(id);
    id.hWnd = Data().hWnd;
    id.uID = kIconId;
    if (SUCCEEDED(::Shell_NotifyIconGetRect(&id, &rc))) return true;
    // TEST_TRAY_ICON_RECT=l,t,r,b (the program's switch file): the answer a
    // Windows shell gives, which Wine's (E_NOTIMPL) cannot.
    const std::wstring given = ProgramSwitches::Value(L"TEST_TRAY_ICON_RECT");
    if (!given.empty()) return swscanf(given.c_str(), L"%ld,%ld,%ld,%ld", &rc.left, &rc.top, &rc.right, &rc.bottom) == 4;
    // Only a window of the shell's own notification area counts, never the
    // desktop or any other window of the shell's process.
    POINT cursor = {0, 0};
    HWND under = ::GetCursorPos(&cursor) ? ::WindowFromPoint(cursor) : nullptr;
    HWND root = under ? ::GetAncestor(under, GA_ROOT) : nullptr;
    HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    wchar_t cls[64] = {};
    if (!root || !taskbar || !::GetClassNameW(root, cls, 63)) return false;
    DWORD shell = 0, owner = 0;
    ::GetWindowThreadProcessId(taskbar, &shell);
    ::GetWindowThreadProcessId(root, &owner);
    const wchar_t* const areas[] = {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"NotifyIconOverflowWindow",
                                    L"__winex11_standalone_tray"};
    bool area = false;
    for (const wchar_t* a : areas) area = area || std::wcscmp(cls, a) == 0;
    return area && shell != 0 && shell == owner && ::GetWindowRect(under, &rc);
}

void CTrayCommands::ShowMenuAtIcon(POINT anchor, bool anchorGiven) {
    // The callback and UM_SHOW_TRAY_MENU can come from any program: the
    // point they carry must not put a row of this topmost menu under the
    // user's pointer. So the menu opens only inside the icon's rectangle.
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
    RECT icon;
    if (!IconRect(icon)) {
        VLOG("tray menu not opened: the icon is not under the pointer and the shell cannot say where it is");
        return;
    }
    if (!anchorGiven) anchor = cursor;
    if (!::PtInRect(&icon, anchor)) {
        VLOG("tray menu anchor (%ld,%ld) is off the icon: not used", anchor.x, anchor.y);
        anchor = ::PtInRect(&icon, cursor) ? cursor : POINT{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    }
    // The shell tells a right click from Shift+F10 or the menu key on the
    // icon only by where it puts the point: at the pointer for a click, at
    // the icon for a key. Away from the pointer the menu is being driven by
    // keyboard, so its first row is selected for the arrows.
    const bool byKey = std::abs(cursor.x - anchor.x) > ::GetSystemMetrics(SM_CXDRAG) ||
                       std::abs(cursor.y - anchor.y) > ::GetSystemMetrics(SM_CYDRAG);
    VLOG("tray menu opened at the icon (%ld,%ld) by %s", anchor.x, anchor.y, byKey ? "key" : "click");
    TrayMenuOpening how;
    how.at = &anchor;
    how.fromKeyboard = byKey;
    // Esc hands the focus back where it came from: the icon.
    how.escapeNotice = UM_TRAY_MENU_ESCAPED;
    ShowMenu(how);
}

void CTrayCommands::ShowMenu(const TrayMenuOpening& how) {
    // The "Show Window" row is ticked by what the user sees now, however the
    // window got there (minimise button, tray, another copy, the corner).
    g_bMainWndVisible = DuiLib::CVisibility::IsShown(m_hWnd);
    CMenuTask::ShowTrayMenu(m_hWnd, how);
}

void CTrayCommands::ShowMenuFromKeyboard(POINT at) {
    TrayMenuOpening how;
    how.at = &at;
    how.fromKeyboard = true;
    ShowMenu(how);
}

#include "mainframe/TrayCommands.h"

#include <windowsx.h>

#include <cstdlib>

#include "duilib/PaintManagerUI.h"
#include "log/BaseLog.h"
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

BOOL CTrayCommands::AddNow() { return m_icon.ReplaceNow(Data()); }

void CTrayCommands::Refresh() { m_icon.ReplaceLater(Data()); }

BOOL CTrayCommands::Remove() { return m_icon.Remove(Data()); }

void CTrayCommands::OnNotify(WPARAM wParam, LPARAM lParam) {
    // Version 4, asked for with every add: the event in the low word, the
    // icon's id in the high word and the point to open at in wParam. A shell
    // that kept the old form sends the mouse message alone.
    if (HIWORD(lParam) != kIconId) {
        if (lParam == WM_LBUTTONDOWN) m_owner.ShowFromTray(false);
        else if (lParam == WM_RBUTTONDOWN) ShowMenu();
        return;
    }
    switch (LOWORD(lParam)) {
        case NIN_SELECT: m_owner.ShowFromTray(false); break;
        case NIN_KEYSELECT: m_owner.ShowFromTray(true); break;
        case WM_CONTEXTMENU: ShowMenuAtIcon(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}); break;
        default: break;
    }
}

void CTrayCommands::ShowMenuAtIcon(POINT anchor) {
    // The shell tells a right click from Shift+F10 or the menu key on the
    // icon only by where it puts the point: at the pointer for a click, at
    // the icon for a key. Away from the pointer the menu is being driven by
    // keyboard, so its first row is selected for the arrows.
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
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
    g_bMainWndVisible = IsShownToUser();
    CMenuTask::ShowTrayMenu(m_hWnd, how);
}

void CTrayCommands::ShowMenuFromKeyboard(POINT at) {
    TrayMenuOpening how;
    how.at = &at;
    how.fromKeyboard = true;
    ShowMenu(how);
}

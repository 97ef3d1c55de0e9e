#pragma once
// The main window's side of the notification area: its icon as the status
// shows it, the shell's events on it, and the tray menu wherever it opens.
// The window keeps what only it can do (showing itself) behind IOwner.
#include <windows.h>
#include <shellapi.h>

#include "mainframe/MenuTask.h"
#include "mainframe/TrayIcon.h"

class CTrayCommands {
public:
    class IOwner {
    public:
        virtual ~IOwner() = default;
        // The icon was chosen (a click, or Enter or Space on it).
        virtual void ShowFromTray(bool byKey) = 0;
    };
    static constexpr UINT kIconId = 108;

    explicit CTrayCommands(IOwner& owner) : m_owner(owner) {}
    void SetWindow(HWND hwnd) { m_hWnd = hwnd; }

    // The icon for the current status, shown now; the shell's answer.
    BOOL AddNow();
    // The same on the icon's worker: a status change must not wait for the shell.
    void Refresh();
    // Deleted now (exit follows); the shell's answer, TRUE when none was shown.
    BOOL Remove();
    // The shell (re)started and lost every icon.
    BOOL OnTaskbarCreated() { return m_icon.ReplaceNow(Data()); }
    // Esc closed the menu: the focus goes back to the icon.
    void GiveFocusBack() { m_icon.GiveFocusLater(Data()); }

    // UM_TRAY_NOTIFY.
    void OnNotify(WPARAM wParam, LPARAM lParam);
    // The menu for the window; its "Show Window" row ticked by what the user sees now.
    void ShowMenu(const TrayMenuOpening& how = TrayMenuOpening());
    // Shift+F10 or the menu key in the window: below `at` (screen).
    void ShowMenuFromKeyboard(POINT at);
    // Visible and not minimised.
    bool IsShownToUser() const { return ::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd); }

private:
    NOTIFYICONDATAW Data() const;
    void ShowMenuAtIcon(POINT anchor);

    IOwner& m_owner;
    HWND m_hWnd = nullptr;
    CTrayIcon m_icon;
};

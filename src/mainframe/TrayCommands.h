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
    // The shell's "TaskbarCreated" broadcast (it (re)started and lost every
    // icon): true when `message` is it. Broadcasts in a row are one re-add,
    // made on the icon's worker (OnReAdd, from the window's queue).
    static bool IsTaskbarCreated(UINT message);
    void OnTaskbarCreated();
    void OnReAdd();
    // Esc closed the menu: the focus goes back to the icon.
    void GiveFocusBack() { m_icon.GiveFocusLater(Data()); }

    // UM_TRAY_NOTIFY.
    void OnNotify(WPARAM wParam, LPARAM lParam);
    // The menu at the icon, as for its right button (UM_SHOW_TRAY_MENU too):
    // never where the message says, only inside the icon's rectangle.
    void ShowMenuAtIcon(POINT anchor, bool anchorGiven);
    // The menu for the window; its "Show Window" row ticked by what the user sees now.
    void ShowMenu(const TrayMenuOpening& how = TrayMenuOpening());
    // Shift+F10 or the menu key in the window: below `at` (screen).
    void ShowMenuFromKeyboard(POINT at);

private:
    NOTIFYICONDATAW Data() const;
    // Where the icon is: the shell's answer, else the notification-area
    // window under the pointer (each icon's own under Wine); false when
    // neither places it.
    bool IconRect(RECT& rc) const;

    IOwner& m_owner;
    HWND m_hWnd = nullptr;
    CTrayIcon m_icon;
    unsigned m_reAddsAsked = 0;  // broadcasts since the re-add was queued
};

#pragma once
// The tray icon's menu: settings, show or hide the window, the one-click
// action, exit. The choice goes to the owner as DUI_MSG_MENU_CLICK (wParam = row).
#include <windows.h>

#include "duilib/DialogBuilderCallback.h"
#include "duilib/MenuImplBase.h"

// The menu's rows, top to bottom: the wParam of its DUI_MSG_MENU_CLICK. The
// setup program posts kMenuRowExit to close a running copy.
enum MenuRow : int {
    kMenuRowSettings = 0,
    kMenuRowShowWindow = 1,
    kMenuRowAction = 2,
    kMenuRowExit = 3,
    kMenuRowCount
};

// How the tray menu is opened.
struct TrayMenuOpening {
    const POINT* at = nullptr;  // screen; null: at the cursor
    bool fromKeyboard = false;  // the first row selected, focus cues shown
    UINT escapeNotice = 0;      // posted to the owner when Esc closes it (0: none)
};

class CMenuTask : public DuiLib::CMenuImplBase, public DuiLib::IDialogBuilderCallback {
public:
    // Opens the menu for `owner`. An open menu is closed first, so at most
    // one exists and each is destroyed with its window.
    static void ShowTrayMenu(HWND owner, const TrayMenuOpening& how = TrayMenuOpening());
    // The open menu, null while none is open.
    static CMenuTask* Current();

    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;

protected:
    void OnFinalMessage(HWND hWnd) override;
    void InitItem() override;
    void OnCancelledByKey() override;

private:
    UINT m_escapeNotice = 0;
};

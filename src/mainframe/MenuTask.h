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

class CMenuTask : public DuiLib::CMenuImplBase, public DuiLib::IDialogBuilderCallback {
public:
    // Opens the menu at the cursor for `owner`. An open menu is closed
    // first, so at most one exists and each is destroyed with its window.
    // `at` (screen): opened from the keyboard, there, with its first row selected.
    static void ShowTrayMenu(HWND owner, const POINT* at = nullptr);
    // The open menu, null while none is open.
    static CMenuTask* Current();

    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;

protected:
    void OnFinalMessage(HWND hWnd) override;
    void InitItem() override;
};

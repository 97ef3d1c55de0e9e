#pragma once
// Messages received by the main window, from its workers, the libraries it
// binds, its own windows and other processes.
#include <windows.h>

enum : UINT {
    UM_OVERCLOCK_FINISH = WM_USER + 101,     // lParam 1 applied, 0 failed
    UM_RESTORE_FINISH = WM_USER + 102,       // lParam 1 applied, 0 failed
    UM_GETCPUINFO_FINISH = WM_USER + 103,    // wParam CpuInfo*, lParam 1 read
    UM_FREQUENCY_CHANGE = WM_USER + 104,     // wParam double* GHz
    UM_REBOOT_PROMPT = WM_USER + 105,
    UM_TRAY_NOTIFY = WM_USER + 106,          // wParam anchor x/y, lParam event | icon id 108 << 16
    UM_RUN_INSTALLER = WM_USER + 108,        // wParam const wchar_t* path
    UM_SHOW_AT_CORNER = WM_USER + 109,
    UM_SDK_INIT_BEGIN = WM_USER + 110,
    UM_SDK_INIT_FINISH = WM_USER + 160,      // lParam 1 ready, 0 failed
    UM_WMI_EVENT = WM_USER + 161,            // wParam the callback's value
    UM_USBKEY_EVENT = WM_USER + 162,         // wParam 1
    UM_INIT_AFTER_FIRST_FRAME = WM_USER + 163,  // to itself, once the first frame is painted
    UM_RATIO_STATE_READ = WM_USER + 164,     // wParam the overclock worker's reading (its own record)
    UM_TRAY_MENU_ESCAPED = WM_USER + 165,    // from its tray menu, closed with Esc
    UM_TRAY_READD = WM_USER + 166,           // to itself, once for "TaskbarCreated" broadcasts in a row
    UM_REMOTE_CALL = WM_USER + 170,          // from its command pipe: requests wait (no parameters)
    UM_SETFOREGROUNDWINDOW = WM_USER + 1000, // from other processes
    UM_SHOW_TRAY_MENU = WM_USER + 1001,      // from other processes
};

// The tray menu's choice arrives as the toolkit's DUI_MSG_MENU_CLICK.
static_assert(UM_SDK_INIT_FINISH == 1184 && UM_SHOW_TRAY_MENU == 2025,
              "message values are shared with other processes");

#pragma once
// Messages that the device libraries' threads post to the main window, and
// that any process allowed to post to it could post as well: each is acted
// on only when its event was reported here first (a press of the USB key,
// an event of the notifier library), once per report.
#include <windows.h>

class CExpectedEvents {
public:
    // On the library's thread: reports the event and posts `message`
    // (UM_USBKEY_EVENT or UM_WMI_EVENT) to `window`.
    static void Post(HWND window, UINT message, WPARAM wParam);
    // On the window's thread: true once for each report of `message`;
    // otherwise the message is logged as ignored.
    static bool Take(UINT message);
    // A one-off event the window started itself (the SDK's start): true,
    // and `pending` cleared, when it was under way; else logged as ignored.
    static bool Take(bool& pending, const char* what);
    // The USB key library's callback: reports the press, then posts it.
    static void UsbKeyPressed(int code, int reserved, HWND window);
};

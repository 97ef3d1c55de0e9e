#pragma once
// Events the paint manager delivers to a control's DoEvent.
#include <windows.h>

namespace DuiLib {

class CControlUI;

enum EventTypeUI {
    UIEVENT_UNKNOWN = 0,
    UIEVENT_MOUSEMOVE,
    UIEVENT_MOUSELEAVE,
    UIEVENT_MOUSEENTER,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_DBLCLICK,
    UIEVENT_RBUTTONDOWN,
    UIEVENT_KEYDOWN,
    UIEVENT_KEYUP,
    UIEVENT_CHAR,
    UIEVENT_SETFOCUS,
    UIEVENT_KILLFOCUS,
    UIEVENT_TIMER,
    UIEVENT_SETCURSOR,
    UIEVENT_SCROLLWHEEL,
};

struct TEventUI {
    int Type = UIEVENT_UNKNOWN;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    wchar_t chKey = 0;
    WORD wKeyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

}  // namespace DuiLib

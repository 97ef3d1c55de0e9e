#pragma once
// Messages the toolkit posts to the owners of its windows. They sit in a
// range of their own, WM_APP + 3000 to + 3099, away from the messages that
// programs define for themselves.
#include <windows.h>

namespace DuiLib {

enum : UINT {
    DUI_MSG_FIRST = WM_APP + 3000,
    DUI_MSG_MENU_CLICK = DUI_MSG_FIRST + 1,  // wParam the chosen item's tag
    DUI_MSG_LAST = WM_APP + 3099,
};

}  // namespace DuiLib

#pragma once
// A user action reported by a control ("click", "selectchanged", ...), and
// the interface that receives it.
#include "duilib/DuiString.h"

namespace DuiLib {

class CControlUI;

// Notification types the toolkit's controls send.
#define DUI_MSGTYPE_CLICK L"click"
#define DUI_MSGTYPE_SELECTCHANGED L"selectchanged"
#define DUI_MSGTYPE_ITEMSELECT L"itemselect"
#define DUI_MSGTYPE_ITEMCLICK L"itemclick"
#define DUI_MSGTYPE_TEXTCHANGED L"textchanged"
#define DUI_MSGTYPE_KILLFOCUS L"killfocus"
#define DUI_MSGTYPE_SETFOCUS L"setfocus"
#define DUI_MSGTYPE_RETURN L"return"
#define DUI_MSGTYPE_LINK L"link"
#define DUI_MSGTYPE_TIMER L"timer"
#define DUI_MSGTYPE_WINDOWINIT L"windowinit"
#define DUI_MSGTYPE_VALUECHANGED L"valuechanged"
#define DUI_MSGTYPE_DROPDOWN L"dropdown"

typedef struct tagTNotifyUI {
    CDuiString sType;
    CDuiString sVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
} TNotifyUI;

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

// Sees every window message before the toolkit handles it.
class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

}  // namespace DuiLib

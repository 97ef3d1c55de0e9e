#pragma once
// Routes notifications to named sub-handlers ("virtual windows") or to the
// handler's own OnNotify.
#include <map>

#include "duilib/NotifyUI.h"

namespace DuiLib {

class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    bool AddVirtualWnd(LPCWSTR name, CNotifyPump* pump);
    bool RemoveVirtualWnd(LPCWSTR name);
    // True when some handler took the notification.
    bool NotifyPump(TNotifyUI& msg);

protected:
    virtual bool OnNotify(TNotifyUI& msg) {
        (void)msg;
        return false;
    }

private:
    std::map<CDuiString, CNotifyPump*> m_virtualWnds;
};

}  // namespace DuiLib

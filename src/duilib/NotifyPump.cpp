#include "duilib/NotifyPump.h"

namespace DuiLib {

bool CNotifyPump::AddVirtualWnd(LPCWSTR name, CNotifyPump* pump) {
    if (!name || !*name || !pump || pump == this) return false;
    return m_virtualWnds.emplace(CDuiString(name), pump).second;
}

bool CNotifyPump::RemoveVirtualWnd(LPCWSTR name) { return m_virtualWnds.erase(CDuiString(name)) > 0; }

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.sVirtualWnd.IsEmpty()) {
        auto it = m_virtualWnds.find(msg.sVirtualWnd);
        if (it != m_virtualWnds.end()) return it->second->NotifyPump(msg);
    }
    return OnNotify(msg);
}

}  // namespace DuiLib

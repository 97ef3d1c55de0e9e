#include "mainframe/MenuTask.h"

#include "log/BaseLog.h"
#include "mainframe/ListLabel.h"
#include "mainframe/MenuSeparator.h"
#include "settings/Settings.h"
#include "state/AppState.h"

namespace {

CMenuTask* g_pMenuTask = nullptr;

const wchar_t kCheckMark[] = L"file='png/gou.png' source='0,0,32,32' dest='0,0,32,32'";

}  // namespace

CMenuTask* CMenuTask::Current() { return g_pMenuTask; }

void CMenuTask::ShowTrayMenu(HWND owner, const TrayMenuOpening& how) {
    if (g_pMenuTask) {
        // Its window goes now; its final message frees it and clears the pointer.
        HWND old = g_pMenuTask->GetHWND();
        if (old && ::IsWindow(old)) ::DestroyWindow(old);
        else delete g_pMenuTask;
        g_pMenuTask = nullptr;
    }
    CMenuTask* menu = new CMenuTask;
    g_pMenuTask = menu;
    menu->m_escapeNotice = how.escapeNotice;
    menu->InitParam(owner, L"Velotune_xml\\menu_wnd.xml", menu);
    if (!menu->CreateDuiWindow(nullptr, L"", menu, WS_POPUP, WS_EX_TOOLWINDOW)) {
        VLOG("tray menu window not created");
        // A window that died while being built has already freed the object.
        if (g_pMenuTask == menu) {
            g_pMenuTask = nullptr;
            delete menu;
        }
        return;
    }
    if (how.at) menu->SetAnchor(*how.at, how.fromKeyboard);
    menu->AdjustPostion();
}

DuiLib::CControlUI* CMenuTask::CreateCustomControl(LPCWSTR) { return nullptr; }

void CMenuTask::InitItem() {
    CMenuImplBase::InitItem();
    const wchar_t* const keys[kMenuRowCount] = {L"STR_STR_SETING", L"STR_SHOWWIN", L"STR_APPNAME", L"STR_EXIT"};
    const LONG status = GetAppState().nStatus;
    for (int i = 0; i < kMenuRowCount; ++i) {
        CListLabel* item = new CListLabel;
        item->SetCallBack(true);
        item->SetEnabled(true);
        item->SetFixedHeight(32);
        item->SetTag(i);
        item->SetText(GetLanguageString(keys[i]).c_str());
        if (i == kMenuRowShowWindow && g_bMainWndVisible) item->SetBkImage(kCheckMark);
        if (i == kMenuRowAction) {
            // During a run the row says what the window says, and waits.
            const wchar_t* key = status == STATUS_OVERCLOCK_OK        ? L"STR_ST"
                                 : status == STATUS_OVERCLOCK_ING     ? L"STR_OVERCLOCKING"
                                 : status == STATUS_REOVERCLOCK_ING   ? L"STR_RESTORING"
                                                                      : keys[i];
            item->SetText(GetLanguageString(key).c_str());
            item->SetEnabled(status == STATUS_OVERCLOCK_INIT || status == STATUS_OVERCLOCK_OK);
            VLOG("tray menu action row: %S, %s", key, item->IsEnabled() ? "enabled" : "greyed");
        }
        if (i == kMenuRowExit) AddListItem(new CMenuSeparator);
        AddListItem(item);
    }
}

void CMenuTask::OnCancelledByKey() {
    HWND owner = GetOwnerWnd();
    if (m_escapeNotice && owner && ::IsWindow(owner)) ::PostMessageW(owner, m_escapeNotice, 0, 0);
}

void CMenuTask::OnFinalMessage(HWND hWnd) {
    CMenuImplBase::OnFinalMessage(hWnd);
    if (g_pMenuTask == this) g_pMenuTask = nullptr;
    delete this;
}

#include "mainframe/SettingDlg.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/RaiseWindow.h"
#include "duilib/OptionUI.h"
#include "duilib/PaintManagerUI.h"
#include "log/BaseLog.h"
#include "mainframe/HotKeyRegistration.h"
#include "mainframe/Notice.h"
#include "mainframe/ShortcutKeyEditUI.h"
#include "settings/AppInfo.h"
#include "settings/Settings.h"
#include "shell/CommonHelp.h"
#include "state/AppState.h"

using namespace DuiLib;

namespace {

std::wstring Lang(const wchar_t* key) { return GetLanguageString(key); }

bool NameIs(const TNotifyUI& msg, const wchar_t* name) {
    return msg.pSender && _wcsicmp(msg.pSender->GetName().GetData(), name) == 0;
}

bool IsKeyForHotKey(WPARAM vk) { return (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x30 && vk <= 0x39); }

}  // namespace

CSettingDlg::~CSettingDlg() = default;

LPCWSTR CSettingDlg::GetWindowClassName() const { return L"SettingWnd"; }

CControlUI* CSettingDlg::CreateCustomControl(LPCWSTR pstrClass) {
    if (pstrClass && std::wcscmp(pstrClass, L"ShortcutKeyEdit") == 0) return new CShortcutKeyEditUI;
    return nullptr;
}

void CSettingDlg::InitAfterCreate() {
    auto find = [&](const wchar_t* name) { return m_PaintManager.FindControl(name); };
    auto option = [&](const wchar_t* name) { return FindControlAs<COptionUI>(m_PaintManager, name, L"Option"); };
    m_pCloseBtn = find(L"closebtn");
    m_pStartUp = option(L"start_up");
    m_pNotStartUp = option(L"not_start_up");
    m_pMinTaskbar = option(L"minsize_taskbar");
    m_pMinTray = option(L"minsize_tray");
    m_pCloseTray = option(L"close_tray");
    m_pCloseShut = option(L"close_shut");
    if (CControlUI* c = find(L"quickKey"))
        m_pQuickKeyEdit = dynamic_cast<CShortcutKeyEditUI*>(c);
    m_pStopOvering = option(L"stopOvering");
    m_pVersionInfo = find(L"VersionInfo");
    m_pOkBtn = find(L"OKbtn");
    m_pTitle = find(L"titlelabel");

    // The texts of the language, by control name.
    struct Text {
        const wchar_t* control;
        const wchar_t* key;
    } texts[] = {
        {L"titlelabel", L"STR_STR_SETING"}, {L"SetHotkey", L"STR_SETKEY"},
        {L"Version", L"STR_VERSION"},       {L"start_up", L"STR_AUTORUN"},
        {L"not_start_up", L"STR_NOAUTORUN"}, {L"stopOvering", L"STR_STARTSTOP"},
        {L"OKbtn", L"STR_OK"},              {L"CancelBtn", L"STR_YES"},
        {L"SetAutostart", L"STR_SETAUTORUN"},
    };
    for (const Text& t : texts)
        if (CControlUI* c = find(t.control)) c->SetText(Lang(t.key).c_str());
    if (m_pCloseBtn) m_pCloseBtn->SetToolTip(Lang(L"STR_TIPCLOSE").c_str());

    const bool autoStart = ReadSettingInt(L"autoStart", 0) == 1;
    if (autoStart && m_pStartUp) m_pStartUp->Selected(true, false);
    if (!autoStart && m_pNotStartUp) m_pNotStartUp->Selected(true, false);

    std::wstring key = GetQuickKey();
    m_oldKeyText = key;
    if (m_pQuickKeyEdit) m_pQuickKeyEdit->SetText(key.c_str());
    if (!key.empty()) m_nHotKey = m_nOldHotKey = (int)HotKeyCodeOf(key);

    if (m_pStopOvering) m_pStopOvering->Selected(ReadSettingInt(L"stopover", 1) == 1, false);
    if (m_pVersionInfo) m_pVersionInfo->SetText(GetFileVersionString().c_str());
}

LRESULT CSettingDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // The field shows only what key capture writes: typed characters that
    // follow a captured key-down must not reach it either.
    if ((uMsg == WM_CHAR || uMsg == WM_SYSCHAR) && m_pQuickKeyEdit && m_PaintManager.GetFocus() == m_pQuickKeyEdit)
        return 0;
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

void CSettingDlg::OnFinalMessage(HWND hWnd) { WindowImplBaseNew::OnFinalMessage(hWnd); }

LRESULT CSettingDlg::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    return WindowImplBaseNew::OnClose(uMsg, wParam, lParam, bHandled);
}

LRESULT CSettingDlg::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    VLOG("\r\nCSettingDlg::OnKeyDown : wParam : %d 0x%X  lParam : %d 0x%X", (int)wParam, (unsigned)wParam,
         (int)lParam, (unsigned)lParam);
    // Tab leaves the field like any other, so the dialog works by keyboard alone.
    if (!m_pQuickKeyEdit || m_PaintManager.GetFocus() != m_pQuickKeyEdit || wParam == VK_TAB)
        return WindowImplBaseNew::OnKeyDown(uMsg, wParam, lParam, bHandled);
    if (IsKeyForHotKey(wParam)) {
        char key[2] = {};
        std::snprintf(key, sizeof(key), "%c", static_cast<int>(wParam));
        const wchar_t text[2] = {static_cast<wchar_t>(wParam), 0};
        m_pQuickKeyEdit->SetText(L"");
        m_pQuickKeyEdit->SetText(text);
        VLOG("\r\nm_pQuickKeyEdit->SetText(%s);", key);
        // Now, not when the field loses the focus: that happens on the
        // button-down of a click on OK, which a disabled OK then swallows.
        EnableOk();
    }
    bHandled = TRUE;
    return 0;
}

LRESULT CSettingDlg::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    std::wstring text = m_pQuickKeyEdit ? std::wstring(m_pQuickKeyEdit->GetText().GetData()) : std::wstring();
    if (!text.empty()) {
        m_nHotKey = (int)HotKeyCodeOf(text);
        if (m_nHotKey != m_nOldHotKey && !GetAppState().bHotKeyStarted) {
            // The main window registers the stored key once the SDK is up;
            // a registration now would make its own fail.
            VLOG("hot key Ctrl+Alt+%c left to the main window", (char)m_nHotKey);
        } else if (m_nHotKey != m_nOldHotKey) {
            HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
            if (!owner) owner = GetAppState().hMainWnd;
            bool oldKept = false;
            if (!CHotKeyRegistration::Move(owner, (UINT)m_nOldHotKey, (UINT)m_nHotKey, oldKept)) {
                // The file says the key that works, as the next start and
                // the next dialog go by it.
                WriteSettingString(L"quickkey", m_oldKeyText);
                ShowNotice(nullptr, Lang(L"STR_TITLE"),
                           CHotKeyRegistration::RefusedText((UINT)m_nHotKey, (UINT)m_nOldHotKey, oldKept), 0);
            }
        }
    }
    return WindowImplBaseNew::OnDestroy(uMsg, wParam, lParam, bHandled);
}

void CSettingDlg::WindowInitNotify(TNotifyUI&) {}
void CSettingDlg::TextChangedNotify(TNotifyUI&) {}

void CSettingDlg::EnableOk() {
    if (m_pOkBtn) m_pOkBtn->SetEnabled(true);
}

void CSettingDlg::KillFocusNotify(TNotifyUI& msg) {
    if (NameIs(msg, L"quickKey")) EnableOk();
    WindowImplBaseNew::KillFocusNotify(msg);
}

void CSettingDlg::ClickNotify(TNotifyUI& msg) {
    if (NameIs(msg, L"closebtn") || NameIs(msg, L"CancelBtn")) {
        Close(2);
    } else if (NameIs(msg, L"OKbtn")) {
        Save();
        Close(1);
    } else if (NameIs(msg, L"stopOvering")) {
        EnableOk();
    }
}

void CSettingDlg::SelectChangedNotify(TNotifyUI& msg) {
    if (NameIs(msg, L"start_up") || NameIs(msg, L"not_start_up")) EnableOk();
}

void CSettingDlg::Notify(TNotifyUI& msg) {
    if (msg.pSender && msg.pSender == m_pTitle) VLOG("\r\n%S", msg.sType.GetData());
    WindowImplBaseNew::Notify(msg);
}

void CSettingDlg::Save() {
    if (m_pQuickKeyEdit) WriteSettingString(L"quickkey", m_pQuickKeyEdit->GetText().GetData());
    const bool autoStart = m_pStartUp && m_pStartUp->IsSelected();
    CCommonHelp::SetAutoStart(autoStart);
    WriteSettingInt(L"autoStart", autoStart ? 1 : 0);
    WriteSettingInt(L"stopover", m_pStopOvering && m_pStopOvering->IsSelected() ? 1 : 0);
    if (m_pOkBtn) m_pOkBtn->SetEnabled(false);
}

void CSettingDlg::ShowFor(HWND owner) {
    // A second dialog would nest its own modal loop and enable the owner
    // again under the first one when it closes.
    static CSettingDlg* open = nullptr;
    if (open) {
        vt::RestoreAndRaise(open->GetHWND());
        ::SetForegroundWindow(open->GetHWND());
        VLOG("settings dialog already open");
        return;
    }
    CSettingDlg* dlg = new CSettingDlg;
    open = dlg;
    dlg->InitWinParam(L"Velotune_xml\\setting_wnd.xml");
    if (!dlg->Create(owner, L"SettingWnd", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 420, 260, nullptr)) {
        VLOG("settings dialog not created");
    } else {
        dlg->CenterWindow();
        dlg->ShowModal();
    }
    open = nullptr;
    delete dlg;
}

#pragma once
// The modal settings window: start with Windows, the Ctrl+Alt hot key, and
// restoring the default clock at exit. Everything is read from the settings
// file when it opens and written on OK; the hot key is registered again on
// the owner when it closes, however it closes.
#include <windows.h>

#include <string>

#include "duilib/DialogBuilderCallback.h"
#include "duilib/NotifyPump.h"
#include "duilib/WindowImplBaseNew.h"

namespace DuiLib {
class CControlUI;
class COptionUI;
}  // namespace DuiLib
class CShortcutKeyEditUI;

class CSettingDlg : public DuiLib::WindowImplBaseNew,
                    public DuiLib::IDialogBuilderCallback,
                    public DuiLib::CNotifyPump {
public:
    static constexpr int kHotKeyId = 0x5000;

    // Opens the dialog over `owner`, modally; one already open is brought
    // forward instead (the tray menu stays reachable while it runs).
    static void ShowFor(HWND owner);

    CSettingDlg() = default;
    ~CSettingDlg() override;

    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    LPCWSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void InitAfterCreate() override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void WindowInitNotify(DuiLib::TNotifyUI& msg) override;
    void KillFocusNotify(DuiLib::TNotifyUI& msg) override;
    void ClickNotify(DuiLib::TNotifyUI& msg) override;
    void SelectChangedNotify(DuiLib::TNotifyUI& msg) override;
    void TextChangedNotify(DuiLib::TNotifyUI& msg) override;

private:
    void Save();
    void EnableOk();

    int m_nHotKey = 0;
    int m_nOldHotKey = 0;
    std::wstring m_oldKeyText;  // as the file had it when the dialog opened
    DuiLib::CControlUI* m_pCloseBtn = nullptr;
    DuiLib::COptionUI* m_pStartUp = nullptr;
    DuiLib::COptionUI* m_pNotStartUp = nullptr;
    DuiLib::COptionUI* m_pMinTaskbar = nullptr;
    DuiLib::COptionUI* m_pMinTray = nullptr;
    DuiLib::COptionUI* m_pCloseTray = nullptr;
    DuiLib::COptionUI* m_pCloseShut = nullptr;
    CShortcutKeyEditUI* m_pQuickKeyEdit = nullptr;
    DuiLib::COptionUI* m_pStopOvering = nullptr;
    DuiLib::CControlUI* m_pVersionInfo = nullptr;
    DuiLib::CControlUI* m_pOkBtn = nullptr;
    DuiLib::CControlUI* m_pTitle = nullptr;
};

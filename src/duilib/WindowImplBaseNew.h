#pragma once
// The skinned window base: loads its skin when created, hands notifications
// to one overridable handler per kind and window messages to one per message.
#include "duilib/AccessibleRoot.h"
#include "duilib/DuiString.h"
#include "duilib/NotifyUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/WindowWnd.h"
#include "base/Win32Owners.h"

namespace DuiLib {

class IDialogBuilderCallback;

class WindowImplBaseNew : public CWindowWnd, public INotifyUI, public IMessageFilterUI {
public:
    WindowImplBaseNew() = default;
    ~WindowImplBaseNew() override;

    // type 0 with empty names: skin files are read from the resource path
    // (the only kind this toolkit has; the other arguments are kept for callers).
    void SetResType(int type, LPCWSTR resName = L"", int resId = 0, LPCWSTR zipName = L"", bool cached = true);
    void InitWinParam(LPCWSTR skinFile);
    // Creates the window; the skin is built while it is created. factory
    // makes the skin's custom elements; without one, a window that is itself
    // an IDialogBuilderCallback serves.
    HWND CreateDuiWindow(HWND hwndParent, LPCWSTR pstrWindowName, IDialogBuilderCallback* factory = nullptr,
                         DWORD dwStyle = WS_POPUP | WS_VISIBLE, DWORD dwExStyle = 0);

    CPaintManagerUI& GetPaintManager() { return m_PaintManager; }
    const CDuiString& GetSkinFile() const { return m_sSkinFile; }

    // Notifications: Notify dispatches by type.
    void Notify(TNotifyUI& msg) override;
    virtual void ClickNotify(TNotifyUI& msg);
    virtual void SelectChangedNotify(TNotifyUI& msg);
    virtual void ItemSelectNotify(TNotifyUI& msg);
    virtual void TextChangedNotify(TNotifyUI& msg);
    virtual void KillFocusNotify(TNotifyUI& msg);
    virtual void LinkNotify(TNotifyUI& msg);
    virtual void WindowInitNotify(TNotifyUI& msg);
    virtual void TimerNotify(TNotifyUI& msg);

    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

protected:
    // The skin has been built and attached: look controls up here.
    virtual void InitAfterCreate();

    LPCWSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // Moved to a monitor of another DPI: lays itself out again at the suggested place.
    virtual LRESULT OnDpiChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    // Enter and Escape: nonzero when handled. Escape closes with IDCANCEL;
    // Enter presses the default button unless the focus is on a push button.
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
    // What a screen reader is told the window is (a ROLE_SYSTEM_ value).
    virtual DWORD GetAccessibleWindowRole() const;
    // WM_GETOBJECT for the client object.
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    void DisconnectAccessible();
    void OnFinalMessage(HWND hWnd) override;

    CPaintManagerUI m_PaintManager;
    CDuiString m_sSkinFile;
    IDialogBuilderCallback* m_pFactory = nullptr;
    int m_nResType = 0;
    vt::ComPtr<CAccessibleRoot> m_accessible;
};

}  // namespace DuiLib

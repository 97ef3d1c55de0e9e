#pragma once
// A Win32 window bound to a C++ object: creation, showing, modal runs,
// closing with a result, and the final message once the window is gone.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

namespace DuiLib {

class CWindowWnd : private vt::NonCopyable {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd();

    HWND GetHWND() const { return m_hWnd; }
    // The object behind a window made by this class, or nullptr.
    static CWindowWnd* FromHandle(HWND hWnd);
    operator HWND() const { return m_hWnd; }

    HWND Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
    HWND Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc,
                HMENU hMenu = nullptr);

    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Runs a nested message loop until the window is gone; returns the code
    // given to Close (0 when it went another way).
    UINT ShowModal();
    void Close(UINT nRet = IDOK);
    void CenterWindow();  // over its owner (CenterOver)
    // Centred on `anchor` while that is shown and not minimised, else on the
    // work area of its monitor (or of this window's, without one); kept
    // inside that work area.
    void CenterOver(HWND anchor);
    void SetIcon(UINT nRes);
    void ResizeClient(int cx = -1, int cy = -1);

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual LPCWSTR GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const { return CS_DBLCLKS; }
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd);

    HWND m_hWnd = nullptr;

private:
    bool RegisterWindowClass();
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    UINT* m_pModalResult = nullptr;
    HWND m_hModalOwner = nullptr;
    vt::UniqueIcon m_hIconBig;
    vt::UniqueIcon m_hIconSmall;
};

}  // namespace DuiLib

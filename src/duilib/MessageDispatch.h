#pragma once
// Which part of the paint manager a window message goes to: the message
// filters first, then one small handler a message, found in a table (the
// painter, the keyboard focus, the tooltip, the screen reader's index, the
// control timers). It also decides which control the pointer's events go
// to: the one under the pointer, or the one pressed until it is let go.
#include <windows.h>

#include "base/NonCopyable.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CMessageDispatch : private vt::NonCopyable {
public:
    explicit CMessageDispatch(CPaintManagerUI& manager) : m_manager(manager) {}

    bool Handle(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    CControlUI* Hot() const { return m_pEventHover; }
    void NewTree();                     // nothing hot or pressed
    void Forget(CControlUI* pControl);  // a control is going away

private:
    using Handler = bool (CMessageDispatch::*)(UINT, WPARAM, LPARAM, LRESULT&);
    struct Route {
        UINT message;
        Handler handler;
    };
    static const Route kRoutes[];

    bool OnEraseBackground(UINT, WPARAM, LPARAM, LRESULT& lRes);
    bool OnPaint(UINT, WPARAM, LPARAM, LRESULT& lRes);
    bool OnPrintClient(UINT, WPARAM wParam, LPARAM, LRESULT& lRes);
    bool OnShowWindow(UINT, WPARAM wParam, LPARAM, LRESULT&);
    bool OnSize(UINT, WPARAM wParam, LPARAM, LRESULT&);
    bool OnTimer(UINT, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, LRESULT&);
    bool OnMouseLeave(UINT, WPARAM wParam, LPARAM lParam, LRESULT&);
    bool OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT&);
    bool OnButtonUp(UINT, WPARAM wParam, LPARAM lParam, LRESULT&);
    bool OnCaptureChanged(UINT, WPARAM, LPARAM lParam, LRESULT&);
    bool OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, LRESULT&);
    bool OnSetCursor(UINT, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool OnKeyboardCue(UINT, WPARAM wParam, LPARAM, LRESULT&);
    bool OnActivate(UINT, WPARAM, LPARAM, LRESULT&);
    bool OnSetFocus(UINT, WPARAM, LPARAM, LRESULT&);
    bool OnKey(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool OnDestroy(UINT, WPARAM, LPARAM, LRESULT&);
    void TrackMouse();  // for WM_MOUSELEAVE

    CPaintManagerUI& m_manager;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    bool m_bMouseTracking = false;
};

}  // namespace DuiLib

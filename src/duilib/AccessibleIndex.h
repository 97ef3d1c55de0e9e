#pragma once
// What a screen reader sees of a window's controls. Every control has an
// id of its own for the window's life (1, 2, ... in tab order as first
// seen); the children a reader sees are the shown controls with a role, in
// tab order. A reader's "do default action" is carried out from the
// window's queue, after the reader's call has returned, since it may open a
// modal dialog or close the window. Names may be language keys, looked up
// through the program's texts.
#include <windows.h>

#include <map>
#include <vector>

#include "base/NonCopyable.h"
#include "duilib/DuiString.h"

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class CAccessibleIndex : private vt::NonCopyable {
public:
    explicit CAccessibleIndex(CPaintManagerUI& manager) : m_manager(manager) {}

    static void SetTextLookup(CDuiString (*lookup)(LPCWSTR key));
    static CDuiString LookupText(LPCWSTR keyOrText);  // the text itself when there is no lookup or no such key

    LONG IdOf(CControlUI* pControl);  // 0: not in the tree
    CControlUI* FromId(LONG id);
    std::vector<CControlUI*> Children();
    void Forget(CControlUI* pControl);  // a control is going away

    // NotifyWinEvent for a control (or, given null, the window's client object).
    void Notify(DWORD event, CControlUI* pControl);
    void PostAction(CControlUI* pControl);
    // The posted action, when `uMsg` is its message; false otherwise.
    bool OnMessage(UINT uMsg, WPARAM wParam);

private:
    void AssignIds();

    CPaintManagerUI& m_manager;
    std::map<CControlUI*, LONG> m_ids;
    std::vector<CControlUI*> m_controls;  // by id - 1; null once a control is gone
};

}  // namespace DuiLib

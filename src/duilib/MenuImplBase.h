#pragma once
// A popup list of items: placed at the cursor, closed when it loses
// activation, and posting its owner DUI_MSG_MENU_CLICK (wParam = the chosen
// item's tag) when an enabled item is clicked.
#include "duilib/WindowImplBaseNew.h"

namespace DuiLib {

class CControlUI;
class CListUI;

class CMenuImplBase : public WindowImplBaseNew {
public:
    void InitParam(HWND hOwner, LPCWSTR skinFile, IDialogBuilderCallback* factory);
    // Adds an item to the skin's list (the one named "menu_list", else the
    // first list); the list owns it. False when the skin has no list.
    bool AddListItem(CControlUI* pItem);
    // Sizes the popup to its items and puts it at the cursor, inside the
    // work area, in front; mouse buttons on it are ignored for a
    // double-click time ("menu takes clicks" is logged when that ends).
    void AdjustPostion();
    // The next AdjustPostion puts the popup at `pt` (screen) rather than at
    // the cursor; opened from the keyboard, its first item is selected.
    void SetAnchor(POINT pt, bool fromKeyboard);
    HWND GetOwnerWnd() const { return m_hOwner; }
    // False for a double-click time after it appears: clicks are ignored.
    bool TakesClicks() const { return !m_bClicksHeld; }

    void Notify(TNotifyUI& msg) override;

protected:
    // Called once the skin is built: add the items here.
    virtual void InitItem();
    // Escape closed the menu: where the focus goes back to is the owner's.
    virtual void OnCancelledByKey() {}
    DWORD GetAccessibleWindowRole() const override;
    void InitAfterCreate() override;
    LPCWSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    CListUI* GetList();

    HWND m_hOwner = nullptr;
    bool m_bClosing = false;
    bool m_bChosen = false;
    UINT_PTR m_chosenTag = 0;
    bool m_bAnchored = false;
    bool m_bFromKeyboard = false;
    POINT m_ptAnchor = {0, 0};
    bool m_bClicksHeld = false;  // for a double-click time after it appears

private:
    // Up, Down, Home, End and first letters move; Enter and Space choose;
    // Escape closes. False for other keys.
    bool OnMenuKey(WPARAM vk);
    void SelectRow(int index);
};

}  // namespace DuiLib

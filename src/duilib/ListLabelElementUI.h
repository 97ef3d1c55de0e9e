#pragma once
// One text row of a CListUI: hot and selected colours from the list; a
// click selects it ("itemselect" from the list) and sends "itemclick".
#include "duilib/LabelUI.h"

namespace DuiLib {

class CListUI;

class CListLabelElementUI : public CLabelUI {
public:
    CListLabelElementUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    bool IsInteractive() const override { return true; }
    DWORD GetAccessibleRole() const override;

    bool IsSelected() const { return m_bSelected; }
    bool Select(bool bSelect = true);  // through the owning list
    void SetSelectedState(bool on);    // set by the list
    CListUI* GetOwnerList() const;

    bool Activate() override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(HDC hDC) override;
    void PaintText(HDC hDC) override;

private:
    // Selected or under the pointer: drawn in the system's highlight in high contrast.
    bool IsHighlightedRow() const;

    bool m_bSelected = false;
    bool m_bHot = false;
    bool m_bPushed = false;
};

}  // namespace DuiLib

#pragma once
// A vertical list of items (CListLabelElementUI) with one selection and
// shared item colours.
#include "duilib/StackLayoutUI.h"

namespace DuiLib {

struct TListInfoUI {
    int nFont = -1;
    DWORD dwTextColor = 0xFF000000;
    DWORD dwHotTextColor = 0;
    DWORD dwSelectedTextColor = 0;
    DWORD dwDisabledTextColor = 0xFFA0A0A0;
    DWORD dwHotBkColor = 0;
    DWORD dwSelectedBkColor = 0;
    RECT rcTextPadding = {4, 0, 4, 0};
    UINT uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
};

class CListUI : public CStackLayoutUI {
public:
    CListUI() : CStackLayoutUI(false) {}
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    TListInfoUI* GetListInfo() { return &m_info; }
    int GetCurSel() const { return m_iCurSel; }
    // Sends "itemselect" when the selection changes.
    bool SelectItem(int iIndex);
    bool Remove(CControlUI* pControl) override;
    void RemoveAll() override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;

private:
    TListInfoUI m_info;
    int m_iCurSel = -1;
};

}  // namespace DuiLib

#pragma once
// Pages: all children share the inner area; only the selected one shows.
#include "duilib/ContainerUI.h"

namespace DuiLib {

class CTabLayoutUI : public CContainerUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int index) override;
    bool Remove(CControlUI* pControl) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_iCurSel; }
    // False for an index outside the pages (the selection stays).
    virtual bool SelectItem(int iIndex);
    bool SelectItem(CControlUI* pControl) { return SelectItem(GetItemIndex(pControl)); }
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;

private:
    void ShowSelected();
    int m_iCurSel = 0;
};

}  // namespace DuiLib

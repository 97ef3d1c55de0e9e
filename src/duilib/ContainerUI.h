#pragma once
// A control that owns children. Floating children sit at their pos relative
// to the container; the others fill the inset area (layouts override how).
#include <vector>

#include "duilib/ControlUI.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    bool IsContainer() const override { return true; }

    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* pControl) const;
    virtual bool Add(CControlUI* pControl);  // takes ownership
    virtual bool AddAt(CControlUI* pControl, int index);
    virtual bool Remove(CControlUI* pControl);  // deletes it
    virtual void RemoveAll();

    RECT GetInset() const { return m_rcInset; }
    void SetInset(RECT rc) { SetAndRelayout(m_rcInset, rc); }
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int padding) { SetAndRelayout(m_iChildPadding, padding); }

    void SetPos(RECT rc) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    CControlUI* FindControlByName(LPCWSTR name) override;
    CControlUI* FindControlAt(POINT pt) override;
    void VisitTree(void (*fn)(CControlUI*, void*), void* ctx) override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    RECT InnerRect() const;  // the item rectangle less the inset
    void PlaceFloat(CControlUI* pControl, const RECT& rcParent);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset = {0, 0, 0, 0};
    int m_iChildPadding = 0;
};

}  // namespace DuiLib

#pragma once
// A button that stays selected. Options with the same group in one window
// form a radio group; an option without a group is a check box. With
// markimage/selectedmarkimage it draws its radio or check mark before the text.
#include "duilib/ButtonUI.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    bool IsSelected() const { return m_bSelected; }
    virtual void Selected(bool bSelected, bool bNotify = true);
    const CDuiString& GetGroup() const { return m_sGroupName; }
    void SetGroup(LPCWSTR group) { m_sGroupName = group; }

    bool Activate() override;
    DWORD GetAccessibleRole() const override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    // An option as wide as its text also makes room for its mark.
    SIZE EstimateSize(SIZE szAvailable) override;

    // What a radio or check mark adds to the text's left padding, in layout
    // pixels (0 without a mark image).
    int GetMarkRoom() const;

protected:
    void PaintMark(HDC hDC);

    bool m_bSelected = false;
    CDuiString m_sGroupName;
    CDuiString m_sSelectedImage;
    CDuiString m_sSelectedHotImage;
    // The radio or check mark, drawn at the start of the text in its own
    // square, so that the chosen state shows by shape and not colour alone.
    CDuiString m_sMarkImage;
    CDuiString m_sSelectedMarkImage;
    DWORD m_dwSelectedTextColor = 0;
    DWORD m_dwSelectedBkColor = 0;
};

}  // namespace DuiLib

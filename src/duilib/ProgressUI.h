#pragma once
// A bar filled in proportion to its value between min and max.
#include "duilib/LabelUI.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    int GetMinValue() const { return m_nMin; }
    int GetMaxValue() const { return m_nMax; }
    void SetMinValue(int v);
    void SetMaxValue(int v);
    int GetRange() const { return m_nMax - m_nMin; }
    int GetValue() const { return m_nValue; }
    void SetValue(int v);  // clamped to [min, max]
    DWORD GetAccessibleRole() const override;
    CDuiString GetAccessibleValue() const override;  // "40%"
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

private:
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nValue = 0;
    bool m_bHorizontal = true;
    CDuiString m_sForeImage;
    DWORD m_dwForeColor = 0;
};

}  // namespace DuiLib

#pragma once
// Children placed one after another, left to right ("HorizontalLayout" in a
// skin) or top to bottom ("VerticalLayout"): fixed sizes first, the rest
// shared by the children without a fixed size.
#include "duilib/ContainerUI.h"

namespace DuiLib {

class CStackLayoutUI : public CContainerUI {
public:
    explicit CStackLayoutUI(bool horizontal) : m_bHorizontal(horizontal) {}
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    void SetPos(RECT rc) override;

private:
    const bool m_bHorizontal;
};

}  // namespace DuiLib

#pragma once
// Children placed one after another (left to right): fixed sizes
// first, the rest shared by the children without a fixed size.
#include "duilib/ContainerUI.h"

namespace DuiLib {

class CHorizontalLayoutUI : public CContainerUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    void SetPos(RECT rc) override;
};

}  // namespace DuiLib

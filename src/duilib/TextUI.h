#pragma once
// A label for longer texts: wraps at word boundaries, starts at the top.
#include "duilib/LabelUI.h"

namespace DuiLib {

class CTextUI : public CLabelUI {
public:
    CTextUI();
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
};

}  // namespace DuiLib

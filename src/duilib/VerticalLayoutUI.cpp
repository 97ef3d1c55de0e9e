#include "duilib/VerticalLayoutUI.h"

namespace DuiLib {

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    StackItems(false);
}

}  // namespace DuiLib

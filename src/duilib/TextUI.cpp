#include "duilib/TextUI.h"

namespace DuiLib {

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_LEFT | DT_TOP; }

LPCWSTR CTextUI::GetClass() const { return L"TextUI"; }

LPVOID CTextUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Text") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

}  // namespace DuiLib

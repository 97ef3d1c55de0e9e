#include "duilib/TextUI.h"

namespace DuiLib {

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_LEFT | DT_TOP; }

LPCWSTR CTextUI::GetClass() const { return L"TextUI"; }

LPVOID CTextUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CLabelUI>(this, pstrName, L"Text"); }

}  // namespace DuiLib

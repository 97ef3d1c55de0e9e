#include "mainframe/ShortcutKeyEditUI.h"

#include <oleacc.h>

CShortcutKeyEditUI::~CShortcutKeyEditUI() = default;

DWORD CShortcutKeyEditUI::GetAccessibleRole() const { return ROLE_SYSTEM_HOTKEYFIELD; }

DuiLib::CDuiString CShortcutKeyEditUI::GetAccessibleValue() const {
    DuiLib::CDuiString key = GetText();
    return key.IsEmpty() ? key : DuiLib::CDuiString(L"Ctrl+Alt+") + key;
}

#include "mainframe/MenuSeparator.h"

#include <oleacc.h>

CMenuSeparator::CMenuSeparator() {
    // Disabled: the keys and clicks pass it by. Thin, so that the rows
    // below it move down by less than half a row.
    SetEnabled(false);
    SetFixedHeight(1);
    SetPadding(RECT{8, 4, 8, 4});
    SetBkColor(0xFF3A4656);
}

DWORD CMenuSeparator::GetAccessibleRole() const { return ROLE_SYSTEM_SEPARATOR; }

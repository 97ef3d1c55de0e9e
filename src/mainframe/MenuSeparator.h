#pragma once
// A line between groups of the tray menu's rows: never chosen, never a
// stop for the keys, and a separator to a screen reader.
#include "mainframe/ListLabel.h"

class CMenuSeparator : public CListLabel {
public:
    CMenuSeparator();
    DWORD GetAccessibleRole() const override;
};

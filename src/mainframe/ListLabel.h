#pragma once
// One row of the tray menu.
#include "duilib/ListLabelElementUI.h"

class CListLabel : public DuiLib::CListLabelElementUI {
public:
    ~CListLabel() override;
    void DoEvent(DuiLib::TEventUI& event) override;
};

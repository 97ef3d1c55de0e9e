#include "mainframe/ListLabel.h"

CListLabel::~CListLabel() = default;

void CListLabel::DoEvent(DuiLib::TEventUI& event) { CListLabelElementUI::DoEvent(event); }

#include "mainframe/ShortcutKeyEditUI.h"

CShortcutKeyEditUI::~CShortcutKeyEditUI() = default;

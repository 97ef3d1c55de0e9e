#include "mainframe/Notice.h"

#include "msgbox/MsgBox.h"
#include "settings/Settings.h"

int ShowNotice(HWND owner, const std::wstring& title, const std::wstring& text, int style) {
    // Its button captions are the language file's, like every other text.
    CMsgBox::SetTextSource(&GetLanguageString);
    return CMsgBox::Show(owner, title.c_str(), text.c_str(), style);
}

#include "mainframe/Notice.h"

#ifdef VT_HAVE_MSGBOX
#include "msgbox/MsgBox.h"
#include "settings/Settings.h"
#endif

int ShowNotice(HWND owner, const std::wstring& title, const std::wstring& text, int style) {
#ifdef VT_HAVE_MSGBOX
    // Its button captions are the language file's, like every other text.
    CMsgBox::SetTextSource(&GetLanguageString);
    return CMsgBox::Show(owner, title.c_str(), text.c_str(), style);
#else
    // Builds without the skinned box fall back on the system's, with the
    // same answer (1 = the first button).
    UINT type = style == 3 ? MB_YESNO : MB_OK;
    int r = MessageBoxW(owner, text.c_str(), title.c_str(), type | MB_SETFOREGROUND);
    return (r == IDOK || r == IDYES) ? 1 : 0;
#endif
}

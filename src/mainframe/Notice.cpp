#include "mainframe/Notice.h"

#include "msgbox/MsgBox.h"
#include "settings/Settings.h"
#include "state/AppState.h"

int ShowNotice(HWND owner, const std::wstring& title, const std::wstring& text, int style) {
    // Its button captions are the language file's, like every other text.
    CMsgBox::SetTextSource(&GetLanguageString);
    // Every notice opens over the main window, owned by it or not, so that
    // the user finds it where they were looking.
    return CMsgBox::Show(owner, title.c_str(), text.c_str(), style, owner ? owner : GetAppState().hMainWnd);
}

std::wstring FailureText(const wchar_t* key, const wchar_t* hintKey) {
    return GetLanguageString(key) + L" " + GetLanguageString(hintKey);
}

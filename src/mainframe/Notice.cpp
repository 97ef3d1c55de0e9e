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

std::wstring JoinSentences(const std::wstring& first, const std::wstring& second) {
    // Chinese full stops and their kin carry their own space; a Latin one
    // after them shows as a gap in the line.
    const bool wide = !first.empty() && first.back() >= 0x3000 && first.back() <= 0xFFEF &&
                      (first.back() <= 0x303F || first.back() >= 0xFF00);
    return first + (wide || first.empty() ? L"" : L" ") + second;
}

std::wstring FailureText(const wchar_t* key, const wchar_t* hintKey) {
    return JoinSentences(GetLanguageString(key), GetLanguageString(hintKey));
}

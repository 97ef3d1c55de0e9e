#pragma once
// The program's notices (one OK button, or Yes/No for style 3). Returns 1
// for the first button.
#include <windows.h>

#include <string>

int ShowNotice(HWND owner, const std::wstring& title, const std::wstring& text, int style);

// A failure's text: what went wrong, then one sentence on what the user can
// do about it, both from the language file.
std::wstring FailureText(const wchar_t* key, const wchar_t* hintKey);
// Two sentences in one text: a space between them, unless the first ends
// in a full-width mark (Chinese), which has its own.
std::wstring JoinSentences(const std::wstring& first, const std::wstring& second);

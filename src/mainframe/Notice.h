#pragma once
// The program's notices (one OK button, or Yes/No for style 3). Returns 1
// for the first button.
#include <windows.h>

#include <string>

int ShowNotice(HWND owner, const std::wstring& title, const std::wstring& text, int style);

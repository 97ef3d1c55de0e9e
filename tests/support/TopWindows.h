#pragma once
// What a process shows on the screen, as the tests look for it: its
// top-level windows, found by class.
#include <windows.h>

#include <string>
#include <vector>

// The top-level windows of process `pid` whose class is `className` (every
// one of them when it is null), topmost first.
std::vector<HWND> TopWindowsOf(DWORD pid, const wchar_t* className = nullptr);
std::wstring ClassOf(HWND hwnd);

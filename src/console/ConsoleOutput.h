#pragma once
// Lines to the console, or, redirected to a file or a pipe, as UTF-8: the
// language file's texts may be Chinese, which a console's code page need not hold.
#include <string>

class CConsoleOutput {
public:
    static void Line(const std::wstring& text);
    static void ErrorLine(const std::wstring& text);
};

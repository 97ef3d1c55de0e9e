#include "LauncherCommand.h"

namespace LauncherCommand {

std::wstring ArgumentsTail(const wchar_t* commandLine) {
    if (!commandLine) return std::wstring();
    const wchar_t* p = commandLine;
    // The program name ends at the closing quote when it starts with one,
    // else at the first blank (the rule the system applies to argument 0).
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return std::wstring(p);
}

std::wstring Build(const std::wstring& program, const std::wstring& tail) {
    std::wstring line = L"\"" + program + L"\"";
    if (!tail.empty()) line += L" " + tail;
    return line;
}

}  // namespace LauncherCommand

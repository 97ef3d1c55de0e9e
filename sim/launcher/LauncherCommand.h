#pragma once
// Command-line text handling of the logon launcher.
#include <string>

namespace LauncherCommand {
// The command line after the program name, as written (quoting kept),
// without the blanks that separate it from the name.
std::wstring ArgumentsTail(const wchar_t* commandLine);
// "\"<program>\"" followed by a blank and the tail when there is one.
std::wstring Build(const std::wstring& program, const std::wstring& tail);
}  // namespace LauncherCommand

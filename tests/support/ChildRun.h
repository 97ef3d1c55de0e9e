#pragma once
// Runs a helper program to its end, as the tests start the tools and probes
// beside them.
#include <windows.h>

#include <string>

namespace ChildRun {
// CreateProcessW with `program` as the application and "\"program\"" +
// `arguments` as the command line. A start refused on our side is printed
// with its error and tried once more: on a loaded machine Wine now and then
// refuses one that starts the next time, and a machine that keeps refusing
// still fails the test.
// `output`, when given, receives the program's standard output and error.
bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
           DWORD creationFlags, PROCESS_INFORMATION& started, HANDLE output = nullptr);
constexpr DWORD kNotStarted = 0xDEAD0001;
constexpr DWORD kNotEnded = 0xDEAD0002;  // after the wait, a safety net only
// The program's exit code. `arguments` are put after the quoted program
// path as they are (a separating space is theirs to give); `folder` empty
// keeps the test's working folder.
DWORD ExitCodeOf(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder = L"",
                 DWORD creationFlags = CREATE_NO_WINDOW);
// The same, with what the program wrote to its standard output and error
// (through a file, read once it has ended).
DWORD ExitCodeAndOutput(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder,
                        std::string& output);
}  // namespace ChildRun

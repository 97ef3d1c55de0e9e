#pragma once
// Replaceable system calls of the start check, compiled only into the
// test variant of the library (VT_SHELL_TEST_SEAMS): under Wine every
// process is an administrator, and a test must never launch anything real.
#ifdef VT_SHELL_TEST_SEAMS
#include <windows.h>
#include <shellapi.h>

namespace ShellTestSeams {
// Null means the real call.
extern bool (*isAdmin)();
extern BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW* info);
extern LPWSTR(WINAPI* getCommandLine)();
void Reset();
}  // namespace ShellTestSeams
#endif

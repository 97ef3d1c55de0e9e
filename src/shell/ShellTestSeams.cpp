#include "shell/ShellTestSeams.h"

#ifdef VT_SHELL_TEST_SEAMS
namespace ShellTestSeams {
bool (*isAdmin)() = nullptr;
BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW* info) = nullptr;
LPWSTR(WINAPI* getCommandLine)() = nullptr;

void Reset() {
    isAdmin = nullptr;
    shellExecuteEx = nullptr;
    getCommandLine = nullptr;
}
}  // namespace ShellTestSeams
#endif

#include "console/ConsoleCommand.h"

#include <cwchar>
#include <cwctype>

namespace {

bool Is(const wchar_t* name, const wchar_t* option) { return _wcsicmp(name, option) == 0; }

// "/timeout:<seconds>", 1 to 3600.
bool ParseTimeout(const wchar_t* name, DWORD& timeoutMs) {
    static const wchar_t kPrefix[] = L"timeout:";
    const size_t prefix = wcslen(kPrefix);
    if (_wcsnicmp(name, kPrefix, prefix) != 0) return false;
    const wchar_t* digits = name + prefix;
    if (*digits == 0 || wcslen(digits) > 4) return false;
    DWORD seconds = 0;
    for (const wchar_t* c = digits; *c; ++c) {
        if (!iswdigit(*c)) return false;
        seconds = seconds * 10 + static_cast<DWORD>(*c - L'0');
    }
    if (seconds < 1 || seconds > 3600) return false;
    timeoutMs = seconds * 1000;
    return true;
}

}  // namespace

bool CConsoleCommand::Parse(int argc, const wchar_t* const* argv, std::wstring& why) {
    bool verbSeen = false, timeoutSeen = false;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        why = arg;
        // "/status", "-status", and the bare word as well.
        const wchar_t* name = arg[0] == L'/' || arg[0] == L'-' ? arg + 1 : arg;
        Verb next;
        if (Is(name, L"status")) next = Verb::Status;
        else if (Is(name, L"overclock")) next = Verb::Overclock;
        else if (Is(name, L"restore")) next = Verb::Restore;
        else if (Is(name, L"help") || Is(name, L"?")) next = Verb::Help;
        else if (Is(name, L"json") && !json) {
            json = true;
            continue;
        } else if (!timeoutSeen && ParseTimeout(name, timeoutMs)) {
            timeoutSeen = true;
            continue;
        } else {
            return false;
        }
        if (verbSeen) return false;
        verbSeen = true;
        verb = next;
    }
    why.clear();
    // /json is for status, /timeout for the commands that wait for a run.
    if (json && verb != Verb::Status) return false;
    if (timeoutSeen && verb != Verb::Overclock && verb != Verb::Restore) return false;
    return true;
}

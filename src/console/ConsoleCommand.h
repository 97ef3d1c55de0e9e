#pragma once
// Velotune.com's command line: one command and its options, each starting
// with "/" or "-", in any case.
#include <windows.h>

#include <string>

class CConsoleCommand {
public:
    enum class Verb { Help, Status, Overclock, Restore };
    // How long an overclock or a restore is waited for when /timeout is not given.
    static constexpr DWORD kDefaultTimeoutMs = 60000;

    Verb verb = Verb::Help;
    bool json = false;
    DWORD timeoutMs = kDefaultTimeoutMs;

    // False, with the offending argument in `why`, for a command line that
    // is not one of the usage's.
    bool Parse(int argc, const wchar_t* const* argv, std::wstring& why);
};

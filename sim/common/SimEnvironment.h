#pragma once
// Shared by the stand-in libraries (linked into each one).
#include <string>

namespace simcommon {

// The folder of the module this code is linked into, without a trailing
// backslash; empty when it cannot be had.
std::wstring OwnFolder();

// The environment variable's value, or `fallback` when it is unset, empty or
// longer than a path.
std::wstring EnvOr(const wchar_t* name, const std::wstring& fallback = std::wstring());

// Appends `line` and CR LF to the record file at `path` (created when
// missing); the tests read these files while the library is loaded. A record
// of kRecordCapBytes or more is first renamed to "<path>.old".
constexpr unsigned long kRecordCapBytes = 1024 * 1024;
void AppendLine(const std::wstring& path, const std::string& line);

}  // namespace simcommon

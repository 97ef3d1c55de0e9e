#pragma once
// Path and text helpers shared by the windows and the update client.
#include <cstdint>
#include <string>

// The executable's folder without a trailing backslash; empty when the
// module path cannot be read.
std::wstring GetAppFolder();

// The executable's file version, "a.b.c.d"; empty without version information.
std::wstring GetFileVersionString();
// The same for any file.
std::wstring GetFileVersionStringOf(const std::wstring& path);

// "1023 B", "1.0 KB", "1.0 MB" (no larger unit).
std::wstring FormatSize(uint64_t bytes);

#pragma once
// The processor's applied settings, kept in a small INI file so that they
// outlive the program as real settings do until the machine restarts:
//   [Active]
//   29=43
//   0xD0000002=4300
#include <stdint.h>

#include <map>
#include <string>

class CSimStateFile {
public:
    // Empty map when the file is missing (a freshly started machine).
    static std::map<uint32_t, double> Read(const std::wstring& path);
    // Replaces the file as a whole so that a reader never sees half of it.
    static bool Write(const std::wstring& path, const std::map<uint32_t, double>& values);
};

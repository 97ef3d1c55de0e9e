#pragma once
// Where the stand-in service client finds its answers and writes down the
// calls it gets.
#include <string>

class CSvcClientConfig {
public:
    CSvcClientConfig();

    // Profile answers (section "ServiceClient").
    bool TakesOverStart() const;     // "StartClientResult" = 1
    bool LaunchesProgram() const;    // "LaunchOnStart" = 1

    // Appends one line (UTF-8, CRLF) to the record file.
    void Record(const std::wstring& line) const;

    const std::wstring& Folder() const { return m_strFolder; }

private:
    int ReadInt(const wchar_t* key, int fallback) const;

    std::wstring m_strFolder;   // the library's own folder, no trailing backslash
    std::wstring m_strProfile;
    std::wstring m_strRecord;
};

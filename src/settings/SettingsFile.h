#pragma once
// The user settings INI file: values are read from the file each time they
// are needed; only the hot-key letter last read is kept.
#include <string>

class CSettingsFile {
public:
    CSettingsFile() = default;
    virtual ~CSettingsFile() = default;

    // The executable's folder, its file name without the last extension,
    // then ".ini". False (path left empty) when the module path is unknown.
    bool InitSettingsPath();
    void SetPath(const std::wstring& path) { m_strPath = path; }
    const std::wstring& GetPath() const { return m_strPath; }

    // The hot-key text: the stored value when it has at least one character,
    // else the one read last, else "O".
    std::wstring GetQuickKey();

    // An integer value; the default when the path is not set, the file or
    // key is missing or empty, or the text is not a decimal number.
    int ReadInt(const wchar_t* key, int defaultValue) const;
    // A text value of at most 255 characters.
    std::wstring ReadString(const wchar_t* key, const wchar_t* defaultValue) const;

    // Writes are refused (false, logged) until the path is set, so that an
    // early write never lands in a system profile file.
    bool WriteInt(const wchar_t* key, int value) const;
    bool WriteString(const wchar_t* key, const std::wstring& value) const;

    int GetAutoStart() const;
    int GetStopOver() const;
    int GetMinMode() const;
    // Negative periods are not waits: they give the default; shorter ones
    // than kMinMonitorTime are raised to it.
    int GetMonitorTime() const;

private:
    std::wstring m_strPath;
    std::wstring m_strQuickKey;
};

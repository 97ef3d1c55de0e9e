#pragma once
// The toolkit's wide string: a thin value type over std::wstring with the
// familiar DuiLib operations.
#include <windows.h>

#include <string>

namespace DuiLib {

class CDuiString {
public:
    CDuiString() = default;
    CDuiString(LPCWSTR text);
    CDuiString(LPCWSTR text, int length);
    CDuiString(const std::wstring& text) : m_str(text) {}
    CDuiString(const char* narrow);  // converts from the ANSI code page

    bool IsEmpty() const { return m_str.empty(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    LPCWSTR GetData() const { return m_str.c_str(); }
    operator LPCWSTR() const { return m_str.c_str(); }
    const std::wstring& Str() const { return m_str; }
    std::string ToAnsi() const;  // in the system code page, for log lines
    void Empty() { m_str.clear(); }

    wchar_t GetAt(int index) const;
    int Compare(LPCWSTR other) const;
    int CompareNoCase(LPCWSTR other) const;
    CDuiString Left(int count) const;
    CDuiString Mid(int pos, int count = -1) const;
    CDuiString Right(int count) const;
    int Find(wchar_t ch, int start = 0) const;
    int Find(LPCWSTR sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int Replace(LPCWSTR from, LPCWSTR to);
    void MakeUpper();
    void MakeLower();

    // printf-style; returns the resulting length.
    int Format(LPCWSTR format, ...);
    int FormatV(LPCWSTR format, va_list args);

    CDuiString& operator=(LPCWSTR text);
    CDuiString& operator=(const char* narrow);
    CDuiString& operator+=(LPCWSTR text);
    CDuiString& operator+=(wchar_t ch);
    CDuiString operator+(LPCWSTR text) const;
    CDuiString operator+(const CDuiString& text) const;
    bool operator==(LPCWSTR text) const { return Compare(text) == 0; }
    bool operator!=(LPCWSTR text) const { return Compare(text) != 0; }
    bool operator<(const CDuiString& other) const { return m_str < other.m_str; }

private:
    std::wstring m_str;
};

}  // namespace DuiLib

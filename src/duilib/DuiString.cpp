#include "duilib/DuiString.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace DuiLib {

CDuiString::CDuiString(LPCWSTR text) {
    if (text) m_str = text;
}

CDuiString::CDuiString(LPCWSTR text, int length) {
    if (text && length > 0) m_str.assign(text, wcsnlen(text, static_cast<size_t>(length)));
}

CDuiString::CDuiString(const char* narrow) { *this = narrow; }

CDuiString& CDuiString::operator=(LPCWSTR text) {
    m_str = text ? text : L"";
    return *this;
}

CDuiString& CDuiString::operator=(const char* narrow) {
    m_str.clear();
    if (!narrow || !*narrow) return *this;
    int n = MultiByteToWideChar(CP_ACP, 0, narrow, -1, nullptr, 0);
    if (n <= 1) return *this;
    std::vector<wchar_t> buf(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, narrow, -1, buf.data(), n);
    m_str.assign(buf.data());
    return *this;
}

wchar_t CDuiString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) return L'\0';
    return m_str[static_cast<size_t>(index)];
}

int CDuiString::Compare(LPCWSTR other) const { return wcscmp(m_str.c_str(), other ? other : L""); }

int CDuiString::CompareNoCase(LPCWSTR other) const {
    return _wcsicmp(m_str.c_str(), other ? other : L"");
}

CDuiString CDuiString::Left(int count) const {
    if (count <= 0) return CDuiString();
    return CDuiString(m_str.substr(0, static_cast<size_t>(count)));
}

CDuiString CDuiString::Mid(int pos, int count) const {
    if (pos < 0) pos = 0;
    if (pos >= GetLength()) return CDuiString();
    if (count < 0) return CDuiString(m_str.substr(static_cast<size_t>(pos)));
    return CDuiString(m_str.substr(static_cast<size_t>(pos), static_cast<size_t>(count)));
}

CDuiString CDuiString::Right(int count) const {
    if (count <= 0) return CDuiString();
    if (count >= GetLength()) return *this;
    return CDuiString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

int CDuiString::Find(wchar_t ch, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    size_t p = m_str.find(ch, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Find(LPCWSTR sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = m_str.find(sub, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::ReverseFind(wchar_t ch) const {
    size_t p = m_str.rfind(ch);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CDuiString::Replace(LPCWSTR from, LPCWSTR to) {
    if (!from || !*from) return 0;
    std::wstring f(from), t(to ? to : L"");
    int count = 0;
    size_t pos = 0;
    while ((pos = m_str.find(f, pos)) != std::wstring::npos) {
        m_str.replace(pos, f.size(), t);
        pos += t.size();
        ++count;
    }
    return count;
}

void CDuiString::MakeUpper() { CharUpperBuffW(&m_str[0], static_cast<DWORD>(m_str.size())); }
void CDuiString::MakeLower() { CharLowerBuffW(&m_str[0], static_cast<DWORD>(m_str.size())); }

int CDuiString::Format(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatV(format, args);
    va_end(args);
    return n;
}

int CDuiString::FormatV(LPCWSTR format, va_list args) {
    m_str.clear();
    if (!format) return 0;
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf.data(), buf.size() - 1, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size() - 1) {
            m_str.assign(buf.data(), static_cast<size_t>(n));
            return n;
        }
        if (buf.size() > (1u << 20)) return 0;  // runaway format: give up, stay empty
        buf.resize(buf.size() * 2);
    }
}

CDuiString& CDuiString::operator+=(LPCWSTR text) {
    if (text) m_str += text;
    return *this;
}

CDuiString& CDuiString::operator+=(wchar_t ch) {
    m_str += ch;
    return *this;
}

CDuiString CDuiString::operator+(LPCWSTR text) const {
    CDuiString r(*this);
    r += text;
    return r;
}

CDuiString CDuiString::operator+(const CDuiString& text) const { return *this + text.GetData(); }

std::string CDuiString::ToAnsi() const {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, m_str.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, m_str.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

}  // namespace DuiLib

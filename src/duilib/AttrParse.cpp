#include "duilib/AttrParse.h"

#include <cstdarg>
#include <cwctype>

namespace DuiLib {

namespace {
thread_local CDuiString t_lastError;

const wchar_t* SkipSpace(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n') ++p;
    return p;
}

// One integer at p; advances p. False for no digits or out of range.
bool ReadInt(const wchar_t*& p, int& out) {
    p = SkipSpace(p);
    bool neg = false;
    if (*p == L'-' || *p == L'+') {
        neg = *p == L'-';
        ++p;
    }
    if (*p < L'0' || *p > L'9') return false;
    long long v = 0;
    while (*p >= L'0' && *p <= L'9') {
        v = v * 10 + (*p - L'0');
        if (v > CAttrParse::kMaxNumber) return false;
        ++p;
    }
    p = SkipSpace(p);
    out = static_cast<int>(neg ? -v : v);
    return true;
}
}  // namespace

bool CAttrParse::IntList(LPCWSTR value, int* out, int count) {
    if (!value) return false;
    const wchar_t* p = value;
    for (int i = 0; i < count; ++i) {
        if (!ReadInt(p, out[i])) return false;
        if (i + 1 < count) {
            if (*p != L',') return false;
            ++p;
        }
    }
    return *SkipSpace(p) == L'\0';
}

namespace {
// `count` numbers of attribute `name`; a refusal is told with `refusal`
// (the value, then the name).
bool ReadNumbers(LPCWSTR name, LPCWSTR value, int* out, int count, LPCWSTR refusal) {
    if (CAttrParse::IntList(value, out, count)) return true;
    CAttrParse::SetError(refusal, value ? value : L"", name);
    return false;
}
}  // namespace

bool CAttrParse::Int(LPCWSTR name, LPCWSTR value, int& out) {
    int v = 0;
    if (!ReadNumbers(name, value, &v, 1, L"bad number '%s' for attribute '%s'")) return false;
    out = v;
    return true;
}

bool CAttrParse::Rect(LPCWSTR name, LPCWSTR value, RECT& out) {
    int v[4] = {};
    if (!ReadNumbers(name, value, v, 4, L"bad rectangle '%s' for attribute '%s' (want l,t,r,b)")) return false;
    out = RECT{v[0], v[1], v[2], v[3]};
    return true;
}

bool CAttrParse::Size(LPCWSTR name, LPCWSTR value, SIZE& out) {
    int v[2] = {};
    if (!ReadNumbers(name, value, v, 2, L"bad size '%s' for attribute '%s' (want w,h)")) return false;
    out = SIZE{v[0], v[1]};
    return true;
}

bool CAttrParse::Color(LPCWSTR name, LPCWSTR value, DWORD& out) {
    const wchar_t* p = value ? value : L"";
    if (*p == L'#') ++p;
    else if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) p += 2;
    size_t len = 0;
    DWORD v = 0;
    for (; p[len]; ++len) {
        wchar_t c = p[len];
        int d = (c >= L'0' && c <= L'9') ? c - L'0'
              : (c >= L'a' && c <= L'f') ? c - L'a' + 10
              : (c >= L'A' && c <= L'F') ? c - L'A' + 10 : -1;
        if (d < 0 || len >= 8) {
            len = 0;
            break;
        }
        v = (v << 4) | static_cast<DWORD>(d);
    }
    if (len != 6 && len != 8) {
        SetError(L"bad colour '%s' for attribute '%s' (want #AARRGGBB)", value ? value : L"", name);
        return false;
    }
    if (len == 6) v |= 0xFF000000;
    out = v;
    return true;
}

bool CAttrParse::Bool(LPCWSTR name, LPCWSTR value, bool& out) {
    if (!value) value = L"";
    if (_wcsicmp(value, L"true") == 0 || wcscmp(value, L"1") == 0) {
        out = true;
        return true;
    }
    if (_wcsicmp(value, L"false") == 0 || wcscmp(value, L"0") == 0) {
        out = false;
        return true;
    }
    SetError(L"bad boolean '%s' for attribute '%s' (want true or false)", value, name);
    return false;
}

bool CAttrParse::AttributeList(LPCWSTR text, std::vector<std::pair<CDuiString, CDuiString>>& out) {
    const wchar_t* p = text ? text : L"";
    for (;;) {
        p = SkipSpace(p);
        if (!*p) return true;
        const wchar_t* nameStart = p;
        while (*p && (iswalnum(*p) || *p == L'_')) ++p;
        if (p == nameStart) {
            SetError(L"bad attribute list near '%.20s'", p);
            return false;
        }
        CDuiString name(nameStart, static_cast<int>(p - nameStart));
        p = SkipSpace(p);
        if (*p != L'=') {
            SetError(L"missing '=' after '%s' in attribute list", name.GetData());
            return false;
        }
        p = SkipSpace(p + 1);
        wchar_t quote = *p;
        if (quote != L'"' && quote != L'\'') {
            SetError(L"unquoted value for '%s' in attribute list", name.GetData());
            return false;
        }
        const wchar_t* valueStart = ++p;
        while (*p && *p != quote) ++p;
        if (!*p) {
            SetError(L"unterminated value for '%s' in attribute list", name.GetData());
            return false;
        }
        out.emplace_back(name, CDuiString(std::wstring(valueStart, static_cast<size_t>(p - valueStart))));
        ++p;
    }
}

void CAttrParse::SetError(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    t_lastError.FormatV(format, args);
    va_end(args);
}

CDuiString CAttrParse::TakeError() {
    CDuiString e = t_lastError;
    t_lastError.Empty();
    return e;
}

}  // namespace DuiLib

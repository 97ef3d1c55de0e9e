#include "duilib/ImageDesc.h"

#include "duilib/AttrParse.h"

namespace DuiLib {

bool CImageDesc::Parse(LPCWSTR description) {
    *this = CImageDesc();
    CDuiString text(description);
    if (text.Find(L'=') < 0) {
        // A bare path, trimmed.
        int b = 0, e = text.GetLength();
        while (b < e && text.GetAt(b) == L' ') ++b;
        while (e > b && text.GetAt(e - 1) == L' ') --e;
        sFile = text.Mid(b, e - b);
        return !sFile.IsEmpty();
    }
    const wchar_t* p = text.GetData();
    while (*p) {
        while (*p == L' ') ++p;
        if (!*p) break;
        const wchar_t* key = p;
        while (*p && *p != L'=' && *p != L' ') ++p;
        CDuiString name(key, static_cast<int>(p - key));
        while (*p == L' ') ++p;
        if (*p != L'=') {
            CAttrParse::SetError(L"bad image description '%s'", text.GetData());
            return false;
        }
        ++p;
        while (*p == L' ') ++p;
        wchar_t quote = *p;
        if (quote != L'\'' && quote != L'"') {
            CAttrParse::SetError(L"unquoted value in image description '%s'", text.GetData());
            return false;
        }
        const wchar_t* v = ++p;
        while (*p && *p != quote) ++p;
        if (!*p) {
            CAttrParse::SetError(L"unterminated value in image description '%s'", text.GetData());
            return false;
        }
        CDuiString value(v, static_cast<int>(p - v));
        ++p;
        if (name == L"file" || name == L"res") {
            sFile = value;
        } else if (name == L"source") {
            if (!CAttrParse::Rect(L"source", value, rcSource)) return false;
            bSource = true;
        } else if (name == L"dest") {
            if (!CAttrParse::Rect(L"dest", value, rcDest)) return false;
            bDest = true;
        } else if (name == L"corner") {
            if (!CAttrParse::Rect(L"corner", value, rcCorner)) return false;
        } else if (name == L"fade") {
            int f = 255;
            if (!CAttrParse::Int(L"fade", value, f) || f < 0 || f > 255) {
                CAttrParse::SetError(L"bad fade '%s' in image description", value.GetData());
                return false;
            }
            uFade = static_cast<BYTE>(f);
        } else if (name == L"tint") {
            if (!CAttrParse::Color(L"tint", value, dwTint)) return false;
        } else {
            CAttrParse::SetError(L"unknown key '%s' in image description", name.GetData());
            return false;
        }
    }
    if (sFile.IsEmpty()) {
        CAttrParse::SetError(L"image description without file: '%s'", text.GetData());
        return false;
    }
    return true;
}

}  // namespace DuiLib

#include "mainframe/WebLink.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "duilib/ControlUI.h"
#include "log/BaseLog.h"

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    size_t n = std::wcslen(prefix);
    return text.size() >= n && _wcsnicmp(text.c_str(), prefix, n) == 0;
}

}  // namespace

bool CWebLink::IsWebAddress(const std::wstring& address) {
    size_t rest = 0;
    if (StartsWithNoCase(address, L"http://")) rest = 7;
    else if (StartsWithNoCase(address, L"https://")) rest = 8;
    else return false;
    // A host must follow before any path, query or fragment.
    if (rest >= address.size() || std::wcschr(L"/?#\\@:", address[rest])) return false;
    for (wchar_t c : address)
        if (c <= L' ' || c == 0x7F || c == L'"' || c == L'<' || c == L'>' || c == L'\\' || c == L'^' || c == L'`' ||
            c == L'{' || c == L'|' || c == L'}')
            return false;
    return true;
}

void CWebLink::Prepare(DuiLib::CControlUI* link) {
    if (!link || !link->GetUserData().IsEmpty()) return;
    link->SetMouseEnabled(false);
    link->SetKeyboardEnabled(false);
}

bool CWebLink::Open(const std::wstring& address) {
    if (address.empty()) return false;
    if (!IsWebAddress(address)) {
        VLOG("link refused: not an http or https address: %ls", address.c_str());
        return false;
    }
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW);
    // Values up to 32 are the shell's error codes.
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        VLOG("link not opened (%d): %ls", static_cast<int>(reinterpret_cast<INT_PTR>(result)), address.c_str());
        return false;
    }
    VLOG("link opened: %ls", address.c_str());
    return true;
}

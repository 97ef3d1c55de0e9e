#include "mainframe/WebLink.h"

#include <windows.h>

#include <cwchar>

#include "duilib/ControlUI.h"
#include "log/BaseLog.h"
#include "mainframe/Notice.h"
#include "settings/Settings.h"
#include "shell/DesktopShell.h"

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

bool CWebLink::Open(const std::wstring& address, HWND owner) {
    if (address.empty()) return false;
    if (!IsWebAddress(address)) {
        VLOG("link refused: not an http or https address: %ls", address.c_str());
        return false;
    }
    // Never started from this process: the browser would run with its
    // administrator rights. The desktop's shell starts it with the user's.
    const char* step = "";
    const HRESULT hr = CDesktopShell::Open(address, &step);
    if (SUCCEEDED(hr)) {
        VLOG("link opened through the desktop's shell: %ls", address.c_str());
        return true;
    }
    VLOG("link not opened: the desktop's shell cannot start it (%s, 0x%08lX): %ls", step,
         static_cast<unsigned long>(hr), address.c_str());
    if (owner)
        ShowNotice(owner, GetLanguageString(L"STR_TITLE"),
                   GetLanguageString(L"STR_LINKNOTOPENED") + L"\n\n" + address, 0);
    return false;
}

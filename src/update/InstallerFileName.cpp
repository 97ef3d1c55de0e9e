#include "update/InstallerFileName.h"

#include <cwchar>

namespace {

// Used when the URL names no usable file.
const wchar_t kFallbackFileName[] = L"VelotuneSetup.exe";

// CON, NUL, AUX, PRN, COM1-9 and LPT1-9 name devices, not files, whatever
// extension follows them and with trailing spaces or dots.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    if (base.size() == 3)
        for (const wchar_t* device : {L"CON", L"NUL", L"AUX", L"PRN"})
            if (_wcsicmp(base.c_str(), device) == 0) return true;
    if (base.size() != 4) return false;
    bool port = _wcsnicmp(base.c_str(), L"COM", 3) == 0 || _wcsnicmp(base.c_str(), L"LPT", 3) == 0;
    return port && (std::wcschr(L"123456789", base[3]) || std::wcschr(L"\u00b9\u00b2\u00b3", base[3]));
}

}  // namespace

std::wstring InstallerFileName(const std::wstring& url) {
    size_t slash = url.rfind(L'/');
    std::wstring name = slash == std::wstring::npos ? url : url.substr(slash + 1);
    size_t cut = name.find_first_of(L"?#");
    if (cut != std::wstring::npos) name.erase(cut);
    size_t back = name.rfind(L'\\');
    if (back != std::wstring::npos) name.erase(0, back + 1);
    for (wchar_t& c : name)
        if (c < 32 || std::wcschr(L":*?\"<>|", c)) c = L'_';
    // The system drops them from the end of a name: "..." or " " would name
    // the download folder itself.
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (name.empty() || IsDeviceName(name)) name = kFallbackFileName;
    return name;
}

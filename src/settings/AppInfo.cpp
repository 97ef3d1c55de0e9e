#include "settings/AppInfo.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "settings/ModulePath.h"
#include "settings/VersionLibrary.h"

namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

}  // namespace

std::wstring GetAppFolder() {
    std::wstring module = GetModulePath();
    size_t slash = module.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    return module.substr(0, slash);
}

std::wstring GetFileVersionStringOf(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    const CVersionLibrary& library = CVersionLibrary::Get();
    DWORD size = library.InfoSize(path.c_str());
    if (size == 0) return std::wstring();
    std::vector<BYTE> data(size);
    if (!library.Info(path.c_str(), size, data.data())) return std::wstring();
    // The system walks the resource's structure for us, within its size;
    // a block without the fixed information's signature is not trusted.
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!library.QueryValue(data.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        info == nullptr || infoSize < sizeof(VS_FIXEDFILEINFO) ||
        info->dwSignature != kFixedInfoSignature)
        return std::wstring();
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%u.%u.%u.%u", (unsigned)HIWORD(info->dwFileVersionMS),
                  (unsigned)LOWORD(info->dwFileVersionMS), (unsigned)HIWORD(info->dwFileVersionLS),
                  (unsigned)LOWORD(info->dwFileVersionLS));
    return text;
}

std::wstring GetFileVersionString() { return GetFileVersionStringOf(GetModulePath()); }

std::wstring FormatSize(uint64_t bytes) {
    wchar_t text[64] = {};
    if (bytes < 1024) {
        std::swprintf(text, 64, L"%d B", (int)bytes);
    } else {
        float size = (float)bytes / 1024.0f;
        if (size < 1024.0f) {
            std::swprintf(text, 64, L"%.1f KB", (double)size);
        } else {
            std::swprintf(text, 64, L"%.1f MB", (double)(size / 1024.0f));
        }
    }
    return text;
}

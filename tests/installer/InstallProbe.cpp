#include "InstallProbe.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <sstream>

#include "base/Win32Owners.h"
#include "support/TestPaths.h"

namespace InstallProbe {

const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velotune";
const wchar_t* const kSettingsKey = L"Software\\Dizaz\\Velotune";
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
#ifdef _WIN64
const REGSAM kProductView = KEY_WOW64_64KEY;
const REGSAM kOtherView = KEY_WOW64_32KEY;
#else
const REGSAM kProductView = KEY_WOW64_32KEY;
const REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

namespace {

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
    return path;
}

void CollectFiles(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW fd;
    std::wstring dir = rel.empty() ? root : root + L"\\" + rel;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring sub = rel.empty() ? name : rel + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(root, sub, out);
        else
            out->push_back(sub);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

}  // namespace

// Named explicitly rather than through the process's own view of
// CSIDL_PROGRAM_FILES, which a 32-bit process sees redirected anyway.
#ifdef _WIN64
std::wstring InstallDir() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Velotune"; }
std::wstring OtherInstallDir() { return KnownFolder(CSIDL_PROGRAM_FILESX86) + L"\\Velotune"; }
#else
std::wstring InstallDir() { return KnownFolder(CSIDL_PROGRAM_FILESX86) + L"\\Velotune"; }
std::wstring OtherInstallDir() {
    wchar_t folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"ProgramW6432", folder, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? L"" : std::wstring(folder) + L"\\Velotune";
}
#endif

std::wstring StartMenuShortcut() { return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Velotune.lnk"; }

std::wstring UserDataFolder() { return KnownFolder(CSIDL_APPDATA) + L"\\Velotune"; }

std::wstring DistVersion() {
    std::wstring exe = TestPaths::DistDir() + L"\\Velotune.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0) return L"";
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) return L"";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return L"";
    std::wostringstream text;
    text << HIWORD(info->dwFileVersionMS) << L'.' << LOWORD(info->dwFileVersionMS) << L'.'
         << HIWORD(info->dwFileVersionLS) << L'.' << LOWORD(info->dwFileVersionLS);
    return text.str();
}

namespace {
std::wstring ArchDir() {
    std::wstring dist = TestPaths::DistDir();     // <build>\<arch>\dist
    return dist.substr(0, dist.find_last_of(L"\\/"));  // <build>\<arch>
}
std::wstring BuildDir() { return ArchDir().substr(0, ArchDir().find_last_of(L"\\/")); }
std::wstring Arch() { return ArchDir().substr(ArchDir().find_last_of(L"\\/") + 1); }
}  // namespace

std::wstring SetupProgram() { return BuildDir() + L"\\Velotune-Setup-" + DistVersion() + L"-" + Arch() + L".exe"; }

std::wstring MsiPackage() { return BuildDir() + L"\\Velotune-" + DistVersion() + L"-" + Arch() + L".msi"; }

std::wstring OlderMsiPackage() { return ArchDir() + L"\\installer-test\\Velotune-0.9.0.0-" + Arch() + L".msi"; }

std::wstring UserStartMenuShortcut() { return KnownFolder(CSIDL_PROGRAMS) + L"\\Velotune.lnk"; }

std::wstring SourceDir() {
    wchar_t value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"VELOTUNE_SOURCE_DIR", value, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"";
    std::wstring path = value;
    // A Unix path from the test's wrapper: reached through drive Z:.
    if (!path.empty() && path[0] == L'/') {
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        path = L"Z:" + path;
    }
    return path;
}

bool RegText(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring* text, REGSAM view) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    vt::UniqueRegKey k;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, k.Put()) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExW(k.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    *text = buf;
    return true;
}

bool RegNumber(HKEY root, const wchar_t* key, const wchar_t* value, DWORD* number) {
    DWORD size = sizeof(DWORD);
    DWORD type = 0;
    vt::UniqueRegKey k;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | kProductView, k.Put()) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExW(k.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(number), &size);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
}

bool KeyExists(HKEY root, const wchar_t* key, REGSAM view) {
    vt::UniqueRegKey k;
    return RegOpenKeyExW(root, key, 0, KEY_READ | view, k.Put()) == ERROR_SUCCESS;
}

bool SetRegText(HKEY root, const wchar_t* key, const wchar_t* value, const std::wstring& text, REGSAM view) {
    vt::UniqueRegKey k;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, k.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(k.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> FilesUnder(const std::wstring& folder) {
    std::vector<std::wstring> out;
    CollectFiles(folder, L"", &out);
    return out;
}

std::vector<std::wstring> EntriesOf(const std::wstring& folder) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") out.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

std::wstring ShortcutTarget(const std::wstring& link) {
    std::wstring target;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        // Given back before COM is uninitialised below.
        vt::ComPtr<IShellLinkW> shellLink;
        vt::ComPtr<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(shellLink.Put()))) &&
            SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())))) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target = path;
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return target;
}

std::vector<std::wstring> NotShippedPatterns() {
    std::vector<std::wstring> patterns;
    std::string text = TestPaths::ReadFileBytes(SourceDir() + L"\\installer\\not-shipped.txt");
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        size_t b = line.find_first_not_of(" \t\r");
        size_t e = line.find_last_not_of(" \t\r");
        if (b == std::string::npos) continue;
        std::string p = line.substr(b, e - b + 1);
        patterns.emplace_back(p.begin(), p.end());
    }
    return patterns;
}

bool MatchesAny(const std::wstring& name, const std::vector<std::wstring>& patterns) {
    for (const std::wstring& p : patterns)
        if (PathMatchSpecW(name.c_str(), p.c_str())) return true;
    return false;
}

}  // namespace InstallProbe

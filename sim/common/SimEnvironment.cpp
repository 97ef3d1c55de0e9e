#include "common/SimEnvironment.h"

#include <windows.h>

#include <vector>

#include "common/KeptRecord.h"

namespace simcommon {

namespace {

const wchar_t kSection[] = L"StandIn";

std::wstring OwnPath() {
    // The address of this function lies in whichever module linked it in.
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&OwnPath), &self))
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    DWORD len = GetModuleFileNameW(self, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return std::wstring();
    return std::wstring(path, len);
}

bool IsFullPath(const std::wstring& p) {
    return (p.size() >= 2 && p[1] == L':') || (!p.empty() && (p[0] == L'\\' || p[0] == L'/'));
}

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring OwnFolder() {
    std::wstring p = OwnPath();
    size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash);
}

std::wstring OwnName() {
    std::wstring p = OwnPath();
    size_t slash = p.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? p : p.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring SwitchFile(const std::wstring& module) { return OwnFolder() + L"\\" + module + L".ini"; }

std::wstring RecordFile(const std::wstring& module) { return OwnFolder() + L"\\" + module + L".calls.log"; }

std::wstring Switch(const wchar_t* key, const std::wstring& module) {
    if (OwnFolder().empty()) return std::wstring();
    wchar_t value[MAX_PATH * 2] = {};
    DWORD len = GetPrivateProfileStringW(kSection, key, L"", value, MAX_PATH * 2, SwitchFile(module).c_str());
    return std::wstring(value, len);
}

int SwitchInt(const wchar_t* key, const std::wstring& module) {
    std::wstring v = Switch(key, module);
    return v.empty() ? 0 : _wtoi(v.c_str());
}

std::wstring InsideFolder(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty() || path.empty()) return std::wstring();
    // Resolved first, so that "..", "." and doubled separators cannot lead out.
    std::vector<wchar_t> full(MAX_PATH * 2);
    DWORD len = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (len == 0 || len >= full.size()) return std::wstring();
    std::wstring resolved(full.data(), len);
    const std::wstring prefix = folder + L"\\";
    if (resolved.size() <= prefix.size() ||
        CompareStringOrdinal(resolved.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL)
        return std::wstring();
    // An alternate data stream ("file:stream") is no file of this folder.
    if (resolved.find(L':', 2) != std::wstring::npos) return std::wstring();
    return resolved;
}

std::wstring SwitchPath(const wchar_t* key, const std::wstring& fallbackName, const std::wstring& module) {
    const std::wstring folder = OwnFolder();
    const std::wstring fallback = folder + L"\\" + fallbackName;
    std::wstring value = Switch(key, module);
    if (value.empty()) return fallback;
    std::wstring inside = InsideFolder(folder, IsFullPath(value) ? value : folder + L"\\" + value);
    if (!inside.empty()) return inside;
    AppendLine(RecordFile(module),
               "Refused\t" + Narrow(key) + "=" + Narrow(value) + "\toutside " + Narrow(folder));
    return fallback;
}

void AppendLine(const std::wstring& path, const std::string& line) {
    // Opened for this one line and closed again.
    CKeptRecord(path).Append(line);
}

}  // namespace simcommon

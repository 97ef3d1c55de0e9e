#include "support/TestPaths.h"

#include <windows.h>

#include "base/Win32Owners.h"

namespace TestPaths {

std::wstring TestDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring DistDir() {
    std::wstring t = TestDir();
    return t.substr(0, t.find_last_of(L"\\/")) + L"\\dist";
}

std::wstring Join(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    wchar_t last = a.back();
    return (last == L'\\' || last == L'/') ? a + b : a + L"\\" + b;
}

std::string Narrow(const std::wstring& text, unsigned codePage) {
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::string ReadFileBytes(const std::wstring& path) {
    vt::UniqueFile h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h.Get(), buf, sizeof(buf), &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    vt::UniqueFile h(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h.Get(), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    return ok && written == bytes.size();
}

}  // namespace TestPaths

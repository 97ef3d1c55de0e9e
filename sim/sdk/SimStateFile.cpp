#include "SimStateFile.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "base/Win32Owners.h"

std::map<uint32_t, double> CSimStateFile::Read(const std::wstring& path) {
    std::map<uint32_t, double> values;
    std::vector<wchar_t> buffer(32768);
    DWORD len = GetPrivateProfileSectionW(L"Active", buffer.data(), (DWORD)buffer.size(), path.c_str());
    for (DWORD i = 0; i < len && buffer[i];) {
        std::wstring entry(&buffer[i]);
        i += (DWORD)entry.size() + 1;
        size_t eq = entry.find(L'=');
        if (eq == std::wstring::npos) continue;
        std::wstring key = entry.substr(0, eq), value = entry.substr(eq + 1);
        wchar_t* end = nullptr;
        unsigned long id = std::wcstoul(key.c_str(), &end, 0);
        if (end == key.c_str()) continue;
        double v = std::wcstod(value.c_str(), &end);
        if (end == value.c_str()) continue;
        values[(uint32_t)id] = v;
    }
    return values;
}

bool CSimStateFile::Write(const std::wstring& path, const std::map<uint32_t, double>& values) {
    std::string text = "[Active]\r\n";
    for (const auto& entry : values) {
        char line[96];
        if (entry.first >= 0x10000)
            std::snprintf(line, sizeof(line), "0x%08X=%.10g\r\n", (unsigned)entry.first, entry.second);
        else
            std::snprintf(line, sizeof(line), "%u=%.10g\r\n", (unsigned)entry.first, entry.second);
        text += line;
    }
    std::wstring temp = path + L".tmp";
    bool written = false;
    {
        vt::UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD count = 0;
        written = WriteFile(file.Get(), text.data(), (DWORD)text.size(), &count, nullptr) && count == text.size();
    }
    if (written &&
        MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temp.c_str());
    return false;
}

#include "SimProfile.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

namespace {

constexpr size_t kMaxAllowed = 256;

std::wstring ReadString(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[1024] = {};
    GetPrivateProfileStringW(section, key, L"", buffer, 1024, path.c_str());
    return buffer;
}

bool HasKey(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[8] = {};
    GetPrivateProfileStringW(section, key, L"\x01", buffer, 8, path.c_str());
    return !(buffer[0] == 1 && buffer[1] == 0);
}

bool ParseDouble(const std::wstring& text, double* out) {
    const wchar_t* begin = text.c_str();
    while (*begin && std::iswspace(*begin)) ++begin;
    if (*begin == 0) return false;
    wchar_t* end = nullptr;
    double v = std::wcstod(begin, &end);
    if (end == begin) return false;
    *out = v;
    return true;
}

bool ParseId(const std::wstring& text, uint32_t* out) {
    const wchar_t* begin = text.c_str();
    while (*begin && std::iswspace(*begin)) ++begin;
    if (*begin == 0) return false;
    wchar_t* end = nullptr;
    unsigned long v = std::wcstoul(begin, &end, 0);
    if (end == begin) return false;
    *out = (uint32_t)v;
    return true;
}

// A call's name in a list: letters only, surrounding blanks dropped.
bool ParseName(const std::wstring& text, std::wstring* out) {
    std::wstring name;
    for (wchar_t c : text)
        if (!std::iswspace(c)) name += c;
    if (name.empty()) return false;
    *out = name;
    return true;
}

double ReadDouble(const std::wstring& path, const wchar_t* section, const wchar_t* key, double fallback) {
    double v = fallback;
    return ParseDouble(ReadString(path, section, key), &v) ? v : fallback;
}

bool ReadFlag(const std::wstring& path, const wchar_t* section, const wchar_t* key, bool fallback) {
    std::wstring text = ReadString(path, section, key);
    if (text.empty()) return fallback;
    wchar_t c = (wchar_t)std::towlower(text[0]);
    return !(c == L'0' || c == L'f' || c == L'n');
}

template <typename T, typename Parse>
std::vector<T> ReadList(const std::wstring& text, Parse parse) {
    std::vector<T> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos) comma = text.size();
        T v{};
        if (parse(text.substr(start, comma - start), &v)) out.push_back(v);
        start = comma + 1;
    }
    return out;
}

}  // namespace

bool CSimProfile::Load(const std::wstring& path) {
    *this = CSimProfile();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    const wchar_t* proc = L"Processor";
    m_brand = ReadString(path, proc, L"BrandString");
    m_coreCount = (int32_t)GetPrivateProfileIntW(proc, L"CoreCount", 0, path.c_str());
    m_overclockEnabled = ReadFlag(path, proc, L"OverclockEnabled", true);
    m_coreTunable = ReadFlag(path, proc, L"CoreTunable", true);
    if (m_brand.empty() && m_coreCount == 0) return false;

    std::vector<wchar_t> names(32768);
    DWORD len = GetPrivateProfileSectionNamesW(names.data(), (DWORD)names.size(), path.c_str());
    for (DWORD i = 0; i < len && names[i];) {
        std::wstring section(&names[i]);
        i += (DWORD)section.size() + 1;
        // [StandIn] holds the library's own switches, no control.
        if (_wcsicmp(section.c_str(), L"Processor") == 0 || _wcsicmp(section.c_str(), L"Faults") == 0 ||
            _wcsicmp(section.c_str(), L"StandIn") == 0)
            continue;
        LoadControl(path, section);
    }
    LoadFaults(path);
    return true;
}

bool CSimProfile::LoadControl(const std::wstring& path, const std::wstring& section) {
    const wchar_t* s = section.c_str();
    SimControlSpec c;
    if (!ParseId(ReadString(path, s, L"Id"), &c.id)) return false;
    c.name = ReadString(path, s, L"Name");
    c.defaultValue = ReadDouble(path, s, L"Default", 0);
    c.activeValue = ReadDouble(path, s, L"Active", c.defaultValue);
    c.hasProposed = HasKey(path, s, L"Proposed");
    c.proposedValue = ReadDouble(path, s, L"Proposed", c.activeValue);

    std::wstring list = ReadString(path, s, L"Values");
    if (!list.empty()) {
        c.allowed = ReadList<double>(list, ParseDouble);
    } else {
        double lo = ReadDouble(path, s, L"Min", c.defaultValue);
        double hi = ReadDouble(path, s, L"Max", c.defaultValue);
        double step = ReadDouble(path, s, L"Step", 1);
        if (step <= 0) step = 1;
        for (int k = 0; lo + k * step <= hi + step * 1e-6 && c.allowed.size() < kMaxAllowed; ++k)
            c.allowed.push_back(lo + k * step);
    }
    std::sort(c.allowed.begin(), c.allowed.end());
    c.allowed.erase(std::unique(c.allowed.begin(), c.allowed.end()), c.allowed.end());
    if (c.allowed.size() > kMaxAllowed) c.allowed.resize(kMaxAllowed);

    // A later section with the same id replaces the earlier one.
    for (SimControlSpec& existing : m_controls) {
        if (existing.id == c.id) {
            existing = c;
            return true;
        }
    }
    m_controls.push_back(c);
    return true;
}

void CSimProfile::LoadFaults(const std::wstring& path) {
    const wchar_t* f = L"Faults";
    SimFaults& x = m_faults;
    x.noRoot = ReadFlag(path, f, L"NoRoot", false);
    x.initFails = ReadFlag(path, f, L"InitFails", false);
    x.noSystemInfo = ReadFlag(path, f, L"NoSystemInfo", false);
    x.noProcessor = ReadFlag(path, f, L"NoProcessor", false);
    x.overclockDisabled = ReadFlag(path, f, L"OverclockDisabled", false);
    x.coresNotTunable = ReadFlag(path, f, L"CoresNotTunable", false);
    x.noTuningLibrary = ReadFlag(path, f, L"NoTuningLibrary", false);
    x.noMonitoringLibrary = ReadFlag(path, f, L"NoMonitoringLibrary", false);
    x.getControlFailsFor = ReadList<uint32_t>(ReadString(path, f, L"GetControlFailsFor"), ParseId);
    x.proposeFails = ReadFlag(path, f, L"ProposeFails", false);
    x.resultDisabled = ReadFlag(path, f, L"ResultDisabled", false);
    x.resultRebootRequired = ReadFlag(path, f, L"ResultRebootRequired", false);
    x.applyFails = ReadFlag(path, f, L"ApplyFails", false);
    x.monitorNeverReady = ReadFlag(path, f, L"MonitorNeverReady", false);
    x.raiseIn.clear();
    for (const std::wstring& name : ReadList<std::wstring>(ReadString(path, f, L"RaiseIn"), ParseName))
        x.raiseIn.push_back(std::string(name.begin(), name.end()));
    if (ReadFlag(path, f, L"MonitorThrows", false)) x.raiseIn.push_back("GetMonitorValue");
    x.raiseAccessViolation = ReadString(path, f, L"RaiseKind") == L"access";
    int delay = (int)GetPrivateProfileIntW(f, L"DelayMs", 0, path.c_str());
    x.delayMs = delay > 0 ? (uint32_t)delay : 0;
    x.hasControlCount = ParseId(ReadString(path, f, L"ControlCount"), &x.controlCount);
    x.holdWhileFile = ReadString(path, f, L"HoldWhileFile");
}

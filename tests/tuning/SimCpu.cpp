#include "SimCpu.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "support/StandInSwitch.h"
#include "support/TestPaths.h"

std::wstring SimCpu::s_profile;
std::wstring SimCpu::s_state;

namespace {
const uint32_t kRatioIds[] = {29, 30, 31, 32, 42, 43, 96, 97, 107, 108};

std::string Num(double v) {
    char b[64];
    std::snprintf(b, sizeof(b), "%.6g", v);
    return b;
}
}  // namespace

std::string SimCpu::Processor(const std::string& brand, int cores, bool overclockEnabled) {
    return "[Processor]\r\nBrandString=" + brand + "\r\nCoreCount=" + std::to_string(cores) +
           "\r\nOverclockEnabled=" + (overclockEnabled ? "1" : "0") + "\r\nCoreTunable=1\r\n\r\n";
}

std::string SimCpu::Control(uint32_t id, double defaultValue, double proposed, double minValue,
                            double maxValue, double step) {
    char head[64];
    std::snprintf(head, sizeof(head), "[Control_%X]\r\nId=0x%X\r\n", id, id);
    std::string s = head;
    s += "Name=Control " + std::to_string(id) + "\r\n";
    s += "Default=" + Num(defaultValue) + "\r\n";
    if (proposed >= 0) s += "Proposed=" + Num(proposed) + "\r\n";
    s += "Min=" + Num(minValue) + "\r\nMax=" + Num(maxValue) + "\r\nStep=" + Num(step) + "\r\n\r\n";
    return s;
}

double SimCpu::StandardDefault(uint32_t id) {
    for (int i = 0; i < 10; ++i)
        if (kRatioIds[i] == id) return 40 - i;
    return 0;
}

std::string SimCpu::Standard(int cores, const std::string& faults) {
    std::string p = Processor("Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", cores);
    for (uint32_t id : kRatioIds) p += Control(id, StandardDefault(id), StandardDefault(id) + 5);
    p += Control(0xD0000002u, 4000, -1, 800, 6000, 100);
    p += Control(0xD0000005u, 36);
    p += "[Faults]\r\n" + faults + "\r\n";
    return p;
}

std::wstring SimCpu::Folder() {
    std::wstring dir = TestPaths::Join(TestPaths::TestDir(), L"tuning_sim");
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void SimCpu::Use(const std::string& profile) {
    static int serial = 0;
    ++serial;
    wchar_t name[64];
    std::swprintf(name, 64, L"profile_%lu_%d.ini", GetCurrentProcessId(), serial);
    s_profile = TestPaths::Join(Folder(), name);
    std::swprintf(name, 64, L"state_%lu_%d.ini", GetCurrentProcessId(), serial);
    s_state = TestPaths::Join(Folder(), name);
    DeleteFileW(s_state.c_str());
    TestPaths::WriteFileBytes(s_profile, profile);
    // Both switches for the rest of the test program; the first ones' ends
    // give the library's file back as it was.
    static std::unique_ptr<ScopedStandInSwitch> state, selected;
    selected.reset();
    state.reset();
    state = std::make_unique<ScopedStandInSwitch>(L"OverclockingSdkWrapper", L"STATE", s_state);
    selected = std::make_unique<ScopedStandInSwitch>(L"OverclockingSdkWrapper", L"PROFILE", s_profile);
}

void SimCpu::Rewrite(const std::string& profile) {
    // Make sure the file's stamp moves even within the clock's resolution.
    std::string text = profile + "; rewritten " + std::to_string(GetTickCount()) + "\r\n";
    TestPaths::WriteFileBytes(s_profile, text);
}

std::map<uint32_t, double> SimCpu::StateValues() {
    std::map<uint32_t, double> values;
    std::string all = TestPaths::ReadFileBytes(s_state);
    bool active = false;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            active = line == "[Active]";
            continue;
        }
        size_t eq = line.find('=');
        if (!active || eq == std::string::npos) continue;
        uint32_t id = (uint32_t)std::strtoul(line.substr(0, eq).c_str(), nullptr, 0);
        values[id] = std::strtod(line.substr(eq + 1).c_str(), nullptr);
    }
    return values;
}

#pragma once
// What the CPU reader learns about the processor. The main window receives
// its address with UM_GETCPUINFO_FINISH and copies it.
#include <string>

struct CpuInfo {
    std::wstring m_strCpuName;   // brand text before "CPU @", or the whole brand
    std::wstring m_strCpuModel;  // last word of m_strCpuName: the dial table key
    std::wstring m_strFrequence; // brand text after "CPU @", leading space kept
    double m_dMaxTurboMHz = 0.0;
};

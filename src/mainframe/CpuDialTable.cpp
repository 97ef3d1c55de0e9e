#include "mainframe/CpuDialTable.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "log/BaseLog.h"
#include "mainframe/DebugTrace.h"
#include "tuning/TextSplit.h"

namespace {

float ToFloat(const std::wstring& s) { return (float)_wtof(s.c_str()); }
int ToInt(const std::wstring& s) { return _wtoi(s.c_str()); }

// A record's pieces after the model: seven frequencies and scale ends, then
// five angles (the two images and the overclocking step follow).
template <class T>
struct Field {
    const wchar_t* name;
    T CpuCustomData::*member;
};
using D = CpuCustomData;
const Field<float> kFrequencies[] = {{L"floatDefaultFrenquency", &D::floatDefaultFrenquency},
                                     {L"floatTurboFrenquency", &D::floatTurboFrenquency},
                                     {L"floatOverclockingFrenquencyLimit", &D::floatOverclockingFrenquencyLimit},
                                     {L"floatScale1_Start", &D::floatScale1_Start},
                                     {L"floatScale1_End", &D::floatScale1_End},
                                     {L"floatScale2_Start", &D::floatScale2_Start},
                                     {L"floatScale2_End", &D::floatScale2_End}};
const Field<int> kAngles[] = {{L"iAngle_Start", &D::iAngle_Start},
                              {L"iAngle_DefaultFrenquency", &D::iAngle_DefaultFrenquency},
                              {L"iAngle_TurboFrenquency", &D::iAngle_TurboFrenquency},
                              {L"iAngle_OverclockingFrenquencyLimit", &D::iAngle_OverclockingFrenquencyLimit},
                              {L"iAngle_End", &D::iAngle_End}};

}  // namespace

bool CCpuDialTable::ParseRecord(const std::wstring& text, CpuCustomData& entry) {
    std::vector<std::wstring> p;
    size_t pieces = SplitText(text, L"@@@@@", p);
    if (pieces < 16) {
        VLOG("dial record refused: %u of 16 pieces in \"%.60ls\"", (unsigned)pieces, text.c_str());
        return false;
    }
    entry = CpuCustomData();
    size_t next = 0;
    entry.strCPU_Model = p[next++];
    for (const Field<float>& f : kFrequencies) entry.*f.member = ToFloat(p[next++]);
    for (const Field<int>& f : kAngles) entry.*f.member = ToInt(p[next++]);
    entry.strImgBg = p[next++];
    entry.strImgPointer = p[next++];
    entry.floatOverclockingStep = ToFloat(p[next]);
    return true;
}

bool CCpuDialTable::Find(const std::wstring& model, CpuCustomData& entry) const {
    for (const CpuCustomData& e : m_entries) {
        if (_wcsicmp(e.strCPU_Model.c_str(), model.c_str()) == 0) {
            entry = e;
            return true;
        }
    }
    return false;
}

void CCpuDialTable::Store(float counter, float angle) {
    float key = (float)((double)counter / 10.0);
    int value = (int)angle;
    m_angles[key] = value;
    vt::DebugTrace(L"\r\n%0.2f : %d\r\n", key, value);
}

unsigned CCpuDialTable::BuildAngles(const CpuCustomData& e) {
    // Single precision throughout, as the dial's calibration was made with it.
    const float d10 = e.floatDefaultFrenquency * 10.0f;
    const float l10 = e.floatOverclockingFrenquencyLimit * 10.0f;
    const int a0 = e.iAngle_Start, aD = e.iAngle_DefaultFrenquency;
    const int aL = e.iAngle_OverclockingFrenquencyLimit, aE = e.iAngle_End;
    unsigned skipped = kNone;
    // A garbled record must not hang the window: float counters stop
    // advancing past 2^24, and absurd ranges would take forever anyway.
    auto sane = [](float v) { return v >= -1000.0f && v <= 1000.0f; };
    if (!sane(d10) || !sane(l10)) return kOutOfRange;

    vt::DebugTrace(L"\r\n---- 0 to default ----\r\n");
    if (d10 == 0.0f) {
        skipped |= kSkippedToDefault;
    } else if (d10 >= 0.0f) {
        for (float x = 0.0f; x <= d10; x += 1.0f)
            Store(x, (float)(aD - a0) * x / d10 + (float)a0);
    }

    vt::DebugTrace(L"\r\n---- default to limit ----\r\n");
    if (l10 - d10 == 0.0f) {
        skipped |= kSkippedToLimit;
    } else {
        for (float y = d10; y <= l10; y += 1.0f)
            Store(y, (float)(aL - aD) * (y - d10) / (l10 - d10) + (float)aD);
    }

    vt::DebugTrace(L"\r\n---- above the limit ----\r\n");
    for (float z = l10 + 1.0f; z <= 100.0f; z += 1.0f) Store(z, (float)aE);
    vt::DebugTrace(L"\r\n------------------------\r\n");
    return skipped;
}

bool CCpuDialTable::AngleOf(float frequency, int& angle) const {
    auto it = m_angles.find(frequency);
    if (it == m_angles.end()) return false;
    angle = it->second;
    return true;
}

void CCpuDialTable::Trace(const CpuCustomData& d) {
    vt::DebugTrace(L"\r\nstrCPU_Model : %s", d.strCPU_Model.c_str());
    for (const Field<float>& f : kFrequencies) vt::DebugTrace(L"\r\n%s : %0.2f", f.name, d.*f.member);
    for (const Field<int>& f : kAngles) vt::DebugTrace(L"\r\n%s : %d", f.name, d.*f.member);
    vt::DebugTrace(L"\r\nstrImgBg : %s", d.strImgBg.c_str());
    vt::DebugTrace(L"\r\nstrImgPointer : %s", d.strImgPointer.c_str());
}

std::wstring CCpuDialTable::TraceLookup(float frequency, bool known, int angle) {
    wchar_t answer[128];
    if (known)
        _snwprintf(answer, 127, L"\r\n%0.2f : %d\r\n", frequency, angle);
    else
        _snwprintf(answer, 127, L"\r\n%0.2f not found !\r\n", frequency);
    answer[127] = 0;
    // The entry line and the answer reach the debugger in one call, the same
    // text as two: every reading comes through here, and under Wine each call
    // raises an exception and asks the wineserver for a listener's buffer.
    vt::DebugTrace(L"\r\nCMainFrame::GetAngleByFrequency Enter : floatFrequency : %0.2f !\r\n%s", frequency,
                   answer);
    return answer;
}

#include "duilib/HighContrast.h"

#include <atomic>

namespace DuiLib {

namespace {

std::atomic<int> g_state{-1};  // -1 not read yet, else 0 or 1
std::atomic<bool> g_forced{false};

bool ReadSystem() {
    HIGHCONTRASTW hc = {};
    hc.cbSize = sizeof(hc);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

bool CHighContrast::IsOn() {
    if (g_forced.load()) return true;
    int state = g_state.load();
    if (state < 0) {
        state = ReadSystem() ? 1 : 0;
        g_state.store(state);
    }
    return state == 1;
}

void CHighContrast::Refresh() { g_state.store(ReadSystem() ? 1 : 0); }

void CHighContrast::Force(bool on) { g_forced.store(on); }

DWORD CHighContrast::SysColor(int index) {
    const COLORREF c = ::GetSysColor(index);
    return 0xFF000000 | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

DWORD CHighContrast::Pick(DWORD skin, int index) {
    if (skin == 0 || !IsOn()) return skin;
    return SysColor(index);
}

}  // namespace DuiLib

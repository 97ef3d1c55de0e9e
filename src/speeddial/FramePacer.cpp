#include "speeddial/FramePacer.h"

#include <algorithm>

#include "base/Win32Owners.h"

namespace DuiLib {

namespace {

int DisplayRefreshHz() {
    vt::WindowDc screen(nullptr);
    if (!screen) return 60;
    const int hz = ::GetDeviceCaps(screen.Get(), VREFRESH);
    // 0 and 1 mean "the hardware's default"; absurd values are not trusted.
    return hz > 1 && hz <= 500 ? hz : 60;
}

}  // namespace

CFramePacer::CFramePacer(int refreshHz) : m_refreshHz(refreshHz > 1 ? refreshHz : 0) {}

bool CFramePacer::FrameDue() {
    LARGE_INTEGER now, freq;
    if (!::QueryPerformanceCounter(&now) || !::QueryPerformanceFrequency(&freq) || freq.QuadPart <= 0) return true;
    return FrameDueAt(now.QuadPart, freq.QuadPart);
}

int CFramePacer::FrameIntervalMs() {
    if (m_refreshHz == 0) m_refreshHz = DisplayRefreshHz();
    return std::max(1, 1000 / m_refreshHz);
}

bool CFramePacer::FrameDueAt(LONGLONG now, LONGLONG ticksPerSecond) {
    if (m_refreshHz == 0) m_refreshHz = DisplayRefreshHz();
    // A frame a little early is still shown by the next refresh: allow 10 %.
    const LONGLONG interval = ticksPerSecond * 9 / (10 * m_refreshHz);
    if (m_bAnyFrame && now - m_lastFrame < interval) return false;
    m_bAnyFrame = true;
    m_lastFrame = now;
    return true;
}

}  // namespace DuiLib

#pragma once
// Spaces repaints of an animation to what the display can show. The dial's
// timer ticks once a refresh of the display, but timers come late and
// bunched; a frame the screen would never show only costs processor time.
#include <windows.h>

namespace DuiLib {

class CFramePacer {
public:
    // refreshHz <= 1 asks the display (60 Hz when it does not say).
    explicit CFramePacer(int refreshHz = 0);
    // True when a frame may be painted now; it then counts as painted.
    bool FrameDue();
    // The same, with the clock given in counter units (tests).
    bool FrameDueAt(LONGLONG now, LONGLONG ticksPerSecond);
    // One refresh of the display, in whole milliseconds (at least 1): the
    // interval for an animation timer that makes one frame per tick.
    int FrameIntervalMs();

private:
    int m_refreshHz;
    LONGLONG m_lastFrame = 0;
    bool m_bAnyFrame = false;
};

}  // namespace DuiLib

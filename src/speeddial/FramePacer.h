#pragma once
// Spaces repaints of an animation to what the display can show. The dial's
// timer steps the pointer every 10 ms (the shortest timer Windows gives), and
// a screen refreshing 60 times a second never shows every second of those
// frames; painting them only costs processor time.
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

private:
    int m_refreshHz;
    LONGLONG m_lastFrame = 0;
    bool m_bAnyFrame = false;
};

}  // namespace DuiLib

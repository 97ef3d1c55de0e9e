#pragma once
// The two questions asked of a window before anything is drawn for it or
// said about it. Shown: visible and not minimised; it asks nothing about
// other windows, so it is cheap enough for every frame. Seen: shown and
// not wholly covered by the windows above it (CWindowCover); each window
// above costs a few round trips to the window server under Wine, so ask
// it once when an animation starts, not at every frame.
#include <windows.h>

namespace DuiLib {

class CVisibility {
public:
    static bool IsShown(HWND hwnd);  // false for no window
    // Covered or not is judged for the top-level window `hwnd` belongs to.
    static bool IsSeen(HWND hwnd);
};

}  // namespace DuiLib

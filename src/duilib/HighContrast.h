#pragma once
// Whether the user asked for high contrast, read once and again only when the
// system says it changed, so painting costs no system call. While it is on,
// the controls draw text, backgrounds and the focus ring in the system's
// colours instead of the skin's.
#include <windows.h>

namespace DuiLib {

class CHighContrast {
public:
    static bool IsOn();
    // Reads the setting again (WM_SETTINGCHANGE for SPI_SETHIGHCONTRAST,
    // WM_SYSCOLORCHANGE).
    static void Refresh();
    // The program's own switch: drawn as in high contrast whatever the system says.
    static void Force(bool on);
    // GetSysColor(index) as the toolkit's 0xAARRGGBB, opaque.
    static DWORD SysColor(int index);
    // `skin` while high contrast is off, else the system colour `index`; a
    // colour of 0 ("nothing drawn") stays 0.
    static DWORD Pick(DWORD skin, int index);
};

}  // namespace DuiLib

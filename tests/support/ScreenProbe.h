#pragma once
// What a window shows on the screen, read back from the screen itself.
#include <windows.h>

// The skin frames the tray menu, the message box and the settings dialog in
// one colour; its lower corners on the screen mean the first paint has
// arrived (each frame is drawn whole into a back buffer, then shown).
bool ShowsItsFrame(HWND w);

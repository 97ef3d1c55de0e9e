#pragma once
// What a window shows on the screen, read back from the screen itself.
#include <windows.h>

// The skin frames the tray menu, the message box and the settings dialog in
// one colour; its lower corners on the screen mean the first paint has
// arrived (each frame is drawn whole into a back buffer, then shown).
bool ShowsItsFrame(HWND w);

// The newest icon window of Wine's stand-alone tray (icons are added at the
// end, and the program adds its icon again on every status change), or null.
HWND NewestTrayIcon();
// Puts the pointer on the newest icon of Wine's tray, where a user's right
// click has it; false when there is none.
bool PointAtTrayIcon();

// Pixels of a rectangle of w's client area (device pixels) that the screen
// shows in exactly `color`.
int PixelsOfColour(HWND w, RECT client, COLORREF color);

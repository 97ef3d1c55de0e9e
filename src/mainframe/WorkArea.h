#pragma once
// The main window's place on the desktop's work area (the screen less the
// taskbar): kept inside it, or put at its bottom right corner.
#include <windows.h>

class CWorkArea {
public:
    // Moved back inside, and topmost, when it sticks out. A window larger
    // than the work area ends aligned to its right and bottom edges.
    static void KeepInside(HWND hwnd);
    // Before the window is first shown: moved to the corner, z-order untouched.
    static void PlaceAtCorner(HWND hwnd);
    // Moved to the corner, topmost and shown; false when the work area or
    // the window's rectangle cannot be had.
    static bool MoveToCorner(HWND hwnd);

private:
    static bool Corner(HWND hwnd, RECT& rc);
};

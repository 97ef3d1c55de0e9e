#pragma once
// High contrast keeps the dial's coloured arcs and needle, which carry the
// reading, and edges them in the system's text colour so that they stand
// out on any background the user's scheme gives.
#include <windows.h>

namespace DuiLib {

// The edge colour (0xAARRGGBB) while high contrast is on, else 0: no edge.
DWORD DialOutlineColor();
// Traces the needle that points `degrees` clockwise from the positive x axis
// from `pivot` out to `reach` pixels, `scale` times the layout's width.
void DrawNeedleOutline(HDC hDC, POINT pivot, double degrees, double reach, double scale, DWORD color);

}  // namespace DuiLib

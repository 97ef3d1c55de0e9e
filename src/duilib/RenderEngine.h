#pragma once
// Drawing primitives shared by the controls: colours, image descriptions
// (GDI+), text (GDI) and borders.
#include <windows.h>

namespace DuiLib {

class CPaintManagerUI;

class CRenderEngine {
public:
    static COLORREF ToColorRef(DWORD argb) {
        return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    }
    static void DrawColor(HDC hDC, const RECT& rc, DWORD argb);
    static void DrawBorder(HDC hDC, const RECT& rc, int size, DWORD argb);
    // Draws `description` inside rcItem; `modify` holds keys that override
    // the description's own. False when the description is bad or the image
    // cannot be had.
    static bool DrawImage(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, LPCWSTR description,
                          LPCWSTR modify = nullptr);
    static void DrawText(HDC hDC, CPaintManagerUI* pManager, RECT rc, LPCWSTR text, DWORD argb, int font,
                         UINT style);
};

}  // namespace DuiLib

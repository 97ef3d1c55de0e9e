#include "speeddial/DialOutline.h"

#include <cmath>

#include "duilib/GdiplusHeaders.h"
#include "duilib/HighContrast.h"

namespace DuiLib {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kLineWidth = 1.5f;  // layout pixels
constexpr float kHubRadius = 4.0f;

}  // namespace

DWORD DialOutlineColor() { return CHighContrast::IsOn() ? CHighContrast::SysColor(COLOR_WINDOWTEXT) : 0; }

void DrawNeedleOutline(HDC hDC, POINT pivot, double degrees, double reach, double scale, DWORD color) {
    if (!color || reach <= 0) return;
    Gdiplus::Graphics g(hDC);
    if (g.GetLastStatus() != Gdiplus::Ok) return;
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(Gdiplus::Color(static_cast<Gdiplus::ARGB>(color)), static_cast<Gdiplus::REAL>(kLineWidth * scale));
    const double rad = degrees * kPi / 180.0;
    const auto x = static_cast<Gdiplus::REAL>(pivot.x), y = static_cast<Gdiplus::REAL>(pivot.y);
    g.DrawLine(&pen, x, y, static_cast<Gdiplus::REAL>(pivot.x + reach * std::cos(rad)),
               static_cast<Gdiplus::REAL>(pivot.y + reach * std::sin(rad)));
    const auto hub = static_cast<Gdiplus::REAL>(kHubRadius * scale);
    g.DrawEllipse(&pen, x - hub, y - hub, 2 * hub, 2 * hub);
}

}  // namespace DuiLib

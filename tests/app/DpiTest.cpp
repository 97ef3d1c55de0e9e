// The real program at one display scale: the prefix's LogPixels is set by
// the script that starts this program in a Wine session of its own
// (run-alone.sh --logpixels N), and VELOTUNE_TEST_DPI says which. Everything
// the skin says in pixels must come out scaled by N / 96: the window, the
// dial's ring and needle, where clicks land, the tray menu and the settings
// dialog; and no label's text may be clipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"
#include "support/TopWindows.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

int TestDpi() {
    const char* v = std::getenv("VELOTUNE_TEST_DPI");
    return v && std::atoi(v) > 0 ? std::atoi(v) : 96;
}

int S(int v) { return MulDiv(v, TestDpi(), 96); }
POINT S(POINT p) { return POINT{S(p.x), S(p.y)}; }

// The "size" of a skin's <Window>, in 96-DPI pixels.
SIZE SkinSize(const wchar_t* file) {
    std::string xml = TestPaths::ReadFileBytes(CAppUnderTest::Folder() + L"\\skin\\Velotune_xml\\" + file);
    size_t at = xml.find("<Window size=\"");
    SIZE s = {0, 0};
    if (at != std::string::npos) sscanf(xml.c_str() + at + 14, "%ld,%ld", &s.cx, &s.cy);
    return s;
}

SIZE WindowSize(HWND hwnd) {
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

// Pixels within `reach` of a client point for which `match` holds.
template <typename Match>
int PixelsNear(HWND hwnd, POINT client, int reach, Match match) {
    POINT pt = client;
    ClientToScreen(hwnd, &pt);
    vt::WindowDc screen(nullptr);
    int n = 0;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            COLORREF c = GetPixel(screen.Get(), pt.x + dx, pt.y + dy);
            if (c != CLR_INVALID && match(GetRValue(c), GetGValue(c), GetBValue(c))) ++n;
        }
    return n;
}

// The dial's colours: the stock range green, the range above it grey, the
// needle of the default model (pointer_v7.png) near white.
bool Green(int r, int g, int b) { return g > 180 && r > 120 && r < 190 && b < 150; }
bool Grey(int r, int g, int b) { return r > 110 && r < 150 && g > 115 && g < 155 && b > 125 && b < 165 && b > r; }
bool White(int r, int g, int b) { return r > 225 && g > 225 && b > 225; }

// A point of the dial, given in 96-DPI pixels from the control's middle;
// the dial is "panel" in MainFrame.xml.
POINT OnDial(int dx, int dy) {
    POINT c = CAppUnderTest::LayoutCentre({L"panel"});
    return POINT{S(c.x) + S(dx), S(c.y) + S(dy)};
}

// On the ring (radius 60, centred 4 pixels above the middle) at a GDI+ angle.
POINT OnRing(double degrees) {
    const double a = degrees * 3.14159265358979 / 180;
    return OnDial(static_cast<int>(std::lround(60 * std::cos(a))), static_cast<int>(std::lround(-4 + 60 * std::sin(a))));
}

// On the needle, `along` pixels from its pivot (5 above the middle), turned
// clockwise by the dial angle from pointing down.
POINT OnNeedle(int angle, int along) {
    const double a = angle * 3.14159265358979 / 180;
    return OnDial(static_cast<int>(std::lround(along * std::sin(a))), static_cast<int>(std::lround(-5 + along * std::cos(a))));
}

bool WaitVisible(HWND w) {
    for (int i = 0; i < 200 && w && !IsWindowVisible(w); ++i) Sleep(50);
    return w && IsWindowVisible(w);
}

bool WaitGone(HWND w) {
    for (int i = 0; i < 200 && IsWindow(w); ++i) Sleep(50);
    return !IsWindow(w);
}

}  // namespace

TEST_F(AppDisplayScale, WindowsDialAndClicksFollowTheDisplayScale) {
    // This program reads positions in the same pixels the program draws in.
    SetProcessDPIAware();
    CAppUnderTest app;
    ASSERT_TRUE(app.Start());
    // Where the window is from the moment it becomes visible: its first
    // frame is painted there, and it must be where it stays.
    HWND hwnd = nullptr;
    RECT firstSeen = {};
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (!hwnd) {
                std::vector<HWND> found = TopWindowsOf(GetProcessId(app.Process(0)), L"Velotune");
                if (!found.empty()) hwnd = found.front();
            }
            return hwnd && IsWindowVisible(hwnd) && GetWindowRect(hwnd, &firstSeen);
        },
        kWait));
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("SetEndAngle:162", kWait));
    // The update check's answer puts it at the corner of the work area.
    ASSERT_TRUE(CAppUnderTest::WaitLog("UM_SHOW_AT_CORNER posted", kWait));
    RECT work = {}, now = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(hwnd, &now) && now.right == work.right && now.bottom == work.bottom; },
                          kWait));
    EXPECT_EQ(firstSeen.left, now.left) << "first seen at " << firstSeen.left << "," << firstSeen.top;
    EXPECT_EQ(firstSeen.top, now.top) << "first seen at " << firstSeen.left << "," << firstSeen.top;

    // The window's size.
    const SIZE skin = SkinSize(L"MainFrame.xml"), size = WindowSize(hwnd);
    EXPECT_EQ(size.cx, S(skin.cx)) << "at " << TestDpi() << " DPI";
    EXPECT_EQ(size.cy, S(skin.cy)) << "at " << TestDpi() << " DPI";

    // The dial: the ring's stock range (GDI+ 240 degrees) green, the range
    // above turbo (330) grey, and the needle at 162 degrees, all where the
    // 96-DPI picture has them, scaled.
    const int reach = S(2);
    // The pointer first shows the default image, then the model's, and
    // swings to its angle: wait for the whole settled picture at once. The
    // mirror images of the needle's point catch a needle turned the wrong way.
    auto settled = [&] {
        return PixelsNear(hwnd, OnRing(240), reach, Green) > 0 && PixelsNear(hwnd, OnRing(330), reach, Grey) > 0 &&
               PixelsNear(hwnd, OnNeedle(162, 40), reach, White) > 0 &&
               PixelsNear(hwnd, OnNeedle(-162, 40), reach, White) == 0 &&
               PixelsNear(hwnd, OnNeedle(162 + 180, 40), reach, White) == 0;
    };
    bool dialRight = false;
    for (DWORD start = GetTickCount(); !dialRight && GetTickCount() - start < kWait; Sleep(100)) dialRight = settled();
    EXPECT_TRUE(dialRight) << "ring: green at 240 degrees, grey at 330; needle at 162 only";

    // Real clicks: the action button overclocks.
    const POINT button = S(CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}));
    CAppUnderTest::Click(hwnd, button);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 43) << "overclocked";

    // The tray menu at its scaled width, its first row (32 high below a frame of 3) opens the settings
    // dialog at its scaled size, whose Cancel closes it.
    PostMessageW(hwnd, UM_SHOW_TRAY_MENU, 0, 0);
    HWND menu = app.WaitWindowOfClass(0, L"DuiLibMenu", kWait);
    ASSERT_TRUE(WaitVisible(menu));
    EXPECT_EQ(WindowSize(menu).cx, S(SkinSize(L"menu_wnd.xml").cx));
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(menu, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &answer);
    CAppUnderTest::Click(menu, S(POINT{100, 3 + 16}));
    HWND dlg = app.WaitWindowOfClass(0, L"SettingWnd", kWait);
    ASSERT_TRUE(WaitVisible(dlg));
    WaitGone(menu);
    SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &answer);
    const SIZE dlgSkin = SkinSize(L"setting_wnd.xml");
    EXPECT_EQ(WindowSize(dlg).cx, S(dlgSkin.cx));
    EXPECT_EQ(WindowSize(dlg).cy, S(dlgSkin.cy));
    CAppUnderTest::Click(dlg, S(POINT{272, 226}));  // Cancel
    EXPECT_TRUE(WaitGone(dlg)) << "Cancel was hit";

    // Every label painted so far had room for its text.
    EXPECT_EQ(CAppUnderTest::CountInLog("is clipped"), 0) << CAppUnderTest::ReadLog();
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    DeleteFileW(CAppUnderTest::StatePath().c_str());
}

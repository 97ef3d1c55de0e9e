// The real program at one display scale: the prefix's LogPixels is set by
// the script that starts this program in a Wine session of its own
// (run-alone.sh --logpixels N), and VELOTUNE_TEST_DPI says which. Everything
// the skin says in pixels must come out scaled by N / 96: the window, the
// dial's ring and needle, where clicks land, the tray menu and the settings
// dialog; and no text may be clipped, in any window, state or language.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "support/LanguagesValue.h"
#include "support/ScreenProbe.h"
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

// On the needle, `along` pixels from its pivot (5 above the middle), for the
// dial angle the log gives ("SetEndAngle:N"): the needle image points down
// and is turned clockwise on the screen by the skin's "anglemin" (60) plus
// that angle. `turn` -1 turns it the wrong way (counter-clockwise).
POINT OnNeedle(int angle, int along, int turn = 1) {
    const double a = turn * (60 + angle) * 3.14159265358979 / 180;
    return OnDial(static_cast<int>(std::lround(-along * std::sin(a))),
                  static_cast<int>(std::lround(-5 + along * std::cos(a))));
}

// The "pos" of a named control of a skin, in 96-DPI pixels (its parents'
// places not added).
RECT SkinPos(const wchar_t* file, const wchar_t* name) {
    std::string xml = TestPaths::ReadFileBytes(CAppUnderTest::Folder() + L"\\skin\\Velotune_xml\\" + file);
    size_t at = xml.find("name=\"" + TestPaths::Narrow(name) + "\"");
    size_t pos = at == std::string::npos ? at : xml.find("pos=\"", at);
    RECT r = {0, 0, 0, 0};
    if (pos != std::string::npos) sscanf(xml.c_str() + pos + 5, "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

// Pixels of a rectangle of the client area, given in 96-DPI pixels, for
// which `match` holds.
template <typename Match>
int PixelsIn(HWND hwnd, RECT layout, Match match) {
    POINT a = {S(layout.left), S(layout.top)}, b = {S(layout.right), S(layout.bottom)};
    ClientToScreen(hwnd, &a);
    ClientToScreen(hwnd, &b);
    vt::WindowDc screen(nullptr);
    int n = 0;
    for (int y = a.y; y < b.y; ++y)
        for (int x = a.x; x < b.x; ++x) {
            COLORREF c = GetPixel(screen.Get(), x, y);
            if (c != CLR_INVALID && match(GetRValue(c), GetGValue(c), GetBValue(c))) ++n;
        }
    return n;
}

// The toggles' accent (a chosen radio's ring, a ticked box) and the ok
// button's bright blue.
bool Accent(int r, int g, int b) { return b > 200 && r < 90 && g > 90 && g < 160; }
// A mark's ring while not chosen.
bool Ring(int r, int g, int b) { return r > 150 && r < 200 && b > r && b - r < 40 && g > 160 && g < 200; }
// The disabled button's muted slate.
bool Slate(int r, int g, int b) { return r < 60 && g < 70 && b > 50 && b < 85 && b > r; }
// The busy buttons' grey text.
bool GreyText(int r, int g, int b) {
    return r > 135 && r < 185 && std::abs(r - g) < 14 && std::abs(g - b) < 14;
}

// Where the settings dialog lays out the controls this test looks at, in
// 96-DPI pixels: the title bar (36 high), rows from 12 below it inside a
// 20-pixel inset, 8 apart; the choices start after the caption column (at
// least 120 wide, which the captions of both languages fit); the buttons
// are centred in the bottom 58, 12 from its top.
RECT SettingsPlace(const wchar_t* name) {
    const struct {
        const wchar_t* name;
        RECT place;
    } places[] = {{L"start_up", {140, 48, 300, 74}},
                  {L"not_start_up", {140, 74, 300, 100}},
                  {L"stopOvering", {20, 142, 400, 168}},
                  {L"OKbtn", {100, 214, 196, 242}}};
    for (const auto& p : places)
        if (wcscmp(p.name, name) == 0) return p.place;
    return RECT{0, 0, 0, 0};
}

// The mark of an option of the settings dialog: the square before its
// text (16 pixels, 2 from the option's left edge).
RECT MarkOf(const wchar_t* option) {
    RECT r = SettingsPlace(option);
    r.right = r.left + 19;
    return r;
}

// The action button's area, inside its edges.
RECT ActionButton() {
    RECT r = SkinPos(L"MainFrame.xml", L"ButtonStatusTab");
    InflateRect(&r, -2, -2);
    return r;
}

// A busy page: no bright text anywhere on the button, grey text on it.
bool LooksBusy(HWND hwnd) {
    return PixelsIn(hwnd, ActionButton(), White) == 0 && PixelsIn(hwnd, ActionButton(), GreyText) > 10;
}

// The page of "ButtonStatusTab" on the screen: a strip at the left of the
// action button, clear of its text, in the page's colour (or its colour
// under the mouse).
bool ShowsPage(HWND hwnd, COLORREF colour, COLORREF hot) {
    const POINT c = CAppUnderTest::LayoutCentre({L"ButtonStatusTab"});
    return PixelsNear(hwnd, S(POINT{c.x - 86, c.y}), S(4), [&](int r, int g, int b) {
               return RGB(r, g, b) == colour || RGB(r, g, b) == hot;
           }) > S(4) * S(4);
}

// Each page's colours (MainFrame.xml): the overclock button, the busy one,
// the restore button, the restoring label.
const COLORREF kPage0 = RGB(0xE0, 0x55, 0x2F), kPage0Hot = RGB(0xF0, 0x6A, 0x45);
const COLORREF kPage1 = RGB(0x5A, 0x4A, 0x3A);
const COLORREF kPage2 = RGB(0x3C, 0x7D, 0x4F), kPage2Hot = RGB(0x4C, 0x96, 0x61);
const COLORREF kPage3 = RGB(0x3A, 0x4A, 0x3F);

bool WaitPage(HWND hwnd, COLORREF colour, COLORREF hot) {
    return WaitUntil([&] { return ShowsPage(hwnd, colour, hot); }, kWait);
}

void CloseMenu(HWND menu) {
    if (IsWindow(menu)) PostMessageW(menu, WM_CLOSE, 0, 0);
    WaitGone(menu);
}

// The message box now shown, once painted; its button at `button` (the
// box's layout: one button in the middle, or two) is clicked.
bool AnswerBox(CAppUnderTest& app, POINT button) {
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    POINT at = S(button);
    // Framed, and the window the user sees where the button is.
    auto seen = [&] {
        POINT screen = at;
        ClientToScreen(box, &screen);
        return ShowsItsFrame(box) && WindowFromPoint(screen) == box;
    };
    if (!box || !WaitUntil(seen, kWait)) {
        ADD_FAILURE() << "no box above every other window";
        return false;
    }
    CAppUnderTest::Click(box, at);
    if (WaitGone(box)) return true;
    RECT rc = {};
    GetWindowRect(box, &rc);
    ClientToScreen(box, &at);
    HWND under = WindowFromPoint(at);
    ADD_FAILURE() << "still there: a " << TestPaths::Narrow(ClassOf(box)) << " window at " << rc.left << ","
                  << rc.top << " - " << rc.right << "," << rc.bottom << "; clicked at " << at.x << "," << at.y
                  << " over a " << TestPaths::Narrow(ClassOf(under)) << (under == box ? " (the box)" : "")
                  << (IsWindowEnabled(box) ? "" : ", the box disabled") << "\n"
                  << CAppUnderTest::ReadLog();
    return false;
}
const POINT kBoxOnlyButton = {190, 146}, kBoxSecondButton = {246, 146};

}  // namespace

TEST_F(AppDisplayScale, WindowsDialAndClicksFollowTheDisplayScale) {
    // This program reads positions in the same pixels the program draws in.
    SetProcessDPIAware();
    CAppUnderTest app;
    DeleteFileW(HoldPath().c_str());
    // Every call of the processor waits while the hold file exists.
    app.UseProfile(HoldProfile());
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

    // The title bar's buttons are drawn glyphs, sharp at every scale: the
    // middle of each (16x16 of its 32x28) holds strokes of the light glyph
    // and the dark bar between them, with the pointer away from them.
    SetCursorPos(now.left - 20, now.top - 20);
    auto glyph = [](int r, int g, int b) { return r > 150 && g > 160 && b > 170; };
    auto bar = [](int r, int g, int b) { return r < 60 && g < 64 && b < 72; };
    for (const wchar_t* name : {L"SettingBtn", L"btn_min", L"MinBtn", L"CloseBtn"}) {
        const RECT pos = SkinPos(L"MainFrame.xml", name);
        const RECT middle = {pos.left + 8, pos.top + 6, pos.right - 8, pos.bottom - 6};
        EXPECT_TRUE(WaitUntil([&] { return PixelsIn(hwnd, middle, glyph) > S(8); }, kWait))
            << TestPaths::Narrow(name) << " at " << TestDpi() << " DPI: " << PixelsIn(hwnd, middle, glyph);
        EXPECT_GT(PixelsIn(hwnd, middle, bar), S(16) * S(16) / 4) << TestPaths::Narrow(name);
    }

    // The dial: the ring's stock range (GDI+ 240 degrees) green, the range
    // above turbo (330) grey, and the needle at the reading's dial angle 162
    // (4.0 GHz, the end of the turbo band, by the "4" of the face), all where
    // the 96-DPI picture has them, scaled. The needle walks there in a few
    // frames and stays while the readings do: the check asks for the settled
    // needle, not one passing by on its way.
    const int reach = S(2);
    // The pointer first shows the default image, then the model's, and
    // swings to its angle: wait for the whole settled picture at once. The
    // mirror images of the needle's point catch a needle turned the wrong way.
    auto settled = [&] {
        return PixelsNear(hwnd, OnRing(240), reach, Green) > 0 && PixelsNear(hwnd, OnRing(330), reach, Grey) > 0 &&
               PixelsNear(hwnd, OnNeedle(162, 40), reach, White) > 0 &&
               PixelsNear(hwnd, OnNeedle(162, 40, -1), reach, White) == 0 &&
               PixelsNear(hwnd, OnNeedle(162 + 180, 40), reach, White) == 0;
    };
    const bool dialRight = WaitUntil(settled, kWait);
    EXPECT_TRUE(dialRight) << "ring: green at 240 degrees, grey at 330; needle at 162 only"
                           << " (green " << PixelsNear(hwnd, OnRing(240), reach, Green) << ", grey "
                           << PixelsNear(hwnd, OnRing(330), reach, Grey) << ", needle "
                           << PixelsNear(hwnd, OnNeedle(162, 40), reach, White) << ", mirrored "
                           << PixelsNear(hwnd, OnNeedle(162, 40, -1), reach, White) << " and "
                           << PixelsNear(hwnd, OnNeedle(162 + 180, 40), reach, White) << ")";

    // Real clicks: the action button overclocks. While the processor is
    // held in the run, "Overclocking..." looks busy: grey text, nothing
    // bright (the button it replaces has white text).
    EXPECT_GT(PixelsIn(hwnd, ActionButton(), White), 0) << "the clickable button's text is white";
    const POINT button = S(CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}));
    ASSERT_TRUE(TestPaths::WriteFileBytes(HoldPath(), "held"));
    CAppUnderTest::Click(hwnd, button);
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_OVERCLOCK_INIT", kWait));
    EXPECT_TRUE(WaitUntil([&] { return LooksBusy(hwnd); }, kWait)) << "\"Overclocking...\" looks inactive";
    DeleteFileW(HoldPath().c_str());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 43) << "overclocked";

    // The tray menu at its scaled width, its first row (32 high below a frame of 3) opens the settings
    // dialog at its scaled size, whose Cancel closes it.
    HWND menu = app.OpenTrayMenu(hwnd);
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
    // The toggles show their state by their marks: no settings file, so
    // "not_start_up" is the chosen radio (a white dot in an accent ring),
    // "start_up" an empty ring, and "stopOvering" a ticked box. The OK
    // button starts disabled: muted slate, none of its bright blue.
    auto toggles = [&] {
        return PixelsIn(dlg, MarkOf(L"not_start_up"), White) > 0 && PixelsIn(dlg, MarkOf(L"not_start_up"), Accent) > 0 &&
               PixelsIn(dlg, MarkOf(L"start_up"), White) == 0 && PixelsIn(dlg, MarkOf(L"start_up"), Accent) == 0 &&
               PixelsIn(dlg, MarkOf(L"start_up"), Ring) > 0 && PixelsIn(dlg, MarkOf(L"stopOvering"), Accent) > S(40) &&
               PixelsIn(dlg, MarkOf(L"stopOvering"), White) > 0;
    };
    EXPECT_TRUE(WaitUntil(toggles, kWait)) << "radio and check marks";
    RECT ok = SettingsPlace(L"OKbtn");
    EXPECT_EQ(PixelsIn(dlg, ok, Accent), 0) << "disabled OK is not bright blue";
    EXPECT_EQ(PixelsIn(dlg, ok, White), 0) << "nor has white text";
    EXPECT_GT(PixelsIn(dlg, ok, Slate), S(96) * S(28) / 2) << "it is muted slate";
    CAppUnderTest::Click(dlg, S(POINT{272, 226}));  // Cancel
    EXPECT_TRUE(WaitGone(dlg)) << "Cancel was hit";

    // "Restoring..." looks as inactive as "Overclocking...".
    ASSERT_TRUE(TestPaths::WriteFileBytes(HoldPath(), "held"));
    CAppUnderTest::Click(hwnd, button);
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    EXPECT_TRUE(WaitUntil([&] { return LooksBusy(hwnd); }, kWait)) << "\"Restoring...\" looks inactive";
    DeleteFileW(HoldPath().c_str());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));

    // Every label painted so far had room for its text.
    EXPECT_EQ(CAppUnderTest::CountInLog("is clipped"), 0) << CAppUnderTest::ReadLog();
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    DeleteFileW(CAppUnderTest::StatePath().c_str());
}

// Every window the program draws, in each of its states, in both languages,
// at this session's display scale: the main window's four pages, the tray
// menu at rest, during a run and overclocked, the settings dialog, the
// notices of a failed overclock and a failed restore (the processor's
// fault switch) and the restart question. The toolkit logs each text that
// does not fit its room; there must be none.
TEST_F(AppDisplayScale, EveryWindowAndStateShowsItsTextsWhole) {
    SetProcessDPIAware();
    for (const wchar_t* language : {L"en", L"zh"}) {
        SCOPED_TRACE(TestPaths::Narrow(language));
        LanguagesValue value;
        value.Set(language);
        ResetProcessor();
        Hold(false);
        CAppUnderTest app;
        app.UseProfile(HoldProfile());
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        const POINT button = S(CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}));
        ASSERT_TRUE(WaitPage(hwnd, kPage0, kPage0Hot)) << "stock clock";

        // At rest: the tray menu, and the settings dialog from it.
        HWND menu = app.OpenTrayMenu(hwnd);
        ASSERT_NE(menu, nullptr);
        CAppUnderTest::Click(menu, S(POINT{100, 3 + 16}));
        HWND dlg = app.WaitWindowOfClass(0, L"SettingWnd", kWait);
        ASSERT_NE(dlg, nullptr);
        WaitGone(menu);
        ASSERT_TRUE(WaitUntil([&] { return ShowsItsFrame(dlg); }, kWait));
        CAppUnderTest::Click(dlg, S(POINT{272, 228}));  // Cancel
        ASSERT_TRUE(WaitGone(dlg));

        // Overclocking, held by the processor: the busy page and the menu
        // with its action greyed out; then overclocked.
        Hold(true);
        CAppUnderTest::Click(hwnd, button);
        ASSERT_TRUE(WaitPage(hwnd, kPage1, kPage1)) << "overclocking";
        CloseMenu(app.OpenTrayMenu(hwnd));
        Hold(false);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
        ASSERT_TRUE(WaitPage(hwnd, kPage2, kPage2Hot)) << "overclocked";
        CloseMenu(app.OpenTrayMenu(hwnd));

        // Restoring, held; the processor refuses it: the fixed notice.
        HoldProfile("ApplyFails=1\r\n");
        Hold(true);
        CAppUnderTest::Click(hwnd, button);
        ASSERT_TRUE(WaitPage(hwnd, kPage3, kPage3)) << "restoring";
        Hold(false);
        ASSERT_TRUE(AnswerBox(app, kBoxOnlyButton)) << "the failed restore's notice";
        ASSERT_TRUE(WaitPage(hwnd, kPage2, kPage2Hot)) << "still overclocked";

        // Restored; then an overclock the processor refuses: its notice.
        HoldProfile();
        CAppUnderTest::Click(hwnd, button);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
        ASSERT_TRUE(WaitPage(hwnd, kPage0, kPage0Hot));
        HoldProfile("ApplyFails=1\r\n");
        CAppUnderTest::Click(hwnd, button);
        ASSERT_TRUE(AnswerBox(app, kBoxOnlyButton)) << "the failed overclock's notice";
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 3));

        // The restart question: two buttons; No.
        PostMessageW(hwnd, UM_REBOOT_PROMPT, 0, 0);
        ASSERT_TRUE(AnswerBox(app, kBoxSecondButton)) << "the restart question";
        ASSERT_TRUE(CAppUnderTest::WaitLog("reboot declined", kWait));

        EXPECT_EQ(CAppUnderTest::CountInLog("is clipped"), 0) << CAppUnderTest::ReadLog();
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
    Hold(false);
}

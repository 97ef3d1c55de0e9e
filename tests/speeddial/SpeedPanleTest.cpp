// The dial drawn on a memory bitmap the way the toolkit hands it a DC, and
// its animation driven by timer events.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "duilib/ContainerUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/Visibility.h"
#include "log/BaseLog.h"
#include "speeddial/FramePacer.h"
#include "speeddial/SpeedPanleUI.h"
#include "state/AppState.h"
#include "support/TestPaths.h"

using DuiLib::CSpeedPanleUI;

namespace {

class GdiplusEnv : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&m_token, &in, nullptr);
        DuiLib::CPaintManagerUI::SetResourcePath(TestPaths::Join(TestPaths::DistDir(), L"skin\\").c_str());
        CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
        LogStartup();
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new GdiplusEnv);

// A square 32-bit canvas (200x200 unless told), cleared to white.
class Canvas {
public:
    explicit Canvas(int side = 200)
        : m_side(side),
          m_dc(CreateCompatibleDC(nullptr)),
          m_bmp(Dib(m_dc.Get(), side, &m_bits)),
          m_select(m_dc.Get(), m_bmp.Get()) {
        Fill(0x00FFFFFF);
    }
    HDC dc() const { return m_dc.Get(); }
    int side() const { return m_side; }
    void Fill(DWORD rgb) {
        for (int i = 0; i < m_side * m_side; ++i) m_bits[i] = rgb;
    }
    DWORD At(int x, int y) const {
        GdiFlush();
        return m_bits[y * m_side + x] & 0xFFFFFF;
    }

private:
    static HBITMAP Dib(HDC dc, int side, DWORD** bits) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = side;
        bi.bmiHeader.biHeight = -side;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
    }

    int m_side;
    // Set while m_bmp is made, so declared before it.
    DWORD* m_bits = nullptr;
    vt::UniqueMemoryDc m_dc;
    vt::UniqueBitmap m_bmp;
    vt::ScopedSelect m_select;
};

bool Near(DWORD rgb, DWORD argb) {
    int r1 = (rgb >> 16) & 0xFF, g1 = (rgb >> 8) & 0xFF, b1 = rgb & 0xFF;
    int r2 = (argb >> 16) & 0xFF, g2 = (argb >> 8) & 0xFF, b2 = argb & 0xFF;
    return std::abs(r1 - r2) < 40 && std::abs(g1 - g2) < 40 && std::abs(b1 - b2) < 40;
}

// The pixel on the arc ring at a GDI+ angle (degrees clockwise from +x).
DWORD OnRing(const Canvas& c, double degrees) {
    const double rad = degrees * 3.14159265358979 / 180.0;
    const int cx = 93, cy = 93 - 4;  // control at (0,0), 186 wide
    return c.At(cx + (int)std::lround(60 * std::cos(rad)), cy + (int)std::lround(60 * std::sin(rad)));
}

void Tick(CSpeedPanleUI& dial, UINT id = CSpeedPanleUI::kAnimationTimerId) {
    DuiLib::TEventUI e;
    e.Type = DuiLib::UIEVENT_TIMER;
    e.wParam = id;
    dial.DoEvent(e);
}

class SpeedPanle : public ::testing::Test {
protected:
    void SetUp() override {
        m_dial.SetPos(RECT{0, 0, 186, 186});
        m_dial.m_sDialImage.Empty();  // arcs and pointer only, on white
        GetAppState().nStatus = STATUS_OVERCLOCK_INIT;
        GetAppState().g_bThisCPUHaveCustomData = false;
    }
    CSpeedPanleUI m_dial;
};

}  // namespace

TEST_F(SpeedPanle, InterfaceAndAttributeNamesAreCaseSensitive) {
    EXPECT_STREQ(L"SpeedPanleUI", m_dial.GetClass());
    EXPECT_EQ(&m_dial, m_dial.GetInterface(L"SpeedPanle"));
    EXPECT_NE(&m_dial, m_dial.GetInterface(L"speedpanle"));
    m_dial.SetAttribute(L"anglemin", L"30");
    m_dial.SetAttribute(L"AngleMin", L"10");
    EXPECT_EQ(30, m_dial.m_nAngleMin);
    m_dial.SetAttribute(L"anglevalue", L"200");
    EXPECT_EQ(200, m_dial.m_nAngleValue);
    EXPECT_EQ(60, m_dial.m_nCurAngle);  // the target only
    m_dial.SetAttribute(L"pointimage", L"png/panel.png");
    EXPECT_FALSE(m_dial.m_bPointImageChanged);  // same path: nothing
    m_dial.SetAttribute(L"pointimage", L"png/other.png");
    EXPECT_TRUE(m_dial.m_bPointImageChanged);
}

TEST_F(SpeedPanle, PointerWalksOneStepPerTickAndStopsAtTheEnds) {
    EXPECT_EQ(160, m_dial.SetEndAngle(100));
    m_dial.m_nStep = 1;
    Tick(m_dial, 7);  // another timer: ignored
    EXPECT_EQ(60, m_dial.m_nCurAngle);
    for (int i = 0; i < 99; ++i) Tick(m_dial);
    EXPECT_EQ(159, m_dial.m_nCurAngle);
    Tick(m_dial);
    Tick(m_dial);
    EXPECT_EQ(160, m_dial.m_nCurAngle);  // ends exactly on the target

    m_dial.SetEndAngle(1000);  // beyond the top of the scale
    for (int i = 0; i < 500; ++i) Tick(m_dial);
    EXPECT_EQ(300, m_dial.m_nCurAngle);
    m_dial.SetEndAngle(-1000);
    for (int i = 0; i < 500; ++i) Tick(m_dial);
    EXPECT_EQ(60, m_dial.m_nCurAngle);

    m_dial.m_nStep = 5;
    m_dial.SetEndAngle(3);  // closer than one step: nothing moves
    Tick(m_dial);
    EXPECT_EQ(60, m_dial.m_nCurAngle);
}

TEST_F(SpeedPanle, GenericArcsTurnOrangeWhenOverclocked) {
    m_dial.SetDefaultAngle(120);  // default at 180, where green ends
    m_dial.m_sPointImage.Empty();
    {
        Canvas c;
        m_dial.PaintStatusImage(c.dc());
        EXPECT_TRUE(Near(OnRing(c, 150 + 60), 0xA4D975)) << std::hex << OnRing(c, 210);
        EXPECT_TRUE(Near(OnRing(c, 270 + 30 + 60), 0x818891)) << std::hex << OnRing(c, 360);
    }
    GetAppState().nStatus = STATUS_OVERCLOCK_OK;
    Canvas c;
    m_dial.PaintStatusImage(c.dc());
    EXPECT_TRUE(Near(OnRing(c, 150 + 60), 0xA4D975));
    EXPECT_TRUE(Near(OnRing(c, 360), 0xFA6948)) << std::hex << OnRing(c, 360);
}

TEST_F(SpeedPanle, CalibratedArcsShowTheTurboBandOnlyAtStock) {
    AppState& s = GetAppState();
    s.g_bThisCPUHaveCustomData = true;
    s.stCustomData.iAngle_Start = 0;
    s.stCustomData.iAngle_DefaultFrenquency = 120;
    s.stCustomData.iAngle_TurboFrenquency = 150;
    s.stCustomData.iAngle_OverclockingFrenquencyLimit = 200;
    s.stCustomData.iAngle_End = 240;
    m_dial.m_sPointImage.Empty();
    {
        Canvas c;
        m_dial.PaintStatusImage(c.dc());
        EXPECT_TRUE(Near(OnRing(c, 180 + 60), 0xA4D975));
        EXPECT_TRUE(Near(OnRing(c, 180 + 135), 0xFCB547)) << std::hex << OnRing(c, 315);  // amber over grey
        EXPECT_TRUE(Near(OnRing(c, 180 + 175), 0x818891));
        EXPECT_TRUE(Near(OnRing(c, 180 + 220), 0x000000));
    }
    s.stCustomData.iAngle_TurboFrenquency = -1;
    {
        Canvas c;
        m_dial.PaintStatusImage(c.dc());
        EXPECT_TRUE(Near(OnRing(c, 180 + 135), 0x818891));  // no turbo band
    }
    s.nStatus = STATUS_REOVERCLOCK_ING;
    Canvas c;
    m_dial.PaintStatusImage(c.dc());
    EXPECT_TRUE(Near(OnRing(c, 180 + 135), 0xFA6948));
    EXPECT_TRUE(Near(OnRing(c, 180 + 220), 0x000000));
    s.g_bThisCPUHaveCustomData = false;
}

TEST_F(SpeedPanle, PointerIsDrawnRotatedAboutTheCentre) {
    // The needle of png/panel.png points down at angle 0.
    m_dial.m_nCurAngle = 0;
    {
        Canvas c;
        m_dial.PaintStatusImage(c.dc());
        EXPECT_TRUE(Near(c.At(93, 88 + 45), 0xFF4A2A)) << std::hex << c.At(93, 133);
        EXPECT_FALSE(Near(c.At(93, 88 - 45), 0xFF4A2A));
    }
    m_dial.m_nCurAngle = 180;
    Canvas c;
    m_dial.PaintStatusImage(c.dc());
    EXPECT_TRUE(Near(c.At(93, 88 - 45), 0xFF4A2A)) << std::hex << c.At(93, 43);
}

TEST_F(SpeedPanle, MissingPointerImageLeavesTheArcsAndLogsEachPaint) {
    std::wstring logPath = TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log");
    size_t before = TestPaths::ReadFileBytes(logPath).size();
    m_dial.SetAttribute(L"pointimage", L"png/no-such-pointer.png");
    m_dial.SetDefaultAngle(120);
    for (int i = 0; i < 2; ++i) {
        Canvas c;
        m_dial.PaintStatusImage(c.dc());
        EXPECT_TRUE(Near(OnRing(c, 210), 0xA4D975));
    }
    std::string added = TestPaths::ReadFileBytes(logPath).substr(before);
    // The tag shows the last 29 characters of the paint's qualified name.
    EXPECT_NE(std::string::npos, added.find("[peedPanleUI::PaintStatusImage]---[")) << added;
    size_t changed = added.find("[m_bPointImageChanged] [in]");
    EXPECT_NE(std::string::npos, changed);
    size_t first = added.find("[m_pImgPoint] [in]");
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, added.find("[m_pImgPoint] [in]", first + 1));  // tried again
}

namespace {
DuiLib::CPaintManagerUI* g_manager = nullptr;

int g_paintMessages = 0;

LRESULT CALLBACK ForwardToManager(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) ++g_paintMessages;
    LRESULT res = 0;
    if (g_manager && g_manager->MessageHandler(msg, wp, lp, res)) return res;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A popup (200x200 unless told) whose messages go to g_manager.
HWND CreateHost(int side = 200) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ForwardToManager;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SpeedPanleHost";
    RegisterClassW(&wc);  // fails harmlessly when already there
    return CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, 0, 0, side, side, nullptr, nullptr,
                           wc.hInstance, nullptr);
}
}  // namespace

// The 1 ms animation timer must not keep spinning once the pointer is there.
TEST(SpeedPanleTimer, AnimationTimerStopsWhenThePointerArrives) {
    HWND hwnd = CreateHost();
    ASSERT_NE(nullptr, hwnd);
    {
        DuiLib::CPaintManagerUI manager;
        manager.Init(hwnd);
        g_manager = &manager;
        auto* dial = new CSpeedPanleUI;
        manager.AttachDialog(dial);
        dial->SetEndAngle(5);
        dial->m_nStep = 1;
        ASSERT_TRUE(manager.SetTimer(dial, CSpeedPanleUI::kAnimationTimerId, 1));
        DWORD until = GetTickCount() + 10000;  // safety net only
        MSG msg;
        while (dial->m_nCurAngle != 65 && GetTickCount() < until) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(1);
        }
        EXPECT_EQ(65, dial->m_nCurAngle);
        for (int i = 0; i < 20; ++i) {  // a few more ticks' worth
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
        EXPECT_FALSE(manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId)) << "timer still running";
        g_manager = nullptr;
    }
    DestroyWindow(hwnd);
}

namespace {

// The window's pixels as the screen has them (its top left square).
std::vector<DWORD> Capture(HWND hwnd, int side = 200) {
    Canvas canvas(side);
    const vt::WindowDc window(hwnd);
    BitBlt(canvas.dc(), 0, 0, side, side, window.Get(), 0, 0, SRCCOPY);
    std::vector<DWORD> pixels;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) pixels.push_back(canvas.At(x, y));
    return pixels;
}

void Pump(int rounds) {
    MSG msg;
    for (int i = 0; i < rounds; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

}  // namespace

namespace {

// A translucent layer that counts its paints.
class CPaintCounter : public DuiLib::CControlUI {
public:
    void DoPaint(HDC dc, const RECT& rc) override {
        ++paints;
        CControlUI::DoPaint(dc, rc);
    }
    int paints = 0;
};
CPaintCounter* g_under = nullptr;

DuiLib::CControlUI* FloatingBox(DuiLib::CControlUI* box, RECT pos, DWORD argb) {
    box->SetFloat(true);
    box->SetFloatPos(pos);
    box->SetBkColor(argb);
    return box;
}

// The dial over an opaque background in a shown host window, as in the main
// window: a translucent layer under it (g_under, as the scale marks are) and
// an opaque box over its upper part, which the needle passes under.
CSpeedPanleUI* AttachShownDial(DuiLib::CPaintManagerUI& manager, HWND hwnd, int dpi = 0) {
    GetAppState().nStatus = STATUS_OVERCLOCK_INIT;
    GetAppState().g_bThisCPUHaveCustomData = false;
    manager.Init(hwnd);
    if (dpi) manager.SetDpi(dpi);
    g_manager = &manager;
    auto* root = new DuiLib::CContainerUI;
    root->SetBkColor(0xFF1E2228);
    g_under = new CPaintCounter;
    root->Add(FloatingBox(g_under, RECT{0, 0, 186, 186}, 0x40FFFFFF));
    auto* dial = new CSpeedPanleUI;
    dial->SetFloat(true);
    dial->SetFloatPos(RECT{0, 0, 186, 186});
    root->Add(dial);
    root->Add(FloatingBox(new DuiLib::CControlUI, RECT{80, 20, 106, 40}, 0xFF336699));
    manager.AttachDialog(root);
    dial->SetDefaultAngle(120);
    dial->m_nStep = 1;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    Pump(5);
    return dial;
}

// A shown topmost window over the host's whole area, owned by `owner`.
HWND ShowWindowOver(HWND owner) {
    HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, owner,
                             nullptr, nullptr, nullptr);
    if (!w) return nullptr;
    ShowWindow(w, SW_SHOWNOACTIVATE);
    UpdateWindow(w);
    Pump(3);
    return w;
}

bool TimerRunning(DuiLib::CPaintManagerUI& manager, CSpeedPanleUI* dial) {
    if (!manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId)) return false;
    manager.SetTimer(dial, CSpeedPanleUI::kAnimationTimerId, 1000);  // put back, slow, for the test to tick
    return true;
}

// A shown host window with the dial in it.
class SpeedPanleShown : public ::testing::Test {
protected:
    void SetUp() override {
        m_hwnd = CreateHost();
        ASSERT_NE(nullptr, m_hwnd);
        m_manager = std::make_unique<DuiLib::CPaintManagerUI>();
        m_dial = AttachShownDial(*m_manager, m_hwnd);
    }
    // The manager goes before its window, as in a real window's end.
    void TearDown() override {
        g_manager = nullptr;
        m_manager.reset();
        if (m_hwnd) DestroyWindow(m_hwnd);
    }
    HWND m_hwnd = nullptr;
    std::unique_ptr<DuiLib::CPaintManagerUI> m_manager;
    CSpeedPanleUI* m_dial = nullptr;
};

}  // namespace

// Each step repaints only around the needle, and a screen cannot show every
// step; after a sweep the window must still look exactly like a full repaint
// of the final angle: no trace of the old needle, and the last step shown.
TEST(SpeedPanleTimer, AnimatedPointerLooksLikeAFullRepaintWhenItArrives) {
    HWND hwnd = CreateHost();
    ASSERT_NE(nullptr, hwnd);
    {
        DuiLib::CPaintManagerUI manager;
        CSpeedPanleUI* dial = AttachShownDial(manager, hwnd);
        // Ticks far faster than any display refreshes: most steps are not
        // repainted on their own, so the final one must still be.
        for (int target : {170, 95, 132}) {  // up, back down past the start, then up a little
            dial->SetEndAngle(target);
            dial->m_nStep = 1;
            for (int i = 0; i < 400 && dial->m_nCurAngle != 60 + target; ++i) {
                Tick(*dial);
                UpdateWindow(hwnd);
            }
            ASSERT_EQ(60 + target, dial->m_nCurAngle);
            Tick(*dial);  // the arrival tick
            UpdateWindow(hwnd);
        }
        // Walks of several degrees a frame, with the window's paint coming
        // only every other tick (a busy machine): a paint between two steps
        // draws the needle where it is then, and that needle must go too.
        for (int target : {200, 40, 150}) {
            dial->WalkTo(target);
            for (int i = 0; i < 100 && TimerRunning(manager, dial); ++i) {
                Tick(*dial);
                if (i % 2) UpdateWindow(hwnd);
            }
            UpdateWindow(hwnd);
            ASSERT_EQ(60 + target, dial->m_nCurAngle);
        }
        // A frame inside the face starts at the dial: nothing under it is
        // painted again; at the corner, outside the round face, it is.
        const int under = g_under->paints;
        ASSERT_TRUE(manager.PaintNow(dial->PointerBounds(dial->m_nCurAngle)));
        EXPECT_EQ(under, g_under->paints);
        ASSERT_TRUE(manager.PaintNow(RECT{0, 0, 8, 8}));
        EXPECT_EQ(under + 1, g_under->paints);
        Pump(5);
        const std::vector<DWORD> animated = Capture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        Pump(5);
        const std::vector<DWORD> full = Capture(hwnd);
        int differing = 0;
        RECT where = {200, 200, -1, -1};
        for (size_t i = 0; i < full.size(); ++i) {
            if (animated[i] == full[i]) continue;
            ++differing;
            const LONG x = static_cast<LONG>(i % 200), y = static_cast<LONG>(i / 200);
            where = RECT{std::min(where.left, x), std::min(where.top, y), std::max(where.right, x), std::max(where.bottom, y)};
        }
        EXPECT_EQ(0, differing) << "within " << where.left << "," << where.top << " - " << where.right << ","
                                << where.bottom;
        // And the picture is really there: the needle (red) left the start.
        int needle = 0;
        for (DWORD p : full) needle += Near(p, 0xFF4A2A);
        EXPECT_GT(needle, 20);
        g_manager = nullptr;
    }
    DestroyWindow(hwnd);
}

// The main window's start at a display scale: the default needle drawn
// first, then the model's needle put in while a reading walks the dial, a
// second reading restarting the walk. The window must end up looking like a
// full repaint of the reading.
TEST(SpeedPanleTimer, AWalkAcrossAPointerChangeLooksLikeAFullRepaintAtEveryScale) {
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        const int side = MulDiv(186, dpi, 96) + 8;
        HWND hwnd = CreateHost(side);
        ASSERT_NE(nullptr, hwnd);
        {
            DuiLib::CPaintManagerUI manager;
            CSpeedPanleUI* dial = AttachShownDial(manager, hwnd, dpi);
            dial->m_sPointImage = L"png/panel.png";
            dial->Invalidate();
            UpdateWindow(hwnd);
            dial->m_sPointImage = L"png/pointer_v7.png";
            dial->m_bPointImageChanged = true;
            dial->Invalidate();
            // Then a new default (the arcs split elsewhere) and a reading there.
            for (int reading : {162, 40}) {
                dial->SetDefaultAngle(reading);
                dial->WalkTo(reading);
                dial->WalkTo(reading);
                for (int i = 0; i < 100 && TimerRunning(manager, dial); ++i) {
                    Tick(*dial);
                    if (i % 2) UpdateWindow(hwnd);
                }
                UpdateWindow(hwnd);
                Pump(5);
                ASSERT_EQ(60 + reading, dial->m_nCurAngle);
                const std::vector<DWORD> animated = Capture(hwnd, side);
                InvalidateRect(hwnd, nullptr, FALSE);
                UpdateWindow(hwnd);
                Pump(5);
                const std::vector<DWORD> full = Capture(hwnd, side);
                int differing = 0;
                for (size_t i = 0; i < full.size(); ++i) differing += animated[i] != full[i];
                EXPECT_EQ(0, differing) << "reading " << reading;
            }
            g_manager = nullptr;
        }
        DestroyWindow(hwnd);
    }
}

// Hidden or minimised, the window paints nothing: no back buffer, no timer,
// no needle frame, however the readings move; shown again, it shows the
// last reading at once, in the one paint the system asks for.
TEST_F(SpeedPanleShown, NothingIsDrawnWhileTheWindowIsHiddenOrMinimised) {
    HWND hwnd = m_hwnd;
    DuiLib::CPaintManagerUI& manager = *m_manager;
    CSpeedPanleUI* dial = m_dial;
    {
        EXPECT_TRUE(manager.HasBackBuffer());
        EXPECT_TRUE(DuiLib::CVisibility::IsSeen(hwnd));
        EXPECT_GT(dial->FramesPainted(), 0);

        for (int way : {SW_HIDE, SW_MINIMIZE}) {
            SCOPED_TRACE(way == SW_HIDE ? "hidden" : "minimised");
            ShowWindow(hwnd, way);
            Pump(3);
            EXPECT_FALSE(DuiLib::CVisibility::IsSeen(hwnd));
            EXPECT_FALSE(manager.HasBackBuffer()) << "let go at once";
            const int frames = dial->FramesPainted(), ticks = dial->TicksHandled();
            for (int target : {100, 40, 160}) {
                dial->WalkTo(target);
                EXPECT_EQ(60 + target, dial->m_nCurAngle) << "set where the walk would end";
                EXPECT_FALSE(manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId)) << "no animation timer";
                Pump(3);
            }
            EXPECT_EQ(frames, dial->FramesPainted());
            EXPECT_EQ(ticks, dial->TicksHandled());
            EXPECT_FALSE(manager.HasBackBuffer());

            ShowWindow(hwnd, SW_SHOWNOACTIVATE);
            if (way == SW_MINIMIZE) ShowWindow(hwnd, SW_RESTORE);
            UpdateWindow(hwnd);
            Pump(3);
            EXPECT_EQ(220, dial->m_nCurAngle);
            EXPECT_GE(dial->FramesPainted(), frames + 1) << "the current reading at once";
            EXPECT_EQ(ticks, dial->TicksHandled()) << "no walk replayed";
            // And it is drawn where it should be: as a full repaint has it.
            const std::vector<DWORD> shown = Capture(hwnd);
            InvalidateRect(hwnd, nullptr, FALSE);
            UpdateWindow(hwnd);
            EXPECT_TRUE(shown == Capture(hwnd));
            dial->WalkTo(160 - 120);  // back to the start for the next way
            for (int i = 0; i < 100 && TimerRunning(manager, dial); ++i) {
                Tick(*dial);
                UpdateWindow(hwnd);
            }
        }

        // Wholly covered by another window: no walk and no timer, and at most
        // the one frame of the end (the system may keep the covered picture).
        {
            HWND cover = ShowWindowOver(nullptr);
            ASSERT_NE(nullptr, cover);
            EXPECT_FALSE(DuiLib::CVisibility::IsSeen(hwnd));
            const int frames = dial->FramesPainted();
            dial->WalkTo(30);
            EXPECT_EQ(90, dial->m_nCurAngle);
            EXPECT_FALSE(manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId));
            Pump(3);
            EXPECT_LE(dial->FramesPainted(), frames + 1);
            DestroyWindow(cover);
        }
        // A popup of this window's own (a menu, a notice) passes over: the
        // dial still counts as seen and walks.
        {
            HWND popup = ShowWindowOver(hwnd);
            ASSERT_NE(nullptr, popup);
            EXPECT_TRUE(DuiLib::CVisibility::IsSeen(hwnd));
            DestroyWindow(popup);
        }
        Pump(3);
        EXPECT_TRUE(DuiLib::CVisibility::IsSeen(hwnd));
        EXPECT_EQ(90, dial->m_nCurAngle);

        // A walk under way when the window goes ends at its next tick, unpainted.
        dial->WalkTo(200);
        ASSERT_TRUE(TimerRunning(manager, dial));
        Tick(*dial);
        EXPECT_NE(260, dial->m_nCurAngle);
        ShowWindow(hwnd, SW_HIDE);
        const int frames = dial->FramesPainted();
        Tick(*dial);
        EXPECT_EQ(260, dial->m_nCurAngle);
        EXPECT_FALSE(manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId));
        Pump(3);
        EXPECT_EQ(frames, dial->FramesPainted());
    }
}

// However far a reading moves the needle, the walk takes a bounded number
// of ticks, each at most one frame, and ends exactly on the reading. The
// frames are drawn by the ticks themselves, without a paint message each
// (one may come to make the back buffer again).
TEST_F(SpeedPanleShown, AWalkTakesBoundedFramesAndEndsOnTheReading) {
    HWND hwnd = m_hwnd;
    DuiLib::CPaintManagerUI& manager = *m_manager;
    CSpeedPanleUI* dial = m_dial;
    {
        const int paints = g_paintMessages, framesBefore = dial->FramesPainted();
        for (int target : {240, 0, 4, 37, 36, 199, 1000, -5}) {
            SCOPED_TRACE(target);
            const int before = dial->m_nCurAngle;
            const int frames = dial->FramesPainted();
            dial->WalkTo(target);
            const int end = std::max(60, std::min(300, 60 + target));
            if (end == before) {
                EXPECT_FALSE(manager.KillTimer(dial, CSpeedPanleUI::kAnimationTimerId)) << "no walk";
                continue;
            }
            int ticks = 0;
            while (TimerRunning(manager, dial) && ticks < 1000) {
                Tick(*dial);
                UpdateWindow(hwnd);
                ++ticks;
            }
            EXPECT_EQ(end, dial->m_nCurAngle);
            EXPECT_LE(ticks, CSpeedPanleUI::kMaxWalkFrames) << "the step that arrives ends the walk";
            EXPECT_LE(dial->FramesPainted() - frames, CSpeedPanleUI::kMaxWalkFrames);
        }
        EXPECT_GE(dial->FramesPainted() - framesBefore, 6);
        EXPECT_LE(g_paintMessages - paints, 1) << "a paint message for frames the ticks draw";
    }
}

TEST(FramePacer, PaintsNoFasterThanTheDisplayRefreshes) {
    DuiLib::CFramePacer pacer(60);
    const LONGLONG ms = 1000;  // counter units per millisecond
    EXPECT_TRUE(pacer.FrameDueAt(0, 1000 * ms));  // the first frame at once
    EXPECT_FALSE(pacer.FrameDueAt(10 * ms, 1000 * ms));
    EXPECT_TRUE(pacer.FrameDueAt(20 * ms, 1000 * ms));
    EXPECT_FALSE(pacer.FrameDueAt(30 * ms, 1000 * ms));
    EXPECT_TRUE(pacer.FrameDueAt(45 * ms, 1000 * ms));
    // A display that refreshes faster than the timer ticks gets every step.
    DuiLib::CFramePacer fast(144);
    for (int t = 0; t < 100; t += 10) EXPECT_TRUE(fast.FrameDueAt(t * ms, 1000 * ms)) << t;
    // A timer at the display's refresh: one tick a frame.
    EXPECT_EQ(16, pacer.FrameIntervalMs());
    EXPECT_EQ(6, fast.FrameIntervalMs());
}

namespace {

// Reference pictures of the whole dial (face, needle, arcs) over the main
// window's background, taken from the first way the needle was drawn (GDI+
// rotating it on every frame). However the needle is drawn now, it must
// look the same at every scale.
constexpr int kReferenceDpis[] = {96, 144, 192};
constexpr LPCWSTR kReferencePointers[] = {L"png/panel.png", L"png/pointer_v7.png"};
constexpr int kReferenceAngles[] = {60, 97, 180, 263};
// A channel may differ this much (GDI+ rounds a little differently in the
// 32- and 64-bit builds); a needle one degree off differs far more.
constexpr int kReferenceTolerance = 24;

std::wstring ReferenceName(int dpi, LPCWSTR pointer, int angle) {
    std::wstring stem(pointer);
    stem = stem.substr(stem.find_last_of(L'/') + 1);
    stem = stem.substr(0, stem.find_last_of(L'.'));
    return stem + L"-" + std::to_wstring(dpi) + L"-" + std::to_wstring(angle) + L".png";
}

// The largest difference of one channel between the canvas and the picture
// file; -1 when the file cannot be read or its size differs.
int LargestDifference(const Canvas& c, const std::wstring& file) {
    Gdiplus::Bitmap picture(file.c_str());
    if (picture.GetLastStatus() != Gdiplus::Ok || (int)picture.GetWidth() != c.side() ||
        (int)picture.GetHeight() != c.side())
        return -1;
    Gdiplus::BitmapData data;
    Gdiplus::Rect all(0, 0, c.side(), c.side());
    if (picture.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok) return -1;
    int largest = 0;
    for (int y = 0; y < c.side(); ++y) {
        const auto* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        for (int x = 0; x < c.side(); ++x) {
            const DWORD a = c.At(x, y), b = row[x];
            for (int shift : {0, 8, 16})
                largest = std::max(largest, std::abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF)));
        }
    }
    picture.UnlockBits(&data);
    return largest;
}

bool SavePng(const Canvas& c, const std::wstring& file) {
    GdiFlush();
    Gdiplus::Bitmap copy(c.side(), c.side(), PixelFormat32bppRGB);
    {
        Gdiplus::Graphics g(&copy);
        HDC target = g.GetHDC();
        BitBlt(target, 0, 0, c.side(), c.side(), c.dc(), 0, 0, SRCCOPY);
        g.ReleaseHDC(target);
    }
    // The PNG encoder's well-known class id.
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    return copy.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace

// Set VT_DIAL_WRITE_REFERENCES to a folder to write the pictures there
// instead of comparing (done once, from the drawing they were taken from).
TEST(SpeedPanlePicture, LooksLikeTheReferenceAtEveryScaleAndSeveralAngles) {
    wchar_t writeTo[MAX_PATH] = {};
    const bool writing = GetEnvironmentVariableW(L"VT_DIAL_WRITE_REFERENCES", writeTo, MAX_PATH) > 0;
    const std::wstring folder = writing ? std::wstring(writeTo) : TestPaths::Join(TestPaths::TestDir(), L"dial-reference");
    HWND hwnd = CreateHost();
    ASSERT_NE(nullptr, hwnd);
    GetAppState().nStatus = STATUS_OVERCLOCK_INIT;
    GetAppState().g_bThisCPUHaveCustomData = false;
    int compared = 0;
    for (int dpi : kReferenceDpis) {
        DuiLib::CPaintManagerUI manager;
        manager.Init(hwnd);
        manager.SetDpi(dpi);
        auto* dial = new CSpeedPanleUI;
        manager.AttachDialog(dial);
        const int side = manager.Scale(186);
        dial->SetPos(RECT{0, 0, side, side});
        dial->SetDefaultAngle(120);
        for (LPCWSTR pointer : kReferencePointers) {
            dial->SetAttribute(L"pointimage", pointer);
            // Each angle twice: drawn afresh, then from what the first kept.
            for (int round = 0; round < (writing ? 1 : 2); ++round) {
                for (int angle : kReferenceAngles) {
                    dial->m_nCurAngle = angle;
                    Canvas c(side);
                    c.Fill(0x001E2228);
                    dial->PaintStatusImage(c.dc());
                    const std::wstring file = TestPaths::Join(folder, ReferenceName(dpi, pointer, angle));
                    const std::string name = TestPaths::Narrow(ReferenceName(dpi, pointer, angle));
                    if (writing) {
                        EXPECT_TRUE(SavePng(c, file)) << name;
                        continue;
                    }
                    // The needle's round end stays on the hub at every angle:
                    // light all round the pivot, within its radius.
                    const POINT pivot = {side / 2, side / 2 - manager.Scale(5)};
                    for (int k = 0; k < 8; ++k) {
                        const double a = k * 3.14159265358979 / 4;
                        const DWORD px = c.At(pivot.x + (int)std::lround(manager.Scale(4) * std::cos(a)),
                                              pivot.y + (int)std::lround(manager.Scale(4) * std::sin(a)));
                        EXPECT_TRUE((px & 0xFF) > 0xD0 && ((px >> 8) & 0xFF) > 0xD0 && (px >> 16) > 0xD0)
                            << name << ": dark " << std::hex << px << " beside the pivot, direction " << k;
                    }
                    const int largest = LargestDifference(c, file);
                    EXPECT_GE(largest, 0) << name << ": no reference picture";
                    EXPECT_LE(largest, kReferenceTolerance) << name << (round ? ", again" : "");
                    ++compared;
                }
            }
        }
    }
    DestroyWindow(hwnd);
    if (!writing) {
        EXPECT_EQ(48, compared);
    }
}

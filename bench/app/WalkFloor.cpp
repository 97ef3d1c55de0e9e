// The walk floor: the reading floor's work with its window shown, and for
// each reading that moves the needle a walk as Velotune's window walks it:
// as many frames as its walks take, one a display refresh, each frame one
// blit of the dial's box (186x186, from a memory bitmap onto the window's
// own DC). bench_app keeps it up beside Velotune; the shown 40 s are
// judged against it.
//
// Built a second time as the walks floor (VT_WALKS_ONLY): the walks alone,
// one a second and no reading, so that a walk's frame is priced by itself
// rather than as the walk floor's time less its readings, which swing by
// more than its frames cost where a reading is dear.
#include <windows.h>

#include <cstdio>

#include "BenchStats.h"
#include "duilib/DibSurface.h"
#include "FloorReadings.h"

namespace {

constexpr int kSide = 186;         // the dial at 100 %
constexpr int kWalkFrames = 12;    // a far walk of Velotune's needle: its load dips
constexpr UINT_PTR kWalkTimer = 2;
constexpr UINT_PTR kSecondTimer = 3;  // the walks floor's walk a second
const POINT kDialAt = {117, 60};   // where the dial sits in Velotune's window

CFloorReadings g_readings;
HWND g_window = nullptr;
HDC g_own = nullptr;          // the window's own DC (CS_OWNDC): no DC to ask for a frame
HDC g_dial = nullptr;         // a picture of the dial
int g_frames = 0, g_angle = 0;
UINT g_frameMs = 16;          // one refresh of the display

UINT FrameIntervalMs() {
    vt::WindowDc screen(nullptr);
    const int hz = screen ? GetDeviceCaps(screen.Get(), VREFRESH) : 60;
    return 1000 / (hz > 1 && hz <= 500 ? hz : 60);
}

void StartWalk(const CFloorReadings::Reading& r) {
    if (!r.moved) return;
    g_angle = r.angle;
    g_frames = 0;
    SetTimer(g_window, kWalkTimer, g_frameMs, nullptr);
}

void Frame() {
    BitBlt(g_own, kDialAt.x, kDialAt.y, kSide, kSide, g_dial, 0, 0, SRCCOPY);
    if (++g_frames < kWalkFrames) return;
    KillTimer(g_window, kWalkTimer);
    char text[96];
    std::snprintf(text, sizeof text, "CSpeedPanleUI: walked to %d in %d frames", g_angle, g_frames);
    g_readings.Line(186, "uiLib::CSpeedPanleUI::DoEvent", text);
    std::snprintf(text, sizeof text, "CSpeedPanleUI: settled at %d", g_angle);
    g_readings.Line(389, "peedPanleUI::PaintStatusImage", text);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (g_readings.Handle(hwnd, msg, wp, &StartWalk)) return 0;
    if (msg == WM_TIMER && wp == kWalkTimer) {
        Frame();
        return 0;
    }
    if (msg == WM_TIMER && wp == kSecondTimer) {
        CFloorReadings::Reading walk;
        walk.moved = true;
        walk.angle = g_angle == 100 ? 200 : 100;
        StartWalk(walk);
        return 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        BitBlt(ps.hdc, kDialAt.x, kDialAt.y, kSide, kSide, g_dial, 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    DuiLib::CDibSurface dial;
    if (!dial.Create(nullptr, kSide, kSide)) return 1;
    PatBlt(dial.Dc(), 0, 0, kSide, kSide, WHITENESS);
    g_dial = dial.Dc();
    g_frameMs = FrameIntervalMs();
#ifdef VT_WALKS_ONLY
    // Below the bare popup, clear of the others.
    g_window = CFloorReadings::MakeWindow(L"VelotuneWalksFloor", Proc, CS_OWNDC, RECT{0, 630, 420, 1010});
    if (!g_window || !g_readings.Open(BenchFolder(), L"WalksFloor")) return 1;
#else
    // Beside the bare popup, clear of Velotune's window in the work area's corner.
    g_window = CFloorReadings::MakeWindow(L"VelotuneWalkFloor", Proc, CS_OWNDC, RECT{530, 0, 950, 480});
    if (!g_window || !g_readings.Open(BenchFolder(), L"WalkFloor")) return 1;
#endif
    g_own = GetDC(g_window);
    ShowWindow(g_window, SW_SHOW);
#ifdef VT_WALKS_ONLY
    if (!SetTimer(g_window, kSecondTimer, 1000, nullptr)) return 1;
#else
    if (!g_readings.Start(g_window)) return 1;
#endif
    return CFloorReadings::RunMessages();
}

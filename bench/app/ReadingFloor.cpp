// The reading floor: Velotune's readings with its window hidden, done the
// plainest way Win32 allows (CFloorReadings), for a window that is never
// shown. bench_app keeps it up beside Velotune; the hidden minute is judged
// against it.
#include <windows.h>

#include <cstdio>

#include "BenchStats.h"
#include "FloorReadings.h"

namespace {

CFloorReadings g_readings;

// What Velotune logs for a reading that moves the needle of a window nobody sees.
void SetWithoutWalk(const CFloorReadings::Reading& r) {
    if (!r.moved) return;
    char text[96];
    std::snprintf(text, sizeof text, "CSpeedPanleUI: not shown, the pointer is set to %d without a walk", r.angle);
    g_readings.Line(231, "iLib::CSpeedPanleUI::SkipWalk", text);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return g_readings.Handle(hwnd, msg, wp, &SetWithoutWalk) ? 0 : DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    HWND hwnd = CFloorReadings::MakeWindow(L"VelotuneReadingFloor", Proc, 0, RECT{100, 100, 520, 620});
    if (!hwnd || !g_readings.Open(BenchFolder(), L"ReadingFloor") || !g_readings.Start(hwnd)) return 1;
    return CFloorReadings::RunMessages();
}

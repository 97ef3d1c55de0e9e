// One frame of the speed dial (face, rotated pointer, arcs, as the window
// paints it on each animation step) against one plain GDI+ DrawImage of the
// dial face at the same size, both onto the same 32-bit memory bitmap; and
// one needle frame (the dial painted inside the box one step of the needle
// invalidates, as the window repaints it) against a plain BitBlt of that
// box, and against the floor of a needle frame (the clip, one blit and one
// blend of that box), which it is judged against. A warm-up of each, then
// pairs of batches in alternating order. Last, a walk's frame as the main
// window draws it (the toolkit's quick frame through its back buffer onto
// the shown window) against the walk floor's frame, one blit of the box
// onto the window.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdio>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "BenchStats.h"
#include "duilib/ContainerUI.h"
#include "duilib/DibSurface.h"
#include "duilib/LabelUI.h"
#include "duilib/PaintManagerUI.h"
#include "log/BaseLog.h"
#include "speeddial/SpeedPanleUI.h"

namespace {

constexpr int kPairs = 7;
constexpr int kFramesPerBatch = 200;
constexpr int kSide = 186;  // the dial's size in the main window's layout
constexpr double kNeedleFloorTarget = 1.5;

// A 32-bit memory bitmap of the dial's size to paint on.
class Canvas : public DuiLib::CDibSurface {
public:
    Canvas() { Create(nullptr, kSide, kSide); }
    HDC dc() const { return Dc(); }
};

// The batches of a pair, started alternately after a warm-up of each; the
// line says each one's time a frame and the ratio.
template <typename First, typename Second>
Spread Pairs(const First& first, const Second& second, const char* what, const char* against) {
    first();
    second();
    std::vector<double> aMs, bMs, ratio;
    for (int pair = 0; pair < kPairs; ++pair) {
        double a, b;
        if (pair % 2 == 0) {
            a = first();
            b = second();
        } else {
            b = second();
            a = first();
        }
        aMs.push_back(a * 1000);
        bMs.push_back(b * 1000);
        ratio.push_back(a / b);
    }
    const Spread r = SpreadOf(ratio);
    std::printf("%s: %s ms, %s %s ms, ratio %s", what, Describe(SpreadOf(aMs), "%.3f").c_str(), against,
                Describe(SpreadOf(bMs), "%.3f").c_str(), Describe(r, "%.2f").c_str());
    return r;
}

DuiLib::CPaintManagerUI* g_windowManager = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT res = 0;
    if (g_windowManager && g_windowManager->MessageHandler(msg, wp, lp, res)) return res;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The main window's layers where the needle walks: the window's fill, the
// scale marks' image, the dial and the readout under it, as the skin places
// them, in a shown window. A frame of a walk as the dial draws it (the
// toolkit's quick frame, which starts at the dial where its face covers the
// box), against the walk floor's frame: one blit of the box onto the
// window's DC.
void WalkFramesInAWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DialBenchWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 420, 520, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!hwnd) return;
    DuiLib::CPaintManagerUI manager;
    manager.Init(hwnd);
    g_windowManager = &manager;
    auto* root = new DuiLib::CContainerUI;
    root->ApplyAttributeList(L"bkcolor=\"#FF1E2228\"");
    auto* marks = new DuiLib::CLabelUI;
    marks->ApplyAttributeList(L"float=\"true\" pos=\"80,62,340,322\" bkimage=\"png/marks_v7.png\"");
    auto* dial = new DuiLib::CSpeedPanleUI;
    dial->ApplyAttributeList(L"float=\"true\" pos=\"117,104,303,290\" dialimage=\"png/dials.png\" "
                             L"pointimage=\"png/panel.png\" anglemin=\"60\" anglemax=\"300\"");
    auto* readout = new DuiLib::CLabelUI;
    readout->ApplyAttributeList(L"float=\"true\" pos=\"150,294,270,322\" text=\"3.60 GHz\" "
                                L"textcolor=\"#FFE6E9ED\" align=\"center\"");
    root->Add(marks);
    root->Add(dial);
    root->Add(readout);
    manager.AttachDialog(root);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    Pump();

    int angle = dial->m_nAngleMin, direction = 1;
    auto nextBox = [&] {
        const int from = angle;
        if (angle + direction > dial->m_nAngleMax || angle + direction < dial->m_nAngleMin) direction = -direction;
        angle += direction;
        RECT a = dial->PointerBounds(from), b = dial->PointerBounds(angle), box;
        ::UnionRect(&box, &a, &b);
        ::IntersectRect(&box, &box, &dial->GetPos());
        return box;
    };
    bool drawn = true;
    auto frames = [&] {
        const double start = BenchNow();
        for (int i = 0; i < kFramesPerBatch; ++i) {
            const RECT box = nextBox();
            dial->m_nCurAngle = angle;
            drawn = manager.PaintNow(box) && drawn;
        }
        GdiFlush();
        return (BenchNow() - start) / kFramesPerBatch;
    };
    Canvas picture;
    const vt::WindowDc window(hwnd);
    auto floorFrames = [&] {
        const double start = BenchNow();
        for (int i = 0; i < kFramesPerBatch; ++i) {
            const RECT box = nextBox();
            const POINT at = {box.left - 117, box.top - 104};
            BitBlt(window.Get(), box.left, box.top, box.right - box.left, box.bottom - box.top, picture.dc(), at.x,
                   at.y, SRCCOPY);
        }
        GdiFlush();
        return (BenchNow() - start) / kFramesPerBatch;
    };
    Pairs(frames, floorFrames, "a walk's frame in the window",
          "the walk floor's frame (a blit of the box onto the window)");
    std::printf("\n");
    if (!drawn) std::printf("  (some frames were not drawn at once: the window was not shown)\n");
    g_windowManager = nullptr;
    DestroyWindow(hwnd);
}

}  // namespace

int main() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    CreateDirectoryW(L"log", nullptr);
    LogStartup();
    const std::wstring here = BenchFolder();
    const std::wstring skin = here.substr(0, here.find_last_of(L'\\')) + L"\\dist\\skin\\";
    DuiLib::CPaintManagerUI::SetResourcePath(skin.c_str());

    int rc = 0;
    {
        // The dial needs a manager (its face comes from the manager's image
        // cache), and the manager a window; the window is never shown.
        HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, kSide, kSide, nullptr, nullptr, nullptr, nullptr);
        DuiLib::CPaintManagerUI manager;
        manager.Init(host);
        auto* dial = new DuiLib::CSpeedPanleUI;
        manager.AttachDialog(dial);  // owns it from here
        dial->SetPos(RECT{0, 0, kSide, kSide});
        Gdiplus::Bitmap face((skin + L"png\\dials.png").c_str());
        Canvas canvas;
        if (face.GetLastStatus() != Gdiplus::Ok) {
            std::printf("cannot load the dial face\n");
            rc = 1;
        }

        int angle = dial->m_nAngleMin;
        auto dialBatch = [&] {
            const double start = BenchNow();
            for (int i = 0; i < kFramesPerBatch; ++i) {
                // One animation step: the pointer one degree on, as the timer moves it.
                dial->m_nCurAngle = angle;
                angle = angle >= dial->m_nAngleMax ? dial->m_nAngleMin : angle + 1;
                dial->PaintStatusImage(canvas.dc());
            }
            GdiFlush();
            return (BenchNow() - start) / kFramesPerBatch;
        };
        auto plainBatch = [&] {
            const double start = BenchNow();
            Gdiplus::Graphics plain(canvas.dc());
            for (int i = 0; i < kFramesPerBatch; ++i) plain.DrawImage(&face, 0, 0, kSide, kSide);
            plain.Flush(Gdiplus::FlushIntentionSync);
            GdiFlush();
            return (BenchNow() - start) / kFramesPerBatch;
        };

        // A needle step as the window paints it: the dial's paint clipped to
        // the box the step invalidates (where the needle was and is now),
        // walking the scale up and down one degree a frame.
        Canvas source;
        int stepAngle = dial->m_nAngleMin, direction = 1;
        double boxPixels = 0;
        auto nextStep = [&] {
            const int from = stepAngle;
            if (stepAngle + direction > dial->m_nAngleMax || stepAngle + direction < dial->m_nAngleMin)
                direction = -direction;
            stepAngle += direction;
            return std::make_pair(from, stepAngle);
        };
        auto stepBox = [&](int from, int to) {
            RECT a = dial->PointerBounds(from), b = dial->PointerBounds(to), box;
            ::UnionRect(&box, &a, &b);
            const RECT all = {0, 0, kSide, kSide};
            ::IntersectRect(&box, &box, &all);
            return box;
        };
        auto needleBatch = [&] {
            const double start = BenchNow();
            for (int i = 0; i < kFramesPerBatch; ++i) {
                const auto step = nextStep();
                const RECT box = stepBox(step.first, step.second);
                boxPixels += double(box.right - box.left) * (box.bottom - box.top);
                IntersectClipRect(canvas.dc(), box.left, box.top, box.right, box.bottom);
                dial->m_nCurAngle = step.second;
                dial->PaintStatusImage(canvas.dc());
                SelectClipRgn(canvas.dc(), nullptr);
            }
            GdiFlush();
            return (BenchNow() - start) / kFramesPerBatch;
        };
        auto blitBatch = [&] {
            const double start = BenchNow();
            for (int i = 0; i < kFramesPerBatch; ++i) {
                const auto step = nextStep();
                const RECT box = stepBox(step.first, step.second);
                BitBlt(canvas.dc(), box.left, box.top, box.right - box.left, box.bottom - box.top, source.dc(), box.left,
                       box.top, SRCCOPY);
            }
            GdiFlush();
            return (BenchNow() - start) / kFramesPerBatch;
        };

        // The least a needle frame could cost through a clipped paint: the
        // clip the window's paint sets, one blit of the box from a picture of
        // the dial without its needle, one blend of a needle's box over it.
        // Against the plain blit, this is the floor no drawing of the dial
        // can go below under this GDI.
        auto floorBatch = [&] {
            const BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            const double start = BenchNow();
            for (int i = 0; i < kFramesPerBatch; ++i) {
                const auto step = nextStep();
                const RECT box = stepBox(step.first, step.second);
                const int w = box.right - box.left, h = box.bottom - box.top;
                IntersectClipRect(canvas.dc(), box.left, box.top, box.right, box.bottom);
                BitBlt(canvas.dc(), box.left, box.top, w, h, source.dc(), box.left, box.top, SRCCOPY);
                GdiAlphaBlend(canvas.dc(), box.left, box.top, w, h, source.dc(), box.left, box.top, w, h, bf);
                SelectClipRgn(canvas.dc(), nullptr);
            }
            GdiFlush();
            return (BenchNow() - start) / kFramesPerBatch;
        };
        if (rc == 0) {
            std::printf("%d pairs of %d-frame batches after a warm-up, alternating; median (min-max):\n", kPairs,
                        kFramesPerBatch);
            char what[96];
            std::snprintf(what, sizeof what, "one dial frame (%dx%d)", kSide, kSide);
            Pairs(dialBatch, plainBatch, what, "plain GDI+ DrawImage of the same size");
            std::printf("\n");
            boxPixels = 0;
            const Spread needle = Pairs(needleBatch, floorBatch, "one needle frame (the dial inside the step's box)",
                                        "the frame floor (clip, blit and blend of the same box)");
            std::printf("; target <= %.1f: %s\n", kNeedleFloorTarget, Verdict(needle.median <= kNeedleFloorTarget));
            std::printf("  (the step's box averaged %.0f pixels)\n", boxPixels / ((kPairs + 1) * kFramesPerBatch));
            Pairs(needleBatch, blitBatch, "  the needle frame", "a plain BitBlt of the same box");
            std::printf("\n");
            Pairs(floorBatch, blitBatch, "  the frame floor", "a plain BitBlt");
            std::printf("\n");
        }
        if (host) DestroyWindow(host);
        if (rc == 0) WalkFramesInAWindow();
    }
    Gdiplus::GdiplusShutdown(token);
    return rc;
}

// One frame of the speed dial (face, rotated pointer, arcs, as the window
// paints it on each animation step) against one plain GDI+ DrawImage of the
// dial face at the same size, both onto the same 32-bit memory bitmap; and
// one needle frame (the dial painted inside the box one step of the needle
// invalidates, as the window repaints it) against a plain BitBlt of that
// box, and against the floor of a needle frame (the clip, one blit and one
// blend of that box), which it is judged against. A warm-up of each, then
// pairs of batches in alternating order.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdio>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "BenchStats.h"
#include "duilib/DibSurface.h"
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
        auto pairs = [&](const auto& first, const auto& second, const char* what, const char* against) {
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
        };
        if (rc == 0) {
            std::printf("%d pairs of %d-frame batches after a warm-up, alternating; median (min-max):\n", kPairs,
                        kFramesPerBatch);
            char what[96];
            std::snprintf(what, sizeof what, "one dial frame (%dx%d)", kSide, kSide);
            pairs(dialBatch, plainBatch, what, "plain GDI+ DrawImage of the same size");
            std::printf("\n");
            boxPixels = 0;
            const Spread needle = pairs(needleBatch, floorBatch, "one needle frame (the dial inside the step's box)",
                                        "the frame floor (clip, blit and blend of the same box)");
            std::printf("; target <= %.1f: %s\n", kNeedleFloorTarget, Verdict(needle.median <= kNeedleFloorTarget));
            std::printf("  (the step's box averaged %.0f pixels)\n", boxPixels / ((kPairs + 1) * kFramesPerBatch));
            pairs(needleBatch, blitBatch, "  the needle frame", "a plain BitBlt of the same box");
            std::printf("\n");
            pairs(floorBatch, blitBatch, "  the frame floor", "a plain BitBlt");
            std::printf("\n");
        }
        if (host) DestroyWindow(host);
    }
    Gdiplus::GdiplusShutdown(token);
    return rc;
}

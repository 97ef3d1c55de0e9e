#pragma once
// The round speed gauge of the main window: a dial face, a pointer rotated to
// the current angle and animated towards a target, and coloured arcs that
// tell the normal from the overclocked range.
#include <windows.h>

#include <memory>

#include "duilib/LabelUI.h"
#include "speeddial/ArcLayer.h"
#include "speeddial/DialBackground.h"
#include "speeddial/FramePacer.h"
#include "speeddial/NeedleCache.h"
#include "base/Win32Owners.h"

namespace Gdiplus {
class Image;
}

namespace DuiLib {

class CSpeedPanleUI : public CLabelUI {
public:
    static constexpr UINT kAnimationTimerId = 2;

    CSpeedPanleUI();
    ~CSpeedPanleUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    // A dial to a screen reader; its value is the reading the owner shows.
    DWORD GetAccessibleRole() const override;
    void DoEvent(TEventUI& event) override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    // Where the composed face is opaque: around the needle, away from the rim.
    bool CoversOpaquely(const RECT& rc) const override;

    // Target = lowest angle + offset; the animation timer moves the pointer.
    virtual int SetEndAngle(int offset);
    void SetDefaultAngle(int offset);
    // Where the needle at `angle` is drawn, window pixels (the whole control
    // before the pointer image is loaded).
    RECT PointerBounds(int angle) const;
    // Sets the target and walks the pointer there in steps of m_nStep, at
    // most kMaxWalkFrames frames paced to the display. A window nobody sees
    // gets no walk: the pointer is set where the walk would end, unpainted.
    void WalkTo(int offset);
    static constexpr int kMaxWalkFrames = 12;
    // Pointer frames painted and animation ticks handled so far (tests).
    int FramesPainted() const { return m_nFramesPainted; }
    int TicksHandled() const { return m_nTicksHandled; }

    // The owner drives these directly (pointer image switch, animation step).
    CDuiString m_sDialImage;
    CDuiString m_sPointImage;
    bool m_bPointImageChanged = false;
    int m_nRadius = 60;
    int m_nAngleMin = 60;
    int m_nAngleMax = 300;
    int m_nAngleValue = 60;
    int m_nCurAngle = 60;
    int m_nDefaultAngle = 60;
    int m_nStep = 1;

private:
    int StepFrom(int angle) const;  // one animation step of m_nStep from `angle`
    int WalkEnd() const;            // where steps from the current angle stop
    // The window the dial is drawn in; null for a dial drawn on a DC handed
    // to it, which is drawn whatever becomes of any window.
    HWND Window() const;
    void SkipWalk();
    void LoadPointer();
    void PaintPointer(HDC hDC);
    // A walk's frames are drawn at once (the timer's tick is the frame);
    // anything else waits for the next paint.
    enum class Repaint { Later, Now };
    void InvalidatePointer(Repaint when = Repaint::Later);
    void SettleFrame();  // the whole dial repainted at the current angle (a skipped walk's end)
    // The face and the arcs (composed once, see CDialBackground), then the
    // needle, which carries the arcs that pass over it.
    void PaintFace(HDC hDC);
    void DrawFaceAndArcs(HDC hDC, bool arcs);
    std::vector<DialArc> Arcs() const;
    void PaintNeedleOutline(HDC hDC);  // high contrast only
    int Dpi() const;
    double PointerScale() const;
    double Reach() const;         // the needle's farthest pixel from the pivot, device pixels  // pointer image pixels to device pixels
    POINT Pivot() const;          // the needle's centre of rotation, device pixels

    // Only the pointer file's inked part, premultiplied, held by itself; the
    // file's bytes and the rest of its pixels go once it is read.
    std::unique_ptr<Gdiplus::Image> m_pImgPoint;
    RECT m_rcPointOpaque = {};  // where that part lies in the pointer file's square
    int m_nPointSide = 0;       // the pointer file's width (the files are square)
    int m_nPointDpi = 96;         // the display scale the pointer file was picked for
    double m_fPointFactor = 1.0;  // that file's own scale (2 for "@2x")
    CArcLayer m_arcLayer;
    CDialBackground m_background;
    CNeedleCache m_needles;
    CFramePacer m_framePacer;
    RECT m_rcNeedleDrawn = {};     // where needles were painted since the last repaint asked for
    bool m_bFramePending = false;  // a step taken but not yet repainted
    bool m_bSettlePending = false; // a walk's end (or the whole dial) asked for, not yet painted
    int m_nStepsPerFrame = 1;      // of m_nStep each, so a walk takes few frames
    int m_nWalkFrames = 0;         // frames asked for by the walk under way
    int m_nFramesPainted = 0;
    int m_nTicksHandled = 0;
};

}  // namespace DuiLib

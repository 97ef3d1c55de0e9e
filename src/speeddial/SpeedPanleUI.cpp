#include "speeddial/SpeedPanleUI.h"

#include <objbase.h>
#include <oleacc.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "duilib/PaintManagerUI.h"
#include "duilib/SkinImage.h"
#include "duilib/Visibility.h"
#include "speeddial/DialOutline.h"
#include "log/BaseLog.h"
#include "state/AppState.h"

namespace DuiLib {

namespace {

// The pointer's log lines belong to the paint they are part of.
const char kPaintName[] = "DuiLib::CSpeedPanleUI::PaintStatusImage";

constexpr DWORD kGreen = 0xFFA4D975;
constexpr DWORD kGrey = 0xFF818891;
constexpr DWORD kOrangeRed = 0xFFFA6948;
constexpr DWORD kBlack = 0xFF000000;
constexpr DWORD kAmber = 0xFFFCB547;

// The part of the pointer image with any visible pixel, plus a margin for the
// filter that samples neighbours while rotating. A needle covers a small part
// of its square image; rotating only that part gives the same picture for a
// fraction of the work on each animation step.
RECT OpaqueBounds(Gdiplus::Image& image) {
    const INT w = static_cast<INT>(image.GetWidth()), h = static_cast<INT>(image.GetHeight());
    const RECT whole = {0, 0, w, h};
    if (image.GetType() != Gdiplus::ImageTypeBitmap || image.GetPixelFormat() != PixelFormat32bppPARGB) return whole;
    auto& bitmap = static_cast<Gdiplus::Bitmap&>(image);
    Gdiplus::BitmapData data;
    Gdiplus::Rect all(0, 0, w, h);
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) return whole;
    RECT box = {w, h, 0, 0};
    for (INT y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        for (INT x = 0; x < w; ++x) {
            if ((row[x] >> 24) == 0) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    bitmap.UnlockBits(&data);
    if (box.right <= box.left) return RECT{};  // nothing visible at all
    constexpr LONG kMargin = 2;
    return RECT{std::max<LONG>(0, box.left - kMargin), std::max<LONG>(0, box.top - kMargin),
                std::min<LONG>(w, box.right + kMargin), std::min<LONG>(h, box.bottom + kMargin)};
}

// `box` of the image as a bitmap of its own, pixel for pixel: the turned
// needle is drawn from its inked part only, so the rest of the square (most
// of it) need not be kept. An empty box gives one transparent pixel.
std::unique_ptr<Gdiplus::Image> Cropped(Gdiplus::Image& image, const RECT& box) {
    const INT w = std::max<INT>(1, box.right - box.left), h = std::max<INT>(1, box.bottom - box.top);
    auto cropped = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppPARGB);
    if (cropped->GetLastStatus() != Gdiplus::Ok) return nullptr;
    if (box.right <= box.left || box.bottom <= box.top) return cropped;  // a new bitmap is transparent
    if (image.GetType() != Gdiplus::ImageTypeBitmap) return nullptr;
    auto& source = static_cast<Gdiplus::Bitmap&>(image);
    Gdiplus::Rect from(box.left, box.top, w, h), to(0, 0, w, h);
    Gdiplus::BitmapData in, out;
    if (source.LockBits(&from, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &in) != Gdiplus::Ok) return nullptr;
    const bool locked = cropped->LockBits(&to, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &out) == Gdiplus::Ok;
    if (locked) {
        for (INT y = 0; y < h; ++y)
            std::memcpy(static_cast<BYTE*>(out.Scan0) + y * out.Stride, static_cast<const BYTE*>(in.Scan0) + y * in.Stride,
                        w * 4);
        cropped->UnlockBits(&out);
    }
    source.UnlockBits(&in);
    return locked ? std::move(cropped) : nullptr;
}

void PrepareGraphics(Gdiplus::Graphics& g) {
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
}

}  // namespace

CSpeedPanleUI::CSpeedPanleUI() : m_sDialImage(L"png/dials.png"), m_sPointImage(L"png/panel.png") {
    SetFixedWidth(186);
    SetFixedHeight(186);
    SetTextPadding(RECT{0, 200, 0, 0});
    SetTextColor(0xFFFFFF);
    SetFont(14);
    SetTextStyle(DT_CENTER | DT_SINGLELINE);
}

CSpeedPanleUI::~CSpeedPanleUI() = default;

LPCWSTR CSpeedPanleUI::GetClass() const { return L"SpeedPanleUI"; }

DWORD CSpeedPanleUI::GetAccessibleRole() const { return ROLE_SYSTEM_DIAL; }

LPVOID CSpeedPanleUI::GetInterface(LPCWSTR pstrName) {
    if (pstrName && std::wcscmp(pstrName, L"SpeedPanle") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

bool CSpeedPanleUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (std::wcscmp(pstrName, L"dialimage") == 0) {
        if (m_sDialImage != pstrValue) {
            m_sDialImage = pstrValue;
            m_background.Clear();
            Invalidate();
        }
        return true;
    }
    if (std::wcscmp(pstrName, L"pointimage") == 0) {
        if (m_sPointImage != pstrValue) {
            m_sPointImage = pstrValue;
            m_bPointImageChanged = true;
            Invalidate();
        }
        return true;
    }
    int* angle = nullptr;
    if (std::wcscmp(pstrName, L"anglemin") == 0) angle = &m_nAngleMin;
    else if (std::wcscmp(pstrName, L"anglemax") == 0) angle = &m_nAngleMax;
    else if (std::wcscmp(pstrName, L"anglevalue") == 0) angle = &m_nAngleValue;
    if (angle) {
        *angle = (int)std::wcstol(pstrValue, nullptr, 10);
        Invalidate();
        return true;
    }
    return CLabelUI::SetAttribute(pstrName, pstrValue);
}

int CSpeedPanleUI::SetEndAngle(int offset) {
    m_nAngleValue = m_nAngleMin + offset;
    return m_nAngleValue;
}

void CSpeedPanleUI::SetDefaultAngle(int offset) {
    if (m_nDefaultAngle == m_nAngleMin + offset) return;
    m_nDefaultAngle = m_nAngleMin + offset;
    Invalidate();  // the arcs split there: a needle's repaint does not reach them
}

void CSpeedPanleUI::DoEvent(TEventUI& event) {
    if (event.Type != UIEVENT_TIMER) {
        CLabelUI::DoEvent(event);
        return;
    }
    if (event.wParam != kAnimationTimerId) return;
    ++m_nTicksHandled;
    // Whether windows cover the dial is decided when a walk starts: a walk
    // lasts a dozen frames at most, and walking the windows above on every
    // tick cost three round trips to the wineserver a frame, half of what a
    // frame asks of it. Hidden or minimised is cheap to ask, and stops it.
    if (Window() && !CVisibility::IsShown(Window())) {
        SkipWalk();
        return;
    }
    int next = m_nCurAngle;
    for (int i = 0; i < m_nStepsPerFrame; ++i) next = StepFrom(next);
    const bool arrived = StepFrom(next) == next;  // or pinned at an end of the scale
    const bool moved = next != m_nCurAngle;
    m_nCurAngle = next;
    if (!arrived) {
        if (m_framePacer.FrameDue()) InvalidatePointer(Repaint::Now);
        else m_bFramePending = true;
        return;
    }
    // The step that arrives is the walk's last frame, painted whatever the
    // pacer says, and the timer stops with it: a tick more would only burn
    // processor time. Every frame repainted where any needle was drawn since
    // the one before, so this one leaves nothing of the walk behind.
    if (m_pManager) m_pManager->KillTimer(this, kAnimationTimerId);
    const bool lastFrame = moved || m_bFramePending;
    // Said before the last frame, which may be drawn at once and say that
    // the needle settled.
    const int frames = m_nWalkFrames + (lastFrame ? 1 : 0);
    if (frames > 0) VLOG("CSpeedPanleUI: walked to %d in %d frames", m_nCurAngle, frames);
    if (lastFrame) {
        m_bSettlePending = true;
        InvalidatePointer(Repaint::Now);
    }
    m_nWalkFrames = 0;
}

int CSpeedPanleUI::StepFrom(int angle) const {
    if (m_nStep <= 0 || std::abs(m_nAngleValue - angle) < m_nStep) return angle;
    if (m_nAngleValue > angle) return std::min(angle + m_nStep, m_nAngleMax);
    return std::max(angle - m_nStep, m_nAngleMin);
}

int CSpeedPanleUI::WalkEnd() const {
    int angle = m_nCurAngle;
    // Bounded: a step that leaves the angle where it is ends the walk, and
    // the scale is crossed in at most its width of steps.
    for (int i = 0, most = std::abs(m_nAngleMax - m_nAngleMin) + std::abs(m_nAngleValue - angle) + 1; i < most; ++i) {
        const int next = StepFrom(angle);
        if (next == angle) break;
        angle = next;
    }
    return angle;
}

HWND CSpeedPanleUI::Window() const { return m_pManager ? m_pManager->GetPaintWindow() : nullptr; }

void CSpeedPanleUI::SkipWalk() {
    if (m_pManager) m_pManager->KillTimer(this, kAnimationTimerId);
    m_nCurAngle = WalkEnd();
    // The dial whole at the end, once, whatever the window's state: covered,
    // with desktop composition the system keeps the window's picture and
    // shows it again as it was when uncovered (and a cover misjudged costs
    // the walk only); hidden or minimised, nothing is painted until the
    // window is shown, and then this area is part of the first paint even
    // where the system keeps the old picture of the window.
    SettleFrame();
    if (!CVisibility::IsShown(Window())) {
        m_needles.Clear();
        m_background.Clear();
    }
    m_nWalkFrames = 0;
    VLOG("CSpeedPanleUI: not shown, the pointer is set to %d without a walk", m_nCurAngle);
}

void CSpeedPanleUI::WalkTo(int offset) {
    SetEndAngle(offset);
    const int end = WalkEnd();
    if (end == m_nCurAngle) return;  // most readings: nothing to move
    if (m_pManager) m_pManager->KillTimer(this);
    if (Window() && !CVisibility::IsSeen(Window())) {
        SkipWalk();
        return;
    }
    // The needle's tip travels radius x angle; under a pixel, one frame shows it.
    const double travel = std::abs(end - m_nCurAngle) * 3.14159265358979323846 / 180.0 * Reach();
    if (travel < 1.0 || !m_pManager) {
        m_nCurAngle = end;
        InvalidatePointer();
        return;
    }
    const int steps = std::abs(end - m_nCurAngle) / std::max(1, m_nStep);
    m_nStepsPerFrame = std::max(1, (steps + kMaxWalkFrames - 1) / kMaxWalkFrames);
    m_nWalkFrames = 0;
    m_pManager->SetTimer(this, kAnimationTimerId, m_framePacer.FrameIntervalMs());
}

void CSpeedPanleUI::LoadPointer() {
    std::vector<BYTE> bytes;
    // The sharpest file for this display; drawn at Scale() / its own factor.
    m_nPointDpi = Dpi();
    const CDuiString file = CPaintManagerUI::FindImageVariant(m_sPointImage, m_nPointDpi, m_fPointFactor);
    // Decoded once to premultiplied pixels, so that no paint converts them;
    // only the inked part is kept.
    std::unique_ptr<CSkinImage> image;
    if (CPaintManagerUI::LoadFileData(file, bytes, true) > 0) image = CSkinImage::Decode(bytes);
    if (image && image->GetBitmap()) {
        const RECT opaque = OpaqueBounds(*image->GetBitmap());
        m_pImgPoint = Cropped(*image->GetBitmap(), opaque);
        if (m_pImgPoint) {
            m_rcPointOpaque = opaque;
            m_nPointSide = image->GetWidth();
        }
    }
    VLOG_AS(kPaintName, "[m_pImgPoint] [in]");
}

void CSpeedPanleUI::SettleFrame() {
    m_rcNeedleDrawn = RECT{};  // the whole dial covers every needle drawn
    m_bFramePending = false;
    m_bSettlePending = true;
    Invalidate();
}

void CSpeedPanleUI::InvalidatePointer(Repaint when) {
    // Only the needle moved: repaint wherever a needle was drawn since the
    // last step (by this walk's frames, or by the system's paints between
    // them) and where it is now. The paint redraws every layer inside that
    // area, so the picture is the same as after a full repaint, for much
    // less blending per step.
    RECT changed;
    const RECT now = PointerBounds(m_nCurAngle);
    ::UnionRect(&changed, &m_rcNeedleDrawn, &now);
    m_rcNeedleDrawn = RECT{};
    m_bFramePending = false;
    ++m_nWalkFrames;
    if (!m_pManager || !IsVisible() || !::IntersectRect(&changed, &changed, &m_rcItem)) return;
    if (when == Repaint::Now && m_pManager->PaintNow(changed)) return;
    m_pManager->Invalidate(changed);
}

RECT CSpeedPanleUI::PointerBounds(int angle) const {
    if (!m_pImgPoint || m_bPointImageChanged) return m_rcItem;
    const POINT pivot = Pivot();
    const int cx = pivot.x, cy = pivot.y;
    const int iw = m_nPointSide;
    const RECT& b = m_rcPointOpaque;
    const double k = PointerScale();
    const double x0 = cx - k * (iw / 2), y0 = cy - k * (iw / 2);
    const double rad = angle * 3.14159265358979323846 / 180.0, c = std::cos(rad), s = std::sin(rad);
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (LONG px : {b.left, b.right}) {
        for (LONG py : {b.top, b.bottom}) {
            const double dx = x0 + k * px - cx, dy = y0 + k * py - cy;
            const double x = cx + dx * c - dy * s, y = cy + dx * s + dy * c;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    // Two pixels more on each side for the smoothing filter's reach.
    return RECT{static_cast<LONG>(std::floor(left)) - 2, static_cast<LONG>(std::floor(top)) - 2,
                static_cast<LONG>(std::ceil(right)) + 2, static_cast<LONG>(std::ceil(bottom)) + 2};
}

double CSpeedPanleUI::Reach() const {
    if (!m_pImgPoint) return 0;
    const int pivot = m_nPointSide / 2;
    const RECT& b = m_rcPointOpaque;
    double reach = 0;
    for (LONG px : {b.left, b.right})
        for (LONG py : {b.top, b.bottom}) reach = std::max(reach, std::hypot(px - pivot, py - pivot));
    return reach * PointerScale();
}

void CSpeedPanleUI::PaintPointer(HDC hDC) {
    if (m_bPointImageChanged) {
        VLOG_AS(kPaintName, "[m_bPointImageChanged] [in]");
        m_bPointImageChanged = false;
        m_pImgPoint.reset();
        m_needles.Clear();
    }
    if (m_pImgPoint && m_nPointDpi != Dpi()) {  // moved to a display of another scale
        m_pImgPoint.reset();
        m_needles.Clear();
    }
    if (!m_pImgPoint) LoadPointer();
    if (!m_pImgPoint) return;
    const double k = PointerScale();

    const int iw = m_nPointSide;
    const RECT& b = m_rcPointOpaque;
    if (b.right <= b.left || b.bottom <= b.top || iw <= 0) return;
    // The needle is turned in a surface of its own, centred on the pivot and
    // wide enough for the needle at any angle, and blended from there.
    if (!m_needles.Prepare(2 * (static_cast<int>(std::ceil(Reach())) + 3))) return;
    const int side = m_needles.Side();
    const POINT pivot = Pivot();
    const POINT origin = {pivot.x - side / 2, pivot.y - side / 2};  // the surface's corner in the window
    // Only the needle's box is drawn and blended: most of the surface is empty.
    RECT box = PointerBounds(m_nCurAngle);
    ::OffsetRect(&box, -origin.x, -origin.y);
    const RECT whole = {0, 0, side, side};
    if (!::IntersectRect(&box, &box, &whole)) box = whole;
    // GDI+ turns the needle once per angle; every later frame at that angle
    // blends the kept pixels, the same picture for a fraction of the work.
    if (!m_needles.Restore(m_nCurAngle, box)) {
        m_needles.ClearBox(box);
        Gdiplus::Graphics g(m_needles.Canvas());
        if (g.GetLastStatus() != Gdiplus::Ok) return;
        g.SetClip(Gdiplus::Rect(box.left, box.top, box.right - box.left, box.bottom - box.top));
        PrepareGraphics(g);
        g.TranslateTransform((Gdiplus::REAL)(side / 2), (Gdiplus::REAL)(side / 2));
        g.RotateTransform((Gdiplus::REAL)m_nCurAngle);
        if (k != 1.0) g.ScaleTransform((Gdiplus::REAL)k, (Gdiplus::REAL)k);
        // Both offsets use half the width; pointer images are square.
        g.TranslateTransform((Gdiplus::REAL)-(iw / 2), (Gdiplus::REAL)-(iw / 2));
        const Gdiplus::Status drawn =
            g.DrawImage(m_pImgPoint.get(), Gdiplus::Rect(b.left, b.top, b.right - b.left, b.bottom - b.top), 0, 0,
                        b.right - b.left, b.bottom - b.top, Gdiplus::UnitPixel);
        g.Flush(Gdiplus::FlushIntentionSync);
        // The arcs are not drawn after the needle: it brings with it those that lie over it.
        m_arcLayer.Atop(m_needles.Pixels(), side, box, origin);
        // A turn that failed is not kept: every later frame at this angle
        // would blend the same empty box. The next paint tries again.
        if (drawn == Gdiplus::Ok) m_needles.Keep(m_nCurAngle, box);
        else VLOG_AS(kPaintName, "the needle could not be turned to %d (GDI+ status %d)", m_nCurAngle, (int)drawn);
    }
    m_needles.Blend(hDC, box, POINT{origin.x + box.left, origin.y + box.top});
    if (m_bSettlePending) {
        m_bSettlePending = false;
        VLOG_AS(kPaintName, "CSpeedPanleUI: settled at %d", m_nCurAngle);
    }
    const RECT drawn = PointerBounds(m_nCurAngle);
    ::UnionRect(&m_rcNeedleDrawn, &m_rcNeedleDrawn, &drawn);
    ++m_nFramesPainted;
}

int CSpeedPanleUI::Dpi() const { return m_pManager ? m_pManager->GetDpi() : 96; }

double CSpeedPanleUI::PointerScale() const { return Dpi() / 96.0 / m_fPointFactor; }

POINT CSpeedPanleUI::Pivot() const {
    const RECT& rc = m_rcItem;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    return POINT{rc.left + w / 2, rc.top + h / 2 - Scaled(5)};
}

std::vector<DialArc> CSpeedPanleUI::Arcs() const {
    const AppState& state = GetAppState();
    const bool overclocked = state.nStatus == STATUS_OVERCLOCK_OK || state.nStatus == STATUS_REOVERCLOCK_ING;
    std::vector<DialArc> arcs;
    if (!state.g_bThisCPUHaveCustomData) {
        arcs.push_back({kGreen, m_nAngleMin + 90, m_nDefaultAngle - m_nAngleMin});
        arcs.push_back({overclocked ? kOrangeRed : kGrey, m_nAngleMin + m_nDefaultAngle + 30,
                        m_nAngleMax - m_nDefaultAngle});
    } else {
        const CpuCustomData& d = state.stCustomData;
        const int a1 = d.iAngle_Start, a2 = d.iAngle_DefaultFrenquency, a3 = d.iAngle_TurboFrenquency;
        const int a4 = d.iAngle_OverclockingFrenquencyLimit, a5 = d.iAngle_End;
        arcs.push_back({kGreen, a1 + 180, a2 - a1});
        if (overclocked) {
            arcs.push_back({kOrangeRed, a2 + 180, a4 - a2});
            arcs.push_back({kBlack, a4 + 180, a5 - a4});
        } else {
            arcs.push_back({kGrey, a2 + 180, a5 - a2});
            arcs.push_back({kBlack, a4 + 180, a5 - a4});
            if (a3 != -1) arcs.push_back({kAmber, a2 + 180, a3 - a2});
        }
    }
    return arcs;
}

void CSpeedPanleUI::PaintFace(HDC hDC) {
    const RECT& rc = m_rcItem;
    const int w = rc.right - rc.left;
    const int cx = rc.left + w / 2, cy = rc.top + w / 2 - Scaled(4);
    bool changed = false;
    const bool arcs =
        m_arcLayer.Prepare(cx, cy, Scaled(m_nRadius), Arcs(), Dpi() / 96.0, DialOutlineColor(), &changed);
    if (changed) {
        // The needles kept carry the arcs of before.
        m_needles.Clear();
        m_background.Clear();
    }
    if (!m_background.ReadyFor(rc) &&
        !m_background.Compose(rc, [&](HDC composed) { DrawFaceAndArcs(composed, arcs); })) {
        DrawFaceAndArcs(hDC, arcs);  // the same layers straight onto the DC
        return;
    }
    RECT part = rc, clip;
    if (::GetClipBox(hDC, &clip) > NULLREGION) ::IntersectRect(&part, &clip, &rc);
    m_background.Draw(hDC, part);
}

void CSpeedPanleUI::DrawFaceAndArcs(HDC hDC, bool arcs) {
    // A face that failed to draw once is never tried again.
    if (!m_sDialImage.IsEmpty() && !DrawImage(hDC, m_sDialImage)) m_sDialImage.Empty();
    if (arcs) m_arcLayer.Draw(hDC);
}

void CSpeedPanleUI::PaintStatusImage(HDC hDC) {
    CLabelUI::PaintStatusImage(hDC);
    PaintFace(hDC);
    if (!m_sPointImage.IsEmpty()) PaintPointer(hDC);
    PaintNeedleOutline(hDC);
}

// Answered from the face composed last. Arcs that change meanwhile are
// composed anew over the same opaque face, so the answer holds.
bool CSpeedPanleUI::CoversOpaquely(const RECT& rc) const {
    return m_background.ReadyFor(m_rcItem) && m_background.Covers(rc);
}

void CSpeedPanleUI::PaintNeedleOutline(HDC hDC) {
    const DWORD color = DialOutlineColor();
    if (!color || !m_pImgPoint) return;
    // The pointer images hang down from their centre at angle 0; the far
    // corner of their ink is the tip.
    DrawNeedleOutline(hDC, Pivot(), m_nCurAngle + 90.0, Reach() * 0.95, Dpi() / 96.0, color);
}

}  // namespace DuiLib

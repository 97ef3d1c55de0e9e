#include "speeddial/SpeedPanleUI.h"

#include <objbase.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "duilib/PaintManagerUI.h"
#include "log/BaseLog.h"
#include "state/AppState.h"

namespace DuiLib {

namespace {

// The pointer's log lines belong to the paint they are part of.
const char kPaintName[] = "DuiLib::CSpeedPanleUI::PaintStatusImage";

constexpr Gdiplus::ARGB kGreen = 0xFFA4D975;
constexpr Gdiplus::ARGB kGrey = 0xFF818891;
constexpr Gdiplus::ARGB kOrangeRed = 0xFFFA6948;
constexpr Gdiplus::ARGB kBlack = 0xFF000000;
constexpr Gdiplus::ARGB kAmber = 0xFFFCB547;

struct Arc {
    Gdiplus::ARGB color;
    int start;
    int sweep;
};

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

// The image goes before the stream that holds its bytes.
CSpeedPanleUI::~CSpeedPanleUI() {
    m_pImgPoint.reset();
    m_pImgStream.Reset();
}

LPCWSTR CSpeedPanleUI::GetClass() const { return L"SpeedPanleUI"; }

LPVOID CSpeedPanleUI::GetInterface(LPCWSTR pstrName) {
    if (pstrName && std::wcscmp(pstrName, L"SpeedPanle") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

bool CSpeedPanleUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (std::wcscmp(pstrName, L"dialimage") == 0) {
        if (m_sDialImage != pstrValue) {
            m_sDialImage = pstrValue;
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

void CSpeedPanleUI::SetDefaultAngle(int offset) { m_nDefaultAngle = m_nAngleMin + offset; }

void CSpeedPanleUI::DoEvent(TEventUI& event) {
    if (event.Type != UIEVENT_TIMER) {
        CLabelUI::DoEvent(event);
        return;
    }
    if (event.wParam != kAnimationTimerId) return;
    int next = m_nCurAngle;
    if (std::abs(m_nAngleValue - m_nCurAngle) >= m_nStep) {
        if (m_nAngleValue > m_nCurAngle) next = std::min(m_nCurAngle + m_nStep, m_nAngleMax);
        else if (m_nAngleValue < m_nCurAngle) next = std::max(m_nCurAngle - m_nStep, m_nAngleMin);
    }
    if (next != m_nCurAngle) {
        m_nCurAngle = next;
        Invalidate();
        return;
    }
    // Arrived (or pinned at an end of the scale): a 1 ms timer left running
    // would only burn processor time; the owner starts it again per reading.
    if (m_pManager) m_pManager->KillTimer(this, kAnimationTimerId);
}

void CSpeedPanleUI::LoadPointer() {
    std::vector<BYTE> bytes;
    DWORD size = CPaintManagerUI::LoadFileData(m_sPointImage, bytes, true);
    if (size > 0 && !bytes.empty()) {
        m_pImgStream.Reset();
        m_hImgMem = GlobalAlloc(GMEM_MOVEABLE, size);
        if (m_hImgMem) {
            if (void* p = GlobalLock(m_hImgMem)) {
                std::memcpy(p, bytes.data(), size);
                GlobalUnlock(m_hImgMem);
            }
            if (SUCCEEDED(CreateStreamOnHGlobal(m_hImgMem, TRUE, m_pImgStream.Put())) && m_pImgStream.Get()) {
                std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(m_pImgStream.Get()));
                if (image && image->GetLastStatus() == Gdiplus::Ok) m_pImgPoint = std::move(image);
            } else {
                GlobalFree(m_hImgMem);  // no stream took it over
            }
            m_hImgMem = nullptr;
        }
    }
    VLOG_AS(kPaintName, "[m_pImgPoint] [in]");
}

void CSpeedPanleUI::PaintPointer(HDC hDC) {
    if (m_bPointImageChanged) {
        VLOG_AS(kPaintName, "[m_bPointImageChanged] [in]");
        m_bPointImageChanged = false;
        m_pImgPoint.reset();
    }
    if (!m_pImgPoint) LoadPointer();
    if (!m_pImgPoint) return;

    const RECT& rc = m_rcItem;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const int cx = rc.left + w / 2, cy = rc.top + h / 2 - 5;
    Gdiplus::Graphics g(hDC);
    if (g.GetLastStatus() != Gdiplus::Ok) return;
    PrepareGraphics(g);
    const int iw = (int)m_pImgPoint->GetWidth();
    const int ih = (int)m_pImgPoint->GetHeight();
    g.TranslateTransform((Gdiplus::REAL)cx, (Gdiplus::REAL)cy);
    g.RotateTransform((Gdiplus::REAL)m_nCurAngle);
    g.TranslateTransform((Gdiplus::REAL)-cx, (Gdiplus::REAL)-cy);
    // Both offsets use half the width; pointer images are square.
    g.DrawImage(m_pImgPoint.get(), cx - iw / 2, cy - iw / 2, iw, ih);
}

void CSpeedPanleUI::PaintArcs(HDC hDC) {
    const AppState& state = GetAppState();
    const bool overclocked = state.nStatus == STATUS_OVERCLOCK_OK || state.nStatus == STATUS_REOVERCLOCK_ING;
    std::vector<Arc> arcs;
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

    const RECT& rc = m_rcItem;
    const int w = rc.right - rc.left;
    const int cx = rc.left + w / 2, cy = rc.top + w / 2 - 4;
    const int r = m_nRadius;
    Gdiplus::Graphics g(hDC);
    if (g.GetLastStatus() != Gdiplus::Ok) return;
    PrepareGraphics(g);
    for (const Arc& arc : arcs) {
        Gdiplus::Pen pen(Gdiplus::Color(arc.color), 4.0f);
        g.DrawArc(&pen, cx - r, cy - r, 2 * r, 2 * r, (Gdiplus::REAL)arc.start, (Gdiplus::REAL)arc.sweep);
    }
}

void CSpeedPanleUI::PaintStatusImage(HDC hDC) {
    CLabelUI::PaintStatusImage(hDC);
    // A face that failed to draw once is never tried again.
    if (!m_sDialImage.IsEmpty() && !DrawImage(hDC, m_sDialImage)) m_sDialImage.Empty();
    if (!m_sPointImage.IsEmpty()) PaintPointer(hDC);
    PaintArcs(hDC);
}

}  // namespace DuiLib

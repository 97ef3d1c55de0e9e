#include "duilib/AnimationUI.h"

#include "duilib/GdiplusHeaders.h"

#include "duilib/AttrParse.h"
#include "duilib/ImageDesc.h"
#include "duilib/PaintManagerUI.h"

namespace DuiLib {

LPCWSTR CAnimationUI::GetClass() const { return L"AnimationUI"; }

LPVOID CAnimationUI::GetInterface(LPCWSTR pstrName) { return InterfaceOf<CLabelUI>(this, pstrName, L"Animation"); }

bool CAnimationUI::StartAnimation(int nElapse, int nFrames) {
    if (nFrames > 0) m_nFrames = nFrames;
    if (!m_pManager || nElapse <= 0) return false;
    m_bAnimating = m_pManager->SetTimer(this, kTimerId, static_cast<UINT>(nElapse));
    return m_bAnimating;
}

void CAnimationUI::StopAnimation() {
    if (m_pManager) m_pManager->KillTimer(this, kTimerId);
    m_bAnimating = false;
}

void CAnimationUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam == kTimerId) {
        m_nFrame = (m_nFrame + 1) % (m_nFrames > 0 ? m_nFrames : 1);
        Invalidate();
        return;
    }
    CLabelUI::DoEvent(event);
}

bool CAnimationUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (wcscmp(pstrName, L"frames") == 0) {
        int v = 0;
        if (!CAttrParse::Int(pstrName, pstrValue, v) || v <= 0) {
            if (v <= 0) CAttrParse::SetError(L"bad frame count '%s'", pstrValue);
            return false;
        }
        m_nFrames = v;
        return true;
    }
    return CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CAnimationUI::PaintBkImage(HDC hDC) {
    if (m_sBkImage.IsEmpty() || !m_pManager) return;
    CImageDesc desc;
    if (!desc.Parse(m_sBkImage)) return;
    CSkinImage* bmp = m_pManager->GetImage(desc.sFile);
    if (!bmp) return;
    int frames = m_nFrames > 0 ? m_nFrames : 1;
    // In layout pixels, as every source rectangle.
    int fw = bmp->GetLayoutWidth() / frames;
    CDuiString source;
    source.Format(L"source='%d,0,%d,%d'", fw * m_nFrame, fw * (m_nFrame + 1), bmp->GetLayoutHeight());
    DrawImage(hDC, m_sBkImage, source);
}

}  // namespace DuiLib

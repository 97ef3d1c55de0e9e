#pragma once
// The round speed gauge of the main window: a dial face, a pointer rotated to
// the current angle and animated towards a target, and coloured arcs that
// tell the normal from the overclocked range.
#include <windows.h>

#include <memory>

#include "duilib/LabelUI.h"
#include "speeddial/ArcLayer.h"
#include "speeddial/FramePacer.h"
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

    // Target = lowest angle + offset; the animation timer moves the pointer.
    virtual int SetEndAngle(int offset);
    void SetDefaultAngle(int offset);

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
    void LoadPointer();
    void PaintPointer(HDC hDC);
    RECT PointerBounds(int angle) const;
    void InvalidatePointer();
    void PaintArcs(HDC hDC);
    void PaintNeedleOutline(HDC hDC);  // high contrast only
    int Dpi() const;
    double PointerScale() const;  // pointer image pixels to device pixels
    POINT Pivot() const;          // the needle's centre of rotation, device pixels

    std::unique_ptr<Gdiplus::Image> m_pImgPoint;
    HGLOBAL m_hImgMem = nullptr;  // owned by m_pImgStream, which frees it
    vt::ComPtr<IStream> m_pImgStream;
    RECT m_rcPointOpaque = {};  // the part of the pointer image worth drawing
    int m_nPointDpi = 96;         // the display scale the pointer file was picked for
    double m_fPointFactor = 1.0;  // that file's own scale (2 for "@2x")
    CArcLayer m_arcLayer;
    std::unique_ptr<CSkinImage> m_pointerLayer;
    RECT m_rcLayerInk = {0, 0, 0, 0};  // where the layer holds the needle
    CFramePacer m_framePacer;
    int m_nShownAngle = 60;        // angle of the last repaint asked for
    bool m_bFramePending = false;  // a step taken but not yet repainted
};

}  // namespace DuiLib

#pragma once
// Plays a horizontal strip of equal frames (bkimage, "frames" of them),
// one frame per timer tick.
#include "duilib/LabelUI.h"

namespace DuiLib {

class CAnimationUI : public CLabelUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    // elapse: milliseconds per frame. False when the control is not in a window.
    bool StartAnimation(int nElapse, int nFrames = 0);
    void StopAnimation();
    bool IsAnimating() const { return m_bAnimating; }
    int GetCurrentFrame() const { return m_nFrame; }

    void DoEvent(TEventUI& event) override;
    bool SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintBkImage(HDC hDC) override;

    static constexpr UINT kTimerId = 0x0A11;

private:
    int m_nFrames = 1;
    int m_nFrame = 0;
    bool m_bAnimating = false;
};

}  // namespace DuiLib

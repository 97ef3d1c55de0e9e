#pragma once
// The program's own skinned, modal message box: a title, a text and one or
// two buttons whose captions come from the language file.
#include <string>

#include "duilib/WindowImplBaseNew.h"

namespace DuiLib {
class CControlUI;
}

class CMsgBox : public DuiLib::WindowImplBaseNew {
public:
    // Button layouts: 0 OK alone, 1 OK and cancel ("STR_OK"/"STR_YES");
    // 2 "STR_Y" alone, 3 "STR_Y" and "STR_N"; any other: as the skin has it.
    // Returns 1 when "msgbox_ok" was clicked, else 0 (another button, the
    // window closed another way, or no usable window came into being).
    // It is centred on `hPlaceOver` (the parent when that is null) while that
    // window is shown, else on the work area of its monitor.
    static int Show(HWND hParent, LPCWSTR title, LPCWSTR text, int kind, HWND hPlaceOver = nullptr);

    // Where captions and the window text come from: the language file
    // (GetLanguageString) unless a test puts another source here.
    using TextSource = std::wstring (*)(const wchar_t* key);
    static void SetTextSource(TextSource source);

    ~CMsgBox() override;

protected:
    void InitAfterCreate() override;
    void ClickNotify(DuiLib::TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LPCWSTR GetWindowClassName() const override { return L"VelotuneMsgBox"; }

private:
    CMsgBox() = default;
    static std::wstring Text(const wchar_t* key);

    int m_nKind = 0;
    DuiLib::CDuiString m_sTitle;
    DuiLib::CDuiString m_sText;
    DuiLib::CControlUI* m_pTitle = nullptr;
    DuiLib::CControlUI* m_pText = nullptr;
    DuiLib::CControlUI* m_pOk = nullptr;
    DuiLib::CControlUI* m_pCancel = nullptr;
    DuiLib::CControlUI* m_pSep = nullptr;
    int m_nResult = 0;
};

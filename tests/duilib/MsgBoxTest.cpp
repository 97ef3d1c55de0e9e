// The message box under the virtual display, answered with real input.
#include <gtest/gtest.h>

#include <cstdlib>

#include "DuiTestUtil.h"
#include "duilib/ControlUI.h"
#include "msgbox/MsgBox.h"
#include "support/TestPaths.h"

using namespace DuiLib;
using namespace DuiTest;

namespace {

// What the timer does once the box is up, on the UI thread inside its loop.
std::function<void(WindowImplBaseNew*)> g_action;
bool g_acted = false;

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = ::FindWindowW(L"VelotuneMsgBox", nullptr);
    if (!box || !::IsWindowVisible(box) || g_acted) return;
    auto* wnd = dynamic_cast<WindowImplBaseNew*>(CWindowWnd::FromHandle(box));
    if (!wnd) return;
    g_acted = true;
    ::KillTimer(nullptr, id);
    ::SetForegroundWindow(box);
    g_action(wnd);
}

int ShowAndAct(int kind, std::function<void(WindowImplBaseNew*)> action, const wchar_t* title = L"Title",
               const wchar_t* text = L"Some text for the box") {
    g_action = std::move(action);
    g_acted = false;
    ::SetTimer(nullptr, 0, 100, Poll);
    return CMsgBox::Show(nullptr, title, text, kind);
}

POINT Center(WindowImplBaseNew* wnd, const wchar_t* name) {
    CControlUI* c = wnd->GetPaintManager().FindControl(name);
    EXPECT_NE(nullptr, c) << TestPaths::Narrow(name);
    return c ? CenterOf(wnd->GetHWND(), c->GetPos()) : POINT{0, 0};
}

// Stands in for the language file: the captions a user would read.
std::wstring Words(const wchar_t* key) {
    static const struct {
        const wchar_t* key;
        const wchar_t* text;
    } kWords[] = {{L"STR_OK", L"OK"}, {L"STR_YES", L"Cancel"}, {L"STR_Y", L"Yes"}, {L"STR_N", L"No"},
                  {L"STR_REMINDER", L"Reminder"}, {L"STR_TIPCLOSE", L"Close"}};
    for (const auto& w : kWords)
        if (wcscmp(w.key, key) == 0) return w.text;
    return L"-_-";
}

// The texts of one of the shipped language files, read straight from it.
std::wstring g_languageFile;
std::wstring FromLanguageFile(const wchar_t* key) {
    wchar_t text[512] = {};
    ::GetPrivateProfileStringW(L"LANSTR", key, L"-_-", text, 512, g_languageFile.c_str());
    return text;
}

// The box laid out and painted at 144, 192 and 96 DPI in turn, as when it
// is moved across monitors of those scales.
void PaintAtEachScale(HWND box) {
    RECT skin;
    ::GetWindowRect(box, &skin);
    const int w = skin.right - skin.left, h = skin.bottom - skin.top;
    for (int dpi : {144, 192, 96}) {
        RECT rc = {skin.left, skin.top, skin.left + ::MulDiv(w, dpi, 96), skin.top + ::MulDiv(h, dpi, 96)};
        ::SendMessageW(box, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rc));
        ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

struct MsgBoxTest : ::testing::Test {
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(TestPaths::Join(TestPaths::DistDir(), L"skin").c_str());
        CMsgBox::SetTextSource(&Words);
    }
    void TearDown() override { CMsgBox::SetTextSource(nullptr); }
};

}  // namespace

TEST_F(MsgBoxTest, KindZeroShowsOneButtonAndOkGivesOne) {
    bool cancelHidden = false;
    std::wstring okText, title, text, windowText;
    int r = ShowAndAct(0, [&](WindowImplBaseNew* w) {
        CPaintManagerUI& pm = w->GetPaintManager();
        cancelHidden = !pm.FindControl(L"msgbox_cancel")->IsVisible() && !pm.FindControl(L"msgbox_sep")->IsVisible();
        okText = pm.FindControl(L"msgbox_ok")->GetText().Str();
        title = pm.FindControl(L"msgbox_title")->GetText().Str();
        text = pm.FindControl(L"msgbox_text")->GetText().Str();
        wchar_t buf[64] = {};
        ::GetWindowTextW(w->GetHWND(), buf, 64);
        windowText = buf;
        pm.UpdateLayout();
        ClickAt(Center(w, L"msgbox_ok"));
    });
    EXPECT_EQ(1, r);
    EXPECT_TRUE(cancelHidden);
    EXPECT_EQ(L"OK", okText);
    EXPECT_EQ(L"Title", title);
    EXPECT_EQ(L"Some text for the box", text);
    EXPECT_EQ(L"Reminder", windowText);
    EXPECT_EQ(nullptr, ::FindWindowW(L"VelotuneMsgBox", nullptr)) << "destroyed before returning";
}

TEST_F(MsgBoxTest, KindThreeOkGivesOneAndCancelGivesZero) {
    std::wstring okText, cancelText;
    EXPECT_EQ(1, ShowAndAct(3, [&](WindowImplBaseNew* w) {
        okText = w->GetPaintManager().FindControl(L"msgbox_ok")->GetText().Str();
        cancelText = w->GetPaintManager().FindControl(L"msgbox_cancel")->GetText().Str();
        ClickAt(Center(w, L"msgbox_ok"));
    }));
    EXPECT_EQ(L"Yes", okText);
    EXPECT_EQ(L"No", cancelText);
    EXPECT_EQ(0, ShowAndAct(3, [&](WindowImplBaseNew* w) { ClickAt(Center(w, L"msgbox_cancel")); }));
    EXPECT_EQ(0, ShowAndAct(1, [&](WindowImplBaseNew* w) { ClickAt(Center(w, L"msgbox_close")); }));
}

TEST_F(MsgBoxTest, EscapeIsSwallowedAndClosingOtherwiseGivesZero) {
    bool stillOpen = false;
    int r = ShowAndAct(1, [&](WindowImplBaseNew* w) {
        PressKey(VK_ESCAPE);
        PumpFor(200);
        stillOpen = ::IsWindowVisible(w->GetHWND()) != FALSE;
        ::PostMessageW(w->GetHWND(), WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(0, r);
}

TEST_F(MsgBoxTest, CaptionsComeFromTheTextSource) {
    CMsgBox::SetTextSource([](const wchar_t* key) { return std::wstring(L"<") + key + L">"; });
    std::wstring ok, cancel;
    ShowAndAct(1, [&](WindowImplBaseNew* w) {
        ok = w->GetPaintManager().FindControl(L"msgbox_ok")->GetText().Str();
        cancel = w->GetPaintManager().FindControl(L"msgbox_cancel")->GetText().Str();
        w->Close(0);
    });
    EXPECT_EQ(L"<STR_OK>", ok);
    EXPECT_EQ(L"<STR_YES>", cancel);
}

TEST(MsgBoxNoSkin, NoUsableWindowGivesZeroAtOnce) {
    DuiTest::MakeResourceFolder(L"res_noskin");  // no MsgBox.xml here
    DWORD start = ::GetTickCount();
    EXPECT_EQ(0, CMsgBox::Show(nullptr, L"t", L"x", 0));
    EXPECT_EQ(nullptr, ::FindWindowW(L"VelotuneMsgBox", nullptr));
    EXPECT_LT(::GetTickCount() - start, 60000u) << "safety net only";
}

TEST_F(MsgBoxTest, EveryNoticeAndTheQuestionShowTheirTextsWholeInBothLanguagesAtEachScale) {
    EnableLog();
    const int before = CountLines(ReadLog(), "is clipped");
    // What the program shows, with the title and the kind it uses for each.
    const struct {
        const wchar_t* title;
        const wchar_t* text;
        int kind;
    } boxes[] = {{L"STR_TITLE", L"STR_FWQD", 0},     {L"STR_TITLE", L"STR_BZCJS", 0},
                 {L"STR_TITLE", L"STR_KJJCT", 0},    {L"STR_TITLE", L"STR_NOTREADY", 0},
                 {L"STR_REMINDER", L"STR_JSSB", 0},  {L"STR_TITLE", L"STR_REBOOTNOW", 3},
                 {L"STR_TITLE", L"STR_LINKNOTOPENED", 0}, {L"STR_TITLE", L"STR_HOTKEYKEPT", 0}};
    for (const wchar_t* language : {L"English", L"Chinese"}) {
        g_languageFile = TestPaths::Join(TestPaths::DistDir(), std::wstring(L"skin\\lan\\") + language + L".ini");
        CMsgBox::SetTextSource(&FromLanguageFile);
        for (const auto& box : boxes) {
            SCOPED_TRACE(TestPaths::Narrow(std::wstring(language) + L" " + box.text));
            const std::wstring title = FromLanguageFile(box.title), text = FromLanguageFile(box.text);
            ASSERT_NE(text, L"-_-");
            ShowAndAct(box.kind, [](WindowImplBaseNew* w) {
                PaintAtEachScale(w->GetHWND());
                w->Close(0);
            }, title.c_str(), text.c_str());
        }
    }
    EXPECT_EQ(CountLines(ReadLog(), "is clipped"), before) << ReadLog();
}

namespace {

// A plain visible window to open the box over.
HWND MakeAnchor(int x, int y, bool visible) {
    static const wchar_t kClass[] = L"MsgBoxTestAnchor";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, kClass, L"anchor", WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, 600, 400, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

POINT CentreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace

TEST_F(MsgBoxTest, CloseButtonTooltipComesFromTheTextSource) {
    std::wstring tip;
    ShowAndAct(0, [&](WindowImplBaseNew* w) {
        tip = w->GetPaintManager().FindControl(L"msgbox_close")->GetToolTip().Str();
        w->Close(0);
    });
    EXPECT_EQ(L"Close", tip);
}

// Centred on the window it is placed over while that is shown; else on the
// work area of that window's monitor.
TEST_F(MsgBoxTest, OpensOverTheGivenWindowOrElseTheWorkArea) {
    for (bool visible : {true, false}) {
        SCOPED_TRACE(visible ? "shown" : "hidden");
        HWND anchor = MakeAnchor(40, 30, visible);
        ASSERT_NE(anchor, nullptr);
        RECT box = {};
        g_action = [&](WindowImplBaseNew* w) {
            ::GetWindowRect(w->GetHWND(), &box);
            w->Close(0);
        };
        g_acted = false;
        ::SetTimer(nullptr, 0, 100, Poll);
        CMsgBox::Show(nullptr, L"Title", L"Text", 0, anchor);
        RECT over = {};
        if (visible) {
            ::GetWindowRect(anchor, &over);
        } else {
            MONITORINFO mi = {};
            mi.cbSize = sizeof(mi);
            ::GetMonitorInfoW(::MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &mi);
            over = mi.rcWork;
        }
        POINT a = CentreOf(box), b = CentreOf(over);
        EXPECT_LE(std::abs(a.x - b.x), 1);
        EXPECT_LE(std::abs(a.y - b.y), 1);
        ::DestroyWindow(anchor);
    }
}

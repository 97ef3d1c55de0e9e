// The main window's status machine and dial arithmetic, without a window:
// what reaches the log and the application state.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "log/BaseLog.h"
#include "duilib/ControlUI.h"
#include "duilib/DuiMessages.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabOrder.h"
#include "mainframe/MainFrame.h"
#include "mainframe/MessageFilter.h"
#include "mainframe/Notice.h"
#include "mainframe/WebLink.h"
#include "settings/Settings.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"

namespace {

std::wstring LogPath() { return TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"); }

// The texts sent to a debugger while the object lives, as the exception a
// debugger is handed for each OutputDebugString call: one entry a call.
constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C, in ntstatus.h only

class DebuggerTexts {
public:
    DebuggerTexts() : m_handler(::AddVectoredExceptionHandler(1, Seen)) { Texts().clear(); }
    ~DebuggerTexts() { ::RemoveVectoredExceptionHandler(m_handler); }
    static std::vector<std::string>& Texts() {
        static std::vector<std::string> texts;
        return texts;
    }

private:
    static LONG CALLBACK Seen(EXCEPTION_POINTERS* e) {
        const EXCEPTION_RECORD& r = *e->ExceptionRecord;
        // The wide form carries the narrow text too (parameters 2 and 3);
        // a system that raises it does not raise the narrow one as well.
        const DWORD at = r.ExceptionCode == kPrintWide ? 2 : 0;
        if ((r.ExceptionCode == DBG_PRINTEXCEPTION_C || at) && r.NumberParameters >= at + 2 &&
            r.ExceptionInformation[at + 1] && r.ExceptionInformation[at] > 0)
            Texts().emplace_back(reinterpret_cast<const char*>(r.ExceptionInformation[at + 1]),
                                 r.ExceptionInformation[at] - 1);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID m_handler;
};

// The log lines written since the object was made.
class LogSince {
public:
    LogSince() {
        static bool started = false;
        if (!started) {
            started = true;
            CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
            LogStartup();
        }
        m_start = TestPaths::ReadFileBytes(LogPath()).size();
    }
    std::string Text() const {
        std::string all = TestPaths::ReadFileBytes(LogPath());
        return all.size() > m_start ? all.substr(m_start) : std::string();
    }
    bool Has(const std::string& s) const { return Text().find(s) != std::string::npos; }

private:
    size_t m_start = 0;
};

// Exposes the message handlers the window normally reaches through its queue.
class TestFrame : public CMainFrame {
public:
    LRESULT Custom(UINT msg, WPARAM wParam, LPARAM lParam) {
        BOOL handled = FALSE;
        return HandleCustomMessage(msg, wParam, lParam, handled);
    }
};

struct StateReset {
    StateReset() { Clear(); }
    ~StateReset() { Clear(); }
    static void Clear() {
        AppState& s = GetAppState();
        s.nStatus = STATUS_OVERCLOCK_INIT;
        s.g_bThisCPUHaveCustomData = false;
        s.hMainWnd = nullptr;
    }
};

}  // namespace

TEST(MainFrameStatus, RequestsDuringARunAreDropped) {
    StateReset reset;
    LogSince log;
    TestFrame frame;
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    frame.DoHandle();
    frame.Custom(DuiLib::DUI_MSG_MENU_CLICK, kMenuRowAction, 0);
    frame.Custom(UM_USBKEY_EVENT, 0, 0);  // no press was reported: not even a request
    EXPECT_EQ(GetAppState().nStatus, STATUS_OVERCLOCK_ING);
    std::string text = log.Text();
    size_t first = text.find("[DoHandle] status=1");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("[DoHandle] status=1", first + 1), std::string::npos) << "both requests dropped";
    EXPECT_EQ(text.find("CMainFrame::UpdateStatus"), std::string::npos);
}

TEST(MainFrameStatus, FinishMessagesSettleTheStatus) {
    StateReset reset;
    TestFrame frame;
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    frame.Custom(UM_OVERCLOCK_FINISH, 0, 1);
    EXPECT_EQ(GetAppState().nStatus, STATUS_OVERCLOCK_OK);
    GetAppState().nStatus = STATUS_REOVERCLOCK_ING;
    frame.Custom(UM_RESTORE_FINISH, 0, 1);
    EXPECT_EQ(GetAppState().nStatus, STATUS_OVERCLOCK_INIT);
    // A result other than 0 or 1 changes nothing.
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    frame.Custom(UM_OVERCLOCK_FINISH, 0, 7);
    EXPECT_EQ(GetAppState().nStatus, STATUS_OVERCLOCK_ING);
}

TEST(MainFrameView, UnlistedProcessorReadsTenthsFromTheTextAndShortTextsGiveZero) {
    StateReset reset;
    {
        LogSince log;
        TestFrame frame;
        frame.SetPanel(L" 3.40GHz", true);
        EXPECT_TRUE(log.Has("CMainFrame::SetPanel: nImageNum=34"));
        EXPECT_TRUE(log.Has("SetDefaultAngle : 136"));
        EXPECT_TRUE(log.Has("SetEndAngle:136"));
    }
    for (const wchar_t* text : {L"", L" 3", L" 3."}) {
        LogSince log;
        TestFrame frame;
        frame.SetPanel(text, true);
        EXPECT_TRUE(log.Has("CMainFrame::SetPanel: nImageNum=0")) << TestPaths::Narrow(text);
        EXPECT_TRUE(log.Has("SetDefaultAngle : 0")) << TestPaths::Narrow(text);
    }
}

TEST(MainFrameView, ReadingsBeforeTheDefaultAngleDoNotMoveThePointer) {
    StateReset reset;
    LogSince log;
    TestFrame frame;
    frame.SetPanel(L" 3.9GHz", false);
    EXPECT_TRUE(log.Has("CMainFrame::SetPanel: nImageNum=39"));
    EXPECT_FALSE(log.Has("SetEndAngle:"));
}

TEST(MainFrameView, ListedLookupWithoutATableFailsAndLogsTheFrequency) {
    StateReset reset;
    LogSince log;
    TestFrame frame;
    int angle = -5;
    {
        DebuggerTexts debugger;
        EXPECT_FALSE(frame.GetAngleByFrequency(4.25f, angle));
        // One call a reading, the entry line before the answer.
        EXPECT_EQ(DebuggerTexts::Texts(),
                  std::vector<std::string>{"\r\nCMainFrame::GetAngleByFrequency Enter : floatFrequency : 4.25 !\r\n"
                                           "\r\n4.25 not found !\r\n"});
    }
    EXPECT_EQ(angle, -5);
    EXPECT_TRUE(log.Has("\r\n4.25 not found !\r\n"));
    EXPECT_FALSE(frame.InitCustomData(L""));
    EXPECT_FALSE(frame.InitCustomData(L"V7-4760K")) << "no dial table without a layout";
    EXPECT_FALSE(GetAppState().g_bThisCPUHaveCustomData);
}

TEST(MainFrameMessages, ForeignAddressesAreIgnored) {
    StateReset reset;
    LogSince log;
    TestFrame frame;
    double junk = 4.0;
    EXPECT_EQ(frame.Custom(UM_FREQUENCY_CHANGE, reinterpret_cast<WPARAM>(&junk), 0), 0);
    EXPECT_EQ(frame.Custom(UM_GETCPUINFO_FINISH, 0x10, 1), 0);
    EXPECT_EQ(frame.Custom(UM_RUN_INSTALLER, 0x10, 0), 0);
    EXPECT_TRUE(log.Has("UM_FREQUENCY_CHANGE ignored"));
    EXPECT_TRUE(log.Has("UM_GETCPUINFO_FINISH ignored"));
    EXPECT_TRUE(log.Has("UM_RUN_INSTALLER ignored"));
    EXPECT_FALSE(log.Has("CMainFrame::FrequencyChange:"));
    EXPECT_FALSE(log.Has("CMainFrame::OnGetCPUInfoFinish Enter"));
}

namespace {

// The filter calls made, as (window, message, action); the stand-in
// refuses one message when asked to, as Windows does when the call fails.
struct FilterCall {
    HWND hwnd;
    UINT message;
    DWORD action;
};
std::vector<FilterCall> g_filterCalls;
UINT g_refusedMessage = 0;
BOOL WINAPI RecordFilterCall(HWND hwnd, UINT message, DWORD action, void*) {
    g_filterCalls.push_back({hwnd, message, action});
    if (message != g_refusedMessage) return TRUE;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace

// Wine does not filter messages by integrity level: the calls themselves are
// what Windows would act on. The shell's icon clicks and restart broadcast
// must come in, and the front and menu requests of other programs too: they
// open nothing the icon's own callback does not. A refusal is logged as one.
TEST(MainFrameMessages, OnlyTheShellsAndOtherProgramsRequestsAreLetInAndOnlyOnTheMainWindow) {
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const std::set<UINT> needed = {UM_TRAY_NOTIFY, taskbarCreated, UM_SETFOREGROUNDWINDOW, UM_SHOW_TRAY_MENU};
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    for (UINT refused : {0u, taskbarCreated}) {
        LogSince log;
        g_filterCalls.clear();
        g_refusedMessage = refused;
        CMessageFilter::ReplaceForTest(&RecordFilterCall);
        CMessageFilter::LetInShellMessages(window);
        CMessageFilter::ReplaceForTest(nullptr);
        std::set<UINT> asked;
        for (const FilterCall& c : g_filterCalls) {
            asked.insert(c.message);
            EXPECT_EQ(c.hwnd, window) << "on the main window, never process-wide";
            EXPECT_EQ(c.action, 1u) << "MSGFLT_ALLOW";
        }
        EXPECT_EQ(asked, needed);
        EXPECT_EQ(g_filterCalls.size(), needed.size()) << "each once";
        for (UINT message : needed) {
            const std::string line = "message filter: message " + std::to_string(message);
            EXPECT_EQ(log.Has(line + " let in on the main window"), message != refused) << message;
            EXPECT_EQ(log.Has(line + " not let in (error 5)"), message == refused) << message;
        }
    }
}

namespace {

// The real layout with only its texts set, without the services behind it.
class TextsFrame : public CMainFrame {
protected:
    void InitAfterCreate() override { InitLanguageText(); }
    void OnFinalMessage(HWND) override {}
};

// The whole set-up of the window, without what its end does to the process.
class SetUpFrame : public CMainFrame {
protected:
    void OnFinalMessage(HWND) override {}
};

// The main layout made into a hidden window by `frame`; its handle.
HWND MakeMainLayout(CMainFrame& frame) {
    DuiLib::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    DuiLib::CPaintManagerUI::SetResourcePath(TestPaths::Join(TestPaths::DistDir(), L"skin\\").c_str());
    frame.InitWinParam(L"Velotune_xml\\MainFrame.xml");
    return frame.CreateDuiWindow(nullptr, L"Velotune", &frame, WS_POPUP, WS_EX_TOOLWINDOW);
}

}  // namespace

TEST(MainFrameView, EveryTextOfTheWindowComesFromTheLanguageFile) {
    // No "Languages" value in this prefix: the Chinese texts.
    ASSERT_NE(GetLanguageFilePath().find(L"Chinese.ini"), std::wstring::npos);
    TextsFrame frame;
    HWND hwnd = MakeMainLayout(frame);
    ASSERT_NE(hwnd, nullptr);
    const struct {
        const wchar_t* control;
        const wchar_t* text;
        bool tooltip;
    } expected[] = {
        {L"DoOverBtn", L"\u4e00\u952e\u8d85\u9891", false},
        {L"labelStock", L"\u9ed8\u8ba4\u9891\u7387", false},  // "Stock clock"
        {L"labelRaising", L"\u6b63\u5728\u63d0\u5347\u9891\u7387...", false},
        {L"labelOverclocked", L"\u5df2\u8d85\u9891", false},  // "Overclocked"
        {L"labelBackToStock", L"\u6b63\u5728\u6062\u590d\u9ed8\u8ba4\u9891\u7387...", false},
        {L"LinkZIZBtn", L"\u8d85\u9891\u670d\u52a1", false},  // "Tuning service"
        {L"LinkBuyBtn", L"Dizaz \u5904\u7406\u5668", false},  // "Dizaz processors"
        {L"btn_min", L"\u9690\u85cf\u5230\u901a\u77e5\u533a\u57df", true},
        {L"SettingBtn", L"\u8bbe\u7f6e", true},
        {L"MinBtn", L"\u6700\u5c0f\u5316", true},
        {L"CloseBtn", L"\u5173\u95ed", true},
    };
    for (const auto& e : expected) {
        DuiLib::CControlUI* c = frame.GetPaintManager().FindControl(e.control);
        ASSERT_NE(c, nullptr) << TestPaths::Narrow(e.control);
        EXPECT_EQ(std::wstring((e.tooltip ? c->GetToolTip() : c->GetText()).GetData()), e.text)
            << TestPaths::Narrow(e.control);
    }
    DestroyWindow(hwnd);
}

// The title bar's buttons are always there, wherever the pointer is, and
// the keyboard reaches them in the order they are seen.
TEST(MainFrameView, TitleBarButtonsAreAlwaysShownTabStopsInTheirOrder) {
    StateReset reset;
    SetUpFrame frame;
    HWND hwnd = MakeMainLayout(frame);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    RECT rc;
    ASSERT_TRUE(GetWindowRect(hwnd, &rc));
    SetCursorPos(rc.right + 40, rc.bottom + 40);
    DuiLib::CControlUI* root = frame.GetPaintManager().GetRoot();
    std::vector<std::wstring> order;
    for (DuiLib::CControlUI* c = DuiLib::CTabOrder::Next(root, nullptr, true); c && order.size() < 4;
         c = DuiLib::CTabOrder::Next(root, c, true)) {
        EXPECT_TRUE(c->IsVisible()) << TestPaths::Narrow(c->GetName().GetData());
        order.push_back(c->GetName().GetData());
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"SettingBtn", L"btn_min", L"MinBtn", L"CloseBtn"}));
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(frame.GetPaintManager().FindControl(L"btn_min")->IsVisible());
    DestroyWindow(hwnd);
}

TEST(MainFrameNotice, SentencesAreJoinedAsTheirLanguageWrites) {
    EXPECT_EQ(JoinSentences(L"Overclocking failed.", L"Please try again."), L"Overclocking failed. Please try again.");
    // 超频失败。请重试。 and a full-width question mark: no Latin space.
    EXPECT_EQ(JoinSentences(L"\u8d85\u9891\u5931\u8d25\u3002", L"\u8bf7\u91cd\u8bd5\u3002"),
              L"\u8d85\u9891\u5931\u8d25\u3002\u8bf7\u91cd\u8bd5\u3002");
    EXPECT_EQ(JoinSentences(L"\u5417\uff1f", L"x"), L"\u5417\uff1fx");
    EXPECT_EQ(JoinSentences(L"", L"x"), L"x");
}

TEST(MainFrameLinks, OnlyWebAddressesAreOpened) {
    for (const wchar_t* good : {L"http://example.invalid/", L"https://example.invalid/buy?x=1#a", L"HTTPS://Example.invalid",
                                L"http://example.invalid:8080/path"})
        EXPECT_TRUE(CWebLink::IsWebAddress(good)) << TestPaths::Narrow(good);
    for (const wchar_t* bad : {L"", L"file:///C:/windows/system32/notepad.exe", L"C:\\windows\\notepad.exe",
                               L"notepad.exe", L"\\\\server\\share\\x.exe", L"javascript:alert(1)", L"mailto:a@b.invalid",
                               L"ftp://example.invalid/", L"http:notepad.exe", L"http://", L"https:///path",
                               L"http://example.invalid/a b", L"http://a.invalid/\"x\"", L" http://a.invalid/",
                               L"http://a.invalid/\\..\\x", L"httpx://a.invalid/", L"http:\\\\a.invalid\\"})
        EXPECT_FALSE(CWebLink::IsWebAddress(bad)) << TestPaths::Narrow(bad);

    LogSince log;
    EXPECT_FALSE(CWebLink::Open(L"file:///C:/windows/system32/notepad.exe"));
    EXPECT_FALSE(CWebLink::Open(L""));
    EXPECT_TRUE(log.Has("link refused: not an http or https address: file:///C:/windows/system32/notepad.exe"));
    EXPECT_FALSE(log.Has("link opened"));

    // A web address goes to the desktop's shell only, never to a browser
    // started from this process; where that shell cannot take it, it is
    // not opened at all, and the log says at which step. Wine's desktop
    // (explorer.exe) takes it: its winebrowser.exe is explorer's child.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const bool opened = CWebLink::Open(L"https://example.invalid/");
    CoUninitialize();
    std::printf("[ note ] the desktop's shell %s\n", opened ? "took the link" : "did not take the link");
    EXPECT_TRUE(log.Has(opened ? "link opened through the desktop's shell: https://example.invalid/"
                               : "link not opened: the desktop's shell cannot start it ("));
}

TEST(MainFrameLinks, ALinkWithoutAnAddressTakesNeitherMouseNorKeyboard) {
    StateReset reset;
    SetUpFrame frame;
    HWND hwnd = MakeMainLayout(frame);
    ASSERT_NE(hwnd, nullptr);
    for (const wchar_t* name : {L"LinkZIZBtn", L"LinkBuyBtn"}) {
        DuiLib::CControlUI* link = frame.GetPaintManager().FindControl(name);
        ASSERT_NE(link, nullptr) << TestPaths::Narrow(name);
        ASSERT_TRUE(link->GetUserData().IsEmpty()) << "the shipped skin gives the links no address";
        EXPECT_FALSE(link->IsMouseEnabled()) << TestPaths::Narrow(name);
        EXPECT_FALSE(link->IsKeyboardEnabled()) << TestPaths::Narrow(name);
        // Nothing under the pointer takes it for the link.
        RECT rc = link->GetPos();
        POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        EXPECT_NE(frame.GetPaintManager().FindControl(centre), link) << TestPaths::Narrow(name);
    }
    DestroyWindow(hwnd);
}

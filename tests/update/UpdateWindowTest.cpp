// The update window with a test engine bound to CUpdateProcessor and the
// stand-in downloader: what the user sees (shown or not, texts, pages,
// progress), what the main window is asked, and what the log says.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "base/AdminOnlySecurity.h"
#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "support/Pump.h"
#include "support/WaitUntil.h"
#include "UpdateTestSupport.h"
#include "duilib/ControlUI.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/ProgressUI.h"
#include "duilib/TabLayoutUI.h"
#include "mainframe/MainFrame.h"
#include "mainframe/ToolkitLogSink.h"
#include "settings/AppInfo.h"
#include "settings/Settings.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "support/LanguagesValue.h"
#include "support/TestPaths.h"
#include "update/UpdateFolder.h"
#include "update/UpdateMessages.h"
#include "update/WndManualUpdateClient.h"

using namespace DuiLib;

namespace {

constexpr DWORD kWait = 20000;  // safety net only
const wchar_t kSemaphoreName[] = L"Global\\{C036C271-72ED-4883-91A6-EF16D1D66388}orl2016";

// Exposes the main window's message handling without making its window.
class TestFrame : public CMainFrame {
public:
    LRESULT Custom(UINT msg, WPARAM wParam, LPARAM lParam) {
        BOOL handled = FALSE;
        return HandleCustomMessage(msg, wParam, lParam, handled);
    }
    // What the main window does as it goes, just before the program returns.
    void Final() { OnFinalMessage(nullptr); }
};

// The process start of the installer hand-over, replaced: what it was
// asked to start, and what the file held and allowed at that moment.
struct ProcessCalls {
    static int count;
    static std::wstring application, commandLine;
    static std::string bytes;
    static bool writable, deletable;
    static BOOL answer;
    static BOOL WINAPI Fake(LPCWSTR app, LPWSTR cmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                            LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION pi) {
        ++count;
        application = app ? app : L"";
        commandLine = cmd ? cmd : L"";
        bytes = TestPaths::ReadFileBytes(application);
        vt::UniqueFile w(CreateFileW(application.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        writable = w.Valid();
        vt::UniqueFile d(CreateFileW(application.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        deletable = d.Valid();
        *pi = PROCESS_INFORMATION{};
        if (!answer) SetLastError(740);  // ERROR_ELEVATION_REQUIRED
        return answer;
    }
};
int ProcessCalls::count = 0;
std::wstring ProcessCalls::application, ProcessCalls::commandLine;
std::string ProcessCalls::bytes;
bool ProcessCalls::writable = true, ProcessCalls::deletable = true;
BOOL ProcessCalls::answer = TRUE;

// One update window under test, with its fake main window and a clean
// downloader environment.
class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        CPaintManagerUI::SetResourcePath(TestPaths::Join(TestPaths::DistDir(), L"skin").c_str());
        ProcessCalls::count = 0;
        ProcessCalls::answer = TRUE;
        ProcessCalls::writable = ProcessCalls::deletable = true;
        CInstallerLauncherTestSeam::Replace(&ProcessCalls::Fake);
        DeleteFileW(Installer().c_str());
        // The stand-in's source is not signed: an administrator's verdict
        // switch stands in for a good signature unless a test says otherwise.
        m_trust.reset(new CTrustVerdict(L"0"));
    }
    void TearDown() override {
        if (IsWindow(m_hWnd)) {
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            PumpUntil([&] { return !IsWindow(m_hWnd); }, kWait);
        }
        CInstallerLauncherTestSeam::Restore();
        CUpdateProcessorTestBinding::Unbind();
        m_trust.reset();
    }

    void Open() {
        CWndManualUpdateClient* wnd = CWndManualUpdateClient::Make();
        ASSERT_NE(wnd, nullptr);
        m_hWnd = wnd->GetHWND();
        ASSERT_TRUE(IsWindow(m_hWnd));
    }
    bool Gone() const { return !IsWindow(m_hWnd); }
    CWndManualUpdateClient* Client() const {
        return dynamic_cast<CWndManualUpdateClient*>(CWindowWnd::FromHandle(m_hWnd));
    }
    bool Visible() const { return IsWindow(m_hWnd) && IsWindowVisible(m_hWnd); }
    CControlUI* Find(const wchar_t* name) const {
        auto* wnd = dynamic_cast<WindowImplBaseNew*>(CWindowWnd::FromHandle(m_hWnd));
        return wnd ? wnd->GetPaintManager().FindControl(name) : nullptr;
    }
    std::wstring Text(const wchar_t* name) const {
        CControlUI* c = Find(name);
        return c ? c->GetText().Str() : L"<missing>";
    }
    int Page(const wchar_t* name) const {
        CControlUI* c = Find(name);
        auto* tab = c ? static_cast<CTabLayoutUI*>(c->GetInterface(L"TabLayout")) : nullptr;
        return tab ? tab->GetCurSel() : -1;
    }
    int Bar() const {
        CControlUI* c = Find(L"down_progress");
        auto* bar = c ? static_cast<CProgressUI*>(c->GetInterface(L"Progress")) : nullptr;
        return bar ? bar->GetValue() : -1;
    }
    void Click(const wchar_t* name) {
        CControlUI* c = Find(name);
        ASSERT_NE(c, nullptr) << TestPaths::Narrow(name);
        auto* wnd = dynamic_cast<WindowImplBaseNew*>(CWindowWnd::FromHandle(m_hWnd));
        wnd->GetPaintManager().SendNotify(c, L"click");
    }
    static std::wstring UpdateFolder() { return TestPaths::Join(TestPaths::TestDir(), L"VelotuneUpdate\\"); }
    static std::wstring Installer() { return UpdateFolder() + L"VelotuneSetup.exe"; }
    // The window as the toolkit lays it out and paints it at 144, 192 and
    // 96 DPI in turn, as when it is moved across monitors of those scales.
    void PaintAtEachScale() {
        for (int dpi : {144, 192, 96}) {
            RECT rc;
            GetWindowRect(m_hWnd, &rc);
            rc.right = rc.left + MulDiv(400, dpi, 96);
            rc.bottom = rc.top + MulDiv(230, dpi, 96);
            SendMessageW(m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rc));
            RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
    }
    // Offer of the stand-in's source file (or another), shown, with the
    // engine's hash of it: the file's own unless another (or none) is given.
    void OpenOffer(const std::wstring& source = SourceFile()) {
        OpenOffer(source, Sha256(TestPaths::ReadFileBytes(source)));
    }
    void OpenOffer(const std::wstring& source, const std::string& sha256) {
        TestEngine::Script({{1, Narrow(FileUrl(source)), sha256}});
        Open();
        ASSERT_TRUE(PumpUntil([&] { return Visible(); }, kWait));
    }

    // Accepts the offer and waits for the download to be refused: the
    // reason on the error page, nothing handed over, nothing started.
    void AcceptAndExpectRefusal(const LogCapture& log, const wchar_t* key, size_t refusals = 1) {
        Click(L"okbtn");
        ASSERT_TRUE(PumpUntil([&] { return log.CountText("download failed with status 7") == refusals; }, kWait));
        EXPECT_EQ(Page(L"state_tab"), 0);
        EXPECT_EQ(Text(L"msglab"), GetLanguageString(key));
        EXPECT_NE(Text(L"msglab"), L"-_-");
        EXPECT_EQ(m_main.RunInstaller(), 0);
        EXPECT_EQ(ProcessCalls::count, 0);
    }

    HWND m_hWnd = nullptr;
    CFakeMainWindow m_main;
    CDownloaderEnv m_env;
    std::unique_ptr<CTrustVerdict> m_trust;
};

}  // namespace

TEST_F(UpdateWindowTest, WithoutAnEngineTheWindowClosesUnseenAndShowsTheMainWindowOnce) {
    CUpdateProcessorTestBinding::Unbind();
    LogCapture log;
    EXPECT_EQ(CreateUpdateWindow(), 0);
    HWND made = FindWindowW(L"VelotuneUpdate", L"PathwellUpdate");
    ASSERT_NE(made, nullptr);
    m_hWnd = made;
    bool everShown = false;
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait, [&] { everShown = everShown || Visible(); }));
    ASSERT_TRUE(PumpQueued());
    EXPECT_FALSE(everShown);
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
    EXPECT_EQ(log.CountText("error updater not begin"), 1u);
    EXPECT_EQ(log.Texts("UpdateProcessor", "CUpdateProcessor::ManualCheckUpdate"),
              std::vector<std::string>{"error updater not begin"});
    EXPECT_TRUE(log.HasText("check result 0"));
    EXPECT_EQ(log.CountText("UM_SHOW_AT_CORNER posted"), 1u);
    EXPECT_TRUE(log.HasText("update window closed"));

    // Made once per run: a second call does nothing, also now that it is gone.
    EXPECT_EQ(CreateUpdateWindow(), 2);
    ASSERT_TRUE(PumpQueued());
    EXPECT_EQ(FindWindowW(L"VelotuneUpdate", nullptr), nullptr);
    EXPECT_EQ(log.CountText("error updater not begin"), 1u);
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
}

TEST_F(UpdateWindowTest, AStartedEngineWithoutACheckEntryAnswers0Silently) {
    CUpdateProcessorTestBinding::StartWithoutEntry();
    LogCapture log;
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_TRUE(log.HasText("check result 0"));
    EXPECT_FALSE(log.HasText("error updater not begin"));
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
}

TEST_F(UpdateWindowTest, TheEngineIsToldWhetherThisProcessHoldsTheUpdateSemaphore) {
    TestEngine::Script({{0, ""}});
    Open();  // the window, and with it the semaphore, lasts until it is pumped
    {
        // Ours opens to administrators only.
        vt::UniqueHandle ours(OpenSemaphoreW(READ_CONTROL, FALSE, kSemaphoreName));
        ASSERT_NE(ours.Get(), nullptr);
        PACL dacl = nullptr;
        vt::UniqueLocal sd, text;
        ASSERT_EQ(GetSecurityInfo(ours.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put())),
                  static_cast<DWORD>(ERROR_SUCCESS));
        ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
            sd.Get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, reinterpret_cast<LPWSTR*>(text.Put()), nullptr));
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(text.Get())), vt::AdminOnlySecurity::kSddl);
    }
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(TestEngine::Calls(), 1);
    EXPECT_TRUE(TestEngine::LastHold()) << "the first client on the machine";

    vt::UniqueHandle other(CreateSemaphoreW(nullptr, 0, 1, kSemaphoreName));
    ASSERT_NE(other.Get(), nullptr);
    TestEngine::Script({{0, ""}});
    LogCapture log;
    Open();
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_FALSE(TestEngine::LastHold()) << "someone else made it first";
    EXPECT_TRUE(log.HasText("update semaphore refused: another process made it first"));
}


TEST_F(UpdateWindowTest, ABusyEngineIsAskedAgainEvery2sUntilItReportsCompletion) {
    LogCapture log;
    TestEngine::Script({{2, ""}, {2, ""}, {1, "http://updates.invalid/x.exe"}, {3, ""}});
    Open();
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("check result 2"); }, kWait));
    EXPECT_EQ(Text(L"msglab"), GetLanguageString(L"STR_STR_SETING"));
    EXPECT_EQ(Page(L"oper_tab"), 1);
    EXPECT_EQ(Text(L"cancelbtn1"), GetLanguageString(L"STR_OK"));
    EXPECT_EQ(Find(L"iconlab")->GetBkImage(), L"file='png/ICON_UPDATE_OK.png' source='0,0,86,86' ");
    EXPECT_TRUE(Find(L"iconlab")->IsVisible());
    EXPECT_FALSE(Find(L"drv_item_anim")->IsVisible());

    bool everShown = false;
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("check result 3"); }, kWait, [&] { everShown = everShown || Visible(); }));
    EXPECT_EQ(TestEngine::Calls(), 4);
    EXPECT_FALSE(log.HasText("check result 1")) << "a repeated check posts only 3";
    EXPECT_EQ(log.CountText("check result 2"), 1u);
    EXPECT_EQ(Text(L"msglab"), GetLanguageString(L"STR_USEIT"));
    EXPECT_EQ(Page(L"oper_tab"), 2);
    // The timer is gone with the answer 3, and the window stays, hidden.
    ASSERT_TRUE(PumpUntil(
        [&] {
            CWndManualUpdateClient* client = Client();
            return client && !client->AsksAgain();
        },
        kWait));
    ASSERT_TRUE(PumpQueued());
    EXPECT_EQ(TestEngine::Calls(), 4);
    EXPECT_FALSE(everShown || Visible());
    EXPECT_FALSE(Gone());
    EXPECT_EQ(m_main.ShowAtCorner(), 0);
}

TEST_F(UpdateWindowTest, TheOfferDownloadsWithProgressAndHandsTheInstallerToTheMainWindow) {
    CDownloaderEnv::Set(L"SLOW", L"150");
    LogCapture log;
    OpenOffer();
    EXPECT_EQ(Text(L"msglab"), GetLanguageString(L"STR_DWONLOADNEW"));
    EXPECT_EQ(Text(L"okbtn"), GetLanguageString(L"STR_UPDATA"));
    // No "Languages" value in this prefix: the Chinese texts, buttons included.
    ASSERT_NE(GetLanguageFilePath().find(L"Chinese.ini"), std::wstring::npos);
    EXPECT_EQ(Text(L"titlelab"), L"Velotune");
    EXPECT_EQ(Text(L"cancelbtn"), L"\u7a0d\u540e");  // "Later"
    EXPECT_EQ(Text(L"okbtn1"), L"\u786e\u5b9a");     // "OK"
    EXPECT_EQ(Page(L"oper_tab"), 0);
    EXPECT_EQ(Find(L"iconlab")->GetBkImage(), L"file='png/ICON_UPDATE_NEWVER.png' source='0,0,86,86' ");
    EXPECT_TRUE(log.HasText("destination " + Narrow(Installer())));

    // The main window's own handling of the hand-over, while the message is
    // dispatched: the update window still owns the path then.
    TestFrame frame;
    bool closeRequested = false;
    m_main.onRunInstaller = [&](WPARAM wParam) {
        EXPECT_EQ(frame.Custom(UM_RUN_INSTALLER, wParam, 0), 0);
        MSG msg;
        closeRequested = PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    };
    Click(L"okbtn");
    EXPECT_EQ(Page(L"state_tab"), 1);
    EXPECT_EQ(Page(L"oper_tab"), 1);
    EXPECT_EQ(Text(L"cancelbtn1"), L"\u53d6\u6d88");  // "Cancel" during the download
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    int barSeen = 0;
    bool textSeen = false;
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait, [&] {
        if (Gone()) return;
        if (Text(L"downmsg_lab").compare(0, downing.size(), downing) == 0) textSeen = true;
        if (Bar() > barSeen) barSeen = Bar();
    }));
    EXPECT_TRUE(textSeen);
    EXPECT_GT(barSeen, 0);
    EXPECT_LE(barSeen, 100);
    EXPECT_EQ(m_main.RunInstaller(), 1);
    EXPECT_EQ(ProcessCalls::count, 1);
    EXPECT_EQ(ProcessCalls::application, Installer()) << "by its full path";
    EXPECT_EQ(ProcessCalls::commandLine, L"\"" + Installer() + L"\"");
    EXPECT_EQ(ProcessCalls::bytes, SourceBytes());
    EXPECT_FALSE(ProcessCalls::writable) << "held against writes until it starts";
    EXPECT_FALSE(ProcessCalls::deletable) << "held against deletion and renaming until it starts";
    EXPECT_TRUE(closeRequested) << "the main window closes once the installer runs";
    EXPECT_EQ(TestPaths::ReadFileBytes(Installer()), SourceBytes());
    EXPECT_TRUE(log.HasText("UM_RUN_INSTALLER posted"));
    EXPECT_TRUE(log.HasText("installer started: " + Narrow(Installer())));
    EXPECT_EQ(m_main.ShowAtCorner(), 0);
}

TEST_F(UpdateWindowTest, AnInstallerTheShellCannotStartLeavesTheMainWindowOpen) {
    ProcessCalls::answer = FALSE;
    LogCapture log;
    OpenOffer();
    TestFrame frame;
    bool closeRequested = true;
    m_main.onRunInstaller = [&](WPARAM wParam) {
        frame.Custom(UM_RUN_INSTALLER, wParam, 0);
        MSG msg;
        closeRequested = PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
    };
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(ProcessCalls::count, 1);
    EXPECT_FALSE(closeRequested);
    EXPECT_TRUE(log.HasText("installer not started (error 740): " + Narrow(Installer())));
}

TEST_F(UpdateWindowTest, OnlyTheUpdateWindowsOwnPathIsEverStarted) {
    LogCapture log;
    TestFrame frame;
    std::wstring copy = Installer();
    EXPECT_EQ(frame.Custom(UM_RUN_INSTALLER, reinterpret_cast<WPARAM>(copy.c_str()), 0), 0);
    EXPECT_EQ(frame.Custom(UM_RUN_INSTALLER, 0, 0), 0);
    // Even the live window's path before it finished a download.
    OpenOffer();
    EXPECT_EQ(frame.Custom(UM_RUN_INSTALLER, reinterpret_cast<WPARAM>(copy.c_str()), 0), 0);
    EXPECT_EQ(ProcessCalls::count, 0);
    EXPECT_EQ(log.CountText("UM_RUN_INSTALLER ignored: wParam is not the update window's path"), 3u);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

TEST_F(UpdateWindowTest, AFailedDownloadShowsTheErrorPageUntilTheUserClosesIt) {
    CDownloaderEnv::Set(L"FAIL", L"1");
    CDownloaderEnv::Set(L"SLOW", L"100");
    LogCapture log;
    OpenOffer();
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("download failed with status 7"); }, kWait));
    EXPECT_EQ(Page(L"state_tab"), 0);
    EXPECT_EQ(Text(L"msglab"), GetLanguageString(L"STR_DOWNLOADERROR"));
    EXPECT_EQ(Page(L"oper_tab"), 1);
    EXPECT_EQ(Text(L"cancelbtn1"), GetLanguageString(L"STR_OK"));
    ASSERT_TRUE(PumpQueued());
    EXPECT_TRUE(Visible());
    EXPECT_EQ(m_main.RunInstaller(), 0);
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
}

TEST_F(UpdateWindowTest, ATaskThatCannotBeMadeIsShownAsAFailureNotLeftDownloading) {
    CDownloaderEnv::Set(L"NEWTASK_FAIL", L"1");
    LogCapture log;
    OpenOffer();
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("download failed with status 2"); }, kWait));
    EXPECT_EQ(Text(L"msglab"), GetLanguageString(L"STR_DOWNLOADERROR"));
    Click(L"closebtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
}

TEST_F(UpdateWindowTest, CloseOrCancelDuringADownloadWaitsForTheThreadsFinalReport) {
    CDownloaderEnv::Set(L"SLOW", L"400");
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    int corner = 0;
    for (const wchar_t* button : {L"closebtn", L"cancelbtn1"}) {
        SCOPED_TRACE(TestPaths::Narrow(button));
        LogCapture log;
        OpenOffer();
        Click(L"okbtn");
        ASSERT_TRUE(PumpUntil([&] { return Text(L"downmsg_lab").compare(0, downing.size(), downing) == 0; }, kWait));
        Click(button);
        EXPECT_FALSE(Find(L"cancelbtn1")->IsEnabled());
        EXPECT_FALSE(Gone()) << "not at once";
        EXPECT_EQ(m_main.ShowAtCorner(), corner) << "posted, not yet handled";
        ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
        EXPECT_EQ(m_main.ShowAtCorner(), ++corner);
        EXPECT_EQ(m_main.RunInstaller(), 0);
        EXPECT_TRUE(log.HasText("cancelled"));
        EXPECT_EQ(ProcessCalls::count, 0);
    }
}

TEST_F(UpdateWindowTest, DecliningTheOfferClosesWithoutDownloading) {
    LogCapture log;
    OpenOffer();
    Click(L"cancelbtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(m_main.ShowAtCorner(), 1);
    EXPECT_FALSE(log.HasText("download requested"));
    EXPECT_EQ(CDownloaderEnv::Record(), "");
}

TEST_F(UpdateWindowTest, ATotalOfZeroLeavesTheBarWhileTheTextStillMoves) {
    CDownloaderEnv::Set(L"NOSIZE", L"1");
    CDownloaderEnv::Set(L"SLOW", L"150");
    OpenOffer();
    m_main.onRunInstaller = [](WPARAM) {};
    Click(L"okbtn");
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    std::wstring lastText;
    int texts = 0, maxBar = 0;
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait, [&] {
        if (Gone()) return;
        std::wstring t = Text(L"downmsg_lab");
        if (t != lastText && t.compare(0, downing.size(), downing) == 0) {
            ++texts;
            lastText = t;
            EXPECT_NE(t.find(L"/0 B)"), std::wstring::npos) << TestPaths::Narrow(t);
        }
        if (Bar() > maxBar) maxBar = Bar();
    }));
    EXPECT_GE(texts, 2);
    EXPECT_EQ(maxBar, 0);
}

TEST_F(UpdateWindowTest, AURLWithoutASlashNamesTheFileAndUnsafeNamesStayInsideTheDownloadFolder) {
    LogCapture log;
    // The offer's URL, the file it is saved as, and the button that declines
    // it (none: the window stays for the fixture to close).
    const struct {
        const char* url;
        const wchar_t* file;
        const wchar_t* decline;
    } offers[] = {
        {"VelotuneSetupNoSlash.exe", L"VelotuneSetupNoSlash.exe", L"cancelbtn"},
        {"http://updates.invalid/..\\..\\evil.exe?v=2", L"evil.exe", L"closebtn"},
        {"http://updates.invalid/", L"VelotuneSetup.exe", nullptr},
    };
    for (const auto& offer : offers) {
        TestEngine::Script({{1, offer.url}});
        Open();
        ASSERT_TRUE(PumpUntil([&] { return Visible(); }, kWait));
        EXPECT_TRUE(log.HasText("destination " + Narrow(UpdateFolder() + offer.file))) << offer.url;
        if (offer.decline) {
            Click(offer.decline);
            ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
        }
    }
    EXPECT_EQ(m_main.ShowAtCorner(), 2);
}

TEST_F(UpdateWindowTest, AForeignProgressMessageIsNeverTakenForARecord) {
    LogCapture log;
    OpenOffer();
    // A made-up pointer from another sender: neither read nor freed.
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 5, 0x12345678);
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 6, 0);
    ASSERT_TRUE(PumpUntil([&] { return log.CountText("UM_UPDATE_PROGRESS ignored: not from the update thread") == 2; },
                          kWait));
    EXPECT_TRUE(Visible()) << "no download was started: nothing ends";
    EXPECT_EQ(m_main.RunInstaller(), 0);
    EXPECT_FALSE(log.HasText("UM_RUN_INSTALLER posted"));
    EXPECT_EQ(log.CountText("UM_UPDATE_PROGRESS ignored: not from the update thread"), 2u);
}

TEST_F(UpdateWindowTest, AForeignCheckResultIsIgnored) {
    LogCapture log;
    OpenOffer();
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("check result 1"); }, kWait));
    // Another sender's "nothing new" would close the offer, its "new" would
    // offer again, its "completed" would end a wait that never began.
    PostMessageW(m_hWnd, UM_UPDATE_CHECK_RESULT, UPDATE_RESULT_NOTHING, 0);
    PostMessageW(m_hWnd, UM_UPDATE_CHECK_RESULT, UPDATE_RESULT_NEW, 0);
    PostMessageW(m_hWnd, UM_UPDATE_CHECK_RESULT, UPDATE_RESULT_COMPLETED, 0);
    // Handled after the three: the window has read them all once it says so.
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 6, 0);
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("UM_UPDATE_PROGRESS ignored: not from the update thread"); }, kWait));
    EXPECT_EQ(log.CountText("UM_UPDATE_CHECK_RESULT ignored: not from the update thread"), 3u);
    EXPECT_EQ(log.CountText("check result 1"), 1u) << "only the thread's own result";
    EXPECT_FALSE(log.HasText("check result 0"));
    EXPECT_TRUE(Visible()) << "the offer stays";
    EXPECT_EQ(m_main.ShowAtCorner(), 0);
}

TEST_F(UpdateWindowTest, DuringADownloadOnlyTheUpdateThreadsReportsCount) {
    CDownloaderEnv::Set(L"SLOW", L"150");
    LogCapture log;
    OpenOffer();
    std::string handedOver;
    m_main.onRunInstaller = [&](WPARAM) { handedOver = TestPaths::ReadFileBytes(Installer()); };
    Click(L"okbtn");
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    ASSERT_TRUE(PumpUntil([&] { return Text(L"downmsg_lab").compare(0, downing.size(), downing) == 0; }, kWait));
    // Another sender's "finished", "failed" and "no task", and a record it made up.
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 6, 0);
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 7, 0);
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 2, 0);
    PostMessageW(m_hWnd, UM_UPDATE_PROGRESS, 5, 0x12345678);
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    EXPECT_EQ(log.CountText("UM_UPDATE_PROGRESS ignored: not from the update thread"), 4u);
    EXPECT_FALSE(log.HasTextStarting("download failed with status"));
    EXPECT_EQ(m_main.RunInstaller(), 1);
    EXPECT_EQ(handedOver, SourceBytes()) << "only the whole file is handed over";
    EXPECT_TRUE(log.HasText("download ends with status 6"));
}

TEST_F(UpdateWindowTest, ADeviceNameIsNeverTheDownloadFileName) {
    LogCapture log;
    const char* urls[] = {"http://updates.invalid/CON", "http://updates.invalid/nul.exe",
                          "http://updates.invalid/Com1.exe", "http://updates.invalid/LPT9.txt.exe",
                          "http://updates.invalid/aux .exe", "http://updates.invalid/prn.",
                          "http://updates.invalid/CONSOLE.exe", "http://updates.invalid/COM10.exe",
                          // Nor the folder itself: the system drops trailing dots and spaces.
                          "http://updates.invalid/...", "http://updates.invalid/. ."};
    for (const char* url : urls) {
        SCOPED_TRACE(url);
        TestEngine::Script({{1, url}});
        Open();
        ASSERT_TRUE(PumpUntil([&] { return Visible(); }, kWait));
        Click(L"cancelbtn");
        ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    }
    EXPECT_EQ(log.CountText("destination " + Narrow(UpdateFolder() + L"VelotuneSetup.exe")), 8u);
    EXPECT_TRUE(log.HasText("destination " + Narrow(UpdateFolder() + L"CONSOLE.exe")));
    EXPECT_TRUE(log.HasText("destination " + Narrow(UpdateFolder() + L"COM10.exe")));
}

TEST_F(UpdateWindowTest, TheMainWindowsEndEndsTheUpdateWindowAndItsThreadFirst) {
    CDownloaderEnv::Set(L"SLOW", L"400");
    LogCapture log;
    OpenOffer();
    Click(L"okbtn");
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    ASSERT_TRUE(PumpUntil([&] { return Text(L"downmsg_lab").compare(0, downing.size(), downing) == 0; }, kWait));
    {
        TestFrame frame;
        frame.Final();
        // Before anything else runs: no message was pumped since.
        EXPECT_TRUE(Gone());
        EXPECT_TRUE(log.HasText("update window closed"));
        std::vector<std::string> lines = CDownloaderEnv::RecordLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "P2SPClose") << "the download thread has let the library go";
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m_main.RunInstaller(), 0);
}

// Run by the test below in a process of its own, in the language the
// registry names at its start (a run chooses its language once): each state
// a user sees, painted at every display scale, with every text whole.
TEST_F(UpdateWindowTest, DISABLED_EveryShownStateShowsItsTextsWholeAtEachScale) {
    CToolkitLogSink::Install();
    LogCapture log;
    OpenOffer();
    PaintAtEachScale();

    CDownloaderEnv::Set(L"SLOW", L"400");
    Click(L"okbtn");
    std::wstring downing = GetLanguageString(L"STR_DOWNING") + L"(";
    ASSERT_TRUE(PumpUntil([&] { return Text(L"downmsg_lab").compare(0, downing.size(), downing) == 0; }, kWait));
    PaintAtEachScale();  // nothing else runs meanwhile: the page stays
    Click(L"closebtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    CDownloaderEnv::Set(L"FAIL", L"1");
    OpenOffer();
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("download failed with status 7"); }, kWait));
    PaintAtEachScale();
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    EXPECT_GE(log.CountText("update window closed"), 2u);
    for (const std::string& line : log.AllTexts()) EXPECT_EQ(line.find("is clipped"), std::string::npos) << line;
}

TEST(UpdateWindowTexts, EveryShownStateShowsItsTextsWholeInBothLanguages) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    for (const wchar_t* language : {L"en", L"zh"}) {
        SCOPED_TRACE(TestPaths::Narrow(language));
        LanguagesValue value;
        value.Set(language);
        std::wstring line = std::wstring(L"\"") + self +
                            L"\" --gtest_also_run_disabled_tests "
                            L"--gtest_filter=UpdateWindowTest.DISABLED_EveryShownStateShowsItsTextsWholeAtEachScale";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessW(self, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
        vt::UniqueHandle process(pi.hProcess), thread(pi.hThread);
        ASSERT_EQ(WaitForSingleObject(process.Get(), 120000), (DWORD)WAIT_OBJECT_0) << "safety net only";
        DWORD code = 1;
        GetExitCodeProcess(process.Get(), &code);
        EXPECT_EQ(code, 0u) << "the run in this language failed: its output is above";
    }
}

// ---------------------------------------------------------------- checks of the downloaded file

namespace {

// The offer of a local file under another name, shown.
std::wstring SourceCopy(const wchar_t* name, const std::string& bytes) {
    std::wstring path = TestPaths::Join(TestPaths::TestDir(), L"update_source\\") + name;
    TestPaths::WriteFileBytes(path, bytes);
    return path;
}

}  // namespace

TEST(UpdateChecks, Sha256IsReadThroughTheHandle) {
    std::wstring path = SourceCopy(L"abc.bin", "abc");
    vt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.Valid());
    SetFilePointer(file.Get(), 2, nullptr, FILE_BEGIN);  // wherever the handle stands
    EXPECT_EQ(CVerifiedInstaller::Sha256Of(file.Get()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(UpdateChecks, AFileInPlaceOfTheDownloadFolderIsRefused) {
    const std::wstring folder = TestPaths::Join(TestPaths::TestDir(), L"VelotuneUpdate");
    const std::wstring kept = folder + L".kept";
    MoveFileW(folder.c_str(), kept.c_str());
    ASSERT_TRUE(TestPaths::WriteFileBytes(folder, "not a folder"));
    LogCapture log;
    EXPECT_EQ(CUpdateFolder::Prepare(), L"");
    EXPECT_TRUE(log.HasText("update folder refused: not a plain folder: " + TestPaths::Narrow(folder)));
    DeleteFileW(folder.c_str());
    MoveFileW(kept.c_str(), folder.c_str());
}

TEST_F(UpdateWindowTest, TheDownloadGoesToTheProgramsOwnSecuredFolder) {
    LogCapture log;
    OpenOffer();
    EXPECT_TRUE(log.HasText("update folder secured: " + Narrow(UpdateFolder().substr(0, UpdateFolder().size() - 1))));
    EXPECT_TRUE(log.HasText("destination " + Narrow(Installer())));
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "P2SPInit\t" + Narrow(UpdateFolder()));
}

TEST_F(UpdateWindowTest, AnUnsignedDownloadIsRefusedWithItsReasonAndNeverStarted) {
    m_trust.reset();  // WinVerifyTrust's own verdict
    // A real program without a signature: this test program.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring source = SourceCopy(L"UnsignedSetup.exe", TestPaths::ReadFileBytes(self));
    const std::string installer = Narrow(UpdateFolder() + L"UnsignedSetup.exe");
    LogCapture log;
    OpenOffer(source);
    AcceptAndExpectRefusal(log, L"STR_UPDATE_UNSIGNED");
    EXPECT_TRUE(log.HasText("WinVerifyTrust on the open file: 0x800b0100")) << "TRUST_E_NOSIGNATURE";
    EXPECT_TRUE(log.HasText("update refused: no valid signature (0x800b0100): " + installer));
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    // Bytes that are no program at all.
    OpenOffer();
    AcceptAndExpectRefusal(log, L"STR_UPDATE_UNSIGNED", 2);
    EXPECT_TRUE(log.HasText("update refused: no valid signature (0x800b0003): " + Narrow(Installer())))
        << "TRUST_E_SUBJECT_FORM_UNKNOWN";
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    // The verdict is obeyed whatever gives it: a refusal put in its place.
    CTrustVerdict untrustedRoot(L"0x800B0109");
    OpenOffer(source);
    AcceptAndExpectRefusal(log, L"STR_UPDATE_UNSIGNED", 3);
    EXPECT_TRUE(log.HasText("trust verdict replaced by Velotune.switches.ini: 0x800b0109"));
    EXPECT_TRUE(log.HasText("update refused: no valid signature (0x800b0109): " + installer));
    DeleteFileW((UpdateFolder() + L"UnsignedSetup.exe").c_str());
}

// A good signature of any publisher is not enough: only the certificate
// that signed this program signs its update. The test program is not
// signed, so with a good verdict put in place for the download it takes no
// update, and says so. Wine verifies no chain: the signers' certificates
// (their SHA-256 sums) are put in place by the switches.
TEST_F(UpdateWindowTest, OnlyAnUpdateSignedWithThisProgramsCertificateIsTaken) {
    LogCapture log;
    m_trust.reset();  // one switch file: the old switches end first
    m_trust.reset(new CTrustVerdict(L"0", CTrustVerdict::kPublisher, L""));
    OpenOffer();
    AcceptAndExpectRefusal(log, L"STR_UPDATE_SELFUNSIGNED");
    EXPECT_TRUE(log.HasText("WinVerifyTrust on this program: 0x800b0100")) << "TRUST_E_NOSIGNATURE";
    EXPECT_TRUE(log.HasText("update refused: this program is not signed, so it takes no update: " +
                            Narrow(Installer())));
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    const std::wstring another(64, L'a');
    m_trust.reset();
    m_trust.reset(new CTrustVerdict(L"0", another.c_str()));
    OpenOffer();
    AcceptAndExpectRefusal(log, L"STR_UPDATE_OTHERSIGNER", 2);
    EXPECT_TRUE(log.HasText("update refused: signed with certificate " + Narrow(another) +
                            ", not with this program's " + Narrow(CTrustVerdict::kPublisher) + ": " +
                            Narrow(Installer())));
    EXPECT_FALSE(log.HasTextStarting("update verified"));
}

TEST_F(UpdateWindowTest, AFileSwappedAfterTheFinishedReportIsRefused) {
    CDownloaderEnv::Set(L"SWAP", L"1");
    LogCapture log;
    OpenOffer();
    AcceptAndExpectRefusal(log, L"STR_UPDATE_BADHASH");
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "swap in place\t" + Narrow(Installer()) + "\t=ok"), lines.end());
    EXPECT_TRUE(log.HasTextStarting("update refused: SHA-256 "));
}

TEST_F(UpdateWindowTest, OnceCheckedTheFileCannotBeSwappedAndTheGoodOneStartsByItsFullPath) {
    CDownloaderEnv::Set(L"SWAP", L"2");
    LogCapture log;
    OpenOffer();
    TestFrame frame;
    m_main.onRunInstaller = [&](WPARAM wParam) {
        // The library's swap attempts come after the file was taken; the
        // start waits for them.
        ASSERT_TRUE(WaitUntil([] { return CDownloaderEnv::Record().find("swap by rename") != std::string::npos; },
                              kWait));
        frame.Custom(UM_RUN_INSTALLER, wParam, 0);
    };
    Click(L"okbtn");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));
    std::string record = CDownloaderEnv::Record();
    EXPECT_NE(record.find("swap in place\t" + Narrow(Installer()) + "\t=32"), std::string::npos) << record;
    EXPECT_EQ(record.find("swap by rename\t" + Narrow(Installer()) + "\t=ok"), std::string::npos) << record;
    EXPECT_TRUE(log.HasText("update verified: " + Narrow(Installer())));
    EXPECT_EQ(ProcessCalls::count, 1);
    EXPECT_EQ(ProcessCalls::application, Installer());
    EXPECT_EQ(ProcessCalls::bytes, SourceBytes()) << "what was checked is what starts";
    EXPECT_TRUE(log.HasText("installer started: " + Narrow(Installer())));
}

TEST_F(UpdateWindowTest, AWrongHashOrABatchFileIsRefusedAndNeverStarted) {
    LogCapture log;
    OpenOffer(SourceFile(), Sha256("another installer"));
    AcceptAndExpectRefusal(log, L"STR_UPDATE_BADHASH");
    EXPECT_TRUE(log.HasText("update refused: SHA-256 " + Sha256(SourceBytes()) + ", expected " +
                            Sha256("another installer") + ": " + Narrow(Installer())));
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    // No hash from the engine: a signature alone does not say which file.
    OpenOffer(SourceFile(), "");
    AcceptAndExpectRefusal(log, L"STR_UPDATE_BADHASH", 2);
    EXPECT_TRUE(log.HasText("update refused: the update engine gave no SHA-256: " + Narrow(Installer())));
    Click(L"cancelbtn1");
    ASSERT_TRUE(PumpUntil([&] { return Gone(); }, kWait));

    OpenOffer(SourceCopy(L"VelotuneSetup.bat", "@echo off\r\n"));
    AcceptAndExpectRefusal(log, L"STR_UPDATE_NOTEXE", 3);
    EXPECT_TRUE(log.HasText("update refused: not an .exe: " + Narrow(UpdateFolder() + L"VelotuneSetup.bat")));
    DeleteFileW((UpdateFolder() + L"VelotuneSetup.bat").c_str());
}

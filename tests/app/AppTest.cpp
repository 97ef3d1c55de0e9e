// The real program on the simulated processor, driven the way a user drives
// it: started from a copy of the dist folder, clicked with real input,
// observed through its log, the processor's state file and the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

// Stock ratios of the default profile (V7-4760K) and the listed step of 0.3 GHz.
const wchar_t* const kRatioIds[] = {L"29", L"30", L"31", L"32"};
const double kStock[] = {40, 39, 38, 37};

void WriteState(const std::string& text) {
    ASSERT_TRUE(TestPaths::WriteFileBytes(CAppUnderTest::StatePath(), text));
}

// A copy of the default profile with extra [Faults] lines (the shipped
// profiles end with that section).
std::wstring FaultProfile(const wchar_t* name, const std::string& faults) {
    std::string base = TestPaths::ReadFileBytes(CAppUnderTest::Folder() + L"\\simcpu\\V7-4760K.ini");
    std::wstring path = CAppUnderTest::Folder() + L"\\" + name;
    TestPaths::WriteFileBytes(path, base + "\r\n" + faults + "\r\n");
    return path;
}

void ExpectRatios(const double* expected, const char* what) {
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(CAppUnderTest::ActiveValue(kRatioIds[i]), expected[i]) << what << ", control " << i;
}

POINT ButtonCentre() { return CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}); }

// Pixels near a point of the dial's arc ring that are orange-red (the
// overclocked range colour).
int OrangeRedPixelsAt(HWND hwnd, POINT client) {
    POINT pt = client;
    ClientToScreen(hwnd, &pt);
    HDC screen = GetDC(nullptr);
    int n = 0;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            COLORREF c = GetPixel(screen, pt.x + dx, pt.y + dy);
            if (c == CLR_INVALID) continue;
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r > 200 && g > 60 && g < 140 && b < 120) ++n;
        }
    ReleaseDC(nullptr, screen);
    return n;
}

// Share of pixels in a strip inside the action button (left of its text)
// that have the given colour: the page of "ButtonStatusTab" on show.
bool ButtonShows(HWND hwnd, COLORREF colour, COLORREF hot) {
    POINT c = ButtonCentre();
    POINT pt = {c.x - 90, c.y};
    ClientToScreen(hwnd, &pt);
    HDC screen = GetDC(nullptr);
    int hits = 0;
    for (int dy = -6; dy <= 6; dy += 3)
        for (int dx = 0; dx < 8; dx += 2)
            if (COLORREF c = GetPixel(screen, pt.x + dx, pt.y + dy); c == colour || c == hot) ++hits;
    ReleaseDC(nullptr, screen);
    return hits >= 10;
}

// Each button's colour, and its colour under the mouse.
const COLORREF kOverclockButton = RGB(0xE0, 0x55, 0x2F);
const COLORREF kOverclockButtonHot = RGB(0xF0, 0x6A, 0x45);
const COLORREF kRestoreButton = RGB(0x3C, 0x7D, 0x4F);
const COLORREF kRestoreButtonHot = RGB(0x4C, 0x96, 0x61);

// A user clicks the button once it is on screen.
bool WaitButton(HWND hwnd, COLORREF colour) {
    return WaitUntil(
        [&] { return ButtonShows(hwnd, colour, colour == kOverclockButton ? kOverclockButtonHot : kRestoreButtonHot); },
        kWait);
}

// A point on the arc ring at GDI+ angle 300 degrees: inside the overclocked
// range of the default model's dial (default 108 .. limit 168, drawn from +180).
POINT ArcProbe() {
    POINT c = CAppUnderTest::LayoutCentre({L"panel"});
    // The ring is centred 4 pixels above the control's middle, radius 60.
    return POINT{c.x + 30, c.y - 4 - 52};
}

}  // namespace

TEST_F(AppStart, ReadsTheProcessorSetsTheDialAndClosesCleanly) {
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);

    std::string log = CAppUnderTest::ReadLog();
    EXPECT_NE(log.find("_tWinMain "), std::string::npos);
    EXPECT_NE(log.find("]start\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("V7-4760K@@@@@"), std::string::npos) << "dial table records are logged";
    EXPECT_NE(log.find("g_bThisCPUHaveCustomData is true"), std::string::npos);
    // Listed model: the reference text is the table's turbo frequency; the
    // processor's maximum turbo is the same, so no restore at start.
    EXPECT_NE(log.find("CMainFrame::InitViewInfo  stInfo.m_strFrequence: 4.00GHz "), std::string::npos);
    EXPECT_NE(log.find("CMainFrame::InitViewInfo  strFre: 4.00GHz "), std::string::npos);
    EXPECT_NE(log.find("CMainFrame::UpdateStatus : nStatus : 0"), std::string::npos);
    EXPECT_EQ(log.find("INIT STATUE is STATUS_OVERCLOCK_OK"), std::string::npos);
    // 4.0 GHz is at 132 degrees in the table, +30 on the dial.
    EXPECT_NE(log.find("SetDefaultAngle : 162"), std::string::npos);
    // The monitor's readings move the pointer.
    EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::FrequencyChange:  4.0GHz", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("SetEndAngle:162", kWait));
    EXPECT_EQ(IsWindowVisible(hwnd), TRUE);

    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    EXPECT_TRUE(CAppUnderTest::WaitLog("::Shell_NotifyIcon(NIM_DELETE,&nid);", kWait));
}

TEST_F(AppStart, ForeignAddressesInMessagesAreIgnored) {
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    PostMessageW(hwnd, UM_FREQUENCY_CHANGE, (WPARAM)0x12345678, 0);
    PostMessageW(hwnd, UM_GETCPUINFO_FINISH, (WPARAM)0x1, 1);
    PostMessageW(hwnd, UM_RUN_INSTALLER, (WPARAM)0x10, 0);
    EXPECT_TRUE(CAppUnderTest::WaitLog("UM_FREQUENCY_CHANGE ignored", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("UM_GETCPUINFO_FINISH ignored", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("UM_RUN_INSTALLER ignored", kWait));
    EXPECT_EQ(WaitForSingleObject(app.Process(0), 0), (DWORD)WAIT_TIMEOUT) << "still running";
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, DoubleClickOverclocksOnceAndAClickRestores) {
    CAppUnderTest app;
    // Slow SDK calls keep the run going while the second click arrives.
    app.UseProfile(FaultProfile(L"test_app_slow.ini", "DelayMs=150"));
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(WaitButton(hwnd, kOverclockButton)) << "the first paint, before looking at the dial";
    EXPECT_EQ(OrangeRedPixelsAt(hwnd, ArcProbe()), 0) << "stock clock: the range is grey";
    EXPECT_TRUE(WaitButton(hwnd, kOverclockButton)) << "page 0: the overclock button";

    POINT button = ButtonCentre();
    ASSERT_GT(button.x, 0);
    CAppUnderTest::Click(hwnd, button, 2);
    // The notifier library's event is the same one-click action: during the
    // run it is dropped, not queued.
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_OVERCLOCK_INIT", kWait));
    PostMessageW(hwnd, UM_WMI_EVENT, 1, 0);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() STATUS_OVERCLOCK_INIT"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("[DoHandle] status=1"), 1) << "the request during the run is dropped";
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() STATUS_REOVERCLOCK_ING"), 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] in"), 1);
    EXPECT_GE(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 2"), 1);
    const double overclocked[] = {43, 42, 41, 40};
    ExpectRatios(overclocked, "overclocked: defaults + 3");
    // 4.3 GHz is at 150 degrees, +30 on the dial.
    EXPECT_TRUE(CAppUnderTest::WaitLog("SetEndAngle:180", kWait));
    EXPECT_TRUE(WaitUntil([&] { return OrangeRedPixelsAt(hwnd, ArcProbe()) > 0; }, kWait))
        << "overclocked: the range turns orange-red";

    ASSERT_TRUE(WaitButton(hwnd, kRestoreButton)) << "page 2: the restore button";
    CAppUnderTest::Click(hwnd, button, 1);
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
    ExpectRatios(kStock, "restored");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppStart, ProcessorLeftOverclockedIsRestoredAtStart) {
    // The table's turbo (4.00) sorts after the maximum turbo read (3.50).
    WriteState("[Active]\r\n29=35\r\n30=35\r\n31=35\r\n32=35\r\n");
    CAppUnderTest app;
    ASSERT_TRUE(app.Start());
    HWND hwnd = app.WaitMainWindow(0, kWait);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("INIT STATUE is STATUS_OVERCLOCK_OK", kWait));
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait));
    ExpectRatios(kStock, "restored at start");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppStart, SdkThatCannotStartShowsTheNoticeAndEnds) {
    CAppUnderTest app;
    app.UseProfile(FaultProfile(L"test_app_initfails.ini", "InitFails=1"));
    ASSERT_TRUE(app.Start());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the notice";
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitExit(kWait), 0);
    std::string log = CAppUnderTest::ReadLog();
    EXPECT_EQ(log.find("CMainFrame::InitViewInfo Enter"), std::string::npos);
}

TEST_F(AppStart, MissingSdkShowsTheNoticeAndEnds) {
    CAppUnderTest app;
    app.UseProfile(CAppUnderTest::Folder() + L"\\no-such-profile.ini");  // no processor: no SDK root
    ASSERT_TRUE(app.Start());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the notice";
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitExit(kWait), 0);
}

TEST_F(AppInstance, SecondCopyBringsTheFirstToFrontAndEnds) {
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_MINIMIZE);
    WaitUntil([&] { return IsIconic(hwnd) != FALSE; }, kWait);
    ASSERT_TRUE(IsIconic(hwnd));

    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.WaitExit(kWait), 1);
    WaitUntil([&] { return !IsIconic(hwnd); }, kWait);
    EXPECT_FALSE(IsIconic(hwnd)) << "the first copy was restored";
    EXPECT_TRUE(CAppUnderTest::WaitLog("AppSingleton exist", kWait));
    EXPECT_EQ(WaitForSingleObject(app.Process(0), 0), (DWORD)WAIT_TIMEOUT) << "the first copy runs on";
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(app.Process(0), kWait), (DWORD)WAIT_OBJECT_0);
}

TEST_F(AppRestoreSwitch, PutsAnOverclockedProcessorBackWithoutAWindow) {
    const char* overclocked = "[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n";
    for (const wchar_t* sw : {L"/RestoreOverclocking", L"/restoreoverclocking"}) {
        WriteState(overclocked);
        CAppUnderTest app;
        ASSERT_TRUE(app.Start(sw));
        EXPECT_EQ(app.WaitExit(kWait), 1);
        ExpectRatios(kStock, TestPaths::Narrow(sw).c_str());
        std::string log = CAppUnderTest::ReadLog();
        EXPECT_NE(log.find("[RestoreOverclocking] defaults restored"), std::string::npos) << log;
        EXPECT_NE(log.find("[AppendControlOverclocking] new_value=40.000000"), std::string::npos);
    }
}

TEST_F(AppRestoreSwitch, WithExtraTextTheProgramStartsNormally) {
    CAppUnderTest app;
    ASSERT_TRUE(app.Start(L"/RestoreOverclocking now"));
    HWND hwnd = app.WaitMainWindow(0, kWait);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(CAppUnderTest::CountInLog("[RestoreOverclocking]"), 0);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, UnlistedModelRaisesTwoStepsAboveTheProposedValue) {
    CAppUnderTest app;
    app.UseProfile(L"simcpu\\V5-3330.ini");
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    std::string log = CAppUnderTest::ReadLog();
    EXPECT_EQ(log.find("g_bThisCPUHaveCustomData is true"), std::string::npos);
    // Brand text " 3.00GHz": 30 tenths, 4 degrees each.
    EXPECT_NE(log.find("CMainFrame::SetPanel: nImageNum=30"), std::string::npos);
    EXPECT_NE(log.find("SetDefaultAngle : 120"), std::string::npos);

    CAppUnderTest::Click(hwnd, ButtonCentre());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    const double raised[] = {34, 34, 33, 33};
    ExpectRatios(raised, "unlisted: proposed + 2");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, FailedRestoreStaysOverclockedWithTheFixedNotice) {
    std::wstring profile = FaultProfile(L"test_app_failing.ini", "");
    CAppUnderTest app;
    app.UseProfile(profile);
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);

    // Overclock, then make the processor refuse every apply.
    CAppUnderTest::Click(hwnd, ButtonCentre());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    std::string base = TestPaths::ReadFileBytes(profile);
    ASSERT_TRUE(TestPaths::WriteFileBytes(profile, base + "ApplyFails=1\r\n"));
    ASSERT_TRUE(WaitButton(hwnd, kRestoreButton));
    CAppUnderTest::Click(hwnd, ButtonCentre());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the fixed restore notice";
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 2"), 2) << "back to overclocked";
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 0"), 1) << "only the start";
    PostMessageW(box, WM_CLOSE, 0, 0);
    const double overclocked[] = {43, 42, 41, 40};
    ExpectRatios(overclocked, "still overclocked");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, FailedOverclockShowsTheNoticeAndReturnsToStock) {
    WriteState("[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n");
    CAppUnderTest app;
    app.UseProfile(FaultProfile(L"test_app_applyfails.ini", "ApplyFails=1"));
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    CAppUnderTest::Click(hwnd, ButtonCentre());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "notice STR_JSSB";
    PostMessageW(box, WM_CLOSE, 0, 0);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::OnRecoverOverLocking SUCESS"), 0);
    ExpectRatios(kStock, "nothing applied");
    EXPECT_TRUE(WaitButton(hwnd, kOverclockButton)) << "page 0 again";
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

// The vendor's library fails with structured exceptions (its compiler's C++
// exception, or a real fault). Each ends the one call: the monitor goes on
// sampling, a failed overclock gives the notice, the program closes cleanly.
TEST_F(AppSdkFaults, ExceptionsFromTheLibraryEndTheCallNotTheProgram) {
    struct Case {
        const char* faults;
        const char* raised;
    } cases[] = {
        {"RaiseIn=GetMonitorValue,ProposeChange", "raised exception 0xE06D7363"},
        {"RaiseIn=GetMonitorValue,ProposeChange\r\nRaiseKind=access", "raised exception 0xC0000005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        WriteState("[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n");
        CAppUnderTest app;
        app.UseProfile(FaultProfile(L"test_app_raises.ini", c.faults));
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(CAppUnderTest::WaitLog(std::string("[SdkGuard] GetMonitorValue ") + c.raised, kWait, 2));
        EXPECT_GE(CAppUnderTest::CountInLog("[CpuMonitor]  [catch] ..."), 2);
        CAppUnderTest::Click(hwnd, ButtonCentre());
        HWND box = app.WaitWindowOfClass(0, L"*", kWait);
        ASSERT_NE(box, nullptr) << "the failed overclock's notice";
        EXPECT_EQ(CAppUnderTest::CountInLog(std::string("[SdkGuard] ProposeChange ") + c.raised), 1);
        PostMessageW(box, WM_CLOSE, 0, 0);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
        ExpectRatios(kStock, "nothing applied");
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
}

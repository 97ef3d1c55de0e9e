// The real program on the simulated processor, driven the way a user drives
// it: started from a copy of the dist folder, clicked with real input,
// observed through its log, the processor's state file and the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <sddl.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "duilib/DuiMessages.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "support/ChildRun.h"
#include "support/ClassWindow.h"
#include "support/LanguagesValue.h"
#include "support/PlatformFaults.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"
#include "support/TopWindows.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

// Stock ratios of the default profile (V7-4760K) and the listed step of 0.3 GHz.
const wchar_t* const kRatioIds[] = {L"29", L"30", L"31", L"32"};
const double kStock[] = {40, 39, 38, 37};

void WriteState(const std::string& text) {
    ASSERT_TRUE(TestPaths::WriteFileBytes(CAppUnderTest::StatePath(), text));
}

POINT ButtonCentre() { return CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}); }

// Below: the style every notice shares; `placed` false where the main window
// may still be on its way to its corner.
void ExpectNoticeOverMainWindow(HWND box, HWND main, bool placed = true);

// The window has taken its place at the corner of the work area (the update
// window asks for it once its check is done).
bool WaitAtCorner(HWND hwnd) {
    return WaitUntil(
        [&] {
            RECT rc = {}, work = {};
            GetWindowRect(hwnd, &rc);
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            return rc.right == work.right && rc.bottom == work.bottom;
        },
        kWait);
}

// Pixels near a point of the dial's arc ring that are orange-red (the
// overclocked range colour).
int OrangeRedPixelsAt(HWND hwnd, POINT client) {
    POINT pt = client;
    ClientToScreen(hwnd, &pt);
    vt::WindowDc screen(nullptr);
    int n = 0;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            COLORREF c = GetPixel(screen.Get(), pt.x + dx, pt.y + dy);
            if (c == CLR_INVALID) continue;
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r > 200 && g > 60 && g < 140 && b < 120) ++n;
        }
    return n;
}

// Share of pixels in a strip inside the action button (left of its text)
// that have the given colour: the page of "ButtonStatusTab" on show.
bool ButtonShows(HWND hwnd, COLORREF colour, COLORREF hot) {
    POINT c = ButtonCentre();
    POINT pt = {c.x - 90, c.y};
    ClientToScreen(hwnd, &pt);
    vt::WindowDc screen(nullptr);
    int hits = 0;
    for (int dy = -6; dy <= 6; dy += 3)
        for (int dx = 0; dx < 8; dx += 2)
            if (COLORREF c = GetPixel(screen.Get(), pt.x + dx, pt.y + dy); c == colour || c == hot) ++hits;
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

// The brightest red level inside a control of the main layout: a footer
// link's text is #818891, and #C8CDD3 while it is lit.
int BrightestRedIn(HWND hwnd, const wchar_t* control) {
    POINT c = CAppUnderTest::LayoutCentre({control});
    vt::WindowDc screen(nullptr);
    int brightest = 0;
    for (int dy = -8; dy <= 8; ++dy)
        for (int dx = -70; dx <= 70; ++dx) {
            POINT pt = {c.x + dx, c.y + dy};
            ClientToScreen(hwnd, &pt);
            COLORREF px = GetPixel(screen.Get(), pt.x, pt.y);
            if (px != CLR_INVALID && (int)GetRValue(px) > brightest) brightest = GetRValue(px);
        }
    return brightest;
}

// Processes whose parent is `pid`.
int ChildrenOf(DWORD pid) {
    vt::UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e = {};
    e.dwSize = sizeof(e);
    int n = 0;
    for (BOOL more = Process32FirstW(snap.Get(), &e); more; more = Process32NextW(snap.Get(), &e))
        if (e.th32ParentProcessID == pid) ++n;
    return n;
}

// Whether process `pid` has the library `file` (a file name) loaded.
bool HasModule(DWORD pid, const wchar_t* file) {
    vt::UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
    MODULEENTRY32W e = {};
    e.dwSize = sizeof(e);
    for (BOOL more = Module32FirstW(snap.Get(), &e); more; more = Module32NextW(snap.Get(), &e))
        if (_wcsicmp(e.szModule, file) == 0) return true;
    return false;
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
    // The shell's tray clicks and restart broadcast, and other programs'
    // requests 2024 and 2025, are let in on the window (Wine does not filter;
    // the calls are what Windows acts on).
    EXPECT_NE(log.find("message filter: message 1130 let in on the main window"), std::string::npos) << log;
    EXPECT_NE(log.find("message filter: message " + std::to_string(RegisterWindowMessageW(L"TaskbarCreated")) +
                       " let in on the main window"),
              std::string::npos);
    EXPECT_NE(log.find("message filter: message 2025 let in on the main window"), std::string::npos) << log;
    EXPECT_EQ(CAppUnderTest::CountInLog("message filter: "), 4) << "nothing else is let in";
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
    app.UseProfile(SlowProfile());
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
    CAppUnderTest::AskForAction(hwnd);
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

TEST_F(AppStart, UnreadableMaximumTurboIsNoReasonToRestore) {
    // Every candidate for the maximum turbo fails, and so does the first
    // core's ratio: a restore tried now would end in the failure notice.
    CAppUnderTest app;
    app.UseProfile(FaultProfile(L"test_app_noturbo.ini", "GetControlFailsFor=0xD0000002,0xD0000005,29"));
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    std::string log = CAppUnderTest::ReadLog();
    EXPECT_NE(log.find("max turbo not read after 3 tries"), std::string::npos) << log;
    EXPECT_NE(log.find("CMainFrame::InitViewInfo: the maximum turbo is unknown, no restore at start"),
              std::string::npos);
    EXPECT_EQ(log.find("INIT STATUE is STATUS_OVERCLOCK_OK"), std::string::npos);
    EXPECT_EQ(log.find("DoHandle() begin"), std::string::npos) << "nothing was asked of the processor";
    EXPECT_NE(log.find("CMainFrame::UpdateStatus : nStatus : 0"), std::string::npos);
    // The dial shows the reference frequency as usual: 4.0 GHz, 132 degrees in the table.
    EXPECT_NE(log.find("SetDefaultAngle : 162"), std::string::npos);
    EXPECT_EQ(GetFileAttributesW(CAppUnderTest::StatePath().c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing was applied to the processor";
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppStart, SdkThatCannotStartShowsTheNoticeAndEnds) {
    CAppUnderTest app;
    app.UseProfile(FaultProfile(L"test_app_initfails.ini", "InitFails=1"));
    ASSERT_TRUE(app.Start());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the notice";
    ExpectNoticeOverMainWindow(box, app.WaitMainWindow(0, kWait), false);
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
    // A window of the program's class that any user could make, found
    // before the real one: it gets nothing.
    CClassWindow decoy;
    ASSERT_NE(decoy.Hwnd(), nullptr);

    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.WaitExit(kWait), 1);
    WaitUntil([&] { return !IsIconic(hwnd); }, kWait);
    EXPECT_FALSE(IsIconic(hwnd)) << "the first copy was restored";
    EXPECT_TRUE(CAppUnderTest::WaitLog("AppSingleton exist", kWait));
    EXPECT_EQ(decoy.FrontRequests(), 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("AppSingleton: a window of class Velotune in process " +
                                        std::to_string(GetCurrentProcessId()) +
                                        " is not the running copy's (process " + std::to_string(app.Pid(0)) +
                                        "): left alone"),
              1);
    EXPECT_EQ(WaitForSingleObject(app.Process(0), 0), (DWORD)WAIT_TIMEOUT) << "the first copy runs on";

    // The restore switch beside a running copy tries nothing: its own code.
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(hwnd) != FALSE; }, kWait));
    ASSERT_TRUE(app.Start(L"/RestoreOverclocking"));
    EXPECT_EQ(app.WaitExit(kWait), 4);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(hwnd); }, kWait)) << "the first copy was brought to the front";
    EXPECT_TRUE(CAppUnderTest::WaitLog("AppSingleton exist", kWait, 2));
    EXPECT_EQ(CAppUnderTest::CountInLog("[RestoreOverclocking]"), 0);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(app.Process(0), kWait), (DWORD)WAIT_OBJECT_0);
}

namespace {

// The other build's dist folder (build\x86\dist beside build\x64\dist), or
// empty where it was not built.
std::wstring OtherBuildDist() {
#ifdef _WIN64
    const std::wstring mine = L"\\x64\\", theirs = L"\\x86\\";
#else
    const std::wstring mine = L"\\x86\\", theirs = L"\\x64\\";
#endif
    std::wstring dist = TestPaths::DistDir();
    const size_t at = dist.rfind(mine);
    if (at == std::wstring::npos) return std::wstring();
    dist.replace(at, mine.size(), theirs);
    return GetFileAttributesW((dist + L"\\Velotune.exe").c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : dist;
}

}  // namespace

TEST_F(AppInstance, ACopyInAnotherFolderBringsTheFirstToFrontAndEnds) {
    // Two installs (the x86 and the x64 setup programs install side by side)
    // share the one guard of the machine.
    // The second copy is the other build where it was built beside this one
    // (make test builds both), with this copy's switches.
    namespace fs = std::filesystem;
    const std::wstring other = CAppUnderTest::Folder() + L"_other";
    std::error_code ec;
    fs::remove_all(other, ec);
    const std::wstring otherBuild = OtherBuildDist();
    fs::copy(otherBuild.empty() ? CAppUnderTest::Folder() : otherBuild, other, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << ec.message();
    for (const wchar_t* switches : {L"\\OverclockingSdkWrapper.ini", L"\\Velotune.switches.ini"})
        fs::copy_file(CAppUnderTest::Folder() + switches, other + switches, fs::copy_options::overwrite_existing, ec);
    ASSERT_FALSE(ec) << ec.message();
    std::printf("[ note ] the second copy: %s\n", otherBuild.empty() ? "this build's" : TestPaths::Narrow(otherBuild).c_str());
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(hwnd) != FALSE; }, kWait));
    EXPECT_EQ(ChildRun::ExitCodeOf(other + L"\\Velotune.exe", L"", other), 1u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(hwnd); }, kWait)) << "the first copy was restored";
    const std::string log = TestPaths::ReadFileBytes(other + L"\\log\\Velotune.log");
    EXPECT_NE(log.find("AppSingleton exist"), std::string::npos) << log;
    EXPECT_EQ(WaitForSingleObject(app.Process(0), 0), (DWORD)WAIT_TIMEOUT) << "the first copy runs on";

    // The other folder's console talks to the copy the machine's guard names,
    // as an administrator may read the guard. One that may not (the test
    // switch; Wine makes every process an administrator) keeps to its own
    // folder's program, and writes nothing to another's pipe.
    LanguagesValue language;
    language.Set(L"en");
    std::string output;
    EXPECT_EQ(ChildRun::ExitCodeAndOutput(other + L"\\Velotune.com", L" status", other, output), 0u) << output;
    EXPECT_NE(output.find("stock "), std::string::npos) << output;
    ASSERT_TRUE(WritePrivateProfileStringW(L"Switches", L"TEST_CALLER_NOT_ADMIN", L"1",
                                           (other + L"\\Velotune.switches.ini").c_str()));
    EXPECT_EQ(ChildRun::ExitCodeAndOutput(other + L"\\Velotune.com", L" status", other, output), 9u) << output;
    EXPECT_NE(output.find("the server is not Velotune.exe of this folder"), std::string::npos) << output;
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    fs::remove_all(other, ec);
}

namespace {

// Moves the SDK library of the copy aside while it lives.
class LibraryAway {
public:
    LibraryAway() : m_ok(MoveFileW(Dll().c_str(), Away().c_str()) != FALSE) {}
    ~LibraryAway() {
        if (m_ok) MoveFileW(Away().c_str(), Dll().c_str());
    }
    bool Ok() const { return m_ok; }

private:
    static std::wstring Dll() { return CAppUnderTest::Folder() + L"\\OverclockingSdkWrapper.dll"; }
    static std::wstring Away() { return Dll() + L".away"; }
    bool m_ok;
};

}  // namespace

// 1: at the defaults afterwards; 2: the SDK refused, may stay overclocked;
// 3: the SDK could not be reached, nothing changed (4: another copy runs,
// in AppInstance above).
TEST_F(AppRestoreSwitch, ExitCodeSaysWhereTheProcessorStands) {
    const char* overclocked = "[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n";
    const char* stock = "[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n";
    const double kOverclocked[] = {43, 42, 41, 40};
    struct Case {
        const wchar_t* sw;
        const char* state;
        const char* faults;  // null: the default profile
        bool noLibrary;
        int code;
        const double* after;
        const char* line;
    };
    const Case cases[] = {
        {L"/RestoreOverclocking", overclocked, nullptr, false, 1, kStock, "[RestoreOverclocking] defaults restored"},
        {L"/restoreoverclocking", overclocked, nullptr, false, 1, kStock, "[RestoreOverclocking] defaults restored"},
        {L"/RestoreOverclocking", stock, "ApplyFails=1", false, 1, kStock,
         "[RestoreOverclocking] nothing restored: the processor is at its defaults"},
        {L"/RestoreOverclocking", overclocked, "ApplyFails=1", false, 2, kOverclocked,
         "[RestoreOverclocking] restore failed"},
        {L"/RestoreOverclocking", overclocked, "ProposeFails=1", false, 2, kOverclocked,
         "[RestoreOverclocking] restore failed"},
        // The SDK takes the proposals as disabled and says yes to the apply:
        // the ratios, read back, are still raised.
        {L"/RestoreOverclocking", overclocked, "ResultDisabled=1", false, 2, kOverclocked,
         "[RestoreOverclocking] restore failed"},
        {L"/RestoreOverclocking", overclocked, "InitFails=1", false, 3, kOverclocked,
         "[RestoreOverclocking] the tuning SDK did not initialise"},
        {L"/RestoreOverclocking", overclocked, "NoRoot=1", false, 3, kOverclocked,
         "[RestoreOverclocking] the tuning SDK has no interface"},
        {L"/RestoreOverclocking", overclocked, nullptr, true, 3, kOverclocked,
         "[RestoreOverclocking] the tuning SDK library cannot be loaded"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(++n);
        WriteState(c.state);
        CAppUnderTest app;
        if (c.faults) app.UseProfile(FaultProfile(L"test_app_restore_switch.ini", c.faults));
        {
            std::unique_ptr<LibraryAway> away(c.noLibrary ? new LibraryAway : nullptr);
            if (away) {
                ASSERT_TRUE(away->Ok());
            }
            ASSERT_TRUE(app.Start(c.sw));
            EXPECT_EQ(app.WaitExit(kWait), c.code);
        }
        ExpectRatios(c.after, "after the switch");
        std::string log = CAppUnderTest::ReadLog();
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        EXPECT_NE(log.find("[RestoreOverclocking] exit code " + std::to_string(c.code)), std::string::npos);
        EXPECT_EQ(FindWindowW(L"Velotune", nullptr), nullptr) << "no window";
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

TEST_F(AppOneClick, FailedRestoreStaysOverclockedWithTheNotice) {
    std::wstring profile = FaultProfile(L"test_app_failing.ini", "");
    CAppUnderTest app;
    app.UseProfile(profile);
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);

    // Overclock, then make the processor refuse every apply.
    CAppUnderTest::Click(hwnd, ButtonCentre());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    ASSERT_TRUE(WaitAtCorner(hwnd));
    std::string base = TestPaths::ReadFileBytes(profile);
    ASSERT_TRUE(TestPaths::WriteFileBytes(profile, base + "ApplyFails=1\r\n"));
    ASSERT_TRUE(WaitButton(hwnd, kRestoreButton));
    CAppUnderTest::Click(hwnd, ButtonCentre());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the restore notice";
    ExpectNoticeOverMainWindow(box, hwnd);
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 2"), 2) << "back to overclocked";
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 0"), 1) << "only the start";
    PostMessageW(box, WM_CLOSE, 0, 0);
    const double overclocked[] = {43, 42, 41, 40};
    ExpectRatios(overclocked, "still overclocked");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, FailedOverclockShowsTheNoticeAndReturnsToStock) {
    // The apply refused; or the SDK says yes to it but takes nothing (the
    // results come back disabled), which only the ratios read back tell.
    for (const char* fault : {"ResultDisabled=1", "ApplyFails=1"}) {
        SCOPED_TRACE(fault);
        WriteState("[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n");
        CAppUnderTest app;
        app.UseProfile(FaultProfile(L"test_app_applyfails.ini", fault));
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(WaitAtCorner(hwnd));
        CAppUnderTest::Click(hwnd, ButtonCentre());
        HWND box = app.WaitWindowOfClass(0, L"*", kWait);
        ASSERT_NE(box, nullptr) << "notice STR_JSSB";
        EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 0"), 2)
            << "the window says stock before the notice opens";
        ExpectNoticeOverMainWindow(box, hwnd);
        PostMessageW(box, WM_CLOSE, 0, 0);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
        EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::OnRecoverOverLocking SUCESS"), 0);
        if (fault[0] == 'R') {
            EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] read back: id=0x1D holds 40.000000"), 1);
        }
        ExpectRatios(kStock, "nothing applied");
        EXPECT_TRUE(WaitButton(hwnd, kOverclockButton)) << "page 0 again";
        if (fault[0] == 'R') {
            EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
            continue;
        }

        // With the window in the tray, the notice opens in the middle of the
        // window's monitor's work area.
        ShowWindow(hwnd, SW_HIDE);
        ASSERT_TRUE(WaitHidden(hwnd));
        CAppUnderTest::AskForAction(hwnd);
        box = app.WaitWindowOfClass(0, L"*", kWait);
        ExpectNoticeOverMainWindow(box, hwnd);
        PostMessageW(box, WM_CLOSE, 0, 0);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 3));
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
}

TEST_F(AppOneClick, ResultsComingBackDisabledFailTheRestoreAtStartAndAtExit) {
    // The SDK answers yes to every apply but takes nothing: only the ratios
    // read back tell. The restore at start fails with its notice and leaves
    // the processor overclocked; the one at exit fails and closes all the same.
    WriteState("[Active]\r\n29=35\r\n30=35\r\n31=35\r\n32=35\r\n");
    const double left[] = {35, 35, 35, 35};
    CAppUnderTest app;
    app.UseProfile(FaultProfile(L"test_app_disabled.ini", "ResultDisabled=1"));
    ASSERT_TRUE(app.Start());
    HWND hwnd = app.WaitMainWindow(0, kWait);
    ASSERT_NE(hwnd, nullptr);
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the restore-failed notice";
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 0"), 0);
    PostMessageW(box, WM_CLOSE, 0, 0);
    ExpectRatios(left, "the restore at start took nothing");
    PostMessageW(hwnd, DuiLib::DUI_MSG_MENU_CLICK, 3, 0);  // the tray menu's exit
    EXPECT_EQ(app.WaitExit(kWait), 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("--------------ExitRecover-----------"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("[ExitApp] the restore failed: the processor stays overclocked"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("[ExitApp] the processor is back at its defaults"), 0);
    ExpectRatios(left, "the restore at exit took nothing");
}

TEST_F(AppOneClick, ARequestRightAfterTheResultIsNotLost) {
    // The worker is held just after it has posted its result: the window
    // already has it when the next request comes.
    const std::wstring holdName = L"VelotuneTestHold" + std::to_wstring(GetCurrentProcessId());
    vt::UniqueHandle hold(CreateEventW(nullptr, TRUE, FALSE, holdName.c_str()));
    ASSERT_NE(hold.Get(), nullptr);
    CAppUnderTest app;
    app.UseSwitch(L"TEST_WORKER_HOLD", holdName);
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    CAppUnderTest::AskForAction(hwnd);
    ASSERT_TRUE(CAppUnderTest::WaitLog("[Overclocking] held after posting (test switch)", kWait));
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    CAppUnderTest::AskForAction(hwnd);
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    SetEvent(hold.Get());
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2)) << "the restore ran";
    ExpectRatios(kStock, "restored by the request made at that point");
    EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] in"), 2);
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

TEST_F(AppOneClick, WithoutAWorkerTheActionIsRefusedWithANotice) {
    CAppUnderTest app;
    app.UseSwitch(L"TEST_WORKER_START_FAILS", L"1");
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(WaitAtCorner(hwnd));
    ASSERT_TRUE(WaitButton(hwnd, kOverclockButton));
    CAppUnderTest::Click(hwnd, ButtonCentre());
    HWND box = app.WaitWindowOfClass(0, L"*", kWait);
    ASSERT_NE(box, nullptr) << "the notice";
    ExpectNoticeOverMainWindow(box, hwnd);
    EXPECT_TRUE(CAppUnderTest::WaitLog("overclock worker start refused (test switch)", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("overclock worker not started", kWait));
    EXPECT_TRUE(CAppUnderTest::WaitLog("DoHandle() refused: the overclock worker is not running (status 0)", kWait));
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::UpdateStatus : nStatus : 1"), 0) << "status 0 kept";
    EXPECT_TRUE(WaitButton(hwnd, kOverclockButton)) << "page 0 still";
    // The exit is not held up by a run that never started.
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("[ExitApp] a run is in progress"), 0);
    EXPECT_EQ(GetFileAttributesW(CAppUnderTest::StatePath().c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing ever applied: the profile's defaults";
}

TEST_F(AppStart, ARunStartedBeforeTheProcessorIsReadKeepsItsStatus) {
    CAppUnderTest app;
    // Slow SDK calls: the reader is still reading when the notifier's event
    // starts a run, and that run outlasts the reading.
    app.UseProfile(SlowProfile(250));
    ASSERT_TRUE(app.Start());
    HWND hwnd = app.WaitMainWindow(0, kWait);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("hot key Ctrl+Alt+O registered", kWait));  // the worker runs
    CAppUnderTest::AskForAction(hwnd);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    std::string log = CAppUnderTest::ReadLog();
    size_t request = log.find("DoHandle() STATUS_OVERCLOCK_INIT");
    size_t info = log.find("CMainFrame::InitViewInfo Enter");
    size_t result = log.find("[Overclocking] bRet=true nCurStatus=1");
    ASSERT_NE(request, std::string::npos);
    ASSERT_NE(info, std::string::npos);
    ASSERT_NE(result, std::string::npos);
    ASSERT_LT(request, info) << "the run began before the processor was read";
    ASSERT_LT(info, result) << "and ended after";
    EXPECT_NE(log.find("CMainFrame::InitViewInfo: a run is in progress (status 1), its result settles the status"),
              std::string::npos);
    EXPECT_EQ(log.find("CMainFrame::UpdateStatus : nStatus : 0"), std::string::npos) << "never settled over the run";
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(CAppUnderTest::ActiveValue(kRatioIds[i]), kStock[i]) << "overclocked, control " << i;
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    ExpectRatios(kStock, "restored at the end");
}

TEST_F(AppStart, MonitorPeriodComesThroughTheSettingsReader) {
    const std::wstring ini = CAppUnderTest::Folder() + L"\\Velotune.ini";
    struct Case {
        const char* value;
        const char* period;
        const char* line;
    } cases[] = {
        {"abc", "[CpuMonitor] Time=1000\r\n", "[OverClockingKey] MonitorTime=\"abc\" is not a valid number, using 1000"},
        {"0", "[CpuMonitor] Time=100\r\n", "MonitorTime 0 is below 100 ms, using 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ASSERT_TRUE(TestPaths::WriteFileBytes(ini, std::string("[OverClockingKey]\r\nMonitorTime=") + c.value + "\r\n"));
        CAppUnderTest app;
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(CAppUnderTest::WaitLog(c.period, kWait));
        EXPECT_EQ(CAppUnderTest::CountInLog(c.line), 1);
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
    DeleteFileW(ini.c_str());
}

// The vendor's library fails with structured exceptions (its compiler's C++
// exception, or a real fault). Each ends the one call: the monitor goes on
// sampling, a failed overclock gives the notice, the program closes cleanly.
TEST_F(AppSdkFaults, ExceptionsFromTheLibraryEndTheCallNotTheProgram) {
    struct Case {
        const char* faults;
        std::string raised;
    } cases[] = {
        {"RaiseIn=GetMonitorValue,ProposeChange", "raised exception 0xE06D7363"},
        {"RaiseIn=GetMonitorValue,ProposeChange\r\nRaiseKind=access",
         "raised exception " + PlatformFaults::Hex(PlatformFaults::AccessViolationCode())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        WriteState("[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n");
        CAppUnderTest app;
        app.UseProfile(FaultProfile(L"test_app_raises.ini", c.faults));
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(CAppUnderTest::WaitLog("[SdkGuard] GetMonitorValue " + c.raised, kWait, 2));
        EXPECT_GE(CAppUnderTest::CountInLog("[CpuMonitor]  [catch] ..."), 2);
        CAppUnderTest::Click(hwnd, ButtonCentre());
        HWND box = app.WaitWindowOfClass(0, L"*", kWait);
        ASSERT_NE(box, nullptr) << "the failed overclock's notice";
        EXPECT_EQ(CAppUnderTest::CountInLog("[SdkGuard] ProposeChange " + c.raised), 1);
        PostMessageW(box, WM_CLOSE, 0, 0);
        ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
        ExpectRatios(kStock, "nothing applied");
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
}

TEST_F(AppShell, AFooterLinkWithoutAnAddressNeitherLightsUpNorOpensAnything) {
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(WaitButton(hwnd, kOverclockButton));
    // The start's own service request ("sc") runs for a while after the
    // first frame: counted from when it has ended, any process is the link's.
    ASSERT_TRUE(WaitUntil([&] { return ChildrenOf(app.Pid(0)) == 0; }, kWait)) << "the start's own children end";
    const int children = 0;
    const int normalText = BrightestRedIn(hwnd, L"LinkZIZBtn");
    ASSERT_LT(normalText, 0xA8) << "the link's own colour";

    // The pointer on the action button lights it up; moving on to the link
    // ends that in the very move that would light the link.
    SetForegroundWindow(hwnd);
    CAppUnderTest::MoveTo(hwnd, ButtonCentre());
    ASSERT_TRUE(WaitUntil([&] { return ButtonShows(hwnd, kOverclockButtonHot, kOverclockButtonHot); }, kWait));
    CAppUnderTest::MoveTo(hwnd, CAppUnderTest::LayoutCentre({L"LinkZIZBtn"}));
    ASSERT_TRUE(WaitUntil([&] { return ButtonShows(hwnd, kOverclockButton, kOverclockButton); }, kWait));
    EXPECT_LT(BrightestRedIn(hwnd, L"LinkZIZBtn"), 0xA8) << "no hover colour";
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    ASSERT_TRUE(GetCursorInfo(&cursor));
    EXPECT_NE(cursor.hCursor, LoadCursorW(nullptr, IDC_HAND)) << "no hand cursor";

    // A click on it, then the pointer back on the button: once that lights
    // up, the click before it has been handled.
    CAppUnderTest::Click(hwnd, CAppUnderTest::LayoutCentre({L"LinkZIZBtn"}));
    CAppUnderTest::MoveTo(hwnd, ButtonCentre());
    ASSERT_TRUE(WaitUntil([&] { return ButtonShows(hwnd, kOverclockButtonHot, kOverclockButtonHot); }, kWait));
    for (const char* line : {"link opened", "link not opened", "link refused"})
        EXPECT_EQ(CAppUnderTest::CountInLog(line), 0) << line;
    EXPECT_EQ(ChildrenOf(app.Pid(0)), children) << "nothing started";
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

namespace {

// Every switch the shipped files once took from the environment, which an
// unelevated process of the same user can set for the elevated program.
const wchar_t* const kFormerVariables[] = {
    L"VELOTUNE_SIM_STATE",      L"VELOTUNE_SIM_PROFILE",   L"VELOTUNE_USBKEY_PROFILE", L"VELOTUNE_USBKEY_RECORD",
    L"VELOTUNE_USBKEY_EVENT",   L"VELOTUNE_SVC_PROFILE",   L"VELOTUNE_SVC_RECORD",     L"VELOTUNE_OCWMI_RECORD",
    L"VELOTUNE_OCWMI_EVENT",    L"VELOTUNE_P2SP_RECORD",   L"VELOTUNE_P2SP_SOURCE",    L"VELOTUNE_P2SP_CACHE",
    L"VELOTUNE_P2SP_FAIL",      L"VELOTUNE_P2SP_SLOW",     L"VELOTUNE_NO_REBOOT",      L"VELOTUNE_TEST_WORKER_HOLD",
    L"VELOTUNE_TEST_WORKER_START_FAILS"};

// Sets them all, for the programs this test starts, to files of a folder
// outside the copy (numbers and names where a switch wants those).
class NeighbourEnvironment {
public:
    NeighbourEnvironment() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"vt_elsewhere_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_folder.c_str(), nullptr);
        // A processor of another make, were the profile taken.
        TestPaths::WriteFileBytes(m_folder + L"\\VELOTUNE_SIM_PROFILE",
                                  "[Processor]\r\nBrandString=Elsewhere CPU\r\nCoreCount=2\r\n");
        for (const wchar_t* name : kFormerVariables) {
            std::wstring value = m_folder + L"\\" + name;
            if (wcsstr(name, L"_FAIL") || wcsstr(name, L"_CACHE") || wcsstr(name, L"REBOOT")) value = L"1";
            if (wcsstr(name, L"_EVENT") || wcsstr(name, L"_HOLD")) value = L"Local\\VelotuneElsewhere";
            SetEnvironmentVariableW(name, value.c_str());
        }
    }
    ~NeighbourEnvironment() {
        for (const wchar_t* name : kFormerVariables) SetEnvironmentVariableW(name, nullptr);
        DeleteFileW((m_folder + L"\\VELOTUNE_SIM_PROFILE").c_str());
        RemoveDirectoryW(m_folder.c_str());
    }
    // What was written there besides the profile this test put there.
    std::vector<std::wstring> Written() const {
        std::vector<std::wstring> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
            std::wstring name = entry.path().filename().wstring();
            if (name != L"VELOTUNE_SIM_PROFILE") names.push_back(name);
        }
        return names;
    }

private:
    std::wstring m_folder;
};

}  // namespace

// A neighbour's environment, inherited by the elevated program and its
// stand-ins: nothing is written where it points, and nothing changes.
TEST_F(AppStart, FormerEnvironmentSwitchesSteerNothing) {
    WriteState("[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n");
    NeighbourEnvironment neighbour;
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(CAppUnderTest::CountInLog("Elsewhere CPU"), 0);
    // The one-click action runs: the worker starts, and the state file of
    // the copy, no other, gets the overclock.
    CAppUnderTest::AskForAction(hwnd);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 2", kWait));
    EXPECT_EQ(CAppUnderTest::ActiveValue(L"29"), 43);
    EXPECT_EQ(CAppUnderTest::CountInLog("overclock worker start refused"), 0);
    EXPECT_EQ(CAppUnderTest::CountInLog("held after posting"), 0);
    CAppUnderTest::AskForAction(hwnd);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2));
    ExpectRatios(kStock, "restored");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    EXPECT_EQ(neighbour.Written(), std::vector<std::wstring>{});
}

// The old instance name, made first by a neighbour as an event or as a
// mutex open to everyone: one copy runs, and the restore switch restores.
TEST_F(AppInstance, InstanceNameTakenFirstNeitherBlocksNorDoubles) {
    vt::UniqueLocal sd;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;WD)", SDDL_REVISION_1, sd.Put(),
                                                                     nullptr));
    SECURITY_ATTRIBUTES everyone = {sizeof(everyone), sd.Get(), FALSE};
    const wchar_t kOldName[] = L"Global\\{23076CD6-9899-4539-9F69-66C00851251A}";
    for (int asMutex = 0; asMutex < 2; ++asMutex) {
        SCOPED_TRACE(asMutex ? "mutex" : "event");
        vt::UniqueHandle taken(asMutex ? CreateMutexW(&everyone, TRUE, kOldName)
                                       : CreateEventW(&everyone, TRUE, TRUE, kOldName));
        ASSERT_TRUE(taken.Valid());
        {
            CAppUnderTest app;
            HWND hwnd = app.StartReady();
            ASSERT_NE(hwnd, nullptr);
            ASSERT_TRUE(app.Start());
            EXPECT_EQ(app.WaitExit(kWait), 1);
            EXPECT_TRUE(CAppUnderTest::WaitLog("AppSingleton exist", kWait));
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            EXPECT_EQ(WaitForSingleObject(app.Process(0), kWait), (DWORD)WAIT_OBJECT_0);
        }
        WriteState("[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n");
        CAppUnderTest restore;
        ASSERT_TRUE(restore.Start(L"/RestoreOverclocking"));
        EXPECT_EQ(restore.WaitExit(kWait), 1);
        ExpectRatios(kStock, "restored");
    }
}

// Started without administrator rights (the program's own test switch,
// which only an administrator can set, stands in for that under Wine), the
// restore switch is run by an elevated copy, whose exit code comes back.
TEST_F(AppRestoreSwitch, NotElevatedTheElevatedCopysExitCodeComesBack) {
    const double kOverclocked[] = {43, 42, 41, 40};
    struct Case {
        const char* faults;
        int code;
        const double* after;
    } const cases[] = {{nullptr, 1, kStock}, {"ApplyFails=1", 2, kOverclocked}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        WriteState("[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n");
        CAppUnderTest app;
        if (c.faults) app.UseProfile(FaultProfile(L"test_app_restore_handover.ini", c.faults));
        app.UseSwitch(L"RESTORE_NOT_ELEVATED", L"1");
        ASSERT_TRUE(app.Start(L"/RestoreOverclocking"));
        EXPECT_EQ(app.WaitExit(kWait), c.code);
        ExpectRatios(c.after, "after the hand-over");
        EXPECT_TRUE(CAppUnderTest::WaitLog(
            "[RestoreOverclocking] not elevated: the elevated copy ended with " + std::to_string(c.code), kWait));
        EXPECT_EQ(FindWindowW(L"Velotune", nullptr), nullptr) << "no window";
    }
}

namespace {

// The pointer rests on a control of the main window until its tooltip
// shows; the tooltip window, or null. The pointer shakes by a pixel as a
// hand does: under Wine a window sometimes hears of a leave just after the
// pointer arrived, and only the next move makes the control hot again.
// The program's tooltip window while it is on screen, else null.
HWND ShownToolTip(CAppUnderTest& app) {
    for (HWND w : TopWindowsOf(app.Pid(0), L"tooltips_class32"))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

// Rests the pointer on `control` until `done`, nudging it a pixel now and
// then: under Wine a pointer motion the X server reports late can put the
// pointer back where it was for the program, and a user's hand moves anyway.
bool RestOnUntil(HWND hwnd, const wchar_t* control, const std::function<bool()>& done) {
    const POINT at = CAppUnderTest::LayoutCentre({control});
    int n = 0;
    return WaitUntil(
        [&] {
            if (done()) return true;
            CAppUnderTest::MoveTo(hwnd, POINT{at.x + (++n / 10) % 2, at.y});
            return false;
        },
        kWait);
}

HWND HoverUntilToolTip(CAppUnderTest& app, HWND hwnd, const wchar_t* control) {
    HWND tip = nullptr;
    RestOnUntil(hwnd, control, [&] { return (tip = ShownToolTip(app)) != nullptr; });
    return tip;
}

std::wstring TextOf(HWND w) {
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    return text;
}

bool NearlyEqual(LONG a, LONG b) { return a - b <= 1 && b - a <= 1; }

// Every notice is one style: titled with the program's name, and centred on
// the main window while that is shown, else on its monitor's work area.
void ExpectNoticeOverMainWindow(HWND box, HWND main, bool placed) {
    ASSERT_NE(box, nullptr);
    RECT b = {}, over = {};
    GetWindowRect(box, &b);
    if (IsWindowVisible(main) && !IsIconic(main)) {
        GetWindowRect(main, &over);
    } else {
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &mi);
        over = mi.rcWork;
    }
    EXPECT_TRUE(!placed || (NearlyEqual(b.left + b.right, over.left + over.right) &&
                            NearlyEqual(b.top + b.bottom, over.top + over.bottom)))
        << "box " << b.left << "," << b.top << "," << b.right << "," << b.bottom << " over " << over.left << ","
        << over.top << "," << over.right << "," << over.bottom;
    // Seen: at its middle the box is what is on the screen, not the main
    // window (which stays on top of other windows).
    const POINT middle = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(middle), box) << "the box is above every other window";
    EXPECT_EQ(TextOf(box), L"Velotune") << "the window text (STR_REMINDER)";
    // The title line: every box so far was titled with the program's name.
    EXPECT_GE(CAppUnderTest::CountInLog("[MsgBox] title \"Velotune\""), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("[MsgBox] title "), CAppUnderTest::CountInLog("[MsgBox] title \"Velotune\""))
        << CAppUnderTest::ReadLog();
}

}  // namespace

// A real hover over the title bar's buttons shows each one's tooltip, in the
// chosen language; leaving the button or pressing it hides it.
TEST_F(AppStart, TitleButtonsShowTheirTooltipsAfterAHover) {
    const struct {
        const wchar_t* language;
        const wchar_t* settings;
        const wchar_t* minimise;
        const char* font;  // every window's, the main one's too
    } cases[] = {{nullptr, L"\u8bbe\u7f6e", L"\u6700\u5c0f\u5316", "Microsoft YaHei"},
                 {L"en", L"Settings", L"Minimise", "Tahoma"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language ? "English" : "Chinese");
        // The prefix has no value otherwise, which means Chinese.
        LanguagesValue language;
        if (c.language) language.Set(c.language);
        else language.Delete();
        CAppUnderTest app;
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(WaitAtCorner(hwnd)) << "where it stays while the pointer rests";
        EXPECT_EQ(CAppUnderTest::CountInLog(std::string("font for the language: ") + c.font), 1);
        // The tooltip's library comes with the first tip, not with the start.
        EXPECT_FALSE(HasModule(app.Pid(0), L"comctl32.dll"));
        // From the dial onto "=": the tooltip comes after the hover time.
        SetForegroundWindow(hwnd);
        CAppUnderTest::MoveTo(hwnd, CAppUnderTest::LayoutCentre({L"panel"}));
        HWND tip = HoverUntilToolTip(app, hwnd, L"SettingBtn");
        ASSERT_NE(tip, nullptr) << "the tooltip of \"=\"";
        EXPECT_EQ(TextOf(tip), c.settings);
        EXPECT_TRUE(HasModule(app.Pid(0), L"comctl32.dll")) << "the module list is read";
        RECT rc = {};
        GetWindowRect(tip, &rc);
        POINT button = CAppUnderTest::LayoutCentre({L"SettingBtn"});
        ClientToScreen(hwnd, &button);
        EXPECT_GT(rc.top, button.y) << "below the pointer";
        // Off the button: it goes.
        EXPECT_TRUE(RestOnUntil(hwnd, L"panel", [&] { return ShownToolTip(app) == nullptr; })) << "hidden on leaving";
        // "-": its own text; a press hides it (and minimises the window).
        tip = HoverUntilToolTip(app, hwnd, L"MinBtn");
        ASSERT_NE(tip, nullptr) << "the tooltip of \"-\"";
        EXPECT_EQ(TextOf(tip), c.minimise);
        CAppUnderTest::Click(hwnd, CAppUnderTest::LayoutCentre({L"MinBtn"}));
        EXPECT_TRUE(WaitUntil([&] { return ShownToolTip(app) == nullptr; }, kWait)) << "hidden on a press";
        EXPECT_EQ(TopWindowsOf(app.Pid(0), L"tooltips_class32").size(), 1u) << "one tooltip window per window";
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
}

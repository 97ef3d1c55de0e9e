// The real program: no update engine is ever started, so at every start
// the update window asks the main window to show itself at the corner of
// the work area, once, and closes without ever appearing.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/AppUnderTest.h"
#include "support/TopWindows.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

// Any update window of the process on screen?
bool UpdateWindowShown(DWORD pid) {
    for (HWND hwnd : TopWindowsOf(pid, L"VelotuneUpdate"))
        if (IsWindowVisible(hwnd)) return true;
    return false;
}

}  // namespace

TEST(AppUpdate, EveryStartShowsTheMainWindowAtTheCornerOnceAndTheUpdateWindowNeverAppears) {
    DeleteFileW(CAppUnderTest::StatePath().c_str());
    CAppUnderTest app;
    ASSERT_TRUE(app.Start());
    bool shown = false;
    HWND hwnd = nullptr;
    DWORD start = GetTickCount();
    // Watch the screen from the start until the update window has gone.
    while (CAppUnderTest::CountInLog("update window closed") < 1 && GetTickCount() - start < kWait) {
        shown = shown || UpdateWindowShown(app.Pid(0));
        if (!hwnd) hwnd = app.WaitMainWindow(0, 1);
        Sleep(10);
    }
    ASSERT_EQ(CAppUnderTest::CountInLog("update window closed"), 1);
    ASSERT_NE(hwnd = app.WaitMainWindow(0, kWait), nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
    EXPECT_FALSE(shown);

    EXPECT_EQ(CAppUnderTest::CountInLog("error updater not begin"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("check result 0"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("UM_SHOW_AT_CORNER posted"), 1);
    EXPECT_EQ(CAppUnderTest::CountInLog("Processor::ManualCheckUpdate]"), 1) << "logged under CUpdateProcessor::ManualCheckUpdate";
    EXPECT_EQ(CAppUnderTest::CountInLog("download requested"), 0);

    // The main window sits in the corner of the work area, on top.
    RECT work = {}, rc = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right, work.right);
    EXPECT_EQ(rc.bottom, work.bottom);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(FindWindowW(L"VelotuneUpdate", nullptr), nullptr);

    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitExit(kWait), 0);
}

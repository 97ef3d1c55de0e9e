// The real program: no update engine is ever started, so at every start
// the update window asks the main window to show itself at the corner of
// the work area, once, and closes without ever appearing.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/AppUnderTest.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

struct Watch {
    DWORD pid;
    bool shown;
};

// Any update window of the process on screen?
BOOL CALLBACK SeeUpdateWindow(HWND hwnd, LPARAM param) {
    auto* w = reinterpret_cast<Watch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 63);
    if (pid == w->pid && wcscmp(cls, L"VelotuneUpdate") == 0 && IsWindowVisible(hwnd)) w->shown = true;
    return TRUE;
}

}  // namespace

TEST(AppUpdate, EveryStartShowsTheMainWindowAtTheCornerOnceAndTheUpdateWindowNeverAppears) {
    DeleteFileW(CAppUnderTest::StatePath().c_str());
    CAppUnderTest app;
    ASSERT_TRUE(app.Start());
    Watch watch{app.Pid(0), false};
    HWND hwnd = nullptr;
    DWORD start = GetTickCount();
    // Watch the screen from the start until the update window has gone.
    while (CAppUnderTest::CountInLog("update window closed") < 1 && GetTickCount() - start < kWait) {
        EnumWindows(&SeeUpdateWindow, reinterpret_cast<LPARAM>(&watch));
        if (!hwnd) hwnd = app.WaitMainWindow(0, 1);
        Sleep(10);
    }
    ASSERT_EQ(CAppUnderTest::CountInLog("update window closed"), 1);
    ASSERT_NE(hwnd = app.WaitMainWindow(0, kWait), nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::InitViewInfo Exit", kWait));
    EXPECT_FALSE(watch.shown);

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

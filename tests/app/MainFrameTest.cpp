// The main window's status machine and dial arithmetic, without a window:
// what reaches the log and the application state.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "log/BaseLog.h"
#include "mainframe/MainFrame.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"

namespace {

std::wstring LogPath() { return TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"); }

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
    frame.Custom(UM_USBKEY_EVENT, 0, 0);
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
    EXPECT_FALSE(frame.GetAngleByFrequency(4.25f, angle));
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

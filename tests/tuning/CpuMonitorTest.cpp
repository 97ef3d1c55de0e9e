#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/MessageRecorder.h"
#include "support/Pump.h"
#include "SimCpu.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "support/TestPaths.h"
#include "tuning/CpuMonitorThread.h"
#include "settings/Settings.h"
#include "tuning/OverClockSdkInterface.h"

namespace {

constexpr DWORD kSafetyMs = 30000;
const char kFile[] = "CpuMonitorThread";
const char kFn[] = "CCpuMonitorThread::CpuMonitor";
using Texts = std::vector<std::string>;

// The monitor's own lines and those of its in/out scope, in order.
Texts MonitorTexts(const LogCapture& log) {
    const std::string own = LogCapture::Tag(kFile, kFn);
    const std::string in = LogCapture::Tag("LogInOut", "CLogInOut::CLogInOut");
    const std::string out = LogCapture::Tag("LogInOut", "CLogInOut::~CLogInOut");
    Texts t;
    for (const LogLine& l : log.Lines())
        if (l.tag == own || ((l.tag == in || l.tag == out) && l.text.find("CCpuMonitorThread::CpuMonitor") == 0))
            t.push_back(l.text);
    return t;
}

std::wstring g_settingsPath;
std::wstring SettingsPath() { return g_settingsPath; }

// The settings INI with "MonitorTime" = `value`, or without the key.
void UseMonitorTime(const char* value) {
    static int serial = 0;
    g_settingsPath = TestPaths::Join(TestPaths::TestDir(),
                                     L"tuning_sim\\settings_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                         std::to_wstring(++serial) + L".ini");
    std::string text = "[OverClockingKey]\r\nquickkey=O\r\n";
    if (value) text += std::string("MonitorTime=") + value + "\r\n";
    TestPaths::WriteFileBytes(g_settingsPath, text);
}

// The SDK as the CPU reader leaves it: loaded and initialised.
void BringSdkUp() {
    IOverClockSdkInterface::Instance()->BringUpSdk();
}

class CpuMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetAppState().hMainWnd = rec.Hwnd();
        monitor.SetSettingsPathSource(&SettingsPath);
    }
    void TearDown() override {
        monitor.Stop(5000);
        GetAppState().hMainWnd = nullptr;
    }

    bool Ended() const { return WaitForSingleObject(monitor.ThreadHandle(), 0) == WAIT_OBJECT_0; }
    void StopAndWait() {
        HANDLE h = monitor.ThreadHandle();
        SetEvent(monitor.StopEvent());
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, kSafetyMs));
        PumpFor(30);
    }
    size_t Readings() const { return rec.Count(UM_FREQUENCY_CHANGE); }
    // Runs `own` until its first reading; the monitor's lines since `since`.
    Texts FirstReading(CCpuMonitorThread& own, const LogCapture& since) {
        rec.Clear();
        EXPECT_TRUE(own.Start(rec.Hwnd()));
        EXPECT_TRUE(PumpUntil([&] { return Readings() >= 1; }, kSafetyMs));
        own.Stop(kSafetyMs);
        return MonitorTexts(since);
    }
    size_t LogCount(const std::string& text) const {
        size_t n = 0;
        for (const std::string& t : MonitorTexts(log))
            if (t == text) ++n;
        return n;
    }
    size_t GhzLines() const {
        size_t n = 0;
        for (const std::string& t : MonitorTexts(log))
            if (t.size() > 4 && t.compare(t.size() - 4, 4, " GHZ") == 0) ++n;
        return n;
    }

    MessageRecorder rec;
    LogCapture log;
    CCpuMonitorThread monitor;
};

TEST_F(CpuMonitorTest, WithoutTheKeyThePeriodIsOneSecond) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    UseMonitorTime(nullptr);
    ASSERT_TRUE(monitor.Start(rec.Hwnd()));
    PumpFor(2000);
    StopAndWait();
    Texts t = MonitorTexts(log);
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ("CCpuMonitorThread::CpuMonitor in.", t[0]);
    EXPECT_EQ("[CpuMonitor] Time=1000", t[1]);
    // At once, then one per second: two or three readings in two seconds.
    EXPECT_GE(Readings(), 1u);
    EXPECT_LE(Readings(), 3u);
}

TEST_F(CpuMonitorTest, ReadingsCarryTheCurrentFrequencyAndAreLogged) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    UseMonitorTime("250");
    ASSERT_TRUE(monitor.Start(rec.Hwnd()));
    PumpFor(2000);
    StopAndWait();
    // About four a second: eight in two seconds, with room for a slow machine.
    EXPECT_GE(Readings(), 3u);
    EXPECT_LE(Readings(), 10u);
    for (const RecordedMessage& m : rec.Messages()) {
        ASSERT_EQ(UM_FREQUENCY_CHANGE, m.message);
        EXPECT_EQ(reinterpret_cast<WPARAM>(CCpuMonitorThread::CurrentFrequency()), m.wParam);
        EXPECT_EQ(0, m.lParam);
        EXPECT_GT(m.frequency, 0.5);
        EXPECT_LT(m.frequency, 10.0);
    }
    Texts t = MonitorTexts(log);
    ASSERT_GE(t.size(), 3u);
    EXPECT_EQ("[CpuMonitor] Time=250", t[1]);
    EXPECT_EQ(Readings(), GhzLines());
    char last[64];
    std::snprintf(last, sizeof(last), "%f GHZ", CCpuMonitorThread::CurrentFrequency()->load());
    EXPECT_EQ(last, t[t.size() - 2]);
    EXPECT_EQ(0u, t.back().rfind("CCpuMonitorThread::CpuMonitor out and tick ", 0)) << t.back();
}

// The period goes through the settings reader: what is not a number, or not
// a wait, gives the default; a period that would keep a core busy is raised.
TEST_F(CpuMonitorTest, PeriodIsTheSettingsReadersValue) {
    struct Case {
        const char* value;
        const char* period;
        const char* file;  // the reader's own line, if any
        const char* function;
        const char* line;
    };
    const Case cases[] = {
        {"abc", "[CpuMonitor] Time=1000", "SettingsFile", "CSettingsFile::ReadInt",
         "[OverClockingKey] MonitorTime=\"abc\" is not a valid number, using 1000"},
        {"12abc", "[CpuMonitor] Time=1000", "SettingsFile", "CSettingsFile::ReadInt",
         "[OverClockingKey] MonitorTime=\"12abc\" is not a valid number, using 1000"},
        {"-5", "[CpuMonitor] Time=1000", "SettingsFile", "CSettingsFile::GetMonitorTime",
         "MonitorTime -5 is negative, using 1000"},
        {"0", "[CpuMonitor] Time=100", "SettingsFile", "CSettingsFile::GetMonitorTime",
         "MonitorTime 0 is below 100 ms, using 100"},
        {"99", "[CpuMonitor] Time=100", "SettingsFile", "CSettingsFile::GetMonitorTime",
         "MonitorTime 99 is below 100 ms, using 100"},
        {"100", "[CpuMonitor] Time=100", nullptr, nullptr, nullptr},
    };
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        LogCapture local;
        UseMonitorTime(c.value);
        CCpuMonitorThread own;
        own.SetSettingsPathSource(&SettingsPath);
        Texts t = FirstReading(own, local);
        ASSERT_GE(t.size(), 2u);
        EXPECT_EQ(c.period, t[1]);
        if (c.line) {
            EXPECT_EQ(Texts{c.line}, local.Texts(c.file, c.function));
        } else {
            EXPECT_TRUE(local.Texts("SettingsFile", "CSettingsFile::GetMonitorTime").empty());
        }
    }
}

TEST_F(CpuMonitorTest, StopDuringAWaitEndsWithinThatWait) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    UseMonitorTime("600000");
    ASSERT_TRUE(monitor.Start(rec.Hwnd()));
    ASSERT_TRUE(PumpUntil([&] { return Readings() >= 1; }, kSafetyMs));  // the first one comes at once
    StopAndWait();  // a ten-minute wait: ending at all means ending within it
    EXPECT_EQ(1u, Readings());
    Texts t = MonitorTexts(log);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(0u, t.back().rfind("CCpuMonitorThread::CpuMonitor out and tick ", 0)) << t.back();
}

TEST_F(CpuMonitorTest, MonitorNeverReadyLogsOncePerPeriodAndPostsNothing) {
    SimCpu::Use(SimCpu::Standard(4, "MonitorNeverReady=1\r\n"));
    BringSdkUp();
    UseMonitorTime("100");
    ASSERT_TRUE(monitor.Start(rec.Hwnd()));
    PumpFor(1000);
    StopAndWait();
    EXPECT_EQ(0u, Readings());
    EXPECT_EQ(0u, GhzLines());
    // One line per period: ten in a second, with room for a slow machine.
    size_t notReady = LogCount("[CpuMonitor] MonitorIsReady  FALSE");
    EXPECT_GE(notReady, 3u);
    EXPECT_LE(notReady, 11u);
    Texts t = MonitorTexts(log);
    EXPECT_EQ(t.size(), notReady + 3);  // in, Time, one per period, out
}

TEST_F(CpuMonitorTest, ExceptionInAPeriodIsCaughtAndSamplingGoesOn) {
    std::string throwing = SimCpu::Standard(4, "MonitorThrows=1\r\n");
    SimCpu::Use(throwing);
    BringSdkUp();
    UseMonitorTime("100");
    ASSERT_TRUE(monitor.Start(rec.Hwnd()));
    ASSERT_TRUE(PumpUntil([&] { return LogCount("[CpuMonitor]  [catch] ...") >= 3; }, kSafetyMs));
    EXPECT_EQ(0u, Readings());
    // The driver recovers: the same monitor goes on to post readings.
    SimCpu::Rewrite(SimCpu::Standard(4));
    BringSdkUp();
    EXPECT_TRUE(PumpUntil([&] { return Readings() >= 2; }, kSafetyMs));
    StopAndWait();
    EXPECT_GE(GhzLines(), 2u);
}

// The program's own settings file: nothing before its path is resolved, then
// "<exe name>.ini" beside the executable.
TEST_F(CpuMonitorTest, ReadsThePeriodFromTheProgramSettingsOnceResolved) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    const std::wstring ini = TestPaths::Join(TestPaths::TestDir(), L"test_tuning.ini");
    TestPaths::WriteFileBytes(ini, "[OverClockingKey]\r\nMonitorTime=300\r\n");
    for (bool resolved : {false, true}) {
        SCOPED_TRACE(resolved);
        if (resolved) {
            ASSERT_TRUE(InitSettingsPath());
        }
        LogCapture local;
        CCpuMonitorThread own;
        Texts t = FirstReading(own, local);
        ASSERT_GE(t.size(), 2u);
        EXPECT_EQ(resolved ? "[CpuMonitor] Time=300" : "[CpuMonitor] Time=1000", t[1]);
    }
    DeleteFileW(ini.c_str());
}

TEST_F(CpuMonitorTest, WithoutAUsableSdkTheMonitorEndsAtOnce) {
    struct Case {
        const char* fault;
        const char* line;
    };
    for (const Case& c : {Case{"NoRoot=1\r\n", "[CpuMonitor] NULL == pSdk"},
                          Case{"InitFails=1\r\n", "[CpuMonitor] IsInitOK FALSE"},
                          Case{"NoMonitoringLibrary=1\r\n", "[CpuMonitor] pMonitoringLib = NULL"}}) {
        SCOPED_TRACE(c.fault);
        LogCapture local;
        SimCpu::Use(SimCpu::Standard(4, c.fault));
        BringSdkUp();
        UseMonitorTime("100");
        ASSERT_TRUE(monitor.Start(rec.Hwnd()));
        HANDLE h = monitor.ThreadHandle();
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, kSafetyMs));
        PumpFor(30);
        monitor.Stop(1000);
        EXPECT_EQ(0u, Readings());
        Texts t = MonitorTexts(local);
        ASSERT_EQ(4u, t.size());
        EXPECT_EQ("CCpuMonitorThread::CpuMonitor in.", t[0]);
        EXPECT_EQ("[CpuMonitor] Time=100", t[1]);
        EXPECT_EQ(c.line, t[2]);
        EXPECT_EQ(0u, t[3].rfind("CCpuMonitorThread::CpuMonitor out and tick ", 0)) << t[3];
    }
}

}  // namespace

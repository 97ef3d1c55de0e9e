#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/MessageRecorder.h"
#include "support/Pump.h"
#include "SimCpu.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverClockThread.h"

namespace {

constexpr DWORD kSafetyMs = 60000;
const char kFile[] = "OverClockThread";
using Texts = std::vector<std::string>;

void BringSdkUp() {
    IOverClockSdkInterface::Instance()->BringUpSdk();
}

// The values the SDK reports as active now, read back through the SDK.
double ActiveValue(uint32_t id) {
    IOverclockingSdk* sdk = IOverClockSdkInterface::Instance()->GetInterface();
    ITuningLibrary* lib = sdk ? sdk->GetTuningLibrary() : nullptr;
    ClientTuningControl c{};
    if (!lib || !lib->GetControl(id, &c)) return -1;
    return c.ActiveValue;
}

std::string Fmt(const char* format, double v) {
    char b[128];
    std::snprintf(b, sizeof(b), format, v);
    return b;
}
std::string FmtId(const char* format, uint32_t v) {
    char b[128];
    std::snprintf(b, sizeof(b), format, v);
    return b;
}

const std::vector<uint32_t> kFourCores = {29, 30, 31, 32};

class OverClockTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(rec.Hwnd()); }
    void TearDown() override {
        worker.Stop(10000);
        ResetAppState(nullptr);
    }
    static void ResetAppState(HWND mainWindow) {
        AppState& s = GetAppState();
        s.hMainWnd = mainWindow;
        s.nStatus = STATUS_OVERCLOCK_INIT;
        s.g_bThisCPUHaveCustomData = false;
        s.stCustomData = CpuCustomData();
    }

    // As the main window does it: status first, then the start event; waits for the answer.
    const RecordedMessage* RunOnce(LONG status) {
        if (!worker.ThreadHandle()) {
            if (!worker.Start(rec.Hwnd())) return nullptr;
        }
        size_t before = rec.Messages().size();
        GetAppState().nStatus = status;
        if (!worker.RequestRun()) return nullptr;
        if (!PumpUntil([&] { return rec.Messages().size() > before; }, kSafetyMs)) return nullptr;
        return &rec.Messages()[before];
    }

    // One overclocking run on a processor of `profile`, the SDK brought up first.
    const RecordedMessage* OverclockOn(const std::string& profile) {
        SimCpu::Use(profile);
        BringSdkUp();
        return RunOnce(STATUS_OVERCLOCK_ING);
    }

    Texts Lines(const char* fn) const { return log.Texts(kFile, fn); }
    // The value each line of `fn` carries in `format` (one conversion), in log order.
    template <class T>
    std::vector<T> Scanned(const char* fn, const char* format) const {
        std::vector<T> values;
        for (const std::string& t : Lines(fn)) {
            T v{};
            if (std::sscanf(t.c_str(), format, &v) == 1) values.push_back(v);
        }
        return values;
    }
    // Ids in the order they were proposed (from the append log lines).
    std::vector<uint32_t> ProposedIds() const {
        return Scanned<uint32_t>("COverClockThread::AppendControlOverclocking", "[AppendControlOverclocking] Id=0x%X");
    }
    std::vector<double> NewValues() const {
        return Scanned<double>("COverClockThread::AppendControlOverclocking",
                               "[AppendControlOverclocking] new_value=%lf");
    }
    std::vector<uint32_t> ResultIds() const {
        return Scanned<uint32_t>("COverClockThread::ApplyOverclocking",
                                 "[ApplyOverclocking] ClientTuningProposalResult.Id=0x%X");
    }

    MessageRecorder rec;
    LogCapture log;
    COverClockThread worker;
};

TEST_F(OverClockTest, FourCoresUnlistedProposeTwoStepsAboveTheProposalAndApply) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(UM_OVERCLOCK_FINISH, m->message);
    EXPECT_EQ(0u, m->wParam);
    EXPECT_EQ(1, m->lParam);
    EXPECT_EQ(kFourCores, ProposedIds());
    EXPECT_EQ(kFourCores, ResultIds());

    // The whole run, line by line.
    Texts expected = {"[Overclocking] in", "[Overclocking] nCoreCount=4"};
    for (int i = 0; i < 4; ++i) {
        char b[64];
        std::snprintf(b, sizeof(b), "[Overclocking] i=%d, id=%d", i, (int)kFourCores[i]);
        expected.push_back(b);
    }
    expected.push_back("[Overclocking] out success");
    EXPECT_EQ(expected, Lines("COverClockThread::Overclocking"));
    EXPECT_EQ((Texts{"[Overclocking] bRet=true nCurStatus=1"}), Lines("COverClockThread::ThreadOverClock"));

    Texts append;
    for (uint32_t id : kFourCores) {
        double def = SimCpu::StandardDefault(id), proposed = def + 5, nv = proposed + 2.0;
        append.push_back("[AppendControlOverclocking] name=Control " + std::to_string(id));
        append.push_back("[AppendControlOverclocking] front=8.000000");
        append.push_back("[AppendControlOverclocking] back=60.000000");
        append.push_back(FmtId("[AppendControlOverclocking] Id=0x%X", id));
        append.push_back(Fmt("[AppendControlOverclocking] DefaultValue=%f", def));
        append.push_back(Fmt("[AppendControlOverclocking] ActiveValue=%f", def));
        append.push_back(Fmt("[AppendControlOverclocking] ProposedValue=%f", proposed));
        append.push_back(Fmt("[AppendControlOverclocking] new_value=%f", nv));
    }
    EXPECT_EQ(append, Lines("COverClockThread::AppendControlOverclocking"));

    Texts apply = {"[ApplyOverclocking] [in] nOrdinal=0", "CMainFrame::ApplyOverclocking: pTuningLib->ProposeChange"};
    for (uint32_t id : kFourCores) {
        apply.push_back(FmtId("[ApplyOverclocking] ClientTuningProposalResult.Id=0x%X", id));
        apply.push_back(Fmt("[ApplyOverclocking] ClientTuningProposalResult.Value=%f", SimCpu::StandardDefault(id) + 7));
        apply.push_back("[ApplyOverclocking] ClientTuningProposalResult.Enabled=true");
        apply.push_back("[ApplyOverclocking] ClientTuningProposalResult.RebootRequired=false");
    }
    apply.push_back("[ApplyOverclocking] bRestartRequired=0");
    apply.push_back("[ApplyOverclocking] [out] nOrdinal=0");
    EXPECT_EQ(apply, Lines("COverClockThread::ApplyOverclocking"));

    // What the worker applied is what the processor now runs at.
    std::map<uint32_t, double> state = SimCpu::StateValues();
    for (uint32_t id : kFourCores) {
        EXPECT_EQ(SimCpu::StandardDefault(id) + 7, ActiveValue(id)) << id;
        EXPECT_EQ(SimCpu::StandardDefault(id) + 7, state[id]) << id;
    }
}

TEST_F(OverClockTest, TwelveCoresUseTheTenTableIdsThenTheFirstAgain) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(12));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(1, m->lParam);
    EXPECT_EQ((std::vector<uint32_t>{29, 30, 31, 32, 42, 43, 96, 97, 107, 108, 29, 29}), ProposedIds());
    EXPECT_EQ((std::vector<uint32_t>{29, 30, 31, 32, 42, 43, 96, 97, 107, 108, 29, 29}), ResultIds());
}

TEST_F(OverClockTest, ListedProcessorAddsTenTimesTheStepToTheDefaultExactly) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    GetAppState().g_bThisCPUHaveCustomData = true;  // step stays at its default 0.3
    const RecordedMessage* m = RunOnce(STATUS_OVERCLOCK_ING);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(1, m->lParam);
    std::vector<double> values = NewValues();
    ASSERT_EQ(4u, values.size());
    for (size_t i = 0; i < 4; ++i) {
        double expected = SimCpu::StandardDefault(kFourCores[i]) + 3.0;
        EXPECT_EQ(expected, values[i]);
        EXPECT_EQ(expected, ActiveValue(kFourCores[i]));  // exactly, not 3.0000001
    }

    ClientTuningControl c{};
    c.DefaultValue = 40.0;
    c.ProposedValue = 45.0;
    EXPECT_EQ(43.0, worker.CalcOverclockingValue(c));
    GetAppState().stCustomData.floatOverclockingStep = 0.5f;
    EXPECT_EQ(45.0, worker.CalcOverclockingValue(c));
    GetAppState().g_bThisCPUHaveCustomData = false;
    EXPECT_EQ(47.0, worker.CalcOverclockingValue(c));
}

TEST_F(OverClockTest, RestoreProposesEachDefaultAndTheProcessorGoesBack) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4));
    ASSERT_NE(nullptr, m);
    ASSERT_EQ(1, m->lParam);
    ASSERT_EQ(SimCpu::StandardDefault(29) + 7, ActiveValue(29));

    LogCapture restoreLog;
    m = RunOnce(STATUS_REOVERCLOCK_ING);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(UM_RESTORE_FINISH, m->message);
    EXPECT_EQ(1, m->lParam);
    EXPECT_EQ((Texts{"[Overclocking] bRet=true nCurStatus=3"}),
              restoreLog.Texts(kFile, "COverClockThread::ThreadOverClock"));
    std::map<uint32_t, double> state = SimCpu::StateValues();
    for (uint32_t id : kFourCores) {
        EXPECT_EQ(SimCpu::StandardDefault(id), ActiveValue(id)) << id;
        EXPECT_EQ(SimCpu::StandardDefault(id), state[id]) << id;
    }
}

TEST_F(OverClockTest, DirectCallsRunOnTheCallersThread) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    ASSERT_TRUE(worker.Overclocking(true));
    ASSERT_EQ(SimCpu::StandardDefault(30) + 7, ActiveValue(30));
    GetAppState().nStatus = STATUS_REOVERCLOCK_ING;
    EXPECT_TRUE(worker.Overclocking(false));
    for (uint32_t id : kFourCores) EXPECT_EQ(SimCpu::StandardDefault(id), ActiveValue(id)) << id;
    EXPECT_TRUE(rec.Messages().empty());  // a direct call posts nothing
}

TEST_F(OverClockTest, RestStatusProposesNothingAndReportsAFailedRestore) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    for (LONG status : {STATUS_OVERCLOCK_INIT, STATUS_OVERCLOCK_OK}) {
        SCOPED_TRACE(status);
        LogCapture runLog;
        const RecordedMessage* m = RunOnce(status);
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(UM_RESTORE_FINISH, m->message);
        EXPECT_EQ(0, m->lParam);
        EXPECT_EQ(Texts(4, "[AppendControlOverclocking] Is Not OVERCLOCKING "),
                  runLog.Texts(kFile, "COverClockThread::AppendControlOverclocking"));
        Texts run = runLog.Texts(kFile, "COverClockThread::Overclocking");
        ASSERT_GE(run.size(), 2u);
        EXPECT_EQ("[Overclocking] not need to overclocking", run[run.size() - 2]);
        EXPECT_EQ("[Overclocking] out failed", run.back());
        EXPECT_TRUE(runLog.Texts(kFile, "COverClockThread::ApplyOverclocking").empty());
    }
    EXPECT_TRUE(SimCpu::StateValues().empty());  // nothing was ever applied
    EXPECT_EQ(SimCpu::StandardDefault(29), ActiveValue(29));
}

TEST_F(OverClockTest, StartRequestDuringARunIsAbsorbedByThatRun) {
    SimCpu::Use(SimCpu::Standard(4, "DelayMs=150\r\n"));
    BringSdkUp();
    ASSERT_TRUE(worker.Start(rec.Hwnd()));
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    ASSERT_TRUE(worker.RequestRun());
    // Ask again once the run is under way (the SDK's delay keeps it going for seconds).
    ASSERT_TRUE(PumpUntil([&] { return log.HasText("[Overclocking] nCoreCount=4"); }, kSafetyMs));
    ASSERT_TRUE(rec.Messages().empty());
    ASSERT_TRUE(worker.RequestRun());
    ASSERT_TRUE(PumpUntil([&] { return !rec.Messages().empty(); }, kSafetyMs));
    PumpFor(1500);
    EXPECT_EQ(1u, rec.Messages().size());
    EXPECT_EQ(1u, log.CountText("[Overclocking] in"));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(worker.StartEvent(), 0));
}

TEST_F(OverClockTest, PendingStartWinsOverStopThenTheWorkerEnds) {
    SimCpu::Use(SimCpu::Standard(4));
    BringSdkUp();
    GetAppState().nStatus = STATUS_OVERCLOCK_ING;
    ASSERT_TRUE(worker.Start(rec.Hwnd()));
    SetEvent(worker.StartEvent());
    SetEvent(worker.StopEvent());
    HANDLE h = worker.ThreadHandle();
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, kSafetyMs));
    PumpFor(30);
    ASSERT_EQ(1u, rec.Messages().size());
    EXPECT_EQ(UM_OVERCLOCK_FINISH, rec.Messages()[0].message);
    EXPECT_EQ(1, rec.Messages()[0].lParam);
}

TEST_F(OverClockTest, FailingProposeOrApplyReportsZero) {
    {
        LogCapture runLog;
        const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "ProposeFails=1\r\n"));
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(UM_OVERCLOCK_FINISH, m->message);
        EXPECT_EQ(0, m->lParam);
        EXPECT_EQ((Texts{"[ApplyOverclocking] [in] nOrdinal=0", "CMainFrame::ApplyOverclocking: pTuningLib->ProposeChange"}),
                  runLog.Texts(kFile, "COverClockThread::ApplyOverclocking"));
        EXPECT_EQ("[Overclocking] out failed", runLog.Texts(kFile, "COverClockThread::Overclocking").back());
    }
    {
        LogCapture runLog;
        const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "ApplyFails=1\r\n"));
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(0, m->lParam);
        Texts apply = runLog.Texts(kFile, "COverClockThread::ApplyOverclocking");
        ASSERT_FALSE(apply.empty());
        EXPECT_EQ("CMainFrame::Overclocking: Unable to apply changes to the hardware!", apply.back());
        EXPECT_EQ((Texts{"[Overclocking] bRet=false nCurStatus=1"}),
                  runLog.Texts(kFile, "COverClockThread::ThreadOverClock"));
        for (uint32_t id : kFourCores) EXPECT_EQ(SimCpu::StandardDefault(id), ActiveValue(id)) << id;
    }
}

TEST_F(OverClockTest, DisabledResultsAreLoggedAndTheReadBackFailsTheRun) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "ResultDisabled=1\r\n"));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(4u, log.CountText("[ApplyOverclocking] ClientTuningProposalResult.Enabled=false"));
    // Nothing was taken; the apply is still made and the SDK says yes, but
    // the controls read back at their defaults: the run has not overclocked.
    EXPECT_EQ(1u, log.CountText("[ApplyOverclocking] [out] nOrdinal=0"));
    EXPECT_TRUE(log.HasTextStarting("[Overclocking] read back: id=0x1D holds "));
    EXPECT_EQ(0, m->lParam);
    EXPECT_EQ(SimCpu::StandardDefault(29), ActiveValue(29));
}

TEST_F(OverClockTest, RequiredRebootIsOnlyLogged) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "ResultRebootRequired=1\r\n"));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(4u, log.CountText("[ApplyOverclocking] ClientTuningProposalResult.RebootRequired=true"));
    EXPECT_EQ(1u, log.CountText("[ApplyOverclocking] bRestartRequired=0"));
    EXPECT_EQ(UM_OVERCLOCK_FINISH, m->message);
    EXPECT_EQ(1, m->lParam);
}

TEST_F(OverClockTest, UnreadableControlIsSkipped) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "GetControlFailsFor=30\r\n"));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(1, m->lParam);
    EXPECT_EQ(1u, log.CountText("[Overclocking] pTuningLib->GetControl(id=0x1E) failed"));
    EXPECT_EQ((std::vector<uint32_t>{29, 31, 32}), ProposedIds());
    std::map<uint32_t, double> state = SimCpu::StateValues();
    EXPECT_EQ(SimCpu::StandardDefault(30), state[30]);
    EXPECT_EQ(SimCpu::StandardDefault(31) + 7, state[31]);
}

TEST_F(OverClockTest, NoReadableControlProposesNothing) {
    const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, "GetControlFailsFor=29,30,31,32\r\n"));
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(0, m->lParam);
    EXPECT_TRUE(log.HasText("[Overclocking] not need to overclocking"));
    EXPECT_TRUE(log.Texts(kFile, "COverClockThread::ApplyOverclocking").empty());
}

TEST_F(OverClockTest, UnusableSdkEndsTheRunWithZero) {
    struct Case {
        const char* fault;
        const char* line;  // the run's last line
    };
    for (const Case& c : {Case{"NoRoot=1\r\n", "[Overclocking] pSdk == NULL"},
                          Case{"CoresNotTunable=1\r\n", "[Overclocking] IsProcessorCoreTunable FALSE"},
                          Case{"NoTuningLibrary=1\r\n", "[Overclocking] pTuningLib == NULL"},
                          Case{"NoSystemInfo=1\r\n", "[Overclocking] out failed"},
                          Case{"NoProcessor=1\r\n", "[Overclocking] out failed"}}) {
        SCOPED_TRACE(c.fault);
        LogCapture runLog;
        const RecordedMessage* m = OverclockOn(SimCpu::Standard(4, c.fault));
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(UM_OVERCLOCK_FINISH, m->message);
        EXPECT_EQ(0, m->lParam);
        Texts run = runLog.Texts(kFile, "COverClockThread::Overclocking");
        ASSERT_FALSE(run.empty());
        EXPECT_EQ("[Overclocking] in", run.front());
        EXPECT_EQ(c.line, run.back());
    }
}

}  // namespace

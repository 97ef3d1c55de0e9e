#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "support/MessageRecorder.h"
#include "support/Pump.h"
#include "SimCpu.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/GetCpuInfoThread.h"
#include "tuning/OverClockSdkInterface.h"

namespace {

constexpr DWORD kSafetyMs = 30000;
const char kFile[] = "GetCpuInfoThread";
const char kFn[] = "CGetCpuInfoThread::GetCPUInformation";
using Texts = std::vector<std::string>;

// A loader for a library that is not there, as on a machine without the SDK.
class MissingSdkLoader : public IOverClockSdkInterface {
public:
    MissingSdkLoader() : IOverClockSdkInterface(L"OverclockingSdkWrapper_missing.dll") {}
};

std::string RatioControls() {
    std::string s;
    for (uint32_t id : {29u, 30u, 31u, 32u}) s += SimCpu::Control(id, 40);
    return s;
}

class CpuReaderTest : public ::testing::Test {
protected:
    void SetUp() override { GetAppState().hMainWnd = rec.Hwnd(); }
    void TearDown() override { GetAppState().hMainWnd = nullptr; }

    // One whole pass, then whatever it left in the queue.
    void RunToEnd(CGetCpuInfoThread& reader) {
        ASSERT_TRUE(reader.Start());
        HANDLE h = reader.ThreadHandle();
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }, kSafetyMs));
        PumpFor(50);
        reader.Stop(false);
    }

    std::vector<UINT> MessageIds() const {
        std::vector<UINT> ids;
        for (const RecordedMessage& m : rec.Messages()) ids.push_back(m.message);
        return ids;
    }

    // Begin, finish with success and the information message with `read`.
    void ExpectFullReport(const CGetCpuInfoThread& reader, LPARAM read) {
        ASSERT_EQ((std::vector<UINT>{UM_SDK_INIT_BEGIN, UM_SDK_INIT_FINISH, UM_GETCPUINFO_FINISH}), MessageIds());
        const auto& m = rec.Messages();
        EXPECT_EQ(0u, m[0].wParam);
        EXPECT_EQ(0, m[0].lParam);
        EXPECT_EQ(0u, m[1].wParam);
        EXPECT_EQ(1, m[1].lParam);
        EXPECT_EQ(reinterpret_cast<WPARAM>(reader.GetCpuInfo()), m[2].wParam);
        EXPECT_EQ(read, m[2].lParam);
    }

    MessageRecorder rec;
    LogCapture log;
};

TEST_F(CpuReaderTest, SplitsTheBrandAndReadsTheMaximumTurbo) {
    SimCpu::Use(SimCpu::Standard(4));
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 1);
    const CpuInfo* info = reader.GetCpuInfo();
    EXPECT_EQ(L"Dizaz(R) Velox(TM) V7-4760K ", info->m_strCpuName);
    EXPECT_EQ(L"V7-4760K", info->m_strCpuModel);
    EXPECT_EQ(L" 3.60GHz", info->m_strFrequence);
    EXPECT_EQ(4000.0, info->m_dMaxTurboMHz);
    EXPECT_EQ((Texts{"ControlId_Processor_Max_Turbo_Boost_CPU_Speed", "curspeed 4000.000000",
                     "Max_Turbo_Boost_CPU 4000.000000"}),
              log.Texts(kFile, kFn));
}

// Without the marker, or with nothing before it, the brand does not split
// and is the whole name.
TEST_F(CpuReaderTest, BrandThatDoesNotSplitIsTheWholeName) {
    for (const char* brand : {"Dizaz Velox Q9 Processor 2.9GHz", "CPU @ 3.00GHz"}) {
        SCOPED_TRACE(brand);
        rec.Clear();
        SimCpu::Use(SimCpu::Processor(brand, 4) + RatioControls());
        CGetCpuInfoThread reader;
        RunToEnd(reader);
        ExpectFullReport(reader, 1);
        EXPECT_EQ(std::wstring(brand, brand + strlen(brand)), reader.GetCpuInfo()->m_strCpuName);
        EXPECT_EQ(L"", reader.GetCpuInfo()->m_strCpuModel);
        EXPECT_EQ(L"", reader.GetCpuInfo()->m_strFrequence);
        EXPECT_EQ(4000.0, reader.GetCpuInfo()->m_dMaxTurboMHz);  // 29's ratio 40 x 100
    }
}

struct PreferenceCase {
    const char* label;
    std::vector<uint32_t> listOrder;
    double expectedMHz;
    const char* expectedName;
};

class CpuReaderPreference : public CpuReaderTest, public ::testing::WithParamInterface<PreferenceCase> {};

// Proposals: 0xD0000002 follows the active 1-core ratio (40 -> 4000 MHz),
// 0xD0000005 ratio 42, 29 ratio 41.
TEST_P(CpuReaderPreference, TakesTheFirstPreferredIdWhereverItStands) {
    const PreferenceCase& c = GetParam();
    std::string profile = SimCpu::Processor("Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", 4);
    for (uint32_t id : c.listOrder) {
        if (id == 0xD0000002u) profile += SimCpu::Control(id, 4000, 4300, 800, 6000, 100);
        else if (id == 0xD0000005u) profile += SimCpu::Control(id, 36, 42);
        else if (id == 29u) profile += SimCpu::Control(id, 40, 41);
        else profile += SimCpu::Control(id, 39);
    }
    SimCpu::Use(profile);
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 1);
    EXPECT_EQ(c.expectedMHz, reader.GetCpuInfo()->m_dMaxTurboMHz);
    char cur[64], max[64];
    std::snprintf(cur, sizeof(cur), "curspeed %lf", c.expectedMHz);
    std::snprintf(max, sizeof(max), "Max_Turbo_Boost_CPU %lf", c.expectedMHz);
    EXPECT_EQ((Texts{c.expectedName, cur, max}), log.Texts(kFile, kFn));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CpuReaderPreference,
    ::testing::Values(
        PreferenceCase{"all_max_last", {29u, 30u, 0xD0000005u, 0xD0000002u}, 4000.0,
                       "ControlId_Processor_Max_Turbo_Boost_CPU_Speed"},
        PreferenceCase{"all_max_first", {0xD0000002u, 29u, 0xD0000005u}, 4000.0,
                       "ControlId_Processor_Max_Turbo_Boost_CPU_Speed"},
        PreferenceCase{"max_and_29", {29u, 0xD0000002u}, 4000.0, "ControlId_Processor_Max_Turbo_Boost_CPU_Speed"},
        PreferenceCase{"core_ratio_after_29", {29u, 30u, 0xD0000005u}, 4200.0, "ControlId_Processor_Core_Ratio"},
        PreferenceCase{"only_29", {30u, 29u}, 4100.0, "ControlId_Processor_1_Active_Core_Ratio_Limit"}),
    [](const ::testing::TestParamInfo<PreferenceCase>& i) { return std::string(i.param.label); });

TEST_F(CpuReaderTest, OverclockingDisabledIsAFailedRead) {
    SimCpu::Use(SimCpu::Processor("Dizaz(R) Velox(TM) V5-3330 CPU @ 3.00GHz", 4, false) + RatioControls());
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 0);
    EXPECT_EQ((Texts{"[GetCPUInformation] error bEnableOver == false"}), log.Texts(kFile, kFn));
    EXPECT_EQ(L"", reader.GetCpuInfo()->m_strCpuName);  // untouched
    EXPECT_EQ(0.0, reader.GetCpuInfo()->m_dMaxTurboMHz);
}

TEST_F(CpuReaderTest, MissingSystemInfoOrProcessorIsAFailedRead) {
    SimCpu::Use(SimCpu::Standard(4, "NoSystemInfo=1\r\n"));
    {
        CGetCpuInfoThread reader;
        RunToEnd(reader);
        ExpectFullReport(reader, 0);
    }
    rec.Clear();
    SimCpu::Use(SimCpu::Standard(4, "NoProcessor=1\r\n"));
    {
        CGetCpuInfoThread reader;
        RunToEnd(reader);
        ExpectFullReport(reader, 0);
    }
    EXPECT_EQ((Texts{"[GetCPUInformation] error pSystemInfo == NULL", "[GetCPUInformation] error pProcessor == NULL"}),
              log.Texts(kFile, kFn));
}

TEST_F(CpuReaderTest, FailedInitialisationReportsOnlyBeginAndFailedFinish) {
    for (const char* fault : {"InitFails=1\r\n", "NoRoot=1\r\n"}) {
        SCOPED_TRACE(fault);
        rec.Clear();
        SimCpu::Use(SimCpu::Standard(4, fault));
        CGetCpuInfoThread reader;
        RunToEnd(reader);
        ASSERT_EQ((std::vector<UINT>{UM_SDK_INIT_BEGIN, UM_SDK_INIT_FINISH}), MessageIds());
        EXPECT_EQ(0, rec.Messages()[1].lParam);
    }
    EXPECT_TRUE(log.Texts(kFile, kFn).empty());
}

TEST_F(CpuReaderTest, MissingLibraryReportsOnlyBeginAndFailedFinish) {
    MissingSdkLoader loader;
    CGetCpuInfoThread reader(&loader);
    RunToEnd(reader);
    ASSERT_EQ((std::vector<UINT>{UM_SDK_INIT_BEGIN, UM_SDK_INIT_FINISH}), MessageIds());
    EXPECT_EQ(0, rec.Messages()[1].lParam);
    Texts load = log.Texts("OverClockSdkInterface", "IOverClockSdkInterface::LoadDll");
    ASSERT_EQ(1u, load.size());
    EXPECT_EQ(0u, load[0].rfind("[zqzq] load OverclockingSdkWrapper.dll  errorcode:", 0)) << load[0];
    EXPECT_NE("[zqzq] load OverclockingSdkWrapper.dll  errorcode:0", load[0]);
    EXPECT_EQ((Texts{"[zqzq] NULL == m_GetInterface"}),
              log.Texts("OverClockSdkInterface", "IOverClockSdkInterface::GetInterface"));
}

// Decided here: without any of the three controls there is nothing to read;
// the pass goes on with 0 and says why, and the window still gets the record.
TEST_F(CpuReaderTest, NoTurboControlListedStillReportsTheRecord) {
    SimCpu::Use(SimCpu::Processor("Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", 4) + SimCpu::Control(30, 39));
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 1);
    EXPECT_EQ(0.0, reader.GetCpuInfo()->m_dMaxTurboMHz);
    EXPECT_EQ(L"V7-4760K", reader.GetCpuInfo()->m_strCpuModel);
    EXPECT_EQ((Texts{"[GetCPUInformation] no maximum turbo control listed, max turbo stays 0.000000"}),
              log.Texts(kFile, kFn));
}

// A count no processor has is not believed: the pass reads a bounded list,
// says so, and goes on with the controls that are there.
TEST_F(CpuReaderTest, AHugeControlCountIsBoundedAndLogged) {
    for (const char* count : {"4000000000", "0xFFFFFFFF", "1025"}) {
        SCOPED_TRACE(count);
        rec.Clear();
        SimCpu::Use(SimCpu::Standard(4, std::string("ControlCount=") + count + "\r\n"));
        CGetCpuInfoThread reader;
        RunToEnd(reader);
        ExpectFullReport(reader, 1);
        EXPECT_EQ(4000.0, reader.GetCpuInfo()->m_dMaxTurboMHz);
        EXPECT_TRUE(log.HasText(std::string("GetAvailableControls count ") + std::to_string(std::stoul(count, nullptr, 0)) +
                                " refused: only the first 1024 are read"));
    }
}

// Decided here: a turbo control that keeps reading 0 is tried three times.
TEST_F(CpuReaderTest, TurboReadingZeroIsTriedABoundedNumberOfTimes) {
    // Without a control 29 the turbo control keeps its profile's 0.
    SimCpu::Use(SimCpu::Processor("Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", 4) +
                SimCpu::Control(0xD0000002u, 0, -1, 0, 6000, 100) + SimCpu::Control(30, 39));
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 1);
    EXPECT_EQ(0.0, reader.GetCpuInfo()->m_dMaxTurboMHz);
    const std::string name = "ControlId_Processor_Max_Turbo_Boost_CPU_Speed";
    EXPECT_EQ((Texts{name, "curspeed 0.000000", name, "curspeed 0.000000", name, "curspeed 0.000000",
                     "[GetCPUInformation] max turbo not read after 3 tries, stays 0.000000"}),
              log.Texts(kFile, kFn));
}

TEST_F(CpuReaderTest, UnreadableTurboControlIsTriedABoundedNumberOfTimes) {
    SimCpu::Use(SimCpu::Standard(4, "GetControlFailsFor=0xD0000002\r\n"));
    CGetCpuInfoThread reader;
    RunToEnd(reader);
    ExpectFullReport(reader, 1);
    EXPECT_EQ(0.0, reader.GetCpuInfo()->m_dMaxTurboMHz);
    const std::string failed = "[GetCPUInformation] GetControl(id=0xD0000002) failed";
    EXPECT_EQ((Texts{failed, failed, failed, "[GetCPUInformation] max turbo not read after 3 tries, stays 0.000000"}),
              log.Texts(kFile, kFn));
}

TEST_F(CpuReaderTest, DestroyingTheReaderDuringItsPassEndsTheThread) {
    SimCpu::Use(SimCpu::Standard(4, "DelayMs=50\r\n"));
    vt::UniqueHandle dup;
    {
        CGetCpuInfoThread reader;
        ASSERT_TRUE(reader.Start());
        DuplicateHandle(GetCurrentProcess(), reader.ThreadHandle(), GetCurrentProcess(), dup.Put(), 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        ASSERT_TRUE(PumpUntil([&] { return !rec.Messages().empty(); }, kSafetyMs));
    }
    ASSERT_NE(nullptr, dup.Get());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(dup.Get(), 0));
    PumpFor(30);
}

}  // namespace

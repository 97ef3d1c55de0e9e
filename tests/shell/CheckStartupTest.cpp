// The start check: switches x admin rights x the service client's answer x
// a missing client, seen through the log, the client's record and the
// relaunch requests.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "ShellSeamFixture.h"
#include "support/LogCapture.h"
#include "shell/CommonHelp.h"
#include "shell/ShellTestSeams.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {

const char kAutoTrue[] = "CCommonHelp::IsAutoStartup() = true";
const char kAutoFalse[] = "CCommonHelp::IsAutoStartup() = false";
const char kAutoAny[] = "CCommonHelp::IsAutoStartup() = ";
const char kProcOk[] = "CCommonHelp::StartClient: GetProcAddress(\"AERTStartClient\" ok";

class CheckStartupTest : public ShellSeamFixture {
protected:
    std::string ClientLine(int result) const {
        return "AERTStartClient\t/svc_start\t" + TestPaths::Narrow(ModuleFileName()) + "\t" + std::to_string(result);
    }
    std::string StartClientLogLine() const {
        return "CCommonHelp::StartClient(/svc_start, " + TestPaths::Narrow(ModuleFileName()) + ")";
    }
};

// Moves the service client library out of the test folder for one test.
class ClientLibraryAway {
public:
    ClientLibraryAway()
        : m_path(TestPaths::Join(TestPaths::TestDir(), L"DadEzOzuz.dll")), m_away(m_path + L".away") {
        m_moved = MoveFileExW(m_path.c_str(), m_away.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~ClientLibraryAway() {
        if (m_moved) MoveFileExW(m_away.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    bool Moved() const { return m_moved; }

private:
    std::wstring m_path, m_away;
    bool m_moved = false;
};

TEST_F(CheckStartupTest, ElevatedStartWithoutSwitchesGoesOnAndInstallsOnce) {
    const LogCapture log;
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoFalse).size());
    EXPECT_TRUE(log.Matching("CCommonHelp::StartClient").empty());
    // The line is logged under the check's own name.
    auto lines = log.Matching(kAutoFalse);
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("CCommonHelp::CheckStartup"));
    EXPECT_EQ(std::vector<std::string>{"AERTInstall\t0"}, ClientCalls());
    EXPECT_TRUE(Launches().empty());
}

TEST_F(CheckStartupTest, ElevatedAutostartLogsTrueAndNeverHandsOver) {
    SetArguments(L"/start");
    SetClientProfile(1);
    const LogCapture log;
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoTrue).size());
    EXPECT_EQ(std::vector<std::string>{"AERTInstall\t0"}, ClientCalls());
    EXPECT_TRUE(Launches().empty());
}

TEST_F(CheckStartupTest, UnelevatedAutostartInAnyCaseIsHandedToTheClient) {
    SetAdmin(false);
    SetArguments(L"-START");
    SetClientProfile(1);
    const LogCapture log;
    EXPECT_FALSE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoTrue).size());
    EXPECT_EQ(1u, log.Matching(StartClientLogLine()).size());
    EXPECT_EQ(1u, log.Matching(kProcOk).size());
    EXPECT_EQ(1u, log.Matching("CCommonHelp::StartClient: bOK=1").size());
    // Handed over: no relaunch, no install call from this instance.
    EXPECT_EQ(std::vector<std::string>{ClientLine(1)}, ClientCalls());
    EXPECT_TRUE(Launches().empty());
}

TEST_F(CheckStartupTest, UnelevatedStartRelaunchesElevatedWhenTheClientDeclines) {
    SetAdmin(false);
    SetArguments(L"/start extra");
    SetClientProfile(0);
    SetRelaunchAccepted(true);
    const LogCapture log;
    EXPECT_FALSE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching("CCommonHelp::StartClient: bOK=0").size());
    EXPECT_EQ(std::vector<std::string>{ClientLine(0)}, ClientCalls());
    ASSERT_EQ(1u, Launches().size());
    const RecordedLaunch& r = Launches()[0];
    EXPECT_EQ(L"runas", r.verb);
    EXPECT_EQ(ModulePath(), r.file);
    // Only the switch: the current arguments are not passed on.
    EXPECT_EQ(L"/svc_start", r.parameters);
    EXPECT_EQ(SW_HIDE, r.show);
    EXPECT_EQ((ULONG)(SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI), r.mask);
    EXPECT_FALSE(r.hasDirectory);
    EXPECT_FALSE(r.hasOwner);
}

TEST_F(CheckStartupTest, RefusedElevationGoesOnUnelevatedAndStillInstalls) {
    SetAdmin(false);
    SetClientProfile(0);
    SetRelaunchAccepted(false);
    const LogCapture log;
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoFalse).size());
    EXPECT_EQ(1u, Launches().size());
    EXPECT_EQ((std::vector<std::string>{ClientLine(0), "AERTInstall\t0"}), ClientCalls());
}

TEST_F(CheckStartupTest, ServiceStartAloneSkipsTheWholeElevationCheck) {
    SetAdmin(false);
    SetArguments(L"/SVC_start");
    SetClientProfile(1);
    const LogCapture log;
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_TRUE(log.Matching(kAutoAny).empty());
    EXPECT_TRUE(log.Matching("CCommonHelp::StartClient").empty());
    EXPECT_TRUE(Launches().empty());
    EXPECT_EQ(std::vector<std::string>{"AERTInstall\t0"}, ClientCalls());
}

TEST_F(CheckStartupTest, AutostartSwitchWinsOverServiceStart) {
    SetAdmin(false);
    SetArguments(L"/svc_start -start");
    SetClientProfile(1);
    const LogCapture log;
    EXPECT_FALSE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoTrue).size());
    EXPECT_EQ(std::vector<std::string>{ClientLine(1)}, ClientCalls());
}

TEST_F(CheckStartupTest, ArgumentsThatOnlyContainASwitchAreNotSwitches) {
    SetAdmin(false);
    SetArguments(L"x/start /started \"/svc_start \" /svc_start=1 start");
    SetClientProfile(1);
    EXPECT_FALSE(CCommonHelp::HasSwitch(L"/start"));
    EXPECT_FALSE(CCommonHelp::HasSwitch(L"/svc_start"));
    EXPECT_FALSE(CCommonHelp::IsAutoStartup());
    const LogCapture log;
    // No real switch at all: the check runs and reports "false".
    EXPECT_FALSE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(kAutoFalse).size());
}

TEST_F(CheckStartupTest, SwitchesAreWholeArgumentsOfAnyCaseIncludingTheProgramName) {
    SetArguments(L"\"/Start\" -x");
    EXPECT_TRUE(CCommonHelp::HasSwitch(L"/start"));
    EXPECT_TRUE(CCommonHelp::IsAutoStartup());
    EXPECT_TRUE(CCommonHelp::HasSwitch(L"-X"));
    EXPECT_TRUE(CCommonHelp::HasSwitch(ModulePath().c_str()));
    EXPECT_FALSE(CCommonHelp::HasSwitch(L"-start"));
    EXPECT_FALSE(CCommonHelp::HasSwitch(L""));
    EXPECT_FALSE(CCommonHelp::HasSwitch(nullptr));
}

TEST_F(CheckStartupTest, MissingClientLibraryMakesTheHandOverFailAndTheStartGoOn) {
    ClientLibraryAway away;
    ASSERT_TRUE(away.Moved());
    SetAdmin(false);
    SetArguments(L"/start");
    SetClientProfile(1);
    const LogCapture log;
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_EQ(1u, log.Matching(StartClientLogLine()).size());
    EXPECT_TRUE(log.Matching("GetProcAddress").empty());
    EXPECT_EQ(1u, log.Matching("CCommonHelp::StartClient: bOK=0").size());
    EXPECT_EQ(1u, Launches().size());  // the relaunch was still tried (and refused)
    EXPECT_TRUE(ClientCalls().empty());
}

TEST_F(CheckStartupTest, MissingClientLibraryWithElevationJustGoesOn) {
    ClientLibraryAway away;
    ASSERT_TRUE(away.Moved());
    EXPECT_TRUE(CCommonHelp::CheckStartup());
    EXPECT_TRUE(ClientCalls().empty());
    EXPECT_TRUE(Launches().empty());
}

TEST_F(CheckStartupTest, TheRealTokenCheckAgreesWithTheShell) {
    ShellTestSeams::isAdmin = nullptr;
    EXPECT_EQ(IsUserAnAdmin() != FALSE, CCommonHelp::IsAdmin());
}

}  // namespace

namespace {

// The stand-in client, when it takes over, starts the program from its own
// folder with the switch, as the real one does through its service; only
// "Velotune.exe", whatever name it is given: it runs elevated.
TEST_F(CheckStartupTest, ClientThatTakesOverStartsOnlyTheProgramBesideIt) {
    const std::wstring record = TestPaths::Join(TestPaths::TestDir(), L"cmdline.txt");
    const std::wstring program = TestPaths::Join(TestPaths::TestDir(), L"Velotune.exe");
    DeleteFileW(record.c_str());
    ASSERT_TRUE(CopyFileW(TestPaths::Join(TestPaths::TestDir(), L"fake_velotune.exe").c_str(), program.c_str(), FALSE));
    SetClientProfile(1, 1);
    EXPECT_TRUE(CCommonHelp::StartClient(L"Velotune.exe"));
    std::string text;
    WaitUntil([&] { return !(text = TestPaths::ReadFileBytes(record)).empty(); }, 60000);
    EXPECT_EQ(0u, text.find("\"" + TestPaths::Narrow(program) + "\" /svc_start\r\n")) << text;
    DeleteFileW(record.c_str());

    // Any other name, with a folder part or not, is refused and written down.
    EXPECT_FALSE(CCommonHelp::StartClient(L"fake_velotune.exe"));
    EXPECT_FALSE(CCommonHelp::StartClient(L"..\\Velotune.exe"));
    EXPECT_FALSE(CCommonHelp::StartClient(L"missing_program.exe"));
    EXPECT_EQ((std::vector<std::string>{"AERTStartClient\t/svc_start\tVelotune.exe\t1",
                                        "Refused\tfake_velotune.exe\tnot Velotune.exe",
                                        "AERTStartClient\t/svc_start\tfake_velotune.exe\t0",
                                        "Refused\t..\\Velotune.exe\tnot Velotune.exe",
                                        "AERTStartClient\t/svc_start\t..\\Velotune.exe\t0",
                                        "Refused\tmissing_program.exe\tnot Velotune.exe",
                                        "AERTStartClient\t/svc_start\tmissing_program.exe\t0"}),
              ClientCalls());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(record.c_str())) << "nothing else was started";
    // The fake program has ended once its record is there; its file may stay
    // mapped a moment longer.
    WaitUntil([&] { return DeleteFileW(program.c_str()) != FALSE; }, 30000);
}

}  // namespace

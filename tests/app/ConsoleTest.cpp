// Velotune.com against the real program: what it prints and the exit code
// it ends with, and that a console's request takes the path of a click. The
// command pipe is also fed what no console sends, and made first by another
// process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "base/Win32Owners.h"
#include "remote/PipeCodec.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "support/LanguagesValue.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

namespace {

constexpr DWORD kWait = 30000;  // safety net only

// The four core ratios of the default profile, as the state file holds them.
std::string Ratios() {
    std::string text;
    for (const wchar_t* id : {L"29", L"30", L"31", L"32"})
        text += std::to_string(static_cast<int>(CAppUnderTest::ActiveValue(id))) + " ";
    return text;
}

struct ConsoleRun {
    int code = -1;
    std::string output;
};

ConsoleRun Console(const std::wstring& args) {
    ConsoleRun run;
    run.code = CAppUnderTest::Console(args, run.output);
    return run;
}

#define EXPECT_CONSOLE(args, expectedCode, expectedText)                                          \
    do {                                                                                          \
        const ConsoleRun run_ = Console(args);                                                           \
        EXPECT_EQ(run_.code, expectedCode) << TestPaths::Narrow(args) << ": " << run_.output;     \
        EXPECT_NE(run_.output.find(expectedText), std::string::npos)                              \
            << TestPaths::Narrow(args) << ": " << run_.output;                                    \
    } while (0)

// A console of the test's own: connects to the program's pipe and sends
// `bytes` as one message (none when empty); the pipe, or none.
vt::UniqueHandle SendRaw(const std::string& bytes) {
    vt::UniqueHandle pipe(CreateFileW(remote::kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      0, nullptr));
    DWORD mode = PIPE_READMODE_MESSAGE, written = 0;
    if (pipe) SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr);
    if (pipe && !bytes.empty()) WriteFile(pipe.Get(), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    return pipe;
}

// The processor of the default profile, overclocked by the listed step.
const char kOverclocked[] = "43 42 41 40 ";
const char kStock[] = "40 39 38 37 ";

}  // namespace

// Without the program, then with it: status, overclock, restore, in both
// languages, and the restore without a program that the uninstaller's switch does.
TEST_F(AppConsole, StatusOverclockAndRestoreAsAClickDoes) {
    LanguagesValue language;
    language.Set(L"en");
    EXPECT_CONSOLE(L"", 0, "Exit codes: 0 stock, 2 overclocked");
    EXPECT_CONSOLE(L"/bogus", 8, "Not understood: /bogus");
    EXPECT_CONSOLE(L"status /timeout:5", 8, "Not understood:");
    EXPECT_CONSOLE(L"/status", 3, "Velotune is not running");
    EXPECT_CONSOLE(L"-STATUS /JSON", 3, "{\"state\":\"not running\"");
    EXPECT_CONSOLE(L"/overclock", 3, "Velotune must be running to overclock");
    {
        CAppUnderTest app;
        HWND hwnd = app.StartReady();
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(CAppUnderTest::WaitLog("command pipe: serving \\\\.\\pipe\\Velotune", kWait));
        EXPECT_CONSOLE(L"status", 0, "stock ");
        EXPECT_CONSOLE(L"status", 0, " GHz (max turbo ");
        EXPECT_CONSOLE(L"/status /json", 0, "\"coreRatios\":[40,39,38,37],\"version\":\"1.0.0.0\",\"runInProgress\":false}");

        EXPECT_CONSOLE(L"/overclock", 2, "overclocked (core ratios 43 42 41 40)");
        EXPECT_EQ(Ratios(), kOverclocked);
        EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() STATUS_OVERCLOCK_INIT"), 1) << "the click's path";
        EXPECT_EQ(CAppUnderTest::CountInLog("CMainFrame::OnRecoverOverLocking SUCESS"), 1);
        EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 2", kWait)) << "page 2, the tray icon";
        EXPECT_CONSOLE(L"-Overclock", 2, "already overclocked (core ratios 43 42 41 40)");
        EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] in"), 1) << "no second run";
        EXPECT_CONSOLE(L"status", 2, "overclocked ");
        EXPECT_CONSOLE(L"status /json", 2, "{\"state\":\"overclocked\",\"status\":2,");
        language.Delete();  // Chinese, read by each console anew
        EXPECT_CONSOLE(L"status", 2, "\xe5\xb7\xb2\xe8\xb6\x85\xe9\xa2\x91");  // "已超频"
        EXPECT_CONSOLE(L"status /json", 2, "{\"state\":\"overclocked\"");
        language.Set(L"en");

        EXPECT_CONSOLE(L"restore /timeout:60", 0, "stock (core ratios 40 39 38 37)");
        EXPECT_EQ(Ratios(), kStock);
        EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() STATUS_REOVERCLOCK_ING"), 1);
        EXPECT_TRUE(CAppUnderTest::WaitLog("CMainFrame::UpdateStatus : nStatus : 0", kWait, 2)) << "page 0";
        EXPECT_CONSOLE(L"restore", 0, "already at stock");
        EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
    }
    // No program: the restore of "/RestoreOverclocking", as an administrator.
    ASSERT_TRUE(TestPaths::WriteFileBytes(CAppUnderTest::StatePath(), "[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n"));
    EXPECT_CONSOLE(L"restore", 0, "stock");
    EXPECT_EQ(Ratios(), kStock);
    EXPECT_TRUE(CAppUnderTest::WaitLog("[RestoreOverclocking] exit code 1", kWait));
}

// Wine gives every process an administrator's elevated token: the program's
// test switch makes the caller count as one without, on both ends (the
// program's check of a pipe client, and the console's own check before a
// restore without the program). Status stays open to all.
TEST_F(AppConsole, AChangeFromANonAdministratorIsRefused) {
    ASSERT_TRUE(TestPaths::WriteFileBytes(CAppUnderTest::StatePath(), "[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n"));
    LanguagesValue language;
    language.Set(L"en");
    CAppUnderTest app;
    app.UseSwitch(L"TEST_CALLER_NOT_ADMIN", L"1");
    EXPECT_CONSOLE(L"restore", 5, "restoring without Velotune running needs an elevated prompt");
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("command pipe: serving", kWait));
    EXPECT_CONSOLE(L"overclock", 5, "refused: only an administrator");
    EXPECT_TRUE(CAppUnderTest::WaitLog("command pipe: overclock refused: the caller is not an elevated administrator",
                                       kWait));
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() begin"), 0);
    EXPECT_EQ(Ratios(), kStock);
    EXPECT_CONSOLE(L"status", 0, "stock");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

// What no console sends: each is dropped with its line in the log, the
// window goes on, and the next request is served. A console that sends
// nothing holds one instance only: another is served meanwhile.
TEST_F(AppConsole, GarbledOversizedAndSlowRequestsAreDroppedAndTheNextIsServed) {
    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("command pipe: serving", kWait));
    const struct {
        std::string bytes;
        const char* line;
    } cases[] = {
        {std::string(16, 'x'), "unknown record 0x78787878"},
        {std::string(4096, '\0'), "more than 512 bytes"},
        {std::string("VTRQ\x01\x00", 6), "6 bytes, not a whole record"},
        {std::string("VTRQ\x01\x00\x09\x00\x00\x00\x00\x00\x00\x00\x00\x00", 16), "unknown command 9"},
        {std::string("VTRQ\x02\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00", 16), "record version 2"},
        {std::string("VTRQ\x01\x00\x02\x00\xff\xff\xff\xff\x00\x00\x00\x00", 16), "time limit of 4294967295 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        vt::UniqueHandle pipe = SendRaw(c.bytes);
        ASSERT_TRUE(pipe.Valid());
        EXPECT_TRUE(CAppUnderTest::WaitLog(std::string("request dropped (process ") +
                                               std::to_string(GetCurrentProcessId()) + "): " + c.line,
                                           kWait));
    }
    {
        vt::UniqueHandle silent = SendRaw("");
        ASSERT_TRUE(silent.Valid());
        EXPECT_CONSOLE(L"status", 0, "GHz");
        EXPECT_TRUE(CAppUnderTest::WaitLog("request dropped (process " + std::to_string(GetCurrentProcessId()) +
                                               "): none within 2000 ms",
                                           kWait));
    }
    EXPECT_EQ(CAppUnderTest::CountInLog("DoHandle() begin"), 0) << "nothing reached the window";
    EXPECT_CONSOLE(L"overclock", 2, "(");
    EXPECT_EQ(Ratios(), kOverclocked);
    EXPECT_CONSOLE(L"restore", 0, "(");
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

// Another process made the pipe first: the program serves none and says so,
// and the console, which finds another process named in the machine's
// guard, writes nothing to that process's pipe.
TEST_F(AppConsole, APipeMadeFirstByAnotherProcessIsRefusedAndNotTalkedTo) {
    ASSERT_TRUE(TestPaths::WriteFileBytes(CAppUnderTest::StatePath(), "[Active]\r\n29=40\r\n30=39\r\n31=38\r\n32=37\r\n"));
    vt::UniqueHandle squatter(CreateNamedPipeW(remote::kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 4, 512, 512, 0, nullptr));
    ASSERT_TRUE(squatter.Valid());
    vt::UniqueHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED io = {};
    io.hEvent = connected.Get();
    EXPECT_FALSE(ConnectNamedPipe(squatter.Get(), &io));
    ASSERT_EQ(GetLastError(), (DWORD)ERROR_IO_PENDING);

    CAppUnderTest app;
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(CAppUnderTest::WaitLog("command pipe refused: another process made it first", kWait));
    LanguagesValue language;
    language.Set(L"en");
    EXPECT_CONSOLE(L"overclock", 9, "the command pipe is not the running Velotune's; nothing was asked. (the server "
                                    "is not the running copy the machine's guard names (process ");
    DWORD bytes = 0;
    EXPECT_TRUE(GetOverlappedResult(squatter.Get(), &io, &bytes, TRUE)) << "the console did connect";
    char buffer[64];
    EXPECT_FALSE(ReadFile(squatter.Get(), buffer, sizeof(buffer), &bytes, &io) &&
                 GetOverlappedResult(squatter.Get(), &io, &bytes, TRUE) && bytes > 0)
        << "nothing was written to it";
    EXPECT_EQ(Ratios(), kStock);
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

// A click and a console's request at once, then two consoles' requests:
// each time one run, the other dropped as a second click is and told
// "busy". The simulated processor holds every call while the hold file exists.
TEST_F(AppConsole, AConsoleAndAClickAtOnceMakeOneRun) {
    CAppUnderTest app;
    app.UseProfile(HoldProfile());
    HWND hwnd = app.StartReady();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(CAppUnderTest::WaitLog("command pipe: serving", kWait));
    // The window has taken its place at the corner, where the click goes.
    ASSERT_TRUE(WaitUntil(
        [&] {
            RECT rc = {}, work = {};
            GetWindowRect(hwnd, &rc);
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            return rc.right == work.right && rc.bottom == work.bottom;
        },
        kWait));
    LanguagesValue language;
    language.Set(L"en");

    Hold(true);
    CAppUnderTest::Click(hwnd, CAppUnderTest::LayoutCentre({L"ButtonStatusTab"}));
    ASSERT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_OVERCLOCK_INIT", kWait));
    EXPECT_CONSOLE(L"overclock", 4, "busy: a run is in progress");
    EXPECT_TRUE(CAppUnderTest::WaitLog("[DoHandle] status=1", kWait)) << "dropped as a click is";
    Hold(false);
    ASSERT_TRUE(CAppUnderTest::WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait));
    EXPECT_EQ(Ratios(), kOverclocked);

    Hold(true);
    ConsoleRun restore;
    std::thread console([&] { restore = Console(L"restore"); });
    EXPECT_TRUE(CAppUnderTest::WaitLog("DoHandle() STATUS_REOVERCLOCK_ING", kWait));
    EXPECT_CONSOLE(L"/restore", 4, "busy: a run is in progress");
    EXPECT_TRUE(CAppUnderTest::WaitLog("[DoHandle] status=3", kWait)) << "the second console's dropped";
    Hold(false);
    console.join();
    EXPECT_EQ(restore.code, 0) << restore.output;
    EXPECT_EQ(CAppUnderTest::CountInLog("[Overclocking] in"), 2) << "one run each time";
    EXPECT_EQ(Ratios(), kStock);
    EXPECT_EQ(app.CloseAndWaitExit(hwnd), 0);
}

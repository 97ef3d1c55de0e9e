#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "log/BaseLog.h"
#include "log/LogClock.h"
#include "log/LogInOut.h"
#include "support/TestPaths.h"

namespace {

std::wstring LogPath() { return TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"); }

class LogWrite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
        LogStartup();
    }
    void SetUp() override { m_before = TestPaths::ReadFileBytes(LogPath()).size(); }
    void TearDown() override {
        LogClock::PinForTests(nullptr, 0);
        LogClock::PinTickForTests(false, 0);
    }
    // Everything written since SetUp.
    std::string Written() const { return TestPaths::ReadFileBytes(LogPath()).substr(m_before); }
    static void Pin() {
        SYSTEMTIME t = {};
        t.wYear = 2018; t.wMonth = 12; t.wDay = 6; t.wHour = 9; t.wMinute = 5; t.wSecond = 3;
        LogClock::PinForTests(&t, 812);
    }
    size_t m_before = 0;
};

const char kPrefix[] = "[2018-12- 6  9: 5: 3][  97][            Velotune|wWinMain]---[812]";

}  // namespace

TEST_F(LogWrite, ReproducesTheReferenceLineByteForByte) {
    Pin();
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "start");
    EXPECT_EQ(std::string(kPrefix) + "start\r\n", Written());
}

struct CProbe {
    static void Go() { VLOG("via macro %d", 7); }
};

TEST_F(LogWrite, MacroTagsTheCallerWithFileAndQualifiedName) {
    CProbe::Go();
    std::string line = Written();
    EXPECT_NE(std::string::npos, line.find("LogWriteTest|CProbe::Go]---[")) << line;
    EXPECT_NE(std::string::npos, line.find("via macro 7\r\n"));
}

TEST_F(LogWrite, FormatOf511BytesIsUsedAnd512IsRefused) {
    Pin();
    std::string f511(511, 'a');
    std::string f512(512, 'b');
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", f511.c_str());
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", f512.c_str());
    EXPECT_EQ(std::string(kPrefix) + f511 + "\r\n" + kPrefix + "The format string is too long.\r\n",
              Written());
}

TEST_F(LogWrite, OverlongTextIsCutButTheLineStillEnds) {
    Pin();
    std::string big(2000, 'x');
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "%s", big.c_str());
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "next");
    std::string out = Written();
    size_t first = out.find("\r\n");
    ASSERT_NE(std::string::npos, first);
    EXPECT_LE(first + 2, 581u);  // whole line within the 582-byte buffer
    EXPECT_EQ(std::string(kPrefix) + "next\r\n", out.substr(first + 2));
}

TEST_F(LogWrite, WideArgumentOutsideTheCodePageIsReplacedNotLost) {
    Pin();
    // Greek, a check mark and CJK are outside the usual Western code page.
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "name=%S n=%d s=%s",
                                L"A\x03A9\x2713\x4E2DZ", 42, "narrow");
    std::string out = Written();
    ASSERT_EQ(0u, out.find(kPrefix)) << out;
    std::string text = out.substr(sizeof(kPrefix) - 1);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    text.resize(text.size() - 2);
    // Each character the code page lacks becomes one default character.
    ASSERT_EQ(0u, text.find("name=A")) << text;
    EXPECT_EQ("Z n=42 s=narrow", text.substr(6 + 3)) << text;
}

TEST_F(LogWrite, ScopeLoggerUsesMillisecondsBelowOneSecond) {
    LogClock::PinTickForTests(true, 5000);
    {
        CLogInOut scope("Probe::Scope");
        LogClock::PinTickForTests(true, 5999);
    }
    std::string out = Written();
    EXPECT_NE(std::string::npos, out.find("CLogInOut::CLogInOut]---[")) << out;
    EXPECT_NE(std::string::npos, out.find("]Probe::Scope in.\r\n")) << out;
    EXPECT_NE(std::string::npos, out.find("CLogInOut::~CLogInOut]---[")) << out;
    EXPECT_NE(std::string::npos, out.find("]Probe::Scope out and tick 999 ms.\r\n")) << out;
}

TEST_F(LogWrite, ScopeLoggerUsesSecondsFromOneSecondOn) {
    LogClock::PinTickForTests(true, 0xFFFFFF00u);  // across the 32-bit wrap
    {
        CLogInOut scope("Probe::Scope");
        LogClock::PinTickForTests(true, 0xFFFFFF00u + 1000);
    }
    EXPECT_NE(std::string::npos, Written().find("]Probe::Scope out and tick 1 s 0 ms.\r\n"));
}

TEST_F(LogWrite, LastErrorWithAndWithoutSystemText) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    VLOG_LASTERROR();
    std::string out = Written();
    EXPECT_NE(std::string::npos, out.find("ErrorCode = 2:")) << out;
    EXPECT_EQ(std::string::npos, out.find(":\r\n\r\n"));  // trailing CR LF of the text removed
    size_t before = TestPaths::ReadFileBytes(LogPath()).size();
    SetLastError(0x2FFFFFFF);  // no system text for this code
    VLOG_LASTERROR();
    EXPECT_EQ(before, TestPaths::ReadFileBytes(LogPath()).size());
}

TEST_F(LogWrite, EmptyFormatWritesNothing) {
    const char* empty = "";
    CBaseLog::Instance()->Write(1, "f", "g", empty);
    const char* none = nullptr;
    CBaseLog::Instance()->Write(1, "f", "g", none);
    EXPECT_EQ("", Written());
}

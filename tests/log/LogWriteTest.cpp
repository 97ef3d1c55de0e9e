#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
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

namespace {

// What the file holds under the code page this run has: the test program
// runs once under a Western and once under the Chinese code page.
struct CodePageTexts {
    UINT codePage;
    const char* wideLine;     // "A", Omega, a check mark, the CJK "middle", "Z"
    const char* narrowChar;   // one character of the code page outside ASCII
    const char* middle;       // the CJK "middle" written by the wide pass
};

const CodePageTexts& Texts() {
    static const CodePageTexts kTexts[] = {
        {1252, "AO??Z", "\x80", "?"},  // Omega best fits to O; the euro sign
        {936, "A\xA6\xB8?\xD6\xD0Z", "\xD6\xD0", "\xD6\xD0"},  // Omega and "middle" exist here
    };
    for (const CodePageTexts& t : kTexts)
        if (t.codePage == GetACP()) return t;
    static const CodePageTexts none = {0, "", "", ""};
    return none;
}

std::string TextOfLine(const std::string& out) {
    if (out.compare(0, sizeof(kPrefix) - 1, kPrefix) != 0 || out.size() < sizeof(kPrefix) + 1) return "<" + out + ">";
    if (out.compare(out.size() - 2, 2, "\r\n") != 0) return "<unterminated>";
    return out.substr(sizeof(kPrefix) - 1, out.size() - sizeof(kPrefix) - 1);
}

std::string Repeat(const std::string& unit, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += unit;
    return s;
}

}  // namespace

TEST(LogCodePage, RunsUnderTheCodePageTheRunAskedFor) {
    char wanted[16] = {};
    ASSERT_GT(GetEnvironmentVariableA("VELOTUNE_TEST_ACP", wanted, sizeof(wanted)), 0u)
        << "run through CTest, which picks the code page";
    EXPECT_EQ((UINT)atoi(wanted), GetACP());
    EXPECT_NE(0u, Texts().codePage) << "no expectations for code page " << GetACP();
}

TEST_F(LogWrite, WideArgumentOutsideTheCodePageIsReplacedNotLost) {
    Pin();
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "name=%S n=%d s=%s",
                                L"A\x03A9\x2713\x4E2DZ", 42, "narrow");
    // A character the code page lacks becomes its best fit or its default character.
    EXPECT_EQ(std::string("name=") + Texts().wideLine + " n=42 s=narrow", TextOfLine(Written()));
}

TEST_F(LogWrite, NarrowArgumentBesideAWideOneKeepsItsCharacters) {
    Pin();
    std::string narrow = std::string("x") + Texts().narrowChar + "y";
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "%S|%s|%c|%5.1f|%-4d|%03u|%%",
                                L"w", narrow.c_str(), 'c', 2.5, 7, 5u);
    EXPECT_EQ("w|" + narrow + "|c|  2.5|7   |005|%", TextOfLine(Written()));
}

TEST_F(LogWrite, LongTextsAreCutBetweenCharacters) {
    Pin();
    // Narrow: too long for the narrow pass, in the code page's own characters.
    const std::string unit = Texts().narrowChar;
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "%s", Repeat(unit, 600).c_str());
    std::string text = TextOfLine(Written());
    EXPECT_EQ(Repeat(unit, 511 / unit.size()), text);
    // Wide: the CJK character is two bytes under the Chinese code page.
    size_t before = TestPaths::ReadFileBytes(LogPath()).size();
    CBaseLog::Instance()->Write(97, "Velotune", "wWinMain", "%S", std::wstring(400, L'\x4E2D').c_str());
    std::string wide = TestPaths::ReadFileBytes(LogPath()).substr(before);
    const std::string middle = Texts().middle;
    EXPECT_EQ(Repeat(middle, std::min<size_t>(400, 511 / middle.size())), TextOfLine(wide));
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

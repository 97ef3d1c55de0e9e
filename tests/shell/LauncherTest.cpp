// The logon launcher starts the Velotune.exe beside it with its own arguments.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/ChildRun.h"
#include "support/TestPaths.h"

namespace {

std::string Utf8(const std::wstring& text) { return TestPaths::Narrow(text, CP_UTF8); }

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch = TestPaths::Join(TestPaths::TestDir(), L"launcher scratch");
        CreateDirectoryW(m_scratch.c_str(), nullptr);
        DeleteFileW(Path(L"cmdline.txt").c_str());
        DeleteFileW(Path(L"Velotune.exe").c_str());
        ASSERT_TRUE(CopyFileW(TestPaths::Join(TestPaths::DistDir(), L"VodEduzudu.exe").c_str(),
                              Path(L"VodEduzudu.exe").c_str(), FALSE));
    }
    void TearDown() override {
        DeleteFileW(Path(L"cmdline.txt").c_str());
        DeleteFileW(Path(L"Velotune.exe").c_str());
        DeleteFileW(Path(L"VodEduzudu.exe").c_str());
        RemoveDirectoryW(m_scratch.c_str());
    }
    std::wstring Path(const wchar_t* name) const { return m_scratch + L"\\" + name; }
    void PlaceProgram() {
        ASSERT_TRUE(CopyFileW(TestPaths::Join(TestPaths::TestDir(), L"fake_velotune.exe").c_str(),
                              Path(L"Velotune.exe").c_str(), FALSE));
    }

    // Runs the launcher from another working folder; returns its exit code.
    DWORD RunLauncher(const std::wstring& arguments) {
        return ChildRun::ExitCodeOf(Path(L"VodEduzudu.exe"), arguments, TestPaths::TestDir(), 0);
    }

    // What the started program wrote, waiting for it (a safety net only).
    std::string WaitForRecord() {
        for (int i = 0; i < 600; ++i) {
            std::string text = TestPaths::ReadFileBytes(Path(L"cmdline.txt"));
            if (!text.empty()) return text;
            Sleep(100);
        }
        return std::string();
    }

    std::wstring m_scratch;
};

TEST_F(LauncherTest, StartsTheProgramBesideItWithTheSameArguments) {
    PlaceProgram();
    ASSERT_EQ(0u, RunLauncher(L"  /start \"two words\" -x"));
    std::string expected = Utf8(L"\"" + Path(L"Velotune.exe") + L"\" /start \"two words\" -x\r\n" + m_scratch + L"\r\n");
    EXPECT_EQ(expected, WaitForRecord());
}

TEST_F(LauncherTest, WithoutArgumentsTheProgramGetsNone) {
    PlaceProgram();
    ASSERT_EQ(0u, RunLauncher(L""));
    EXPECT_EQ(Utf8(L"\"" + Path(L"Velotune.exe") + L"\"\r\n" + m_scratch + L"\r\n"), WaitForRecord());
}

TEST_F(LauncherTest, MissingProgramEndsWithFailure) {
    EXPECT_EQ(1u, RunLauncher(L" /start"));
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/LogCapture.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "support/TestPaths.h"

namespace {

// Each test works on its own INI file (the profile API caches files by name).
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = TestPaths::Join(TestPaths::TestDir(), L"settings_tmp");
        CreateDirectoryW(folder_.c_str(), nullptr);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        path_ = TestPaths::Join(folder_, std::wstring(name.begin(), name.end()) + L".ini");
        DeleteFileW(path_.c_str());
        settings_.SetPath(path_);
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    void WriteIni(const std::string& text) { ASSERT_TRUE(TestPaths::WriteFileBytes(path_, text)); }

    std::wstring folder_;
    std::wstring path_;
    CSettingsFile settings_;
};

void ExpectAllDefaults(CSettingsFile& settings) {
    EXPECT_EQ(L"O", settings.GetQuickKey());
    EXPECT_EQ(0, settings.GetAutoStart());
    EXPECT_EQ(1, settings.GetStopOver());
    EXPECT_EQ(0, settings.GetMinMode());
    EXPECT_EQ(1000, settings.GetMonitorTime());
}

}  // namespace

TEST_F(SettingsFileTest, MissingFileGivesEveryDefault) { ExpectAllDefaults(settings_); }

TEST_F(SettingsFileTest, BeforeThePathIsSetReadsGiveDefaultsAndWritesAreRefused) {
    CSettingsFile early;
    EXPECT_TRUE(early.GetPath().empty());
    ExpectAllDefaults(early);
    // An early write must not end up in a system profile file.
    EXPECT_FALSE(early.WriteInt(kKeyStopOver, 0));
    EXPECT_FALSE(early.WriteString(kKeyQuickKey, L"K"));
    EXPECT_EQ(1u, LogCapture::SinceStart().Find({"CSettingsFile::WriteString", "settings path not set, quickkey not written"}).size());
}

TEST_F(SettingsFileTest, PathIsTheExecutableNameWithIni) {
    CSettingsFile settings;
    ASSERT_TRUE(settings.InitSettingsPath());
    EXPECT_EQ(TestPaths::Join(TestPaths::TestDir(), L"test_settings.ini"), settings.GetPath());
}

TEST_F(SettingsFileTest, WrittenValuesAreReadBackAsDecimalText) {
    EXPECT_TRUE(settings_.WriteString(kKeyQuickKey, L"K"));
    EXPECT_TRUE(settings_.WriteInt(kKeyAutoStart, 1));
    EXPECT_TRUE(settings_.WriteInt(kKeyStopOver, 0));
    EXPECT_TRUE(settings_.WriteInt(kKeyMinMode, 1));
    EXPECT_TRUE(settings_.WriteInt(kKeyMonitorTime, 250));
    EXPECT_EQ(L"K", settings_.GetQuickKey());
    EXPECT_EQ(1, settings_.GetAutoStart());
    EXPECT_EQ(0, settings_.GetStopOver());
    EXPECT_EQ(1, settings_.GetMinMode());
    EXPECT_EQ(250, settings_.GetMonitorTime());

    std::string bytes = TestPaths::ReadFileBytes(path_);
    EXPECT_NE(std::string::npos, bytes.find("[OverClockingKey]"));
    EXPECT_NE(std::string::npos, bytes.find("stopover=0"));
    EXPECT_NE(std::string::npos, bytes.find("MonitorTime=250"));
}

TEST_F(SettingsFileTest, ValuesWrittenByHandAreRead) {
    WriteIni("[OverClockingKey]\r\nquickkey=7\r\nautoStart=1\r\nstopover=2\r\nminmode=5\r\nMonitorTime=300\r\n");
    EXPECT_EQ(L"7", settings_.GetQuickKey());
    EXPECT_EQ(1, settings_.GetAutoStart());
    // Only exactly 1 restores at exit: 2 counts as off.
    EXPECT_EQ(2, settings_.GetStopOver());
    EXPECT_NE(1, settings_.GetStopOver());
    EXPECT_EQ(5, settings_.GetMinMode());
    EXPECT_EQ(300, settings_.GetMonitorTime());
}

TEST_F(SettingsFileTest, OtherSectionsAreNotRead) {
    WriteIni("[Other]\r\nquickkey=Q\r\nstopover=0\r\n");
    ExpectAllDefaults(settings_);
}

TEST_F(SettingsFileTest, QuickKeyEdgeCases) {
    // Present but empty on the first read of a run: "O".
    WriteIni("[OverClockingKey]\r\nquickkey=\r\n");
    EXPECT_EQ(L"O", settings_.GetQuickKey());

    // A stored letter is taken; a later empty value keeps the letter read last.
    WriteIni("[OverClockingKey]\r\nquickkey=K\r\n");
    EXPECT_EQ(L"K", settings_.GetQuickKey());
    WriteIni("[OverClockingKey]\r\nquickkey=\r\n");
    EXPECT_EQ(L"K", settings_.GetQuickKey());

    // A missing key reads as the default "O", which replaces the letter.
    WriteIni("[OverClockingKey]\r\nstopover=1\r\n");
    EXPECT_EQ(L"O", settings_.GetQuickKey());

    // Several characters are kept in full (the caller uses the first).
    WriteIni("[OverClockingKey]\r\nquickkey=ABC\r\n");
    EXPECT_EQ(L"ABC", settings_.GetQuickKey());
}

TEST_F(SettingsFileTest, OverlongValuesAreCutNotOverrun) {
    std::string longKey(1000, 'Z');
    std::string longNumber(300, '9');
    WriteIni("[OverClockingKey]\r\nquickkey=" + longKey + "\r\nMonitorTime=" + longNumber + "\r\n");
    EXPECT_EQ(std::wstring(255, L'Z'), settings_.GetQuickKey());
    EXPECT_EQ(1000, settings_.GetMonitorTime());
}

// "MonitorTime" is judged where it is used: tests/tuning, through the monitor.
TEST_F(SettingsFileTest, GarbledValuesGiveDefaultsAndALogLine) {
    WriteIni("[OverClockingKey]\r\nstopover\r\nautoStart=\r\nminmode=yes\r\n");
    ExpectAllDefaults(settings_);
    EXPECT_FALSE(LogCapture::SinceStart().Find({"CSettingsFile::ReadInt", "[OverClockingKey] minmode=\"yes\" is not a valid number, using 0"}).empty());
}

TEST_F(SettingsFileTest, OutOfRangeNumbersGiveDefaults) {
    WriteIni("[OverClockingKey]\r\nstopover=4294967297\r\nminmode=-3\r\n");
    EXPECT_EQ(1, settings_.GetStopOver());
    EXPECT_EQ(-3, settings_.GetMinMode());
}

TEST_F(SettingsFileTest, BinaryJunkGivesDefaults) {
    std::string junk;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        char c = char(state >> 16);
        if (c == '[' || c == '=' || c == '\r' || c == '\n') c = '\0';
        junk.push_back(c);
    }
    WriteIni(junk);
    ExpectAllDefaults(settings_);
}

TEST_F(SettingsFileTest, JunkAroundTheSectionStillReadsTheGoodKeys) {
    std::string junk("\x01\xff\xfe" "garbage\x7f");
    WriteIni(junk + "\r\n[OverClockingKey]\r\n" + junk + "\r\nstopover=0\r\n=5\r\n" + junk + "\r\n");
    EXPECT_EQ(0, settings_.GetStopOver());
    EXPECT_EQ(L"O", settings_.GetQuickKey());
    EXPECT_EQ(1000, settings_.GetMonitorTime());
}

TEST(ProcessSettings, ResolvedPathIsBesideTheExecutable) {
    // Before the path is resolved every read gives its default.
    if (GetSettingsPath().empty()) {
        EXPECT_EQ(1, GetStopOverSetting());
        EXPECT_TRUE(IsStopOverOn());
        EXPECT_FALSE(WriteSettingInt(kKeyStopOver, 0));
    }
    std::wstring ini = TestPaths::Join(TestPaths::TestDir(), L"test_settings.ini");
    DeleteFileW(ini.c_str());
    ASSERT_TRUE(InitSettingsPath());
    EXPECT_EQ(ini, GetSettingsPath());
    EXPECT_TRUE(WriteSettingInt(kKeyStopOver, 2));
    EXPECT_TRUE(WriteSettingInt(kKeyAutoStart, 1));
    EXPECT_EQ(2, GetStopOverSetting());
    EXPECT_FALSE(IsStopOverOn());
    EXPECT_TRUE(IsAutoStartOn());
    EXPECT_EQ(0, GetMinModeSetting());
    EXPECT_EQ(1000, GetMonitorTimeSetting());
    EXPECT_EQ(L"O", GetQuickKey());
    EXPECT_TRUE(WriteSettingString(kKeyQuickKey, L"P"));
    EXPECT_EQ(L"P", GetQuickKey());
    EXPECT_EQ(7, ReadSettingInt(L"NoSuchKey", 7));
    DeleteFileW(ini.c_str());
}

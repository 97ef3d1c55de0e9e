#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "settings/AppInfo.h"
#include "settings/BaseReg.h"
#include "support/TestPaths.h"

TEST(FormatSize, UnitBoundaries) {
    EXPECT_EQ(L"0 B", FormatSize(0));
    EXPECT_EQ(L"1023 B", FormatSize(1023));
    EXPECT_EQ(L"1.0 KB", FormatSize(1024));
    EXPECT_EQ(L"1.5 KB", FormatSize(1536));
    EXPECT_EQ(L"1023.0 KB", FormatSize(1023 * 1024));
    EXPECT_EQ(L"1.0 MB", FormatSize(1048576));
    EXPECT_EQ(L"2.5 MB", FormatSize(2621440));
    // No larger unit: gigabytes still show in megabytes.
    EXPECT_EQ(L"4096.0 MB", FormatSize(4294967296ull));
}

TEST(AppFolder, IsTheExecutablesFolderWithoutBackslash) {
    EXPECT_EQ(TestPaths::TestDir(), GetAppFolder());
    std::wstring folder = GetAppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(L'\\', folder.back());
}

TEST(FileVersion, DistProgramCarriesTheProjectVersion) {
    std::wstring exe = TestPaths::Join(TestPaths::DistDir(), L"Velotune.exe");
    EXPECT_EQ(L"1.0.0.0", GetFileVersionStringOf(exe));

    // The texts Explorer shows come from the same resource.
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_NE(0u, size);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    auto text = [&](const wchar_t* name) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        void* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(data.data(), query.c_str(), &value, &chars) || !value) return std::wstring();
        return std::wstring(static_cast<const wchar_t*>(value));
    };
    EXPECT_EQ(L"Velotune", text(L"CompanyName"));
    EXPECT_EQ(L"Velotune", text(L"ProductName"));
    EXPECT_EQ(L"Velotune.exe", text(L"OriginalFilename"));
    EXPECT_EQ(L"1.0.0.0", text(L"FileVersion"));
    EXPECT_EQ(L"1.0.0.0", text(L"ProductVersion"));
    EXPECT_FALSE(text(L"FileDescription").empty());
}

TEST(FileVersion, NoVersionInformationGivesEmptyText) {
    // This test program carries no version resource.
    EXPECT_EQ(L"", GetFileVersionString());
    EXPECT_EQ(L"", GetFileVersionStringOf(TestPaths::Join(TestPaths::TestDir(), L"no_such_file.exe")));
    EXPECT_EQ(L"", GetFileVersionStringOf(L""));
    // A file that is not a program at all.
    std::wstring junk = TestPaths::Join(TestPaths::TestDir(), L"settings_tmp");
    CreateDirectoryW(junk.c_str(), nullptr);
    junk += L"\\junk.exe";
    ASSERT_TRUE(TestPaths::WriteFileBytes(junk, std::string(4096, 'M')));
    EXPECT_EQ(L"", GetFileVersionStringOf(junk));
    DeleteFileW(junk.c_str());
}

// The x86 build runs under WoW64 on the 64-bit systems it is tested on.
TEST(BaseReg, IsWow64MatchesTheBuildAndIsLoggedOnce) {
    const bool expected = sizeof(void*) == 4;
    EXPECT_EQ(expected, CBaseReg::IsWow64());
    EXPECT_EQ(expected, CBaseReg::IsWow64());
    EXPECT_EQ(1u, LogCapture::SinceStart().Find({"CBaseReg::IsWow64", "bIsWow64["}).size());
    EXPECT_EQ(1u, LogCapture::SinceStart().Find({"CBaseReg::IsWow64", expected ? "bIsWow64[1]" : "bIsWow64[0]"}).size());
    EXPECT_TRUE(LogCapture::SinceStart().Find({"error IsWow64Process"}).empty());
}

TEST(BaseReg, ReadsStringValuesWithinTheBuffer) {
    const wchar_t kTestKey[] = L"Software\\VelotuneTest\\BaseReg";
    vt::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, key.Put(), nullptr));
    auto set = [&](const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       DWORD((text.size() + 1) * sizeof(wchar_t)));
    };
    set(L"Fits", L"12345678");
    set(L"TooLong", L"123456789");
    key.Reset();

    CBaseReg reg(HKEY_CURRENT_USER, kTestKey, 0);
    wchar_t buffer[9];
    EXPECT_TRUE(reg.ReadString(L"Fits", buffer, sizeof(buffer)));
    EXPECT_STREQ(L"12345678", buffer);
    EXPECT_FALSE(reg.ReadString(L"TooLong", buffer, sizeof(buffer)));
    EXPECT_STREQ(L"", buffer);
    EXPECT_FALSE(reg.ReadString(L"Missing", buffer, sizeof(buffer)));

    CBaseReg missing(HKEY_CURRENT_USER, L"Software\\VelotuneTest\\NoSuchKey", 0);
    EXPECT_FALSE(missing.ReadString(L"Fits", buffer, sizeof(buffer)));
    // A path too long for the key field is not cut into some other key.
    CBaseReg overlong(HKEY_CURRENT_USER, (std::wstring(kTestKey) + std::wstring(400, L'x')).c_str(), 0);
    EXPECT_FALSE(overlong.ReadString(L"Fits", buffer, sizeof(buffer)));

    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VelotuneTest");
}

// The SDK loader and the safe library search, seen through the log file and
// the libraries the process ends up with.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "sdk/SimSdkSession.h"
#include "support/TestPaths.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/SafeLoadLibrary.h"

namespace {

class CTestLoader : public IOverClockSdkInterface {
public:
    explicit CTestLoader(const wchar_t* name) : IOverClockSdkInterface(name) {}
};

// Writes a unique marker line and returns it; the log text after it is what
// this test wrote (other test programs share the log folder).
std::string MarkLog(const char* what) {
    CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
    CBaseLog::Instance()->PrepareFile();
    CBaseLog::Instance()->Enable(true);
    char marker[96];
    std::snprintf(marker, sizeof(marker), "loader-test %s %lu-%lu", what, GetCurrentProcessId(), GetTickCount());
    VLOG("%s", marker);
    return marker;
}

std::string LogAfter(const std::string& marker) {
    std::string log = TestPaths::ReadFileBytes(TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"));
    size_t at = log.find(marker);
    return at == std::string::npos ? std::string() : log.substr(at);
}

}  // namespace

TEST(SdkLoader, MissingLibraryIsLoggedWithItsErrorCode) {
    std::string marker = MarkLog("missing");
    CTestLoader loader(L"NoSuchSdkLibrary.dll");
    EXPECT_FALSE(loader.LoadDll());
    EXPECT_EQ(nullptr, loader.GetInterface());
    std::string log = LogAfter(marker);
    ASSERT_FALSE(log.empty()) << "marker line not found in the log";
    EXPECT_NE(std::string::npos, log.find("[zqzq] load OverclockingSdkWrapper.dll  errorcode:126\r\n"));
    EXPECT_NE(std::string::npos, log.find("verClockSdkInterface::LoadDll]"));
    EXPECT_NE(std::string::npos, log.find("[zqzq] NULL == m_GetInterface\r\n"));
}

TEST(SdkLoader, MissingExportGivesNoRoot) {
    std::string marker = MarkLog("noexport");
    CTestLoader loader(L"SdkNoExport.dll");
    EXPECT_FALSE(loader.LoadDll());
    EXPECT_EQ(nullptr, loader.GetInterface());
    EXPECT_EQ(nullptr, loader.GetInterface());
    std::string log = LogAfter(marker);
    EXPECT_EQ(std::string::npos, log.find("errorcode:")) << "the library itself was found";
    size_t first = log.find("[zqzq] NULL == m_GetInterface\r\n");
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, log.find("[zqzq] NULL == m_GetInterface\r\n", first + 1))
        << "one line per use";
}

TEST(SdkLoader, LoadsTheSdkAndAsksForTheRootEveryTime) {
    // A renamed copy, so that the library under its own name can still be
    // unloaded by the other tests of this program.
    std::wstring dir = TestPaths::TestDir();
    ASSERT_TRUE(CopyFileW(TestPaths::Join(dir, L"OverclockingSdkWrapper.dll").c_str(),
                          TestPaths::Join(dir, L"SdkLoaderCopy.dll").c_str(), FALSE));
    CSimSdkSession s(L"loader_copy");
    CTestLoader loader(L"SdkLoaderCopy.dll");
    ASSERT_TRUE(loader.LoadDll());
    EXPECT_TRUE(loader.LoadDll()) << "a second call keeps the loaded library";
    IOverclockingSdk* root = loader.GetInterface();
    ASSERT_NE(nullptr, root);
    root->Init();
    EXPECT_TRUE(root->IsInitOK());

    // Each use asks the library again: a root that goes away is noticed.
    s.WriteDefaultProfileWithFaults("NoRoot=1");
    EXPECT_EQ(nullptr, loader.GetInterface());
    s.UseProfile(L"simcpu\\V7-4760K.ini");
    EXPECT_EQ(root, loader.GetInterface());

    EXPECT_EQ(IOverClockSdkInterface::Instance(), IOverClockSdkInterface::Instance());
}

TEST(SafeLoadLibrary, PlantedLibraryInCurrentDirectoryIsNotLoaded) {
    std::wstring dir = TestPaths::TestDir();
    std::wstring planted = TestPaths::Join(dir, L"sdk_runs\\planted");
    CreateDirectoryW(TestPaths::Join(dir, L"sdk_runs").c_str(), nullptr);
    CreateDirectoryW(planted.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(TestPaths::Join(dir, L"SdkNoExport.dll").c_str(),
                          TestPaths::Join(planted, L"PlantedOnly.dll").c_str(), FALSE));
    wchar_t oldDir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryW(planted.c_str()));

    // The plain search would take it from the current directory...
    vt::UniqueModule plain(LoadLibraryW(L"PlantedOnly.dll"));
    EXPECT_NE(nullptr, plain.Get());
    plain.Reset();

    // ...the program's loads do not.
    EXPECT_EQ(nullptr, LoadAppLibrary(L"PlantedOnly.dll"));
    EXPECT_EQ(nullptr, LoadAppLibrary(L"sdk_runs\\planted\\PlantedOnly.dll")) << "bare names only";
    vt::UniqueModule beside(LoadAppLibrary(L"SdkNoExport.dll"));
    EXPECT_NE(nullptr, beside.Get()) << "the program's own folder is searched";
    beside.Reset();
    vt::UniqueModule system(LoadAppLibrary(L"version.dll"));
    EXPECT_NE(nullptr, system.Get()) << "the system folder is searched";
    system.Reset();

    // And after the process-wide restriction, not even a plain load does.
    RestrictDllSearchPath();
    EXPECT_EQ(nullptr, LoadLibraryW(L"PlantedOnly.dll"));

    SetCurrentDirectoryW(oldDir);
}

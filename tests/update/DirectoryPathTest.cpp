// Making every missing folder of a path, as the log tells it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "support/TestPaths.h"
#include "update/DirectoryPath.h"

namespace {

bool IsFolder(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> Created(const LogCapture& log) {
    std::vector<std::string> created;
    for (const std::string& text : log.Texts("DirectoryPath", "CreateDirectoryPath"))
        if (text.compare(0, 8, "created ") == 0) created.push_back(text.substr(8));
    return created;
}

}  // namespace

TEST(CreateDirectoryPath, DriveTwoFoldersAndATrailingForwardSlashMakeBothFoldersInOrder) {
    RemoveDirectoryW(L"C:\\a\\b");
    RemoveDirectoryW(L"C:\\a");
    ASSERT_FALSE(IsFolder(L"C:\\a"));
    LogCapture log;
    EXPECT_TRUE(CreateDirectoryPath(L"C:\\a/b/"));
    EXPECT_TRUE(IsFolder(L"C:\\a\\b"));
    EXPECT_EQ(Created(log), (std::vector<std::string>{"C:\\a", "C:\\a\\b"}));
    RemoveDirectoryW(L"C:\\a\\b");
    RemoveDirectoryW(L"C:\\a");
}

TEST(CreateDirectoryPath, FoldersAlreadyThereArePassedOver) {
    std::wstring base = TestPaths::Join(TestPaths::TestDir(), L"dirpath");
    CreateDirectoryW(base.c_str(), nullptr);
    RemoveDirectoryW((base + L"\\x\\y").c_str());
    RemoveDirectoryW((base + L"\\x").c_str());
    {
        LogCapture log;
        EXPECT_TRUE(CreateDirectoryPath(base));
        EXPECT_TRUE(Created(log).empty()) << "an existing folder is answered at once";
    }
    {
        LogCapture log;
        EXPECT_TRUE(CreateDirectoryPath(base + L"\\x\\y\\"));
        EXPECT_EQ(Created(log), (std::vector<std::string>{TestPaths::Narrow(base + L"\\x"),
                                                          TestPaths::Narrow(base + L"\\x\\y")}));
    }
    EXPECT_TRUE(IsFolder(base + L"\\x\\y"));
}

TEST(CreateDirectoryPath, AFileInTheWayOrAnEmptyPathIsAFailure) {
    std::wstring file = TestPaths::Join(TestPaths::TestDir(), L"dirpath_file");
    TestPaths::WriteFileBytes(file, "x");
    EXPECT_FALSE(CreateDirectoryPath(file));
    EXPECT_FALSE(CreateDirectoryPath(file + L"\\sub"));
    EXPECT_FALSE(CreateDirectoryPath(L""));
}

// Start-ups of a real program (log_probe) in scratch folders: the rename of
// the previous file, the 1 MiB limit, a missing folder and many writers.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/Win32Owners.h"
#include "log/LogLinks.h"
#include "support/TestPaths.h"

namespace {

const char kOpened[] = "\xC8\xD5\xD6\xBE\xCF\xB5\xCD\xB3\xB3\xF5\xCA\xBC\xBB\xAF\xB3\xC9\xB9\xA6.";
const wchar_t kPinnedName[] = L"Velotune.20200229235958.log";

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        out.push_back(bytes.substr(start, end - start));
    if (start < bytes.size()) out.push_back("<unterminated>" + bytes.substr(start));
    return out;
}

// The text of a line after its "]---[tid]" part.
std::string TextOf(const std::string& line) {
    size_t p = line.find("]---[");
    if (p == std::string::npos) return "<malformed>" + line;
    size_t q = line.find(']', p + 5);
    return q == std::string::npos ? "<malformed>" + line : line.substr(q + 1);
}

class LogStartup : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string n = info->name();
        m_dir = std::wstring(temp) + L"vtlog_" + std::wstring(n.begin(), n.end());
        RemoveAll();
        CreateDirectoryW(m_dir.c_str(), nullptr);
        std::wstring probe = TestPaths::Join(TestPaths::TestDir(), L"log_probe.exe");
        ASSERT_TRUE(CopyFileW(probe.c_str(), Path(L"log_probe.exe").c_str(), FALSE));
    }
    void TearDown() override { RemoveAll(); }

    void RemoveAll() {
        for (const wchar_t* sub : {L"log\\Velotune.log", L"log\\Velotune.20200229235958.log", L"log_probe.exe"})
            DeleteFileW(Path(sub).c_str());
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(Path(L"log\\*.log").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileW(Path(std::wstring(L"log\\") + fd.cFileName).c_str());
            while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(Path(L"log").c_str());
        RemoveDirectoryW(m_dir.c_str());
    }
    std::wstring Path(const std::wstring& rel) const { return m_dir + L"\\" + rel; }
    void MakeLogFolder() { CreateDirectoryW(Path(L"log").c_str(), nullptr); }

    // The probe's process, started; null when it could not be.
    vt::UniqueHandle Launch(const std::wstring& args) {
        std::wstring cmd = L"\"" + Path(L"log_probe.exe") + L"\" " + args;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &pi))
            return vt::UniqueHandle();
        vt::UniqueHandle thread(pi.hThread);
        return vt::UniqueHandle(pi.hProcess);
    }
    static DWORD Finish(vt::UniqueHandle process) {
        if (!process) return 0xDEAD;
        WaitForSingleObject(process.Get(), 120000);
        DWORD code = 0xDEAD;
        GetExitCodeProcess(process.Get(), &code);
        return code;
    }
    DWORD Run(const std::wstring& args) { return Finish(Launch(args)); }
    std::string Log() const { return TestPaths::ReadFileBytes(Path(L"log\\Velotune.log")); }

    std::wstring m_dir;
};

}  // namespace

TEST_F(LogStartup, MissingFolderWritesNothingAndDoesNotCrash) {
    EXPECT_EQ(0u, Run(L"lines 5"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Path(L"log").c_str()));
}

TEST_F(LogStartup, LaterWritesRetryOnceTheFolderExists) {
    ASSERT_EQ(0u, Run(L"retry"));
    std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kOpened, TextOf(lines[0]));
    EXPECT_EQ("after the folder exists", TextOf(lines[1]));
}

TEST_F(LogStartup, PreviousRunIsRenamedToItsTimestamp) {
    MakeLogFolder();
    ASSERT_EQ(0u, Run(L"--pin-time lines 1"));
    ASSERT_EQ(0u, Run(L"lines 2"));  // real clock: a different second from the pinned one
    // The first run's file now carries a timestamp; the current one is new.
    EXPECT_EQ(3u, Lines(Log()).size());
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Path(L"log\\Velotune.2*.log").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FindClose(h);
    EXPECT_EQ(27u, wcslen(fd.cFileName));  // "Velotune." + 14 digits + ".log"
}

TEST_F(LogStartup, TwoStartsInOneSecondAppendToTheSameFile) {
    MakeLogFolder();
    ASSERT_TRUE(TestPaths::WriteFileBytes(Path(L"log\\Velotune.log"), "older run\r\n"));
    ASSERT_EQ(0u, Run(L"--pin-time lines 1"));  // renames "older run" away
    ASSERT_EQ(0u, Run(L"--pin-time lines 1"));  // same second: rename fails, appends
    EXPECT_EQ("older run\r\n", TestPaths::ReadFileBytes(Path(std::wstring(L"log\\") + kPinnedName)));
    std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(kOpened, TextOf(lines[2]));
    EXPECT_EQ("probe line 0", TextOf(lines[3]));
}

TEST_F(LogStartup, FileOverOneMebibyteIsDeletedAndExactlyOneIsKept) {
    MakeLogFolder();
    // The pinned timestamp's file exists, so the rename fails and the size rule decides.
    ASSERT_TRUE(TestPaths::WriteFileBytes(Path(std::wstring(L"log\\") + kPinnedName), "x"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(Path(L"log\\Velotune.log"), std::string(1048577, 'o')));
    ASSERT_EQ(0u, Run(L"--pin-time lines 1"));
    EXPECT_EQ(2u, Lines(Log()).size());

    ASSERT_TRUE(TestPaths::WriteFileBytes(Path(L"log\\Velotune.log"), std::string(1048574, 'k') + "\r\n"));
    ASSERT_EQ(0u, Run(L"--pin-time lines 1"));
    std::string log = Log();
    ASSERT_GT(log.size(), 1048576u);
    EXPECT_EQ(std::string(1048574, 'k') + "\r\n", log.substr(0, 1048576));
}

TEST_F(LogStartup, EightWritersLoseAndInterleaveNothing) {
    MakeLogFolder();
    ASSERT_EQ(0u, Run(L"threads 8 10000"));
    std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(80001u, lines.size());
    std::map<int, int> next;
    for (size_t i = 1; i < lines.size(); ++i) {
        int writer = -1, n = -1;
        char tail[64] = {};
        std::string text = TextOf(lines[i]);
        ASSERT_EQ(3, sscanf(text.c_str(), "writer %d line %d %63s", &writer, &n, tail)) << lines[i];
        ASSERT_STREQ("0123456789abcdefghijklmnopqrstuvwxyz", tail) << lines[i];
        ASSERT_EQ(next[writer], n) << "writer " << writer << " out of order";
        next[writer] = n + 1;
    }
    ASSERT_EQ(8u, next.size());
    for (auto& kv : next) EXPECT_EQ(10000, kv.second);
}

// Each line lands at the end of the file as it is when written, not where
// the writer's own file pointer was left: two processes with the file open
// take turns line by line. (Lines written at the very same moment are kept
// whole by Windows, which appends atomically; Wine emulates appending with a
// size lookup and a positioned write, so simultaneity is not tested here.)
TEST_F(LogStartup, TwoProcessesTakingTurnsKeepEveryLineInOrder) {
    MakeLogFolder();
    vt::UniqueHandle ready(CreateSemaphoreW(nullptr, 0, 2, L"VelotuneLogProbeReady"));
    vt::UniqueHandle first(CreateEventW(nullptr, FALSE, FALSE, L"VelotuneLogProbeTurn_first"));
    vt::UniqueHandle second(CreateEventW(nullptr, FALSE, FALSE, L"VelotuneLogProbeTurn_second"));
    ASSERT_TRUE(ready.Get() && first.Get() && second.Get());
    // Both have the file open before either writes a line of its own; they
    // open it one after the other, since opening writes a line too.
    vt::UniqueHandle a = Launch(L"turns first second 300");
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 60000));
    vt::UniqueHandle b = Launch(L"turns second first 300");
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 60000));
    SetEvent(first.Get());
    EXPECT_EQ(0u, Finish(std::move(a)));
    EXPECT_EQ(0u, Finish(std::move(b)));

    std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(602u, lines.size());
    EXPECT_EQ(kOpened, TextOf(lines[0]));
    EXPECT_EQ(kOpened, TextOf(lines[1]));
    for (int k = 0; k < 300; ++k) {
        ASSERT_EQ("first line " + std::to_string(k), TextOf(lines[2 + 2 * k]));
        ASSERT_EQ("second line " + std::to_string(k), TextOf(lines[3 + 2 * k]));
    }
}

// Wine 8 makes no links (its CreateSymbolicLinkW does nothing, and it has
// neither junctions nor hard links), so the rule that decides is checked
// here: what an entry opened without following a link must be to be used.
TEST(LogLinks, NoLinkIsWrittenThrough) {
    struct Case {
        DWORD attributes;
        DWORD names;
        bool folder;
        const char* refusal;
    } const cases[] = {
        {FILE_ATTRIBUTE_DIRECTORY, 1, true, nullptr},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 1, true, "a link (reparse point)"},
        {FILE_ATTRIBUTE_ARCHIVE, 1, true, "not a folder"},
        {FILE_ATTRIBUTE_ARCHIVE, 1, false, nullptr},
        {FILE_ATTRIBUTE_NORMAL, 1, false, nullptr},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 1, false, "a link (reparse point)"},
        {FILE_ATTRIBUTE_ARCHIVE, 2, false, "a file with other names (hard link)"},
        {FILE_ATTRIBUTE_DIRECTORY, 1, false, "a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal ? c.refusal : "used");
        const char* refusal = CLogLinks::Refusal(c.attributes, c.names, c.folder);
        EXPECT_EQ(std::string(refusal ? refusal : "<none>"), std::string(c.refusal ? c.refusal : "<none>"));
    }
}

// The download step against the stand-in downloader loaded into the test
// program: what the library is told (its record), what reaches the window
// (progress reports and the final report), and where the file ends up.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "support/LogCapture.h"
#include "UpdateTestSupport.h"
#include "settings/AppInfo.h"
#include "support/TestPaths.h"
#include "update/P2spBinding.h"
#include "update/UpdateDownload.h"
#include "update/UpdateMessages.h"

namespace {

struct Report {
    int status;
    bool hasRecord;
    DownloadProgress record;
};

// A message-only window that takes every progress report posted to it.
class CProgressSink {
public:
    CProgressSink() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &CProgressSink::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelotuneProgressSink";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CProgressSink() { DestroyWindow(m_hWnd); }
    HWND Hwnd() const { return m_hWnd; }
    // Handles what is queued now.
    const std::vector<Report>& Drain() {
        MSG msg;
        while (PeekMessageW(&msg, m_hWnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return m_reports;
    }
    // Every report's status, after Drain.
    std::vector<int> Statuses() {
        std::vector<int> statuses;
        for (const Report& r : Drain()) statuses.push_back(r.status);
        return statuses;
    }
    std::vector<Report> Progress() const {
        std::vector<Report> r;
        for (const Report& x : m_reports)
            if (x.hasRecord) r.push_back(x);
        return r;
    }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CProgressSink*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (self && msg == UM_UPDATE_PROGRESS) {
            Report r{static_cast<int>(wParam), lParam != 0, DownloadProgress()};
            std::unique_ptr<DownloadProgress> record = TakeDownloadProgress(lParam);
            if (lParam) {
                EXPECT_NE(record, nullptr) << "every record posted is one the download made";
            } else {
                EXPECT_TRUE(TakeFinalReport(hWnd, static_cast<int>(wParam))) << "the final report is known as ours";
                EXPECT_FALSE(TakeFinalReport(hWnd, static_cast<int>(wParam))) << "once";
            }
            if (record) r.record = *record;
            self->m_reports.push_back(r);
            return 0;
        }
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    HWND m_hWnd = nullptr;
    std::vector<Report> m_reports;
};

std::wstring DestFolder() {
    std::wstring folder = TestPaths::Join(TestPaths::TestDir(), L"update_dest");
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring FreshDest() {
    std::wstring path = DestFolder() + L"\\VelotuneSetup.exe";
    DeleteFileW(path.c_str());
    return path;
}

std::wstring CacheFile() { return DestFolder() + L"\\p2spcache\\VelotuneSetup.exe"; }

bool IsFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
}

// Index of the first line starting with prefix at or after `from`, or -1.
int IndexOf(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
    return -1;
}

int IndexOfLine(const std::vector<std::string>& lines, const std::string& line) {
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
        if (lines[i] == line) return i;
    return -1;
}

struct Download {
    std::wstring url = FileUrl(SourceFile());
    std::wstring dest = FreshDest();
    std::atomic<bool> cancel{false};
    CProgressSink sink;
    int Run(CP2SPBinding& library = CP2SPBinding::Instance()) {
        return DownloadUpdate(library, sink.Hwnd(), url, dest, cancel);
    }
};

}  // namespace

TEST(P2spBinding, TheStandInHasEveryExportAndOneWithoutCheckTaskExIsIncomplete) {
    EXPECT_TRUE(LoadP2SP());
    EXPECT_TRUE(CP2SPBinding::Instance().IsLoaded());
    CP2SPBinding partial(TestPaths::Join(TestPaths::TestDir(), L"p2sp_nocheckex"));
    EXPECT_FALSE(partial.Load()) << "P2SPCheckTaskEx is missing";
    EXPECT_TRUE(partial.IsLoaded()) << "the library stays bound; each call checks its own entry";
    CP2SPBinding none(TestPaths::Join(TestPaths::TestDir(), L"no_such_folder"));
    EXPECT_FALSE(none.Load());
    EXPECT_FALSE(none.IsLoaded());
}

TEST(UpdateDownload, AFastDownloadLandsAtTheDestinationAndTheLibraryIsToldEachStep) {
    CDownloaderEnv env;
    LogCapture log;
    Download d;
    EXPECT_EQ(d.Run(), 6);
    EXPECT_EQ(TestPaths::ReadFileBytes(d.dest), SourceBytes());
    const std::vector<Report>& reports = d.sink.Drain();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().status, 6);
    EXPECT_FALSE(reports.back().hasRecord) << "the final report carries no record";

    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url), dest = Narrow(d.dest);
    int init = IndexOf(lines, "P2SPInit\t" + Narrow(DestFolder() + L"\\"));
    int run = IndexOf(lines, "P2SPRun");
    int check = IndexOf(lines, "P2SPCheckTaskEx\t" + url + "\t1\t" + dest + "\t=0");
    int stop = IndexOf(lines, "P2SPStopTask\t" + url);
    int del = IndexOf(lines, "P2SPDelTask\t" + url);
    int task = IndexOf(lines, "P2SPNewTask\t" + url + "\t" + dest + "\t65539\t=1");
    int status = IndexOf(lines, "P2SPGetTaskStatus\t" + url, task);
    int stopAll = IndexOfLine(lines, "P2SPStop");
    int close = IndexOfLine(lines, "P2SPClose");
    EXPECT_EQ(init, 0);
    EXPECT_EQ(run, 1);
    EXPECT_EQ(check, 2);
    EXPECT_EQ(CountPrefix(lines, "P2SPCheckTaskEx\t" + url + "\t2"), 0u) << "kind 2 is asked only after kind 1 said yes";
    EXPECT_LT(check, stop);
    EXPECT_LT(stop, del);
    EXPECT_LT(del, task);
    EXPECT_LT(task, status);
    EXPECT_LT(status, stopAll);
    EXPECT_EQ(close, static_cast<int>(lines.size()) - 1);
    EXPECT_TRUE(log.HasText("download ends with status 6"));
}

// RACE: the first chunk lands while the total is being asked for, as it may
// on a loaded machine.
TEST(UpdateDownload, ASlowDownloadReportsGrowingSizesAboutOnceASecond) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"SLOW", L"200");  // 16 chunks, 200 ms apart
    CDownloaderEnv::Set(L"RACE", L"1");
    Download d;
    EXPECT_EQ(d.Run(), 6);
    d.sink.Drain();
    std::vector<Report> progress = d.sink.Progress();
    ASSERT_GE(progress.size(), 2u);
    uint64_t last = 0;
    bool sawSpeed = false;
    for (const Report& r : progress) {
        EXPECT_NE(r.status, 6);
        EXPECT_NE(r.status, 7);
        EXPECT_EQ(r.record.nReserved, 0);
        EXPECT_GE(r.record.nDownloadedSize, last);
        last = r.record.nDownloadedSize;
        if (r.record.nDownloadedSize > 0) {
            EXPECT_EQ(r.record.nTotalSize, SourceBytes().size());
        }
        EXPECT_LE(r.record.nDownloadedSize, SourceBytes().size());
        sawSpeed = sawSpeed || r.record.nSpeed > 0;
    }
    EXPECT_GT(last, 0u);
    EXPECT_TRUE(sawSpeed);
    // Status, sizes and speed are read once per report, never between.
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    EXPECT_EQ(CountPrefix(lines, "P2SPGetTaskStatus"), progress.size() + 1);
    EXPECT_EQ(CountPrefix(lines, "P2SPGetTaskFileSize"), progress.size());
    EXPECT_EQ(CountPrefix(lines, "P2SPGetTaskSpeed"), progress.size());
    EXPECT_EQ(TestPaths::ReadFileBytes(d.dest), SourceBytes());
}

TEST(UpdateDownload, AFailedTaskIsStoppedAndDeletedAndTheFinalReportCarries7) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"FAIL", L"1");
    CDownloaderEnv::Set(L"SLOW", L"100");
    Download d;
    EXPECT_EQ(d.Run(), 7);
    const std::vector<Report>& reports = d.sink.Drain();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().status, 7);
    EXPECT_FALSE(reports.back().hasRecord);
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url);
    int failed = IndexOf(lines, "P2SPGetTaskStatus\t" + url + "\t=7");
    ASSERT_GE(failed, 0);
    EXPECT_EQ(IndexOf(lines, "P2SPStopTask\t" + url, failed), failed + 1);
    EXPECT_EQ(IndexOf(lines, "P2SPDelTask\t" + url, failed), failed + 2);
    EXPECT_FALSE(IsFile(d.dest)) << "the partial file goes with the task";
}

TEST(UpdateDownload, AFileTheLibraryAlreadyHasIsMovedOutOfItsCacheWithoutANewTask) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"COMPLETE", L"1");
    CDownloaderEnv::Set(L"CACHE", L"1");
    Download d;
    EXPECT_EQ(d.Run(), 6);
    EXPECT_EQ(TestPaths::ReadFileBytes(d.dest), SourceBytes());
    EXPECT_FALSE(IsFile(CacheFile())) << "the library's copy is deleted once ours is there";
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url), dest = Narrow(d.dest);
    EXPECT_GE(IndexOf(lines, "P2SPCheckTaskEx\t" + url + "\t1\t" + dest + "\t=1"), 0);
    EXPECT_GE(IndexOf(lines, "P2SPCheckTaskEx\t" + url + "\t2\t" + dest + "\t=1"), 0);
    EXPECT_GE(IndexOf(lines, "P2SPGetTaskFileName\t" + url + "\t260\t=" + Narrow(CacheFile())), 0);
    EXPECT_EQ(CountPrefix(lines, "P2SPNewTask"), 0u);
    EXPECT_EQ(CountPrefix(lines, "P2SPGetTaskStatus"), 0u);
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{6});
}

TEST(UpdateDownload, ALibraryFileThatIsTheDestinationIsNeitherCopiedNorDeleted) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"COMPLETE", L"1");
    LogCapture log;
    Download d;
    EXPECT_EQ(d.Run(), 6);
    EXPECT_EQ(TestPaths::ReadFileBytes(d.dest), SourceBytes()) << "still there, whole";
    EXPECT_FALSE(log.HasTextStarting("copy of the downloaded file failed"));
    EXPECT_GE(IndexOf(CDownloaderEnv::RecordLines(), "P2SPGetTaskFileName\t" + Narrow(d.url) + "\t260\t=" +
                                                         Narrow(d.dest)),
              0);
}

TEST(UpdateDownload, CancelBeforeTheFirstStatusReadGivesStatus2) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"SLOW", L"200");
    LogCapture log;
    Download d;
    d.cancel = true;
    EXPECT_EQ(d.Run(), 2);
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{2});
    EXPECT_TRUE(d.sink.Progress().empty()) << "the one report carries no record";
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    int task = IndexOf(lines, "P2SPNewTask");
    ASSERT_GE(task, 0);
    EXPECT_EQ(CountPrefix(lines, "P2SPGetTaskStatus"), 0u);
    EXPECT_GE(IndexOf(lines, "P2SPStopTask", task), 0) << "the task is stopped after the loop";
    EXPECT_TRUE(log.HasText("cancelled"));
}

TEST(UpdateDownload, ATaskThatCannotBeMadeEndsWithStatus2AndNoRecord) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"NEWTASK_FAIL", L"1");
    Download d;
    EXPECT_EQ(d.Run(), 2);
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{2});
    EXPECT_TRUE(d.sink.Progress().empty()) << "the one report carries no record";
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url);
    int task = IndexOf(lines, "P2SPNewTask\t" + url);
    ASSERT_GE(task, 0);
    EXPECT_TRUE(lines[task].find("\t=0") != std::string::npos);
    EXPECT_EQ(IndexOf(lines, "P2SPStopTask\t" + url, task), task + 1);
    EXPECT_EQ(IndexOf(lines, "P2SPDelTask\t" + url, task), task + 2);
    EXPECT_EQ(CountPrefix(lines, "P2SPStopTask"), 2u);
}

TEST(UpdateDownload, WithoutTheLibraryEveryCallIsSkippedAndTheFinalReportCarries2) {
    CDownloaderEnv env;
    CP2SPBinding none(TestPaths::Join(TestPaths::TestDir(), L"no_such_folder"));
    Download d;
    EXPECT_EQ(d.Run(none), 2);
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{2});
    EXPECT_TRUE(d.sink.Progress().empty()) << "the one report carries no record";
    EXPECT_EQ(CDownloaderEnv::Record(), "") << "nothing reached any library";
    EXPECT_FALSE(IsFile(d.dest));
}

TEST(UpdateDownload, AServerWithoutALengthGivesATotalOfZero) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"NOSIZE", L"1");
    CDownloaderEnv::Set(L"SLOW", L"150");
    Download d;
    EXPECT_EQ(d.Run(), 6);
    d.sink.Drain();
    std::vector<Report> progress = d.sink.Progress();
    ASSERT_FALSE(progress.empty());
    for (const Report& r : progress) EXPECT_EQ(r.record.nTotalSize, 0u);
    EXPECT_GT(progress.back().record.nDownloadedSize, 0u);
}

TEST(UpdateDownload, WithoutCheckTaskExTheOlderCheckIsAsked) {
    const std::wstring olderFolder = TestPaths::Join(TestPaths::TestDir(), L"p2sp_nocheckex");
    CDownloaderEnv env(olderFolder);
    CDownloaderEnv::Set(L"COMPLETE", L"1");
    CP2SPBinding older(olderFolder);
    Download d;
    EXPECT_EQ(d.Run(older), 6);
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url);
    EXPECT_GE(IndexOf(lines, "P2SPCheckTask\t" + url + "\t1\t=1"), 0);
    EXPECT_GE(IndexOf(lines, "P2SPCheckTask\t" + url + "\t2\t=1"), 0);
    EXPECT_EQ(CountPrefix(lines, "P2SPCheckTaskEx"), 0u);
    EXPECT_EQ(TestPaths::ReadFileBytes(d.dest), SourceBytes());
}

TEST(UpdateDownload, ATextTheCodePageCannotHoldIsPassedAsANullPointer) {
    wchar_t odd[] = L"\x2603\x4E2D";
    BOOL lost = FALSE;
    char probe[16];
    WideCharToMultiByte(CP_THREAD_ACP, 0, odd, -1, probe, sizeof(probe), nullptr, &lost);
    if (!lost) GTEST_SKIP() << "this code page holds every test character";
    CDownloaderEnv env;
    Download d;
    d.url = std::wstring(L"http://updates.invalid/") + odd + L".exe";
    EXPECT_EQ(d.Run(), 2);
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    EXPECT_GE(IndexOf(lines, "P2SPNewTask\t(null)\t" + Narrow(d.dest) + "\t65539\t=0"), 0);
}

TEST(UpdateDownload, AnEmptyDestinationIsRefusedBeforeTheLibraryIsAsked) {
    CDownloaderEnv env;
    Download d;
    d.dest.clear();
    EXPECT_EQ(d.Run(), 7);
    EXPECT_EQ(CDownloaderEnv::Record(), "");
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{7});
}

TEST(UpdateDownload, ACopyThatFailsIsAFailureEvenWithAnOlderFileAtTheDestination) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"COMPLETE", L"1");
    CDownloaderEnv::Set(L"CACHE", L"1");
    LogCapture log;
    Download d;
    TestPaths::WriteFileBytes(d.dest, "an older installer");
    // Held open without write sharing: the copy over it cannot be made.
    vt::UniqueFile held(CreateFileW(d.dest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.Get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(d.Run(), 7);
    held.Reset();
    EXPECT_TRUE(log.HasTextStarting("copy of the downloaded file failed (error "));
    EXPECT_TRUE(log.HasText("download ends with status 7"));
    EXPECT_TRUE(IsFile(CacheFile())) << "the library keeps its copy when ours could not be made";
    EXPECT_EQ(d.sink.Statuses(), std::vector<int>{7});
    DeleteFileW(CacheFile().c_str());
}

namespace {

// A download on a thread of its own, so that the test can cancel it midway.
struct BackgroundDownload {
    Download d;
    std::atomic<int> status{-1};
    vt::UniqueHandle thread;
    static DWORD WINAPI Body(void* p) {
        auto* self = static_cast<BackgroundDownload*>(p);
        self->status = self->d.Run();
        return 0;
    }
    bool Start() {
        thread.Reset(CreateThread(nullptr, 0, &Body, this, 0, nullptr));
        return thread.Valid();
    }
    bool Join() {
        bool ended = WaitForSingleObject(thread.Get(), 20000) == WAIT_OBJECT_0;
        thread.Reset();
        return ended;
    }
};

}  // namespace

TEST(UpdateDownload, ACancelledDownloadLeavesNoPartialFile) {
    CDownloaderEnv env;
    CDownloaderEnv::Set(L"SLOW", L"200");
    LogCapture log;
    BackgroundDownload bg;
    Download& d = bg.d;
    ASSERT_TRUE(bg.Start());
    // Cancelled once part of the file is there.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
        std::string bytes = TestPaths::ReadFileBytes(d.dest);
        if (!bytes.empty() && bytes.size() < SourceBytes().size()) break;
    }
    EXPECT_FALSE(TestPaths::ReadFileBytes(d.dest).empty());
    d.cancel = true;
    ASSERT_TRUE(bg.Join());
    EXPECT_NE(bg.status, 6);
    EXPECT_FALSE(IsFile(d.dest)) << "the partial file goes with the cancel";
    EXPECT_TRUE(log.HasText("cancelled"));
    std::vector<std::string> lines = CDownloaderEnv::RecordLines();
    std::string url = Narrow(d.url);
    int stop = IndexOf(lines, "P2SPStopTask\t" + url, IndexOf(lines, "P2SPNewTask"));
    ASSERT_GE(stop, 0);
    EXPECT_GE(IndexOf(lines, "P2SPDelTask\t" + url, stop), 0) << "the task is forgotten too";
}

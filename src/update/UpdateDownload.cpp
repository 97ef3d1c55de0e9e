#include "update/UpdateDownload.h"

#include <cwchar>
#include <set>
#include <utility>

#include "base/Win32Owners.h"
#include "log/BaseLog.h"
#include "update/P2spBinding.h"
#include "update/UpdateMessages.h"

namespace {

constexpr int kStatusNoTask = 2;
constexpr DWORD kPollMs = 200;
constexpr int kPassesPerStatusRead = 5;

bool IsFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Two spellings of one file: letter case and slashes do not matter.
bool SameFile(const std::wstring& a, const std::wstring& b) {
    wchar_t fa[MAX_PATH * 2] = {}, fb[MAX_PATH * 2] = {};
    DWORD na = GetFullPathNameW(a.c_str(), MAX_PATH * 2, fa, nullptr);
    DWORD nb = GetFullPathNameW(b.c_str(), MAX_PATH * 2, fb, nullptr);
    if (na == 0 || nb == 0 || na >= MAX_PATH * 2 || nb >= MAX_PATH * 2) return _wcsicmp(a.c_str(), b.c_str()) == 0;
    return _wcsicmp(fa, fb) == 0;
}

// The library may keep the finished file elsewhere: move it to the
// destination. True when the destination holds this download's file
// afterwards; an older file left there by a failed copy does not count, and
// it goes, so that nothing stale or half-written is ever run.
bool TakeLibraryFile(CP2SPBinding& library, const std::wstring& url, const std::wstring& localFile) {
    std::wstring libraryFile = library.GetTaskFileName(url);
    if (!libraryFile.empty() && !SameFile(libraryFile, localFile) && IsFile(libraryFile)) {
        // The library's copy goes only once ours is safely there.
        if (!CopyFileW(libraryFile.c_str(), localFile.c_str(), FALSE)) {
            VLOG("copy of the downloaded file failed (error %lu)", GetLastError());
            DeleteFileW(localFile.c_str());
            return false;
        }
        DeleteFileW(libraryFile.c_str());
    }
    if (IsFile(localFile)) return true;
    VLOG("the downloaded file is not at its destination");
    return false;
}

// Records and final reports handed out with a message and not yet taken by
// the receiver: what any other sender posts matches neither.
vt::CriticalSection& RecordsLock() {
    static vt::CriticalSection lock;
    return lock;
}
std::set<DownloadProgress*>& IssuedRecords() {
    static std::set<DownloadProgress*> records;
    return records;
}
std::multiset<std::pair<HWND, int>>& IssuedFinalReports() {
    static std::multiset<std::pair<HWND, int>> reports;
    return reports;
}

void PostProgress(HWND hNotify, int status, std::unique_ptr<DownloadProgress> owned) {
    DownloadProgress* record = owned.release();  // the receiver takes it back
    {
        vt::LockGuard hold(RecordsLock());
        if (record) IssuedRecords().insert(record);
        else IssuedFinalReports().insert({hNotify, status});
    }
    if (PostMessageW(hNotify, UM_UPDATE_PROGRESS, static_cast<WPARAM>(status), reinterpret_cast<LPARAM>(record)))
        return;
    // Nobody will receive it.
    if (record) TakeDownloadProgress(reinterpret_cast<LPARAM>(record));
    else TakeFinalReport(hNotify, status);
}

uint64_t NotNegative(int64_t value) { return value > 0 ? static_cast<uint64_t>(value) : 0; }

}  // namespace

std::unique_ptr<DownloadProgress> TakeDownloadProgress(LPARAM lParam) {
    auto* record = reinterpret_cast<DownloadProgress*>(lParam);
    if (!record) return nullptr;
    vt::LockGuard hold(RecordsLock());
    bool issued = IssuedRecords().erase(record) == 1;
    return std::unique_ptr<DownloadProgress>(issued ? record : nullptr);
}

bool TakeFinalReport(HWND hWnd, int status) {
    vt::LockGuard hold(RecordsLock());
    auto& reports = IssuedFinalReports();
    auto it = reports.find({hWnd, status});
    bool issued = it != reports.end();
    if (issued) reports.erase(it);
    return issued;
}

int DownloadUpdate(CP2SPBinding& library, HWND hNotify, const std::wstring& strUrl,
                   const std::wstring& strLocalFile, const std::atomic<bool>& bCancel,
                   const std::function<bool()>& accept) {
    if (strLocalFile.empty()) {
        // Without a download folder there is nowhere safe to put the file.
        VLOG("no destination for the download");
        PostProgress(hNotify, P2sp::kStatusFailed, nullptr);
        return P2sp::kStatusFailed;
    }
    library.Load();
    // The library keeps whatever it needs beside the destination, in the
    // same protected folder.
    library.Init(strLocalFile.substr(0, strLocalFile.find_last_of(L"\\/") + 1));
    library.Run();
    int status = kStatusNoTask;
    if (library.CheckTask(strUrl, P2sp::kCheckComplete, strLocalFile) > 0 &&
        library.CheckTask(strUrl, P2sp::kCheckVerified, strLocalFile) > 0) {
        VLOG("already downloaded");
        status = TakeLibraryFile(library, strUrl, strLocalFile) ? P2sp::kStatusFinished : P2sp::kStatusFailed;
    } else {
        library.StopTask(strUrl);
        library.DelTask(strUrl);
        if (!library.NewTask(strUrl, strLocalFile, P2sp::kNewTaskFlags)) {
            VLOG("the download task could not be made");
            library.StopTask(strUrl);
            library.DelTask(strUrl);
            status = kStatusNoTask;
        } else {
            bool cancelled = false;
            for (int n = 0;; n = (n + 1) % kPassesPerStatusRead) {
                if (bCancel) {
                    VLOG("cancelled");
                    cancelled = true;
                    break;
                }
                if (n == 0) {
                    status = library.GetTaskStatus(strUrl);
                    if (status == P2sp::kStatusFinished) {
                        if (!TakeLibraryFile(library, strUrl, strLocalFile)) status = P2sp::kStatusFailed;
                        library.StopTask(strUrl);
                        break;
                    }
                    if (status == P2sp::kStatusFailed) {
                        library.StopTask(strUrl);
                        library.DelTask(strUrl);
                        break;
                    }
                    auto record = std::make_unique<DownloadProgress>();
                    // Downloaded size first: a downloader knows the total
                    // before its first byte, so a report never shows bytes
                    // without the total they belong to.
                    record->nDownloadedSize = NotNegative(library.GetTaskDownloadedSize(strUrl));
                    record->nTotalSize = NotNegative(library.GetTaskFileSize(strUrl));
                    record->nSpeed = library.GetTaskSpeed(strUrl);
                    PostProgress(hNotify, status, std::move(record));
                }
                Sleep(kPollMs);
            }
            library.StopTask(strUrl);
            if (cancelled) {
                // What was fetched so far is of no use to anyone.
                library.DelTask(strUrl);
                if (DeleteFileW(strLocalFile.c_str())) VLOG("partial download removed");
            }
        }
    }
    if (status == P2sp::kStatusFinished && accept && !accept()) status = P2sp::kStatusFailed;
    VLOG("download ends with status %d", status);
    PostProgress(hNotify, status, nullptr);
    library.Stop();
    library.Close();
    return status;
}

// The stand-in "p2spd.dll": a downloader that "downloads" by copying a local
// file, chunk by chunk on a thread of its own, so that the task's status,
// sizes and speed change as the file grows. Every call is written down.
// Switches ("p2spd.ini" beside the library, section [StandIn]) are
// described in README.md.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>

#include "base/Win32Owners.h"
#include "base/ThreadStack.h"
#include "common/SimEnvironment.h"
#include "update/P2spdInterface.h"

namespace {

constexpr int kSlowChunks = 16;
constexpr DWORD kDefaultSlowDelayMs = 250;
constexpr DWORD kFastChunkBytes = 256 * 1024;

struct Task {
    std::string url;
    std::wstring source;     // empty: nothing to download from (the task fails)
    std::wstring writePath;  // the file this library writes
    std::atomic<int> status{P2sp::kStatusConnecting};
    std::atomic<int64_t> total{0};
    std::atomic<int64_t> downloaded{0};
    std::atomic<int> speed{0};
    vt::UniqueHandle thread;
    vt::UniqueHandle stopEvent;
    // Switch RACE: the thread learns the total only once the size has
    // been asked for, and the first chunk lands before that answer returns.
    vt::UniqueHandle sizeAsked;
    vt::UniqueHandle firstChunk;
};

constexpr DWORD kRaceWaitMs = 5000;

CRITICAL_SECTION g_lock;
std::map<std::string, Task*> g_tasks;
std::string g_initFolder;
bool g_initialised = false;
bool g_running = false;

class Lock {
public:
    Lock() { EnterCriticalSection(&g_lock); }
    ~Lock() { LeaveCriticalSection(&g_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

std::wstring Wide(const char* text) {
    if (!text) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

const char* Show(const char* text) { return text ? text : "(null)"; }

// Appends one line (CRLF) to the record file.
void Record(const std::string& line) {
    simcommon::AppendLine(simcommon::RecordFile(), line);
}

bool IsFile(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The last part of a URL or path.
std::wstring NameOf(const std::wstring& url) {
    size_t slash = url.find_last_of(L"/\\");
    return slash == std::wstring::npos ? url : url.substr(slash + 1);
}

// Where the bytes of a URL come from: a local file named by the URL
// ("file:///C:/x/setup.exe" or a plain path), else the file of the same
// name in the mirror folder (switch SOURCE, a folder inside this library's
// own; default "p2spsrc" beside it). Empty when neither exists.
std::wstring SourceOf(const std::string& url) {
    std::wstring w = Wide(url.c_str());
    std::wstring local = w;
    if (local.compare(0, 8, L"file:///") == 0) local = local.substr(8);
    else if (local.compare(0, 7, L"file://") == 0) local = local.substr(7);
    for (wchar_t& c : local)
        if (c == L'/') c = L'\\';
    if (!local.empty() && IsFile(local)) return local;
    std::wstring mirror = simcommon::SwitchPath(L"SOURCE", L"p2spsrc");
    std::wstring name = NameOf(w);
    std::wstring candidate = mirror + L"\\" + name;
    if (!name.empty() && IsFile(candidate)) return candidate;
    return std::wstring();
}

// With switch CACHE=1 the library keeps its files in a folder of its
// own and the caller copies them out; otherwise it writes the destination.
std::wstring WritePathFor(const std::string& url, const char* destination) {
    if (simcommon::SwitchInt(L"CACHE") == 1) {
        std::wstring folder = Wide(g_initFolder.c_str());
        if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
        folder += L"p2spcache";
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder + L"\\" + NameOf(Wide(url.c_str()));
    }
    if (destination) return Wide(destination);
    std::wstring folder = Wide(g_initFolder.c_str());
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder + NameOf(Wide(url.c_str()));
}

int64_t SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

DWORD WINAPI Download(void* param) {
    vt::ReleaseUnusedStack();
    Task* task = static_cast<Task*>(param);
    if (task->source.empty()) {
        task->status = P2sp::kStatusFailed;
        return 0;
    }
    vt::UniqueFile in(
        CreateFileW(task->source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    vt::UniqueFile out(CreateFileW(task->writePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in || !out) {
        // Closed before the failure shows: a caller may act on it at once.
        in.Reset();
        out.Reset();
        task->status = P2sp::kStatusFailed;
        return 0;
    }
    const int64_t total = SizeOf(task->source);
    if (task->sizeAsked) {
        HANDLE either[2] = {task->sizeAsked.Get(), task->stopEvent.Get()};
        WaitForMultipleObjects(2, either, FALSE, kRaceWaitMs);
    }
    task->total = total;
    const int slowMs = simcommon::SwitchInt(L"SLOW");
    const bool slow = slowMs != 0;
    const DWORD delay = slowMs >= 20 ? static_cast<DWORD>(slowMs) : kDefaultSlowDelayMs;
    const bool fail = simcommon::SwitchInt(L"FAIL") == 1;
    DWORD chunk = slow ? static_cast<DWORD>(total / kSlowChunks + 1) : kFastChunkBytes;
    std::string buffer(chunk, '\0');
    const DWORD start = GetTickCount();
    task->status = P2sp::kStatusDownloading;
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(in.Get(), &buffer[0], chunk, &got, nullptr) ||
            (got > 0 && !WriteFile(out.Get(), buffer.data(), got, &put, nullptr))) {
            task->status = P2sp::kStatusFailed;
            break;
        }
        if (got == 0) {
            task->status = P2sp::kStatusFinished;
            break;
        }
        task->downloaded += put;
        if (task->firstChunk) SetEvent(task->firstChunk.Get());
        DWORD elapsed = GetTickCount() - start;
        task->speed = static_cast<int>(task->downloaded * 1000 / (elapsed ? elapsed : 1));
        if (fail) {
            task->status = P2sp::kStatusFailed;
            break;
        }
        if (WaitForSingleObject(task->stopEvent.Get(), slow ? delay : 0) == WAIT_OBJECT_0) {
            task->status = P2sp::kStatusStopped;
            break;
        }
    }
    task->speed = 0;
    return 0;
}

Task* Find(const char* url) {
    if (!url) return nullptr;
    auto it = g_tasks.find(url);
    return it == g_tasks.end() ? nullptr : it->second;
}

void StopThread(Task* task) {
    if (!task->thread) return;
    SetEvent(task->stopEvent.Get());
    WaitForSingleObject(task->thread.Get(), INFINITE);
    task->thread.Reset();
}

void DeleteTask(Task* task) {
    StopThread(task);
    if (task->status != P2sp::kStatusFinished && !task->writePath.empty()) DeleteFileW(task->writePath.c_str());
    delete task;
}

std::string Num(int64_t value) { return std::to_string(value); }

// Switch SWAP: someone replaces a finished file, as a neighbour with
// write access to the download folder would, both in place and by renaming
// another file over it. 1: when the caller asks for the file's name (after
// the finished report, before it can have opened the file); 2: when the
// caller stops the library (after it has taken the file). Each attempt is
// recorded: "swap <how>\t<path>\t=ok" or "=<error>".
constexpr char kSwappedBytes[] = "swapped in by someone else\r\n";

void TrySwap(const std::wstring& path) {
    vt::UniqueFile inPlace(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    bool wrote = inPlace && WriteFile(inPlace.Get(), kSwappedBytes, sizeof(kSwappedBytes) - 1, &put, nullptr);
    Record("swap in place\t" + Narrow(path) + "\t=" + (wrote ? std::string("ok") : Num(GetLastError())));
    inPlace.Reset();
    std::wstring other = path + L".swap";
    vt::UniqueFile made(CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (made) WriteFile(made.Get(), kSwappedBytes, sizeof(kSwappedBytes) - 1, &put, nullptr);
    made.Reset();
    bool moved = MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    Record("swap by rename\t" + Narrow(path) + "\t=" + (moved ? std::string("ok") : Num(GetLastError())));
    if (!moved) DeleteFileW(other.c_str());
}

// Answer of both check kinds: whether the library's file for the URL is
// complete. With switch COMPLETE=1 it is made complete first.
int Check(const char* url, int kind, const char* path, const char* exportName) {
    Lock lock;
    int answer = 0;
    if (url && simcommon::SwitchInt(L"COMPLETE") == 1) {
        Task* task = Find(url);
        if (!task) {
            std::wstring source = SourceOf(url);
            std::wstring target = WritePathFor(url, path);
            if (!source.empty() && CopyFileW(source.c_str(), target.c_str(), FALSE)) {
                task = new Task;
                task->url = url;
                task->source = source;
                task->writePath = target;
                task->total = task->downloaded = SizeOf(target);
                task->status = P2sp::kStatusFinished;
                task->stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
                g_tasks[url] = task;
            }
        }
        answer = task && task->status == P2sp::kStatusFinished && IsFile(task->writePath) ? 1 : 0;
    }
    std::string line = std::string(exportName) + "\t" + Show(url) + "\t" + Num(kind);
    if (path || std::string(exportName) == "P2SPCheckTaskEx") line += std::string("\t") + Show(path);
    Record(line + "\t=" + Num(answer));
    return answer;
}

// A task's reading, `none` for a URL without a task; written down as
// "<export>\t<url>\t=<value>".
template <class T>
T Reading(const char* exportName, const char* url, std::atomic<T> Task::*field, T none) {
    Lock lock;
    Task* task = Find(url);
    const T value = task ? (task->*field).load() : none;
    Record(std::string(exportName) + "\t" + Show(url) + "\t=" + Num(value));
    return value;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&g_lock);
    return TRUE;
}

#define P2SP_EXPORT extern "C" __declspec(dllexport)

P2SP_EXPORT int __stdcall P2SPSetTaskStatusChangedCallback(P2sp::TaskStatusCallback, void*) {
    Record("P2SPSetTaskStatusChangedCallback");
    return 1;
}

P2SP_EXPORT int __stdcall P2SPInit(const char* folder) {
    Lock lock;
    g_initFolder = folder ? folder : "";
    g_initialised = folder != nullptr;
    Record(std::string("P2SPInit\t") + Show(folder));
    return g_initialised ? 1 : 0;
}

P2SP_EXPORT int __stdcall P2SPRun() {
    Lock lock;
    g_running = g_initialised;
    Record("P2SPRun");
    return g_running ? 1 : 0;
}

P2SP_EXPORT int __stdcall P2SPStop() {
    Lock lock;
    for (auto& entry : g_tasks) StopThread(entry.second);
    if (simcommon::SwitchInt(L"SWAP") == 2)
        for (auto& entry : g_tasks)
            if (entry.second->status == P2sp::kStatusFinished) TrySwap(entry.second->writePath);
    g_running = false;
    Record("P2SPStop");
    return 1;
}

P2SP_EXPORT int __stdcall P2SPClose() {
    Lock lock;
    for (auto& entry : g_tasks) {
        StopThread(entry.second);
        delete entry.second;
    }
    g_tasks.clear();
    g_running = g_initialised = false;
    Record("P2SPClose");
    return 1;
}

P2SP_EXPORT int __stdcall P2SPSetProxy(const char* host, int port, const char*, const char*) {
    Record(std::string("P2SPSetProxy\t") + Show(host) + "\t" + Num(port));
    return 1;
}

P2SP_EXPORT int __stdcall P2SPTestProxy(const char* host, int port, const char*, const char*) {
    Record(std::string("P2SPTestProxy\t") + Show(host) + "\t" + Num(port));
    return 1;
}

P2SP_EXPORT int __stdcall P2SPNewTask(const char* url, const char* path, int flags) {
    Lock lock;
    int result = 0;
    if (url && path && g_running && !Find(url) && simcommon::SwitchInt(L"NEWTASK_FAIL") != 1) {
        Task* task = new Task;
        task->url = url;
        task->source = SourceOf(url);
        task->writePath = WritePathFor(url, path);
        task->stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (simcommon::SwitchInt(L"RACE") == 1) {
            task->sizeAsked.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
            task->firstChunk.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        }
        g_tasks[url] = task;
        task->thread.Reset(CreateThread(nullptr, 0, &Download, task, 0, nullptr));
        result = task->thread ? 1 : 0;
    }
    Record(std::string("P2SPNewTask\t") + Show(url) + "\t" + Show(path) + "\t" + Num(flags) + "\t=" + Num(result));
    return result;
}

P2SP_EXPORT int __stdcall P2SPRunTask(const char* url) {
    Record(std::string("P2SPRunTask\t") + Show(url));
    return 1;
}

P2SP_EXPORT int __stdcall P2SPRunTaskEx(const char* url, int priority) {
    Record(std::string("P2SPRunTaskEx\t") + Show(url) + "\t" + Num(priority));
    return 1;
}

P2SP_EXPORT int __stdcall P2SPStopTask(const char* url) {
    Lock lock;
    Task* task = Find(url);
    if (task) {
        StopThread(task);
        int s = task->status;
        if (s != P2sp::kStatusFinished && s != P2sp::kStatusFailed) task->status = P2sp::kStatusStopped;
    }
    Record(std::string("P2SPStopTask\t") + Show(url));
    return task ? 1 : 0;
}

P2SP_EXPORT int __stdcall P2SPDelTask(const char* url) {
    Lock lock;
    Task* task = Find(url);
    if (task) {
        g_tasks.erase(task->url);
        DeleteTask(task);
    }
    Record(std::string("P2SPDelTask\t") + Show(url));
    return task ? 1 : 0;
}

#ifndef VT_P2SP_WITHOUT_CHECKTASKEX
P2SP_EXPORT int __stdcall P2SPCheckTaskEx(const char* url, int kind, const char* path) {
    return Check(url, kind, path, "P2SPCheckTaskEx");
}
#endif

P2SP_EXPORT int __stdcall P2SPCheckTask(const char* url, int kind) { return Check(url, kind, nullptr, "P2SPCheckTask"); }

P2SP_EXPORT int __stdcall P2SPGetAllTaskSpeed() {
    Lock lock;
    int sum = 0;
    for (auto& entry : g_tasks) sum += entry.second->speed;
    Record("P2SPGetAllTaskSpeed\t=" + Num(sum));
    return sum;
}

P2SP_EXPORT int __stdcall P2SPIsExistTask(const char* url) {
    Lock lock;
    int exists = Find(url) ? 1 : 0;
    Record(std::string("P2SPIsExistTask\t") + Show(url) + "\t=" + Num(exists));
    return exists;
}

P2SP_EXPORT int __stdcall P2SPGetTaskFileName(const char* url, char* buffer, int size) {
    Lock lock;
    Task* task = Find(url);
    int result = 0;
    std::string path = task ? Narrow(task->writePath) : std::string();
    if (task && buffer && size > 0 && path.size() < static_cast<size_t>(size)) {
        memcpy(buffer, path.c_str(), path.size() + 1);
        result = 1;
    }
    Record(std::string("P2SPGetTaskFileName\t") + Show(url) + "\t" + Num(size) + "\t=" + (result ? path : "0"));
    if (task && task->status == P2sp::kStatusFinished && simcommon::SwitchInt(L"SWAP") == 1) TrySwap(task->writePath);
    return result;
}

P2SP_EXPORT int __stdcall P2SPGetTaskStatus(const char* url) {
    return Reading("P2SPGetTaskStatus", url, &Task::status, static_cast<int>(P2sp::kStatusNone));
}

P2SP_EXPORT int __stdcall P2SPGetTaskSpeed(const char* url) { return Reading("P2SPGetTaskSpeed", url, &Task::speed, 0); }

P2SP_EXPORT int64_t __stdcall P2SPGetTaskFileSize(const char* url) {
    Lock lock;
    Task* task = Find(url);
    int64_t size = 0;
    // Before the first byte arrives, and for a server that sends no length
    // (switch NOSIZE=1), the total is unknown: 0.
    if (task && simcommon::SwitchInt(L"NOSIZE") != 1) size = task->total;
    if (task && task->sizeAsked && WaitForSingleObject(task->sizeAsked.Get(), 0) == WAIT_TIMEOUT) {
        SetEvent(task->sizeAsked.Get());
        WaitForSingleObject(task->firstChunk.Get(), kRaceWaitMs);
    }
    Record(std::string("P2SPGetTaskFileSize\t") + Show(url) + "\t=" + Num(size));
    return size;
}

P2SP_EXPORT int64_t __stdcall P2SPGetTaskDownloadedSize(const char* url) {
    return Reading("P2SPGetTaskDownloadedSize", url, &Task::downloaded, int64_t(0));
}

P2SP_EXPORT int __stdcall P2SPGetOrlUrlToUrl(const char* url, char* buffer, int size) {
    std::string text = url ? url : "";
    int result = 0;
    if (url && buffer && size > 0 && text.size() < static_cast<size_t>(size)) {
        memcpy(buffer, text.c_str(), text.size() + 1);
        result = 1;
    }
    Record(std::string("P2SPGetOrlUrlToUrl\t") + Show(url));
    return result;
}

P2SP_EXPORT int __stdcall P2SPWininetDown(const char* url, const char* path) {
    Record(std::string("P2SPWininetDown\t") + Show(url) + "\t" + Show(path));
    return 0;
}

P2SP_EXPORT int __stdcall P2SP_XL_LimitSpeed(int kilobytesPerSecond) {
    Record("P2SP_XL_LimitSpeed\t" + Num(kilobytesPerSecond));
    return 1;
}

// Log throughput: lines written through VLOG against plain WriteFile calls
// that write the very bytes the log wrote, one call per line under one lock
// as the log does, to a file of their own. A warm-up of each, then pairs in
// alternating order, with 1 and with 4 threads.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchStats.h"
#include "log/BaseLog.h"

namespace {

constexpr int kPairs = 7;
constexpr int kLinesPerPass = 8000;

template <class Fn>
double Timed(int threads, Fn fn) {
    const double start = BenchNow();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) pool.emplace_back(fn, t);
    for (auto& th : pool) th.join();
    return BenchNow() - start;
}

LONGLONG FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (LONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The lines the log added to its file from `from` on, each with its CRLF.
std::vector<std::string> LinesSince(const char* path, LONGLONG from) {
    std::vector<std::string> lines;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lines;
    LARGE_INTEGER at;
    at.QuadPart = from;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    std::string bytes;
    char buf[65536];
    DWORD got;
    while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got) bytes.append(buf, got);
    CloseHandle(h);
    for (size_t pos = 0; pos < bytes.size();) {
        size_t end = bytes.find("\r\n", pos);
        end = end == std::string::npos ? bytes.size() : end + 2;
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

class Passes {
public:
    Passes(int threads, HANDLE plain, HANDLE appending)
        : m_threads(threads), m_plain(plain), m_appending(appending) {
        InitializeCriticalSection(&m_lock);
    }
    ~Passes() { DeleteCriticalSection(&m_lock); }

    double Logged() {
        const int each = kLinesPerPass / m_threads;
        return Timed(m_threads, [each](int) {
            for (int i = 0; i < each; ++i) VLOG("frequency %.2f GHz, period %d ms", 3.96, 1000);
        });
    }

    // Into a file opened for appending only, as the log opens its own.
    double Appending(const std::vector<std::string>& lines) { return Plain(lines, m_appending); }

    double Plain(const std::vector<std::string>& lines) { return Plain(lines, m_plain); }

private:
    double Plain(const std::vector<std::string>& lines, HANDLE file) {
        const int each = (int)lines.size() / m_threads;
        return Timed(m_threads, [&, each](int t) {
            for (int i = t * each; i < (t + 1) * each; ++i) {
                DWORD written;
                EnterCriticalSection(&m_lock);
                WriteFile(file, lines[i].data(), (DWORD)lines[i].size(), &written, nullptr);
                LeaveCriticalSection(&m_lock);
            }
        });
    }

    int m_threads;
    HANDLE m_plain;
    HANDLE m_appending;
    CRITICAL_SECTION m_lock;
};

}  // namespace

int main() {
    CreateDirectoryA("log", nullptr);
    LogStartup();
    HANDLE plain = CreateFileA("log\\baseline.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE appending = CreateFileA("log\\appending.log", FILE_APPEND_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (plain == INVALID_HANDLE_VALUE || appending == INVALID_HANDLE_VALUE || !LogOpenFile()) {
        std::printf("cannot open the log files\n");
        return 1;
    }
    const char* logPath = "log\\Velotune.log";

    std::printf("%d pairs after a warm-up, alternating, %d lines a pass; median (min-max):\n", kPairs, kLinesPerPass);
    for (int threads : {1, 4}) {
        Passes passes(threads, plain, appending);
        const LONGLONG before = FileSize(logPath);
        passes.Logged();  // warm-up, and the bytes the plain writes repeat
        const std::vector<std::string> lines = LinesSince(logPath, before);
        if (lines.size() < (size_t)kLinesPerPass) {
            std::printf("the log did not write its lines\n");
            return 1;
        }
        passes.Plain(lines);
        passes.Appending(lines);
        std::vector<double> logRate, plainRate, ratio, appendRate, appendRatio;
        for (int pair = 0; pair < kPairs; ++pair) {
            double logged, base, appended;
            if (pair % 2 == 0) {
                logged = passes.Logged();
                base = passes.Plain(lines);
                appended = passes.Appending(lines);
            } else {
                appended = passes.Appending(lines);
                base = passes.Plain(lines);
                logged = passes.Logged();
            }
            appendRate.push_back(kLinesPerPass / appended);
            appendRatio.push_back(logged / appended);
            logRate.push_back(kLinesPerPass / logged);
            plainRate.push_back(kLinesPerPass / base);
            ratio.push_back(logged / base);
        }
        std::printf("log throughput, %d thread(s): VLOG %s lines/s, plain WriteFile of the same bytes %s lines/s, "
                    "time ratio %s\n",
                    threads, Describe(SpreadOf(logRate), "%.0f").c_str(), Describe(SpreadOf(plainRate), "%.0f").c_str(),
                    Describe(SpreadOf(ratio), "%.2f").c_str());
        // The log appends so that several processes' lines stay whole; what
        // appending itself costs (Wine: a stat of the file per write) is not
        // the log's formatting.
        std::printf("  of which appending: plain WriteFile of the same bytes to a file opened for appending only "
                    "%s lines/s, VLOG's time against it %s\n",
                    Describe(SpreadOf(appendRate), "%.0f").c_str(), Describe(SpreadOf(appendRatio), "%.2f").c_str());
    }
    CloseHandle(appending);
    DeleteFileA("log\\appending.log");
    CloseHandle(plain);
    DeleteFileA("log\\baseline.log");
    return 0;
}

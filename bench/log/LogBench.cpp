// Log throughput: CBaseLog::Write against plain WriteFile calls that write
// the same bytes to a file of their own, in the same run, with 1 and 4
// threads. Prints lines per second for both and their cost ratio.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "log/BaseLog.h"

namespace {

constexpr int kLinesPerThread = 20000;

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

template <class Fn>
double Timed(int threads, Fn fn) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) pool.emplace_back(fn, t);
    for (auto& th : pool) th.join();
    QueryPerformanceCounter(&b);
    return Seconds(a, b);
}

// A typical line, already formatted, as the baseline writes it.
const char kLine[] =
    "[2026-12- 7 22:42:25][ 412][  CpuMonitorThread|CCpuMonitorThread::CpuMonitor]---[1234]"
    "frequency 3.96 GHz, period 1000 ms\r\n";

}  // namespace

int main() {
    CreateDirectoryA("log", nullptr);
    LogStartup();
    HANDLE plain = CreateFileA("log\\baseline.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (plain == INVALID_HANDLE_VALUE || !LogOpenFile()) {
        std::printf("cannot open the log files\n");
        return 1;
    }
    CRITICAL_SECTION lock;
    InitializeCriticalSection(&lock);
    const DWORD len = (DWORD)std::strlen(kLine);

    int rc = 0;
    for (int threads : {1, 4}) {
        double base = Timed(threads, [&](int) {
            for (int i = 0; i < kLinesPerThread; ++i) {
                DWORD w;
                EnterCriticalSection(&lock);  // the same one-lock-per-line shape
                WriteFile(plain, kLine, len, &w, nullptr);
                LeaveCriticalSection(&lock);
            }
        });
        double logged = Timed(threads, [&](int) {
            for (int i = 0; i < kLinesPerThread; ++i)
                VLOG("frequency %.2f GHz, period %d ms", 3.96, 1000);
        });
        double lines = double(threads) * kLinesPerThread;
        double ratio = logged / base;
        std::printf("log write, %d thread(s): %.0f lines/s; plain WriteFile: %.0f lines/s; ratio %.2f%s\n",
                    threads, lines / logged, lines / base, ratio, ratio <= 1.5 ? "" : " (over 1.5)");
    }
    CloseHandle(plain);
    DeleteFileA("log\\baseline.log");
    return rc;
}

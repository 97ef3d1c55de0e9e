// A tiny program that runs the log's start-up sequence from its own folder
// and writes what the command line asks for; the log tests copy it into
// scratch folders to watch start-ups, renames and concurrent writers.
//   log_probe [--pin-time] lines N | threads T N | retry | turns NAME OTHER N
// "turns" tells the test it has opened the log (semaphore
// "VelotuneLogProbeReady"), then writes N lines tagged NAME, each when event
// "VelotuneLogProbeTurn_NAME" is set, handing the turn to OTHER after each:
// two processes writing one file, each with the file open all along.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "log/BaseLog.h"
#include "log/LogClock.h"

int main(int argc, char** argv) {
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--pin-time") == 0) {
        SYSTEMTIME t = {};
        t.wYear = 2020; t.wMonth = 2; t.wDay = 29; t.wHour = 23; t.wMinute = 59; t.wSecond = 58;
        LogClock::PinForTests(&t, 0);
        ++i;
    }
    LogStartup();
    if (i >= argc) return 2;
    const char* mode = argv[i];
    if (std::strcmp(mode, "lines") == 0 && i + 1 < argc) {
        int n = std::atoi(argv[i + 1]);
        for (int k = 0; k < n; ++k) VLOG("probe line %d", k);
        return 0;
    }
    if (std::strcmp(mode, "threads") == 0 && i + 2 < argc) {
        int threads = std::atoi(argv[i + 1]);
        int lines = std::atoi(argv[i + 2]);
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back([t, lines] {
                for (int k = 0; k < lines; ++k)
                    VLOG("writer %d line %d %s", t, k, "0123456789abcdefghijklmnopqrstuvwxyz");
            });
        for (auto& th : pool) th.join();
        return 0;
    }
    if (std::strcmp(mode, "turns") == 0 && i + 3 < argc) {
        HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, L"VelotuneLogProbeReady");
        HANDLE mine = OpenEventA(SYNCHRONIZE, FALSE, (std::string("VelotuneLogProbeTurn_") + argv[i + 1]).c_str());
        HANDLE other = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string("VelotuneLogProbeTurn_") + argv[i + 2]).c_str());
        if (!ready || !mine || !other) return 3;
        ReleaseSemaphore(ready, 1, nullptr);
        const int lines = std::atoi(argv[i + 3]);
        for (int k = 0; k < lines; ++k) {
            if (WaitForSingleObject(mine, 60000) != WAIT_OBJECT_0) return 4;
            VLOG("%s line %d", argv[i + 1], k);
            SetEvent(other);
        }
        return 0;
    }
    if (std::strcmp(mode, "retry") == 0) {
        VLOG("before the folder exists");
        char folder[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, folder, MAX_PATH);
        *std::strrchr(folder, '\\') = 0;
        std::strcat(folder, "\\log");
        CreateDirectoryA(folder, nullptr);
        VLOG("after the folder exists");
        return 0;
    }
    return 2;
}

#pragma once
// The process-wide diagnostic log: one file "log\Velotune.log" beside the
// executable, written from any thread, one whole line per WriteFile.
#include <windows.h>

#include "base/NonCopyable.h"
#include "base/SourceLocation.h"
#include "base/Win32Owners.h"

class CBaseLog : private vt::NonCopyable {
public:
    static CBaseLog* Instance();

    // Builds the log path beside the executable; deletes an old file over 1 MiB.
    // Returns the path, or nullptr when the module path is unobtainable.
    const char* PrepareFile();

    void Write(int line, const char* file, const char* function, const char* format, ...)
        __attribute__((format(gnu_printf, 5, 6)));
    void WriteLastError(int line, const char* file, const char* function);

    bool OpenFile();
    // The log folder, checked (not a link) and held so that it stays the
    // folder checked; false while it is missing or refused.
    bool HoldFolder();
    bool IsEnabled() const { return m_enabled == 1; }
    void Enable(bool on);

private:
    CBaseLog();

    volatile LONG m_enabled;
    char m_path[MAX_PATH];
    vt::UniqueFile m_file;
    vt::UniqueHandle m_folder;
    bool m_folderRefused = false;
    vt::CriticalSection m_lock;
};

// True when the log file is open (or was just opened).
bool LogOpenFile();

// Run first thing at start-up: moves the previous run's file to its
// timestamped name, prepares the path and enables the log.
void LogStartup();

// Every call site logs under its own line, file and qualified function name.
#define VLOG(...) \
    CBaseLog::Instance()->Write(__LINE__, VT_LOG_FILE, VT_LOG_FUNCTION, __VA_ARGS__)
// For lines that belong to another operation's name than the enclosing
// function's (a helper split out of that operation).
#define VLOG_AS(function, ...) \
    CBaseLog::Instance()->Write(__LINE__, VT_LOG_FILE, function, __VA_ARGS__)
#define VLOG_LASTERROR() \
    CBaseLog::Instance()->WriteLastError(__LINE__, VT_LOG_FILE, VT_LOG_FUNCTION)

#pragma once
// The toolkit reports what it refuses (a broken skin, a missing image, a
// window that could not be made) through a sink that its program installs;
// without one the reports go nowhere. The toolkit knows nothing of the
// program's own log.
#include <windows.h>

#include <string>

#include "base/SourceLocation.h"

namespace DuiLib {

class ILogSink {
public:
    // One report: where it comes from and its text, without a line end.
    virtual void Line(int line, const char* file, const char* function, const char* text) = 0;
    // A failed system call, with the error code it left.
    virtual void LastError(int line, const char* file, const char* function, DWORD code) = 0;

protected:
    ~ILogSink() = default;
};

// The sink lives as long as the toolkit is used; nullptr removes it.
void SetLogSink(ILogSink* sink);

void LogLine(int line, const char* file, const char* function, const char* format, ...)
    __attribute__((format(gnu_printf, 4, 5)));
void LogLastError(int line, const char* file, const char* function);

// A file or skin name for a report, in the system's code page.
std::string LogText(LPCWSTR text);

}  // namespace DuiLib

#define DUI_LOG(...) ::DuiLib::LogLine(__LINE__, VT_LOG_FILE, VT_LOG_FUNCTION, __VA_ARGS__)
#define DUI_LOG_LASTERROR() ::DuiLib::LogLastError(__LINE__, VT_LOG_FILE, VT_LOG_FUNCTION)

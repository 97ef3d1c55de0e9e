#include "duilib/DuiLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace DuiLib {

namespace {
std::atomic<ILogSink*> g_sink{nullptr};
}

void SetLogSink(ILogSink* sink) { g_sink.store(sink); }

void LogLine(int line, const char* file, const char* function, const char* format, ...) {
    ILogSink* sink = g_sink.load();
    if (sink == nullptr) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (n < 0) return;
    sink->Line(line, file, function, text);
}

void LogLastError(int line, const char* file, const char* function) {
    DWORD code = GetLastError();
    if (ILogSink* sink = g_sink.load()) sink->LastError(line, file, function, code);
}

std::string LogText(LPCWSTR text) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

}  // namespace DuiLib

#include "mainframe/ToolkitLogSink.h"

#include "log/BaseLog.h"

void CToolkitLogSink::Install() {
    static CToolkitLogSink sink;
    DuiLib::SetLogSink(&sink);
}

void CToolkitLogSink::Line(int line, const char* file, const char* function, const char* text) {
    CBaseLog::Instance()->Write(line, file, function, "%s", text);
}

void CToolkitLogSink::LastError(int line, const char* file, const char* function, DWORD code) {
    SetLastError(code);
    CBaseLog::Instance()->WriteLastError(line, file, function);
}

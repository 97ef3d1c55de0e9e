#pragma once
// Hands what the UI toolkit reports to the program's diagnostic log, under
// the toolkit's own source file, line and function name.
#include "duilib/DuiLog.h"

class CToolkitLogSink : public DuiLib::ILogSink {
public:
    // The one sink of the process, installed into the toolkit.
    static void Install();

    void Line(int line, const char* file, const char* function, const char* text) override;
    void LastError(int line, const char* file, const char* function, DWORD code) override;
};

#pragma once
// What Velotune.com prints for an answer: one line in the program's
// language, or one JSON object for scripts (its names and values are the
// same in every language).
#include <string>

#include "remote/PipeCodec.h"

class CStatusText {
public:
    // "stock 4.0 GHz (max turbo 4.3 GHz)", "overclocked 4.3 GHz".
    static std::wstring Line(const remote::Answer& answer);
    // "overclocked (core ratios 43 42 41 40)": after a run, when the last
    // reading of the frequency may still be the one before it.
    static std::wstring AfterRun(const remote::Answer& answer, const wchar_t* wordKey);
    static std::wstring Json(const remote::Answer& answer);
    // What a script reads when nothing could be asked.
    static std::wstring JsonNotRunning();
};

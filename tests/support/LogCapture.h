#pragma once
// This test program's own diagnostic log, log\Velotune.log beside the test
// programs, read from the moment the capture was made. The log is started
// before the first test, once per process.
#include <string>
#include <vector>

#include "support/LogFile.h"

class LogCapture : public LogFile {
public:
    // Remembers where the file ends now.
    LogCapture();

    // Texts of the new lines written under `file` and `function`.
    std::vector<std::string> Texts(const char* file, const char* function) const;
    // Texts of every new line.
    std::vector<std::string> AllTexts() const;
    size_t CountText(const std::string& text) const;
    bool HasText(const std::string& text) const { return CountText(text) > 0; }
    // A new line whose text starts with `prefix` (for texts that end in a code).
    bool HasTextStarting(const std::string& prefix) const;

    // Everything this test program wrote, from before its first test.
    static const LogCapture& SinceStart();
    static std::string Tag(const char* file, const char* function);
    static std::wstring LogPath();
};

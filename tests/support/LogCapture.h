#pragma once
// Reads back what the program wrote to its diagnostic log, the file
// log\Velotune.log beside the test programs, since the capture was made.
#include <string>
#include <vector>

struct LogLine {
    int line = 0;       // source line
    std::string tag;    // the 29-character location tag, as written
    std::string text;   // the message text
};

class LogCapture {
public:
    // Starts the log once per process (folder, LogStartup) and remembers
    // where the file ends now.
    LogCapture();

    std::vector<LogLine> Lines() const;
    // Texts of the new lines written under `file` and `function`.
    std::vector<std::string> Texts(const char* file, const char* function) const;
    // Texts of every new line.
    std::vector<std::string> AllTexts() const;
    size_t CountText(const std::string& text) const;
    bool HasText(const std::string& text) const { return CountText(text) > 0; }
    // A new line whose text starts with `prefix` (for texts that end in a code).
    bool HasTextStarting(const std::string& prefix) const;

    static std::string Tag(const char* file, const char* function);
    static std::wstring LogPath();

private:
    size_t m_start;
};

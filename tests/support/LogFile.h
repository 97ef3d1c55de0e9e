#pragma once
// The one reader of a diagnostic log file: the lines a program wrote to it
// from a given point on, as text, as lines and as parsed records.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// "[2026-12-07 22:41:26][  57][<29-char tag>]---[1234]text"
struct LogLine {
    int line = 0;       // source line
    std::string tag;    // the 29-character location tag, as written
    std::string text;   // the message text
};

class LogFile {
public:
    // The file at `path`, from byte `start` on (0: the whole file).
    explicit LogFile(std::wstring path, size_t start = 0) : m_path(std::move(path)), m_start(start) {}

    const std::wstring& Path() const { return m_path; }
    // What was written since the start; empty while the file is missing.
    std::string Text() const;
    // Complete lines since the start (a line still being written is left out).
    std::vector<std::string> RawLines() const;
    // The complete lines that parse as log records.
    std::vector<LogLine> Lines() const;
    // How often `needle` occurs in Text(); waits until it occurs `count` times.
    int Count(const std::string& needle) const;
    bool Wait(const std::string& needle, DWORD timeoutMs, int count = 1) const;
    // Raw lines holding `piece`; raw lines holding every one of `pieces`.
    std::vector<std::string> Matching(const std::string& piece) const;
    std::vector<std::string> Find(const std::vector<std::string>& pieces) const;

    static bool Parse(const std::string& raw, LogLine* out);

protected:
    void StartAtEnd();

private:
    std::wstring m_path;
    size_t m_start;
};

// Lines of `text` (split at "\n", "\r\n" taken off) that contain `needle`.
int CountLinesWith(const std::string& text, const std::string& needle);

#include "support/LogFile.h"

#include <cstdlib>

#include "log/LogTag.h"
#include "support/TestPaths.h"
#include "support/WaitUntil.h"

std::string LogFile::Text() const {
    std::string all = TestPaths::ReadFileBytes(m_path);
    return all.size() <= m_start ? std::string() : all.substr(m_start);
}

void LogFile::StartAtEnd() { m_start = TestPaths::ReadFileBytes(m_path).size(); }

std::vector<std::string> LogFile::RawLines() const {
    std::string all = Text();
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end = all.find("\r\n"); end != std::string::npos; pos = end + 2, end = all.find("\r\n", pos))
        lines.push_back(all.substr(pos, end - pos));
    return lines;
}

std::vector<LogLine> LogFile::Lines() const {
    std::vector<LogLine> lines;
    for (const std::string& raw : RawLines()) {
        LogLine l;
        if (Parse(raw, &l)) lines.push_back(l);
    }
    return lines;
}

int LogFile::Count(const std::string& needle) const {
    std::string text = Text();
    int n = 0;
    for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + needle.size())) ++n;
    return n;
}

bool LogFile::Wait(const std::string& needle, DWORD timeoutMs, int count) const {
    return WaitUntil([&] { return Count(needle) >= count; }, timeoutMs);
}

std::vector<std::string> LogFile::Matching(const std::string& piece) const { return Find({piece}); }

std::vector<std::string> LogFile::Find(const std::vector<std::string>& pieces) const {
    std::vector<std::string> found;
    for (const std::string& line : RawLines()) {
        bool all = true;
        for (const std::string& piece : pieces) all = all && line.find(piece) != std::string::npos;
        if (all) found.push_back(line);
    }
    return found;
}

bool LogFile::Parse(const std::string& raw, LogLine* out) {
    if (raw.size() < 22 || raw[0] != '[' || raw[20] != ']' || raw[21] != '[') return false;
    size_t close = raw.find(']', 22);
    if (close == std::string::npos) return false;
    out->line = std::atoi(raw.substr(22, close - 22).c_str());
    size_t tagStart = close + 2;
    if (raw.size() < tagStart + kLogTagWidth + 5 || raw[close + 1] != '[') return false;
    out->tag = raw.substr(tagStart, kLogTagWidth);
    size_t rest = tagStart + kLogTagWidth;
    if (raw.compare(rest, 5, "]---[") != 0) return false;
    size_t idEnd = raw.find(']', rest + 5);
    if (idEnd == std::string::npos) return false;
    out->text = raw.substr(idEnd + 1);
    return true;
}

int CountLinesWith(const std::string& text, const std::string& needle) {
    int n = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (text.substr(start, end - start).find(needle) != std::string::npos) ++n;
        start = end + 1;
    }
    return n;
}

#include "LogCapture.h"

#include <windows.h>

#include <cstdlib>

#include "log/BaseLog.h"
#include "log/LogTag.h"
#include "support/TestPaths.h"

namespace {

void StartLogOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
    LogStartup();
}

// "[2026-12-07 22:41:26][  57][<29-char tag>]---[1234]text"
bool ParseLine(const std::string& raw, LogLine* out) {
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

}  // namespace

LogCapture::LogCapture() {
    StartLogOnce();
    m_start = TestPaths::ReadFileBytes(LogPath()).size();
}

std::wstring LogCapture::LogPath() {
    return TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log");
}

std::string LogCapture::Tag(const char* file, const char* function) {
    char tag[kLogTagBytes];
    BuildLogTag(file, function, tag);
    return tag;
}

std::vector<LogLine> LogCapture::Lines() const {
    std::string all = TestPaths::ReadFileBytes(LogPath());
    std::vector<LogLine> lines;
    if (all.size() <= m_start) return lines;
    size_t pos = m_start;
    while (pos < all.size()) {
        size_t end = all.find("\r\n", pos);
        if (end == std::string::npos) break;  // a line still being written
        LogLine l;
        if (ParseLine(all.substr(pos, end - pos), &l)) lines.push_back(l);
        pos = end + 2;
    }
    return lines;
}

std::vector<std::string> LogCapture::Texts(const char* file, const char* function) const {
    std::string tag = Tag(file, function);
    std::vector<std::string> texts;
    for (const LogLine& l : Lines())
        if (l.tag == tag) texts.push_back(l.text);
    return texts;
}

std::vector<std::string> LogCapture::AllTexts() const {
    std::vector<std::string> texts;
    for (const LogLine& l : Lines()) texts.push_back(l.text);
    return texts;
}

size_t LogCapture::CountText(const std::string& text) const {
    size_t n = 0;
    for (const LogLine& l : Lines())
        if (l.text == text) ++n;
    return n;
}

bool LogCapture::HasTextStarting(const std::string& prefix) const {
    for (const LogLine& l : Lines())
        if (l.text.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

#include "ShellTestLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "log/BaseLog.h"
#include "support/TestPaths.h"

namespace {

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
        LogStartup();
    }
};

[[maybe_unused]] const ::testing::Environment* const g_logEnvironment =
    ::testing::AddGlobalTestEnvironment(new LogEnvironment);

}  // namespace

namespace ShellTestLog {

std::string Mark() {
    static int s_count = 0;
    char text[80];
    std::snprintf(text, sizeof(text), "test_shell mark %lu.%d", (unsigned long)GetCurrentProcessId(), ++s_count);
    VLOG("%s", text);
    return text;
}

std::vector<std::string> Since(const std::string& marker) {
    std::string bytes = TestPaths::ReadFileBytes(TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"));
    std::vector<std::string> lines;
    bool seen = false;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (seen) lines.push_back(line);
        // The marker must end the line: "mark 1.1" is not "mark 1.12".
        else if (line.size() >= marker.size() && line.compare(line.size() - marker.size(), marker.size(), marker) == 0)
            seen = true;
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> Matching(const std::string& marker, const std::string& piece) {
    std::vector<std::string> found;
    for (const std::string& line : Since(marker))
        if (line.find(piece) != std::string::npos) found.push_back(line);
    return found;
}

}  // namespace ShellTestLog

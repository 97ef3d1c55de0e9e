#include "TestLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "log/BaseLog.h"
#include "support/TestPaths.h"

namespace {

std::string StartMarker() {
    char text[64];
    std::snprintf(text, sizeof(text), "test_settings run %lu", (unsigned long)GetCurrentProcessId());
    return text;
}

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // The log writes into an existing "log" folder beside the program only.
        CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
        LogStartup();
        VLOG("%s", StartMarker().c_str());
    }
};

[[maybe_unused]] const ::testing::Environment* const g_logEnvironment =
    ::testing::AddGlobalTestEnvironment(new LogEnvironment);

}  // namespace

namespace TestLog {

std::vector<std::string> LinesOfThisRun() {
    std::string bytes = TestPaths::ReadFileBytes(TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"));
    std::vector<std::string> lines;
    size_t start = 0;
    bool seen = false;
    const std::string marker = StartMarker();
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!seen && line.find(marker) != std::string::npos) seen = true;
        if (seen) lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> Find(const std::vector<std::string>& pieces) {
    std::vector<std::string> found;
    for (const std::string& line : LinesOfThisRun()) {
        bool all = true;
        for (const std::string& piece : pieces) all = all && line.find(piece) != std::string::npos;
        if (all) found.push_back(line);
    }
    return found;
}

}  // namespace TestLog

#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "log/BaseLog.h"
#include "log/LogTag.h"
#include "support/TestPaths.h"

namespace {

void StartLogOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    // The log writes into an existing "log" folder beside the program only.
    CreateDirectoryW(TestPaths::Join(TestPaths::TestDir(), L"log").c_str(), nullptr);
    LogStartup();
}

// Code under test may log before a test makes its first capture.
class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override { LogCapture::SinceStart(); }
};

[[maybe_unused]] const ::testing::Environment* const g_logEnvironment =
    ::testing::AddGlobalTestEnvironment(new LogEnvironment);

}  // namespace

LogCapture::LogCapture() : LogFile(LogPath()) {
    StartLogOnce();
    StartAtEnd();
}

const LogCapture& LogCapture::SinceStart() {
    static const LogCapture capture;
    return capture;
}

std::wstring LogCapture::LogPath() { return TestPaths::Join(TestPaths::TestDir(), L"log\\Velotune.log"); }

std::string LogCapture::Tag(const char* file, const char* function) {
    char tag[kLogTagBytes];
    BuildLogTag(file, function, tag);
    return tag;
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

#pragma once
// The diagnostic log of this test run, read back from the file.
#include <string>
#include <vector>

namespace TestLog {
// Lines written since this test program started (earlier runs and other
// programs' lines before our start marker are skipped).
std::vector<std::string> LinesOfThisRun();
// Lines of this run that contain every one of the given pieces.
std::vector<std::string> Find(const std::vector<std::string>& pieces);
}  // namespace TestLog

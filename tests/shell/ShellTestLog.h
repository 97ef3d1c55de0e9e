#pragma once
// The diagnostic log of this test program, read back from the file.
#include <string>
#include <vector>

namespace ShellTestLog {
// Writes a unique marker line; Since(marker) returns the lines after it.
std::string Mark();
std::vector<std::string> Since(const std::string& marker);
// Lines after the marker that contain piece.
std::vector<std::string> Matching(const std::string& marker, const std::string& piece);
}  // namespace ShellTestLog

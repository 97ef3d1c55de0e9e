#pragma once
// The fixed-width location tag of a log line: source file and function name,
// filled from the right into 29 characters.
constexpr int kLogTagWidth = 29;
constexpr int kLogTagBytes = kLogTagWidth + 1;

void BuildLogTag(const char* file, const char* function, char (&tag)[kLogTagBytes]);

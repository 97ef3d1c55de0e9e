#include <gtest/gtest.h>

#include <string>

#include "log/LogTag.h"

namespace {
std::string Tag(const char* file, const char* fn) {
    char tag[kLogTagBytes];
    BuildLogTag(file, fn, tag);
    return tag;
}
}  // namespace

TEST(LogTag, ShapesByFunctionNameLength) {
    EXPECT_EQ("            Velotune|wWinMain", Tag("Velotune", "wWinMain"));
    // 27 characters: the bar at the second position, one file character.
    EXPECT_EQ("e|ABCDEFGHIJKLMNOPQRSTUVWXYZ0", Tag("SomeFile", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0"));
    // 28 characters: a single leading space and no bar.
    EXPECT_EQ(" ABCDEFGHIJKLMNOPQRSTUVWXYZ01", Tag("SomeFile", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01"));
    // 40 characters: the last 29.
    EXPECT_EQ("BCDEFGHIJKLMNOPQRSTUVWXYZ0123", Tag("SomeFile", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"));
    // Empty file argument: spaces before the bar.
    EXPECT_EQ("                    |wWinMain", Tag("", "wWinMain"));
}

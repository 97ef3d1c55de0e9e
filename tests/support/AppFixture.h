#pragma once
// A test of the real program. Every test starts on a processor at its
// defaults and without a settings file, and leaves them so even when an
// assertion ends it early.
#include <gtest/gtest.h>

#include <string>

// The simulated processor of the program's copy back at its defaults (no
// state file: a freshly started machine).
void ResetProcessor();
// The settings file of the program's copy.
std::wstring IniPath();

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

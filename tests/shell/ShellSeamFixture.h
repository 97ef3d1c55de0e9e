#pragma once
// Puts the start check on a chosen command line, admin answer, relaunch
// answer and service-client profile, and records what it launched.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/StandInSwitch.h"

struct RecordedLaunch {
    std::wstring verb, file, parameters;
    ULONG mask = 0;
    int show = -1;
    bool hasDirectory = false;
    bool hasOwner = false;
};

class ShellSeamFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Arguments after the program name, as typed.
    void SetArguments(const std::wstring& arguments);
    void SetAdmin(bool admin);
    void SetRelaunchAccepted(bool accepted);
    // Writes the stand-in service client's profile.
    void SetClientProfile(int startClientResult, int launchOnStart = 0);
    // Lines of the stand-in's record file (empty when it was never called).
    std::vector<std::string> ClientCalls() const;

    std::wstring ScratchDir() const;
    std::wstring ModulePath() const;
    std::wstring ModuleFileName() const;

    std::vector<RecordedLaunch>& Launches();

private:
    std::unique_ptr<ScopedStandInSwitch> m_startClientResult;
    std::unique_ptr<ScopedStandInSwitch> m_launchOnStart;
};

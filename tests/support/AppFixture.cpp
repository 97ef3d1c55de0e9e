#include "support/AppFixture.h"

#include <windows.h>

#include "support/AppUnderTest.h"

void ResetProcessor() { DeleteFileW(CAppUnderTest::StatePath().c_str()); }

std::wstring IniPath() { return CAppUnderTest::Folder() + L"\\Velotune.ini"; }

namespace {
void ResetMachine() {
    ResetProcessor();
    DeleteFileW(IniPath().c_str());
}
}  // namespace

void AppFixture::SetUp() { ResetMachine(); }

// The test's program has ended by now: the runner is a local of the test body.
void AppFixture::TearDown() { ResetMachine(); }

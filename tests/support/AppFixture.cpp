#include "support/AppFixture.h"

#include <windows.h>

#include "support/AppUnderTest.h"
#include "support/TestPaths.h"

void ResetProcessor() { DeleteFileW(CAppUnderTest::StatePath().c_str()); }

std::wstring IniPath() { return CAppUnderTest::Folder() + L"\\Velotune.ini"; }

std::wstring FaultProfile(const wchar_t* name, const std::string& faults) {
    std::string base = TestPaths::ReadFileBytes(CAppUnderTest::Folder() + L"\\simcpu\\V7-4760K.ini");
    std::wstring path = CAppUnderTest::Folder() + L"\\" + name;
    TestPaths::WriteFileBytes(path, base + "\r\n" + faults + "\r\n");
    return path;
}

namespace {
void ResetMachine() {
    ResetProcessor();
    DeleteFileW(IniPath().c_str());
}
}  // namespace

void AppFixture::SetUp() { ResetMachine(); }

// The test's program has ended by now: the runner is a local of the test body.
void AppFixture::TearDown() { ResetMachine(); }

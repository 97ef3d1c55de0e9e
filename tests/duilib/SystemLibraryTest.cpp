// The libraries loaded at their first use come from the system folder, by
// their file name, and from nowhere else: not from the program's own folder
// (a file of the same name put there is not taken), and never by a path.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/SystemLibrary.h"
#include "support/TestPaths.h"

namespace {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

std::wstring ModuleFile(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// Put beside the test program, where a plain LoadLibrary would look first.
const wchar_t kBesideTheProgram[] = L"vt_beside_the_program.dll";

struct LoadCase {
    const wchar_t* name;
    bool loads;
    DWORD error;  // when it does not load
};

const LoadCase kLoadCases[] = {
    {L"oleacc.dll", true, 0},
    {L"oleaut32.dll", true, 0},
    {L"wintrust.dll", true, 0},
    {L"bcrypt.dll", true, 0},
    {L"version.dll", true, 0},
    {L"comctl32.dll", true, 0},
    {L"xmllite.dll", true, 0},
    {L"dwmapi.dll", true, 0},
    {kBesideTheProgram, false, ERROR_MOD_NOT_FOUND},
    {L"..\\system32\\oleacc.dll", false, ERROR_INVALID_NAME},
    {L"C:oleacc.dll", false, ERROR_INVALID_NAME},
    {L"sub/oleacc.dll", false, ERROR_INVALID_NAME},
};

}  // namespace

TEST(SystemLibrary, LoadsFromTheSystemFolderOnlyAndByNameOnly) {
    // A real library image, so that a search of the program's folder would
    // find and take it.
    const std::wstring beside = TestPaths::Join(TestPaths::TestDir(), kBesideTheProgram);
    ASSERT_TRUE(::CopyFileW(ModuleFile(::GetModuleHandleW(L"kernel32.dll")).c_str(), beside.c_str(), FALSE));
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(TestPaths::Narrow(c.name));
        vt::CSystemLibrary library(c.name);
        EXPECT_EQ(library.Loaded(), c.loads);
        if (c.loads) {
            EXPECT_EQ(library.LoadError(), 0u);
            EXPECT_EQ(_wcsicmp(ModuleFile(library.Module()).c_str(), (SystemFolder() + L"\\" + c.name).c_str()), 0)
                << TestPaths::Narrow(ModuleFile(library.Module()));
        } else {
            EXPECT_EQ(library.LoadError(), c.error);
            EXPECT_EQ(library.Module(), nullptr);
            EXPECT_NE(library.Problem().find("not loaded from the system folder"), std::string::npos);
        }
    }
    ::DeleteFileW(beside.c_str());
}

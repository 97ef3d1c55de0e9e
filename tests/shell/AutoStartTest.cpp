// The logon entry: the Run value "Velotune" in the per-user key, and the
// machine-wide value that blocks writing and is removed on disable.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"
#include "shell/CommonHelp.h"
#include "support/TestPaths.h"

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValue[] = L"Velotune";

struct RunValue {
    bool present = false;
    DWORD type = 0;
    DWORD bytes = 0;
    std::wstring text;
};

RunValue Read(HKEY root, REGSAM view = 0) {
    RunValue v;
    vt::UniqueRegKey key;
    if (RegOpenKeyExW(root, kRunKey, 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS) return v;
    wchar_t data[1024] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), kValue, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &bytes) ==
        ERROR_SUCCESS) {
        v.present = true;
        v.bytes = bytes;
        v.text = data;
    }
    return v;
}

void Write(HKEY root, const std::wstring& text, REGSAM view = 0) {
    vt::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.Put(), nullptr));
    RegSetValueExW(key.Get(), kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The machine-wide key has a 64-bit and a 32-bit view under WoW64.
const REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

void Remove(HKEY root) {
    for (REGSAM view : kViews) {
        vt::UniqueRegKey key;
        if (RegOpenKeyExW(root, kRunKey, 0, KEY_SET_VALUE | view, key.Put()) != ERROR_SUCCESS) continue;
        RegDeleteValueW(key.Get(), kValue);
    }
}

class AutoStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The per-user Run key exists on every Windows installation; a fresh
        // prefix may lack it, and the program only opens it.
        vt::UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_READ, nullptr, key.Put(), nullptr));
        key.Reset();
        Remove(HKEY_CURRENT_USER);
        Remove(HKEY_LOCAL_MACHINE);
    }
    void TearDown() override {
        Remove(HKEY_CURRENT_USER);
        Remove(HKEY_LOCAL_MACHINE);
    }
    std::wstring Expected() const {
        return L"\"" + TestPaths::TestDir() + L"\\VodEduzudu.exe\" /start";
    }
};

TEST_F(AutoStartTest, EnableWritesTheQuotedLauncherCommandAndDisableRemovesIt) {
    EXPECT_EQ(Expected(), CCommonHelp::AutoStartCommand());
    CCommonHelp::SetAutoStart(true);
    RunValue v = Read(HKEY_CURRENT_USER);
    ASSERT_TRUE(v.present);
    EXPECT_EQ((DWORD)REG_SZ, v.type);
    EXPECT_EQ(Expected(), v.text);
    EXPECT_EQ((Expected().size() + 1) * sizeof(wchar_t), v.bytes);  // terminator stored
    EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE).present);

    CCommonHelp::SetAutoStart(true);  // again: still one value, same data
    EXPECT_EQ(Expected(), Read(HKEY_CURRENT_USER).text);

    CCommonHelp::SetAutoStart(false);
    EXPECT_FALSE(Read(HKEY_CURRENT_USER).present);
    CCommonHelp::SetAutoStart(false);  // nothing left to remove: no harm
    EXPECT_FALSE(Read(HKEY_CURRENT_USER).present);
}

// Written by a 64-bit or by a 32-bit setup program: either one blocks the
// per-user value, on both builds, and disabling removes it.
TEST_F(AutoStartTest, MachineWideValueBlocksThePerUserOneAndDisableRemovesBoth) {
    for (REGSAM view : kViews) {
        SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
        Write(HKEY_LOCAL_MACHINE, L"C:\\elsewhere\\VodEduzudu.exe /start", view);
        CCommonHelp::SetAutoStart(true);
        EXPECT_FALSE(Read(HKEY_CURRENT_USER).present);
        EXPECT_EQ(L"C:\\elsewhere\\VodEduzudu.exe /start", Read(HKEY_LOCAL_MACHINE, view).text);

        Write(HKEY_CURRENT_USER, L"old");
        CCommonHelp::SetAutoStart(false);
        EXPECT_FALSE(Read(HKEY_CURRENT_USER).present);
        EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY).present);
        EXPECT_FALSE(Read(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY).present);
    }
}

TEST_F(AutoStartTest, EmptyOrOverlongMachineWideValue) {
    // An empty value does not count as the program's entry.
    Write(HKEY_LOCAL_MACHINE, L"");
    CCommonHelp::SetAutoStart(true);
    EXPECT_EQ(Expected(), Read(HKEY_CURRENT_USER).text);
    Remove(HKEY_CURRENT_USER);

    // One longer than the 520 bytes read is still there.
    Write(HKEY_LOCAL_MACHINE, std::wstring(400, L'x'));
    CCommonHelp::SetAutoStart(true);
    EXPECT_FALSE(Read(HKEY_CURRENT_USER).present);
}

}  // namespace

#include "support/LanguagesValue.h"

#include <gtest/gtest.h>

#include "base/Win32Owners.h"

namespace {
const wchar_t kKey[] = L"Software\\Dizaz\\Velotune";
}

LanguagesValue::LanguagesValue() {
    vt::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS) {
        keyExisted_ = true;
        BYTE data[512];
        DWORD size = sizeof(data);
        if (RegQueryValueExW(key.Get(), L"Languages", nullptr, &type_, data, &size) == ERROR_SUCCESS) {
            valueExisted_ = true;
            saved_.assign(reinterpret_cast<char*>(data), size);
        }
    }
}

LanguagesValue::~LanguagesValue() {
    if (valueExisted_) {
        SetRaw(type_, saved_);
    } else {
        Delete();
        if (!keyExisted_) {
            RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
            RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Dizaz");  // only if now empty
        }
    }
}

void LanguagesValue::Set(const std::wstring& text) {
    SetRaw(REG_SZ, std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2));
}

void LanguagesValue::SetRaw(DWORD type, const std::string& bytes) {
    vt::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), L"Languages", 0, type,
                                            reinterpret_cast<const BYTE*>(bytes.data()), (DWORD)bytes.size()));
}

void LanguagesValue::Delete() {
    vt::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, key.Put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.Get(), L"Languages");
}

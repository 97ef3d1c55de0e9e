#include "settings/LanguageFile.h"

#include <windows.h>

#include <cwchar>
#include <utility>

#include "log/BaseLog.h"
#include "settings/AppInfo.h"
#include "settings/BaseReg.h"

namespace {

constexpr wchar_t kLanguageKey[] = L"Software\\Dizaz\\Velotune";
constexpr wchar_t kLanguageValue[] = L"Languages";
constexpr wchar_t kSection[] = L"LANSTR";
constexpr wchar_t kMissingText[] = L"-_-";
// Asked for as the default so that a missing key can be told from one whose
// text is "-_-"; no language file holds a control character.
constexpr wchar_t kAbsentMark[] = L"\x01";
constexpr DWORD kTextChars = 256;
constexpr DWORD kLanguageBytes = 18;  // eight characters and the terminator

}  // namespace

CLanguageFile::CLanguageFile(std::wstring appFolder) : m_strFolder(std::move(appFolder)) {}

bool CLanguageFile::SelectLanguageFile() {
    std::wstring folder = m_strFolder.empty() ? GetAppFolder() : m_strFolder;
    if (folder.empty()) {
        m_strPath.clear();
        return false;
    }
    CBaseReg reg(HKEY_CURRENT_USER, kLanguageKey, CBaseReg::IsWow64() ? KEY_WOW64_32KEY : 0);
    wchar_t language[kLanguageBytes / sizeof(wchar_t)] = {};
    reg.ReadString(kLanguageValue, language, kLanguageBytes);
    bool english = std::wcscmp(language, L"en") == 0;
    m_strPath = folder + (english ? L"\\skin\\lan\\English.ini" : L"\\skin\\lan\\Chinese.ini");
    return true;
}

std::wstring CLanguageFile::GetLanguageString(const wchar_t* key) {
    if (m_strPath.size() < 5) SelectLanguageFile();
    if (m_strPath.empty() || key == nullptr || key[0] == 0) {
        VLOG("[%ls] no text for key \"%ls\": no language file or no key", kSection, key ? key : L"");
        return kMissingText;
    }
    wchar_t text[kTextChars] = {};
    DWORD n = GetPrivateProfileStringW(kSection, key, kAbsentMark, text, kTextChars, m_strPath.c_str());
    if (n >= kTextChars) n = kTextChars - 1;
    if (n == 1 && text[0] == kAbsentMark[0]) {
        VLOG("[%ls] %ls missing in %ls", kSection, key, m_strPath.c_str());
        return kMissingText;
    }
    return std::wstring(text, n);
}

#include "settings/LanguageFile.h"

#include <windows.h>

#include <cwchar>
#include <utility>
#include <vector>

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
// A language file holds a few kilobytes; a section beyond this is read only
// as far as it goes, and the keys past it are looked up one by one.
constexpr DWORD kMostSectionChars = 1u << 20;

std::wstring Trimmed(const wchar_t* begin, const wchar_t* end) {
    while (begin < end && (*begin == L' ' || *begin == L'\t')) ++begin;
    while (end > begin && (end[-1] == L' ' || end[-1] == L'\t')) --end;
    return std::wstring(begin, end);
}

// As the profile API gives a single value: without the quotes around it.
std::wstring Unquoted(std::wstring value) {
    if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

bool CLanguageFile::NoCase::operator()(const std::wstring& a, const std::wstring& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
}

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
    m_texts.clear();
    m_bTextsRead = false;
    return true;
}

// One call for the whole section: under Wine every profile call opens and
// parses the file again, and the window asks for a dozen texts before it is
// first shown.
void CLanguageFile::ReadTexts() {
    m_bTextsRead = true;
    std::vector<wchar_t> section(16384);
    DWORD n = 0;
    for (;;) {
        n = GetPrivateProfileSectionW(kSection, section.data(), static_cast<DWORD>(section.size()), m_strPath.c_str());
        if (n + 2 < section.size() || section.size() >= kMostSectionChars) break;
        section.resize(section.size() * 2);
    }
    // "key=value" entries, each ended by a null; a cut-off last one is dropped.
    for (const wchar_t* entry = section.data(); entry < section.data() + n && *entry; entry += std::wcslen(entry) + 1) {
        const wchar_t* end = entry + std::wcslen(entry);
        if (end >= section.data() + n) break;
        const wchar_t* eq = std::wcschr(entry, L'=');
        if (!eq) continue;
        std::wstring key = Trimmed(entry, eq);
        if (!key.empty()) m_texts.emplace(std::move(key), Unquoted(Trimmed(eq + 1, end)));
    }
}

std::wstring CLanguageFile::GetLanguageString(const wchar_t* key) {
    if (m_strPath.size() < 5) SelectLanguageFile();
    if (m_strPath.empty() || key == nullptr || key[0] == 0) {
        VLOG("[%ls] no text for key \"%ls\": no language file or no key", kSection, key ? key : L"");
        return kMissingText;
    }
    if (!m_bTextsRead) ReadTexts();
    auto found = m_texts.find(key);
    if (found != m_texts.end()) return found->second.substr(0, kTextChars - 1);
    wchar_t text[kTextChars] = {};
    DWORD n = GetPrivateProfileStringW(kSection, key, kAbsentMark, text, kTextChars, m_strPath.c_str());
    if (n >= kTextChars) n = kTextChars - 1;
    if (n == 1 && text[0] == kAbsentMark[0]) {
        VLOG("[%ls] %ls missing in %ls", kSection, key, m_strPath.c_str());
        return kMissingText;
    }
    return std::wstring(text, n);
}

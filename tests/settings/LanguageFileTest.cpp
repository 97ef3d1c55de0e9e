#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/Win32Owners.h"
#include "settings/LanguageFile.h"
#include "settings/Settings.h"
#include "support/LanguagesValue.h"
#include "support/TestPaths.h"

namespace {

const std::vector<std::wstring> kAllKeys = {
    L"STR_APPNAME", L"STR_AUTORUN", L"STR_BZCJS", L"STR_DOWNING", L"STR_DOWNLOADERROR",
    L"STR_DWONLOADNEW", L"STR_EXIT", L"STR_FWQD", L"STR_JSSB", L"STR_KJJCT",
    L"STR_LINKNOTOPENED", L"STR_N", L"STR_NOAUTORUN", L"STR_NOTREADY", L"STR_OK", L"STR_OVERCLOCKING", L"STR_REBOOTNOW",
    L"STR_REMINDER", L"STR_RESTORING", L"STR_SETAUTORUN", L"STR_SETKEY", L"STR_SHOWWIN", L"STR_SHUTDOWNRESTORE",
    L"STR_ST", L"STR_STARTSTOP", L"STR_STR_SETING", L"STR_TITLE", L"STR_UPDATA",
    L"STR_USEIT", L"STR_VERSION", L"STR_Y", L"STR_YES",
    // The main window's status lines, links and tooltips, the update window's buttons.
    L"STR_BACKTOSTOCK", L"STR_DIZAZCPU", L"STR_LATER", L"STR_OVERCLOCKED", L"STR_RAISINGCLOCK",
    L"STR_STOCKCLOCK", L"STR_TIPCLOSE", L"STR_TIPHIDE", L"STR_TIPMIN", L"STR_TIPSETTING",
    L"STR_TUNINGSERVICE",
    // Why a downloaded update was not started.
    L"STR_UPDATE_NOFOLDER", L"STR_UPDATE_NOTEXE", L"STR_UPDATE_UNREADABLE", L"STR_UPDATE_UNSIGNED",
    L"STR_UPDATE_BADHASH", L"STR_UPDATE_SELFUNSIGNED", L"STR_UPDATE_OTHERSIGNER",
    // What a failure's notice says the user can do; the failed restore's notice.
    L"STR_HINTHOTKEY", L"STR_HINTRESTART", L"STR_HINTRETRY", L"STR_HINTSERVICE", L"STR_RESTOREFAILED",
    // A hot key another program holds, named with the one that works.
    L"STR_HOTKEYTAKEN", L"STR_HOTKEYKEPT",
    // What the window says while an exit waits for a run to end.
    L"STR_EXITRESTORING", L"STR_EXITFINISHING",
    // Names for screen readers where a control shows no words.
    L"STR_ACC_CLOSE", L"STR_ACC_DIAL", L"STR_ACC_HIDE", L"STR_ACC_HOTKEY", L"STR_ACC_MINIMISE", L"STR_ACC_SETTINGS",
    // The one font face of every window in that language.
    L"STR_FONTFACE",
    // What Velotune.com prints.
    L"STR_CLI_STOCK", L"STR_CLI_OVERCLOCKING", L"STR_CLI_OVERCLOCKED", L"STR_CLI_RESTORING", L"STR_CLI_MAXTURBO",
    L"STR_CLI_RATIOS", L"STR_CLI_ALREADYOC", L"STR_CLI_ALREADYSTOCK", L"STR_CLI_NOTRUNNING", L"STR_CLI_MUSTRUN",
    L"STR_CLI_BUSY", L"STR_CLI_REFUSED", L"STR_CLI_NEEDADMIN", L"STR_CLI_OCFAILED", L"STR_CLI_RESTOREFAILED",
    L"STR_CLI_SDKFAILED", L"STR_CLI_TIMEOUT", L"STR_CLI_NOTVELOTUNE", L"STR_CLI_BADARG", L"STR_CLI_HELP1",
    L"STR_CLI_HELP2", L"STR_CLI_HELP3", L"STR_CLI_HELP4", L"STR_CLI_HELP5", L"STR_CLI_HELP6"};

// Width budget per key, in half-width columns (a CJK character takes two):
// buttons and menu items are narrow, labels and options wider, notices wrap.
int Budget(const std::wstring& key) {
    static const std::map<std::wstring, int> budgets = {
        {L"STR_OK", 10}, {L"STR_YES", 10}, {L"STR_Y", 10}, {L"STR_N", 10},
        {L"STR_UPDATA", 12}, {L"STR_EXIT", 20}, {L"STR_SHOWWIN", 20},
        {L"STR_STR_SETING", 20}, {L"STR_APPNAME", 20}, {L"STR_ST", 20},
        {L"STR_OVERCLOCKING", 20}, {L"STR_RESTORING", 20}, {L"STR_TITLE", 24},
        {L"STR_REMINDER", 24}, {L"STR_SETKEY", 20}, {L"STR_VERSION", 12},
        {L"STR_SETAUTORUN", 12}, {L"STR_AUTORUN", 26}, {L"STR_NOAUTORUN", 26},
        {L"STR_STARTSTOP", 32}, {L"STR_DOWNING", 16}, {L"STR_LATER", 10},
        {L"STR_STOCKCLOCK", 40}, {L"STR_RAISINGCLOCK", 40}, {L"STR_OVERCLOCKED", 40},
        {L"STR_BACKTOSTOCK", 40}, {L"STR_TUNINGSERVICE", 26}, {L"STR_DIZAZCPU", 26}};
    auto it = budgets.find(key);
    if (key.compare(0, 8, L"STR_CLI_") == 0) return 140;  // console lines, which the console wraps
    return it == budgets.end() ? 64 : it->second;  // message texts
}

int Columns(const std::wstring& text) {
    int columns = 0;
    for (wchar_t c : text) columns += c < 0x2E80 ? 1 : 2;
    return columns;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring ChosenFile() {
    CLanguageFile language;  // a fresh object reads the registry again
    EXPECT_TRUE(language.SelectLanguageFile());
    return language.GetPath();
}

const std::wstring kEnglish = L"\\skin\\lan\\English.ini";
const std::wstring kChinese = L"\\skin\\lan\\Chinese.ini";

// Every key=value line of a UTF-16LE language file, parsed without the
// profile API, to compare what the API returns with what is stored.
std::map<std::wstring, std::wstring> ParseFile(const std::wstring& path) {
    std::string bytes = TestPaths::ReadFileBytes(path);
    std::map<std::wstring, std::wstring> values;
    if (bytes.size() < 2 || bytes[0] != '\xff' || bytes[1] != '\xfe') return values;
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        size_t eq = line.find(L'=');
        if (!line.empty() && line[0] != L';' && line[0] != L'[' && eq != std::wstring::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 2;
    }
    return values;
}

}  // namespace

TEST(LanguageChoice, OnlyExactlyEnSelectsEnglish) {
    LanguagesValue value;
    value.Set(L"en");
    EXPECT_TRUE(EndsWith(ChosenFile(), kEnglish));
    EXPECT_EQ(TestPaths::TestDir() + kEnglish, ChosenFile());
    for (const wchar_t* other : {L"EN", L"en-US", L"En", L"", L"english!", L"zh"}) {
        value.Set(other);
        EXPECT_TRUE(EndsWith(ChosenFile(), kChinese)) << TestPaths::Narrow(other);
    }
    value.Delete();
    EXPECT_TRUE(EndsWith(ChosenFile(), kChinese));
}

TEST(LanguageChoice, OddValuesSelectChinese) {
    LanguagesValue value;
    // Too long for the 8-character buffer, even though it starts with "en".
    value.Set(L"en-GB-oxendict");
    EXPECT_TRUE(EndsWith(ChosenFile(), kChinese));
    // Not a string: the bytes of "en" stored as binary or a number.
    value.SetRaw(REG_BINARY, std::string("e\0n\0\0\0", 6));
    EXPECT_TRUE(EndsWith(ChosenFile(), kChinese));
    value.SetRaw(REG_DWORD, std::string("e\0n\0", 4));
    EXPECT_TRUE(EndsWith(ChosenFile(), kChinese));
    // "en" stored without its terminator still reads as "en".
    value.SetRaw(REG_SZ, std::string("e\0n\0", 4));
    EXPECT_TRUE(EndsWith(ChosenFile(), kEnglish));
}

TEST(LanguageChoice, ChosenOncePerObjectAndOncePerRun) {
    LanguagesValue value;
    value.Set(L"en");
    CLanguageFile language;
    EXPECT_EQ(L"Exit", language.GetLanguageString(L"STR_EXIT"));
    value.Set(L"zh");
    EXPECT_EQ(L"Exit", language.GetLanguageString(L"STR_EXIT"));
    EXPECT_TRUE(EndsWith(language.GetPath(), kEnglish));

    // The process-wide texts: whatever the first lookup chose stays.
    std::wstring first = GetLanguageFilePath();
    std::wstring exitText = GetLanguageString(L"STR_EXIT");
    value.Set(EndsWith(first, kEnglish) ? L"zh" : L"en");
    EXPECT_EQ(first, GetLanguageFilePath());
    EXPECT_EQ(exitText, GetLanguageString(L"STR_EXIT"));
}

TEST(LanguageFiles, EveryKeyPresentNonEmptyAndFitting) {
    for (const std::wstring& name : {std::wstring(L"English"), std::wstring(L"Chinese")}) {
        std::wstring folder = TestPaths::TestDir();
        std::wstring path = folder + L"\\skin\\lan\\" + name + L".ini";
        std::map<std::wstring, std::wstring> stored = ParseFile(path);
        EXPECT_EQ(kAllKeys.size(), stored.size()) << "keys in " << TestPaths::Narrow(path);
        for (const std::wstring& key : kAllKeys) {
            SCOPED_TRACE(TestPaths::Narrow(name + L" " + key));
            wchar_t text[256] = {};
            GetPrivateProfileStringW(L"LANSTR", key.c_str(), L"-_-", text, 256, path.c_str());
            EXPECT_STRNE(L"-_-", text);
            EXPECT_NE(0u, wcslen(text));
            // The profile API gives back exactly the stored characters.
            EXPECT_EQ(stored[key], std::wstring(text));
            EXPECT_LE(Columns(text), Budget(key));
        }
    }
}

// One word for one thing: the hot key is 快捷键 on the label and to a screen
// reader, the computer 计算机 in every notice, and no notice shouts.
TEST(LanguageFiles, ChineseUsesOneTermForEachThing) {
    for (const auto& [key, text] : ParseFile(TestPaths::TestDir() + kChinese)) {
        SCOPED_TRACE(TestPaths::Narrow(key));
        for (const wchar_t* other : {L"\u70ed\u952e", L"\u7535\u8111", L"\uff01", L"!"})
            EXPECT_EQ(text.find(other), std::wstring::npos) << TestPaths::Narrow(text);
    }
    EXPECT_EQ(ParseFile(TestPaths::TestDir() + kChinese)[L"STR_ACC_HOTKEY"], L"\u5feb\u6377\u952e");
}

TEST(LanguageFiles, ChineseTextRoundTripsThroughTheWideApi) {
    LanguagesValue value;
    value.Set(L"zh");
    CLanguageFile language;
    // 退出, 一键超频, 快捷键：Ctrl+Alt+
    EXPECT_EQ(L"\u9000\u51fa", language.GetLanguageString(L"STR_EXIT"));
    EXPECT_EQ(L"\u4e00\u952e\u8d85\u9891", language.GetLanguageString(L"STR_APPNAME"));
    EXPECT_EQ(L"\u5feb\u6377\u952e\uff1aCtrl+Alt+", language.GetLanguageString(L"STR_SETKEY"));
    value.Set(L"en");
    CLanguageFile english;
    EXPECT_EQ(L"One-Click Overclock", english.GetLanguageString(L"STR_APPNAME"));
    EXPECT_EQ(L"Cancel", english.GetLanguageString(L"STR_YES"));
}

TEST(LanguageFiles, MissingTextShowsPlaceholder) {
    CLanguageFile language;
    EXPECT_EQ(L"-_-", language.GetLanguageString(L"STR_NO_SUCH_KEY"));
    EXPECT_EQ(L"-_-", language.GetLanguageString(L""));
    EXPECT_EQ(L"-_-", language.GetLanguageString(nullptr));
    EXPECT_EQ(L"-_-", GetLanguageString(L"STR_NO_SUCH_KEY"));

    // No skin folder at all: every text is the placeholder.
    std::wstring empty = TestPaths::Join(TestPaths::TestDir(), L"settings_tmp");
    CreateDirectoryW(empty.c_str(), nullptr);
    CLanguageFile nowhere(empty);
    EXPECT_EQ(L"-_-", nowhere.GetLanguageString(L"STR_EXIT"));
}

TEST(LanguageFiles, TextsReadInOnePassAreTheProfileApisTexts) {
    // Written as the language files are (UTF-16LE), with what the profile
    // API reads in its own way: spaces, quotes, case, repeated keys, other
    // sections, an empty and an overlong text.
    std::wstring app = TestPaths::Join(TestPaths::TestDir(), L"settings_onepass");
    for (const wchar_t* folder : {L"", L"\\skin", L"\\skin\\lan"}) CreateDirectoryW((app + folder).c_str(), nullptr);
    const std::wstring text = L"; a comment\r\n[OTHER]\r\nSTR_A=another section\r\n[LANSTR]\r\nSTR_A=plain\r\n"
                              L" STR_B  =  spaced out  \r\nSTR_C=\"double quoted\"\r\nSTR_D='single quoted'\r\n"
                              L"str_e=lower case key\r\nSTR_F=first\r\nSTR_F=second\r\nSTR_G=\r\nSTR_H=a=b\r\n"
                              L"STR_I=\"unbalanced\r\nSTR_J=" + std::wstring(300, L'x') + L"\r\n[AFTER]\r\nSTR_K=after\r\n";
    std::string bytes = "\xff\xfe";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    const std::wstring path = app + kEnglish;
    ASSERT_TRUE(TestPaths::WriteFileBytes(path, bytes));
    LanguagesValue value;
    value.Set(L"en");
    CLanguageFile language(app);
    for (const wchar_t* key : {L"STR_A", L"STR_B", L"STR_C", L"STR_D", L"STR_E", L"str_a", L"STR_F", L"STR_G", L"STR_H",
                               L"STR_I", L"STR_J", L"STR_K", L"STR_NONE"}) {
        wchar_t expected[256] = {};
        GetPrivateProfileStringW(L"LANSTR", key, L"\x01", expected, 256, path.c_str());
        EXPECT_EQ(std::wstring(expected) == L"\x01" ? L"-_-" : expected, language.GetLanguageString(key))
            << TestPaths::Narrow(key);
    }
    DeleteFileW(path.c_str());
}

#pragma once
// The language file the user-visible texts come from: skin\lan\English.ini
// or skin\lan\Chinese.ini, chosen from the registry value "Languages" on the
// first lookup and kept for the object's life (the program keeps one object
// for the whole run, so a changed value takes effect at the next start).
// The file's texts are read in one pass at the first lookup, too.
#include <map>
#include <string>

class CLanguageFile {
public:
    // appFolder: the folder holding "skin"; empty means the executable's.
    explicit CLanguageFile(std::wstring appFolder = std::wstring());
    virtual ~CLanguageFile() = default;

    // "en" (exactly) selects English; any other value, or none, Chinese.
    bool SelectLanguageFile();

    // The text of key in section "LANSTR", at most 255 characters; "-_-"
    // (and a log line) when the key or the file is missing.
    std::wstring GetLanguageString(const wchar_t* key);

    const std::wstring& GetPath() const { return m_strPath; }

private:
    struct NoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };

    void ReadTexts();

    std::wstring m_strFolder;
    std::wstring m_strPath;
    std::map<std::wstring, std::wstring, NoCase> m_texts;
    bool m_bTextsRead = false;
};

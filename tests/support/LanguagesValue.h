#pragma once
// The registry value "Languages" (HKCU\Software\Dizaz\Velotune) that picks
// the language file, set or removed for one test, and put back as it was
// when the object goes (other programs of the suite share the prefix). The
// value is written in this program's own registry view, which is the one
// the program under test reads when it has the same bitness.
#include <windows.h>

#include <string>

#include "base/NonCopyable.h"

class LanguagesValue : private vt::NonCopyable {
public:
    LanguagesValue();
    ~LanguagesValue();
    void Set(const std::wstring& text);
    void SetRaw(DWORD type, const std::string& bytes);
    void Delete();

private:
    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD type_ = REG_SZ;
    std::string saved_;
};

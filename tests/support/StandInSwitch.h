#pragma once
// Sets one switch of a stand-in ("<folder>\<module>.ini", section [StandIn])
// or of the program (ProgramSwitch below) for as long as the object lives;
// the file's earlier content (or its absence) comes back after. The folder
// is the copy the test runs: the test folder by default, or the private copy
// of the dist folder (CAppUnderTest::Folder()); never the dist folder itself.
// Nested switches of one file must end in the reverse order of their start.
#include <string>

#include "base/NonCopyable.h"
#include "support/TestPaths.h"

class ScopedStandInSwitch : private vt::NonCopyable {
public:
    ScopedStandInSwitch(const std::wstring& module, const std::wstring& key, const std::wstring& value,
                        const std::wstring& folder = TestPaths::TestDir(), const std::wstring& section = L"StandIn");
    ~ScopedStandInSwitch();

    const std::wstring& File() const { return m_file; }

private:
    std::wstring m_file;
    bool m_existed;
    std::string m_before;
};

// A switch of the program itself ("Velotune.switches.ini", section [Switches]).
class ScopedProgramSwitch : public ScopedStandInSwitch {
public:
    ScopedProgramSwitch(const std::wstring& key, const std::wstring& value, const std::wstring& folder)
        : ScopedStandInSwitch(L"Velotune.switches", key, value, folder, L"Switches") {}
};

// Writes a switch for good (a private copy set up once); false on failure.
bool WriteStandInSwitch(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value);

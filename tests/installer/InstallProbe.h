#pragma once
// Where the setup program puts things and how a test reads them back: the
// install folder, the Start-menu shortcut, registry values, files.
#include <windows.h>

#include <string>
#include <vector>

namespace InstallProbe {
extern const wchar_t* const kUninstallKey;  // under HKLM
extern const wchar_t* const kSettingsKey;   // under HKCU ("Languages")
extern const wchar_t* const kRunKey;        // under HKCU and HKLM
extern const wchar_t* const kUninstallRoot; // under HKLM: every Add or Remove Programs entry
// The registry view of HKLM\Software that this build's program and setup
// program use (the 32-bit one for x86, the 64-bit one for x64), and the
// other build's.
extern const REGSAM kProductView;
extern const REGSAM kOtherView;

std::wstring InstallDir();         // Program Files\Velotune ("Program Files (x86)" for x86)
std::wstring OtherInstallDir();    // where the other build's copy goes
std::wstring StartMenuShortcut();  // all users' Programs\Velotune.lnk
std::wstring UserDataFolder();     // the user's application data\Velotune
std::wstring DistVersion();        // "a.b.c.d" from dist\Velotune.exe
std::wstring SetupProgram();       // <build>\Velotune-Setup-<version>-<arch>.exe
std::wstring MsiPackage();         // <build>\Velotune-<version>-<arch>.msi
// The same package under an older version number (run-in-own-prefix.sh
// makes it): <build>\<arch>\installer-test\Velotune-0.9.0.0-<arch>.msi
std::wstring OlderMsiPackage();
std::wstring UserStartMenuShortcut();  // the installing user's Programs\Velotune.lnk
std::wstring SourceDir();          // the source tree (VELOTUNE_SOURCE_DIR)

bool RegText(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring* text, REGSAM view = kProductView);
bool RegNumber(HKEY root, const wchar_t* key, const wchar_t* value, DWORD* number);
bool KeyExists(HKEY root, const wchar_t* key, REGSAM view = kProductView);
bool SetRegText(HKEY root, const wchar_t* key, const wchar_t* value, const std::wstring& text,
                REGSAM view = kProductView);

bool Exists(const std::wstring& path);
// Files under `folder`, recursively, as paths relative to it.
std::vector<std::wstring> FilesUnder(const std::wstring& folder);
// Names directly in `folder` (files and folders), sorted.
std::vector<std::wstring> EntriesOf(const std::wstring& folder);
// Target of a shell link; empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& link);
// Patterns of installer\not-shipped.txt.
std::vector<std::wstring> NotShippedPatterns();
bool MatchesAny(const std::wstring& name, const std::vector<std::wstring>& patterns);
}  // namespace InstallProbe

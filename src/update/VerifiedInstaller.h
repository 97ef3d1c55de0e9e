#pragma once
// A downloaded installer that passed every check, held open from the check
// to its start: the file is opened once, with write and delete sharing
// denied, so what was checked is what runs. Checks, in order: the name ends
// in ".exe"; its Authenticode signature (WinVerifyTrust on the open handle);
// its signer's certificate, which must be the one that signed this program
// (an unsigned program takes no update); its SHA-256, which the update
// engine must give.
//
// The trust verdict can be replaced, for tests, by the program switch
// UPDATE_TRUST_VERDICT (settings/ProgramSwitches.h: a file of the program's
// folder, which only an administrator can write): the value WinVerifyTrust
// is taken to have returned, such as 0, with UPDATE_TRUST_SIGNER the
// SHA-256 of the signer's certificate it stands for; UPDATE_PROGRAM_SIGNER
// stands for this program's. They reach what Wine cannot give: a chain it
// verifies. WinVerifyTrust is called all the same, and both are logged.
// Without the system's checking libraries (update/CheckLibraries.h) there
// is nothing to replace: refused.
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

enum class UpdateRefusal {
    None,
    Folder,     // no safe download folder
    Type,       // not an .exe
    Open,       // could not be opened for the check
    Signature,  // no valid Authenticode signature
    ProgramUnsigned,  // this program has none: it takes no update
    Publisher,  // signed with another certificate than this program
    Hash,       // not the SHA-256 the engine gave
};

// The language key of the text that tells the user why.
const wchar_t* UpdateRefusalTextKey(UpdateRefusal refusal);

class CVerifiedInstaller : private vt::NonCopyable {
public:
    typedef BOOL(WINAPI* PFN_CreateProcessW)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                             DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);

    // Null, with the reason in *why (and a log line), when a check fails.
    // sha256: 64 hex digits; empty (the engine gave none) is refused.
    static std::unique_ptr<CVerifiedInstaller> Verify(const std::wstring& path, const std::string& sha256,
                                                      UpdateRefusal* why);

    const std::wstring& Path() const { return m_path; }
    // Starts it by its full path (never through the shell), then lets the
    // file go. Logged either way.
    bool Start(PFN_CreateProcessW createProcess);

    // SHA-256 of an open file, read through the handle: 64 lower-case hex
    // digits, empty on failure.
    static std::string Sha256Of(HANDLE file);

private:
    CVerifiedInstaller(std::wstring path, vt::UniqueFile file) : m_path(std::move(path)), m_file(std::move(file)) {}
    static LONG TrustVerdict(HANDLE file, const std::wstring& path, std::string& signer);
    // The SHA-256 of the certificate that signed this program; empty when
    // it has no good signature.
    static std::string ProgramSigner();

    std::wstring m_path;
    vt::UniqueFile m_file;
};

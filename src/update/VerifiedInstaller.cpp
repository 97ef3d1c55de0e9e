#include "update/VerifiedInstaller.h"

#include <softpub.h>
#include <wintrust.h>

#include <cwchar>
#include <vector>

#include "log/BaseLog.h"
#include "update/CheckLibraries.h"
#include "settings/ProgramSwitches.h"

namespace {

// The program switch that puts an administrator's verdict in place of
// WinVerifyTrust's.
const wchar_t kTrustSwitch[] = L"UPDATE_TRUST_VERDICT";
constexpr DWORD kHashChunk = 64 * 1024;

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix) {
    size_t n = std::wcslen(suffix);
    return text.size() > n && _wcsicmp(text.c_str() + text.size() - n, suffix) == 0;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

const wchar_t* UpdateRefusalTextKey(UpdateRefusal refusal) {
    switch (refusal) {
        case UpdateRefusal::Folder: return L"STR_UPDATE_NOFOLDER";
        case UpdateRefusal::Type: return L"STR_UPDATE_NOTEXE";
        case UpdateRefusal::Open: return L"STR_UPDATE_UNREADABLE";
        case UpdateRefusal::Signature: return L"STR_UPDATE_UNSIGNED";
        case UpdateRefusal::Hash: return L"STR_UPDATE_BADHASH";
        case UpdateRefusal::None: break;
    }
    return L"STR_DOWNLOADERROR";
}

std::unique_ptr<CVerifiedInstaller> CVerifiedInstaller::Verify(const std::wstring& path, const std::string& sha256,
                                                               UpdateRefusal* why) {
    *why = UpdateRefusal::None;
    if (!EndsWithNoCase(path, L".exe")) {
        VLOG("update refused: not an .exe: %ls", path.c_str());
        *why = UpdateRefusal::Type;
        return nullptr;
    }
    // Once, for the checks and the start: nobody may write, rename or delete
    // it while it is held.
    vt::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        VLOG("update refused: the file could not be opened for its check (error %lu): %ls", ::GetLastError(),
             path.c_str());
        *why = UpdateRefusal::Open;
        return nullptr;
    }
    LONG verdict = TrustVerdict(file.Get(), path);
    if (verdict != ERROR_SUCCESS) {
        VLOG("update refused: no valid signature (0x%08lx): %ls", static_cast<unsigned long>(verdict), path.c_str());
        *why = UpdateRefusal::Signature;
        return nullptr;
    }
    // A signature says who made a file, not which of their files it is: the
    // engine's hash is what ties the download to the offer, so there is no
    // update without one.
    if (sha256.empty()) {
        VLOG("update refused: the update engine gave no SHA-256: %ls", path.c_str());
        *why = UpdateRefusal::Hash;
        return nullptr;
    }
    std::string actual = Sha256Of(file.Get());
    if (actual.empty() || actual != Lower(sha256)) {
        VLOG("update refused: SHA-256 %s, expected %s: %ls", actual.c_str(), Lower(sha256).c_str(), path.c_str());
        *why = UpdateRefusal::Hash;
        return nullptr;
    }
    VLOG("update verified: %ls", path.c_str());
    return std::unique_ptr<CVerifiedInstaller>(new CVerifiedInstaller(path, std::move(file)));
}

LONG CVerifiedInstaller::TrustVerdict(HANDLE file, const std::wstring& path) {
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;  // the open file is what is checked, not the name
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_IGNORE;  // no state is kept after the call
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // Without the system's check there is no verdict to replace: unverified.
    const CCheckLibraries& libraries = CCheckLibraries::Get();
    if (!libraries.Ready()) return static_cast<LONG>(TRUST_E_SYSTEM_ERROR);
    LONG verdict = libraries.VerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    VLOG("WinVerifyTrust on the open file: 0x%08lx", static_cast<unsigned long>(verdict));

    const std::wstring text = ProgramSwitches::Value(kTrustSwitch);
    if (text.empty()) return verdict;
    wchar_t* end = nullptr;
    unsigned long replaced = std::wcstoul(text.c_str(), &end, 0);
    if (end == text.c_str()) return verdict;
    VLOG("trust verdict replaced by %ls: 0x%08lx", ProgramSwitches::kFileName, replaced);
    return static_cast<LONG>(replaced);
}

std::string CVerifiedInstaller::Sha256Of(HANDLE file) {
    const CCheckLibraries& libraries = CCheckLibraries::Get();
    if (!libraries.Ready()) return std::string();
    vt::UniqueCryptAlgorithm algorithm;
    if (libraries.OpenAlgorithm(algorithm.Put(), BCRYPT_SHA256_ALGORITHM) != 0) return std::string();
    vt::UniqueCryptHash hash;
    if (libraries.CreateHash(algorithm.Get(), hash.Put()) != 0) return std::string();
    std::vector<unsigned char> buffer(kHashChunk);
    // Positioned reads from the start, whatever the handle's position.
    ULONGLONG offset = 0;
    for (;;) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), kHashChunk, &got, &at)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) break;
            return std::string();
        }
        if (got == 0) break;
        if (libraries.HashData(hash.Get(), buffer.data(), got) != 0) return std::string();
        offset += got;
    }
    unsigned char digest[32] = {};
    if (libraries.FinishHash(hash.Get(), digest, sizeof(digest)) != 0) return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

bool CVerifiedInstaller::Start(PFN_CreateProcessW createProcess) {
    // The command line names the same full path, quoted; it starts in its
    // own (administrators-only) folder.
    std::wstring commandLine = L"\"" + m_path + L"\"";
    std::wstring folder = m_path.substr(0, m_path.find_last_of(L'\\') + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    BOOL started = createProcess(m_path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    DWORD error = started ? 0 : ::GetLastError();
    vt::UniqueHandle processHandle(process.hProcess);
    vt::UniqueHandle threadHandle(process.hThread);
    // Running now (or not at all): the file may go.
    m_file.Reset();
    if (!started) {
        VLOG("installer not started (error %lu): %ls", error, m_path.c_str());
        return false;
    }
    VLOG("installer started: %ls", m_path.c_str());
    return true;
}

#include "update/VerifiedInstaller.h"

#include <cwchar>
#include <vector>

#include "log/BaseLog.h"
#include "settings/ProgramSwitches.h"
#include "update/CheckLibraries.h"
#include "update/Sha256.h"
#include "update/SignerCheck.h"

namespace {

// The program switch that puts an administrator's verdict in place of
// WinVerifyTrust's.
const wchar_t kTrustSwitch[] = L"UPDATE_TRUST_VERDICT";
// With a replaced verdict, the signer's certificate it stands for (its
// SHA-256); and the one put in place of this program's own.
const wchar_t kSignerSwitch[] = L"UPDATE_TRUST_SIGNER";
const wchar_t kProgramSignerSwitch[] = L"UPDATE_PROGRAM_SIGNER";
constexpr DWORD kHashChunk = 64 * 1024;

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix) {
    size_t n = std::wcslen(suffix);
    return text.size() > n && _wcsicmp(text.c_str() + text.size() - n, suffix) == 0;
}

// Switch values are hex digits: plain ASCII.
std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
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
        case UpdateRefusal::ProgramUnsigned: return L"STR_UPDATE_SELFUNSIGNED";
        case UpdateRefusal::Publisher: return L"STR_UPDATE_OTHERSIGNER";
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
    std::string signer;
    LONG verdict = TrustVerdict(file.Get(), path, signer);
    if (verdict != ERROR_SUCCESS) {
        VLOG("update refused: no valid signature (0x%08lx): %ls", static_cast<unsigned long>(verdict), path.c_str());
        *why = UpdateRefusal::Signature;
        return nullptr;
    }
    // Any publisher's good signature is not enough: the update must come
    // from whoever signed this program, with the same certificate.
    const std::string own = ProgramSigner();
    if (own.empty()) {
        VLOG("update refused: this program is not signed, so it takes no update: %ls", path.c_str());
        *why = UpdateRefusal::ProgramUnsigned;
        return nullptr;
    }
    if (Lower(signer) != Lower(own)) {
        VLOG("update refused: signed with certificate %s, not with this program's %s: %ls",
             signer.empty() ? "(none)" : Lower(signer).c_str(), Lower(own).c_str(), path.c_str());
        *why = UpdateRefusal::Publisher;
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

LONG CVerifiedInstaller::TrustVerdict(HANDLE file, const std::wstring& path, std::string& signer) {
    // Without the system's check there is no verdict to replace: unverified.
    if (!CCheckLibraries::Get().Ready()) return static_cast<LONG>(TRUST_E_SYSTEM_ERROR);
    LONG verdict = CSignerCheck::Verify(file, path, signer);
    VLOG("WinVerifyTrust on the open file: 0x%08lx", static_cast<unsigned long>(verdict));

    const std::wstring text = ProgramSwitches::Value(kTrustSwitch);
    if (text.empty()) return verdict;
    wchar_t* end = nullptr;
    unsigned long replaced = std::wcstoul(text.c_str(), &end, 0);
    if (end == text.c_str()) return verdict;
    VLOG("trust verdict replaced by %ls: 0x%08lx", ProgramSwitches::kFileName, replaced);
    signer = Narrow(ProgramSwitches::Value(kSignerSwitch));
    return static_cast<LONG>(replaced);
}

std::string CVerifiedInstaller::ProgramSigner() {
    wchar_t self[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::string signer;
    vt::UniqueFile file(n > 0 && n < MAX_PATH * 2 ? ::CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                                  : INVALID_HANDLE_VALUE);
    const LONG verdict = file ? CSignerCheck::Verify(file.Get(), self, signer) : static_cast<LONG>(::GetLastError());
    VLOG("WinVerifyTrust on this program: 0x%08lx", static_cast<unsigned long>(verdict));
    const std::wstring replaced = ProgramSwitches::Value(kProgramSignerSwitch);
    if (!replaced.empty()) {
        VLOG("this program's signer replaced by %ls", ProgramSwitches::kFileName);
        signer = Narrow(replaced);
    }
    return signer;
}

std::string CVerifiedInstaller::Sha256Of(HANDLE file) {
    CSha256 sum;
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
        if (!sum.Add(buffer.data(), got)) return std::string();
        offset += got;
    }
    return sum.HexDigest();
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

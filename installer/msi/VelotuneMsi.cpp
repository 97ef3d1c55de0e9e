// Custom actions of the MSI packages (installer/Velotune.wxs). They do what
// the NSIS setup program and its uninstaller do where Windows Installer has
// no table for it, with the same rules, texts and log lines (see
// installer/README.md):
//   VtSecureFolder  (deferred, as SYSTEM) the install folder's owner and
//                   protected DACL; an existing folder outside Program Files
//                   that administrators do not own is refused, and so is a
//                   folder that is, or lies below, a link, or below a
//                   folder that others than administrators may change, or
//                   that already holds anything but the log folder and is
//                   not the installed copy's own;
//   VtCloseRunning  (immediate, in the user's session, where the program's
//                   window is) asks a running Velotune to exit as its own
//                   Exit does;
//   VtStopProgram   (deferred, as SYSTEM, before files are removed or
//                   replaced) closes it too, then on removal runs
//                   "Velotune.exe /RestoreOverclocking" and says what it
//                   answered, and removes what the program wrote beside
//                   itself;
//   VtCheckFolder   (immediate, before an older version is removed) the
//                   same refusal of a folder that holds files;
//   VtUpgradeInPlace (immediate, before the folders are resolved) installs
//                   an upgrade where the older version is, as the setup
//                   program does, unless INSTALLDIR is given, and a removal
//                   works on the folder the copy is in; it also names that
//                   folder for VtSecureFolder (VtInstalledDir);
//   VtKeepForeignFiles (immediate, once the folder is known) leaves out a
//                   stand-in where another maker's file of its name is
//                   (see installer/README.md), so it is neither replaced
//                   nor, at removal, removed;
//   VtReadSettings  (immediate, before an older version is removed) and
//   VtKeepSettings  (deferred, after the files are installed) carry the
//                   user's Velotune.ini over an upgrade, whether or not the
//                   older version's removal knew it was part of one.
#include <windows.h>
#include <aclapi.h>
#include <msi.h>
#include <msiquery.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "FolderRules.h"
#include "base/RunningCopy.h"
#include "base/Win32Owners.h"

namespace {

// The main window's tray-menu command and its exit item, as the setup
// program posts them (installer/Functions.nsh).
constexpr UINT kMenuClick = 35769;
constexpr WPARAM kMenuItemExit = 3;
constexpr DWORD kExitWaitMs = 60000;
constexpr int kGuardWaitRounds = 120;  // x 250 ms
constexpr DWORD kRestoreWaitMs = 300000;

const wchar_t* const kFolderSddl = L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";

struct Text {
    const wchar_t* en;
    const wchar_t* zh;
};
const Text kStaysOverclocked = {
    L"Velotune could not put the processor's default settings back. If it was overclocked, it stays overclocked "
    L"until the next restart.",
    L"Velotune 未能恢复处理器的默认设置。如果处理器已超频，它将保持超频状态，直到下次重新启动。"};
const Text kStillRunning = {
    L"Velotune is still running. Exit it from its tray menu, then choose Retry. Cancel stops here and changes "
    L"nothing.",
    L"Velotune 仍在运行。请从托盘菜单中退出 Velotune，然后点击“重试”。点击“取消”将停止，不做任何更改。"};
const Text kFolderNotAdmin = {
    L"This folder already exists and is not owned by administrators, so other users may have changed it. Choose a "
    L"new folder or one inside Program Files.",
    L"该文件夹已存在，且其所有者不是管理员，其他用户可能已更改其中的内容。请选择一个新文件夹，或 Program Files 中的文件夹。"};
const Text kFolderLink = {
    L"This folder, or a folder above it, is a link to another place, which can be changed after the install. Choose "
    L"a new folder or one inside Program Files.",
    L"该文件夹或其上级文件夹是指向其他位置的链接，安装后可能被更改。请选择一个新文件夹，或 Program Files 中的文件夹。"};
const Text kFolderParent = {
    L"A folder above this one can be changed by users who are not administrators, so they could replace the install "
    L"folder. Choose a folder inside Program Files.",
    L"该文件夹的上级文件夹可被非管理员用户更改，他们可能替换安装文件夹。请选择 Program Files 中的文件夹。"};
const Text kFolderNotEmpty = {
    L"This folder already holds other files, which Velotune would run with administrator rights beside its own. "
    L"Choose an empty folder or a new one.",
    L"该文件夹中已有其他文件，Velotune 会以管理员权限与其一同运行。请选择一个空文件夹或新文件夹。"};
const Text kFolderNotSecured = {
    L"The permissions of the install folder could not be set, so Velotune was not installed there. Choose another "
    L"folder.",
    L"无法设置安装文件夹的权限，因此未在该位置安装 Velotune。请选择其他文件夹。"};

// What one run of the package is doing, as the deferred actions receive it
// ("mode|folder|language[|data]", set up by the package; no path holds a
// "|").
struct Job {
    std::wstring mode;  // "remove", "upgrade" (removed by a newer version) or "install"
    std::wstring dir;   // the install folder, without a trailing backslash
    bool chinese = false;
    std::wstring data;  // what the action carries (VtKeepSettings: the settings, in hex;
                        // VtSecureFolder: the installed copy's folder)
    const wchar_t* Say(const Text& t) const { return chinese ? t.zh : t.en; }
};

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return std::wstring();
    std::vector<wchar_t> value(++size);
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return std::wstring();
    return value.data();
}

std::wstring WithoutTrailingSlash(std::wstring dir) {
    while (dir.size() > 3 && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
    return dir;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == std::wstring::npos ? std::wstring::npos : at - from));
        if (at == std::wstring::npos) return parts;
        from = at + 1;
    }
}

Job ReadJob(MSIHANDLE install) {
    Job job;
    std::vector<std::wstring> parts = Split(Property(install, L"CustomActionData"), L'|');
    parts.resize(4);
    job.mode = parts[0];
    job.dir = WithoutTrailingSlash(parts[1]);
    job.chinese = parts[2] == L"zh";
    job.data = parts[3];
    return job;
}

// A line in the package's own log (msiexec /l*v).
void MsiLog(MSIHANDLE install, const std::wstring& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"Velotune: [1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// A message the user answers (none in a silent run, where it is logged only
// and the answer is 0).
int Ask(MSIHANDLE install, INSTALLMESSAGE kind, UINT buttons, const wchar_t* text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text);
    return MsiProcessMessage(install, INSTALLMESSAGE(kind | buttons), record);
}

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// Appends a line to log\Install.log, stamped with the local time as the
// setup program stamps its lines, and to the package's own log.
void InstallLog(MSIHANDLE install, const std::wstring& dir, const std::wstring& text) {
    MsiLog(install, text);
    const std::wstring folder = dir + L"\\log";
    CreateDirectoryW(folder.c_str(), nullptr);
    vt::UniqueFile file(CreateFileW((folder + L"\\Install.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    wsprintfA(stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    const std::string line = stamp + Utf8(text) + "\r\n";
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ------------------------------------------------------------- closing

enum class Closed { kYes, kStillRunning };

// Whether the window's process runs elevated: what no user without
// administrator rights can start.
bool ElevatedProcess(DWORD pid) {
    vt::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    HANDLE raw = nullptr;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_QUERY, &raw)) return false;
    vt::UniqueHandle token(raw);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated;
}

// Asks a running Velotune to exit through its tray menu's exit command and
// waits for the process (once, at most kExitWaitMs) and then for its
// single-instance guard file in the install folder to go (a start in
// progress or a windowless restore run holds it too). A window that shows
// up meanwhile is asked as well, within the same wait. The running copy is
// the process the machine's guard file names (base/RunningCopy.h); where
// this action may not read it (the immediate one runs as the installing
// user), a window of an elevated process, which no user without
// administrator rights can start. Any other window of the class is
// anyone's: neither asked nor waited for, and logged.
Closed CloseOnce(MSIHANDLE install, const std::wstring& dir) {
    const std::wstring guard = dir + L"\\Velotune.lock";
    HWND asked = nullptr;
    bool waited = false;
    for (int round = 0;; ++round) {
        DWORD error = ERROR_SUCCESS;
        const DWORD holder = vt::ReadGuardHolder(vt::MachineGuardPath(), &error);
        for (HWND window = FindWindowExW(nullptr, nullptr, L"Velotune", nullptr); window;
             window = FindWindowExW(nullptr, window, L"Velotune", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            const bool running = error == ERROR_ACCESS_DENIED ? ElevatedProcess(pid) : holder != 0 && pid == holder;
            if (!running) {
                if (round == 0)
                    MsiLog(install, L"Left alone a window of class Velotune in process " + std::to_wstring(pid) +
                                        L": it is not the running copy's (process " + std::to_wstring(holder) + L").");
                continue;
            }
            if (window == asked) continue;
            asked = window;
            vt::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
            PostMessageW(window, kMenuClick, kMenuItemExit, 0);
            if (process && !waited) {
                waited = true;
                WaitForSingleObject(process.Get(), kExitWaitMs);
            }
        }
        // One left behind by a power cut can be deleted; one of a running
        // copy cannot.
        DeleteFileW(guard.c_str());
        if (!Exists(guard)) return Closed::kYes;
        if (round >= kGuardWaitRounds) return Closed::kStillRunning;
        Sleep(250);
    }
}

// Closes the program; when it does not end, the user may retry. A silent
// run, or Cancel, fails the action: nothing has been changed yet.
UINT CloseRunning(MSIHANDLE install, const Job& job) {
    for (;;) {
        if (CloseOnce(install, job.dir) == Closed::kYes) return ERROR_SUCCESS;
        MsiLog(install, L"Velotune did not exit; nothing was changed.");
        const int answer = Ask(install, INSTALLMESSAGE_ERROR, MB_RETRYCANCEL | MB_ICONEXCLAMATION, job.Say(kStillRunning));
        if (answer == IDRETRY) continue;
        return answer == IDCANCEL ? ERROR_INSTALL_USEREXIT : ERROR_INSTALL_FAILURE;
    }
}

// ------------------------------------------------------------- restoring

// "Velotune.exe /RestoreOverclocking" from the install folder, started in
// the system folder (a folder in use cannot be removed); its exit code, or
// -1 when it could not be started or did not end.
long RunRestore(const std::wstring& dir) {
    const std::wstring exe = dir + L"\\Velotune.exe";
    std::wstring line = L"\"" + exe + L"\" /RestoreOverclocking";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, system, &si, &pi)) return -1;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    if (WaitForSingleObject(process.Get(), kRestoreWaitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return static_cast<long>(code);
}

// Puts the processor's defaults back through the program and says what it
// answered, as the uninstaller does: 1 at the defaults, 2 the restore
// failed, 3 the SDK could not be reached, 4 another copy was running (closed,
// and the restore tried once more). Any answer but 1 is shown to the user
// (logged only in a silent run); the removal goes on, as the uninstaller's
// does.
void Restore(MSIHANDLE install, const Job& job) {
    if (!Exists(job.dir + L"\\Velotune.exe")) return;
    long code = RunRestore(job.dir);
    if (code == 4) {
        CloseOnce(install, job.dir);
        code = RunRestore(job.dir);
    }
    std::wstring line;
    switch (code) {
    case 1:
        line = L"The processor is at its defaults (Velotune.exe /RestoreOverclocking: 1).";
        break;
    case 2:
        line = L"The restore failed: the processor may stay overclocked until the next restart "
               L"(Velotune.exe /RestoreOverclocking: 2).";
        break;
    case 3:
        line = L"The tuning SDK could not be reached, nothing was changed: the processor may stay overclocked until "
               L"the next restart (Velotune.exe /RestoreOverclocking: 3).";
        break;
    case 4:
        line = L"Another copy of Velotune was running, no restore was tried: the processor may stay overclocked until "
               L"the next restart (Velotune.exe /RestoreOverclocking: 4).";
        break;
    default:
        line = L"Velotune.exe /RestoreOverclocking did not answer as expected ('" +
               (code < 0 ? std::wstring() : std::to_wstring(code)) +
               L"'): the processor may stay overclocked until the next restart.";
    }
    InstallLog(install, job.dir, line);
    if (code != 1) Ask(install, INSTALLMESSAGE_WARNING, MB_OK | MB_ICONEXCLAMATION, job.Say(kStaysOverclocked));
}

void DeleteMatching(const std::wstring& dir, const wchar_t* pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir + L"\\" + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            // A link is removed, never followed.
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                DeleteTree(path);
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(path.c_str());
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// What the program and its stand-ins write beside themselves, which no
// package table lists: the settings, the simulated processor's state, call
// records, the update client's download folder.
void RemoveWhatTheProgramWrote(const Job& job) {
    DeleteFileW((job.dir + L"\\Velotune.ini").c_str());
    for (const wchar_t* pattern : {L"*.state", L"*.state.tmp", L"*.calls.log", L"*.calls.log.old"})
        DeleteMatching(job.dir, pattern);
    DeleteTree(job.dir + L"\\VelotuneUpdate");
}

// ------------------------------------------------------------- the folder

// The 64-bit Program Files folder as the system names it, also from a
// 32-bit process (whose own view is redirected).
std::wstring ProgramFiles64() {
    vt::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), L"ProgramW6432Dir", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return value;
}

bool Under(const std::wstring& dir, const std::wstring& folder) {
    if (folder.empty()) return false;
    const std::wstring prefix = WithoutTrailingSlash(folder) + L"\\";
    return dir.size() >= prefix.size() &&
           CompareStringOrdinal(dir.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The Program Files folders: this process's own, the 32-bit one and the 64-bit one.
std::vector<std::wstring> ProgramFilesFolders() {
    std::vector<std::wstring> folders;
    wchar_t path[MAX_PATH] = {};
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
            folders.push_back(WithoutTrailingSlash(path));
    }
    folders.push_back(WithoutTrailingSlash(ProgramFiles64()));
    return folders;
}

bool InProgramFiles(const std::wstring& dir) {
    for (const std::wstring& folder : ProgramFilesFolders())
        if (Under(dir + L"\\", folder)) return true;
    return false;
}

// One of the Program Files folders itself.
bool IsProgramFiles(const std::wstring& dir) {
    for (const std::wstring& folder : ProgramFilesFolders())
        if (!folder.empty() && CompareStringOrdinal(dir.c_str(), static_cast<int>(dir.size()), folder.c_str(),
                                                    static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

// The owner of an existing folder as a SID string; empty when unreadable.
std::wstring OwnerOf(const std::wstring& path) {
    PSID owner = nullptr;
    vt::UniqueLocal sd;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put())) != ERROR_SUCCESS)
        return std::wstring();
    return folder_rules::SidText(owner);
}

bool OwnedByAdministrators(const std::wstring& path) { return folder_rules::AdministratorsSid(OwnerOf(path)); }

// Why an existing folder above the install folder is not safe (empty when
// it is): FolderRules.h.
std::wstring UnsafeBecause(const std::wstring& folder) {
    vt::UniqueLocal sd;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr,
                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put())) != ERROR_SUCCESS)
        return L"its security cannot be read";
    return folder_rules::UnsafeBecause(sd.Get());
}

// The folder above `path`; empty above the drive's root.
std::wstring ParentOf(const std::wstring& path) {
    if (path.size() <= 3) return std::wstring();
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

// The install folder, or the first existing folder above it, that is a
// reparse point (a junction, a link, a mount point); empty when none is.
std::wstring FirstLink(const std::wstring& dir) {
    for (std::wstring at = dir; !at.empty(); at = ParentOf(at)) {
        const DWORD attributes = GetFileAttributesW(at.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return at;
    }
    return std::wstring();
}

// The first existing folder above `dir` that is not safe, and why. The
// drive's root and the Program Files folders are the system's own, which
// it protects itself.
bool UnsafeParent(const std::wstring& dir, std::wstring& parent, std::wstring& why) {
    for (parent = ParentOf(dir); parent.size() > 3; parent = ParentOf(parent)) {
        if (IsProgramFiles(parent) || GetFileAttributesW(parent.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        why = UnsafeBecause(parent);
        if (!why.empty()) return true;
    }
    return false;
}

// The first entry of an existing folder other than the log folder an
// uninstall leaves; empty when there is none.
std::wstring FirstEntryBesidesLog(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring first;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool logFolder = CompareStringOrdinal(name.c_str(), -1, L"log", -1, TRUE) == CSTR_EQUAL &&
                               (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                               !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (!logFolder) first = name;
    } while (first.empty() && FindNextFileW(find, &fd));
    FindClose(find);
    return first;
}

// The same folder however it is spelled (case, "..", a trailing slash).
bool SameFolder(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return false;
    wchar_t full[2][MAX_PATH] = {};
    const std::wstring* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const DWORD n = GetFullPathNameW(paths[i]->c_str(), MAX_PATH, full[i], nullptr);
        if (n == 0 || n >= MAX_PATH) return false;
    }
    const std::wstring x = WithoutTrailingSlash(full[0]), y = WithoutTrailingSlash(full[1]);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}

UINT Refuse(MSIHANDLE install, const Job& job, const Text& text, const std::wstring& detail) {
    MsiLog(install, detail);
    Ask(install, INSTALLMESSAGE_ERROR, MB_OK | MB_ICONSTOP, job.Say(text));
    return ERROR_INSTALL_FAILURE;
}

// A folder that holds anything but the log folder is refused unless it is
// the installed copy's (`job.data`): anything else may be a file a user
// planted and still owns, which the program would load elevated.
UINT RefuseUnlessEmpty(MSIHANDLE install, const Job& job) {
    const std::wstring entry = SameFolder(job.dir, job.data) ? std::wstring() : FirstEntryBesidesLog(job.dir);
    if (entry.empty()) return ERROR_SUCCESS;
    return Refuse(install, job, kFolderNotEmpty,
                  L"Refused " + job.dir + L": it already holds '" + entry + L"' and is not an installed Velotune's folder.");
}

// The settings file of the install folder, in hex (a property holds text);
// empty when there is none.
std::wstring SettingsInHex(const std::wstring& dir) {
    vt::UniqueFile file(CreateFileW((dir + L"\\Velotune.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::wstring();
    std::wstring hex;
    unsigned char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0 && hex.size() < (1u << 20)) {
        for (DWORD i = 0; i < got; ++i) {
            const wchar_t* digits = L"0123456789ABCDEF";
            hex += digits[buffer[i] >> 4];
            hex += digits[buffer[i] & 15];
        }
    }
    return hex;
}

// Whether a file's version resource carries our "VelotuneStandIn" mark.
bool IsOurStandIn(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
    wchar_t* value = nullptr;
    UINT length = 0;
    return VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\VelotuneStandIn",
                          reinterpret_cast<void**>(&value), &length) &&
           length > 0 && value && value[0] == L'1' && (length == 1 || value[1] == 0);
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

}  // namespace

extern "C" {

__declspec(dllexport) UINT __stdcall VtSecureFolder(MSIHANDLE install) {
    Job job = ReadJob(install);
    wchar_t full[MAX_PATH] = {};
    DWORD n = GetFullPathNameW(job.dir.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) job.dir = WithoutTrailingSlash(full);
    if (!InProgramFiles(job.dir) && Exists(job.dir) && !OwnedByAdministrators(job.dir))
        return Refuse(install, job, kFolderNotAdmin,
                      L"Refused " + job.dir + L": it is owned by '" + OwnerOf(job.dir) + L"', not by administrators.");
    const std::wstring link = FirstLink(job.dir);
    if (!link.empty())
        return Refuse(install, job, kFolderLink, L"Refused " + job.dir + L": " + link + L" is a link (a reparse point).");
    std::wstring parent, why;
    if (UnsafeParent(job.dir, parent, why))
        return Refuse(install, job, kFolderParent,
                      L"Refused " + job.dir + L": the folder above it, " + parent + L", is not safe: " + why + L".");
    // By now an older version's own removal has run (the upgrade removes it
    // before anything is installed): what is left of it is no longer
    // registered, so its folder is the one the package named.
    const UINT rc = RefuseUnlessEmpty(install, job);
    if (rc != ERROR_SUCCESS) return rc;
    SHCreateDirectoryExW(nullptr, job.dir.c_str(), nullptr);
    vt::UniqueLocal sd;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderSddl, SDDL_REVISION_1,
                                                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put()), nullptr))
        return Refuse(install, job, kFolderNotSecured, L"Refused " + job.dir + L": no descriptor.");
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    GetSecurityDescriptorOwner(sd.Get(), &owner, &defaulted);
    GetSecurityDescriptorDacl(sd.Get(), &present, &dacl, &defaulted);
    const DWORD set = SetNamedSecurityInfoW(
        &job.dir[0], SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, owner, nullptr,
        dacl, nullptr);
    if (set != ERROR_SUCCESS)
        return Refuse(install, job, kFolderNotSecured,
                      L"Refused " + job.dir + L": its permissions could not be set (error " + std::to_wstring(set) + L").");
    // What was applied, as the system writes the descriptor back to text.
    vt::UniqueLocal text;
    std::wstring applied;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd.Get(), SDDL_REVISION_1,
                                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                             reinterpret_cast<LPWSTR*>(text.Put()), nullptr))
        applied = static_cast<const wchar_t*>(text.Get());
    InstallLog(install, job.dir, L"Install folder secured: " + applied);
    return ERROR_SUCCESS;
}

// The same refusal before an older version is removed, which an install
// that fails later does not bring back. VtSecureFolder checks again, as
// SYSTEM, right before the folder is used: a folder this one cannot list
// passes here.
__declspec(dllexport) UINT __stdcall VtCheckFolder(MSIHANDLE install) {
    Job job;
    job.dir = WithoutTrailingSlash(Property(install, L"INSTALLDIR"));
    job.chinese = Property(install, L"VT_LANGUAGE") == L"zh";
    job.data = Property(install, L"VtInstalledDir");
    return RefuseUnlessEmpty(install, job);
}

__declspec(dllexport) UINT __stdcall VtCloseRunning(MSIHANDLE install) {
    Job job;
    job.dir = WithoutTrailingSlash(Property(install, L"INSTALLDIR"));
    job.chinese = Property(install, L"VT_LANGUAGE") == L"zh";
    return CloseRunning(install, job);
}

// The folder of the installed copy: this product's own (a removal or a
// change, where Wine's msi would otherwise resolve the default folder
// again), else the older version's being upgraded. It is the install folder
// unless INSTALLDIR is given, and VtInstalledDir either way: read from
// Windows Installer's own registration, which only administrators write,
// never from the command line (it runs in every install, and empties it
// when there is no such copy).
__declspec(dllexport) UINT __stdcall VtUpgradeInPlace(MSIHANDLE install) {
    MsiSetPropertyW(install, L"VtInstalledDir", L"");
    // The older products found by the upgrade code are separated by ";".
    const std::wstring found = Property(install, L"Installed").empty() ? Property(install, L"WIX_UPGRADE_DETECTED")
                                                                        : Property(install, L"ProductCode");
    const std::wstring product = found.substr(0, found.find(L';'));
    wchar_t location[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (product.empty() ||
        MsiGetProductInfoW(product.c_str(), INSTALLPROPERTY_INSTALLLOCATION, location, &size) != ERROR_SUCCESS ||
        !location[0])
        return ERROR_SUCCESS;
    MsiSetPropertyW(install, L"VtInstalledDir", location);
    MsiLog(install, std::wstring(L"The installed copy is in ") + location);
    if (Property(install, L"INSTALLDIR").empty()) MsiSetPropertyW(install, L"INSTALLDIR", location);
    return ERROR_SUCCESS;
}

// The setup program's rule for each stand-in: no file of its name, and no
// "<name>.ini" without one, or our own stand-in there: installed; anything
// else is another maker's, and the stand-in (with its .ini) is left out.
__declspec(dllexport) UINT __stdcall VtKeepForeignFiles(MSIHANDLE install) {
    const std::wstring dir = WithoutTrailingSlash(Property(install, L"INSTALLDIR"));
    for (const std::wstring& entry : Split(Property(install, L"VT_STANDINS"), L';')) {
        std::vector<std::wstring> f = Split(entry, L':');
        if (f.size() != 3 || f[0].empty()) continue;
        const std::wstring dll = dir + L"\\" + f[1];
        std::wstring kept;
        if (Exists(dll)) {
            if (!IsOurStandIn(dll)) kept = dll;
        } else if (!f[2].empty() && Exists(dir + L"\\" + f[2])) {
            kept = dir + L"\\" + f[2];
        }
        if (kept.empty()) continue;
        // Its feature holds the stand-in and its .ini: neither is installed,
        // so neither is removed later.
        MsiSetFeatureStateW(install, f[0].c_str(), INSTALLSTATE_ABSENT);
        MsiLog(install, L"Kept " + kept + L": a file of another maker is already there.");
    }
    return ERROR_SUCCESS;
}

__declspec(dllexport) UINT __stdcall VtReadSettings(MSIHANDLE install) {
    const std::wstring hex = SettingsInHex(WithoutTrailingSlash(Property(install, L"INSTALLDIR")));
    if (!hex.empty()) MsiSetPropertyW(install, L"VT_SETTINGS", hex.c_str());
    return ERROR_SUCCESS;
}

// The settings read before the older version went, written back unless the
// file is still there (its removal knew it was an upgrade and kept it).
__declspec(dllexport) UINT __stdcall VtKeepSettings(MSIHANDLE install) {
    const Job job = ReadJob(install);
    const std::wstring path = job.dir + L"\\Velotune.ini";
    if (Exists(path) || job.data.empty() || job.data.size() % 2) return ERROR_SUCCESS;
    std::string bytes;
    for (size_t i = 0; i < job.data.size(); i += 2) {
        const int high = HexDigit(job.data[i]), low = HexDigit(job.data[i + 1]);
        if (high < 0 || low < 0) return ERROR_SUCCESS;
        bytes += static_cast<char>(high * 16 + low);
    }
    vt::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    MsiLog(install, L"Kept the settings of the version before (Velotune.ini).");
    return ERROR_SUCCESS;
}

__declspec(dllexport) UINT __stdcall VtStopProgram(MSIHANDLE install) {
    const Job job = ReadJob(install);
    const UINT rc = CloseRunning(install, job);
    if (rc != ERROR_SUCCESS || job.mode == L"install") return rc;
    Restore(install, job);
    // A newer version takes over the settings and the processor's state.
    if (job.mode == L"remove") RemoveWhatTheProgramWrote(job);
    return ERROR_SUCCESS;
}

}  // extern "C"

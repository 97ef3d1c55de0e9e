#include "shell/CommonHelp.h"

#include <windows.h>
#include <shellapi.h>

#include "log/BaseLog.h"
#include "settings/AppInfo.h"
#include "settings/ModulePath.h"
#include "shell/ShellTestSeams.h"
#include "base/Win32Owners.h"
#include "tuning/SafeLoadLibrary.h"

namespace {

const wchar_t kServiceClientDll[] = L"DadEzOzuz.dll";
const wchar_t kSvcStart[] = L"/svc_start";
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"Velotune";
const wchar_t kLauncher[] = L"VodEduzudu.exe";

// The service client's exports. Both are __stdcall with plain C types.
typedef unsigned char(__stdcall* PFN_AERTStartClient)(const wchar_t* svcSwitch, const wchar_t* fileName);
typedef int(__stdcall* PFN_AERTInstall)(int reserved);

#ifdef VT_SHELL_TEST_SEAMS
LPWSTR ProcessCommandLine() {
    return ShellTestSeams::getCommandLine ? ShellTestSeams::getCommandLine() : GetCommandLineW();
}
BOOL ShellExecuteExCall(SHELLEXECUTEINFOW* info) {
    return ShellTestSeams::shellExecuteEx ? ShellTestSeams::shellExecuteEx(info) : ShellExecuteExW(info);
}
#else
LPWSTR ProcessCommandLine() { return GetCommandLineW(); }
BOOL ShellExecuteExCall(SHELLEXECUTEINFOW* info) { return ShellExecuteExW(info); }
#endif

// The argument vector of CommandLineToArgvW.
class ScopedArgv {
public:
    explicit ScopedArgv(LPCWSTR commandLine)
        : m_argv(reinterpret_cast<HLOCAL>(CommandLineToArgvW(commandLine, &m_count))) {
        if (!m_argv) m_count = 0;
    }
    int Count() const { return m_count; }
    const wchar_t* At(int i) const { return static_cast<LPWSTR*>(m_argv.Get())[i]; }

private:
    int m_count = 0;
    vt::UniqueLocal m_argv;
};

// The Administrators group SID; none when it cannot be made.
vt::UniqueSid AdminsGroupSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid))
        return vt::UniqueSid();
    return vt::UniqueSid(sid);
}

bool IsAdminByToken() {
    const vt::UniqueSid sid = AdminsGroupSid();
    if (!sid) return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, sid.Get(), &member)) return false;
    return member != FALSE;
}

std::wstring FileNamePart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Whether a Run value holds something; a value too long for the buffer
// certainly does.
// On 64-bit Windows the machine-wide Run key has a 64-bit and a 32-bit view,
// and the logon start runs the entries of both: a 32-bit setup program writes
// the one, a 64-bit tool the other. Both builds look at both.
const REGSAM kMachineRunViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

bool HoldsNonEmptyValue(HKEY key) {
    wchar_t data[260] = {};
    DWORD bytes = sizeof(data);
    LONG rc = RegQueryValueExW(key, kRunValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes);
    if (rc == ERROR_MORE_DATA) return true;
    return rc == ERROR_SUCCESS && bytes >= sizeof(wchar_t) && data[0] != 0;
}

}  // namespace

bool CCommonHelp::CheckStartup() {
    if (HasSwitch(L"/start") || HasSwitch(L"-start") || !HasSwitch(kSvcStart)) {
        VLOG("CCommonHelp::IsAutoStartup() = %s", IsAutoStartup() ? "true" : "false");
        if (!IsAdmin()) {
            std::wstring fileName = FileNamePart(GetModulePath());
            if (StartClient(fileName.c_str())) return false;
            if (RunAsAdmin()) return false;
        }
    }
    vt::DynamicLibrary client(LoadAppLibrary(kServiceClientDll));
    if (auto install = client.Proc<PFN_AERTInstall>("AERTInstall")) install(0);
    return true;
}

bool CCommonHelp::IsAutoStartup() { return HasSwitch(L"/start") || HasSwitch(L"-start"); }

bool CCommonHelp::HasSwitch(const wchar_t* name) {
    if (!name) return false;
    ScopedArgv args(ProcessCommandLine());
    for (int i = 0; i < args.Count(); ++i)
        if (CompareStringOrdinal(args.At(i), -1, name, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

bool CCommonHelp::IsAdmin() {
#ifdef VT_SHELL_TEST_SEAMS
    if (ShellTestSeams::isAdmin) return ShellTestSeams::isAdmin();
#endif
    return IsAdminByToken();
}

bool CCommonHelp::StartClient(const wchar_t* fileName) {
    if (!fileName) fileName = L"";
    VLOG("CCommonHelp::StartClient(%S, %S)", kSvcStart, fileName);
    bool ok = false;
    {
        vt::DynamicLibrary client(LoadAppLibrary(kServiceClientDll));
        if (auto start = client.Proc<PFN_AERTStartClient>("AERTStartClient")) {
            VLOG("CCommonHelp::StartClient: GetProcAddress(\"%s\" ok", "AERTStartClient");
            ok = start(kSvcStart, fileName) != 0;
        }
    }
    VLOG("CCommonHelp::StartClient: bOK=%d", ok ? 1 : 0);
    return ok;
}

namespace {

// Shell-executes this program with the verb "runas"; the new process's
// handle goes to `process` when the shell gives one.
bool ShellRunAs(const wchar_t* parameters, vt::UniqueHandle* process) {
    std::wstring path = GetModulePath();
    if (path.empty()) return false;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = path.c_str();
    info.lpParameters = parameters;
    info.nShow = SW_HIDE;
    bool ok = ShellExecuteExCall(&info) != FALSE;
    process->Reset(info.hProcess);
    return ok;
}

}  // namespace

bool CCommonHelp::RunAsAdmin() {
    // The new process is not waited for; its handle is not needed either.
    vt::UniqueHandle process;
    return ShellRunAs(kSvcStart, &process);
}

CCommonHelp::ElevatedRun CCommonHelp::RunElevatedAndWait(const wchar_t* parameters, unsigned long* exitCode) {
    vt::UniqueHandle process;
    if (!ShellRunAs(parameters, &process)) {
        VLOG("CCommonHelp::RunElevatedAndWait: no elevated start (error %lu)", GetLastError());
        return ElevatedRun::NotStarted;
    }
    DWORD code = 0;
    if (!process || WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code))
        return ElevatedRun::Unknown;
    *exitCode = code;
    return ElevatedRun::Ended;
}

std::wstring CCommonHelp::AutoStartCommand() {
    // Quoted, so that a folder with spaces ("C:\Program Files (x86)\...")
    // cannot make the logon start pick up "C:\Program.exe" instead.
    return L"\"" + GetAppFolder() + L"\\" + kLauncher + L"\" /start";
}

void CCommonHelp::SetAutoStart(bool enable) {
    const REGSAM access = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
    std::wstring data = AutoStartCommand();
    vt::UniqueRegKey user;
    bool userOpen = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, access, user.Put()) == ERROR_SUCCESS;
    if (enable) {
        if (!userOpen || GetAppFolder().empty()) return;
        for (REGSAM view : kMachineRunViews) {
            vt::UniqueRegKey machine;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ | view, machine.Put()) == ERROR_SUCCESS &&
                HoldsNonEmptyValue(machine.Get()))
                return;
        }
        RegSetValueExW(user.Get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        return;
    }
    if (userOpen) RegDeleteValueW(user.Get(), kRunValue);
    for (REGSAM view : kMachineRunViews) {
        vt::UniqueRegKey machine;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, access | view, machine.Put()) == ERROR_SUCCESS)
            RegDeleteValueW(machine.Get(), kRunValue);
    }
}

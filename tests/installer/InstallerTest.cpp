// The setup program and its uninstaller, run silently in a Wine prefix of
// their own (see run-in-own-prefix.sh): what lands in Program Files, the
// registry and the Start menu; the installed program on the simulated
// processor; what an uninstall leaves; what an upgrade keeps.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <msi.h>
#include <sddl.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "FolderRules.h"
#include "InstallProbe.h"
#include "InstalledApp.h"
#include "JobRun.h"
#include "StuckApp.h"
#include "WizardPage.h"
#include "support/ClassWindow.h"
#include "state/WindowMessages.h"
#include "support/AppFixture.h"
#include "support/AppUnderTest.h"
#include "support/TestPaths.h"
#include "support/TopWindows.h"

using namespace InstallProbe;

namespace {

constexpr DWORD kWait = 120000;  // safety net only

const wchar_t* const kRatioIds[] = {L"29", L"30", L"31", L"32"};
const double kStock[] = {40, 39, 38, 37};
const double kOverclocked[] = {43, 42, 41, 40};

// The installed simulated processor keeps its applied values beside itself;
// the install folder is the only place its switches may name.
std::wstring StatePath() { return InstallDir() + L"\\OverclockingSdkWrapper.state"; }

// No state file is a processor at its defaults, as after a restart (the
// uninstaller removes the file with the stand-in).
double ActiveValue(int i) {
    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"Active", kRatioIds[i], L"", text, 63, StatePath().c_str());
    if (!text[0]) return GetFileAttributesW(StatePath().c_str()) == INVALID_FILE_ATTRIBUTES ? kStock[i] : -1.0;
    return _wtof(text);
}


// Keeps the state file through an uninstall that leaves the processor
// overclocked, as a real processor keeps its values: open without delete
// sharing, the uninstaller cannot remove it.
class StateKept {
public:
    StateKept()
        : m_file(CreateFileW(StatePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    bool Held() const { return m_file.Valid(); }

private:
    vt::UniqueFile m_file;
};

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

int Install(const std::wstring& args) { return CJobRun::Run(Quoted(SetupProgram()) + L" " + args, kWait); }

int Uninstall(const std::wstring& args, const std::wstring& dir = InstallDir()) {
    return CJobRun::Run(Quoted(dir + L"\\Uninstall.exe") + L" " + args, kWait);
}

// NSIS's own way to get the uninstaller's exit code: run in place ("_?="),
// it does not hand over to a copy of itself, and leaves itself behind.
int UninstallInPlace(const std::wstring& args, const std::wstring& dir = InstallDir()) {
    return CJobRun::Run(Quoted(dir + L"\\Uninstall.exe") + L" " + args + L" _?=" + dir, kWait);
}

// What an earlier run left: the processor overclocked.
bool WriteOverclockedState() {
    return TestPaths::WriteFileBytes(StatePath(), "[Active]\r\n29=43\r\n30=42\r\n31=41\r\n32=40\r\n");
}

// A fault of the simulated processor, switched on in the installed profile
// (which ends with an empty [Faults] section).
bool SwitchFault(const std::wstring& dir, const std::string& line) {
    const std::wstring profile = dir + L"\\OverclockingSdkWrapper.ini";
    std::string text = TestPaths::ReadFileBytes(profile);
    return !text.empty() && TestPaths::WriteFileBytes(profile, text + line + "\r\n");
}

std::wstring Languages() {
    std::wstring value = L"<none>";
    RegText(HKEY_CURRENT_USER, kSettingsKey, L"Languages", &value);
    return value;
}

std::string Narrow(const std::wstring& text) { return TestPaths::Narrow(text); }

// Every log file in the install folder's log folder, one after the other.
std::string AllLogs() {
    std::string text;
    std::wstring folder = InstallDir() + L"\\log";
    for (const std::wstring& name : EntriesOf(folder)) text += TestPaths::ReadFileBytes(folder + L"\\" + name);
    return text;
}

// The program up and overclocked through its tray menu's action row.
HWND StartOverclocked(CInstalledApp& app) {
    if (!app.Start()) return nullptr;
    HWND hwnd = app.WaitReady(kWait);
    if (!hwnd) return nullptr;
    CAppUnderTest::AskForAction(hwnd);
    if (!app.WaitLog("CMainFrame::OnRecoverOverLocking SUCESS", kWait)) return nullptr;
    return hwnd;
}

// After an uninstall with the program running overclocked (and set to leave
// the processor as it is at its exit): it left through its own exit, and the
// restore run put the defaults back and said so. The install log's text.
std::string ExpectClosedAndRestored(CInstalledApp& app, const std::wstring& dir, const char* what) {
    EXPECT_EQ(app.WaitExit(kWait), 0) << "the running program was asked to exit";
    ExpectRatios(kStock, what, ActiveValue);
    const std::string logs = AllLogs();
    EXPECT_NE(logs.find("------Mainframe :: Close--------- "), std::string::npos) << "left through its own exit";
    EXPECT_NE(logs.find("[RestoreOverclocking] defaults restored"), std::string::npos) << logs;
    const std::string installLog = TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    EXPECT_NE(installLog.find(" The processor is at its defaults (Velotune.exe /RestoreOverclocking: 1).\r\n"),
              std::string::npos)
        << installLog;
    return installLog;
}

// The uninstaller's shown dialog: a message box, owned by the wizard, before
// the wizard itself.
HWND ShownDialogOf(DWORD pid) {
    HWND wizard = nullptr;
    for (HWND hwnd : TopWindowsOf(pid, L"#32770")) {
        if (!IsWindowVisible(hwnd)) continue;
        if (GetWindow(hwnd, GW_OWNER)) return hwnd;
        wizard = hwnd;
    }
    return wizard;
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 511);
    return text;
}

void PressEnter(HWND window) {
    SetForegroundWindow(window);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_RETURN;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// What a run's pages showed besides its message boxes: a "Space required"
// line on any page, and the details list as it stood at the end.
struct PagesSeen {
    bool spaceRequired = false;
    std::vector<std::wstring> details;
};

// Runs a program with its windows, as a user does: Enter on every message
// box, whose texts are collected, and with `pages` on each page's default
// button once it is enabled (and, with `seen`, once the page is shown and
// read). Exit code, or -1 on the safety net.
int RunAnswering(const std::wstring& cmd, bool pages, std::vector<std::wstring>* messages,
                 PagesSeen* seen = nullptr) {
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    vt::UniqueHandle process(pi.hProcess);
    vt::UniqueHandle thread(pi.hThread);
    const DWORD start = GetTickCount();
    HWND answered = nullptr;
    std::wstring pressed;
    while (WaitForSingleObject(process.Get(), 100) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > kWait) {
            TerminateProcess(process.Get(), 99);
            return -1;
        }
        HWND dialog = ShownDialogOf(pi.dwProcessId);
        if (!dialog) continue;
        // A message box: owned by the wizard, or (a program without pages)
        // with a message box's text control.
        if (GetWindow(dialog, GW_OWNER) || (!pages && GetDlgItem(dialog, 0xFFFF))) {
            if (dialog == answered) continue;
            answered = dialog;
            messages->push_back(ItemText(dialog, 0xFFFF));
            PressEnter(dialog);
            continue;
        }
        // The wizard: Next, Uninstall, and Close at the end.
        if (!pages) continue;
        HWND button = GetDlgItem(dialog, IDOK);
        const std::wstring label = ItemText(dialog, IDOK);
        if (!button || !IsWindowEnabled(button) || label == pressed) continue;
        if (seen) {
            HWND page = WizardPage::ShownPage(dialog);
            if (!page) continue;
            seen->spaceRequired = seen->spaceRequired || WizardPage::ShowsSpaceRequired(page);
            seen->details = WizardPage::DetailsLines(page);
        }
        pressed = label;
        PressEnter(dialog);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return static_cast<int>(code);
}

// The uninstaller in place with its pages.
int UninstallInteractively(const std::wstring& dir, std::vector<std::wstring>* messages, PagesSeen* seen) {
    return RunAnswering(Quoted(dir + L"\\Uninstall.exe") + L" _?=" + dir, true, messages, seen);
}

// The MSI package's fixed upgrade code, one per architecture.
#ifdef _WIN64
const wchar_t* const kUpgradeCode = L"{3D03AFD2-E6D2-4866-AE25-09F45A254227}";
#else
const wchar_t* const kUpgradeCode = L"{7D39648E-26C4-40A8-A583-963C291EEDA9}";
#endif

// Product codes of the installed MSI packages of this architecture.
std::vector<std::wstring> InstalledMsiProducts() {
    std::vector<std::wstring> codes;
    wchar_t code[39] = {};
    for (DWORD i = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) codes.push_back(code);
    return codes;
}

// msiexec's exit code: 0 done, 1603 failed (a launch condition, a custom
// action), 1605 not installed.
int Msiexec(const std::wstring& args) { return CJobRun::Run(L"msiexec " + args, kWait); }

int InstallMsi(const std::wstring& package, const std::wstring& properties) {
    return Msiexec(L"/i " + Quoted(package) + L" /qn " + properties);
}

int UninstallMsi() { return Msiexec(L"/x " + Quoted(MsiPackage()) + L" /qn"); }

// The Add or Remove Programs entries named "Velotune" in one registry view.
std::vector<std::wstring> VelotuneEntries(REGSAM view) {
    std::vector<std::wstring> names;
    vt::UniqueRegKey root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ | view, root.Put()) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (RegEnumKeyExW(root.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::wstring display;
        if (RegText(HKEY_LOCAL_MACHINE, (std::wstring(kUninstallRoot) + L"\\" + name).c_str(), L"DisplayName", &display,
                    view) &&
            display == L"Velotune")
            names.push_back(name);
    }
    return names;
}

std::wstring EntryValue(const std::wstring& entry, const wchar_t* value) {
    std::wstring text = L"<none>";
    RegText(HKEY_LOCAL_MACHINE, (std::wstring(kUninstallRoot) + L"\\" + entry).c_str(), value, &text);
    return text;
}

// The package's Start-menu shortcut: in the all-users Programs folder, as a
// per-machine package puts it on Windows; Wine 8's msi puts it in the
// installing user's.
std::wstring MsiShortcut() {
    if (Exists(StartMenuShortcut())) return StartMenuShortcut();
    if (Exists(UserStartMenuShortcut()))
        std::cout << "[ NOTE ] the package's shortcut is in the user's Start menu (Wine's msi)" << std::endl;
    return UserStartMenuShortcut();
}

class SetupProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(StatePath().c_str());
        ASSERT_TRUE(Exists(SetupProgram())) << Narrow(SetupProgram()) << " is missing: run make installer";
        RemoveEverything();
    }
    void TearDown() override { RemoveEverything(); }

    // A folder of another product's, chosen for the install with /D=. It is
    // inside Program Files: outside it, a folder that exists already is used
    // only when administrators own it, and Wine reads every file as owned by
    // the user.
    static std::wstring SharedFolder() { return InstallDir().substr(0, InstallDir().rfind(L'\\')) + L"\\Shared Tools"; }
    // A folder outside Program Files.
    static std::wstring CustomFolder() {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        return std::wstring(windows, 3) + L"Velotune Custom";
    }

    static void RemoveEverything() {
        for (const std::wstring& code : InstalledMsiProducts()) Msiexec(L"/x " + code + L" /qn");
        for (const std::wstring& dir : {InstallDir(), SharedFolder(), CustomFolder()}) {
            if (Exists(dir + L"\\Uninstall.exe")) Uninstall(L"/S /REMOVELOGS", dir);
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
        RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
        DeleteFileW(StatePath().c_str());
    }
};

// The install folder's descriptor as asked: owner Administrators; a
// protected DACL of exactly Administrators and SYSTEM full control and Users
// read and execute, each inherited by files and folders.
void ExpectInstallFolderDescriptor(PSECURITY_DESCRIPTOR sd, const char* what) {
    SCOPED_TRACE(what);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted));
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) << "owner";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the parent";
    BOOL present = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    ASSERT_EQ(dacl->AceCount, 3);
    const struct {
        WELL_KNOWN_SID_TYPE sid;
        ACCESS_MASK mask;
    } expected[] = {{WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                    {WinLocalSystemSid, FILE_ALL_ACCESS},
                    {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    for (DWORD i = 0; i < 3; ++i) {
        void* raw = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &raw));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
        EXPECT_EQ(ace->Mask, expected[i].mask) << i;
        EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, expected[i].sid)) << i;
    }
}

// Whether this system keeps a descriptor set on a file: Windows does; Wine 8
// answers every query from the file's Unix owner and mode instead.
bool KeepsFileDescriptors(const std::wstring& scratch) {
    CreateDirectoryW(scratch.c_str(), nullptr);
    vt::UniqueLocal sd;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;SY)", SDDL_REVISION_1,
                                                         reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put()), nullptr);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd.Get(), &present, &dacl, &defaulted);
    SetNamedSecurityInfoW(const_cast<wchar_t*>(scratch.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
    vt::UniqueLocal back;
    PACL readDacl = nullptr;
    bool kept = GetNamedSecurityInfoW(scratch.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &readDacl, nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(back.Put())) == 0 &&
                readDacl && readDacl->AceCount == 1;
    RemoveDirectoryW(scratch.c_str());
    return kept;
}

// The owner of a file as a SID string; empty when it cannot be read.
std::wstring OwnerOf(const std::wstring& path) {
    vt::UniqueLocal sd;
    PSID owner = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put())) != 0)
        return std::wstring();
    vt::UniqueLocal text;
    if (!ConvertSidToStringSidW(owner, reinterpret_cast<LPWSTR*>(text.Put()))) return std::wstring();
    return static_cast<const wchar_t*>(text.Get());
}

// The text of the setup's "Install folder secured: " line in the folder's install log.
std::string SecuredDescriptor(const std::wstring& dir) {
    const std::string log = TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    const std::string key = " Install folder secured: ";
    size_t at = log.find(key);
    if (at == std::string::npos) return std::string();
    at += key.size();
    return log.substr(at, log.find("\r\n", at) - at);
}


// Everything the dist folder ships is in `dir`, byte for byte, and nothing it
// does not ship; the number of files shipped, and their bytes.
int ExpectDistInstalled(const std::wstring& dir, unsigned long long* shippedBytes) {
    const std::wstring dist = TestPaths::DistDir();
    const std::vector<std::wstring> skip = NotShippedPatterns();
    EXPECT_FALSE(skip.empty()) << "installer\\not-shipped.txt not found under " << Narrow(SourceDir());
    int shipped = 0;
    *shippedBytes = 0;
    for (const std::wstring& rel : FilesUnder(dist)) {
        std::wstring name = rel.substr(rel.find_last_of(L'\\') + 1);
        if (rel.rfind(L"log\\", 0) == 0 || MatchesAny(name, skip)) {
            EXPECT_FALSE(Exists(dir + L"\\" + rel)) << Narrow(rel) << " is not shipped";
            continue;
        }
        std::string bytes = TestPaths::ReadFileBytes(dist + L"\\" + rel);
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\" + rel) == bytes) << Narrow(rel) << " installed as built";
        *shippedBytes += bytes.size();
        ++shipped;
    }
    for (const wchar_t* key : {L"Velotune.exe", L"Velotune.com", L"skin\\Velotune_xml\\MainFrame.xml", L"skin\\lan\\English.ini",
                               L"skin\\lan\\Chinese.ini", L"OverclockingSdkWrapper.dll", L"OverclockingSdkWrapper.ini",
                               L"simcpu.exe", L"simcpu\\V9-7920X.ini", L"DadEzOzuz.dll", L"UsbDll.dll",
                               L"OCWmiEvent.dll", L"VodEduzudu.exe"})
        EXPECT_TRUE(Exists(dir + L"\\" + key)) << Narrow(key);
    EXPECT_FALSE(Exists(dir + L"\\OCWmiEventNoFlag.dll")) << "a test-only variant";
    return shipped;
}
}  // namespace

TEST_F(SetupProgramTest, SilentInstallPutsFilesRegistryValuesAndShortcutInPlace) {
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    const std::wstring dir = InstallDir();

    unsigned long long shippedBytes = 0;
    const int shipped = ExpectDistInstalled(dir, &shippedBytes);
    EXPECT_TRUE(Exists(dir + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(dir + L"\\log"));
    EXPECT_EQ(EntriesOf(dir + L"\\log"), std::vector<std::wstring>{L"Install.log"}) << "the setup's own record only";
    EXPECT_FALSE(Exists(dir + L"\\Velotune.ini")) << "settings are the user's, never shipped";

    // The program's language value, as the program compares it.
    EXPECT_EQ(Languages(), L"en");

    // This build's own folder and registry view, where its program looks.
    EXPECT_FALSE(Exists(OtherInstallDir())) << Narrow(OtherInstallDir());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kOtherView));
#ifndef _WIN64
    EXPECT_NE(dir.find(L" (x86)\\Velotune"), std::wstring::npos) << Narrow(dir);
#endif

    // Add or Remove Programs.
    std::wstring text;
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", &text));
    EXPECT_EQ(text, L"Velotune");
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion", &text));
    EXPECT_EQ(text, DistVersion());
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher", &text));
    EXPECT_EQ(text, L"Velotune");
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon", &text));
    EXPECT_EQ(text, dir + L"\\Velotune.exe,0");
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation", &text));
    EXPECT_EQ(text, dir);
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", &text));
    EXPECT_EQ(text, Quoted(dir + L"\\Uninstall.exe"));
    ASSERT_TRUE(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString", &text));
    EXPECT_EQ(text, Quoted(dir + L"\\Uninstall.exe") + L" /S");
    DWORD sizeKb = 0;
    ASSERT_TRUE(RegNumber(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize", &sizeKb));
    EXPECT_GE(sizeKb, shippedBytes / 1024) << shipped << " files shipped";
    EXPECT_LT(sizeKb, shippedBytes / 1024 + 2048);

    // The Start-menu shortcut starts the installed program.
    ASSERT_TRUE(Exists(StartMenuShortcut())) << Narrow(StartMenuShortcut());
    EXPECT_EQ(ShortcutTarget(StartMenuShortcut()), dir + L"\\Velotune.exe");

    // Another language on the command line; then a run without one keeps it.
    ASSERT_EQ(Install(L"/S /LANG=zh"), 0);
    EXPECT_EQ(Languages(), L"zh");
    ASSERT_EQ(Install(L"/S"), 0);
    EXPECT_EQ(Languages(), L"zh");
    ASSERT_EQ(Install(L"/S /LANG=EN"), 0);
    EXPECT_EQ(Languages(), L"en");
}

TEST_F(SetupProgramTest, UninstallRestoresTheProcessorAndLeavesOnlyTheLogFolder) {
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    const std::wstring dir = InstallDir();
    // What a user's runs leave: autostart on (per user, and machine-wide in
    // the other registry view, where a tool of the other width writes it; the
    // program looks in both), a download, settings. The other build's copy
    // has a machine-wide value of its own, here in this build's view.
    ASSERT_TRUE(SetRegText(HKEY_CURRENT_USER, kRunKey, L"Velotune", dir + L"\\VodEduzudu.exe /start"));
    ASSERT_TRUE(SetRegText(HKEY_LOCAL_MACHINE, kRunKey, L"Velotune", Quoted(dir + L"\\VodEduzudu.exe") + L" /start",
                           kOtherView));
    const std::wstring otherRun = Quoted(OtherInstallDir() + L"\\VodEduzudu.exe") + L" /start";
    ASSERT_TRUE(SetRegText(HKEY_LOCAL_MACHINE, kRunKey, L"Velotune", otherRun));
    CreateDirectoryW(UserDataFolder().c_str(), nullptr);
    CreateDirectoryW((UserDataFolder() + L"\\Soft").c_str(), nullptr);
    ASSERT_TRUE(TestPaths::WriteFileBytes(UserDataFolder() + L"\\Soft\\setup.part", "partial"));

    CInstalledApp app(dir);
    HWND hwnd = StartOverclocked(app);
    ASSERT_NE(hwnd, nullptr) << app.ReadLog();
    ExpectRatios(kOverclocked, "overclocked before the uninstall", ActiveValue);
    // The program itself would leave the processor overclocked at exit now:
    // the uninstaller's own restore run must put the defaults back.
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Velotune.ini", "[OverClockingKey]\r\nstopover=0\r\n"));

    ASSERT_EQ(Uninstall(L"/S"), 0);
    const std::string installLog = ExpectClosedAndRestored(app, dir, "restored by the uninstaller");

    // Nothing of Velotune but the log folder.
    std::vector<std::wstring> left = EntriesOf(dir);
    ASSERT_EQ(left.size(), 1u) << Narrow(left.empty() ? L"" : left[0] + L" ...");
    EXPECT_EQ(left[0], L"log");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    std::wstring run;
    EXPECT_FALSE(RegText(HKEY_CURRENT_USER, kRunKey, L"Velotune", &run)) << Narrow(run);
    EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, kRunKey, L"Velotune", &run, kOtherView)) << Narrow(run);
    EXPECT_TRUE(RegText(HKEY_LOCAL_MACHINE, kRunKey, L"Velotune", &run) && run == otherRun)
        << "the other copy's autostart stays: " << Narrow(run);
    EXPECT_NE(installLog.find(" Kept the autostart value HKLM\\" + Narrow(kRunKey) + "\\Velotune: it starts another copy."),
              std::string::npos)
        << installLog;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
    // The uninstaller runs as the elevating user, who may not be the one who
    // downloaded: a download is kept, and the log says so.
    EXPECT_EQ(TestPaths::ReadFileBytes(UserDataFolder() + L"\\Soft\\setup.part"), "partial");
    EXPECT_NE(installLog.find(" Kept " + Narrow(UserDataFolder()) + ": it holds files"), std::string::npos)
        << installLog;
    EXPECT_NE(installLog.find(" Other users' download folders (%APPDATA%\\Velotune) are not touched."),
              std::string::npos);
    // An empty one of its own is removed.
    DeleteFileW((UserDataFolder() + L"\\Soft\\setup.part").c_str());
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    ASSERT_EQ(Uninstall(L"/S"), 0);
    EXPECT_FALSE(Exists(UserDataFolder()));
}

TEST_F(SetupProgramTest, UninstallSaysWhenTheProcessorStaysOverclocked) {
    const std::wstring dir = InstallDir();
    struct Case {
        const char* fault;
        int exitCode;
        const char* line;
    };
    const Case cases[] = {
        {"ApplyFails=1", 3,
         " The restore failed: the processor may stay overclocked until the next restart "
         "(Velotune.exe /RestoreOverclocking: 2).\r\n"},
        // Applied, but the ratios read back are not the defaults.
        {"ResultDisabled=1", 3,
         " The restore failed: the processor may stay overclocked until the next restart "
         "(Velotune.exe /RestoreOverclocking: 2).\r\n"},
        {"NoRoot=1", 4,
         " The tuning SDK could not be reached, nothing was changed: the processor may stay overclocked until "
         "the next restart (Velotune.exe /RestoreOverclocking: 3).\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Install(L"/S /LANG=en"), 0) << c.fault;
        ASSERT_TRUE(WriteOverclockedState());
        ASSERT_TRUE(SwitchFault(dir, c.fault));
        {
            StateKept kept;
            ASSERT_TRUE(kept.Held());
            EXPECT_EQ(UninstallInPlace(L"/S /REMOVELOGS", dir), c.exitCode) << c.fault;
            ExpectRatios(kOverclocked, c.fault, ActiveValue);
        }
        const std::string installLog = TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
        EXPECT_NE(installLog.find(c.line), std::string::npos) << c.fault << "\n" << installLog;
        EXPECT_NE(installLog.find(" Kept the log folder: the processor's defaults were not put back.\r\n"),
                  std::string::npos)
            << "asked to remove the logs, but they tell why";
        EXPECT_NE(AllLogs().find("[RestoreOverclocking]"), std::string::npos);
        EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        // Run in place, the uninstaller leaves itself behind, and the state
        // file held here stays: no folder a new install takes.
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Run by a user, it says so, in either language. Its pages ask for no
    // room, and its details list no folder made (the install log goes into
    // the log folder that is there) and no text of its own in quote marks.
    const struct {
        const wchar_t* lang;
        const wchar_t* message;
        const wchar_t* createFolder;
    } languages[] = {
        {L"en",
         L"Velotune could not put the processor's default settings back. If it was overclocked, it stays overclocked "
         L"until the next restart.",
         L"Create folder"},
        {L"zh", L"Velotune 未能恢复处理器的默认设置。如果处理器已超频，它将保持超频状态，直到下次重新启动。",
         L"创建文件夹"},
    };
    for (const auto& l : languages) {
        SCOPED_TRACE(Narrow(l.lang));
        ASSERT_EQ(Install(std::wstring(L"/S /LANG=") + l.lang), 0);
        ASSERT_TRUE(WriteOverclockedState());
        ASSERT_TRUE(SwitchFault(dir, "ApplyFails=1"));
        std::vector<std::wstring> messages;
        PagesSeen seen;
        {
            StateKept kept;
            ASSERT_TRUE(kept.Held());
            EXPECT_EQ(UninstallInteractively(dir, &messages, &seen), 3);
            ExpectRatios(kOverclocked, "interactive", ActiveValue);
        }
        EXPECT_EQ(messages, std::vector<std::wstring>{l.message});
        EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
        EXPECT_FALSE(seen.spaceRequired) << "removing needs no room";
        EXPECT_FALSE(seen.details.empty());
        for (const std::wstring& line : seen.details) {
            EXPECT_EQ(line.find(l.createFolder), std::wstring::npos) << Narrow(line);
            EXPECT_NE(line.find(L'"'), 0u) << Narrow(line);
        }
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

TEST_F(SetupProgramTest, ASilentRunStopsAfterTheStatedWaitsWhenVelotuneDoesNotExit) {
    // An installed copy that does not exit (its program taken away, to see
    // that none is written).
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    ASSERT_TRUE(DeleteFileW((InstallDir() + L"\\Velotune.exe").c_str()));
    CStuckApp stuck;
    ASSERT_TRUE(stuck.Ready());
    const std::vector<std::wstring> before = EntriesOf(InstallDir());
    // Asked once, given 60 s to end and 30 s to release its guard, then the
    // silent run stops, having changed nothing; the safety net is longer.
    EXPECT_EQ(Install(L"/S /LANG=en"), 2);
    EXPECT_EQ(stuck.ExitRequests(), 1);
    EXPECT_FALSE(Exists(InstallDir() + L"\\Velotune.exe"));
    EXPECT_EQ(EntriesOf(InstallDir()), before);
}

// A window of the program's class that any user could make, with no copy
// running: the setup program, the uninstaller and the MSI package ask it
// nothing and wait for nothing (the window's process is this test), and the
// setup program's record says it was left alone.
TEST_F(SetupProgramTest, ADecoyWindowIsNeitherAskedNorWaitedFor) {
    CClassWindow decoy;
    ASSERT_NE(decoy.Hwnd(), nullptr);
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    ASSERT_EQ(Install(L"/S"), 0);
    ASSERT_EQ(Uninstall(L"/S"), 0);
    const std::string line = " Left alone a window of class Velotune in process " +
                             std::to_string(GetCurrentProcessId()) + ": it is not the running copy's (process 0).\r\n";
    const std::string log = TestPaths::ReadFileBytes(InstallDir() + L"\\log\\Install.log");
    size_t seen = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++seen;
    EXPECT_EQ(seen, 3u) << "the install, the upgrade and the removal: " << log;
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=en"), 0);
    ASSERT_EQ(UninstallMsi(), 0);
    EXPECT_EQ(decoy.ExitRequests(), 0);
    EXPECT_FALSE(Exists(InstallDir() + L"\\Velotune.exe"));
}

TEST_F(SetupProgramTest, UninstallRemovesTheLogFolderOnlyWhenAskedTo) {
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    const std::wstring dir = InstallDir();
    // Only the program's own log files go: the folder may be shared.
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\log\\Velotune.log", "an earlier run\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\log\\Velotune.20240102030405.log", "an older run\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\log\\theirs.log", "theirs\r\n"));
    ASSERT_EQ(Uninstall(L"/S /REMOVELOGS"), 0);
    EXPECT_EQ(EntriesOf(dir), std::vector<std::wstring>{L"log"});
    EXPECT_EQ(EntriesOf(dir + L"\\log"), std::vector<std::wstring>{L"theirs.log"});

    DeleteFileW((dir + L"\\log\\theirs.log").c_str());
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\log\\Velotune.log", "an earlier run\r\n"));
    ASSERT_EQ(Uninstall(L"/S /REMOVELOGS"), 0);
    EXPECT_FALSE(Exists(dir)) << Narrow(EntriesOf(dir).empty() ? L"" : EntriesOf(dir)[0]);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(SetupProgramTest, UpgradeOverARunningOverclockedCopyRestoresFirstAndKeepsTheSettings) {
    ASSERT_EQ(Install(L"/S /LANG=zh"), 0);
    const std::wstring dir = InstallDir();
    const std::string settings = "[OverClockingKey]\r\nquickkey=K\r\nautoStart=1\r\nstopover=1\r\nMonitorTime=700\r\n";
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Velotune.ini", settings));
    {
        CInstalledApp app(dir);
        ASSERT_NE(StartOverclocked(app), nullptr) << app.ReadLog();
        ExpectRatios(kOverclocked, "overclocked before the upgrade", ActiveValue);

        ASSERT_EQ(Install(L"/S"), 0);
        EXPECT_EQ(app.WaitExit(kWait), 0) << "the running program was asked to exit";
        const std::string log = app.ReadLog();
        EXPECT_NE(log.find("--------------ExitRecover-----------"), std::string::npos) << "its restoring exit";
        ExpectRatios(kStock, "restored by the program's own exit", ActiveValue);
    }
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\Velotune.ini"), settings);
    EXPECT_EQ(Languages(), L"zh");
    EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));

    // The upgraded program works with the kept settings.
    CInstalledApp again(dir);
    ASSERT_TRUE(again.Start());
    HWND hwnd = again.WaitReady(kWait);
    ASSERT_NE(hwnd, nullptr) << again.ReadLog();
    EXPECT_TRUE(again.WaitLog("hot key Ctrl+Alt+K registered", kWait)) << again.ReadLog();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(again.WaitExit(kWait), 0);
}

TEST_F(SetupProgramTest, AnUpgradeRemovesWhatTheOlderVersionShippedAndThisOneDoesNot) {
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    const std::wstring dir = InstallDir();
    const std::wstring dist = TestPaths::DistDir();
    const std::wstring record = dir + L"\\Velotune.files";
    const std::string list = TestPaths::ReadFileBytes(record);
    ASSERT_NE(list.find("F\tVelotune.exe\r\n"), std::string::npos) << "the setup program records what it installs";
    ASSERT_NE(list.find("S\tOverclockingSdkWrapper.dll\r\n"), std::string::npos) << list;
    // As an older version would have left it: files of its own that this
    // one no longer ships, a stand-in of ours and one name of its list now
    // holding another maker's library, a folder of its own, and lines no
    // setup program of ours writes.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::string foreign = TestPaths::ReadFileBytes(std::wstring(system) + L"\\version.dll");
    ASSERT_TRUE(CreateDirectoryW((dir + L"\\oldskin").c_str(), nullptr));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Old.txt", "old\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\oldskin\\old.xml", "old\r\n"));
    ASSERT_TRUE(CopyFileW((dist + L"\\DadEzOzuz.dll").c_str(), (dir + L"\\OldStandIn.dll").c_str(), FALSE));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\OldStandIn.ini", "ours\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Theirs.dll", foreign));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Theirs.ini", "theirs\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\NotListed.txt", "someone's\r\n"));
    const std::wstring outside = dir + L"_outside.txt";
    ASSERT_TRUE(TestPaths::WriteFileBytes(outside, "outside\r\n"));
    ASSERT_TRUE(TestPaths::WriteFileBytes(
        record, list + "F\tOld.txt\r\nF\toldskin\\old.xml\r\nD\toldskin\r\nS\tOldStandIn.dll\r\n"
                       "S\tTheirs.dll\r\nF\t..\\" + Narrow(outside.substr(outside.find_last_of(L'\\') + 1)) +
                       "\r\nF\t*.txt\r\nF\t" + Narrow(outside) + "\r\n"));

    ASSERT_EQ(Install(L"/S"), 0);
    EXPECT_FALSE(Exists(dir + L"\\Old.txt"));
    EXPECT_FALSE(Exists(dir + L"\\oldskin")) << "emptied, then removed";
    EXPECT_FALSE(Exists(dir + L"\\OldStandIn.dll")) << "our mark: ours";
    EXPECT_FALSE(Exists(dir + L"\\OldStandIn.ini"));
    EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\Theirs.dll") == foreign) << "no mark: another maker's";
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\Theirs.ini"), "theirs\r\n");
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\NotListed.txt"), "someone's\r\n") << "never on the list";
    EXPECT_EQ(TestPaths::ReadFileBytes(outside), "outside\r\n") << "nothing outside the install folder";
    // Everything this version ships is there, and the record is its own again.
    for (const wchar_t* key : {L"Velotune.exe", L"skin\\lan\\English.ini", L"OverclockingSdkWrapper.dll"})
        EXPECT_TRUE(Exists(dir + L"\\" + key)) << Narrow(key);
    EXPECT_EQ(TestPaths::ReadFileBytes(record), list);

    ASSERT_EQ(Uninstall(L"/S"), 0);
    EXPECT_FALSE(Exists(record));
    DeleteFileW((dir + L"\\Theirs.dll").c_str());
    DeleteFileW((dir + L"\\Theirs.ini").c_str());
    DeleteFileW((dir + L"\\NotListed.txt").c_str());
    DeleteFileW(outside.c_str());
}

TEST_F(SetupProgramTest, AnotherMakersFilesInAChosenFolderAreNeitherReplacedNorRemoved) {
    // A folder the user chose, shared with another product that keeps folders
    // and files under our names. The setup program's copy is there first;
    // the MSI package, which has none there, refuses the folder.
    const std::wstring dir = SharedFolder();
    const std::wstring dist = TestPaths::DistDir();
    struct Package {
        const char* name;
        std::wstring install;  // command line
        std::wstring uninstall;
    };
    const Package packages[] = {
        {"setup program", Quoted(SetupProgram()) + L" /S /LANG=en /D=" + dir, Quoted(dir + L"\\Uninstall.exe") + L" /S"},
        {"MSI package", L"msiexec /i " + Quoted(MsiPackage()) + L" /qn INSTALLDIR=" + Quoted(dir),
         L"msiexec /x " + Quoted(MsiPackage()) + L" /qn"},
    };
    const wchar_t* const theirs[] = {L"skin\\theirs.xml", L"skin\\lan\\Theirs.ini", L"simcpu\\theirs.ini",
                                     L"log\\theirs.log", L"DadEzOzuz.ini"};
    // A real library of another maker under two of our stand-ins' names...
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::string foreign = TestPaths::ReadFileBytes(std::wstring(system) + L"\\version.dll");
    ASSERT_FALSE(foreign.empty());
    for (const Package& package : packages) {
        SCOPED_TRACE(package.name);
        CreateDirectoryW(dir.c_str(), nullptr);
        const bool msi = package.uninstall.rfind(L"msiexec", 0) == 0;
        if (!msi) {
            // The setup program takes a folder that holds files only when it
            // is its installed copy's: the other product comes after ours.
            ASSERT_EQ(CJobRun::Run(package.install, kWait), 0);
            for (const wchar_t* ours : {L"\\DadEzOzuz.dll", L"\\OverclockingSdkWrapper.ini"})
                ASSERT_TRUE(DeleteFileW((dir + ours).c_str()));
        }
        for (const wchar_t* sub : {L"\\skin", L"\\skin\\lan", L"\\simcpu", L"\\log"})
            CreateDirectoryW((dir + sub).c_str(), nullptr);
        for (const wchar_t* name : theirs) ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\" + name, "theirs\r\n"));
        ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\UsbDll.dll", foreign));
        ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\OverclockingSdkWrapper.dll", foreign));
        // ...and one of ours from an earlier install, under a third.
        ASSERT_TRUE(CopyFileW((dist + L"\\DadEzOzuz.dll").c_str(), (dir + L"\\OCWmiEvent.dll").c_str(), FALSE));
        if (msi) {
            // The package has no copy of its own there: the folder is refused.
            const std::vector<std::wstring> before = EntriesOf(dir);
            EXPECT_EQ(CJobRun::Run(package.install, kWait), 1603);
            EXPECT_EQ(EntriesOf(dir), before) << "nothing changed in it";
            EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\UsbDll.dll") == foreign);
            EXPECT_TRUE(InstalledMsiProducts().empty());
            continue;
        }

        ASSERT_EQ(CJobRun::Run(package.install, kWait), 0);
        EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));
        EXPECT_TRUE(Exists(dir + L"\\skin\\lan\\English.ini"));
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\UsbDll.dll") == foreign);
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\OverclockingSdkWrapper.dll") == foreign);
        EXPECT_FALSE(Exists(dir + L"\\OverclockingSdkWrapper.ini")) << "the simulated processor's profile goes with it";
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\OCWmiEvent.dll") ==
                    TestPaths::ReadFileBytes(dist + L"\\OCWmiEvent.dll"))
            << "our own stand-in is replaced";
        // A stand-in's profile without its library is another maker's: kept,
        // and the stand-in that would read it stays out.
        EXPECT_FALSE(Exists(dir + L"\\DadEzOzuz.dll"));
        for (const wchar_t* name : theirs)
            EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\" + name), "theirs\r\n") << Narrow(name);

        ASSERT_EQ(CJobRun::Run(package.uninstall, kWait), 0);
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\UsbDll.dll") == foreign);
        EXPECT_TRUE(TestPaths::ReadFileBytes(dir + L"\\OverclockingSdkWrapper.dll") == foreign);
        for (const wchar_t* name : theirs)
            EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\" + name), "theirs\r\n") << Narrow(name);
        // Of ours, nothing; of the shared folders, only what was theirs.
        EXPECT_FALSE(Exists(dir + L"\\OCWmiEvent.dll"));
        EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
        EXPECT_EQ(EntriesOf(dir + L"\\skin"), (std::vector<std::wstring>{L"lan", L"theirs.xml"}));
        EXPECT_EQ(EntriesOf(dir + L"\\skin\\lan"), std::vector<std::wstring>{L"Theirs.ini"});
        EXPECT_EQ(EntriesOf(dir + L"\\simcpu"), std::vector<std::wstring>{L"theirs.ini"});
        EXPECT_FALSE(Exists(dir + L"\\skin\\Velotune_xml"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_TRUE(InstalledMsiProducts().empty());
    }
}

TEST_F(SetupProgramTest, ANewFolderOutsideProgramFilesGetsAdministratorsAsOwnerAndAProtectedDacl) {
    const std::wstring dir = CustomFolder();
    ASSERT_FALSE(Exists(dir));
    ASSERT_EQ(Install(L"/S /LANG=en /D=" + dir), 0);
    EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));

    // What the setup program applied, as the system wrote it back to text.
    const std::string applied = SecuredDescriptor(dir);
    ASSERT_FALSE(applied.empty()) << TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    vt::UniqueLocal sd;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        applied.c_str(), SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put()), nullptr))
        << applied;
    ExpectInstallFolderDescriptor(sd.Get(), "as applied");

    // And as the folder has it, where the system keeps descriptors at all.
    if (KeepsFileDescriptors(dir + L"\\probe")) {
        vt::UniqueLocal folderSd;
        ASSERT_EQ(GetNamedSecurityInfoW(dir.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr,
                                        reinterpret_cast<PSECURITY_DESCRIPTOR*>(folderSd.Put())),
                  0u);
        ExpectInstallFolderDescriptor(folderSd.Get(), "as read back");
    } else {
        std::cout << "[ NOTE ] this system keeps no file security descriptor (Wine): the folder reads back as owned by "
                  << Narrow(OwnerOf(dir)) << std::endl;
    }
    ASSERT_EQ(Uninstall(L"/S /REMOVELOGS", dir), 0);
    EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
}

TEST_F(SetupProgramTest, AnExistingFolderOutsideProgramFilesThatAdministratorsDoNotOwnIsRefused) {
    const std::wstring dir = CustomFolder();
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\version.dll", "planted\r\n"));
    // Owned by an ordinary user, as a folder made without elevation is. Wine
    // keeps no owner it is given: there every file reads as the user's own.
    PSID user = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-1004336348-1177238915-682003330-1001", &user));
    vt::UniqueLocal userSid(user);
    SetNamedSecurityInfoW(const_cast<wchar_t*>(dir.c_str()), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, user, nullptr,
                          nullptr, nullptr);
    const std::wstring owner = OwnerOf(dir);
    ASSERT_FALSE(owner.empty());
    for (const wchar_t* admin : {L"S-1-5-32-544", L"S-1-5-18"}) ASSERT_NE(owner, admin) << "the folder is the user's";
    std::cout << "[ NOTE ] the folder is owned by " << Narrow(owner) << std::endl;

    EXPECT_EQ(Install(L"/S /LANG=en /D=" + dir), 3);
    EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
    EXPECT_FALSE(Exists(dir + L"\\Uninstall.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(EntriesOf(dir), std::vector<std::wstring>{L"version.dll"}) << "nothing changed in it";
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\version.dll"), "planted\r\n");
    // The MSI package's own check refuses it the same way.
    EXPECT_EQ(InstallMsi(MsiPackage(), L"INSTALLDIR=" + Quoted(dir)), 1603);
    EXPECT_TRUE(InstalledMsiProducts().empty());
    EXPECT_EQ(EntriesOf(dir), std::vector<std::wstring>{L"version.dll"}) << "nothing changed in it";

    // Inside Program Files, where only administrators make folders, an
    // existing one is taken as it is (and secured).
    ASSERT_TRUE(CreateDirectoryW(SharedFolder().c_str(), nullptr));
    ASSERT_EQ(Install(L"/S /LANG=en /D=" + SharedFolder()), 0);
    EXPECT_TRUE(Exists(SharedFolder() + L"\\Velotune.exe"));
}

// A folder is refused, each way with its own exit code, before anything is
// installed or changed in it: one that holds files of someone else's (it is
// not the installed copy's), and one below a folder that users other than
// administrators may change (under Wine, which keeps no descriptors, every
// folder reads as owned by the user; on Windows a folder made at the root of
// the drive takes the root's Modify right for Authenticated Users). A
// folder holding only the log folder an uninstall leaves is taken. The MSI
// package refuses and takes each the same way, and says why. Wine makes no
// reparse points: the refusal of a link (exit code 5) is left to Windows.
TEST_F(SetupProgramTest, AnUnsafeFolderIsRefusedWithItsOwnExitCodeAndNothingInstalled) {
    const std::wstring shared = SharedFolder(), below = CustomFolder() + L"\\Tools";
    const struct {
        const wchar_t* dir;
        const wchar_t* file;  // made beforehand, relative; null: none
        int exitCode;
        const wchar_t* message;  // the MSI package's
    } cases[] = {
        {shared.c_str(), L"version.dll", 7,
         L"This folder already holds other files, which Velotune would run with administrator rights beside its own. "
         L"Choose an empty folder or a new one."},
        {below.c_str(), nullptr, 6,
         L"A folder above this one can be changed by users who are not administrators, so they could replace the "
         L"install folder. Choose a folder inside Program Files."},
        {shared.c_str(), L"log\\Install.log", 0, nullptr},
    };
    ASSERT_TRUE(CreateDirectoryW(CustomFolder().c_str(), nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.dir));
        const std::wstring dir = c.dir;
        if (c.file) {
            CreateDirectoryW(dir.c_str(), nullptr);
            if (wcschr(c.file, L'\\')) CreateDirectoryW((dir + L"\\log").c_str(), nullptr);
            ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\" + c.file, "left\r\n"));
        }
        const std::vector<std::wstring> before = EntriesOf(dir);
        EXPECT_EQ(Install(L"/S /LANG=en /D=" + dir), c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));
            // Its uninstall leaves the log folder, which the package takes.
            ASSERT_EQ(Uninstall(L"/S", dir), 0);
            ASSERT_EQ(EntriesOf(dir), before);
            ASSERT_EQ(InstallMsi(MsiPackage(), L"INSTALLDIR=" + Quoted(dir)), 0);
            EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));
            continue;
        }
        EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_EQ(EntriesOf(dir), before) << "nothing changed in it";
        // The MSI package's own check, with msiexec's progress window.
        std::vector<std::wstring> messages;
        EXPECT_EQ(RunAnswering(L"msiexec /i " + Quoted(MsiPackage()) + L" /qb INSTALLDIR=" + Quoted(dir), false, &messages),
                  1603);
        EXPECT_NE(std::find(messages.begin(), messages.end(), c.message), messages.end())
            << (messages.empty() ? "no message" : Narrow(messages[0]));
        EXPECT_TRUE(InstalledMsiProducts().empty());
        EXPECT_EQ(EntriesOf(dir), before) << "nothing changed in it";
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

// The rule for a folder above the install folder, on descriptors as Windows
// keeps them (Wine keeps none): the MSI package's action reads the folder's
// and the setup program's script applies the same rule.
TEST(InstallFolderParents, OnlyAFolderOnlyAdministratorsMayChangeIsSafe) {
    const struct {
        const wchar_t* sddl;
        const wchar_t* why;  // empty: safe
    } cases[] = {
        // What the setup program gives the install folder itself.
        {L"O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", L""},
        // Passed down only, to what the folder holds: the creator's own files.
        {L"O:SYD:(A;OICIIO;FA;;;CO)(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)", L""},
        // A folder made at a drive's root: its Modify right for Authenticated Users.
        {L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", L"'S-1-5-11' may change it"},
        {L"O:BAD:(A;;0x4;;;BU)", L"'S-1-5-32-545' may change it"},  // may add a folder
        {L"O:BAD:(A;;0x40;;;WD)", L"'S-1-1-0' may change it"},      // may delete a child
        {L"O:BAD:(A;;WD;;;IU)", L"'S-1-5-4' may change it"},        // may change its permissions
        {L"O:S-1-5-21-1004336348-1177238915-682003330-1001D:(A;;FA;;;BA)",
         L"owned by 'S-1-5-21-1004336348-1177238915-682003330-1001'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.sddl));
        vt::UniqueLocal sd;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            c.sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put()), nullptr));
        EXPECT_EQ(Narrow(folder_rules::UnsafeBecause(sd.Get())), Narrow(c.why));
    }
    // No DACL at all (made by hand: Wine's SDDL reader gives an empty one).
    SECURITY_DESCRIPTOR open = {};
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, admins, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_EQ(Narrow(folder_rules::UnsafeBecause(&open)), "no DACL: open to everyone");
}

namespace {

// Where a picture of the setup program's (installer\art) differs from its
// top-left pixel, its background, and the picture's size; an empty area when
// it cannot be read as a 24-bit picture.
RECT DrawnArea(const wchar_t* name, SIZE* size) {
    RECT drawn = {};
    vt::UniqueBitmap bitmap(static_cast<HBITMAP>(LoadImageW(nullptr, (SourceDir() + L"\\installer\\art\\" + name).c_str(),
                                                            IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    DIBSECTION dib = {};
    if (!bitmap || GetObjectW(bitmap.Get(), sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBitsPixel != 24) return drawn;
    *size = {dib.dsBm.bmWidth, dib.dsBm.bmHeight};
    const bool bottomUp = dib.dsBmih.biHeight > 0;
    auto pixel = [&](int x, int y) {
        const BYTE* p = static_cast<const BYTE*>(dib.dsBm.bmBits) +
                        static_cast<size_t>(bottomUp ? size->cy - 1 - y : y) * dib.dsBm.bmWidthBytes + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    const COLORREF background = pixel(0, 0);
    drawn = {size->cx, size->cy, 0, 0};
    for (int y = 0; y < size->cy; ++y)
        for (int x = 0; x < size->cx; ++x)
            if (pixel(x, y) != background) {
                drawn.left = std::min<LONG>(drawn.left, x);
                drawn.top = std::min<LONG>(drawn.top, y);
                drawn.right = std::max<LONG>(drawn.right, x + 1);
                drawn.bottom = std::max<LONG>(drawn.bottom, y + 1);
            }
    return drawn;
}

}  // namespace

// The header's round icon keeps clear of the band's top, bottom and right
// edge, in every size drawn (NSIS 3.08 shows the 100 % one at every scale).
TEST(SetupPictures, TheHeadersIconKeepsAMarginInsideTheBand) {
    for (int k : {1, 2}) {
        SCOPED_TRACE(k);
        SIZE size = {};
        const RECT icon = DrawnArea(k == 1 ? L"header.bmp" : L"header@2x.bmp", &size);
        ASSERT_EQ(size.cx, 150 * k);
        ASSERT_EQ(size.cy, 57 * k);
        ASSERT_LT(icon.left, icon.right) << "an icon is drawn";
        EXPECT_GE(icon.top, 5 * k);
        EXPECT_GE(size.cy - icon.bottom, 5 * k);
        EXPECT_GE(size.cx - icon.right, 5 * k);
    }
}

// ---------------------------------------------------------------- MSI packages

TEST_F(SetupProgramTest, TheMsiInstallsSilentlyWithFilesShortcutUninstallEntryAndLanguage) {
    ASSERT_TRUE(Exists(MsiPackage())) << Narrow(MsiPackage()) << " is missing: run make installer";
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=zh"), 0);
    const std::wstring dir = InstallDir();
    unsigned long long shippedBytes = 0;
    ExpectDistInstalled(dir, &shippedBytes);
    EXPECT_FALSE(Exists(dir + L"\\Uninstall.exe")) << "Windows Installer removes the package";
    EXPECT_EQ(EntriesOf(dir + L"\\log"), std::vector<std::wstring>{L"Install.log"});
    EXPECT_FALSE(Exists(OtherInstallDir())) << Narrow(OtherInstallDir());
    // Secured by the package's own action, as the setup program secures it.
    const std::string applied = SecuredDescriptor(dir);
    vt::UniqueLocal sd;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        applied.c_str(), SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(sd.Put()), nullptr))
        << TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    ExpectInstallFolderDescriptor(sd.Get(), "as applied by the package");
    EXPECT_EQ(Languages(), L"zh");

    // One registration, Windows Installer's, in this build's registry view.
    const std::vector<std::wstring> products = InstalledMsiProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(VelotuneEntries(kProductView), products);
    EXPECT_TRUE(VelotuneEntries(kOtherView).empty());
    EXPECT_EQ(EntryValue(products[0], L"DisplayVersion"), DistVersion());
    EXPECT_EQ(EntryValue(products[0], L"Publisher"), L"Velotune");
    EXPECT_EQ(EntryValue(products[0], L"HelpLink").rfind(L"https://", 0), 0u) << Narrow(EntryValue(products[0], L"HelpLink"));
    EXPECT_EQ(EntryValue(products[0], L"InstallLocation"), dir + L"\\");
    EXPECT_NE(EntryValue(products[0], L"UninstallString").find(L"/X" + products[0]), std::wstring::npos);
    EXPECT_EQ(ShortcutTarget(MsiShortcut()), dir + L"\\Velotune.exe");

    // The installed program starts and overclocks.
    {
        CInstalledApp app(dir);
        HWND hwnd = StartOverclocked(app);
        ASSERT_NE(hwnd, nullptr) << app.ReadLog();
        ExpectRatios(kOverclocked, "overclocked by the installed program", ActiveValue);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(app.WaitExit(kWait), 0);
    }
    // English on the command line; without LANG, an installed copy's language.
    ASSERT_EQ(UninstallMsi(), 0);
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=en"), 0);
    EXPECT_EQ(Languages(), L"en");
    ASSERT_EQ(UninstallMsi(), 0);
    ASSERT_TRUE(SetRegText(HKEY_CURRENT_USER, kSettingsKey, L"Languages", L"zh"));
    ASSERT_EQ(InstallMsi(MsiPackage(), L""), 0);
    EXPECT_EQ(Languages(), L"zh");
}

TEST_F(SetupProgramTest, TheMsiUninstallClosesTheProgramRestoresTheProcessorAndLeavesOnlyTheLogFolder) {
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=en"), 0);
    const std::wstring dir = InstallDir();
    CreateDirectoryW((dir + L"\\VelotuneUpdate").c_str(), nullptr);
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\VelotuneUpdate\\setup.part", "partial"));
    CInstalledApp app(dir);
    ASSERT_NE(StartOverclocked(app), nullptr) << app.ReadLog();
    ExpectRatios(kOverclocked, "overclocked before the uninstall", ActiveValue);
    // The program would leave the processor overclocked at its exit: the
    // package's own restore run puts the defaults back.
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Velotune.ini", "[OverClockingKey]\r\nstopover=0\r\n"));

    ASSERT_EQ(UninstallMsi(), 0);
    ExpectClosedAndRestored(app, dir, "restored by the package's removal");
    EXPECT_EQ(EntriesOf(dir), std::vector<std::wstring>{L"log"});
    EXPECT_TRUE(InstalledMsiProducts().empty());
    EXPECT_TRUE(VelotuneEntries(kProductView).empty());
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    EXPECT_FALSE(Exists(UserStartMenuShortcut()));
    EXPECT_EQ(Languages(), L"<none>");

    // A restore that fails: a silent removal goes on, says so in the install
    // log, and msiexec reports success (the files are gone).
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=en"), 0);
    ASSERT_TRUE(WriteOverclockedState());
    ASSERT_TRUE(SwitchFault(dir, "ApplyFails=1"));
    {
        StateKept kept;
        ASSERT_TRUE(kept.Held());
        EXPECT_EQ(UninstallMsi(), 0);
        ExpectRatios(kOverclocked, "the restore failed", ActiveValue);
    }
    const std::string failedLog = TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    EXPECT_NE(failedLog.find(" The restore failed: the processor may stay overclocked until the next restart "
                             "(Velotune.exe /RestoreOverclocking: 2).\r\n"),
              std::string::npos)
        << failedLog;
    EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
    EXPECT_TRUE(InstalledMsiProducts().empty());
    // The state file held here stays beside the log: a folder the package
    // takes only once it is gone.
    EXPECT_EQ(EntriesOf(dir), (std::vector<std::wstring>{L"OverclockingSdkWrapper.state", L"log"}));
    ASSERT_TRUE(DeleteFileW(StatePath().c_str()));

    // With msiexec's own progress window, the user is told, with the
    // uninstaller's message, and answers it before the removal goes on.
    ASSERT_EQ(InstallMsi(MsiPackage(), L"LANG=en"), 0);
    ASSERT_TRUE(WriteOverclockedState());
    ASSERT_TRUE(SwitchFault(dir, "ApplyFails=1"));
    std::vector<std::wstring> messages;
    {
        StateKept kept;
        ASSERT_TRUE(kept.Held());
        EXPECT_EQ(RunAnswering(L"msiexec /x " + Quoted(MsiPackage()) + L" /qb", false, &messages), 0);
        ExpectRatios(kOverclocked, "interactive", ActiveValue);
    }
    EXPECT_EQ(messages, std::vector<std::wstring>{L"Velotune could not put the processor's default settings back. If it "
                                                  L"was overclocked, it stays overclocked until the next restart."});
    EXPECT_TRUE(InstalledMsiProducts().empty());
}

TEST_F(SetupProgramTest, TheMsiUpgradesAnOlderVersionKeepingTheSettingsAndRefusesADowngrade) {
    ASSERT_TRUE(Exists(OlderMsiPackage())) << Narrow(OlderMsiPackage());
    ASSERT_EQ(InstallMsi(OlderMsiPackage(), L"LANG=zh"), 0);
    const std::vector<std::wstring> older = InstalledMsiProducts();
    ASSERT_EQ(older.size(), 1u);
    EXPECT_EQ(EntryValue(older[0], L"DisplayVersion"), L"0.9.0.0");
    const std::wstring dir = InstallDir();
    const std::string settings = "[OverClockingKey]\r\nquickkey=K\r\nautoStart=1\r\nstopover=1\r\nMonitorTime=700\r\n";
    ASSERT_TRUE(TestPaths::WriteFileBytes(dir + L"\\Velotune.ini", settings));
    // Another folder, holding another's file: refused before the older
    // version is removed, which stays installed.
    ASSERT_TRUE(CreateDirectoryW(SharedFolder().c_str(), nullptr));
    ASSERT_TRUE(TestPaths::WriteFileBytes(SharedFolder() + L"\\version.dll", "planted\r\n"));
    EXPECT_EQ(InstallMsi(MsiPackage(), L"INSTALLDIR=" + Quoted(SharedFolder())), 1603);
    EXPECT_EQ(InstalledMsiProducts(), older);
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\Velotune.ini"), settings);
    EXPECT_EQ(EntriesOf(SharedFolder()), std::vector<std::wstring>{L"version.dll"});
    std::error_code ec;
    std::filesystem::remove_all(SharedFolder(), ec);
    {
        CInstalledApp app(dir);
        ASSERT_NE(StartOverclocked(app), nullptr) << app.ReadLog();
        // Named, the older version's folder is taken although the settings
        // and the log are left in it.
        ASSERT_EQ(InstallMsi(MsiPackage(), L"INSTALLDIR=" + Quoted(dir)), 0);
        EXPECT_EQ(app.WaitExit(kWait), 0) << "the running program was asked to exit";
        ExpectRatios(kStock, "restored before the older version's files went", ActiveValue);
    }
    const std::vector<std::wstring> products = InstalledMsiProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_NE(products[0], older[0]) << "a new product code for the new version";
    EXPECT_EQ(VelotuneEntries(kProductView), products) << "the older version's entry is gone";
    EXPECT_EQ(EntryValue(products[0], L"DisplayVersion"), DistVersion());
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\Velotune.ini"), settings);
    EXPECT_EQ(Languages(), L"zh");
    EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));
    const std::string installLog = TestPaths::ReadFileBytes(dir + L"\\log\\Install.log");
    EXPECT_NE(installLog.find(" The processor is at its defaults (Velotune.exe /RestoreOverclocking: 1).\r\n"),
              std::string::npos)
        << installLog;

    // The older package over the newer one: refused, nothing changed.
    EXPECT_EQ(InstallMsi(OlderMsiPackage(), L""), 1603);
    EXPECT_EQ(InstalledMsiProducts(), products);
    EXPECT_EQ(TestPaths::ReadFileBytes(dir + L"\\Velotune.ini"), settings);
    EXPECT_TRUE(Exists(dir + L"\\Velotune.exe"));

    // An older version in a folder of its own is upgraded where it is.
    ASSERT_EQ(UninstallMsi(), 0);
    ASSERT_EQ(InstallMsi(OlderMsiPackage(), L"INSTALLDIR=" + Quoted(SharedFolder())), 0);
    ASSERT_EQ(InstallMsi(MsiPackage(), L""), 0);
    EXPECT_TRUE(Exists(SharedFolder() + L"\\Velotune.exe"));
    EXPECT_FALSE(Exists(dir + L"\\Velotune.exe"));
    EXPECT_EQ(EntryValue(InstalledMsiProducts().at(0), L"InstallLocation"), SharedFolder() + L"\\");
}

TEST_F(SetupProgramTest, TheSetupProgramAndTheMsiDoNotInstallOverEachOther) {
    // The MSI over the setup program's copy: refused, one entry stays.
    ASSERT_EQ(Install(L"/S /LANG=en"), 0);
    EXPECT_EQ(InstallMsi(MsiPackage(), L""), 1603);
    EXPECT_TRUE(InstalledMsiProducts().empty());
    EXPECT_EQ(VelotuneEntries(kProductView), std::vector<std::wstring>{L"Velotune"});
    EXPECT_TRUE(Exists(InstallDir() + L"\\Uninstall.exe"));
    ASSERT_EQ(Uninstall(L"/S"), 0);

    // The setup program over the MSI's copy: refused with its own exit code.
    ASSERT_EQ(InstallMsi(MsiPackage(), L""), 0);
    EXPECT_EQ(Install(L"/S /LANG=en"), 4);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(VelotuneEntries(kProductView), InstalledMsiProducts());
    EXPECT_FALSE(Exists(InstallDir() + L"\\Uninstall.exe"));
    EXPECT_TRUE(Exists(InstallDir() + L"\\Velotune.exe"));
}

#include "ShellSeamFixture.h"

#include "shell/ShellTestSeams.h"
#include "support/TestPaths.h"

namespace {

std::wstring g_commandLine;
bool g_admin = true;
bool g_relaunchAccepted = false;
std::vector<RecordedLaunch> g_launches;

LPWSTR WINAPI FakeCommandLine() { return &g_commandLine[0]; }
bool FakeIsAdmin() { return g_admin; }
BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOW* info) {
    RecordedLaunch r;
    r.verb = info->lpVerb ? info->lpVerb : L"";
    r.file = info->lpFile ? info->lpFile : L"";
    r.parameters = info->lpParameters ? info->lpParameters : L"";
    r.mask = info->fMask;
    r.show = info->nShow;
    r.hasDirectory = info->lpDirectory != nullptr;
    r.hasOwner = info->hwnd != nullptr;
    g_launches.push_back(r);
    info->hProcess = nullptr;
    if (!g_relaunchAccepted) {
        SetLastError(ERROR_CANCELLED);
        return FALSE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
    return TRUE;
}

// The stand-in client beside the test keeps its profile and record there.
const wchar_t kClient[] = L"DadEzOzuz";
std::wstring RecordPath() { return TestPaths::Join(TestPaths::TestDir(), L"DadEzOzuz.calls.log"); }

}  // namespace

void ShellSeamFixture::SetUp() {
    CreateDirectoryW(ScratchDir().c_str(), nullptr);
    DeleteFileW(RecordPath().c_str());
    SetClientProfile(0);
    g_launches.clear();
    SetArguments(L"");
    SetAdmin(true);
    SetRelaunchAccepted(false);
    ShellTestSeams::getCommandLine = FakeCommandLine;
    ShellTestSeams::isAdmin = FakeIsAdmin;
    ShellTestSeams::shellExecuteEx = FakeShellExecuteEx;
}

void ShellSeamFixture::TearDown() {
    ShellTestSeams::Reset();
    m_launchOnStart.reset();
    m_startClientResult.reset();
}

void ShellSeamFixture::SetArguments(const std::wstring& arguments) {
    g_commandLine = L"\"" + ModulePath() + L"\"";
    if (!arguments.empty()) g_commandLine += L" " + arguments;
}

void ShellSeamFixture::SetAdmin(bool admin) { g_admin = admin; }
void ShellSeamFixture::SetRelaunchAccepted(bool accepted) { g_relaunchAccepted = accepted; }

void ShellSeamFixture::SetClientProfile(int startClientResult, int launchOnStart) {
    m_launchOnStart.reset();
    m_startClientResult.reset();
    m_startClientResult = std::make_unique<ScopedStandInSwitch>(
        kClient, L"StartClientResult", std::to_wstring(startClientResult), TestPaths::TestDir(), L"ServiceClient");
    m_launchOnStart = std::make_unique<ScopedStandInSwitch>(kClient, L"LaunchOnStart", std::to_wstring(launchOnStart),
                                                            TestPaths::TestDir(), L"ServiceClient");
}

std::vector<std::string> ShellSeamFixture::ClientCalls() const {
    std::string bytes = TestPaths::ReadFileBytes(RecordPath());
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::wstring ShellSeamFixture::ScratchDir() const { return TestPaths::Join(TestPaths::TestDir(), L"shell_scratch"); }

std::wstring ShellSeamFixture::ModulePath() const {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring ShellSeamFixture::ModuleFileName() const {
    std::wstring p = ModulePath();
    return p.substr(p.find_last_of(L"\\/") + 1);
}

std::vector<RecordedLaunch>& ShellSeamFixture::Launches() { return g_launches; }

#pragma once
// What the update tests share: the test-only engine binding of
// CUpdateProcessor, the replaceable shell call of the installer hand-over,
// a scripted test engine, a stand-in main window, and the stand-in
// downloader's switches.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/NonCopyable.h"
#include "support/MessageRecorder.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"
#include "update/InstallerLauncher.h"
#include "update/UpdateProcessor.h"

// Binds an engine to the process-wide CUpdateProcessor (friend of it).
class CUpdateProcessorTestBinding {
public:
    static void Bind(CUpdateProcessor::PFN_CheckUpdate check,
                     CUpdateProcessor::PFN_GetInstallerHash hash = nullptr) {
        CUpdateProcessor* p = CUpdateProcessor::Instance();
        p->m_pfnCheckUpdate = check;
        p->m_pfnGetInstallerHash = hash;
        p->m_bStarted = true;
    }
    static void StartWithoutEntry() { Bind(nullptr); }
    static void Unbind() {
        CUpdateProcessor* p = CUpdateProcessor::Instance();
        p->m_pfnCheckUpdate = nullptr;
        p->m_pfnGetInstallerHash = nullptr;
        p->m_bStarted = false;
    }
};

// Replaces the process start of the installer hand-over (friend of it).
class CInstallerLauncherTestSeam {
public:
    static void Replace(CVerifiedInstaller::PFN_CreateProcessW fn) { CInstallerLauncher::s_pfnCreateProcess = fn; }
    static void Restore() { CInstallerLauncher::s_pfnCreateProcess = &::CreateProcessW; }
};

// The trust verdict an administrator's switches beside the program put in
// place of WinVerifyTrust's, for one test, with the signer's certificate it
// stands for and the one taken as this program's (SHA-256 sums; empty:
// none put in place). Wine verifies no chain, and the test program is not
// signed.
class CTrustVerdict : private vt::NonCopyable {
public:
    static constexpr const wchar_t* kPublisher =
        L"5e1f7a0c3b9d2e4f6a8b0c1d2e3f405162738495a6b7c8d9eaf0b1c2d3e4f506";
    explicit CTrustVerdict(const wchar_t* verdict, const wchar_t* signer = kPublisher,
                           const wchar_t* programSigner = kPublisher)
        : m_verdict(L"UPDATE_TRUST_VERDICT", verdict, TestPaths::TestDir()),
          m_signer(L"UPDATE_TRUST_SIGNER", signer, TestPaths::TestDir()),
          m_program(L"UPDATE_PROGRAM_SIGNER", programSigner, TestPaths::TestDir()) {}

private:
    ScopedProgramSwitch m_verdict, m_signer, m_program;
};

// An engine that answers from a script, one step per check (the last step
// repeats), and remembers what it was told.
namespace TestEngine {
struct Step {
    Step(int r, std::string u, std::string h = std::string()) : result(r), url(std::move(u)), sha256(std::move(h)) {}
    int result;
    std::string url;
    std::string sha256;  // the engine's hash of the installer; empty: none
};
void Script(std::vector<Step> steps);  // binds the engine too
int Calls();
bool LastHold();
}  // namespace TestEngine

// A hidden top-level window standing in for the main window: becomes
// hMainWnd, counts what the update window posts, and runs a handler for
// UM_RUN_INSTALLER while the message is being dispatched.
class CFakeMainWindow : private vt::NonCopyable {
public:
    CFakeMainWindow();
    ~CFakeMainWindow();

    HWND Hwnd() const { return m_recorder.Hwnd(); }
    int ShowAtCorner() const;
    int RunInstaller() const;
    std::function<void(WPARAM)> onRunInstaller;

private:
    MessageRecorder m_recorder;
};

// The stand-in downloader's switches for one test ("p2spd.ini" beside the
// copy in `folder`): those Set here, ended when the object goes; its record
// there emptied first.
class CDownloaderEnv : private vt::NonCopyable {
public:
    explicit CDownloaderEnv(const std::wstring& folder = TestPaths::TestDir());
    ~CDownloaderEnv();

    // A switch (SLOW, FAIL, ...) of the live object, until it goes.
    static void Set(const wchar_t* key, const wchar_t* value);
    static std::wstring RecordPath();
    static std::string Record();
    static std::vector<std::string> RecordLines();

private:
    std::wstring m_folder;
    std::vector<std::unique_ptr<ScopedStandInSwitch>> m_switches;
};

// A source file for the stand-in to "download" (made once, 200 KB).
std::wstring SourceFile();
std::string SourceBytes();
// SHA-256 of bytes, 64 lower-case hex digits.
std::string Sha256(const std::string& bytes);
// "file:///C:/.../name" for a local path.
std::wstring FileUrl(const std::wstring& path);
std::string Narrow(const std::wstring& text);

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "duilib/HighContrast.h"
#include "base/RaiseWindow.h"
#include "base/ThreadStack.h"
#include "duilib/DialogBuilder.h"
#include "duilib/PaintManagerUI.h"
#include "log/BaseLog.h"
#include "mainframe/MainFrame.h"
#include "settings/ProgramSwitches.h"
#include "settings/Settings.h"
#include "shell/AppSingleton.h"
#include "shell/CommonHelp.h"
#include "mainframe/ToolkitLogSink.h"
#include "base/Win32Owners.h"
#include "tuning/RestoreExit.h"
#include "tuning/RestoreWithoutWindow.h"
#include "tuning/SafeLoadLibrary.h"

namespace {

// The tuning service must come up with Windows. "sc" is taken from the
// system folder: the program runs elevated, and a bare name would run
// whatever "sc" the current directory or PATH offers.
void AskServiceAutoStart() {
    wchar_t system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wstring sc = std::wstring(system) + L"\\sc.exe";
    ShellExecuteW(nullptr, L"open", sc.c_str(), L"config ZIZ3SERVICE start= auto", nullptr, SW_HIDE);
}

DWORD WINAPI AskServiceAutoStartThread(LPVOID) {
    vt::ReleaseUnusedStack();
    AskServiceAutoStart();
    return 0;
}

bool IsRestoreSwitch(const wchar_t* cmd) { return _wcsicmp(cmd, L"/RestoreOverclocking") == 0; }

int RestoreExitCode(CRestoreWithoutWindow::Outcome outcome) {
    switch (outcome) {
        case CRestoreWithoutWindow::Outcome::AtDefaults: return kRestoreAtDefaults;
        case CRestoreWithoutWindow::Outcome::Failed: return kRestoreFailed;
        case CRestoreWithoutWindow::Outcome::SdkUnavailable: return kRestoreSdkUnavailable;
    }
    return kRestoreFailed;
}

// "/RestoreOverclocking" without administrator rights cannot reach the
// SDK: an elevated copy runs it instead, and its answer is this one's. The
// normal hand-over of the start check would start the window instead and
// answer "at defaults" without knowing.
bool RestoreNeedsElevation() {
    // An administrator's test switch, taken by this start only: the copy it
    // hands over to must run as an elevated one does.
    if (ProgramSwitches::Take(L"RESTORE_NOT_ELEVATED")) return true;
    return !CCommonHelp::IsAdmin();
}

int RestoreThroughElevatedCopy() {
    unsigned long code = 0;
    switch (CCommonHelp::RunElevatedAndWait(L"/RestoreOverclocking", &code)) {
        case CCommonHelp::ElevatedRun::Ended:
            VLOG("[RestoreOverclocking] not elevated: the elevated copy ended with %lu", code);
            return static_cast<int>(code);
        case CCommonHelp::ElevatedRun::Unknown:
            VLOG("[RestoreOverclocking] not elevated: handed to an elevated copy, outcome unknown");
            return kRestoreHandedOver;
        case CCommonHelp::ElevatedRun::NotStarted: break;
    }
    VLOG("[RestoreOverclocking] not elevated: no elevated copy started, nothing tried");
    return kRestoreNotElevated;
}

int RunProgram(HINSTANCE instance, const wchar_t* cmd, HANDLE askingService) {
    if (IsRestoreSwitch(cmd) && RestoreNeedsElevation()) return RestoreThroughElevatedCopy();
    if (!CCommonHelp::CheckStartup()) {
        VLOG("CCommonHelp::CheckStartup failed");
        return 1;
    }

    AppSingleton singleton;
    if (!singleton.Acquire()) {
        VLOG("AppSingleton exist");
        singleton.Close();
        return IsRestoreSwitch(cmd) ? kRestoreAnotherInstance : 1;
    }
    VLOG("start");

    // Screen readers' names come from the language file like every other text.
    DuiLib::CPaintManagerUI::SetTextLookup([](LPCWSTR key) {
        const std::wstring text = GetLanguageString(key);
        return text == L"-_-" ? DuiLib::CDuiString() : DuiLib::CDuiString(text.c_str());
    });
    const std::wstring face = GetLanguageString(L"STR_FONTFACE");
    if (face != L"-_-" && !face.empty()) DuiLib::CDialogBuilder::SetFontFace(face.c_str());
    VLOG("font for the language: %S", face != L"-_-" && !face.empty() ? face.c_str() : L"the skins' own");
    // An administrator's test switch: drawn as in high contrast, which Wine
    // cannot turn on.
    if (ProgramSwitches::IsSet(L"TEST_HIGH_CONTRAST")) DuiLib::CHighContrast::Force(true);
    VLOG("high contrast: %s", DuiLib::CHighContrast::IsOn() ? "on, system colours" : "off");
    DuiLib::CPaintManagerUI::SetInstance(instance);
    DuiLib::CPaintManagerUI::SetResourcePath(
        (DuiLib::CPaintManagerUI::GetInstancePath() + L"skin").GetData());

    if (IsRestoreSwitch(cmd)) {
        int code = RestoreExitCode(CRestoreWithoutWindow::Run());
        VLOG("[RestoreOverclocking] exit code %d", code);
        singleton.Close();
        return code;
    }

    std::unique_ptr<CMainFrame> frame(new CMainFrame());

    frame->SetGuardRelease([&singleton] {
        singleton.Close();
        VLOG("single-instance guard given up: the window is gone");
    });
    frame->SetResType(0, L"", 0, L"", true);
    frame->InitWinParam(L"Velotune_xml\\MainFrame.xml");
    HWND hwnd = frame->CreateDuiWindow(nullptr, L"Velotune", frame.get(), WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                                       WS_EX_TOOLWINDOW);
    int exitCode = 0;
    HRESULT ole = E_FAIL;
    if (hwnd) {
        frame->PlaceAtCorner();
        vt::RaiseWindow(hwnd);
        frame->ShowWindow(true, true);
        // The first frame before anything else the queue holds.
        ::UpdateWindow(hwnd);
        // Screen readers reach the windows through COM (WM_GETOBJECT), which
        // the first frame does not need: OLE is set up once it is painted,
        // before the loop takes a screen reader's request. Under Wine,
        // setting it up first made the window come up noticeably later.
        ole = ::OleInitialize(nullptr);
        if (askingService) ::ResumeThread(askingService);
        DuiLib::CPaintManagerUI::MessageLoop();
    } else {
        VLOG_LASTERROR();
        exitCode = 1;
    }

    if (frame->ReadersLeftRunning()) {
        // Still in use by a reader held in the SDK; the process's end takes both.
        VLOG("a reader is left to end with the process");
        frame.release();
    }
    frame.reset();
    singleton.Close();
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    RestrictDllSearchPath();
    LogStartup();
    CToolkitLogSink::Install();
    // The path depends on the module path alone: resolved before any window,
    // so that a settings dialog opened while the SDK comes up reads and
    // writes the real file.
    InitSettingsPath();
    const wchar_t* cmd = commandLine ? commandLine : L"";
    VLOG("_tWinMain %S", cmd);

    // Asking starts a process ("sc", and a console host for it), which the
    // window need not wait for but would compete with for the processor: it
    // is let go once the first frame is painted, or when no window comes up.
    // The program still waits for it before it ends, whichever way it ends.
    vt::UniqueHandle asking(
        CreateThread(nullptr, 0, &AskServiceAutoStartThread, nullptr, CREATE_SUSPENDED, nullptr));
    if (!asking) AskServiceAutoStart();
    int exitCode = RunProgram(instance, cmd, asking.Get());
    if (asking) {
        ResumeThread(asking.Get());
        WaitForSingleObject(asking.Get(), INFINITE);
    }
    return exitCode;
}

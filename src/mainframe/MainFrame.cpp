#include "mainframe/MainFrame.h"

#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cwchar>

#include "base/RaiseWindow.h"
#include "base/Win32Owners.h"
#include "duilib/ContainerUI.h"
#include "duilib/ControlUI.h"
#include "duilib/DuiMessages.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabLayoutUI.h"
#include "duilib/Visibility.h"
#include "log/BaseLog.h"
#include "mainframe/ExpectedEvents.h"
#include "mainframe/HotKeyRegistration.h"
#include "mainframe/MenuTask.h"
#include "mainframe/MessageFilter.h"
#include "mainframe/Notice.h"
#include "mainframe/SettingDlg.h"
#include "mainframe/SystemReboot.h"
#include "mainframe/WebLink.h"
#include "mainframe/WorkArea.h"
#include "settings/Settings.h"
#include "speeddial/SpeedPanleUI.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "update/InstallerLauncher.h"
#include "update/WndManualUpdateClient.h"

using namespace DuiLib;

// The setup program closes a running copy with the menu's exit command.
static_assert(DuiLib::DUI_MSG_MENU_CLICK == 35769, "the tray menu's command is shared with other processes");

namespace {

const UINT kIconOverclocked = 107;  // the window's own icon

// How long the window's end waits for each reader (the frequency monitor,
// the CPU information reader) before leaving it to the process's end.
const DWORD kReaderStopWaitMs = 2000;

std::wstring Format(const wchar_t* format, double value) {
    wchar_t text[64];
    _snwprintf(text, 63, format, value);
    text[63] = 0;
    return text;
}

std::wstring Lang(const wchar_t* key) { return GetLanguageString(key); }

}  // namespace

LPCWSTR CMainFrame::GetWindowClassName() const { return L"Velotune"; }

CControlUI* CMainFrame::CreateCustomControl(LPCWSTR pstrClass) {
    if (pstrClass && std::wcscmp(pstrClass, L"SpeedPanle") == 0) return new CSpeedPanleUI;
    return nullptr;
}

// ---------------------------------------------------------------- creation

void CMainFrame::InitAfterCreate() {
    m_pLabelTitle = m_PaintManager.FindControl(L"labelTitle");
    if (m_pLabelTitle) ::SetWindowTextW(m_hWnd, m_pLabelTitle->GetText().GetData());

    m_pOveringBtn = m_PaintManager.FindControl(L"OveringBtn");
    m_pRecoveringlb = m_PaintManager.FindControl(L"Recoveringlb");
    m_pDoOverBtn = m_PaintManager.FindControl(L"DoOverBtn");
    m_pRecoverBtn = m_PaintManager.FindControl(L"RecoverBtn");
    m_pLinkZIZBtn = m_PaintManager.FindControl(L"LinkZIZBtn");
    m_pLinkBuyBtn = m_PaintManager.FindControl(L"LinkBuyBtn");
    CWebLink::Prepare(m_pLinkZIZBtn);
    CWebLink::Prepare(m_pLinkBuyBtn);
    m_pButtonStatusTab = FindControlAs<CTabLayoutUI>(m_PaintManager, L"ButtonStatusTab", L"TabLayout");
    m_pLabelStatusTab = FindControlAs<CTabLayoutUI>(m_PaintManager, L"LabelStatusTab", L"TabLayout");
    m_pLabelMarks = m_PaintManager.FindControl(L"labelMarks");
    m_pPanel = FindControlAs<CSpeedPanleUI>(m_PaintManager, L"panel", L"SpeedPanle");
    m_dialView.SetControls(m_pPanel, m_pLabelMarks, m_PaintManager.FindControl(L"labelFrequency"));

    InitServices();
    InitLanguageText();
}

void CMainFrame::InitServices() {
    GetAppState().hMainWnd = m_hWnd;
    m_tray.SetWindow(m_hWnd);
    // Before the tray icon exists: the shell's clicks on it and its restart
    // must reach this elevated window.
    CMessageFilter::LetInShellMessages(m_hWnd);
    // Only the window plays a part in the first frame. The tray icon, the
    // notifier and USB key libraries, the update window, the dial table and
    // the CPU reader (threads, libraries and files) come up from the queue
    // once it is painted, rather than competing with it for the processor.
    if (!::PostMessageW(m_hWnd, UM_INIT_AFTER_FIRST_FRAME, 0, 0)) InitAfterFirstFrame();
}

void CMainFrame::InitAfterFirstFrame() {
    if (m_bStartedAfterFirstFrame) return;
    m_bStartedAfterFirstFrame = true;
    // A tool window shows its icon nowhere on screen; setting it makes Wine
    // convert both sizes for the window manager.
    SetIcon(kIconOverclocked);
    m_tray.Refresh();
    m_ocWmiEvent.Bind();
    CreateUpdateWindow();
    if (m_ocWmiEvent.IsBound()) m_ocWmiEvent.Start(m_hWnd);
    // The key is told the mode whether or not its library started.
    m_usbKey.Init(m_hWnd, &CExpectedEvents::UsbKeyPressed);
    m_usbKey.SetMode(1);
    m_remote.Start(m_hWnd);
    // Last: the dial table and both libraries are in place before any of the
    // reader's results (which tell the libraries the status) arrive.
    Read_CPU_List();
    m_bSdkStarting = m_getCpuInfoThread.Start();
}

void CMainFrame::InitLanguageText() {
    // Every text a user reads comes from the language file; the layout's own
    // texts only stand in while it is being built.
    struct Text {
        const wchar_t* control;
        const wchar_t* key;
        bool tooltip;
    } texts[] = {
        {L"DoOverBtn", L"STR_APPNAME", false},         {L"OveringBtn", L"STR_OVERCLOCKING", false},
        {L"RecoverBtn", L"STR_ST", false},             {L"Recoveringlb", L"STR_RESTORING", false},
        {L"labelTitle", L"STR_APPNAME", false},        {L"labelStock", L"STR_STOCKCLOCK", false},
        {L"labelRaising", L"STR_RAISINGCLOCK", false}, {L"labelOverclocked", L"STR_OVERCLOCKED", false},
        {L"labelBackToStock", L"STR_BACKTOSTOCK", false}, {L"LinkZIZBtn", L"STR_TUNINGSERVICE", false},
        {L"LinkBuyBtn", L"STR_DIZAZCPU", false},       {L"btn_min", L"STR_TIPHIDE", true},
        {L"SettingBtn", L"STR_TIPSETTING", true},      {L"MinBtn", L"STR_TIPMIN", true},
        {L"CloseBtn", L"STR_TIPCLOSE", true},
    };
    for (const Text& t : texts) {
        CControlUI* control = m_PaintManager.FindControl(t.control);
        if (!control) continue;
        if (t.tooltip) control->SetToolTip(Lang(t.key).c_str());
        else control->SetText(Lang(t.key).c_str());
    }
    // The one-click action also answers Ctrl+Alt and the stored key.
    wchar_t shortcut[32];
    _snwprintf(shortcut, 31, L"Ctrl+Alt+%c", static_cast<wchar_t>(HotKeyCode()));
    shortcut[31] = 0;
    for (CControlUI* action : {m_pDoOverBtn, m_pRecoverBtn})
        if (action) action->SetAccessibleShortcut(shortcut);
}

LRESULT CMainFrame::OnSdkInitBegin(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

LRESULT CMainFrame::OnSdkInitFinish(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (!CExpectedEvents::Take(m_bSdkStarting, "UM_SDK_INIT_FINISH")) return 0;
    if (lParam == 0) {
        ShowNotice(m_hWnd, Lang(L"STR_TITLE"), FailureText(L"STR_FWQD", L"STR_HINTSERVICE"), 0);
        ExitApp();
        return 0;
    }
    StartWorkers();
    return 0;
}

void CMainFrame::StartWorkers() {
    // The overclock worker starts with the first request (DoHandle).
    m_bSdkReady = true;
    m_cpuMonitorThread.SetSettingsPathSource(&GetSettingsPath);
    if (!m_cpuMonitorThread.Start(m_hWnd)) VLOG("frequency monitor not started");
    m_hotKeyGate.Start(m_hWnd, kHotKeyId);
    RegisterGlobalHotKey();
    // From here on a settings dialog registers a changed key itself.
    GetAppState().bHotKeyStarted = true;
}

UINT CMainFrame::HotKeyCode() { return HotKeyCodeOf(GetQuickKey()); }

bool CMainFrame::RegisterGlobalHotKey() {
    const UINT vk = HotKeyCode();
    if (CHotKeyRegistration::Register(m_hWnd, vk)) return true;
    // A modal box here would stand before the window at every start.
    if (CControlUI* label = m_PaintManager.FindControl(L"labelStock")) {
        label->SetText(CHotKeyRegistration::TakenText(vk).c_str());
        VLOG("the status line says %S", label->GetText().GetData());
    }
    return false;
}

// ---------------------------------------------------------------- status machine

void CMainFrame::DoHandle() {
    VLOG("DoHandle() begin");
    LONG status = GetAppState().nStatus;
    int next;
    if (status == STATUS_OVERCLOCK_ING || status == STATUS_REOVERCLOCK_ING) {
        VLOG("[DoHandle] status=%d", (int)status);
        return;
    }
    EnsureWorker();
    if (!m_overClockThread.StartEvent()) {
        // No worker (the SDK is not up yet, or it failed to start): nothing
        // would ever finish the run, and the status would stay at 1 or 3.
        VLOG("DoHandle() refused: the overclock worker is not running (status %d)", (int)status);
        if (!m_exit.Exiting()) ShowNotice(m_hWnd, Lang(L"STR_TITLE"), Lang(L"STR_NOTREADY"), 0);
        return;
    }
    if (status == STATUS_OVERCLOCK_INIT) {
        VLOG("DoHandle() STATUS_OVERCLOCK_INIT");
        next = STATUS_OVERCLOCK_ING;
    } else {
        VLOG("DoHandle() STATUS_REOVERCLOCK_ING");
        next = STATUS_REOVERCLOCK_ING;
    }
    // The worker is asked before the window shows the change: showing it
    // talks to the shell, which lets other programs' sent messages in (the
    // end of the session, a close), and those must find the run under way.
    GetAppState().nStatus = next;  // what the worker reads
    // Pending until its result arrives, whatever the status says meanwhile.
    m_bResultPending = m_overClockThread.RequestRun();
    UpdateStatus(next);
    VLOG("DoHandle() end");
}

void CMainFrame::SelectPages(int page) {
    // A taken hot key is said until the first run.
    if (CControlUI* label = page ? m_PaintManager.FindControl(L"labelStock") : nullptr)
        label->SetText(Lang(L"STR_STOCKCLOCK").c_str());
    if (m_pButtonStatusTab) m_pButtonStatusTab->SelectItem(page);
    if (m_pLabelStatusTab) m_pLabelStatusTab->SelectItem(page);
    // A screen reader hears from the dial whether the clock is stock or raised.
    const bool raised = page == STATUS_OVERCLOCK_OK || page == STATUS_REOVERCLOCK_ING;
    if (m_pPanel) m_pPanel->SetAccessibleDescription(Lang(raised ? L"STR_OVERCLOCKED" : L"STR_STOCKCLOCK").c_str());
}

void CMainFrame::UpdateStatus(int nStatus) {
    VLOG("CMainFrame::UpdateStatus : nStatus : %d", nStatus);
    switch (nStatus) {
        case STATUS_OVERCLOCK_INIT:
            SelectPages(0);
            UsbKeySetOverLockState(0);
            m_ocWmiEvent.SetOCFlag(0);
            break;
        case STATUS_OVERCLOCK_ING: SelectPages(1); break;
        case STATUS_OVERCLOCK_OK:
            UsbKeySetOverLockState(1);
            SelectPages(2);
            m_ocWmiEvent.SetOCFlag(1);
            break;
        case STATUS_REOVERCLOCK_ING: SelectPages(3); break;
        default: break;
    }
    GetAppState().nStatus = nStatus;
    if (m_pPanel) m_pPanel->Invalidate();  // the arcs' colours follow the status
    // On the icon's worker: a status change must not wait for the shell.
    m_tray.Refresh();
}

void CMainFrame::ShowOverclockedPages() {
    VLOG_AS("CMainFrame::UpdateStatus", "CMainFrame::UpdateStatus : nStatus : %d", (int)STATUS_OVERCLOCK_OK);
    UsbKeySetOverLockState(1);
    SelectPages(2);
    m_ocWmiEvent.SetOCFlag(1);
    GetAppState().nStatus = STATUS_OVERCLOCK_OK;
    if (m_pPanel) m_pPanel->Invalidate();
    m_tray.Refresh();
}

LRESULT CMainFrame::OnOverLocking(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (lParam == 1) {
        VLOG("CMainFrame::OnRecoverOverLocking SUCESS");
        ShowOverclockedPages();
    } else if (lParam == 0) {
        // The window says stock before the notice opens over it.
        UpdateStatus(STATUS_OVERCLOCK_INIT);
        if (!m_exit.Exiting())
            ShowNotice(nullptr, Lang(L"STR_REMINDER"), FailureText(L"STR_JSSB", L"STR_HINTRETRY"), 0);
    }
    return 0;
}

LRESULT CMainFrame::OnRecoverOverLocking(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (lParam == 1) {
        UpdateStatus(STATUS_OVERCLOCK_INIT);
        return 0;
    }
    ShowOverclockedPages();
    // While exiting, ExitApp reports the outcome and closes the window.
    if (!m_exit.Exiting()) {
        // Titled and worded like every other notice, in the user's language.
        ShowNotice(nullptr, Lang(L"STR_TITLE"), FailureText(L"STR_RESTOREFAILED", L"STR_HINTRESTART"), 0);
    }
    return 0;
}

void CMainFrame::EnsureWorker() {
    // Started on first use: a worker kept waiting from start-up costs a
    // thread's memory (about 1 MiB under Wine) in every run that never
    // changes the processor.
    if (m_bSdkReady && !m_overClockThread.ThreadHandle() && !m_overClockThread.Start(m_hWnd))
        VLOG("overclock worker not started");
}

bool CMainFrame::WaitForResult(DWORD timeoutMs) {
    static_assert(UM_RESTORE_FINISH == UM_OVERCLOCK_FINISH + 1, "one message range for both results");
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, m_hWnd, UM_OVERCLOCK_FINISH, UM_RESTORE_FINISH, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!m_bResultPending) return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        DWORD left = timeoutMs - elapsed;
        // Wakes for newly posted messages; the cap covers one posted while peeking.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 100 ? left : 100, QS_POSTMESSAGE);
    }
}

// ---------------------------------------------------------------- CPU dial table

bool CMainFrame::Read_CPU_List() { return m_dialView.ReadList(m_PaintManager.FindControl(L"hl_CPU_List")); }

bool CMainFrame::FindCPUData(const std::wstring& model, CpuCustomData& entry) const {
    return m_dialView.Table().Find(model, entry);
}

bool CMainFrame::InitCustomData(const std::wstring& model) { return m_dialView.InitCustomData(model); }

bool CMainFrame::GetAngleByFrequency(float floatFrequency, int& angle) const {
    return m_dialView.GetAngleByFrequency(floatFrequency, angle);
}

// ---------------------------------------------------------------- CPU information view

LRESULT CMainFrame::OnGetCPUInfoFinish(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    // Only the reader this window owns may point it at a record: another
    // process can post this message with any address.
    const CpuInfo* own = m_getCpuInfoThread.GetCpuInfo();
    if (wParam != reinterpret_cast<WPARAM>(own)) {
        VLOG("UM_GETCPUINFO_FINISH ignored: wParam is not the reader's record");
        return 0;
    }
    if (lParam != 0) {
        VLOG("CMainFrame::OnGetCPUInfoFinish Enter");
        CpuInfo copy = *own;
        InitViewInfo(copy);
        VLOG("CMainFrame::OnGetCPUInfoFinish Exit");
    } else {
        ShowNotice(m_hWnd, Lang(L"STR_TITLE"), FailureText(L"STR_BZCJS", L"STR_HINTSERVICE"), 0);
        ExitApp();
    }
    return 0;
}

void CMainFrame::InitViewInfo(CpuInfo stInfo) {
    VLOG("CMainFrame::InitViewInfo Enter");
    InitCustomData(stInfo.m_strCpuModel);
    const AppState& state = GetAppState();
    if (state.g_bThisCPUHaveCustomData) {
        VLOG("CMainFrame::OnGetCPUInfoFinish : g_bThisCPUHaveCustomData is true");
        if (state.stCustomData.floatTurboFrenquency != -1.0f) {
            stInfo.m_strFrequence = Format(L" %0.2fGHz", state.stCustomData.floatTurboFrenquency);
            VLOG("CMainFrame::OnGetCPUInfoFinish : stInfo.m_strFrequence:%S", stInfo.m_strFrequence.c_str());
        }
    }
    std::wstring strFre = Format(L" %.2fGHz", stInfo.m_dMaxTurboMHz / 1000.0);
    VLOG("CMainFrame::InitViewInfo  defaultFre %S ", stInfo.m_strFrequence.c_str());
    VLOG("CMainFrame::InitViewInfo  stInfo.m_strFrequence:%S ", stInfo.m_strFrequence.c_str());
    VLOG("CMainFrame::InitViewInfo  strFre:%S ", strFre.c_str());

    bool restore = stInfo.m_strFrequence.compare(strFre) > 0;
    // No reading is not a reading of 0 MHz: every reference would sort above
    // it, and the processor would be "restored" (or fail to be) at every start.
    const bool maxTurboKnown = stInfo.m_dMaxTurboMHz > 0;
    if (!maxTurboKnown) {
        VLOG("CMainFrame::InitViewInfo: the maximum turbo is unknown, no restore at start");
        restore = false;
    }
    if (m_bResultPending) {
        // A hot key, USB key or notifier request got here first: its result
        // settles the status, and it is what the user asked for.
        VLOG("CMainFrame::InitViewInfo: a run is in progress (status %d), its result settles the status",
             (int)GetAppState().nStatus);
        restore = false;
    } else if (restore) {
        ShowOverclockedPages();
    } else {
        UpdateStatus(STATUS_OVERCLOCK_INIT);
    }

    SetPanel(stInfo.m_strFrequence, true);
    m_tray.Refresh();
    if (restore) {
        VLOG("INIT STATUE is STATUS_OVERCLOCK_OK ");
        DoHandle();
    }
    VLOG("CMainFrame::InitViewInfo Exit");
}

void CMainFrame::SetPanel(std::wstring strFrequency, bool bDefault) { m_dialView.SetPanel(strFrequency, bDefault); }

LRESULT CMainFrame::OnNotifyFrequencyChange(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const std::atomic<double>* own = CCpuMonitorThread::CurrentFrequency();
    if (wParam != reinterpret_cast<WPARAM>(own)) {
        VLOG("UM_FREQUENCY_CHANGE ignored: wParam is not the monitor's reading");
        return 0;
    }
    double f = own->load();
    std::wstring t = Format(L" %.1fGHz", f);
    VLOG("CMainFrame::FrequencyChange: %S", t.c_str());
    m_dialView.ShowReading(f);
    SetPanel(t, false);
    UsbKeySetFq((float)(f * 1000.0));
    return 0;
}

// ---------------------------------------------------------------- tray and exit

BOOL CMainFrame::AddToTray(bool bAdd) {
    if (bAdd) return m_tray.AddNow();
    BOOL deleted = m_tray.Remove();
    VLOG("::Shell_NotifyIcon(NIM_DELETE,&nid); %s", deleted ? "Successful" : "Faild");
    return deleted;
}

void CMainFrame::ExitApp() { m_exit.Begin(); }

bool CMainFrame::RestoreWanted() const {
    return IsStopOverOn() && GetAppState().nStatus == STATUS_OVERCLOCK_OK;
}

bool CMainFrame::StartRestore() {
    DoHandle();
    return m_bResultPending;
}

bool CMainFrame::AtDefaults() const { return GetAppState().nStatus == STATUS_OVERCLOCK_INIT; }

void CMainFrame::HideWindow() { ShowWindow(false, true); }

void CMainFrame::RemoveTrayIcon() { AddToTray(false); }

int CMainFrame::Status() const { return static_cast<int>(GetAppState().nStatus); }

void CMainFrame::CloseWindow() { ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0); }

void CMainFrame::ShowWaiting() {
    // The worker may be inside the vendor's apply: leaving now would end it
    // mid-way (the process's end ends every thread), leaving the processor
    // partly changed and the library's locks held. The window stays and says
    // what it is doing until the run's result arrives.
    const bool puttingBack = GetAppState().nStatus == STATUS_REOVERCLOCK_ING || IsStopOverOn();
    const wchar_t* key = puttingBack ? L"STR_EXITRESTORING" : L"STR_EXITFINISHING";
    if (CControlUI* label = m_PaintManager.FindControl(puttingBack ? L"labelBackToStock" : L"labelRaising"))
        label->SetText(Lang(key).c_str());
    // The button says the same as the status line, whatever the run under way.
    for (CTabLayoutUI* tab : {m_pLabelStatusTab, m_pButtonStatusTab})
        if (tab) tab->SelectItem(puttingBack ? 3 : 1);
    ShowWindow(true, true);
    VLOG("[ExitApp] the window shows %S", key);
    ::SetTimer(m_hWnd, TIMER_EXIT_WAIT, CExitMachine::kUnseenWaitMs, nullptr);
}

void CMainFrame::StopReminders() { ::KillTimer(m_hWnd, TIMER_EXIT_WAIT); }

void CMainFrame::ExitBeforeSessionEnd() {
    LONG status = GetAppState().nStatus;
    const bool settling = m_bResultPending || (IsStopOverOn() && status == STATUS_OVERCLOCK_OK);
    bool held = false;
    if (settling) {
        std::wstring reason = Lang(L"STR_SHUTDOWNRESTORE");
        held = ::ShutdownBlockReasonCreate(m_hWnd, reason.c_str()) != FALSE;
        if (held) VLOG("shutdown held: %S", reason.c_str());
        else VLOG("shutdown not held (error %lu): %S", ::GetLastError(), reason.c_str());
    }
    // The answer goes back only when this returns: the session cannot end
    // in the middle of the restore.
    ExitApp();
    // A run still going keeps its reason up until the window goes with it.
    if (held && !m_exit.WaitingSeen()) ::ShutdownBlockReasonDestroy(m_hWnd);
}

void CMainFrame::ReadRatioStateAfterResume() {
    if (m_bResultPending) {
        VLOG("[Resume] a run is in progress: its result is what the processor holds");
        return;
    }
    // On the worker, like every other SDK call: a tuning service slow to come
    // back from sleep must not freeze the window. The worker is started as
    // for a run.
    EnsureWorker();
    if (!m_overClockThread.RequestRatioStateRead()) VLOG("[Resume] the overclock worker is not running: nothing read");
}

LRESULT CMainFrame::OnRatioStateRead(WPARAM wParam) {
    const std::atomic<COverClockThread::RatioState>* own = m_overClockThread.RatioStateRecord();
    if (wParam != reinterpret_cast<WPARAM>(own)) {
        VLOG("UM_RATIO_STATE_READ ignored: wParam is not the worker's reading");
        return 0;
    }
    if (m_bResultPending) {
        VLOG("[Resume] a run is in progress: its result is what the processor holds");
        return 0;
    }
    COverClockThread::RatioState state = own->load();
    LONG status = GetAppState().nStatus;
    if (state == COverClockThread::RatioState::AtDefaults && status == STATUS_OVERCLOCK_OK) {
        VLOG("[Resume] the processor lost its tuned values: it is at its defaults");
        UpdateStatus(STATUS_OVERCLOCK_INIT);
    } else if (state == COverClockThread::RatioState::Tuned && status == STATUS_OVERCLOCK_INIT) {
        VLOG("[Resume] the processor is tuned: it is overclocked");
        ShowOverclockedPages();
    } else {
        VLOG("[Resume] status %d stays", (int)status);
    }
    return 0;
}

void CMainFrame::OnFinalMessage(HWND hWnd) {
    WindowImplBaseNew::OnFinalMessage(hWnd);
    Cleanup();
    ::PostQuitMessage(0);
}

void CMainFrame::Cleanup() {
    m_remote.Stop();  // before the guard: the next copy makes the pipe anew
    // Nothing the user can see is left: a new start must not be refused
    // while the readers below are waited for.
    if (m_releaseGuard) m_releaseGuard();
    AddToTray(false);
    HWND hWnd = GetAppState().hMainWnd;
    if (hWnd) ::UnregisterHotKey(hWnd, kHotKeyId);
    m_ocWmiEvent.Stop();
    // Reads change nothing: one held inside the SDK is not worth an exit
    // that never ends. Only a run is waited for, and that before the window
    // went (the exit); between runs the overclock worker at most reads.
    const bool monitorEnded = m_cpuMonitorThread.Stop(kReaderStopWaitMs);
    const bool readerEnded = m_getCpuInfoThread.StopOrLeave(kReaderStopWaitMs, "CPU information reader");
    const bool workerEnded = m_bResultPending || m_overClockThread.StopOrLeave(kReaderStopWaitMs);
    m_bReadersLeft = !(monitorEnded && readerEnded && workerEnded) || m_remote.ThreadsLeft();
    // Nothing may call into this window once it is gone, and nothing may use
    // the update client's libraries once the program returns.
    m_usbKey.Release();
    CloseUpdateWindow();
}

LRESULT CMainFrame::OnTrayNotify(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    m_tray.OnNotify(wParam, lParam);
    return 0;
}

void CMainFrame::ShowFromTray(bool byKey) {
    VLOG("tray icon chosen by %s: window shown", byKey ? "key" : "click");
    ShowWindow(true, true);
    g_bMainWndVisible = true;
    ::SetForegroundWindow(m_hWnd);
}

LRESULT CMainFrame::OnMenuClick(UINT, WPARAM wParam, LPARAM, BOOL&) {
    switch (wParam) {
        case kMenuRowSettings: ShowSettingDlg(); break;
        case kMenuRowShowWindow: {
            // A minimised window counts as hidden: the row brings it back
            // restored and in front rather than hiding it.
            const bool shown = DuiLib::CVisibility::IsShown(m_hWnd);
            if (shown) VLOG("\r\nbShow true\r\n");
            else VLOG("\r\nbShow false\r\n");
            if (shown) {
                ShowWindow(false, true);
            } else {
                vt::RestoreAndRaise(m_hWnd);
                ::SetForegroundWindow(m_hWnd);
            }
            g_bMainWndVisible = !shown;
            break;
        }
        case kMenuRowAction: DoHandle(); break;
        case kMenuRowExit:
            AddToTray(false);
            ExitApp();
            break;
        default: break;
    }
    return 0;
}

void CMainFrame::ShowTrayMenuFromKeyboard() {
    // Below the focused control, as Windows places a context menu opened
    // with Shift+F10; the window's corner when nothing has the focus.
    RECT at = {0, 0, 0, 0};
    if (CControlUI* focus = m_PaintManager.GetFocus()) at = focus->GetPos();
    POINT pt = {at.left, at.bottom};
    ::ClientToScreen(m_hWnd, &pt);
    m_tray.ShowMenuFromKeyboard(pt);
}

void CMainFrame::ShowSettingDlg() { CSettingDlg::ShowFor(m_hWnd); }
void CMainFrame::OnRebootPrompt() {
    if (ShowNotice(m_hWnd, Lang(L"STR_TITLE"), Lang(L"STR_REBOOTNOW"), 3) == 1) CSystemReboot::Reboot();
    else VLOG("reboot declined");
}

LRESULT CMainFrame::OnHotKey(UINT, WPARAM wParam, LPARAM, BOOL&) {
    LONG status = GetAppState().nStatus;
    if (wParam == (WPARAM)kHotKeyId && (status == STATUS_OVERCLOCK_INIT || status == STATUS_OVERCLOCK_OK))
        DoHandle();
    return 0;
}

LRESULT CMainFrame::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (wParam == (WPARAM)HotKeyCode() && ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) < 0)
        DoHandle();
    return WindowImplBaseNew::OnKeyDown(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::ResponseDefaultKeyEvent(WPARAM wParam) {
    // The toolkit would close the window on Escape, past the exit's restore.
    if (wParam == VK_ESCAPE) {
        VLOG("Escape ignored");
        return TRUE;
    }
    return WindowImplBaseNew::ResponseDefaultKeyEvent(wParam);
}

void CMainFrame::KeepInWorkArea() { CWorkArea::KeepInside(m_hWnd); }

void CMainFrame::PlaceAtCorner() { CWorkArea::PlaceAtCorner(m_hWnd); }

void CMainFrame::ShowAtCorner() {
    if (CWorkArea::MoveToCorner(m_hWnd)) ShowWindow(true, true);
}

void CMainFrame::BringToFront() { vt::RestoreAndRaise(m_hWnd); }

// ---------------------------------------------------------------- input and messages

void CMainFrame::OnReturnNotify(TNotifyUI& msg) { WindowImplBaseNew::Notify(msg); }
void CMainFrame::OnDropDownNotify(TNotifyUI&) {}

void CMainFrame::ClickNotify(TNotifyUI& msg) {
    CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    auto is = [&](const wchar_t* n) { return _wcsicmp(name.GetData(), n) == 0; };
    if (is(L"CloseBtn")) {
        ExitApp();
    } else if (is(L"MinBtn")) {
        if (GetMinModeSetting() == 0) ::ShowWindow(m_hWnd, SW_MINIMIZE);
        else ShowWindow(false, true);
    } else if (is(L"SettingBtn")) {
        ShowSettingDlg();
    } else if (is(L"DoOverBtn") || is(L"RecoverBtn")) {
        DoHandle();
    } else if (is(L"LinkZIZBtn") || is(L"LinkBuyBtn")) {
        CControlUI* link = is(L"LinkZIZBtn") ? m_pLinkZIZBtn : m_pLinkBuyBtn;
        if (link) CWebLink::Open(link->GetUserData().Str(), m_hWnd);
    } else if (is(L"btn_min")) {
        ShowWindow(false, true);
        g_bMainWndVisible = false;
    }
    WindowImplBaseNew::ClickNotify(msg);
}

LRESULT CMainFrame::OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (wParam == TIMER_EXIT_WAIT) {
        m_exit.OnReminder();
        return 0;
    }
    return WindowImplBaseNew::OnTimer(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (m_exit.Current() != CExitMachine::State::Closing) {
        // A close from outside (Alt+F4, another program) is the user's exit.
        bHandled = TRUE;
        ExitApp();
        return 0;
    }
    return WindowImplBaseNew::OnClose(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    return WindowImplBaseNew::OnDestroy(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = TRUE;
    switch (uMsg) {
        case UM_OVERCLOCK_FINISH:
        case UM_RESTORE_FINISH:
            if (m_bResultPending) m_remote.OnResult(uMsg == UM_OVERCLOCK_FINISH, lParam == 1);
            m_bResultPending = false;
            if (uMsg == UM_OVERCLOCK_FINISH) OnOverLocking(uMsg, wParam, lParam, bHandled);
            else OnRecoverOverLocking(uMsg, wParam, lParam, bHandled);
            if (::IsWindow(m_hWnd)) m_exit.OnResult();
            return 0;
        case UM_GETCPUINFO_FINISH: return OnGetCPUInfoFinish(uMsg, wParam, lParam, bHandled);
        case UM_FREQUENCY_CHANGE: return OnNotifyFrequencyChange(uMsg, wParam, lParam, bHandled);
        case UM_REBOOT_PROMPT: OnRebootPrompt(); return 0;
        case UM_TRAY_NOTIFY: return OnTrayNotify(uMsg, wParam, lParam, bHandled);
        case UM_RUN_INSTALLER:
            // Only the update window's own path is ever started.
            if (CInstallerLauncher::RunFromUpdateWindow(wParam)) ExitApp();
            return 0;
        case UM_SHOW_AT_CORNER: ShowAtCorner(); return 0;
        case UM_INIT_AFTER_FIRST_FRAME: InitAfterFirstFrame(); return 0;
        case UM_RATIO_STATE_READ: return OnRatioStateRead(wParam);
        case UM_REMOTE_CALL: m_remote.OnCall(); return 0;
        case UM_SDK_INIT_BEGIN: return OnSdkInitBegin(uMsg, wParam, lParam, bHandled);
        case UM_SDK_INIT_FINISH: return OnSdkInitFinish(uMsg, wParam, lParam, bHandled);
        case UM_WMI_EVENT:
        case UM_USBKEY_EVENT: if (CExpectedEvents::Take(uMsg)) DoHandle(); return 0;
        case UM_SETFOREGROUNDWINDOW: BringToFront(); return 1;
        case UM_SHOW_TRAY_MENU: m_tray.ShowMenuAtIcon(POINT{0, 0}, false); return 1;
        case UM_TRAY_READD: m_tray.OnReAdd(); return 0;
        case UM_TRAY_MENU_ESCAPED: m_tray.GiveFocusBack(); return 0;
        case DuiLib::DUI_MSG_MENU_CLICK: return OnMenuClick(uMsg, wParam, lParam, bHandled);
        default: break;
    }
    return WindowImplBaseNew::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (CTrayCommands::IsTaskbarCreated(uMsg)) return m_tray.OnTaskbarCreated(), 0;
    switch (uMsg) {
        case WM_SYSKEYDOWN:
        case WM_KEYDOWN:
        case WM_KEYUP:
            // Shift+F10 and the menu key open the tray menu, the window's only menu.
            if (wParam == VK_APPS || (wParam == VK_F10 && ::GetKeyState(VK_SHIFT) < 0)) {
                if (uMsg != WM_KEYUP) ShowTrayMenuFromKeyboard();
                return 0;
            }
            break;
        case WM_QUERYENDSESSION:
            VLOG("CMainFrame::HandleMessage WM_QUERYENDSESSION...");
            ExitBeforeSessionEnd();
            break;
        case WM_ENDSESSION:
            VLOG("CMainFrame::HandleMessage WM_ENDSESSION...");
            ::CoInitialize(nullptr);
            break;
        case WM_NCHITTEST:
            // Only the high bit says the button is down now; the low bit
            // remembers an earlier press.
            if ((::GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0) KeepInWorkArea();
            break;
        case WM_NCRBUTTONUP: m_tray.ShowMenu(); break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ExitApp();
                return 0;
            }
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
                VLOG("CMainFrame::HandleMessage WM_POWERBROADCAST resume (%u)", (unsigned)wParam);
                ReadRatioStateAfterResume();
            }
            break;
        case WM_INPUT:
        case WM_HOTKEY:
            // A press counts only when typed on a keyboard (HotKeyGate.h).
            if (BOOL handled = TRUE; m_hotKeyGate.Pass(uMsg, wParam, lParam)) OnHotKey(WM_HOTKEY, kHotKeyId, 0, handled);
            break;
        default: break;
    }
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

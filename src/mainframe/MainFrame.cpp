#include "mainframe/MainFrame.h"

#include <objbase.h>
#include <shellapi.h>
#include <windowsx.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cwchar>

#include "base/Win32Owners.h"
#include "duilib/ContainerUI.h"
#include "duilib/ControlUI.h"
#include "duilib/DuiMessages.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/TabLayoutUI.h"
#include "log/BaseLog.h"
#include "mainframe/DebugTrace.h"
#include "mainframe/MenuTask.h"
#include "mainframe/MessageFilter.h"
#include "mainframe/Notice.h"
#include "mainframe/SettingDlg.h"
#include "mainframe/SystemReboot.h"
#include "mainframe/WebLink.h"
#include "settings/Settings.h"
#include "speeddial/SpeedPanleUI.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "tuning/OverClockSdkInterface.h"
#include "update/InstallerLauncher.h"
#include "update/WndManualUpdateClient.h"

using namespace DuiLib;

// The setup program closes a running copy with the menu's exit command.
static_assert(DuiLib::DUI_MSG_MENU_CLICK == 35769, "the tray menu's command is shared with other processes");

namespace {

// The USB key's button, on the key library's thread: through the window's
// queue, so the toggle runs on the UI thread.
void UsbKeyEvent(int code, int, HWND window) {
    if (window) PostMessageW(window, UM_USBKEY_EVENT, static_cast<WPARAM>(code), 0);
}

const wchar_t kTrayTip[] = L"Velotune";
const UINT kIconNormal = 134;      // status 0 and 3
const UINT kIconOverclocked = 107; // status 1 and 2

// How long the exit waits for a run in flight, and then for its own restore.
const DWORD kExitWaitMs = 10000;

std::wstring Format(const wchar_t* format, double value) {
    wchar_t text[64];
    _snwprintf(text, 63, format, value);
    text[63] = 0;
    return text;
}

std::wstring Lang(const wchar_t* key) { return GetLanguageString(key); }

// The shell broadcasts it when it (re)starts; every tray icon is gone then.
UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

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
    m_pBtnMin = m_PaintManager.FindControl(L"btn_min");
    m_pLabelMarks = m_PaintManager.FindControl(L"labelMarks");
    m_pPanel = FindControlAs<CSpeedPanleUI>(m_PaintManager, L"panel", L"SpeedPanle");

    InitServices();
    InitLanguageText();
    ::SetTimer(m_hWnd, TIMER_HOVER, 500, nullptr);
}

void CMainFrame::InitServices() {
    GetAppState().hMainWnd = m_hWnd;
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
    AddToTray(true);
    m_ocWmiEvent.Bind();
    CreateUpdateWindow();
    if (m_ocWmiEvent.IsBound()) m_ocWmiEvent.Start(m_hWnd);
    // The key is told the mode whether or not its library started.
    m_usbKey.Init(m_hWnd, &UsbKeyEvent);
    m_usbKey.SetMode(1);
    // Last: the dial table and both libraries are in place before any of the
    // reader's results (which tell the libraries the status) arrive.
    Read_CPU_List();
    m_getCpuInfoThread.Start();
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
    RegisterGlobalHotKey();
    // From here on a settings dialog registers a changed key itself.
    GetAppState().bHotKeyStarted = true;
}

UINT CMainFrame::HotKeyCode() { return HotKeyCodeOf(GetQuickKey()); }

bool CMainFrame::RegisterGlobalHotKey() {
    UINT vk = HotKeyCode();
    if (::RegisterHotKey(m_hWnd, kHotKeyId, MOD_ALT | MOD_CONTROL, vk)) {
        VLOG("hot key Ctrl+Alt+%c registered", (char)vk);
        return true;
    }
    VLOG("hot key Ctrl+Alt+%c not registered (error %lu)", (char)vk, ::GetLastError());
    ShowNotice(nullptr, Lang(L"STR_TITLE"), FailureText(L"STR_KJJCT", L"STR_HINTHOTKEY"), 0);
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
    // Started on first use: a worker kept waiting from start-up costs a
    // thread's memory (about 1 MiB under Wine) in every run that never
    // changes the processor.
    if (m_bSdkReady && !m_overClockThread.ThreadHandle() && !m_overClockThread.Start(m_hWnd))
        VLOG("overclock worker not started");
    if (!m_overClockThread.StartEvent()) {
        // No worker (the SDK is not up yet, or it failed to start): nothing
        // would ever finish the run, and the status would stay at 1 or 3.
        VLOG("DoHandle() refused: the overclock worker is not running (status %d)", (int)status);
        if (!m_bExiting) ShowNotice(m_hWnd, Lang(L"STR_TITLE"), Lang(L"STR_NOTREADY"), 0);
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
    m_overClockThread.RequestRun();
    UpdateStatus(next);
    VLOG("DoHandle() end");
}

void CMainFrame::SelectPages(int page) {
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
    AddToTray(true);
}

void CMainFrame::ShowOverclockedPages() {
    VLOG_AS("CMainFrame::UpdateStatus", "CMainFrame::UpdateStatus : nStatus : %d", (int)STATUS_OVERCLOCK_OK);
    UsbKeySetOverLockState(1);
    SelectPages(2);
    m_ocWmiEvent.SetOCFlag(1);
    GetAppState().nStatus = STATUS_OVERCLOCK_OK;
    if (m_pPanel) m_pPanel->Invalidate();
    AddToTray(true);
}

LRESULT CMainFrame::OnOverLocking(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (lParam == 1) {
        VLOG("CMainFrame::OnRecoverOverLocking SUCESS");
        ShowOverclockedPages();
    } else if (lParam == 0) {
        if (!m_bExiting) ShowNotice(nullptr, Lang(L"STR_REMINDER"), FailureText(L"STR_JSSB", L"STR_HINTRETRY"), 0);
        UpdateStatus(STATUS_OVERCLOCK_INIT);
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
    if (!m_bExiting) {
        // Titled and worded like every other notice, in the user's language.
        ShowNotice(nullptr, Lang(L"STR_TITLE"), FailureText(L"STR_RESTOREFAILED", L"STR_HINTRESTART"), 0);
    }
    return 0;
}

void CMainFrame::CloseWindow() {
    m_bClosing = true;
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
}

bool CMainFrame::IsRunInFlight() {
    LONG status = GetAppState().nStatus;
    return status == STATUS_OVERCLOCK_ING || status == STATUS_REOVERCLOCK_ING;
}

bool CMainFrame::WaitForRunToEnd(DWORD timeoutMs) {
    static_assert(UM_RESTORE_FINISH == UM_OVERCLOCK_FINISH + 1, "one message range for both results");
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, m_hWnd, UM_OVERCLOCK_FINISH, UM_RESTORE_FINISH, PM_REMOVE))
            ::DispatchMessageW(&msg);
        if (!IsRunInFlight()) return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        DWORD left = timeoutMs - elapsed;
        // Wakes for newly posted messages; the cap covers one posted while peeking.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 100 ? left : 100, QS_POSTMESSAGE);
    }
}

// ---------------------------------------------------------------- CPU dial table

bool CMainFrame::Read_CPU_List() {
    CControlUI* found = m_PaintManager.FindControl(L"hl_CPU_List");
    CContainerUI* list = found ? static_cast<CContainerUI*>(found->GetInterface(L"Container")) : nullptr;
    if (!list) return false;
    for (int i = 0; i < list->GetCount(); ++i) {
        CControlUI* item = list->GetItemAt(i);
        if (!item) continue;
        CDuiString text = item->GetText();
        VLOG("%S", text.GetData());
        CpuCustomData entry;
        if (CCpuDialTable::ParseRecord(text.GetData(), entry)) m_dialTable.Append(entry);
    }
    return true;
}

bool CMainFrame::FindCPUData(const std::wstring& model, CpuCustomData& entry) const {
    return m_dialTable.Find(model, entry);
}

void CMainFrame::PrintCPUData(const CpuCustomData& d) const {
    vt::DebugTrace(L"\r\nstrCPU_Model : %s", d.strCPU_Model.c_str());
    vt::DebugTrace(L"\r\nfloatDefaultFrenquency : %0.2f", d.floatDefaultFrenquency);
    vt::DebugTrace(L"\r\nfloatTurboFrenquency : %0.2f", d.floatTurboFrenquency);
    vt::DebugTrace(L"\r\nfloatOverclockingFrenquencyLimit : %0.2f", d.floatOverclockingFrenquencyLimit);
    vt::DebugTrace(L"\r\nfloatScale1_Start : %0.2f", d.floatScale1_Start);
    vt::DebugTrace(L"\r\nfloatScale1_End : %0.2f", d.floatScale1_End);
    vt::DebugTrace(L"\r\nfloatScale2_Start : %0.2f", d.floatScale2_Start);
    vt::DebugTrace(L"\r\nfloatScale2_End : %0.2f", d.floatScale2_End);
    vt::DebugTrace(L"\r\niAngle_Start : %d", d.iAngle_Start);
    vt::DebugTrace(L"\r\niAngle_DefaultFrenquency : %d", d.iAngle_DefaultFrenquency);
    vt::DebugTrace(L"\r\niAngle_TurboFrenquency : %d", d.iAngle_TurboFrenquency);
    vt::DebugTrace(L"\r\niAngle_OverclockingFrenquencyLimit : %d", d.iAngle_OverclockingFrenquencyLimit);
    vt::DebugTrace(L"\r\niAngle_End : %d", d.iAngle_End);
    vt::DebugTrace(L"\r\nstrImgBg : %s", d.strImgBg.c_str());
    vt::DebugTrace(L"\r\nstrImgPointer : %s", d.strImgPointer.c_str());
}

bool CMainFrame::InitCustomData(const std::wstring& model) {
    if (model.empty()) return false;
    CpuCustomData entry;
    if (!FindCPUData(model, entry)) return false;
    PrintCPUData(entry);

    unsigned skipped = m_dialTable.BuildAngles(entry);
    if (skipped & CCpuDialTable::kOutOfRange)
        VLOG("dial table entry %S: frequencies out of range, no angle table", entry.strCPU_Model.c_str());
    if (skipped & CCpuDialTable::kSkippedToDefault)
        VLOG("dial table entry %S: pass to the default frequency skipped (D = 0)", entry.strCPU_Model.c_str());
    if (skipped & CCpuDialTable::kSkippedToLimit)
        VLOG("dial table entry %S: pass from the default to the limit skipped (L = D)", entry.strCPU_Model.c_str());

    if (m_pLabelMarks) m_pLabelMarks->SetBkImage(entry.strImgBg.c_str());
    if (m_pPanel && m_pPanel->m_sPointImage != entry.strImgPointer.c_str()) {
        m_pPanel->m_sPointImage = entry.strImgPointer.c_str();
        m_pPanel->m_bPointImageChanged = true;
        m_pPanel->Invalidate();
    }
    AppState& state = GetAppState();
    // A run on the worker may read the entry as soon as the flag is up.
    state.stCustomData = entry;
    state.g_bThisCPUHaveCustomData.store(true, std::memory_order_release);
    return true;
}

bool CMainFrame::GetAngleByFrequency(float floatFrequency, int& angle) const {
    int found = 0;
    const bool known = m_dialTable.AngleOf(floatFrequency, found);
    wchar_t answer[128];
    if (known)
        _snwprintf(answer, 127, L"\r\n%0.2f : %d\r\n", floatFrequency, found);
    else
        _snwprintf(answer, 127, L"\r\n%0.2f not found !\r\n", floatFrequency);
    answer[127] = 0;
    // The entry line and the answer reach the debugger in one call, the same
    // text as two: every reading comes through here, and under Wine each call
    // raises an exception and asks the wineserver for a listener's buffer.
    vt::DebugTrace(L"\r\nCMainFrame::GetAngleByFrequency Enter : floatFrequency : %0.2f !\r\n%s", floatFrequency,
                   answer);
    VLOG("%S", answer);
    if (known) angle = found;
    return known;
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
    if (IsRunInFlight()) {
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
    AddToTray(true);
    if (restore) {
        VLOG("INIT STATUE is STATUS_OVERCLOCK_OK ");
        DoHandle();
    }
    VLOG("CMainFrame::InitViewInfo Exit");
}

void CMainFrame::SetPanel(std::wstring strFrequency, bool bDefault) {
    VLOG("CMainFrame::SetPanel: strFrequency=%S", strFrequency.c_str());
    int offset;
    if (GetAppState().g_bThisCPUHaveCustomData) {
        float f = strFrequency.empty() ? 0.0f : (float)_wtof(strFrequency.c_str());
        VLOG("CMainFrame::SetPanel: floatFrequency=%0.2f", f);
        int angle = 0;
        if (!GetAngleByFrequency(f, angle)) return;
        offset = angle + 30;
    } else {
        // Texts shorter than " d.d" have no tenths digit to read: offset 0.
        int nImageNum = 0;
        if (strFrequency.size() >= 4) nImageNum = 10 * strFrequency[1] + strFrequency[3] - 528;
        VLOG("CMainFrame::SetPanel: nImageNum=%d", nImageNum);
        offset = nImageNum * 4;
    }
    if (bDefault) {
        VLOG("SetDefaultAngle : %d", offset);
        if (m_pPanel) m_pPanel->SetDefaultAngle(offset);
        m_bPanelDefaultSet = true;
    }
    if (m_bPanelDefaultSet) {
        VLOG("SetEndAngle:%d", offset);
        if (m_pPanel) {
            // The dial starts no walk where the pointer stays, and none while
            // the window is hidden, minimised or covered.
            m_pPanel->m_nStep = 1;
            m_pPanel->WalkTo(offset);
        }
    }
}

LRESULT CMainFrame::OnNotifyFrequencyChange(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const std::atomic<double>* own = CCpuMonitorThread::CurrentFrequency();
    if (wParam != reinterpret_cast<WPARAM>(own)) {
        VLOG("UM_FREQUENCY_CHANGE ignored: wParam is not the monitor's reading");
        return 0;
    }
    double f = own->load();
    std::wstring t = Format(L" %.1fGHz", f);
    VLOG("CMainFrame::FrequencyChange: %S", t.c_str());
    if (m_pPanel) m_pPanel->SetAccessibleValue(Format(L"%.1f GHz", f).c_str());
    SetPanel(t, false);
    UsbKeySetFq((float)(f * 1000.0));
    return 0;
}

// ---------------------------------------------------------------- tray and exit

NOTIFYICONDATAW CMainFrame::TrayIconData() const {
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = GetAppState().hMainWnd ? GetAppState().hMainWnd : m_hWnd;
    nid.uID = kTrayIconId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = UM_TRAY_NOTIFY;
    LONG status = GetAppState().nStatus;
    HINSTANCE inst = CPaintManagerUI::GetInstance();
    if (status == STATUS_OVERCLOCK_ING || status == STATUS_OVERCLOCK_OK)
        nid.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(kIconOverclocked));
    else if (status == STATUS_OVERCLOCK_INIT || status == STATUS_REOVERCLOCK_ING)
        nid.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(kIconNormal));
    lstrcpynW(nid.szTip, kTrayTip, 128);
    return nid;
}

// Adding goes to the tray icon's worker and counts as done: the window must
// not wait for the shell. Removing is done before returning, since exit
// follows it.
BOOL CMainFrame::AddToTray(bool bAdd) {
    if (bAdd) {
        m_trayIcon.ReplaceLater(TrayIconData());
        return TRUE;
    }
    BOOL deleted = m_trayIcon.Remove(TrayIconData());
    VLOG("::Shell_NotifyIcon(NIM_DELETE,&nid); %s", deleted ? "Successful" : "Faild");
    return deleted;
}

void CMainFrame::ExitApp() {
    // Every way out comes here. The window goes at once; the processor is
    // settled first: a run in flight ends, then "stopover" may ask for the
    // restore. Only then does the window close.
    if (m_bExitWaitingForRun) {
        VLOG("[ExitApp] already waiting for the run to end (status %d)", (int)GetAppState().nStatus);
        return;
    }
    m_bExiting = true;
    ShowWindow(false, true);
    if (IsRunInFlight()) {
        VLOG("[ExitApp] a run is in progress (status %d), waiting up to %lu ms for it to end",
             (int)GetAppState().nStatus, kExitWaitMs);
        if (!WaitForRunToEnd(kExitWaitMs)) {
            WaitOnForRun();
            return;
        }
        VLOG("[ExitApp] the run ended with status %d", (int)GetAppState().nStatus);
    }
    FinishExit();
}

void CMainFrame::FinishExit() {
    if (IsStopOverOn() && GetAppState().nStatus == STATUS_OVERCLOCK_OK && !m_bExitRestoreTried) {
        m_bExitRestoreTried = true;
        AddToTray(false);
        VLOG("--------------ExitRecover-----------");
        DoHandle();
        if (!WaitForRunToEnd(kExitWaitMs)) {
            WaitOnForRun();
            return;
        }
        LogExitRestoreOutcome();
    } else {
        VLOG("------Mainframe :: Close--------- ");
    }
    CloseWindow();
    VLOG("--------------ExitAPP end-----------");
}

void CMainFrame::LogExitRestoreOutcome() {
    if (GetAppState().nStatus == STATUS_OVERCLOCK_INIT) VLOG("[ExitApp] the processor is back at its defaults");
    else VLOG("[ExitApp] the restore failed: the processor stays overclocked");
}

void CMainFrame::WaitOnForRun() {
    // The worker may be inside the vendor's apply: leaving now would end it
    // mid-way (the process's end ends every thread), leaving the processor
    // partly changed and the library's locks held. The window stays, says
    // what it is doing, and the exit goes on when the run's result arrives.
    VLOG("[ExitApp] the run did not end within %lu ms (status %d): waiting for it, the window says so", kExitWaitMs,
         (int)GetAppState().nStatus);
    m_bExitWaitingForRun = true;
    m_dwExitWaitStart = ::GetTickCount() - kExitWaitMs;
    const bool puttingBack = GetAppState().nStatus == STATUS_REOVERCLOCK_ING || IsStopOverOn();
    const wchar_t* key = puttingBack ? L"STR_EXITRESTORING" : L"STR_EXITFINISHING";
    if (CControlUI* label = m_PaintManager.FindControl(puttingBack ? L"labelBackToStock" : L"labelRaising"))
        label->SetText(Lang(key).c_str());
    if (m_pLabelStatusTab) m_pLabelStatusTab->SelectItem(puttingBack ? 3 : 1);
    ShowWindow(true, true);
    VLOG("[ExitApp] the window shows %S", key);
    ::SetTimer(m_hWnd, TIMER_EXIT_WAIT, kExitWaitMs, nullptr);
}

void CMainFrame::ContinueExitAfterRun() {
    if (!m_bExitWaitingForRun || IsRunInFlight()) return;
    m_bExitWaitingForRun = false;
    ::KillTimer(m_hWnd, TIMER_EXIT_WAIT);
    VLOG("[ExitApp] the run ended with status %d", (int)GetAppState().nStatus);
    if (m_bExitRestoreTried) {
        LogExitRestoreOutcome();
        CloseWindow();
        VLOG("--------------ExitAPP end-----------");
        return;
    }
    FinishExit();
}

void CMainFrame::ExitBeforeSessionEnd() {
    LONG status = GetAppState().nStatus;
    const bool settling = IsRunInFlight() || (IsStopOverOn() && status == STATUS_OVERCLOCK_OK);
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
    if (held && !m_bExitWaitingForRun) ::ShutdownBlockReasonDestroy(m_hWnd);
}

void CMainFrame::ReadRatioStateAfterResume() {
    if (IsRunInFlight()) {
        VLOG("[Resume] a run is in progress: its result is what the processor holds");
        return;
    }
    // On the worker, like every other SDK call: a tuning service slow to come
    // back from sleep must not freeze the window. The worker is started as
    // for a run.
    if (m_bSdkReady && !m_overClockThread.ThreadHandle() && !m_overClockThread.Start(m_hWnd))
        VLOG("overclock worker not started");
    if (!m_overClockThread.RequestRatioStateRead()) VLOG("[Resume] the overclock worker is not running: nothing read");
}

LRESULT CMainFrame::OnRatioStateRead(WPARAM wParam) {
    const std::atomic<COverClockThread::RatioState>* own = m_overClockThread.RatioStateRecord();
    if (wParam != reinterpret_cast<WPARAM>(own)) {
        VLOG("UM_RATIO_STATE_READ ignored: wParam is not the worker's reading");
        return 0;
    }
    if (IsRunInFlight()) {
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
    AddToTray(false);
    HWND hWnd = GetAppState().hMainWnd;
    if (hWnd) ::UnregisterHotKey(hWnd, kHotKeyId);
    m_ocWmiEvent.Stop();
    m_cpuMonitorThread.Stop(2000);
    // Nothing may call into this window once it is gone, and nothing may use
    // the update client's libraries once the program returns.
    m_usbKey.Release();
    CloseUpdateWindow();
}

LRESULT CMainFrame::OnTrayNotify(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    // Version 4, asked for with every add: the event in the low word, the
    // icon's id in the high word and the point to open at in wParam. A shell
    // that kept the old form sends the mouse message alone.
    if (HIWORD(lParam) != kTrayIconId) {
        if (lParam == WM_LBUTTONDOWN) ShowFromTray(false);
        else if (lParam == WM_RBUTTONDOWN) ShowTrayMenu(m_hWnd);
        return 0;
    }
    switch (LOWORD(lParam)) {
        case NIN_SELECT: ShowFromTray(false); break;
        case NIN_KEYSELECT: ShowFromTray(true); break;
        case WM_CONTEXTMENU: ShowTrayMenuAtIcon(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}); break;
        default: break;
    }
    return 0;
}

void CMainFrame::ShowFromTray(bool byKey) {
    VLOG("tray icon chosen by %s: window shown", byKey ? "key" : "click");
    ShowWindow(true, true);
    g_bMainWndVisible = true;
    ::SetForegroundWindow(m_hWnd);
}

void CMainFrame::ShowTrayMenuAtIcon(POINT anchor) {
    // The shell tells a right click from Shift+F10 or the menu key on the
    // icon only by where it puts the point: at the pointer for a click, at
    // the icon for a key. Away from the pointer the menu is being driven by
    // keyboard, so its first row is selected for the arrows.
    POINT cursor = {0, 0};
    ::GetCursorPos(&cursor);
    const bool byKey = std::abs(cursor.x - anchor.x) > ::GetSystemMetrics(SM_CXDRAG) ||
                       std::abs(cursor.y - anchor.y) > ::GetSystemMetrics(SM_CYDRAG);
    VLOG("tray menu opened at the icon (%ld,%ld) by %s", anchor.x, anchor.y, byKey ? "key" : "click");
    TrayMenuOpening how;
    how.at = &anchor;
    how.fromKeyboard = byKey;
    // Esc hands the focus back where it came from: the icon.
    how.escapeNotice = UM_TRAY_MENU_ESCAPED;
    ShowTrayMenu(m_hWnd, how);
}

LRESULT CMainFrame::OnMenuClick(UINT, WPARAM wParam, LPARAM, BOOL&) {
    switch (wParam) {
        case kMenuRowSettings: ShowSettingDlg(); break;
        case kMenuRowShowWindow: {
            // A minimised window counts as hidden: the row brings it back
            // restored and in front rather than hiding it.
            const bool shown = IsShownToUser();
            if (shown) VLOG("\r\nbShow true\r\n");
            else VLOG("\r\nbShow false\r\n");
            if (shown) {
                ShowWindow(false, true);
            } else {
                BringForward(m_hWnd);
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

bool CMainFrame::IsShownToUser() const { return ::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd); }

void CMainFrame::ShowTrayMenu(HWND owner, const TrayMenuOpening& how) {
    // The "Show Window" row is ticked by what the user sees now, however the
    // window got there (minimise button, tray, another copy, the corner).
    g_bMainWndVisible = IsShownToUser();
    CMenuTask::ShowTrayMenu(owner, how);
}

void CMainFrame::ShowTrayMenuFromKeyboard() {
    // Below the focused control, as Windows places a context menu opened
    // with Shift+F10; the window's corner when nothing has the focus.
    RECT at = {0, 0, 0, 0};
    if (CControlUI* focus = m_PaintManager.GetFocus()) at = focus->GetPos();
    POINT pt = {at.left, at.bottom};
    ::ClientToScreen(m_hWnd, &pt);
    TrayMenuOpening how;
    how.at = &pt;
    how.fromKeyboard = true;
    ShowTrayMenu(m_hWnd, how);
}

void CMainFrame::ShowSettingDlg() {
    // The tray menu stays reachable while the dialog runs modally: a second
    // dialog would nest its own modal loop and enable this window again
    // under the first one when it closes.
    if (m_pSettingDlg) {
        BringForward(m_pSettingDlg->GetHWND());
        ::SetForegroundWindow(m_pSettingDlg->GetHWND());
        VLOG("settings dialog already open");
        return;
    }
    CSettingDlg* dlg = new CSettingDlg;
    m_pSettingDlg = dlg;
    dlg->InitWinParam(L"Velotune_xml\\setting_wnd.xml");
    if (!dlg->Create(m_hWnd, L"SettingWnd", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 420, 260, nullptr)) {
        VLOG("settings dialog not created");
    } else {
        dlg->CenterWindow();
        dlg->ShowModal();
    }
    m_pSettingDlg = nullptr;
    delete dlg;
}
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

void CMainFrame::KeepInWorkArea() {
    RECT work, rc;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !::GetWindowRect(m_hWnd, &rc)) return;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    bool moved = false;
    if (rc.left < work.left) { rc.left = work.left; rc.right = work.left + w; moved = true; }
    if (rc.top < work.top) { rc.top = work.top; rc.bottom = work.top + h; moved = true; }
    if (rc.right > work.right) { rc.right = work.right; rc.left = work.right - w; moved = true; }
    if (rc.bottom > work.bottom) { rc.bottom = work.bottom; rc.top = work.bottom - h; moved = true; }
    if (moved) ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, w, h, SWP_SHOWWINDOW);
}

bool CMainFrame::CornerOfWorkArea(RECT& rc) const {
    RECT work;
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !::GetWindowRect(m_hWnd, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    rc = RECT{work.right - w, work.bottom - h, work.right, work.bottom};
    return true;
}

void CMainFrame::PlaceAtCorner() {
    // Before the window is first shown: its first frame is painted where it
    // stays. The update check's answer (UM_SHOW_AT_CORNER) comes only after
    // that frame, and then finds it already there.
    RECT rc;
    if (CornerOfWorkArea(rc))
        ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::ShowAtCorner() {
    RECT rc;
    if (!CornerOfWorkArea(rc)) return;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
    ShowWindow(true, true);
}

void CMainFrame::BringToFront() { BringForward(m_hWnd); }

void CMainFrame::BringForward(HWND hwnd) {
    if (!::IsWindow(hwnd)) return;
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

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
        if (link) CWebLink::Open(link->GetUserData().Str());
    } else if (is(L"btn_min")) {
        ShowWindow(false, true);
        g_bMainWndVisible = false;
    }
    WindowImplBaseNew::ClickNotify(msg);
}

LRESULT CMainFrame::OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (wParam == TIMER_EXIT_WAIT) {
        VLOG("[ExitApp] the run has not ended after %lu ms (status %d): still waiting for it before closing",
             ::GetTickCount() - m_dwExitWaitStart, (int)GetAppState().nStatus);
        return 0;
    }
    if (wParam == TIMER_HOVER) {
        RECT rc;
        POINT pt;
        const bool inside = IsShownToUser() && ::GetWindowRect(m_hWnd, &rc) && ::GetCursorPos(&pt) &&
                            rc.left - 2 <= pt.x && pt.x <= rc.right + 2 && rc.top - 2 <= pt.y && pt.y <= rc.bottom + 2;
        if (m_pBtnMin && m_pBtnMin->IsVisible() != inside) m_pBtnMin->SetVisible(inside);
        if (!inside) {
            // Hidden, minimised or with the pointer away, nothing can change
            // until a move over the window, or the window shown or moved,
            // starts the timer again; meanwhile it would only wake the
            // program twice a second.
            ::KillTimer(m_hWnd, TIMER_HOVER);
            m_bHoverTimerOn = false;
        }
    }
    return WindowImplBaseNew::OnTimer(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (!m_bClosing) {
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
            OnOverLocking(uMsg, wParam, lParam, bHandled);
            ContinueExitAfterRun();
            return 0;
        case UM_RESTORE_FINISH:
            OnRecoverOverLocking(uMsg, wParam, lParam, bHandled);
            ContinueExitAfterRun();
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
        case UM_SDK_INIT_BEGIN: return OnSdkInitBegin(uMsg, wParam, lParam, bHandled);
        case UM_SDK_INIT_FINISH: return OnSdkInitFinish(uMsg, wParam, lParam, bHandled);
        case UM_WMI_EVENT:
        case UM_USBKEY_EVENT: DoHandle(); return 0;
        case UM_SETFOREGROUNDWINDOW: BringToFront(); return 1;
        case UM_SHOW_TRAY_MENU: ShowTrayMenu(m_hWnd); return 1;
        case UM_TRAY_MENU_ESCAPED: m_trayIcon.GiveFocusLater(TrayIconData()); return 0;
        case DuiLib::DUI_MSG_MENU_CLICK: return OnMenuClick(uMsg, wParam, lParam, bHandled);
        default: break;
    }
    return WindowImplBaseNew::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrame::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg != 0 && uMsg == TaskbarCreatedMessage()) {
        BOOL added = m_trayIcon.ReplaceNow(TrayIconData());
        VLOG("TaskbarCreated: tray icon added again: %s", added ? "Successful" : "Faild");
        return 0;
    }
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
        case WM_NCRBUTTONUP: ShowTrayMenu(m_hWnd); break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ExitApp();
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGED:
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
            if (!m_bHoverTimerOn && IsShownToUser())
                m_bHoverTimerOn = ::SetTimer(m_hWnd, TIMER_HOVER, 500, nullptr) != 0;
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
                VLOG("CMainFrame::HandleMessage WM_POWERBROADCAST resume (%u)", (unsigned)wParam);
                ReadRatioStateAfterResume();
            }
            break;
        case WM_HOTKEY: {
            BOOL handled = TRUE;
            OnHotKey(uMsg, wParam, lParam, handled);
            break;
        }
        default: break;
    }
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

// ---------------------------------------------------------------- "/RestoreOverclocking"

CMainFrame::RestoreOutcome CMainFrame::RestoreDefaultsWithoutWindow() {
    VLOG("[RestoreOverclocking] bringing the tuning SDK up");
    switch (IOverClockSdkInterface::Instance()->BringUpSdk()) {
        case IOverClockSdkInterface::BringUp::Ready: break;
        case IOverClockSdkInterface::BringUp::NoLibrary:
            VLOG("[RestoreOverclocking] the tuning SDK library cannot be loaded");
            return RestoreOutcome::SdkUnavailable;
        case IOverClockSdkInterface::BringUp::NoRoot:
            VLOG("[RestoreOverclocking] the tuning SDK has no interface");
            return RestoreOutcome::SdkUnavailable;
        case IOverClockSdkInterface::BringUp::NotInitialised:
            VLOG("[RestoreOverclocking] the tuning SDK did not initialise");
            return RestoreOutcome::SdkUnavailable;
    }
    VLOG("[RestoreOverclocking] restoring the default core ratios");
    GetAppState().nStatus = STATUS_REOVERCLOCK_ING;
    bool ok = m_overClockThread.Overclocking(false);
    if (ok) {
        VLOG("[RestoreOverclocking] defaults restored");
    } else if (m_overClockThread.ReadCoreRatioState() == COverClockThread::RatioState::AtDefaults) {
        // Refused, but there was nothing to restore.
        VLOG("[RestoreOverclocking] nothing restored: the processor is at its defaults");
        ok = true;
    } else {
        VLOG("[RestoreOverclocking] restore failed");
    }
    GetAppState().nStatus = ok ? STATUS_OVERCLOCK_INIT : STATUS_OVERCLOCK_OK;
    return ok ? RestoreOutcome::AtDefaults : RestoreOutcome::Failed;
}

#pragma once
// The program's one main window: the status machine behind the one-click
// action, the speed dial fed by the frequency monitor, the tray icon, and
// the tuning workers it owns.
#include <windows.h>

#include <string>

#include "duilib/DialogBuilderCallback.h"
#include "duilib/NotifyPump.h"
#include "duilib/WindowImplBaseNew.h"
#include "mainframe/CpuDialTable.h"
#include "mainframe/OcWmiEventBinding.h"
#include "mainframe/MenuTask.h"
#include "mainframe/TrayIcon.h"
#include "tuning/CpuInfo.h"
#include "tuning/CpuMonitorThread.h"
#include "tuning/GetCpuInfoThread.h"
#include "tuning/OverClockThread.h"
#include "usbkey/ZozeDEMgr.h"

namespace DuiLib {
class CControlUI;
class CTabLayoutUI;
class CSpeedPanleUI;
}  // namespace DuiLib
class CSettingDlg;

class CMainFrame : public DuiLib::WindowImplBaseNew,
                   public DuiLib::IDialogBuilderCallback,
                   public DuiLib::CNotifyPump {
public:
    static constexpr UINT TIMER_HOVER = 1235;
    static constexpr UINT TIMER_EXIT_WAIT = 1236;  // every 10 s while the exit waits for a run
    static constexpr UINT kTrayIconId = 108;
    static constexpr int kHotKeyId = 0x5000;

    CMainFrame();
    ~CMainFrame() override;

    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;

    void DoHandle();
    void UpdateStatus(int nStatus);
    void ExitApp();
    BOOL AddToTray(bool bAdd);

    bool Read_CPU_List();
    bool FindCPUData(const std::wstring& model, CpuCustomData& entry) const;
    bool InitCustomData(const std::wstring& model);
    bool GetAngleByFrequency(float floatFrequency, int& angle) const;
    void PrintCPUData(const CpuCustomData& entry) const;
    void InitViewInfo(CpuInfo stInfo);
    void SetPanel(std::wstring strFrequency, bool bDefault);

    // Moves the window, not yet shown, to the corner of the work area where
    // the update check's answer puts it.
    void PlaceAtCorner();

    // "/RestoreOverclocking": brings the SDK up and puts every core ratio
    // back to its default on the calling thread, without a window.
    enum class RestoreOutcome { AtDefaults, Failed, SdkUnavailable };
    RestoreOutcome RestoreDefaultsWithoutWindow();

protected:
    LPCWSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void InitAfterCreate() override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnTimer(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void ClickNotify(DuiLib::TNotifyUI& msg) override;

    virtual void OnReturnNotify(DuiLib::TNotifyUI& msg);
    virtual void OnDropDownNotify(DuiLib::TNotifyUI& msg);
    virtual void KeepInWorkArea();
    virtual LRESULT OnHotKey(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnMenuClick(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnGetCPUInfoFinish(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnOverLocking(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnRecoverOverLocking(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnNotifyFrequencyChange(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnTrayNotify(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSdkInitBegin(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    virtual LRESULT OnSdkInitFinish(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

    // The texts and tooltips of the layout's controls, in the chosen language.
    void InitLanguageText();

private:
    void InitServices();
    void InitAfterFirstFrame();
    void StartWorkers();
    // Ctrl+Alt+the stored key on this window; the "STR_KJJCT" notice when
    // another program holds it.
    bool RegisterGlobalHotKey();
    static UINT HotKeyCode();
    void Cleanup();
    void ShowOverclockedPages();  // the effects of UpdateStatus(2), as the finish handlers inline them
    void SelectPages(int page);
    // The one place that closes the window; every other way out is ExitApp.
    void CloseWindow();
    static bool IsRunInFlight();
    // Handles only the worker's result messages until no run is in flight;
    // false when the run is still going after `timeoutMs`.
    bool WaitForRunToEnd(DWORD timeoutMs);
    // The exit after any run in flight: the restore "stopover" asks for, then the close.
    void FinishExit();
    void LogExitRestoreOutcome();
    // A run outlasted the exit's wait: the window shows that the exit waits
    // for it, and the log says so every 10 s, until its result arrives.
    void WaitOnForRun();
    // After a run's result: the exit that waited for it goes on.
    void ContinueExitAfterRun();
    // WM_QUERYENDSESSION: the exit, done before the answer, with the
    // shutdown held (and its reason shown) while the processor is settled.
    void ExitBeforeSessionEnd();
    // After a resume from sleep the board may have dropped tuned values: the
    // worker reads the ratios, and the window shows what it found.
    void ReadRatioStateAfterResume();
    LRESULT OnRatioStateRead(WPARAM wParam);
    void BringToFront();
    // Restored and raised above other windows, without staying topmost.
    static void BringForward(HWND hwnd);
    void ShowTrayMenu(HWND owner, const TrayMenuOpening& how = TrayMenuOpening());
    // Visible and not minimised.
    bool IsShownToUser() const;
    void ShowTrayMenuFromKeyboard();
    // The tray icon's own events: chosen (click, Enter or Space) and its
    // context menu, opened at the point the shell gives.
    void ShowFromTray(bool byKey);
    void ShowTrayMenuAtIcon(POINT anchor);
    void ShowSettingDlg();
    void OnRebootPrompt();
    void ShowAtCorner();
    // The window's rectangle moved to the bottom right of the work area.
    bool CornerOfWorkArea(RECT& rc) const;
    // The tray icon as the current status shows it.
    NOTIFYICONDATAW TrayIconData() const;
    // The USB overclock key is told of every state and frequency change.
    void UsbKeySetOverLockState(int state) { m_usbKey.SetOverLockState(state); }
    void UsbKeySetFq(float fq) { m_usbKey.SetFq(fq); }

    DuiLib::CControlUI* m_pLabelTitle = nullptr;
    DuiLib::CControlUI* m_pOveringBtn = nullptr;
    DuiLib::CControlUI* m_pRecoveringlb = nullptr;
    DuiLib::CControlUI* m_pDoOverBtn = nullptr;
    DuiLib::CControlUI* m_pRecoverBtn = nullptr;
    DuiLib::CControlUI* m_pLinkZIZBtn = nullptr;
    DuiLib::CControlUI* m_pLinkBuyBtn = nullptr;
    DuiLib::CTabLayoutUI* m_pButtonStatusTab = nullptr;
    DuiLib::CTabLayoutUI* m_pLabelStatusTab = nullptr;
    DuiLib::CControlUI* m_pBtnMin = nullptr;
    DuiLib::CControlUI* m_pLabelMarks = nullptr;
    DuiLib::CSpeedPanleUI* m_pPanel = nullptr;

    CSettingDlg* m_pSettingDlg = nullptr;  // while its modal loop runs
    bool m_bExiting = false;           // ExitApp has begun: no notices, the window goes
    bool m_bClosing = false;           // WM_CLOSE is the program's own
    bool m_bExitRestoreTried = false;  // the restore at exit is tried once
    bool m_bExitWaitingForRun = false;  // the exit waits, without a deadline, for a run's result
    DWORD m_dwExitWaitStart = 0;        // when the exit began waiting for that run
    bool m_bPanelDefaultSet = false;
    bool m_bHoverTimerOn = true;  // TIMER_HOVER runs; stopped while the window is unseen or the pointer away
    bool m_bSdkReady = false;  // the overclock worker may be started
    bool m_bStartedAfterFirstFrame = false;  // tray, libraries, update window, CPU reader
    CCpuMonitorThread m_cpuMonitorThread;
    COcWmiEventBinding m_ocWmiEvent;
    CZozeDEMgr m_usbKey;
    CGetCpuInfoThread m_getCpuInfoThread;
    COverClockThread m_overClockThread;
    CCpuDialTable m_dialTable;
    CTrayIcon m_trayIcon;
};

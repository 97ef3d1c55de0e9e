#pragma once
// The program's one main window: the status machine behind the one-click
// action, the speed dial fed by the frequency monitor, the tray icon, and
// the tuning workers it owns.
#include <windows.h>

#include <functional>
#include <string>

#include "duilib/DialogBuilderCallback.h"
#include "duilib/NotifyPump.h"
#include "duilib/WindowImplBaseNew.h"
#include "mainframe/DialView.h"
#include "mainframe/ExitMachine.h"
#include "mainframe/HotKeyGate.h"
#include "mainframe/OcWmiEventBinding.h"
#include "mainframe/RemoteBridge.h"
#include "mainframe/MenuTask.h"
#include "mainframe/TrayCommands.h"
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

class CMainFrame : public DuiLib::WindowImplBaseNew,
                   public DuiLib::IDialogBuilderCallback,
                   public DuiLib::CNotifyPump,
                   private CExitMachine::IHost,
                   private CTrayCommands::IOwner {
public:
    static constexpr UINT TIMER_EXIT_WAIT = 1236;  // every 10 s while the exit waits for a run
    static constexpr int kHotKeyId = 0x5000;

    CMainFrame() = default;
    ~CMainFrame() override = default;

    DuiLib::CControlUI* CreateCustomControl(LPCWSTR pstrClass) override;

    void DoHandle();
    void UpdateStatus(int nStatus);
    void ExitApp();
    BOOL AddToTray(bool bAdd);

    bool Read_CPU_List();
    bool FindCPUData(const std::wstring& model, CpuCustomData& entry) const;
    bool InitCustomData(const std::wstring& model);
    bool GetAngleByFrequency(float floatFrequency, int& angle) const;
    void InitViewInfo(CpuInfo stInfo);
    void SetPanel(std::wstring strFrequency, bool bDefault);

    // Moves the window, not yet shown, to the corner of the work area where
    // the update check's answer puts it.
    void PlaceAtCorner();

    // Called once the window is gone, before any wait the user cannot see:
    // gives up the single-instance guard.
    void SetGuardRelease(std::function<void()> release) { m_releaseGuard = std::move(release); }
    // A reader held inside the SDK was left to end with the process: this
    // object must not be destroyed under it.
    bool ReadersLeftRunning() const { return m_bReadersLeft; }

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
    // The command pipe's requests take the path of a click (RemoteBridge.h).
    friend class CRemoteBridge;
    void InitServices();
    void InitAfterFirstFrame();
    void StartWorkers();
    // Ctrl+Alt+the stored key on this window; when another program holds
    // it, the status line says so until the first run.
    bool RegisterGlobalHotKey();
    static UINT HotKeyCode();
    void Cleanup();
    void ShowOverclockedPages();  // the effects of UpdateStatus(2), as the finish handlers inline them
    void SelectPages(int page);
    // Starts the overclock worker on first use, once the SDK is up.
    void EnsureWorker();
    // The exit's view of the window and the worker (ExitMachine.h). The
    // window is closed only through CloseWindow; every way out is ExitApp.
    bool ResultPending() const override { return m_bResultPending; }
    bool RestoreWanted() const override;
    bool StartRestore() override;
    bool AtDefaults() const override;
    bool WaitForResult(DWORD timeoutMs) override;
    void HideWindow() override;
    void RemoveTrayIcon() override;
    void ShowWaiting() override;
    void StopReminders() override;
    void CloseWindow() override;
    int Status() const override;
    // WM_QUERYENDSESSION: the exit, done before the answer, with the
    // shutdown held (and its reason shown) while the processor is settled.
    void ExitBeforeSessionEnd();
    // After a resume from sleep the board may have dropped tuned values: the
    // worker reads the ratios, and the window shows what it found.
    void ReadRatioStateAfterResume();
    LRESULT OnRatioStateRead(WPARAM wParam);
    void BringToFront();
    void ShowTrayMenuFromKeyboard();
    void ShowFromTray(bool byKey) override;
    void ShowSettingDlg();
    void OnRebootPrompt();
    void ShowAtCorner();
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
    DuiLib::CControlUI* m_pLabelMarks = nullptr;
    DuiLib::CSpeedPanleUI* m_pPanel = nullptr;

    // A run was asked of the worker and its result has not arrived: set when
    // the request is made, cleared when the result comes, never read from
    // the status.
    bool m_bResultPending = false;
    CExitMachine m_exit{*this};
    std::function<void()> m_releaseGuard;
    bool m_bReadersLeft = false;
    bool m_bSdkReady = false;  // the overclock worker may be started
    bool m_bSdkStarting = false;  // the CPU reader is bringing the SDK up: its answer is awaited
    CHotKeyGate m_hotKeyGate;
    bool m_bStartedAfterFirstFrame = false;  // tray, libraries, update window, CPU reader
    CCpuMonitorThread m_cpuMonitorThread;
    COcWmiEventBinding m_ocWmiEvent;
    CZozeDEMgr m_usbKey;
    CGetCpuInfoThread m_getCpuInfoThread;
    COverClockThread m_overClockThread;
    CDialView m_dialView;
    CTrayCommands m_tray{*this};
    CRemoteBridge m_remote{*this};
};

#pragma once
// The small update window: reports the update check's result, offers a new
// version, shows the download's progress and hands the finished installer to
// the main window. It owns the update thread (it is a base_thread too) and
// starts hidden; when the check finds nothing to do it asks the main window
// to show itself at the corner and closes without ever appearing.
#include <windows.h>

#include <atomic>
#include <set>
#include <memory>
#include <string>

#include "duilib/DuiString.h"
#include "duilib/WindowImplBaseNew.h"
#include "thread/BaseThread.h"
#include "base/Win32Owners.h"
#include "update/VerifiedInstaller.h"

namespace DuiLib {
class CControlUI;
class CTabLayoutUI;
class CAnimationUI;
class CProgressUI;
}  // namespace DuiLib
struct DownloadProgress;

class CWndManualUpdateClient : public DuiLib::WindowImplBaseNew, public base_thread {
public:
    CWndManualUpdateClient();
    ~CWndManualUpdateClient() override;

    // Makes a new hidden, centred update window, whose check starts at once;
    // the window deletes itself when it is gone. Null when it cannot be made.
    static CWndManualUpdateClient* Make();
    // True when wParam is the installer path the live update window handed
    // to the main window with UM_RUN_INSTALLER.
    static bool IsOwnInstallerPath(WPARAM wParam);
    // The verified installer the live update window handed over, once; null
    // when there is none.
    static std::unique_ptr<CVerifiedInstaller> TakeVerifiedInstaller();

    void Notify(DuiLib::TNotifyUI& msg) override;
    int Run() override;
    // The update thread asks the engine again every 2 s while it answers
    // "busy"; false once it has stopped.
    bool AsksAgain() const { return m_nTimerId != 0; }

protected:
    LPCWSTR GetWindowClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    void InitAfterCreate() override;
    void WindowInitNotify(DuiLib::TNotifyUI& msg) override;
    void ClickNotify(DuiLib::TNotifyUI& msg) override;

private:
    void OnCheckResult(int nResult);
    // The report is the caller's: null for the final one.
    void OnDownloadProgress(int nStatus, const DownloadProgress* pProgress);
    void OnDownloadEnd(int nStatus);
    void SetDestination();
    void MakeSemaphore();
    void SelectPage(DuiLib::CTabLayoutUI* tab, int page);
    void SetControlText(DuiLib::CControlUI* control, const wchar_t* key);
    static void PostToMainWindow(UINT uMsg, WPARAM wParam);
    // The update thread's two jobs.
    void CheckOnThread(WPARAM wParam);
    // The checks of a finished download; true when it may be handed over.
    bool VerifyOnThread();
    static void CALLBACK UpdateTimerProc(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);
    // Check results go out only through here, and only those taken back
    // count: another process can post the message with any result.
    void PostCheckResult(int nResult);
    bool TakeCheckResult(int nResult);

    DuiLib::CControlUI* m_pIconLab = nullptr;
    DuiLib::CControlUI* m_pMsgLab = nullptr;
    DuiLib::CControlUI* m_pDownMsgLab = nullptr;
    DuiLib::CProgressUI* m_pDownProgress = nullptr;
    DuiLib::CTabLayoutUI* m_pStateTab = nullptr;
    DuiLib::CTabLayoutUI* m_pOperTab = nullptr;
    DuiLib::CControlUI* m_pOkBtn = nullptr;
    DuiLib::CControlUI* m_pCancelBtn = nullptr;
    DuiLib::CControlUI* m_pCancelBtn1 = nullptr;
    DuiLib::CTabLayoutUI* m_pIconTab = nullptr;
    DuiLib::CAnimationUI* m_pAnimation = nullptr;

    DuiLib::CDuiString m_strLocalFile;
    DuiLib::CDuiString m_strUrl;
    std::atomic<bool> m_bCancel{false};
    int m_nState = 0;  // 0 nothing started, 1 downloading, 2 the download failed
    vt::UniqueHandle m_hSemaphore;
    bool m_bHoldSemaphore = false;  // read by the update thread; fixed before it starts
    std::atomic<UINT_PTR> m_nTimerId{0};  // set by the update thread only
    HWND m_hWndNotify = nullptr;  // this window, for the update thread
    vt::CriticalSection m_resultsLock;
    std::multiset<int> m_issuedResults;  // posted by the update thread, not yet handled
    bool m_bInstallerHandedOver = false;
    std::string m_strSha256;  // the engine's, for m_strUrl; the update thread's only
    // Why the last download was refused; written before the final report.
    UpdateRefusal m_refusal = UpdateRefusal::None;
    std::unique_ptr<CVerifiedInstaller> m_pInstaller;  // made by the update thread before its final report
    bool m_bDeleteOnFinal = false;
};

// Makes the update window once per run: 2 when it was made before (nothing
// is done), 0 when it was made now, 1 when it could not be made.
int CreateUpdateWindow();

// Ends the live update window and its thread, if there is one, before this
// returns: nothing of the update client may run on once the program ends.
// User-interface thread only.
void CloseUpdateWindow();

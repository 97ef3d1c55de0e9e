#include "update/WndManualUpdateClient.h"

#include <cwchar>
#include <string>

#include "base/AdminOnlySecurity.h"
#include "duilib/AnimationUI.h"
#include "duilib/ControlUI.h"
#include "duilib/ProgressUI.h"
#include "duilib/TabLayoutUI.h"
#include "log/BaseLog.h"
#include "settings/AppInfo.h"
#include "settings/Settings.h"
#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "update/InstallerFileName.h"
#include "update/P2spBinding.h"
#include "update/UpdateDownload.h"
#include "update/UpdateMessages.h"
#include "update/UpdateFolder.h"
#include "update/UpdateProcessor.h"
#include "update/VerifiedInstaller.h"

using namespace DuiLib;

namespace {

const wchar_t kSemaphoreName[] = L"Global\\{C036C271-72ED-4883-91A6-EF16D1D66388}orl2016";
const wchar_t kImageNewVersion[] = L"file='png/ICON_UPDATE_NEWVER.png' source='0,0,86,86' ";
const wchar_t kImageOk[] = L"file='png/ICON_UPDATE_OK.png' source='0,0,86,86' ";
constexpr UINT kRepeatCheckMs = 2000;
constexpr int kAnimationElapse = 100;

// The update thread's window, for its timer procedure.
CWndManualUpdateClient* s_pUpdateWnd = nullptr;

}  // namespace

CWndManualUpdateClient::CWndManualUpdateClient() = default;

CWndManualUpdateClient::~CWndManualUpdateClient() = default;

CWndManualUpdateClient* CWndManualUpdateClient::Make() {
    auto* wnd = new CWndManualUpdateClient;
    wnd->InitWinParam(L"Velotune_xml\\update_wnd.xml");
    if (!wnd->CreateDuiWindow(nullptr, L"PathwellUpdate", nullptr, WS_POPUP, WS_EX_TOOLWINDOW)) {
        VLOG("the update window could not be made");
        wnd->Stop(false);
        delete wnd;
        return nullptr;
    }
    wnd->m_bDeleteOnFinal = true;
    wnd->CenterWindow();
    wnd->ShowWindow(false, true);
    return wnd;
}

bool CWndManualUpdateClient::IsOwnInstallerPath(WPARAM wParam) {
    CWndManualUpdateClient* wnd = s_pUpdateWnd;
    return wnd && wnd->m_bInstallerHandedOver && !wnd->m_strLocalFile.IsEmpty() &&
           wParam == reinterpret_cast<WPARAM>(wnd->m_strLocalFile.GetData());
}

std::unique_ptr<CVerifiedInstaller> CWndManualUpdateClient::TakeVerifiedInstaller() {
    CWndManualUpdateClient* wnd = s_pUpdateWnd;
    if (!wnd || !wnd->m_bInstallerHandedOver) return nullptr;
    return std::move(wnd->m_pInstaller);
}

LPCWSTR CWndManualUpdateClient::GetWindowClassName() const { return L"VelotuneUpdate"; }

void CWndManualUpdateClient::Notify(TNotifyUI& msg) { WindowImplBaseNew::Notify(msg); }

void CWndManualUpdateClient::WindowInitNotify(TNotifyUI&) {}

// ---------------------------------------------------------------- start and end

void CWndManualUpdateClient::InitAfterCreate() {
    CPaintManagerUI& pm = m_PaintManager;
    m_pIconLab = pm.FindControl(L"iconlab");
    m_pMsgLab = pm.FindControl(L"msglab");
    m_pDownMsgLab = pm.FindControl(L"downmsg_lab");
    m_pDownProgress = FindControlAs<CProgressUI>(pm, L"down_progress", L"Progress");
    m_pStateTab = FindControlAs<CTabLayoutUI>(pm, L"state_tab", L"TabLayout");
    m_pOperTab = FindControlAs<CTabLayoutUI>(pm, L"oper_tab", L"TabLayout");
    m_pOkBtn = pm.FindControl(L"okbtn");
    m_pCancelBtn = pm.FindControl(L"cancelbtn");
    m_pCancelBtn1 = pm.FindControl(L"cancelbtn1");
    m_pIconTab = FindControlAs<CTabLayoutUI>(pm, L"icon_tab", L"TabLayout");
    m_pAnimation = FindControlAs<CAnimationUI>(pm, L"drv_item_anim", L"Animation");

    // Every text a user reads comes from the language file.
    SetControlText(pm.FindControl(L"titlelab"), L"STR_TITLE");
    SetControlText(m_pOkBtn, L"STR_UPDATA");
    SetControlText(m_pCancelBtn, L"STR_LATER");
    SetControlText(m_pCancelBtn1, L"STR_YES");  // "Cancel", while a download runs
    SetControlText(pm.FindControl(L"okbtn1"), L"STR_OK");

    if (m_pAnimation) m_pAnimation->SetVisible(true);
    if (m_pIconLab) m_pIconLab->SetVisible(false);
    if (m_pAnimation) m_pAnimation->StartAnimation(kAnimationElapse);
    SelectPage(m_pOperTab, 1);

    MakeSemaphore();
    CUpdateProcessor::Instance();
    m_hWndNotify = m_hWnd;
    s_pUpdateWnd = this;
    if (!Start()) {
        VLOG("the update thread did not start");
        return;
    }
    PostToThread(UM_UPDATE_CHECK, 0);
}

void CWndManualUpdateClient::MakeSemaphore() {
    // Only administrators may open ours. One that another process made
    // first (any user can) is not ours to hold, whoever made it.
    vt::AdminOnlySecurity security;
    vt::UniqueHandle made;
    if (security.Valid()) made.Reset(::CreateSemaphoreW(security.Attributes(), 0, 1, kSemaphoreName));
    const DWORD error = ::GetLastError();
    if (made && error == ERROR_ALREADY_EXISTS) {
        VLOG("update semaphore refused: another process made it first");
        made.Reset();
    } else if (!made) {
        VLOG("update semaphore refused: it could not be made (error %lu)", error);
    }
    m_bHoldSemaphore = made.Valid();
    m_hSemaphore = std::move(made);
}

void CWndManualUpdateClient::OnFinalMessage(HWND hWnd) {
    m_hSemaphore.Reset();
    // A download still running ends at its next poll instead of holding the
    // user-interface thread until it completes.
    m_bCancel = true;
    Stop(false);
    // Reports the thread posted that will never be handled.
    MSG msg;
    while (::PeekMessageW(&msg, hWnd, UM_UPDATE_PROGRESS, UM_UPDATE_PROGRESS, PM_REMOVE)) {
        if (msg.lParam) TakeDownloadProgress(msg.lParam);  // and frees it
        else TakeFinalReport(hWnd, static_cast<int>(msg.wParam));
    }
    if (s_pUpdateWnd == this) s_pUpdateWnd = nullptr;
    VLOG("update window closed");
    WindowImplBaseNew::OnFinalMessage(hWnd);
    if (m_bDeleteOnFinal) delete this;
}

// ---------------------------------------------------------------- update thread

int CWndManualUpdateClient::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == UM_UPDATE_CHECK) {
            CheckOnThread(msg.wParam);
        } else if (msg.hwnd == nullptr && msg.message == UM_UPDATE_DOWNLOAD) {
            m_pInstaller.reset();
            DownloadUpdate(CP2SPBinding::Instance(), m_hWndNotify, m_strUrl.Str(), m_strLocalFile.Str(), m_bCancel,
                           [this] { return VerifyOnThread(); });
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (m_nTimerId) ::KillTimer(nullptr, m_nTimerId);
    m_nTimerId = 0;
    return 0;
}

void CWndManualUpdateClient::CheckOnThread(WPARAM wParam) {
    char szUrl[CUpdateProcessor::kUrlBufferSize];
    int result = CUpdateProcessor::ManualCheckUpdate(m_bHoldSemaphore, szUrl);
    if (wParam == 0) {
        if (result == UPDATE_RESULT_NEW) {
            m_strUrl = szUrl;
            m_strSha256 = CUpdateProcessor::InstallerHash(szUrl);
        }
        if (result == UPDATE_RESULT_BUSY && m_nTimerId == 0)
            m_nTimerId = ::SetTimer(nullptr, 0, kRepeatCheckMs, &CWndManualUpdateClient::UpdateTimerProc);
        PostCheckResult(result);
    } else if (result == UPDATE_RESULT_COMPLETED) {
        PostCheckResult(result);
        if (m_nTimerId) ::KillTimer(nullptr, m_nTimerId);
        m_nTimerId = 0;
    }
}

void CWndManualUpdateClient::PostCheckResult(int nResult) {
    vt::LockGuard hold(m_resultsLock);
    auto issued = m_issuedResults.insert(nResult);
    if (!::PostMessageW(m_hWndNotify, UM_UPDATE_CHECK_RESULT, static_cast<WPARAM>(nResult), 0))
        m_issuedResults.erase(issued);
}

bool CWndManualUpdateClient::TakeCheckResult(int nResult) {
    vt::LockGuard hold(m_resultsLock);
    auto it = m_issuedResults.find(nResult);
    if (it == m_issuedResults.end()) return false;
    m_issuedResults.erase(it);
    return true;
}

bool CWndManualUpdateClient::VerifyOnThread() {
    m_pInstaller = CVerifiedInstaller::Verify(m_strLocalFile.Str(), m_strSha256, &m_refusal);
    return m_pInstaller != nullptr;
}

void CALLBACK CWndManualUpdateClient::UpdateTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD) {
    CWndManualUpdateClient* wnd = s_pUpdateWnd;
    if (!wnd || idEvent != wnd->m_nTimerId) return;
    wnd->PostToThread(UM_UPDATE_CHECK, 1);
}

// ---------------------------------------------------------------- window side

LRESULT CWndManualUpdateClient::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == UM_UPDATE_CHECK_RESULT) {
        // As with the progress reports: a forged "nothing new" would close
        // the window and a forged "new" would offer a download never checked.
        int result = static_cast<int>(wParam);
        if (TakeCheckResult(result)) OnCheckResult(result);
        else VLOG("UM_UPDATE_CHECK_RESULT ignored: not from the update thread");
        return 0;
    }
    if (uMsg == UM_UPDATE_PROGRESS) {
        // Only the update thread's own reports count, in every state: a
        // forged end would hand a partial file to the main window.
        int status = static_cast<int>(wParam);
        std::unique_ptr<DownloadProgress> record = TakeDownloadProgress(lParam);
        if (record || (lParam == 0 && TakeFinalReport(m_hWnd, status)))
            OnDownloadProgress(status, record.get());
        else
            VLOG("UM_UPDATE_PROGRESS ignored: not from the update thread");
        return 0;
    }
    return WindowImplBaseNew::HandleMessage(uMsg, wParam, lParam);
}

void CWndManualUpdateClient::PostToMainWindow(UINT uMsg, WPARAM wParam) {
    HWND main = GetAppState().hMainWnd;
    if (!main) {
        VLOG("no main window for message %u", uMsg);
        return;
    }
    ::PostMessageW(main, uMsg, wParam, 0);
    if (uMsg == UM_SHOW_AT_CORNER) VLOG("UM_SHOW_AT_CORNER posted");
    else if (uMsg == UM_RUN_INSTALLER) VLOG("UM_RUN_INSTALLER posted");
}

void CWndManualUpdateClient::SelectPage(CTabLayoutUI* tab, int page) {
    if (tab) tab->SelectItem(page);
}

void CWndManualUpdateClient::SetControlText(CControlUI* control, const wchar_t* key) {
    if (control) control->SetText(GetLanguageString(key).c_str());
}

void CWndManualUpdateClient::OnCheckResult(int nResult) {
    VLOG("check result %d", nResult);
    if (m_pAnimation) {
        m_pAnimation->SetVisible(false);
        m_pAnimation->StopAnimation();
    }
    if (m_pIconLab) m_pIconLab->SetVisible(true);
    switch (nResult) {
        case UPDATE_RESULT_NOTHING:
            PostToMainWindow(UM_SHOW_AT_CORNER, 0);
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            break;
        case UPDATE_RESULT_NEW:
            ShowWindow(true, true);
            if (m_pIconLab) m_pIconLab->SetBkImage(kImageNewVersion);
            SetControlText(m_pMsgLab, L"STR_DWONLOADNEW");
            SelectPage(m_pOperTab, 0);
            SetControlText(m_pOkBtn, L"STR_UPDATA");
            SetDestination();
            break;
        case UPDATE_RESULT_BUSY:
            if (m_pIconLab) m_pIconLab->SetBkImage(kImageOk);
            SetControlText(m_pMsgLab, L"STR_STR_SETING");
            SelectPage(m_pOperTab, 1);
            SetControlText(m_pCancelBtn1, L"STR_OK");
            break;
        case UPDATE_RESULT_COMPLETED:
            if (m_pIconLab) m_pIconLab->SetBkImage(kImageOk);
            SetControlText(m_pMsgLab, L"STR_USEIT");
            SelectPage(m_pOperTab, 2);
            break;
        default: break;
    }
}

void CWndManualUpdateClient::SetDestination() {
    std::wstring name = InstallerFileName(m_strUrl.Str());
    std::wstring folder = CUpdateFolder::Prepare();
    if (folder.empty()) {
        VLOG("no download folder");
        m_refusal = UpdateRefusal::Folder;
        m_strLocalFile.Empty();
        return;
    }
    m_refusal = UpdateRefusal::None;
    m_strLocalFile = folder + name;
    VLOG("destination %ls", m_strLocalFile.GetData());
}

void CWndManualUpdateClient::ClickNotify(TNotifyUI& msg) {
    CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
    auto is = [&](const wchar_t* n) { return _wcsicmp(name.GetData(), n) == 0; };
    if (is(L"closebtn")) {
        m_bCancel = true;
        if (m_nState == 0 || m_nState == 2) Close(2);
        else if (m_nState == 1 && m_pCancelBtn1) m_pCancelBtn1->SetEnabled(false);
        PostToMainWindow(UM_SHOW_AT_CORNER, 0);
    } else if (is(L"cancelbtn1")) {
        PostToMainWindow(UM_SHOW_AT_CORNER, 0);
        m_bCancel = true;
        if (m_nState == 0 || m_nState == 2) Close(2);
        else if (m_nState == 1 && m_pCancelBtn1) m_pCancelBtn1->SetEnabled(false);
    } else if (is(L"cancelbtn")) {
        PostToMainWindow(UM_SHOW_AT_CORNER, 0);
        Close(2);
    } else if (is(L"okbtn")) {
        SelectPage(m_pStateTab, 1);
        SelectPage(m_pOperTab, 1);
        m_nState = 1;
        VLOG("download requested");
        PostToThread(UM_UPDATE_DOWNLOAD, 0);
    }
}

void CWndManualUpdateClient::OnDownloadProgress(int nStatus, const DownloadProgress* pProgress) {
    // Reports mean something only while a download runs.
    if (m_nState != 1) return;
    // The final report (no record) always ends the download on screen: a
    // task that could not even be made is a failed download too.
    if (m_bCancel || nStatus == P2sp::kStatusFinished || nStatus == P2sp::kStatusFailed || !pProgress) {
        OnDownloadEnd(nStatus);
    } else if (pProgress) {
        std::wstring sizes = FormatSize(pProgress->nDownloadedSize) + L"/" + FormatSize(pProgress->nTotalSize);
        CDuiString text;
        text.Format(L"%ls(%ls)", GetLanguageString(L"STR_DOWNING").c_str(), sizes.c_str());
        if (m_pDownMsgLab) m_pDownMsgLab->SetText(text);
        if (m_pDownProgress && pProgress->nTotalSize != 0) {
            uint64_t range = static_cast<uint64_t>(m_pDownProgress->GetRange());
            uint64_t value = pProgress->nDownloadedSize * range / pProgress->nTotalSize;
            m_pDownProgress->SetValue(value > range ? static_cast<int>(range) : static_cast<int>(value));
        }
    }
}

void CWndManualUpdateClient::OnDownloadEnd(int nStatus) {
    if (m_bCancel) {
        Close(2);
        return;
    }
    if (nStatus == P2sp::kStatusFinished && !m_strLocalFile.IsEmpty()) {
        m_bInstallerHandedOver = true;
        PostToMainWindow(UM_RUN_INSTALLER, reinterpret_cast<WPARAM>(m_strLocalFile.GetData()));
        Close(1);
        return;
    }
    VLOG("download failed with status %d", nStatus);
    SelectPage(m_pStateTab, 0);
    m_nState = 2;
    // A refused file says why; any other failure is the download's.
    SetControlText(m_pMsgLab, UpdateRefusalTextKey(m_refusal));
    SelectPage(m_pOperTab, 1);
    SetControlText(m_pCancelBtn1, L"STR_OK");
}

// ---------------------------------------------------------------- once per run

int CreateUpdateWindow() {
    // User-interface thread only.
    static bool s_bMade = false;
    if (s_bMade) return 2;
    s_bMade = true;
    CUpdateProcessor::Instance();
    return CWndManualUpdateClient::Make() ? 0 : 1;
}

void CloseUpdateWindow() {
    CWndManualUpdateClient* wnd = s_pUpdateWnd;
    if (!wnd || !::IsWindow(wnd->GetHWND())) return;
    VLOG("closing the update window");
    // Its final message ends the update thread before this returns.
    ::DestroyWindow(wnd->GetHWND());
}

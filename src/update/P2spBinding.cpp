#include "update/P2spBinding.h"

#include <utility>

#include "log/BaseLog.h"
#include "settings/AppInfo.h"

namespace {

// A text argument for the library: narrow in the thread's code page, or a
// null pointer when the text holds a character that code page lacks.
class NarrowArg {
public:
    explicit NarrowArg(const std::wstring& text) {
        if (text.empty()) {
            m_valid = true;
            return;
        }
        BOOL usedDefault = FALSE;
        int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &usedDefault);
        if (n <= 0) {
            // Code pages that cannot report lost characters (UTF-8) convert without loss.
            n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
            if (n <= 0) return;
            m_text.assign(static_cast<size_t>(n), '\0');
            m_valid = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, &m_text[0], n, nullptr, nullptr) > 0;
            return;
        }
        if (usedDefault) return;
        m_text.assign(static_cast<size_t>(n), '\0');
        m_valid = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, &m_text[0], n, nullptr, nullptr) > 0;
    }
    const char* Get() const { return m_valid ? (m_text.empty() ? "" : m_text.c_str()) : nullptr; }

private:
    std::string m_text;
    bool m_valid = false;
};

// The library's file name holds at most this many characters once wide.
constexpr int kMaxWidePath = 1024;

std::wstring WideFromThreadCodePage(const char* text) {
    wchar_t wide[kMaxWidePath + 1] = {};
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, wide, kMaxWidePath);
    if (n <= 0) return std::wstring();
    wide[kMaxWidePath] = 0;
    return wide;
}

template <typename T>
void Lookup(HMODULE module, const char* name, T& entry, bool& complete) {
    entry = vt::ProcAddress<T>(module, name);
    if (!entry) complete = false;
}

}  // namespace

CP2SPBinding::CP2SPBinding(std::wstring folder) : m_folder(std::move(folder)) {}

CP2SPBinding& CP2SPBinding::Instance() {
    static CP2SPBinding binding(GetAppFolder());
    return binding;
}

bool CP2SPBinding::Load() {
    if (m_bTried) return m_bComplete;
    m_bTried = true;
    std::wstring path = m_folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += L"p2spd.dll";
    m_module.Reset(LoadLibraryW(path.c_str()));
    if (!m_module) {
        VLOG("p2spd.dll not loaded (error %lu)", GetLastError());
        return false;
    }
    HMODULE h = m_module.Get();
    bool complete = true;
    Lookup(h, "P2SPSetTaskStatusChangedCallback", m_pfnSetTaskStatusChangedCallback, complete);
    Lookup(h, "P2SPInit", m_pfnInit, complete);
    Lookup(h, "P2SPClose", m_pfnClose, complete);
    Lookup(h, "P2SPRun", m_pfnRun, complete);
    Lookup(h, "P2SPStop", m_pfnStop, complete);
    Lookup(h, "P2SPSetProxy", m_pfnSetProxy, complete);
    Lookup(h, "P2SPTestProxy", m_pfnTestProxy, complete);
    Lookup(h, "P2SPNewTask", m_pfnNewTask, complete);
    Lookup(h, "P2SPRunTask", m_pfnRunTask, complete);
    Lookup(h, "P2SPRunTaskEx", m_pfnRunTaskEx, complete);
    Lookup(h, "P2SPStopTask", m_pfnStopTask, complete);
    Lookup(h, "P2SPDelTask", m_pfnDelTask, complete);
    Lookup(h, "P2SPCheckTask", m_pfnCheckTask, complete);
    Lookup(h, "P2SPCheckTaskEx", m_pfnCheckTaskEx, complete);
    Lookup(h, "P2SPGetAllTaskSpeed", m_pfnGetAllTaskSpeed, complete);
    Lookup(h, "P2SPIsExistTask", m_pfnIsExistTask, complete);
    Lookup(h, "P2SPGetTaskFileName", m_pfnGetTaskFileName, complete);
    Lookup(h, "P2SPGetTaskStatus", m_pfnGetTaskStatus, complete);
    Lookup(h, "P2SPGetTaskSpeed", m_pfnGetTaskSpeed, complete);
    Lookup(h, "P2SPGetTaskFileSize", m_pfnGetTaskFileSize, complete);
    Lookup(h, "P2SPGetTaskDownloadedSize", m_pfnGetTaskDownloadedSize, complete);
    Lookup(h, "P2SPGetOrlUrlToUrl", m_pfnGetOrlUrlToUrl, complete);
    bool optional = true;  // the only export the client can do without
    Lookup(h, "P2SPWininetDown", m_pfnWininetDown, optional);
    Lookup(h, "P2SP_XL_LimitSpeed", m_pfnXL_LimitSpeed, complete);
    m_bComplete = complete;
    if (!complete) VLOG("p2spd.dll lacks some exports");
    return complete;
}

int CP2SPBinding::Init(const std::wstring& downloadFolder) {
    return m_pfnInit ? m_pfnInit(NarrowArg(downloadFolder).Get()) : 0;
}

int CP2SPBinding::Run() { return m_pfnRun ? m_pfnRun() : 0; }
int CP2SPBinding::Stop() { return m_pfnStop ? m_pfnStop() : 0; }
int CP2SPBinding::Close() { return m_pfnClose ? m_pfnClose() : 0; }

int CP2SPBinding::CheckTask(const std::wstring& url, int kind, const std::wstring& path) {
    if (m_pfnCheckTaskEx) return m_pfnCheckTaskEx(NarrowArg(url).Get(), kind, NarrowArg(path).Get());
    if (m_pfnCheckTask) return m_pfnCheckTask(NarrowArg(url).Get(), kind);
    return 0;
}

int CP2SPBinding::StopTask(const std::wstring& url) {
    return m_pfnStopTask ? m_pfnStopTask(NarrowArg(url).Get()) : 0;
}

int CP2SPBinding::DelTask(const std::wstring& url) { return m_pfnDelTask ? m_pfnDelTask(NarrowArg(url).Get()) : 0; }

int CP2SPBinding::NewTask(const std::wstring& url, const std::wstring& path, int flags) {
    return m_pfnNewTask ? m_pfnNewTask(NarrowArg(url).Get(), NarrowArg(path).Get(), flags) : 0;
}

int CP2SPBinding::GetTaskStatus(const std::wstring& url) {
    return m_pfnGetTaskStatus ? m_pfnGetTaskStatus(NarrowArg(url).Get()) : 0;
}

int CP2SPBinding::GetTaskSpeed(const std::wstring& url) {
    return m_pfnGetTaskSpeed ? m_pfnGetTaskSpeed(NarrowArg(url).Get()) : 0;
}

int64_t CP2SPBinding::GetTaskFileSize(const std::wstring& url) {
    return m_pfnGetTaskFileSize ? m_pfnGetTaskFileSize(NarrowArg(url).Get()) : 0;
}

int64_t CP2SPBinding::GetTaskDownloadedSize(const std::wstring& url) {
    return m_pfnGetTaskDownloadedSize ? m_pfnGetTaskDownloadedSize(NarrowArg(url).Get()) : 0;
}

std::wstring CP2SPBinding::GetTaskFileName(const std::wstring& url) {
    if (!m_pfnGetTaskFileName) return std::wstring();
    char buffer[P2sp::kFileNameBufferSize] = {};
    // The buffer is what counts, not the answer.
    m_pfnGetTaskFileName(NarrowArg(url).Get(), buffer, P2sp::kFileNameBufferSize);
    // The library's text is not trusted to end inside the buffer.
    buffer[P2sp::kFileNameBufferSize - 1] = 0;
    return WideFromThreadCodePage(buffer);
}

bool LoadP2SP() { return CP2SPBinding::Instance().Load(); }

#include "UpdateTestSupport.h"

#include <mutex>

#include "state/AppState.h"
#include "state/WindowMessages.h"
#include "base/Win32Owners.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"

namespace TestEngine {
namespace {
std::mutex g_lock;
std::vector<Step> g_steps;
size_t g_next = 0;
std::atomic<int> g_calls{0};
std::atomic<bool> g_lastHold{false};
std::string g_hash;  // the current step's

int Check(bool hold, char* url) {
    std::lock_guard<std::mutex> guard(g_lock);
    ++g_calls;
    g_lastHold = hold;
    if (g_steps.empty()) return 0;
    const Step& step = g_steps[g_next < g_steps.size() ? g_next : g_steps.size() - 1];
    if (g_next < g_steps.size()) ++g_next;
    lstrcpynA(url, step.url.c_str(), CUpdateProcessor::kUrlBufferSize);
    g_hash = step.sha256;
    return step.result;
}

bool Hash(const char*, char* sha256) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_hash.empty()) return false;
    lstrcpynA(sha256, g_hash.c_str(), CUpdateProcessor::kHashBufferSize);
    return true;
}
}  // namespace

void Script(std::vector<Step> steps) {
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_steps = std::move(steps);
        g_next = 0;
        g_calls = 0;
    }
    CUpdateProcessorTestBinding::Bind(&Check, &Hash);
}
int Calls() { return g_calls; }
bool LastHold() { return g_lastHold; }
}  // namespace TestEngine

CFakeMainWindow::CFakeMainWindow() {
    m_recorder.onMessage = [this](const RecordedMessage& m) {
        if (m.message == UM_RUN_INSTALLER && onRunInstaller) onRunInstaller(m.wParam);
    };
    GetAppState().hMainWnd = m_recorder.Hwnd();
}

CFakeMainWindow::~CFakeMainWindow() {
    if (GetAppState().hMainWnd == m_recorder.Hwnd()) GetAppState().hMainWnd = nullptr;
}

int CFakeMainWindow::ShowAtCorner() const { return (int)m_recorder.Count(UM_SHOW_AT_CORNER); }
int CFakeMainWindow::RunInstaller() const { return (int)m_recorder.Count(UM_RUN_INSTALLER); }

namespace {
CDownloaderEnv* g_downloaderEnv = nullptr;
}

CDownloaderEnv::CDownloaderEnv(const std::wstring& folder) : m_folder(folder) {
    g_downloaderEnv = this;
    DeleteFileW(RecordPath().c_str());
}

CDownloaderEnv::~CDownloaderEnv() {
    while (!m_switches.empty()) m_switches.pop_back();
    g_downloaderEnv = nullptr;
}

void CDownloaderEnv::Set(const wchar_t* key, const wchar_t* value) {
    if (g_downloaderEnv)
        g_downloaderEnv->m_switches.push_back(
            std::make_unique<ScopedStandInSwitch>(L"p2spd", key, value, g_downloaderEnv->m_folder));
}

std::wstring CDownloaderEnv::RecordPath() {
    return TestPaths::Join(g_downloaderEnv ? g_downloaderEnv->m_folder : TestPaths::TestDir(), L"p2spd.calls.log");
}

std::string CDownloaderEnv::Record() { return TestPaths::ReadFileBytes(RecordPath()); }

std::vector<std::string> CDownloaderEnv::RecordLines() {
    std::vector<std::string> lines;
    std::string all = Record();
    size_t pos = 0;
    for (size_t end = all.find("\r\n"); end != std::string::npos; pos = end + 2, end = all.find("\r\n", pos))
        lines.push_back(all.substr(pos, end - pos));
    return lines;
}

std::string Sha256(const std::string& bytes) {
    std::wstring path = TestPaths::Join(TestPaths::TestDir(), L"sha256.tmp");
    TestPaths::WriteFileBytes(path, bytes);
    vt::UniqueFile open(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string hash = CVerifiedInstaller::Sha256Of(open.Get());
    open.Reset();
    DeleteFileW(path.c_str());
    return hash;
}

std::string SourceBytes() {
    static std::string bytes = [] {
        std::string b(200 * 1024, '\0');
        unsigned x = 12345;
        for (char& c : b) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 24);
        }
        return b;
    }();
    return bytes;
}

std::wstring SourceFile() {
    std::wstring folder = TestPaths::Join(TestPaths::TestDir(), L"update_source");
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\VelotuneSetup.exe";
    if (TestPaths::ReadFileBytes(path) != SourceBytes()) TestPaths::WriteFileBytes(path, SourceBytes());
    return path;
}

std::wstring FileUrl(const std::wstring& path) {
    std::wstring url = L"file:///" + path;
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';
    return url;
}

std::string Narrow(const std::wstring& text) { return TestPaths::Narrow(text); }

#include "sdk/SimSdkSession.h"

#include <cstring>

#include "support/TestPaths.h"

namespace {

const wchar_t kLibrary[] = L"OverclockingSdkWrapper";

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

void RemoveFolderFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((folder + L"\\" + data.cFileName).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

}  // namespace

CSimSdkSession::CSimSdkSession(const std::wstring& name) : m_getInterface(nullptr) {
    std::wstring runs = TestPaths::Join(TestPaths::TestDir(), L"sdk_runs");
    CreateDirectoryW(runs.c_str(), nullptr);
    m_folder = TestPaths::Join(runs, name);
    CreateDirectoryW(m_folder.c_str(), nullptr);
    RemoveFolderFiles(m_folder);
    m_statePath = TestPaths::Join(m_folder, L"sim.state");
    m_stateSwitch = std::make_unique<ScopedStandInSwitch>(kLibrary, L"STATE", m_statePath);
    UseProfile(L"simcpu\\V7-4760K.ini");
}

CSimSdkSession::~CSimSdkSession() {
    Unload();
    m_profileSwitch.reset();
    m_stateSwitch.reset();
}

void CSimSdkSession::UseProfile(const std::wstring& path) {
    m_profileSwitch.reset();
    m_profileSwitch = std::make_unique<ScopedStandInSwitch>(kLibrary, L"PROFILE", path);
}

void CSimSdkSession::UseDefaultProfile() { m_profileSwitch.reset(); }

std::wstring CSimSdkSession::WriteProfile(const std::string& fileName, const std::string& text) {
    std::wstring path = TestPaths::Join(m_folder, Widen(fileName));
    TestPaths::WriteFileBytes(path, text);
    UseProfile(path);
    return path;
}

std::string CSimSdkSession::ShippedProfile(const char* name) {
    return TestPaths::ReadFileBytes(TestPaths::Join(TestPaths::TestDir(), L"simcpu\\" + Widen(name)));
}

std::wstring CSimSdkSession::WriteDefaultProfileWithFaults(const std::string& faults) {
    // The shipped profile ends with its (empty) [Faults] section.
    return WriteProfile("faults.ini", ShippedProfile("V7-4760K.ini") + "\r\n" + faults + "\r\n");
}

bool CSimSdkSession::Load() {
    if (m_module.Loaded()) return true;
    std::wstring path = TestPaths::Join(TestPaths::TestDir(), L"OverclockingSdkWrapper.dll");
    m_module.Reset(LoadLibraryW(path.c_str()));
    if (!m_module.Loaded()) return false;
    m_getInterface = m_module.Proc<PFN_OverclockingSdkGetInterface>(OCSDK_EXPORT_GETINTERFACE);
    return m_getInterface != nullptr;
}

bool CSimSdkSession::Unload() {
    if (!m_module.Loaded()) return true;
    m_module.Reset();
    m_getInterface = nullptr;
    return GetModuleHandleW(L"OverclockingSdkWrapper.dll") == nullptr;
}

IOverclockingSdk* CSimSdkSession::Root() {
    if (!Load()) return nullptr;
    return m_getInterface();
}

IOverclockingSdk* CSimSdkSession::InitRoot() {
    IOverclockingSdk* root = Root();
    if (root != nullptr) root->Init();
    return root;
}

ClientTuningControl ReadControl(IOverclockingSdk* root, uint32_t id) {
    ClientTuningControl c;
    std::memset(&c, 0, sizeof(c));
    ITuningLibrary* tuning = root ? root->GetTuningLibrary() : nullptr;
    if (tuning == nullptr || !tuning->GetControl(id, &c)) std::memset(&c, 0, sizeof(c));
    return c;
}

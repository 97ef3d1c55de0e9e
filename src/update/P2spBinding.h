#pragma once
// The binding to the downloader library "p2spd.dll", loaded at run time from
// a folder (the executable's, for the process-wide binding). Every export is
// looked up; a wrapper whose export is missing returns 0 without calling.
// Texts go to the library in the thread's ANSI code page; a text that cannot
// be converted is passed as a null pointer.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"
#include "update/P2spdInterface.h"

class CP2SPBinding : private vt::NonCopyable {
public:
    explicit CP2SPBinding(std::wstring folder);

    // The program's binding: "p2spd.dll" beside the executable.
    static CP2SPBinding& Instance();

    // Loads the library once; true when it loaded and every export but
    // "P2SPWininetDown" was found.
    bool Load();
    bool IsLoaded() const { return static_cast<bool>(m_module); }
    const std::wstring& Folder() const { return m_folder; }

    int Init(const std::wstring& downloadFolder);
    int Run();
    int Stop();
    int Close();
    // "P2SPCheckTaskEx", or "P2SPCheckTask" when that is missing.
    int CheckTask(const std::wstring& url, int kind, const std::wstring& path);
    int StopTask(const std::wstring& url);
    int DelTask(const std::wstring& url);
    int NewTask(const std::wstring& url, const std::wstring& path, int flags);
    int GetTaskStatus(const std::wstring& url);
    int GetTaskSpeed(const std::wstring& url);
    int64_t GetTaskFileSize(const std::wstring& url);
    int64_t GetTaskDownloadedSize(const std::wstring& url);
    // The file the library wrote for the URL; empty when it has none.
    std::wstring GetTaskFileName(const std::wstring& url);

private:
    std::wstring m_folder;
    bool m_bTried = false;
    bool m_bComplete = false;
    vt::UniqueModule m_module;

    P2sp::PFN_SetTaskStatusChangedCallback m_pfnSetTaskStatusChangedCallback = nullptr;
    P2sp::PFN_Init m_pfnInit = nullptr;
    P2sp::PFN_Close m_pfnClose = nullptr;
    P2sp::PFN_Run m_pfnRun = nullptr;
    P2sp::PFN_Stop m_pfnStop = nullptr;
    P2sp::PFN_SetProxy m_pfnSetProxy = nullptr;
    P2sp::PFN_TestProxy m_pfnTestProxy = nullptr;
    P2sp::PFN_NewTask m_pfnNewTask = nullptr;
    P2sp::PFN_RunTask m_pfnRunTask = nullptr;
    P2sp::PFN_RunTaskEx m_pfnRunTaskEx = nullptr;
    P2sp::PFN_StopTask m_pfnStopTask = nullptr;
    P2sp::PFN_DelTask m_pfnDelTask = nullptr;
    P2sp::PFN_CheckTask m_pfnCheckTask = nullptr;
    P2sp::PFN_CheckTaskEx m_pfnCheckTaskEx = nullptr;
    P2sp::PFN_GetAllTaskSpeed m_pfnGetAllTaskSpeed = nullptr;
    P2sp::PFN_IsExistTask m_pfnIsExistTask = nullptr;
    P2sp::PFN_GetTaskFileName m_pfnGetTaskFileName = nullptr;
    P2sp::PFN_GetTaskStatus m_pfnGetTaskStatus = nullptr;
    P2sp::PFN_GetTaskSpeed m_pfnGetTaskSpeed = nullptr;
    P2sp::PFN_GetTaskFileSize m_pfnGetTaskFileSize = nullptr;
    P2sp::PFN_GetTaskDownloadedSize m_pfnGetTaskDownloadedSize = nullptr;
    P2sp::PFN_GetOrlUrlToUrl m_pfnGetOrlUrlToUrl = nullptr;
    P2sp::PFN_WininetDown m_pfnWininetDown = nullptr;
    P2sp::PFN_XL_LimitSpeed m_pfnXL_LimitSpeed = nullptr;
};

// Loads the program's binding (CP2SPBinding::Instance().Load()).
bool LoadP2SP();

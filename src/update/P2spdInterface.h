#pragma once
// The binary interface of the downloader library "p2spd.dll": every export
// is __stdcall under its plain name; texts are narrow (the thread's ANSI code
// page); sizes are 64-bit. Task status: 6 finished, 7 failed, anything else
// still running (callers rely on these two only).
#include <cstdint>

namespace P2sp {

enum TaskStatus : int {
    kStatusNone = 0,  // no such task
    kStatusConnecting = 1,
    kStatusStopped = 3,
    kStatusDownloading = 5,
    kStatusFinished = 6,
    kStatusFailed = 7,
};
// What "P2SPCheckTask" is asked of a task's file: whether it is complete,
// and whether it checks out.
enum CheckKind : int { kCheckComplete = 1, kCheckVerified = 2 };
// Flags of a new task: resume, overwrite, no extra connections.
constexpr int kNewTaskFlags = 65539;
// Size of the buffer "P2SPGetTaskFileName" fills.
constexpr int kFileNameBufferSize = 260;

typedef int(__stdcall* TaskStatusCallback)(const char* url, int status, void* context);

typedef int(__stdcall* PFN_SetTaskStatusChangedCallback)(TaskStatusCallback callback, void* context);
typedef int(__stdcall* PFN_Init)(const char* downloadFolder);
typedef int(__stdcall* PFN_Close)();
typedef int(__stdcall* PFN_Run)();
typedef int(__stdcall* PFN_Stop)();
typedef int(__stdcall* PFN_SetProxy)(const char* host, int port, const char* user, const char* password);
typedef int(__stdcall* PFN_TestProxy)(const char* host, int port, const char* user, const char* password);
typedef int(__stdcall* PFN_NewTask)(const char* url, const char* path, int flags);
typedef int(__stdcall* PFN_RunTask)(const char* url);
typedef int(__stdcall* PFN_RunTaskEx)(const char* url, int priority);
typedef int(__stdcall* PFN_StopTask)(const char* url);
typedef int(__stdcall* PFN_DelTask)(const char* url);
typedef int(__stdcall* PFN_CheckTask)(const char* url, int kind);
typedef int(__stdcall* PFN_CheckTaskEx)(const char* url, int kind, const char* path);
typedef int(__stdcall* PFN_GetAllTaskSpeed)();
typedef int(__stdcall* PFN_IsExistTask)(const char* url);
typedef int(__stdcall* PFN_GetTaskFileName)(const char* url, char* buffer, int size);
typedef int(__stdcall* PFN_GetTaskStatus)(const char* url);
typedef int(__stdcall* PFN_GetTaskSpeed)(const char* url);
typedef int64_t(__stdcall* PFN_GetTaskFileSize)(const char* url);
typedef int64_t(__stdcall* PFN_GetTaskDownloadedSize)(const char* url);
typedef int(__stdcall* PFN_GetOrlUrlToUrl)(const char* url, char* buffer, int size);
typedef int(__stdcall* PFN_WininetDown)(const char* url, const char* path);
typedef int(__stdcall* PFN_XL_LimitSpeed)(int kilobytesPerSecond);

}  // namespace P2sp

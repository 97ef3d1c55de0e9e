#pragma once
// Messages of the update client. They travel only between the update
// window and its own worker thread (one shares its value with a main-window
// message, on a different queue).
#include <windows.h>

#include <cstdint>

enum : UINT {
    // To the update thread.
    UM_UPDATE_CHECK = WM_USER + 100,     // wParam 0 first check, 1 repeated check
    UM_UPDATE_DOWNLOAD = WM_USER + 101,  // wParam 0
    // To the update window.
    UM_UPDATE_PROGRESS = WM_USER + 107,      // wParam task status, lParam DownloadProgress* or 0 (final report)
    UM_UPDATE_CHECK_RESULT = WM_USER + 200,  // wParam check result
};

static_assert(UM_UPDATE_CHECK == 1124 && UM_UPDATE_DOWNLOAD == 1125 && UM_UPDATE_PROGRESS == 1131 &&
                  UM_UPDATE_CHECK_RESULT == 1224,
              "the update client's message values are fixed");

// Check results, passed on unchanged as wParam of UM_UPDATE_CHECK_RESULT.
enum : int {
    UPDATE_RESULT_NOTHING = 0,    // also whenever no engine is started
    UPDATE_RESULT_NEW = 1,        // the URL buffer holds the download URL
    UPDATE_RESULT_BUSY = 2,       // check again every 2000 ms
    UPDATE_RESULT_COMPLETED = 3,  // only on a repeated check
};

// One progress report, made by the update thread and deleted by the window
// that receives it.
struct DownloadProgress {
    int32_t nReserved = 0;
    int32_t nSpeed = 0;             // as the downloader reports it
    uint64_t nTotalSize = 0;        // bytes; 0 while unknown
    uint64_t nDownloadedSize = 0;   // bytes so far
};

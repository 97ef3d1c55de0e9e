#pragma once
// The download step of the update thread: fetches the URL into the
// destination with the downloader library, reports progress to a window
// (UM_UPDATE_PROGRESS with a DownloadProgress the window then owns) about
// once a second, polls the cancel flag every 200 ms, and ends with a final
// report without a record. Returns the status of that final report:
// 6 the file is at the destination, 7 failed, 2 no task could be made, any
// other value the last status read before a cancel.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "update/UpdateMessages.h"

class CP2SPBinding;

// The library works in the destination's folder. A finished file is
// offered to `accept` (when given) before the final report: when it says no,
// the download ends as failed (7).
int DownloadUpdate(CP2SPBinding& library, HWND hNotify, const std::wstring& strUrl,
                   const std::wstring& strLocalFile, const std::atomic<bool>& bCancel,
                   const std::function<bool()>& accept = nullptr);

// The record behind a UM_UPDATE_PROGRESS lParam when a download of this
// process made it and nobody has taken it yet; the caller owns it then.
// Null for anything else (a message from elsewhere is never trusted).
std::unique_ptr<DownloadProgress> TakeDownloadProgress(LPARAM lParam);

// True once for each final report (no record) a download of this process
// posted to hWnd with this status; false for one from any other sender.
bool TakeFinalReport(HWND hWnd, int status);

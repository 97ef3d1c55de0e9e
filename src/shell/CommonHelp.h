#pragma once
// Start-up checks that keep the program elevated, and the logon entry that
// starts it with Windows.
#include <string>

class CCommonHelp {
public:
    // True: go on with the start. False: this instance must end (the start
    // was handed to the service client or to an elevated relaunch).
    static bool CheckStartup();

    // The command line holds "/start" or "-start".
    static bool IsAutoStartup();
    // Some whole argument, the program name included, equals name (any case).
    static bool HasSwitch(const wchar_t* name);
    // The process token is an enabled member of the Administrators group.
    static bool IsAdmin();
    // The service client took over the start; fileName has no folder.
    static bool StartClient(const wchar_t* fileName);
    // The shell accepted an elevated relaunch with "/svc_start".
    static bool RunAsAdmin();
    // Starts this program elevated with `parameters` and waits for it to
    // end. Ended: `exitCode` holds its exit code; Unknown: it was started
    // but its end cannot be had; NotStarted: no elevated copy runs.
    enum class ElevatedRun { Ended, Unknown, NotStarted };
    static ElevatedRun RunElevatedAndWait(const wchar_t* parameters, unsigned long* exitCode);
    // Writes or removes the per-user Run value "Velotune"; silent on failure.
    static void SetAutoStart(bool enable);

    // The data the Run value gets: the quoted launcher path and "/start".
    static std::wstring AutoStartCommand();
};

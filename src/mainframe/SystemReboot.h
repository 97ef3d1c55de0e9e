#pragma once
// Restarts Windows after the user agreed. The program switch "NO_REBOOT"
// (any value, settings/ProgramSwitches.h) turns the restart into a log line,
// so that tests can answer the prompt without restarting anything.
class CSystemReboot {
public:
    // True when the restart was requested (or, under the test switch, when
    // it would have been).
    static bool Reboot();

private:
    static bool EnableShutdownPrivilege();
};

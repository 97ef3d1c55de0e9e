#pragma once
// Exit codes of "Velotune.exe /RestoreOverclocking" (listed in README.md):
// the uninstaller and Velotune.com act on them. 1 is also every other early
// end of a normal start.
enum RestoreExit : int {
    kRestoreAtDefaults = 1,       // restored, or nothing needed restoring
    kRestoreFailed = 2,           // the SDK refused: may stay overclocked
    kRestoreSdkUnavailable = 3,   // the SDK cannot be reached: nothing changed
    kRestoreAnotherInstance = 4,  // another copy runs: nothing tried
    kRestoreHandedOver = 5,       // not elevated: an elevated copy ran, its outcome is unknown
    kRestoreNotElevated = 6,      // not elevated, and no elevated copy could be started: nothing tried
};

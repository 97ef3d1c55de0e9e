#pragma once
// Velotune.com's exit codes (README.md, "Scripting").
enum ConsoleExit : int {
    kExitStock = 0,        // at stock (also: help)
    kExitOverclocked = 2,  // overclocked
    kExitNotRunning = 3,   // Velotune is not running: nothing read, nothing done
    kExitBusy = 4,         // a run is in progress, or the program is starting or closing
    kExitRefused = 5,      // not an elevated administrator
    kExitFailed = 6,       // the run failed
    kExitTimedOut = 7,     // no result in the time given; the run goes on
    kExitUsage = 8,        // the command line is wrong
    kExitNotVelotune = 9,  // the pipe is not the running Velotune's, or it answered garbage
};

#pragma once
// Outside libraries are loaded only from the program's own folder and the
// system folder: the program runs elevated, so a library planted in the
// current directory or on PATH must never be picked up.
#include <windows.h>

// Narrows the process-wide search order for every later load; call it once,
// first thing at start-up. Harmless where the system lacks the call.
void RestrictDllSearchPath();

// Loads `name` from the program's folder, else from the system folder.
// Returns null with the last error set when it is in neither.
HMODULE LoadAppLibrary(const wchar_t* name);

#pragma once
// The system libraries the program imports delay-loaded (see
// cmake/DelayImports.cmake) come from the system folder only, never from
// the program's folder, the current folder or PATH. Called first thing in
// wWinMain, before anything can call into one of them.
void LoadDelayedDllsFromSystemFolderOnly();

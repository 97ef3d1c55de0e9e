#pragma once
// What a page of the setup program or its uninstaller shows, read from the
// test's process as a screen reader reads another program's controls. Every
// setup program is a 32-bit program, whichever build it installs.
#include <windows.h>

#include <string>
#include <vector>

namespace WizardPage {
// The page shown inside the wizard `wizard` once it is on the screen (NSIS
// shows a page only after the script's own show function), or null.
HWND ShownPage(HWND wizard);
// Whether the page shows a "Space required" line.
bool ShowsSpaceRequired(HWND page);
// The lines of the page's details list (the progress page's), top first;
// empty on a page without one.
std::vector<std::wstring> DetailsLines(HWND page);
}  // namespace WizardPage

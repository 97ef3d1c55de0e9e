#pragma once
// Where the update client keeps its downloads: "VelotuneUpdate\" in the
// program's own folder. The program runs elevated and starts what lands
// there, so the folder must be one that only administrators can write. The
// program's folder is already such a folder (a user who could write it could
// replace the program itself); the download folder does not rely on that
// alone: it gets an explicit, protected DACL (Administrators and SYSTEM
// only) and Administrators as its owner, every time it is used.
#include <string>

class CUpdateFolder {
public:
    // The folder with its trailing backslash, created and secured; empty
    // (and logged) when it cannot be made safe.
    static std::wstring Prepare();
    // The descriptor it is given, in SDDL.
    static const wchar_t* Descriptor();
};

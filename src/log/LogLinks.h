#pragma once
// The log folder and its files are never reached through a link. The
// elevated program renames, deletes and appends there: a folder that is a
// link (junction, symbolic link) would have it do so wherever the link
// points, and a file that is one, or a hard link, would have it write into
// another file. Such a folder is not used; such a file is replaced.
#include <windows.h>

#include "base/Win32Owners.h"

class CLogLinks {
public:
    // Why an entry with these attributes and this number of names may not
    // be written through; null when it may.
    static const char* Refusal(DWORD attributes, DWORD names, bool folder);

    // The folder, opened without following a link and shared neither for
    // deleting nor renaming, so it stays the folder that was checked while
    // the handle lives. Invalid when it is missing or refused (*why).
    static vt::UniqueHandle HoldFolder(const char* path, const char** why);

    // The file opened for appending, without following a link. A link or a
    // hard link in its place is removed (the name, never what it points to)
    // and a new file made; *replaced then says what it was.
    static vt::UniqueHandle OpenForAppend(const char* path, const char** replaced);

    // Whether the entry, opened without following a link, is refused.
    static const char* RefusalOf(HANDLE opened, bool folder);
};

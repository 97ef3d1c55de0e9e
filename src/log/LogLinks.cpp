#include "log/LogLinks.h"

const char* CLogLinks::Refusal(DWORD attributes, DWORD names, bool folder) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return "a link (reparse point)";
    if (folder) return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? nullptr : "not a folder";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    if (names > 1) return "a file with other names (hard link)";
    return nullptr;
}

const char* CLogLinks::RefusalOf(HANDLE opened, bool folder) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(opened, &info)) return "unreadable";
    return Refusal(info.dwFileAttributes, info.nNumberOfLinks, folder);
}

vt::UniqueHandle CLogLinks::HoldFolder(const char* path, const char** why) {
    *why = nullptr;
    vt::UniqueHandle folder(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!folder) return folder;
    *why = RefusalOf(folder.Get(), true);
    if (*why) folder.Reset();
    return folder;
}

vt::UniqueHandle CLogLinks::OpenForAppend(const char* path, const char** replaced) {
    *replaced = nullptr;
    // Twice at most: once more after a link was removed (another process
    // may be making the new file at the same moment).
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Appending: every WriteFile lands at the end of the file as it is
        // then, so lines of other processes writing the same file (a second
        // copy, the elevated copy, a restore run) interleave whole instead
        // of overwriting each other from stale file pointers.
        vt::UniqueHandle file(CreateFileA(path, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                          nullptr));
        if (!file) return file;
        const char* why = RefusalOf(file.Get(), false);
        if (!why) return file;
        file.Reset();
        *replaced = why;
        vt::UniqueHandle link(CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                          nullptr));
        FILE_DISPOSITION_INFO gone = {TRUE};
        if (!link || !SetFileInformationByHandle(link.Get(), FileDispositionInfo, &gone, sizeof(gone)))
            return vt::UniqueHandle();
    }
    return vt::UniqueHandle();
}

#pragma once
// Makes every missing folder of a path ("C:\a/b/" makes C:\a, then C:\a\b).
#include <string>

// True when the path names an existing folder afterwards. Each folder it
// creates gets normal attributes; folders that are already there are passed over.
bool CreateDirectoryPath(const std::wstring& path);

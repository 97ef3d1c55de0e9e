#pragma once
// A stand-in's record file, held open between lines. A library that is told
// something every second would otherwise open and close its record every
// second, and under Wine each open and close is several round trips to the
// wineserver. Lines stay whole across processes (the file is only ever
// appended to), and the tests may read, replace or delete it at any time: a
// record that is no longer the file at its path is let go and opened anew.
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"

namespace simcommon {

class CKeptRecord {
public:
    explicit CKeptRecord(std::wstring path);
    // Appends `line` and CR LF; a record of kRecordCapBytes or more is
    // first moved aside to "<path>.old".
    void Append(const std::string& line);
    // Lets the file go until the next line: under Wine a file held open
    // cannot be deleted (it stays, delete pending, until closed).
    void Close();

private:
    CKeptRecord(const CKeptRecord&) = delete;
    CKeptRecord& operator=(const CKeptRecord&) = delete;

    const std::wstring m_path;
    vt::CriticalSection m_lock;  // the library's threads write it too
    vt::UniqueFile m_file;
};

}  // namespace simcommon

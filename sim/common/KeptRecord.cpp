#include "common/KeptRecord.h"

#include "common/SimEnvironment.h"

namespace simcommon {

CKeptRecord::CKeptRecord(std::wstring path) : m_path(std::move(path)) {}

void CKeptRecord::Append(const std::string& line) {
    vt::LockGuard hold(m_lock);
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    const bool present = GetFileAttributesExW(m_path.c_str(), GetFileExInfoStandard, &info) != FALSE;
    const ULONGLONG size = present ? (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow : 0;
    if (present && size >= kRecordCapBytes) {
        // A library left loaded for days records a call a second; the record
        // moves aside once it is full, so it never fills the disk.
        m_file.Reset();
        MoveFileExW(m_path.c_str(), (m_path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    } else if (m_file) {
        // Gone from its path (deleted, or moved aside by another process) or
        // replaced: the file held is not the record any more. Appends from
        // other processes grow both alike.
        LARGE_INTEGER held = {};
        if (!present || !GetFileSizeEx(m_file.Get(), &held) || static_cast<ULONGLONG>(held.QuadPart) != size)
            m_file.Reset();
    }
    if (!m_file)
        m_file.Reset(CreateFileW(m_path.c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(m_file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void CKeptRecord::Close() {
    vt::LockGuard hold(m_lock);
    m_file.Reset();
}

}  // namespace simcommon

#pragma once
// Security attributes that let in SYSTEM and the Administrators group and
// nobody else (protected: nothing inherited). For named objects and files of
// the elevated program and its stand-ins, which a process without
// administrator rights must neither open nor have made first.
#include <windows.h>
#include <sddl.h>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

namespace vt {

class AdminOnlySecurity : private NonCopyable {
public:
    static constexpr const wchar_t* kSddl = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

    AdminOnlySecurity() {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kSddl, SDDL_REVISION_1, &sd, nullptr))
            m_sd.Reset(sd);
        m_sa.nLength = sizeof(m_sa);
        m_sa.lpSecurityDescriptor = m_sd.Get();
        m_sa.bInheritHandle = FALSE;
    }
    bool Valid() const { return m_sd.Valid(); }
    // Null when the descriptor could not be made: callers refuse then
    // rather than fall back on default security.
    SECURITY_ATTRIBUTES* Attributes() { return Valid() ? &m_sa : nullptr; }

private:
    UniqueLocal m_sd;
    SECURITY_ATTRIBUTES m_sa = {};
};

}  // namespace vt

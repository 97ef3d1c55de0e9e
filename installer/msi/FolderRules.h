#pragma once
// Whether a folder above the install folder is safely the administrators':
// owned by them (the Administrators group, SYSTEM or TrustedInstaller), with
// a DACL that lets nobody else add to it, delete from it or it, or change
// its permissions or owner. Otherwise the install folder can be renamed
// away and another put in its place. Read from a security descriptor, so
// the rule can be checked where the system keeps none (Wine).
#include <windows.h>
#include <sddl.h>

#include <string>

#include "base/Win32Owners.h"

namespace folder_rules {

constexpr ACCESS_MASK kParentRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                      WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE;

inline std::wstring SidText(PSID sid) {
    vt::UniqueLocal text;
    if (!sid || !ConvertSidToStringSidW(sid, reinterpret_cast<LPWSTR*>(text.Put()))) return std::wstring();
    return static_cast<const wchar_t*>(text.Get());
}

inline bool AdministratorsSid(const std::wstring& sid) {
    return sid == L"S-1-5-32-544" || sid == L"S-1-5-18" ||
           sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

// Why the folder of descriptor `sd` is not safe; empty when it is. An ACE
// that only passes down to what the folder holds does not count.
inline std::wstring UnsafeBecause(PSECURITY_DESCRIPTOR sd) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (!sd || !GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
        return L"its security cannot be read";
    if (!AdministratorsSid(SidText(owner))) return L"owned by '" + SidText(owner) + L"'";
    if (!present || !dacl) return L"no DACL: open to everyone";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) continue;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE) ||
            !(ace->Mask & kParentRights))
            continue;
        const std::wstring who = SidText(const_cast<DWORD*>(&ace->SidStart));
        if (!AdministratorsSid(who)) return L"'" + who + L"' may change it";
    }
    return std::wstring();
}

}  // namespace folder_rules

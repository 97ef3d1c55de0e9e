#pragma once
// What the checks of a downloaded installer need from the system: wintrust
// for its signature, bcrypt for its SHA-256. Loaded at the first check
// rather than at every start, and kept until the program ends.
#include <windows.h>
#include <bcrypt.h>
#include <wintrust.h>

#include "base/SystemLibrary.h"

class CCheckLibraries {
public:
    // The one instance, loaded at the first call from whichever thread.
    static const CCheckLibraries& Get();

    // False when wintrust or bcrypt, or one of their entries, is missing
    // (logged once): no download can then be verified.
    bool Ready() const { return m_ready; }

    LONG VerifyTrust(HWND window, GUID* action, WINTRUST_DATA* data) const;
    NTSTATUS OpenAlgorithm(BCRYPT_ALG_HANDLE* algorithm, const wchar_t* id) const;
    NTSTATUS CreateHash(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE* hash) const;
    NTSTATUS HashData(BCRYPT_HASH_HANDLE hash, unsigned char* data, ULONG size) const;
    NTSTATUS FinishHash(BCRYPT_HASH_HANDLE hash, unsigned char* digest, ULONG size) const;

private:
    CCheckLibraries();

    vt::CSystemLibrary m_wintrust;
    vt::CSystemLibrary m_bcrypt;
    decltype(&::WinVerifyTrust) m_winVerifyTrust = nullptr;
    decltype(&::BCryptOpenAlgorithmProvider) m_openAlgorithm = nullptr;
    decltype(&::BCryptCreateHash) m_createHash = nullptr;
    decltype(&::BCryptHashData) m_hashData = nullptr;
    decltype(&::BCryptFinishHash) m_finishHash = nullptr;
    bool m_ready = false;
};

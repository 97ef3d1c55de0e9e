#pragma once
// What the checks of a downloaded installer need from the system: wintrust
// for its signature and its signer, bcrypt for its SHA-256. Loaded at the first check
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
    // The certificate of the first signer that a verification kept in its
    // state data (WTD_STATEACTION_VERIFY); null when there is none.
    const CERT_CONTEXT* SignerCertificate(HANDLE stateData) const;
    NTSTATUS OpenAlgorithm(BCRYPT_ALG_HANDLE* algorithm, const wchar_t* id) const;
    NTSTATUS CreateHash(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE* hash) const;
    NTSTATUS HashData(BCRYPT_HASH_HANDLE hash, unsigned char* data, ULONG size) const;
    NTSTATUS FinishHash(BCRYPT_HASH_HANDLE hash, unsigned char* digest, ULONG size) const;

private:
    CCheckLibraries();

    vt::CSystemLibrary m_wintrust;
    vt::CSystemLibrary m_bcrypt;
    decltype(&::WinVerifyTrust) m_winVerifyTrust = nullptr;
    decltype(&::WTHelperProvDataFromStateData) m_provData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) m_provSigner = nullptr;
    decltype(&::BCryptOpenAlgorithmProvider) m_openAlgorithm = nullptr;
    decltype(&::BCryptCreateHash) m_createHash = nullptr;
    decltype(&::BCryptHashData) m_hashData = nullptr;
    decltype(&::BCryptFinishHash) m_finishHash = nullptr;
    bool m_ready = false;
};

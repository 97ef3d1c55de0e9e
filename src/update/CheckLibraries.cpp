#include "update/CheckLibraries.h"

#include "log/BaseLog.h"

namespace {

// Any failure status: what a call to a missing entry is taken to return.
constexpr NTSTATUS kMissing = static_cast<NTSTATUS>(0xC0000225);  // STATUS_NOT_FOUND

}  // namespace

const CCheckLibraries& CCheckLibraries::Get() {
    static const CCheckLibraries s_libraries;
    return s_libraries;
}

CCheckLibraries::CCheckLibraries() : m_wintrust(L"wintrust.dll"), m_bcrypt(L"bcrypt.dll") {
    m_ready = m_wintrust.Find("WinVerifyTrust", &m_winVerifyTrust) &&
              m_wintrust.Find("WTHelperProvDataFromStateData", &m_provData) &&
              m_wintrust.Find("WTHelperGetProvSignerFromChain", &m_provSigner) &&
              m_bcrypt.Find("BCryptOpenAlgorithmProvider", &m_openAlgorithm) &&
              m_bcrypt.Find("BCryptCreateHash", &m_createHash) && m_bcrypt.Find("BCryptHashData", &m_hashData) &&
              m_bcrypt.Find("BCryptFinishHash", &m_finishHash);
    if (!m_ready)
        VLOG("update checks off: %s",
             (m_wintrust.Problem().empty() ? m_bcrypt.Problem() : m_wintrust.Problem()).c_str());
}

LONG CCheckLibraries::VerifyTrust(HWND window, GUID* action, WINTRUST_DATA* data) const {
    return m_winVerifyTrust ? m_winVerifyTrust(window, action, data) : static_cast<LONG>(TRUST_E_SYSTEM_ERROR);
}

const CERT_CONTEXT* CCheckLibraries::SignerCertificate(HANDLE stateData) const {
    if (!m_provData || !m_provSigner || !stateData) return nullptr;
    CRYPT_PROVIDER_DATA* provider = m_provData(stateData);
    CRYPT_PROVIDER_SGNR* signer = provider ? m_provSigner(provider, 0, FALSE, 0) : nullptr;
    // The chain starts with the signer's own certificate.
    return signer && signer->csCertChain > 0 && signer->pasCertChain ? signer->pasCertChain[0].pCert : nullptr;
}

NTSTATUS CCheckLibraries::OpenAlgorithm(BCRYPT_ALG_HANDLE* algorithm, const wchar_t* id) const {
    return m_openAlgorithm ? m_openAlgorithm(algorithm, id, nullptr, 0) : kMissing;
}

NTSTATUS CCheckLibraries::CreateHash(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE* hash) const {
    return m_createHash ? m_createHash(algorithm, hash, nullptr, 0, nullptr, 0, 0) : kMissing;
}

NTSTATUS CCheckLibraries::HashData(BCRYPT_HASH_HANDLE hash, unsigned char* data, ULONG size) const {
    return m_hashData ? m_hashData(hash, data, size, 0) : kMissing;
}

NTSTATUS CCheckLibraries::FinishHash(BCRYPT_HASH_HANDLE hash, unsigned char* digest, ULONG size) const {
    return m_finishHash ? m_finishHash(hash, digest, size, 0) : kMissing;
}

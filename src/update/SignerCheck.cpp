#include "update/SignerCheck.h"

#include <softpub.h>
#include <wintrust.h>

#include "update/CheckLibraries.h"
#include "update/Sha256.h"

LONG CSignerCheck::Verify(HANDLE file, const std::wstring& path, std::string& signer) {
    signer.clear();
    const CCheckLibraries& libraries = CCheckLibraries::Get();
    // Without the system's check there is no verdict: unverified.
    if (!libraries.Ready()) return static_cast<LONG>(TRUST_E_SYSTEM_ERROR);
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;  // the open file is what is checked, not the name
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    // The state is kept for the signer's certificate, and closed below.
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG verdict = libraries.VerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (verdict == ERROR_SUCCESS) {
        const CERT_CONTEXT* certificate = libraries.SignerCertificate(data.hWVTStateData);
        if (certificate && certificate->pbCertEncoded)
            signer = CSha256::Of(certificate->pbCertEncoded, certificate->cbCertEncoded);
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    libraries.VerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return verdict;
}

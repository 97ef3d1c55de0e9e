#pragma once
// Who signed a file: WinVerifyTrust's verdict on its Authenticode signature
// (through an open handle, so what is checked is what is held) and, when
// that is good, the SHA-256 of the certificate that signed it. Two files
// signed with the same certificate give the same sum; a renewed
// certificate, or another one of the same maker, does not.
#include <windows.h>

#include <string>

class CSignerCheck {
public:
    // The verdict (ERROR_SUCCESS when the signature is good); `signer` gets
    // the certificate's sum, empty unless the verdict is good.
    static LONG Verify(HANDLE file, const std::wstring& path, std::string& signer);
};

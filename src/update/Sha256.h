#pragma once
// A SHA-256 sum through the system's cryptography (bcrypt, loaded by
// update/CheckLibraries.h), given as 64 lower-case hex digits.
#include <windows.h>

#include <string>

#include "base/NonCopyable.h"
#include "base/Win32Owners.h"

class CSha256 : private vt::NonCopyable {
public:
    CSha256();

    // False once any step has failed (the sum is then empty).
    bool Add(const void* data, ULONG size);
    // The sum of everything added; empty on failure. Once only.
    std::string HexDigest();

    static std::string Of(const void* data, ULONG size);

private:
    vt::UniqueCryptAlgorithm m_algorithm;
    vt::UniqueCryptHash m_hash;
    bool m_ok = false;
};

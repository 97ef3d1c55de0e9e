#include "update/Sha256.h"

#include "update/CheckLibraries.h"

CSha256::CSha256() {
    const CCheckLibraries& libraries = CCheckLibraries::Get();
    m_ok = libraries.Ready() && libraries.OpenAlgorithm(m_algorithm.Put(), BCRYPT_SHA256_ALGORITHM) == 0 &&
           libraries.CreateHash(m_algorithm.Get(), m_hash.Put()) == 0;
}

bool CSha256::Add(const void* data, ULONG size) {
    // bcrypt takes a non-const pointer but only reads it.
    m_ok = m_ok && CCheckLibraries::Get().HashData(m_hash.Get(), static_cast<unsigned char*>(const_cast<void*>(data)),
                                                   size) == 0;
    return m_ok;
}

std::string CSha256::HexDigest() {
    unsigned char digest[32] = {};
    if (!m_ok || CCheckLibraries::Get().FinishHash(m_hash.Get(), digest, sizeof(digest)) != 0) return std::string();
    m_ok = false;
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::string CSha256::Of(const void* data, ULONG size) {
    CSha256 sum;
    sum.Add(data, size);
    return sum.HexDigest();
}

#include "support/PngBytes.h"

#include <windows.h>

namespace PngBytes {

uint32_t Crc(const std::string& s) {
    using CrcFn = DWORD(WINAPI*)(DWORD, const BYTE*, ULONG);
    static const auto crc = reinterpret_cast<CrcFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlComputeCrc32")));
    return crc(0, reinterpret_cast<const BYTE*>(s.data()), static_cast<ULONG>(s.size()));
}

std::string BigEndian(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Chunk(const char* type, const std::string& body) {
    const std::string typed = type + body;
    return BigEndian(static_cast<uint32_t>(body.size())) + typed + BigEndian(Crc(typed));
}

void Reseal(std::string& png, const char* type) {
    const size_t at = png.find(type);
    if (at == std::string::npos || at < 4) return;
    const uint32_t length = static_cast<uint32_t>(BYTE(png[at - 4])) << 24 | BYTE(png[at - 3]) << 16 |
                            BYTE(png[at - 2]) << 8 | BYTE(png[at - 1]);
    if (length > png.size() || at + 8 + length > png.size()) return;
    png.replace(at + 4 + length, 4, BigEndian(Crc(png.substr(at, 4 + length))));
}

std::string MakePng(int w, int h, char colourType, const std::string& rows, const std::string& before) {
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at < rows.size() || at == 0; at += 65535) {
        const std::string part = rows.substr(at, 65535);
        const uint16_t n = static_cast<uint16_t>(part.size());
        zlib += static_cast<char>(at + part.size() >= rows.size());
        zlib += {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(~n), static_cast<char>(~n >> 8)};
        zlib += part;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : rows) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    zlib += BigEndian(b << 16 | a);
    const std::string header = BigEndian(w) + BigEndian(h) + std::string{8, colourType, 0, 0, 0};
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header) + before + Chunk("IDAT", zlib) + Chunk("IEND", "");
}

}  // namespace PngBytes

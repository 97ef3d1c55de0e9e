#include "duilib/Inflate.h"

#include <cstring>

namespace DuiLib {

namespace {

constexpr int kMaxCodeBits = 15;
// Codes up to this long are looked up in one step; longer ones (rare in
// image data) are walked a bit at a time.
constexpr int kFastBits = 9;
constexpr int kMaxSymbols = 288;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The stream's bits, lowest first. Past the end it reads zeros and keeps
// counting, so a stream cut short shows up as Overrun() once its missing
// bits are used.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint32_t Peek(int n) const {
        const size_t at = m_bit >> 3;
        uint32_t v = 0;
        if (at + 4 <= m_size) {
            v = m_data[at] | m_data[at + 1] << 8 | m_data[at + 2] << 16 | static_cast<uint32_t>(m_data[at + 3]) << 24;
        } else {
            for (size_t i = 0; i < 4; ++i)
                if (at + i < m_size) v |= static_cast<uint32_t>(m_data[at + i]) << (8 * i);
        }
        return (v >> (m_bit & 7)) & ((1u << n) - 1);
    }
    void Skip(int n) { m_bit += n; }
    uint32_t Take(int n) {
        const uint32_t v = Peek(n);
        m_bit += n;
        return v;
    }
    void AlignToByte() { m_bit = (m_bit + 7) & ~static_cast<size_t>(7); }
    bool Overrun() const { return m_bit > m_size * 8; }
    // Whole bytes from the current (byte-aligned) place; null when fewer remain.
    const uint8_t* Bytes(size_t n) const {
        const size_t at = m_bit >> 3;
        return at <= m_size && n <= m_size - at ? m_data + at : nullptr;
    }
    void SkipBytes(size_t n) { m_bit += n * 8; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_bit = 0;
};

// A canonical prefix code made from its code lengths.
struct PrefixCode {
    uint16_t count[kMaxCodeBits + 1];  // how many codes have each length
    uint16_t symbol[kMaxSymbols];      // the symbols in code order
    uint16_t fast[1 << kFastBits];     // symbol << 4 | length of a short code, indexed by its bits; 0: none

    // False when the lengths ask for more codes than there are.
    bool Build(const uint8_t* lengths, int n) {
        memset(count, 0, sizeof(count));
        for (int i = 0; i < n; ++i) ++count[lengths[i]];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            left = (left << 1) - count[len];
            if (left < 0) return false;
        }
        uint16_t next[kMaxCodeBits + 1] = {};
        for (int len = 1; len < kMaxCodeBits; ++len) next[len + 1] = next[len] + count[len];
        for (int i = 0; i < n; ++i)
            if (lengths[i]) symbol[next[lengths[i]]++] = static_cast<uint16_t>(i);
        memset(fast, 0, sizeof(fast));
        unsigned code = 0;
        int index = 0;
        for (int len = 1; len <= kFastBits; ++len, code <<= 1) {
            for (int k = 0; k < count[len]; ++k, ++code) {
                // Codes are sent from their top bit, the reader sees the lowest first.
                unsigned reversed = 0;
                for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1u) << (len - 1 - b);
                const uint16_t entry = static_cast<uint16_t>(symbol[index++] << 4 | len);
                for (unsigned i = reversed; i < (1u << kFastBits); i += 1u << len) fast[i] = entry;
            }
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code.
    int Decode(BitReader& bits) const {
        const uint16_t entry = fast[bits.Peek(kFastBits)];
        if (entry) {
            bits.Skip(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            code |= static_cast<int>(bits.Take(1));
            if (code - first < count[len]) return symbol[index + code - first];
            index += count[len];
            first = (first + count[len]) << 1;
            code <<= 1;
        }
        return -1;
    }
};

void FixedCodes(PrefixCode& literals, PrefixCode& distances) {
    uint8_t lengths[kMaxSymbols];
    memset(lengths, 8, 144);
    memset(lengths + 144, 9, 112);
    memset(lengths + 256, 7, 24);
    memset(lengths + 280, 8, 8);
    literals.Build(lengths, kMaxSymbols);
    memset(lengths, 5, 30);
    distances.Build(lengths, 30);
}

bool DynamicCodes(BitReader& bits, PrefixCode& literals, PrefixCode& distances) {
    const int nLiterals = static_cast<int>(bits.Take(5)) + 257;
    const int nDistances = static_cast<int>(bits.Take(5)) + 1;
    const int nLengthCodes = static_cast<int>(bits.Take(4)) + 4;
    if (nLiterals > 286 || nDistances > 30) return false;
    static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t lengthLengths[19] = {};
    for (int i = 0; i < nLengthCodes; ++i) lengthLengths[kOrder[i]] = static_cast<uint8_t>(bits.Take(3));
    PrefixCode lengthCode;
    if (!lengthCode.Build(lengthLengths, 19)) return false;

    uint8_t lengths[286 + 30] = {};
    const int total = nLiterals + nDistances;
    for (int index = 0; index < total;) {
        const int sym = lengthCode.Decode(bits);
        if (sym < 0 || bits.Overrun()) return false;
        if (sym < 16) {
            lengths[index++] = static_cast<uint8_t>(sym);
            continue;
        }
        uint8_t value = 0;
        int repeat;
        if (sym == 16) {
            if (index == 0) return false;
            value = lengths[index - 1];
            repeat = 3 + static_cast<int>(bits.Take(2));
        } else if (sym == 17) {
            repeat = 3 + static_cast<int>(bits.Take(3));
        } else {
            repeat = 11 + static_cast<int>(bits.Take(7));
        }
        if (repeat > total - index) return false;
        while (repeat--) lengths[index++] = value;
    }
    if (lengths[256] == 0) return false;  // a block that cannot end
    return literals.Build(lengths, nLiterals) && distances.Build(lengths + nLiterals, nDistances);
}

bool InflateCodes(BitReader& bits, const PrefixCode& literals, const PrefixCode& distances, uint8_t* out,
                  size_t outSize, size_t& pos) {
    for (;;) {
        int sym = literals.Decode(bits);
        if (sym < 0 || bits.Overrun()) return false;
        if (sym < 256) {
            if (pos >= outSize) return false;
            out[pos++] = static_cast<uint8_t>(sym);
            continue;
        }
        if (sym == 256) return true;
        sym -= 257;
        if (sym >= 29) return false;
        const size_t length = kLengthBase[sym] + bits.Take(kLengthExtra[sym]);
        const int d = distances.Decode(bits);
        if (d < 0 || d >= 30) return false;
        const size_t distance = kDistanceBase[d] + bits.Take(kDistanceExtra[d]);
        if (bits.Overrun() || distance > pos || length > outSize - pos) return false;
        // Byte by byte: the source may overlap what is being written.
        const uint8_t* from = out + pos - distance;
        uint8_t* to = out + pos;
        for (size_t i = 0; i < length; ++i) to[i] = from[i];
        pos += length;
    }
}

uint32_t Adler32(const uint8_t* p, size_t n) {
    uint32_t a = 1, b = 0;
    while (n) {
        // The most bytes before b can exceed 32 bits.
        size_t run = n < 5552 ? n : 5552;
        n -= run;
        while (run--) {
            a += *p++;
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return b << 16 | a;
}

}  // namespace

bool ZlibInflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
    if (!in || inSize < 6 || inSize > SIZE_MAX / 8 - 8 || (!out && outSize)) return false;
    const unsigned cmf = in[0], flg = in[1];
    // Deflate with a window of at most 32 KiB, a valid header check, no preset dictionary.
    if ((cmf & 15) != 8 || (cmf >> 4) > 7 || (cmf << 8 | flg) % 31 != 0 || (flg & 0x20)) return false;
    BitReader bits(in + 2, inSize - 2);
    PrefixCode literals, distances;
    size_t pos = 0;
    for (bool last = false; !last;) {
        last = bits.Take(1) != 0;
        const uint32_t type = bits.Take(2);
        if (type == 0) {
            bits.AlignToByte();
            const uint8_t* head = bits.Bytes(4);
            if (!head) return false;
            const size_t length = head[0] | head[1] << 8;
            if (length != (~(head[2] | head[3] << 8) & 0xFFFFu)) return false;
            bits.SkipBytes(4);
            const uint8_t* stored = bits.Bytes(length);
            if (!stored || length > outSize - pos) return false;
            memcpy(out + pos, stored, length);
            pos += length;
            bits.SkipBytes(length);
            continue;
        }
        if (type == 1) {
            FixedCodes(literals, distances);
        } else if (type != 2 || !DynamicCodes(bits, literals, distances)) {
            return false;
        }
        if (!InflateCodes(bits, literals, distances, out, outSize, pos)) return false;
    }
    if (bits.Overrun() || pos != outSize) return false;
    bits.AlignToByte();
    const uint8_t* sum = bits.Bytes(4);
    if (!sum) return false;
    const uint32_t expected = static_cast<uint32_t>(sum[0]) << 24 | sum[1] << 16 | sum[2] << 8 | sum[3];
    return Adler32(out, outSize) == expected;
}

}  // namespace DuiLib

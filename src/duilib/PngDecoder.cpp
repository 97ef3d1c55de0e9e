#include "duilib/PngDecoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "duilib/Inflate.h"

namespace DuiLib {

namespace {

// Far beyond any skin image, and small enough that sizes stay within 32 bits.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    static const struct Table {
        uint32_t entry[256];
        Table() {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t c = i;
                for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                entry[i] = c;
            }
        }
    } table;
    uint32_t c = 0xFFFFFFFFu;
    while (n--) c = table.entry[(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool Is(const uint8_t* type, const char* name) { return memcmp(type, name, 4) == 0; }

// The rounding GDI+ premultiplies with under Wine: every skin pixel stays
// as it was when GDI+ decoded the images.
inline uint8_t Premultiply(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes one row's filter in place; `prev` is the row above, null for the first.
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* prev, size_t length, size_t bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (size_t i = bpp; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
        return true;
    case 2:
        if (prev)
            for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
        return true;
    case 3:
        for (size_t i = 0; i < length; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0, up = prev ? prev[i] : 0;
            row[i] = static_cast<uint8_t>(row[i] + ((left + up) >> 1));
        }
        return true;
    case 4:
        for (size_t i = 0; i < length; ++i) {
            const uint8_t left = i >= bpp ? row[i - bpp] : 0, up = prev ? prev[i] : 0;
            const uint8_t corner = i >= bpp && prev ? prev[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + Paeth(left, up, corner));
        }
        return true;
    default:
        return false;
    }
}

}  // namespace

CPngDecoder::Result CPngDecoder::ReadHeader(const uint8_t* body, uint32_t length) {
    if (length != 13) return Result::kFailed;
    const uint32_t w = BigEndian32(body), h = BigEndian32(body + 4);
    const uint8_t depth = body[8], colourType = body[9], compression = body[10], filter = body[11], interlace = body[12];
    if (w == 0 || h == 0 || compression != 0 || filter != 0 || interlace > 1) return Result::kFailed;
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    if (colourType > 6 || kChannels[colourType] == 0) return Result::kFailed;
    const bool lowDepth = depth == 1 || depth == 2 || depth == 4;
    const bool validDepth = depth == 8 || (depth == 16 && colourType != 3) ||
                            (lowDepth && (colourType == 0 || colourType == 3));
    if (!validDepth) return Result::kFailed;
    if (w > kMaxSide || h > kMaxSide || uint64_t(w) * h > kMaxPixels) return Result::kFailed;
    if (depth != 8 || interlace != 0) return Result::kNotSupported;
    m_width = static_cast<int>(w);
    m_height = static_cast<int>(h);
    m_colourType = colourType;
    m_channels = kChannels[colourType];
    return Result::kOk;
}

void CPngDecoder::ReadTransparency(const uint8_t* body, uint32_t length) {
    // A wrong transparency chunk is ignored, as any broken ancillary chunk is.
    if (m_colourType == 3 && m_paletteSize > 0 && length <= static_cast<uint32_t>(m_paletteSize)) {
        for (uint32_t i = 0; i < length; ++i) m_palette[i][3] = body[i];
    } else if (m_colourType == 0 && length == 2 && body[0] == 0) {
        m_key[0] = body[1];
    } else if (m_colourType == 2 && length == 6 && body[0] == 0 && body[2] == 0 && body[4] == 0) {
        m_key[0] = body[1];
        m_key[1] = body[3];
        m_key[2] = body[5];
    }
}

CPngDecoder::Result CPngDecoder::Open(const uint8_t* data, size_t size) {
    *this = CPngDecoder();
    if (!data) return Result::kFailed;
    const size_t signature = size < sizeof(kSignature) ? size : sizeof(kSignature);
    if (memcmp(data, kSignature, signature) != 0) return Result::kNotSupported;  // another format
    if (size < sizeof(kSignature)) return Result::kFailed;
    bool header = false, palette = false, imageData = false, imageDataEnded = false;
    for (size_t pos = sizeof(kSignature);;) {
        if (size - pos < 12) return Result::kFailed;
        const uint32_t length = BigEndian32(data + pos);
        if (length > 0x7FFFFFFFu || length > size - pos - 12) return Result::kFailed;
        const uint8_t* type = data + pos + 4;
        const uint8_t* body = type + 4;
        const bool critical = (type[0] & 0x20) == 0;
        const bool sound = Crc32(type, length + 4) == BigEndian32(body + length);
        if (critical && !sound) return Result::kFailed;
        if (!header && !Is(type, "IHDR")) return Result::kFailed;
        if (imageData && !Is(type, "IDAT")) imageDataEnded = true;
        if (Is(type, "IHDR")) {
            if (header) return Result::kFailed;
            header = true;
            const Result r = ReadHeader(body, length);
            if (r != Result::kOk) return r;
        } else if (Is(type, "PLTE")) {
            if (palette || imageData || m_colourType == 0 || m_colourType == 4) return Result::kFailed;
            if (length == 0 || length % 3 != 0 || length > 3 * 256) return Result::kFailed;
            palette = true;
            m_paletteSize = static_cast<int>(length / 3);
            for (int i = 0; i < m_paletteSize; ++i) {
                memcpy(m_palette[i], body + 3 * i, 3);
                m_palette[i][3] = 255;
            }
        } else if (Is(type, "IDAT")) {
            if (imageDataEnded || (m_colourType == 3 && !palette)) return Result::kFailed;
            imageData = true;
            m_compressed.insert(m_compressed.end(), body, body + length);
        } else if (Is(type, "IEND")) {
            if (!imageData || length != 0) return Result::kFailed;
            return Result::kOk;
        } else if (critical) {
            return Result::kNotSupported;  // a kind of image this reader does not know
        } else if (Is(type, "tRNS") && sound && !imageData) {
            ReadTransparency(body, length);
        }
        pos += 12 + static_cast<size_t>(length);
    }
}

bool CPngDecoder::ConvertRow(const uint8_t* row, uint8_t* out) const {
    for (int x = 0; x < m_width; ++x, out += 4) {
        uint8_t r, g, b, a = 255;
        switch (m_colourType) {
        case 0:
            r = g = b = row[x];
            if (row[x] == m_key[0]) a = 0;
            break;
        case 2:
            r = row[3 * x];
            g = row[3 * x + 1];
            b = row[3 * x + 2];
            if (r == m_key[0] && g == m_key[1] && b == m_key[2]) a = 0;
            break;
        case 3: {
            const uint8_t index = row[x];
            if (index >= m_paletteSize) return false;
            r = m_palette[index][0];
            g = m_palette[index][1];
            b = m_palette[index][2];
            a = m_palette[index][3];
            break;
        }
        case 4:
            r = g = b = row[2 * x];
            a = row[2 * x + 1];
            break;
        default:
            r = row[4 * x];
            g = row[4 * x + 1];
            b = row[4 * x + 2];
            a = row[4 * x + 3];
            break;
        }
        out[0] = Premultiply(b, a);
        out[1] = Premultiply(g, a);
        out[2] = Premultiply(r, a);
        out[3] = a;
    }
    return true;
}

CPngDecoder::Result CPngDecoder::Decode(uint8_t* pixels, size_t stride) const {
    if (m_width <= 0 || !pixels || stride < 4 * static_cast<size_t>(m_width)) return Result::kFailed;
    const size_t rowBytes = static_cast<size_t>(m_width) * m_channels;
    const size_t rawSize = (rowBytes + 1) * m_height;
    std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[rawSize]);
    if (!raw || !ZlibInflate(m_compressed.data(), m_compressed.size(), raw.get(), rawSize)) return Result::kFailed;
    const uint8_t* prev = nullptr;
    for (int y = 0; y < m_height; ++y) {
        uint8_t* row = raw.get() + y * (rowBytes + 1);
        if (!Unfilter(row[0], row + 1, prev, rowBytes, m_channels)) return Result::kFailed;
        if (!ConvertRow(row + 1, pixels + y * stride)) return Result::kFailed;
        prev = row + 1;
    }
    return Result::kOk;
}

}  // namespace DuiLib

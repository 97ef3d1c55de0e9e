#pragma once
// The toolkit's own reader of the PNG images skins are drawn from, so that
// drawing a skin needs no codec library. It takes 8-bit, non-interlaced
// images of every colour type; others are left to GDI+. It trusts nothing
// in the file: every length, size and checksum is checked before use.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace DuiLib {

class CPngDecoder {
public:
    enum class Result {
        kOk,
        kNotSupported,  // another format, or a kind of PNG this reader does not take
        kFailed,        // a broken PNG
    };

    // Reads and checks the file's chunks, keeping a copy of the image data:
    // the file's bytes may go before Decode.
    Result Open(const uint8_t* data, size_t size);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // After Open gave kOk: the pixels as premultiplied BGRA, rows `stride`
    // bytes apart from the top one (stride >= 4 * Width()). kOk or kFailed;
    // on failure the pixels written so far are of no use.
    Result Decode(uint8_t* pixels, size_t stride) const;

private:
    Result ReadHeader(const uint8_t* body, uint32_t length);
    void ReadTransparency(const uint8_t* body, uint32_t length);
    bool ConvertRow(const uint8_t* row, uint8_t* out) const;

    int m_width = 0;
    int m_height = 0;
    int m_colourType = 0;
    int m_channels = 0;
    int m_paletteSize = 0;
    uint8_t m_palette[256][4] = {};  // R, G, B, A
    int m_key[3] = {-1, -1, -1};     // the colour that stands for transparent, when given
    std::vector<uint8_t> m_compressed;
};

}  // namespace DuiLib

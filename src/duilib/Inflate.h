#pragma once
// Inflates a zlib stream (deflate data in a zlib wrapper) into a buffer of
// known size. Skin images know the size of their pixel data before it is
// unpacked, so the output is one caller-owned block, filled exactly.
#include <cstddef>
#include <cstdint>

namespace DuiLib {

// True when `in` holds a whole zlib stream that unpacks to exactly
// `outSize` bytes and its checksum matches. False for anything else (a
// preset dictionary, a broken or short stream, more or less data than
// `outSize`); nothing is read or written outside the two buffers either way.
bool ZlibInflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

}  // namespace DuiLib

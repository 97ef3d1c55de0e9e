#pragma once
// PNG files made byte by byte, for the readers' tests: chunks with their
// CRC, a file whose rows are stored uncompressed, and a chunk sealed again
// after an edit so that only the edit is wrong.
#include <cstdint>
#include <string>

namespace PngBytes {
uint32_t Crc(const std::string& s);
std::string BigEndian(uint32_t v);
std::string Chunk(const char* type, const std::string& body);
// The first chunk of `type` in `png` gets its CRC recomputed; nothing
// happens when there is no such chunk or its length runs past the end.
void Reseal(std::string& png, const char* type);
// A PNG whose rows (each with its filter byte) are stored uncompressed, with
// `before` (more chunks) between the header and the image data.
std::string MakePng(int w, int h, char colourType, const std::string& rows, const std::string& before = "");
}  // namespace PngBytes

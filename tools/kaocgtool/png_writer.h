// A PNG writer for 8-bit RGB pictures (colour type 2), with no outside
// library: the pixel rows go into one IDAT chunk as stored (uncompressed)
// deflate blocks, so the file is about as large as the raw pixels. That is
// enough for a tool whose pictures are looked at and compared, not shipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>

namespace kaocgtool {

// Running CRC-32 (ISO 3309, the one PNG chunks carry): pass the previous
// result to continue over more bytes; 0 starts.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

// Running Adler-32 (RFC 1950, the zlib stream's check): pass the previous
// result to continue; 1 starts.
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler = 1);

// The byte size of the PNG file WritePngRgb makes for width x height, or 0
// when PNG cannot hold it: a side of 0 or above 2^31 - 1, or pixel data that
// does not fit one chunk.
std::uint64_t PngRgbFileSize(std::uint32_t width, std::uint32_t height);

// Fills rgb with the width x 3 bytes (red, green, blue) of row y, 0 being
// the top row.
using PngRowSource = std::function<void(std::uint32_t y, std::uint8_t* rgb)>;

// Writes the picture to out, asking rows for each row once, top to bottom.
// False when PngRgbFileSize refuses the size or the stream fails.
bool WritePngRgb(std::ostream& out, std::uint32_t width, std::uint32_t height, const PngRowSource& rows);

}  // namespace kaocgtool

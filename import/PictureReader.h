// The picture readers of the import dialog: a BMP or JPEG file becomes the
// 24-bit bottom-up work picture that the range selection cuts the faces from.
// The dialog shows the message text a refused file yields; these functions
// only build it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "import/DIB.h"

// Files larger than this are not read into memory at all; no BMP or JPEG
// picture within the picture size cap needs more.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{3} << 29;  // 1.5 GiB

// Reads a BMP file held in memory. On success replaces work and returns true;
// otherwise returns false with the text to show in message, and work stays
// as it was. fileName is the file's name without its folder.
//
// Width rounding: 1-, 4- and 8-bit files take every pixel of the padded file
// row (the padding shows through the colour table), 15- to 32-bit files are
// widened to a multiple of 4 with black columns. Bit-field files honour
// their three masks. A file that ends inside its pixel rows is refused,
// unless only the padding of its last row is missing.
bool ReadBmpFile(const std::uint8_t* data, std::size_t size, std::string_view fileName, CDIB& work,
                 std::string& message);

// Decodes a JPEG file held in memory into the work picture, as ReadBmpFile.
bool ReadJpegFile(const std::uint8_t* data, std::size_t size, std::string_view fileName, CDIB& work,
                  std::string& message);

enum class PictureReadResult {
  kRead,       // work replaced
  kNotOpened,  // the file could not be opened: nothing to tell the user
  kRefused,    // message holds the text to show
};

// The import dialog's read of one chosen file: files whose first two bytes
// are "BM" are read as BMP, every other file as JPEG.
PictureReadResult ReadPictureFile(const std::filesystem::path& path, CDIB& work, std::string& message);

// The message forms of the readers: "file name\ntext" and
// "text\nBitCount [n] ClrUsed [n]".
std::string FileMessage(std::string_view fileName, int stringId);
std::string BitCountMessage(int bitCount, std::uint32_t clrUsed);

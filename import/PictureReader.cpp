#include "import/PictureReader.h"

#include <fstream>
#include <memory>
#include <new>

#include "res/strings.h"

std::string FileMessage(std::string_view fileName, int stringId) {
  std::string text(fileName);
  text += '\n';
  text += res::LoadString(stringId);
  return text;
}

std::string BitCountMessage(int bitCount, std::uint32_t clrUsed) {
  // The colours-used field is shown as the signed number it always was.
  return std::string(res::LoadString(res::IDS_BMP_BAD_COLOR_COUNT)) + "\nBitCount [" + std::to_string(bitCount) +
         "] ClrUsed [" + std::to_string(static_cast<std::int32_t>(clrUsed)) + "]";
}

PictureReadResult ReadPictureFile(const std::filesystem::path& path, CDIB& work, std::string& message) {
  message.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return PictureReadResult::kNotOpened;
  const std::string name = path.filename().string();
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(path, ec);
  if (ec) return PictureReadResult::kNotOpened;

  char magic[2] = {};
  file.read(magic, 2);
  const bool bmp = file.gcount() == 2 && magic[0] == 'B' && magic[1] == 'M';
  file.clear();
  file.seekg(0);
  const int refusal = bmp ? res::IDS_BMP_UNSUPPORTED_FORMAT : res::IDS_JPEG_HEADER_FAILED;
  if (length > kMaxPictureFileBytes) {
    message = FileMessage(name, refusal);
    return PictureReadResult::kRefused;
  }
  const std::size_t size = static_cast<std::size_t>(length);
  std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[size ? size : 1]);
  if (!bytes) {
    message = FileMessage(name, refusal);
    return PictureReadResult::kRefused;
  }
  file.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(size));
  // A file that shrank while it was read is read as far as it goes.
  const std::size_t got = static_cast<std::size_t>(file.gcount());
  const bool ok = bmp ? ReadBmpFile(bytes.get(), got, name, work, message)
                      : ReadJpegFile(bytes.get(), got, name, work, message);
  return ok ? PictureReadResult::kRead : PictureReadResult::kRefused;
}

// A stored face as the archive reads it: the first byte picks the face size,
// the rest is the entry (zero-padded to the entry size, as the bytes behind a
// short G1T are), decoded into a picture. The same bytes are also read as
// the head of a LINK archive.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/KaoCGImageArchive.h"
#include "facedata/LinkArchive.h"
#include "import/DIB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  using namespace kaocg_func;
  const int archiveType = kArchiveEditableLarge + data[0] % 3;
  CDIB picture;
  CKaoCGImageArchive archive(&picture, 1, archiveType, true);
  std::vector<uint8_t> entry(archive.GetEntrySize(), 0);
  std::memcpy(entry.data(), data + 1, std::min(size - 1, entry.size()));
  if (archive.DecodeEntry(entry.data())) {
    // A decoded face is always a whole 32-bit picture.
    if (picture.GetBitCount() != 32 || picture.GetBitsSize() != std::size_t(picture.GetWidth()) * picture.GetHeight() * 4)
      __builtin_trap();
  }
  LinkHeader header;
  std::vector<LinkIndexRecord> records;
  DecodeLinkIndex(data, size, &header, &records);
  return 0;
}

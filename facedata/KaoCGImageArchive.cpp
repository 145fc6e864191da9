#include "facedata/KaoCGImageArchive.h"

#include <algorithm>
#include <vector>

#include "facedata/FaceMask.h"
#include "facedata/FaceTexture.h"
#include "facedata/Installation.h"
#include "facedata/LinkArchive.h"
#include "import/DIB.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Services.h"

namespace kaocg_func {

CKaoCGImageArchive::CKaoCGImageArchive(CDIB* bitmap, int imageNumber, int archiveType)
    : CKaoCGImageArchive(bitmap, imageNumber, archiveType, kaocg::ExpansionInstalled()) {}

CKaoCGImageArchive::CKaoCGImageArchive(CDIB* bitmap, int imageNumber, int archiveType, bool expansion)
    : bitmap_(bitmap), archiveType_(archiveType) {
  constants_ = FindArchiveConstants(archiveType, expansion);
  if (!constants_) return;
  slot_ = imageNumber - FirstImageNumber(archiveType, expansion);
  entryCount_ = constants_->entryCount;
  constant32_ = kLinkConstant32;
  secondCount_ = constants_->entryCount;
  infoTableOffset_ = constants_->infoTableOffset;
  entrySize_ = constants_->entrySize;
  offsetCapacity_ = constants_->entryCount;
  entryOffsets_ = std::make_unique<std::uint32_t[]>(offsetCapacity_);
  for (std::uint32_t i = 0; i < offsetCapacity_; ++i)
    entryOffsets_[i] = static_cast<std::uint32_t>(ComputedEntryOffset(*constants_, i));
}

CKaoCGImageArchive::~CKaoCGImageArchive() { Detach(); }

bool CKaoCGImageArchive::HeaderMatchesConstants() const {
  return constants_ && magic_ == kLinkMagic && entryCount_ == constants_->entryCount &&
         constant32_ == kLinkConstant32 && secondCount_ == constants_->entryCount &&
         infoTableOffset_ == constants_->infoTableOffset;
}

bool CKaoCGImageArchive::TransferU32(std::uint32_t* value) {
  // The archive is little-endian on every host.
  std::uint8_t bytes[4];
  if (mode_ == kModeWrite) StoreLE32(bytes, *value);
  if (Transfer(bytes, sizeof bytes) != sizeof bytes) return false;
  if (mode_ == kModeRead) *value = LoadLE32(bytes);
  return true;
}

bool CKaoCGImageArchive::SerializeHeader() {
  if (!constants_) return false;
  if (mode_ == kModeWrite) {
    if (!IsEditableImageArchive(archiveType_)) return false;
    if (!HeaderMatchesConstants()) return false;
  }
  if (mode_ == kModeRead) {
    // The five fields and the reserved bytes in one read instead of six: the
    // thumbnail load reads this header 2,700 times. A short header sets the
    // fields it holds whole and fails, as field-by-field reading did.
    std::uint8_t head[5 * 4 + 12];
    const std::size_t got = Transfer(head, sizeof head);
    std::uint32_t* const fields[] = {&magic_, &entryCount_, &constant32_, &secondCount_, &infoTableOffset_};
    for (std::size_t k = 0; k < 5; ++k) {
      if (got < (k + 1) * 4) return false;
      *fields[k] = LoadLE32(head + k * 4);
    }
    if (got != sizeof head) return false;
  } else {
    if (!TransferU32(&magic_) || !TransferU32(&entryCount_) || !TransferU32(&constant32_) ||
        !TransferU32(&secondCount_) || !TransferU32(&infoTableOffset_)) {
      return false;
    }
    std::uint8_t reserved[12] = {};
    if (Transfer(reserved, sizeof reserved) != sizeof reserved) return false;
  }

  // A header of another archive (the other edition's shipped one included)
  // fails here, before a single offset of its index is taken.
  if (mode_ == kModeRead && !HeaderMatchesConstants()) return false;

  // The index: per entry its offset and the entry size, moved as one block
  // rather than 2 x count small transfers (the bytes are the same). Its byte
  // count is not tested: the offsets a short index does not reach keep their
  // computed values, and the entry read that follows then fails on its own.
  const std::uint32_t records = std::min(entryCount_, offsetCapacity_);
  std::vector<std::uint8_t> index(std::size_t{records} * kLinkIndexRecordBytes);
  if (mode_ == kModeWrite) {
    for (std::uint32_t i = 0; i < records; ++i) {
      StoreLE32(&index[std::size_t{i} * kLinkIndexRecordBytes], entryOffsets_[i]);
      StoreLE32(&index[std::size_t{i} * kLinkIndexRecordBytes + 4], entrySize_);
    }
  }
  const std::size_t moved = Transfer(index.data(), index.size());
  if (mode_ == kModeRead) {
    for (std::uint32_t i = 0; i < records && std::size_t{i} * kLinkIndexRecordBytes + 4 <= moved; ++i)
      entryOffsets_[i] = LoadLE32(&index[std::size_t{i} * kLinkIndexRecordBytes]);
  }
  return true;
}

bool CKaoCGImageArchive::SerializeBody() {
  if (!constants_ || !file_ || (mode_ != kModeRead && mode_ != kModeWrite)) return false;
  if (slot_ < 0 || static_cast<std::uint32_t>(slot_) >= entryCount_ ||
      static_cast<std::uint32_t>(slot_) >= offsetCapacity_) {
    return false;
  }
  std::vector<std::uint8_t> buffer(entrySize_);
  if (mode_ == kModeWrite && !EncodeEntry(buffer.data())) return false;

  if (!file_->Seek(entryOffsets_[slot_])) return false;
  if (Transfer(buffer.data(), entrySize_) != entrySize_) return false;

  if (mode_ == kModeWrite) {
    const std::uint64_t bitmapOffset = UsedSlotBitmapOffset(*constants_);
    std::uint8_t used[kUsedSlotBitmapBytes];
    if (!file_->Seek(bitmapOffset)) return false;
    if (file_->Read(used, sizeof used) != sizeof used) return false;
    used[slot_ / 8] = static_cast<std::uint8_t>(used[slot_ / 8] | (1u << (slot_ % 8)));
    if (!file_->Seek(bitmapOffset)) return false;
    return Transfer(used, sizeof used) == sizeof used;
  }
  return DecodeEntry(buffer.data());
}

bool CKaoCGImageArchive::EncodeEntry(std::uint8_t* buffer) const {
  if (!constants_ || !bitmap_ || bitmap_->IsEmpty()) return false;
  const int side = kFaceGeometry[static_cast<std::size_t>(constants_->faceSize)].textureSide;
  // The canvases are 24-bit pictures of exactly the texture's size; anything
  // else would be read past its rows or masked with the wrong geometry.
  if (bitmap_->GetBitCount() != 24 || bitmap_->GetWidth() != side || bitmap_->GetHeight() != side) return false;

  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side) * side * 4);
  std::uint8_t* out = rgba.data();
  for (int y = 0; y < side; ++y) {
    const std::uint8_t* row = bitmap_->GetPixelAddress(0, y);
    for (int x = 0; x < side; ++x, out += 4, row += 3) {
      out[0] = row[2];
      out[1] = row[1];
      out[2] = row[0];
    }
  }
  ApplyFaceMask(constants_->faceSize, rgba.data());
  return EncodeFaceTexture(rgba, side, side, buffer, entrySize_) != 0;
}

bool CKaoCGImageArchive::DecodeEntry(const std::uint8_t* buffer) const {
  if (!bitmap_) return false;
  std::vector<std::uint8_t> pixels;
  int width = 0, height = 0;
  if (!DecodeFaceTexture(buffer, entrySize_, &pixels, &width, &height)) return false;
  for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);

  BITMAPINFOHEADER info{};
  info.biSize = 40;
  info.biWidth = width;
  info.biHeight = -height;  // top row first
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = 0;
  return bitmap_->CreateFromInfo(&info, pixels.data(), true);
}

bool TransferFaceImage(int imageNumber, const std::string& userFolder, CDIB* bitmap,
                       const std::string& dataFolder, int mode, bool withHeader) {
  const bool expansion = kaocg::ExpansionInstalled();
  const std::optional<ImagePlace> place = FindImagePlace(imageNumber, expansion);
  if (!place) return false;
  const bool editable = IsEditableImageArchive(place->archiveType);
  const platform::Services& services = platform::Current();

  bool ok = true;
  const std::optional<std::string> path = BuildArchivePath(place->archiveType, userFolder, dataFolder);
  if (!path) ok = false;
  if (ok && editable && !services.attributes->SetAttributes(*path, platform::kAttrNormal)) ok = false;

  std::unique_ptr<platform::File> file;
  if (ok) {
    const unsigned flags = (mode == kModeWrite ? platform::kModeReadWrite : platform::kModeRead) |
                           platform::kShareExclusive;
    file = services.files->Open(*path, flags);
    if (!file) ok = false;
  }

  {
    CKaoCGImageArchive archive(bitmap, imageNumber, place->archiveType, expansion);
    if (ok) {
      archive.Attach(file.get());
      archive.SetMode(mode);
      const bool header = !withHeader || archive.SerializeHeader();
      ok = header && archive.SerializeBody();
      archive.Detach();
    }
  }

  file.reset();
  // The editable archives stay read-only between transfers, whatever
  // happened during this one.
  if (path && editable && !services.attributes->SetAttributes(*path, platform::kAttrReadOnly)) ok = false;
  return ok;
}

RegistrationResult RegisterImportedFace(int faceNumber, CDIB* large, CDIB* medium, CDIB* small,
                                        const std::string& userFolder, const std::string& dataFolder) {
  RegistrationResult result;
  if (faceNumber < kFirstUserFace || faceNumber > kLastRegistrableFace) return result;
  // Slot f - 1700 of each editable archive: image numbers f - 1699, f - 598
  // and f + 503.
  result.large = TransferFaceImage(faceNumber - 1699, userFolder, large, dataFolder, kModeWrite, true);
  result.medium = TransferFaceImage(faceNumber - 598, userFolder, medium, dataFolder, kModeWrite, true);
  result.small = TransferFaceImage(faceNumber + 503, userFolder, small, dataFolder, kModeWrite, true);
  return result;
}

}  // namespace kaocg_func

// The face image archives: every face picture of every size is one entry of
// a LINK archive, named across the six archives by its image number. The
// archive reads one entry into a 32-bit picture for display, and writes a
// new face, masked to the face's shape, into an entry of an editable archive.
// Every operation seeks to its one entry, so the cost of a transfer does not
// depend on the archive's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/KaoCGArchive.h"

class CDIB;

namespace kaocg_func {

class CKaoCGImageArchive final : public CKaoCGArchive {
 public:
  // bitmap: receives the picture (read) or is encoded (write); not owned.
  // The slot is imageNumber minus the first image number of archiveType in
  // the installed edition. An archive type outside 0 to 5 leaves slot,
  // counts, offsets and constant at zero, and every transfer then fails.
  CKaoCGImageArchive(CDIB* bitmap, int imageNumber, int archiveType);
  // The same for an edition given explicitly (false: base game).
  CKaoCGImageArchive(CDIB* bitmap, int imageNumber, int archiveType, bool expansion);
  ~CKaoCGImageArchive() override;

  // Reads and checks, or writes, the header and the index.
  bool SerializeHeader() override;
  // Reads and decodes, or encodes and writes, the slot's entry; a write also
  // sets the slot's bit in the used-slot bitmap.
  bool SerializeBody() override;

  // The entry bytes of the bitmap (entry size bytes at buffer); false when
  // the bitmap is not a 24-bit picture of the archive's texture size or the
  // texture does not fit.
  bool EncodeEntry(std::uint8_t* buffer) const;
  // The picture of an entry into the bitmap; false, with the bitmap
  // untouched, when the bytes are not a one-texture G1T that decodes.
  bool DecodeEntry(const std::uint8_t* buffer) const;

  int GetSlot() const { return slot_; }
  int GetArchiveType() const { return archiveType_; }
  std::uint32_t GetEntryCount() const { return entryCount_; }
  std::uint32_t GetInfoTableOffset() const { return infoTableOffset_; }
  std::uint32_t GetEntrySize() const { return entrySize_; }
  // Offset i of the index, or 0 beyond it.
  std::uint32_t GetEntryOffset(std::uint32_t i) const {
    return i < offsetCapacity_ ? entryOffsets_[i] : 0;
  }

 private:
  bool HeaderMatchesConstants() const;
  bool TransferU32(std::uint32_t* value);

  CDIB* bitmap_;
  int slot_ = 0;
  int archiveType_;
  std::uint32_t magic_ = kLinkMagic;
  std::uint32_t entryCount_ = 0;
  std::uint32_t constant32_ = 0;
  std::uint32_t secondCount_ = 0;
  std::uint32_t infoTableOffset_ = 0;
  std::unique_ptr<std::uint32_t[]> entryOffsets_;
  std::uint32_t entrySize_ = 0;

  // The constants of the archive type, which the header must match, and how
  // many offsets the index array holds.
  const ArchiveConstants* constants_ = nullptr;
  std::uint32_t offsetCapacity_ = 0;
};

// Reads (mode 0) the picture of image number n into bitmap, or writes
// (mode 1) bitmap into its entry. withHeader: the header and index are read
// (or written) first; without, the computed offsets are used, which are
// exact for the editable archives. An editable archive is made writable for
// the transfer and read-only again after it, whatever happened.
bool TransferFaceImage(int imageNumber, const std::string& userFolder, CDIB* bitmap,
                       const std::string& dataFolder, int mode, bool withHeader);

// The canvases of an imported face: 24-bit, cleared to black, with the cut
// picture at the top-left corner.
inline constexpr int kFirstUserFace = 1700;
inline constexpr int kLastRegistrableFace = 2699;

// Writes the three canvases of an imported face to the slots of face number
// faceNumber (1700 to 2699) of the three editable archives, large first. The
// editor does not test the three results; they are returned for the tools.
struct RegistrationResult {
  bool large = false;
  bool medium = false;
  bool small = false;
  bool All() const { return large && medium && small; }
};
RegistrationResult RegisterImportedFace(int faceNumber, CDIB* large, CDIB* medium, CDIB* small,
                                        const std::string& userFolder, const std::string& dataFolder);

}  // namespace kaocg_func

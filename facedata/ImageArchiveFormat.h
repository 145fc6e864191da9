// The face image archives: "LINK" containers whose entries are one G1T
// texture each. This header holds the bytes on disk (header, index and info
// records), the fixed constants of the six archives of both editions, and
// the image number ranges that name every picture of every archive.
//
// All values on disk are little-endian; they are decoded byte by byte, never
// by casting file bytes onto these structs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "facedata/KaoCGArchive.h"

namespace kaocg_func {

// Face sizes as the rest of the editor numbers them.
inline constexpr int kFaceSmall = 0;
inline constexpr int kFaceMedium = 1;
inline constexpr int kFaceLarge = 2;
inline constexpr int kFaceSizeCount = 3;

// The six image archive types (the first six of the eight archive files).
inline constexpr int kArchiveShippedLarge = 0;
inline constexpr int kArchiveShippedMedium = 1;
inline constexpr int kArchiveShippedSmall = 2;
inline constexpr int kArchiveEditableLarge = 3;
inline constexpr int kArchiveEditableMedium = 4;
inline constexpr int kArchiveEditableSmall = 5;
inline constexpr int kImageArchiveTypeCount = 6;
static_assert(kArchiveShippedLarge == kArchiveKaoL && kArchiveShippedMedium == kArchiveKaoM &&
              kArchiveShippedSmall == kArchiveKaoS && kArchiveEditableLarge == kArchiveEditKaoL &&
              kArchiveEditableMedium == kArchiveEditKaoM && kArchiveEditableSmall == kArchiveEditKaoS,
              "the image archives are the first six archive files");

inline constexpr bool IsEditableImageArchive(int archiveType) {
  return archiveType >= kArchiveEditableLarge && archiveType <= kArchiveEditableSmall;
}

// ---------------------------------------------------------------------------
// Bytes on disk

inline constexpr uint32_t kLinkMagic = 0x4B4E494Cu;  // "LINK"
inline constexpr uint32_t kLinkConstant32 = 32;
inline constexpr uint32_t kLinkHeaderBytes = 32;
inline constexpr uint32_t kLinkIndexRecordBytes = 8;
inline constexpr uint32_t kLinkInfoRecordBytes = 12;
inline constexpr uint32_t kLinkEntryGap = 8;          // after every entry but the last
inline constexpr uint32_t kLinkAlignment = 32;
inline constexpr uint32_t kUserSlotCount = 1100;
inline constexpr uint32_t kUsedSlotBitmapBytes = (kUserSlotCount + 7) / 8;  // 138
// The info record field that the first run sets to 240 in the large copy.
inline constexpr uint16_t kLargeInfoRecordValue = 240;

// Offset 0: the archive header.
struct LinkHeader {
  uint32_t magic;             // kLinkMagic
  uint32_t entryCount;
  uint32_t constant32;        // always 32
  uint32_t secondCount;       // entry count again
  uint32_t infoTableOffset;
  uint8_t reserved[12];       // zeros
};
static_assert(sizeof(LinkHeader) == kLinkHeaderBytes);

// Offset 32: one per entry. The size is written as the entry size and is
// ignored when reading; the archive constants fix the entry size.
struct LinkIndexRecord {
  uint32_t offset;            // from the start of the file
  uint32_t size;
};
static_assert(sizeof(LinkIndexRecord) == kLinkIndexRecordBytes);

// At the info table offset: one per entry. Only the two trailing 16-bit
// numbers are known; the first eight bytes belong to the game and are kept.
struct LinkInfoRecord {
  uint8_t opaque[8];
  uint16_t first;
  uint16_t second;
};
static_assert(sizeof(LinkInfoRecord) == kLinkInfoRecordBytes);

// ---------------------------------------------------------------------------
// Face geometry per size

struct FaceGeometry {
  int textureSide;      // the square texture, a power of two
  int visibleWidth;     // the part kept opaque by the mask, from the top-left corner
  int visibleHeight;
  uint32_t entrySize;   // one G1T with one 32-bit texture and the extended header
};

// Indexed by face size (0 small, 1 medium, 2 large).
inline constexpr std::array<FaceGeometry, kFaceSizeCount> kFaceGeometry = {{
    {64, 60, 60, 16440},
    {128, 96, 120, 65592},
    {256, 240, 240, 262200},
}};

// Bytes of a G1T with one uncompressed 32-bit texture, without and with the
// 12-byte extended texture header.
inline constexpr uint32_t kFaceG1TOverhead = 44;
inline constexpr uint32_t kFaceG1TExtendedOverhead = 56;

constexpr bool FaceGeometryIsConsistent() {
  for (int s = 0; s < kFaceSizeCount; ++s) {
    const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(s)];
    const uint32_t side = static_cast<uint32_t>(g.textureSide);
    if ((side & (side - 1)) != 0) return false;
    if (g.entrySize != kFaceG1TExtendedOverhead + side * side * 4) return false;
    if (g.visibleWidth > g.textureSide || g.visibleHeight > g.textureSide) return false;
    if (s > 0 && kFaceGeometry[static_cast<std::size_t>(s) - 1].textureSide * 2 != g.textureSide) return false;
  }
  return true;
}
static_assert(FaceGeometryIsConsistent());

// ---------------------------------------------------------------------------
// Archive constants

struct ArchiveConstants {
  uint32_t entryCount;
  uint32_t infoTableOffset;
  uint32_t firstEntryOffset;
  uint32_t entrySize;
  int faceSize;
  bool editable;
};

constexpr uint32_t AlignLink(uint32_t v) {
  return (v + kLinkAlignment - 1) / kLinkAlignment * kLinkAlignment;
}
constexpr uint32_t LinkInfoTableOffset(uint32_t count) {
  return AlignLink(kLinkHeaderBytes + kLinkIndexRecordBytes * count);
}
constexpr uint32_t LinkFirstEntryOffset(uint32_t count) {
  return AlignLink(LinkInfoTableOffset(count) + kLinkInfoRecordBytes * count);
}

inline constexpr uint32_t kShippedCountBase = 1456;
inline constexpr uint32_t kShippedCountExpansion = 1598;

// [edition][archive type], edition 0 base game, 1 expansion. The shipped
// expansion archives take their first entry offset from the layout rule
// (32,032): it is only a default, replaced by the file's index on every read,
// and the rule keeps the computed entries clear of the info table.
inline constexpr std::array<std::array<ArchiveConstants, kImageArchiveTypeCount>, 2> kArchiveConstants = {{
    {{
        {kShippedCountBase, 11680, 29152, 262200, kFaceLarge, false},
        {kShippedCountBase, 11680, 29152, 65592, kFaceMedium, false},
        {kShippedCountBase, 11680, 29152, 16440, kFaceSmall, false},
        {kUserSlotCount, 8832, 22048, 262200, kFaceLarge, true},
        {kUserSlotCount, 8832, 22048, 65592, kFaceMedium, true},
        {kUserSlotCount, 8832, 22048, 16440, kFaceSmall, true},
    }},
    {{
        {kShippedCountExpansion, 12832, 32032, 262200, kFaceLarge, false},
        {kShippedCountExpansion, 12832, 32032, 65592, kFaceMedium, false},
        {kShippedCountExpansion, 12832, 32032, 16440, kFaceSmall, false},
        {kUserSlotCount, 8832, 22048, 262200, kFaceLarge, true},
        {kUserSlotCount, 8832, 22048, 65592, kFaceMedium, true},
        {kUserSlotCount, 8832, 22048, 16440, kFaceSmall, true},
    }},
}};

constexpr bool ArchiveConstantsAreConsistent() {
  for (int e = 0; e < 2; ++e) {
    for (int t = 0; t < kImageArchiveTypeCount; ++t) {
      const ArchiveConstants& c = kArchiveConstants[static_cast<std::size_t>(e)][static_cast<std::size_t>(t)];
      if (c.infoTableOffset != LinkInfoTableOffset(c.entryCount)) return false;
      if (c.firstEntryOffset != LinkFirstEntryOffset(c.entryCount)) return false;
      if (c.entrySize != kFaceGeometry[static_cast<std::size_t>(c.faceSize)].entrySize) return false;
      if (c.editable != IsEditableImageArchive(t)) return false;
      // Large, medium, small in type order within each group of three.
      if (c.faceSize != kFaceLarge - t % 3) return false;
    }
  }
  return true;
}
static_assert(ArchiveConstantsAreConsistent());

// Offset of entry `slot` as the editor computes it: entries follow one
// another with an 8-byte gap.
constexpr uint64_t ComputedEntryOffset(const ArchiveConstants& c, uint32_t slot) {
  return uint64_t{c.firstEntryOffset} + uint64_t{slot} * (uint64_t{c.entrySize} + kLinkEntryGap);
}

// The used-slot bitmap of an editable archive begins right after its last
// entry.
constexpr uint64_t UsedSlotBitmapOffset(const ArchiveConstants& c) {
  return (uint64_t{c.entrySize} + 28) * c.entryCount + 40;
}

// Length of a whole archive file: the entries and, for an editable one, the
// used-slot bitmap.
constexpr uint64_t ArchiveFileLength(const ArchiveConstants& c) {
  const uint64_t entriesEnd = ComputedEntryOffset(c, c.entryCount) - kLinkEntryGap;
  return c.editable ? entriesEnd + kUsedSlotBitmapBytes : entriesEnd;
}

static_assert(UsedSlotBitmapOffset(kArchiveConstants[0][kArchiveEditableLarge]) ==
              ComputedEntryOffset(kArchiveConstants[0][kArchiveEditableLarge], kUserSlotCount) - kLinkEntryGap);
static_assert(ArchiveFileLength(kArchiveConstants[0][kArchiveEditableLarge]) == 288450978u);
static_assert(ArchiveFileLength(kArchiveConstants[0][kArchiveEditableMedium]) == 72182178u);
static_assert(ArchiveFileLength(kArchiveConstants[0][kArchiveEditableSmall]) == 18114978u);

// nullptr for an archive type outside 0 to 5.
inline const ArchiveConstants* FindArchiveConstants(int archiveType, bool expansion) {
  if (archiveType < 0 || archiveType >= kImageArchiveTypeCount) return nullptr;
  return &kArchiveConstants[expansion ? 1 : 0][static_cast<std::size_t>(archiveType)];
}

// ---------------------------------------------------------------------------
// Image numbers

struct ImageNumberRange {
  int first;
  int last;  // included
  int archiveType;
};

// [edition][archive type]: each archive type has exactly one range, and the
// ranges are listed in archive type order. The numbers between the ranges
// (0, 1101, 2202, 3303, and 4760 / 4902, 6217 / 6501 beyond the shipped ones)
// name no picture.
inline constexpr std::array<std::array<ImageNumberRange, kImageArchiveTypeCount>, 2> kImageNumberRanges = {{
    {{
        {3304, 4759, kArchiveShippedLarge},
        {4761, 6216, kArchiveShippedMedium},
        {6218, 7673, kArchiveShippedSmall},
        {1, 1100, kArchiveEditableLarge},
        {1102, 2201, kArchiveEditableMedium},
        {2203, 3302, kArchiveEditableSmall},
    }},
    {{
        {3304, 4901, kArchiveShippedLarge},
        {4903, 6500, kArchiveShippedMedium},
        {6502, 8099, kArchiveShippedSmall},
        {1, 1100, kArchiveEditableLarge},
        {1102, 2201, kArchiveEditableMedium},
        {2203, 3302, kArchiveEditableSmall},
    }},
}};

constexpr bool ImageNumberRangesAreConsistent() {
  for (int e = 0; e < 2; ++e) {
    const auto& ranges = kImageNumberRanges[static_cast<std::size_t>(e)];
    for (int t = 0; t < kImageArchiveTypeCount; ++t) {
      const ImageNumberRange& r = ranges[static_cast<std::size_t>(t)];
      if (r.archiveType != t) return false;
      const uint32_t count = kArchiveConstants[static_cast<std::size_t>(e)][static_cast<std::size_t>(t)].entryCount;
      if (static_cast<uint32_t>(r.last - r.first + 1) != count) return false;
      // One unnamed number separates neighbouring ranges.
      if (t != kArchiveShippedLarge && t != kArchiveEditableLarge &&
          r.first != ranges[static_cast<std::size_t>(t) - 1].last + 2) return false;
    }
    if (ranges[kArchiveShippedLarge].first != ranges[kArchiveEditableSmall].last + 2) return false;
  }
  return true;
}
static_assert(ImageNumberRangesAreConsistent());

struct ImagePlace {
  int archiveType;
  uint32_t slot;
};

// The archive and entry of image number n, or nothing when n names no
// picture in that edition.
constexpr std::optional<ImagePlace> FindImagePlace(int n, bool expansion) {
  for (const ImageNumberRange& r : kImageNumberRanges[expansion ? 1 : 0]) {
    if (n >= r.first && n <= r.last) return ImagePlace{r.archiveType, static_cast<uint32_t>(n - r.first)};
  }
  return std::nullopt;
}

// The image number of slot 0 of an archive type, or 0 for a type outside 0 to 5.
constexpr int FirstImageNumber(int archiveType, bool expansion) {
  if (archiveType < 0 || archiveType >= kImageArchiveTypeCount) return 0;
  return kImageNumberRanges[expansion ? 1 : 0][static_cast<std::size_t>(archiveType)].first;
}

}  // namespace kaocg_func

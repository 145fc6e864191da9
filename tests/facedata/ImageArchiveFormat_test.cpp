#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "facedata/FaceMask.h"
#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"

namespace kaocg_func {
namespace {

struct ImageNumberCase {
  int number;
  bool expansion;
  int archiveType;  // -1: names no picture
  int slot;
};

class ImageNumberEdges : public ::testing::TestWithParam<ImageNumberCase> {};

TEST_P(ImageNumberEdges, MapToArchiveAndSlot) {
  const ImageNumberCase& c = GetParam();
  const std::optional<ImagePlace> place = FindImagePlace(c.number, c.expansion);
  if (c.archiveType < 0) {
    EXPECT_FALSE(place.has_value()) << c.number;
    return;
  }
  ASSERT_TRUE(place.has_value()) << c.number;
  EXPECT_EQ(place->archiveType, c.archiveType);
  EXPECT_EQ(place->slot, static_cast<uint32_t>(c.slot));
}

INSTANTIATE_TEST_SUITE_P(
    BothEditions, ImageNumberEdges,
    ::testing::Values(
        ImageNumberCase{-1, false, -1, 0}, ImageNumberCase{0, false, -1, 0},
        ImageNumberCase{1, false, 3, 0}, ImageNumberCase{1100, false, 3, 1099},
        ImageNumberCase{1101, false, -1, 0}, ImageNumberCase{1102, false, 4, 0},
        ImageNumberCase{2201, false, 4, 1099}, ImageNumberCase{2202, false, -1, 0},
        ImageNumberCase{2203, false, 5, 0}, ImageNumberCase{3302, false, 5, 1099},
        ImageNumberCase{3303, false, -1, 0}, ImageNumberCase{3304, false, 0, 0},
        ImageNumberCase{4759, false, 0, 1455}, ImageNumberCase{4760, false, -1, 0},
        ImageNumberCase{4761, false, 1, 0}, ImageNumberCase{6216, false, 1, 1455},
        ImageNumberCase{6217, false, -1, 0}, ImageNumberCase{6218, false, 2, 0},
        ImageNumberCase{7673, false, 2, 1455}, ImageNumberCase{7674, false, -1, 0},
        ImageNumberCase{1, true, 3, 0}, ImageNumberCase{3302, true, 5, 1099},
        ImageNumberCase{3303, true, -1, 0}, ImageNumberCase{3304, true, 0, 0},
        ImageNumberCase{4760, true, 0, 1456}, ImageNumberCase{4901, true, 0, 1597},
        ImageNumberCase{4902, true, -1, 0}, ImageNumberCase{4903, true, 1, 0},
        ImageNumberCase{6500, true, 1, 1597}, ImageNumberCase{6501, true, -1, 0},
        ImageNumberCase{6502, true, 2, 0}, ImageNumberCase{8099, true, 2, 1597},
        ImageNumberCase{8100, true, -1, 0}));

TEST(ArchiveConstants, EditableArchiveLayoutIsExact) {
  const ArchiveConstants& large = kArchiveConstants[0][kArchiveEditableLarge];
  EXPECT_EQ(ComputedEntryOffset(large, 0), 22048u);
  EXPECT_EQ(ComputedEntryOffset(large, 1099), 22048u + 1099u * 262208u);
  EXPECT_EQ(UsedSlotBitmapOffset(large), 288450840u);
  EXPECT_EQ(ArchiveFileLength(large), 288450978u);
  EXPECT_EQ(ArchiveFileLength(kArchiveConstants[1][kArchiveEditableMedium]), 72182178u);
  EXPECT_EQ(ArchiveFileLength(kArchiveConstants[1][kArchiveEditableSmall]), 18114978u);
  // The editable archives are the same in both editions.
  for (int t = kArchiveEditableLarge; t <= kArchiveEditableSmall; ++t) {
    EXPECT_EQ(kArchiveConstants[0][t].entryCount, 1100u);
    EXPECT_EQ(kArchiveConstants[1][t].infoTableOffset, 8832u);
  }
}

TEST(ArchiveConstants, ShippedArchivesDifferByEdition) {
  for (int t = kArchiveShippedLarge; t <= kArchiveShippedSmall; ++t) {
    EXPECT_EQ(kArchiveConstants[0][t].entryCount, 1456u);
    EXPECT_EQ(kArchiveConstants[0][t].infoTableOffset, 11680u);
    EXPECT_EQ(kArchiveConstants[1][t].entryCount, 1598u);
    EXPECT_EQ(kArchiveConstants[1][t].infoTableOffset, 12832u);
  }
  EXPECT_EQ(kArchiveConstants[0][kArchiveShippedLarge].entrySize, 262200u);
  EXPECT_EQ(kArchiveConstants[0][kArchiveShippedMedium].entrySize, 65592u);
  EXPECT_EQ(kArchiveConstants[0][kArchiveShippedSmall].entrySize, 16440u);
  EXPECT_EQ(FindArchiveConstants(6, false), nullptr);
  EXPECT_EQ(FindArchiveConstants(-1, true), nullptr);
}

// ---------------------------------------------------------------------------

struct MaskCase {
  int faceSize, x, y;
  uint8_t alpha;
  bool clearColour;
  uint8_t colourOr;
};

class FaceMaskPixels : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FaceMaskPixels, AlphaAndColourRule) {
  const MaskCase& c = GetParam();
  const MaskedPixel m = FaceMaskAt(c.faceSize, c.x, c.y);
  EXPECT_EQ(m.alpha, c.alpha) << c.faceSize << " (" << c.x << ", " << c.y << ")";
  EXPECT_EQ(m.clearColour, c.clearColour);
  EXPECT_EQ(m.colourOr, c.colourOr);
}

INSTANTIATE_TEST_SUITE_P(
    AllSizes, FaceMaskPixels,
    ::testing::Values(
        // Small: rounded corners, everything outside 60 x 60 black and clear.
        MaskCase{0, 0, 0, 0, false, 255}, MaskCase{0, 5, 0, 71, false, 0},
        MaskCase{0, 0, 5, 71, false, 0}, MaskCase{0, 6, 0, 152, false, 0},
        MaskCase{0, 1, 3, 152, false, 0}, MaskCase{0, 2, 2, 255, false, 0},
        MaskCase{0, 4, 0, 0, false, 255}, MaskCase{0, 30, 30, 255, false, 0},
        MaskCase{0, 59, 59, 0, false, 255}, MaskCase{0, 54, 0, 71, false, 0},
        MaskCase{0, 59, 54, 71, false, 0}, MaskCase{0, 0, 59, 0, false, 255},
        MaskCase{0, 7, 0, 255, false, 0}, MaskCase{0, 52, 59, 255, false, 0},
        MaskCase{0, 60, 0, 0, true, 0}, MaskCase{0, 0, 60, 0, true, 0}, MaskCase{0, 63, 63, 0, true, 0},
        // Medium: 96 x 120 opaque, colour kept outside.
        MaskCase{1, 0, 0, 255, false, 0}, MaskCase{1, 95, 119, 255, false, 0},
        MaskCase{1, 96, 0, 0, false, 0}, MaskCase{1, 0, 120, 0, false, 0},
        // Large: 240 x 240 opaque, colour kept outside.
        MaskCase{2, 239, 239, 255, false, 0}, MaskCase{2, 240, 0, 0, false, 0},
        MaskCase{2, 0, 240, 0, false, 0}, MaskCase{2, 255, 255, 0, false, 0}));

TEST(FaceMask, WhiteSmallFaceKeepsWhiteOnlyInsideTheArea) {
  std::vector<uint8_t> rgba(64 * 64 * 4, 255);
  ApplyFaceMask(kFaceSmall, rgba.data());
  auto at = [&](int x, int y) { return &rgba[(static_cast<std::size_t>(y) * 64 + x) * 4]; };
  EXPECT_EQ(at(60, 10)[0], 0);
  EXPECT_EQ(at(60, 10)[3], 0);
  EXPECT_EQ(at(0, 0)[3], 0);
  EXPECT_EQ(at(5, 0)[3], 71);
  EXPECT_EQ(at(30, 30)[0], 255);
  EXPECT_EQ(at(30, 30)[3], 255);
}

TEST(FaceMask, LargeFaceKeepsColourOutsideTheVisibleArea) {
  std::vector<uint8_t> rgba(256 * 256 * 4, 0);
  for (std::size_t i = 0; i < rgba.size(); i += 4) rgba[i] = 10, rgba[i + 1] = 20, rgba[i + 2] = 30;
  ApplyFaceMask(kFaceLarge, rgba.data());
  for (int k : {240, 255}) {
    const uint8_t* column = &rgba[(static_cast<std::size_t>(5) * 256 + k) * 4];
    const uint8_t* row = &rgba[(static_cast<std::size_t>(k) * 256 + 5) * 4];
    EXPECT_EQ(column[3], 0);
    EXPECT_EQ(row[3], 0);
    EXPECT_EQ(column[0], 10);
    EXPECT_EQ(row[2], 30);
  }
}

// ---------------------------------------------------------------------------

TEST(LinkIndex, BuiltPrefixParsesBack) {
  const ArchiveConstants& c = kArchiveConstants[1][kArchiveShippedMedium];
  const std::vector<uint8_t> prefix = BuildLinkPrefix(c);
  ASSERT_EQ(prefix.size(), c.firstEntryOffset);
  EXPECT_EQ(std::memcmp(prefix.data(), "LINK", 4), 0);
  LinkHeader h;
  std::vector<LinkIndexRecord> records;
  ASSERT_EQ(DecodeLinkIndex(prefix.data(), prefix.size(), &h, &records), LinkParseError::kNone);
  EXPECT_EQ(h.entryCount, 1598u);
  EXPECT_EQ(h.secondCount, 1598u);
  EXPECT_EQ(h.constant32, 32u);
  EXPECT_EQ(h.infoTableOffset, 12832u);
  ASSERT_EQ(records.size(), 1598u);
  EXPECT_EQ(records[0].offset, c.firstEntryOffset);
  EXPECT_EQ(records[1].offset, c.firstEntryOffset + 65600u);
  EXPECT_EQ(records[1597].size, 65592u);
  // The index must stay clear of the info table, and the info table of the
  // entries.
  EXPECT_GE(c.infoTableOffset, 32u + 8u * 1598u);
  EXPECT_GE(records[0].offset, c.infoTableOffset + 12u * 1598u);
}

TEST(LinkIndex, HostileHeadersFailCleanly) {
  const std::vector<uint8_t> good = BuildLinkPrefix(kArchiveConstants[0][kArchiveEditableSmall]);
  LinkHeader h;
  std::vector<LinkIndexRecord> records;
  // Cut at every field boundary of the header and inside the index.
  for (std::size_t n : {0u, 3u, 4u, 8u, 16u, 31u, 32u, 33u, 40u, 32u + 8u * 1100u - 1u}) {
    EXPECT_EQ(DecodeLinkIndex(good.data(), n, &h, &records), LinkParseError::kTruncated) << n;
    EXPECT_TRUE(records.empty());
  }
  struct Patch {
    std::size_t offset;
    uint32_t value;
    LinkParseError expected;
  };
  for (const Patch& p : {Patch{0, 0x4B4E494D, LinkParseError::kBadMagic},
                         Patch{8, 33, LinkParseError::kBadLayout},
                         Patch{12, 1099, LinkParseError::kBadLayout},
                         Patch{16, 40, LinkParseError::kBadLayout}}) {
    std::vector<uint8_t> bad = good;
    StoreLE32(bad.data() + p.offset, p.value);
    EXPECT_EQ(DecodeLinkIndex(bad.data(), bad.size(), &h, &records), p.expected) << p.offset;
  }
  std::vector<uint8_t> huge = good;
  StoreLE32(huge.data() + 4, 0xFFFFFFFF);
  StoreLE32(huge.data() + 12, 0xFFFFFFFF);
  EXPECT_EQ(DecodeLinkIndex(huge.data(), huge.size(), &h, &records), LinkParseError::kTooManyEntries);
}

TEST(LinkIndex, HeaderNamesItsArchive) {
  for (int e = 0; e < 2; ++e) {
    for (int t = 0; t < kImageArchiveTypeCount; ++t) {
      const ArchiveConstants& c = kArchiveConstants[e][t];
      const std::vector<ArchiveMatch> m = MatchArchiveConstants(MakeLinkHeader(c), c.entrySize);
      // Editable archives are the same in both editions.
      ASSERT_EQ(m.size(), IsEditableImageArchive(t) ? 2u : 1u) << e << " " << t;
      EXPECT_EQ(m[0].archiveType, t);
      if (!IsEditableImageArchive(t)) {
        EXPECT_EQ(m[0].expansion, e == 1);
      }
    }
  }
  const ArchiveConstants& c = kArchiveConstants[0][kArchiveShippedLarge];
  EXPECT_TRUE(MatchArchiveConstants(MakeLinkHeader(c), 1234).empty());
}

}  // namespace
}  // namespace kaocg_func

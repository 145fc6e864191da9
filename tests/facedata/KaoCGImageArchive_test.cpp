#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "facedata/FaceMask.h"
#include "facedata/FaceTexture.h"
#include "facedata/ImageArchiveFormat.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGImageArchive.h"
#include "facedata/LinkArchive.h"
#include "import/DIB.h"
#include "platform/File.h"
#include "platform/Services.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"

namespace kaocg_func {
namespace {

namespace fs = std::filesystem;

// Archives of the exact length, made sparse: only the prefix and the
// entries a test sets take disk space.
void MakeArchive(const fs::path& path, const ArchiveConstants& c) {
  fs::create_directories(path.parent_path());
  const std::vector<uint8_t> prefix = BuildLinkPrefix(c);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(prefix.data()), static_cast<std::streamsize>(prefix.size()));
  }
  fs::resize_file(path, ArchiveFileLength(c));
}

using kaocg_test::ReadBytes;

void WriteBytes(const fs::path& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(static_cast<std::streamoff>(offset));
  io.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool IsReadOnly(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

// A 24-bit canvas of a face size, top row first, with a pattern that gives
// every pixel its own colour.
std::unique_ptr<CDIB> Canvas(int side, uint8_t seed = 0) {
  auto dib = std::make_unique<CDIB>();
  EXPECT_TRUE(dib->Create(side, side, nullptr, 24));
  for (int y = 0; y < side; ++y) {
    uint8_t* row = dib->GetPixelAddress(0, y);
    for (int x = 0; x < side; ++x) {
      row[3 * x] = static_cast<uint8_t>(x + seed);          // blue
      row[3 * x + 1] = static_cast<uint8_t>(y);             // green
      row[3 * x + 2] = static_cast<uint8_t>(x ^ y ^ seed);  // red
    }
  }
  return dib;
}

// An entry as the game ships it: one G1T with the extended header.
std::vector<uint8_t> ShippedEntry(int faceSize, uint8_t value) {
  const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(faceSize)];
  std::vector<uint8_t> rgba(static_cast<std::size_t>(g.textureSide) * g.textureSide * 4, value);
  ApplyFaceMask(faceSize, rgba.data());
  std::vector<uint8_t> entry(g.entrySize, 0);
  EXPECT_EQ(EncodeFaceTexture(rgba, g.textureSide, g.textureSide, entry.data(), g.entrySize, L"DxTexture_Face"),
            g.entrySize);
  return entry;
}

class ImageArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    user_ = (dir_.path() / "user").string() + "/";
    data_ = (dir_.path() / "game" / "grp").string() + "/";
    fs::create_directories(data_);
    UseEdition(kaocg::kEditionExpansion);
  }
  void TearDown() override { kaocg::SetCurrentInstallation({}); }

  void UseEdition(int edition) {
    kaocg::SetCurrentInstallation({edition, data_, user_});
  }

  fs::path Editable(int archiveType) const {
    static const char* const names[] = {"EDIT_KAO_L.s13", "EDIT_KAO_M.s13", "EDIT_KAO_S.s13"};
    return fs::path(user_) / "GRP" / names[archiveType - kArchiveEditableLarge];
  }
  fs::path Shipped(int archiveType) const {
    static const char* const names[] = {"KAO_L.s13", "KAO_M.s13", "KAO_S.s13"};
    return fs::path(data_) / names[archiveType];
  }
  // All three editable archives, read-only as the transfers leave them.
  void MakeEditableArchives() {
    for (int t = kArchiveEditableLarge; t <= kArchiveEditableSmall; ++t) {
      MakeArchive(Editable(t), kArchiveConstants[1][t]);
      fs::permissions(Editable(t), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
  }

  bool Write(int imageNumber, CDIB* dib) { return TransferFaceImage(imageNumber, user_, dib, data_, kModeWrite, true); }
  bool Read(int imageNumber, CDIB* dib, bool withHeader = true) {
    return TransferFaceImage(imageNumber, user_, dib, data_, kModeRead, withHeader);
  }

  kaocg_test::TempDir dir_;
  std::string user_, data_;
};

TEST_F(ImageArchiveTest, WritingSlotZeroOfTheLargeArchiveTouchesExactlyItsEntryAndBit) {
  MakeEditableArchives();
  const fs::path large = Editable(kArchiveEditableLarge);
  auto canvas = Canvas(256);
  ASSERT_TRUE(Write(1, canvas.get()));

  EXPECT_EQ(fs::file_size(large), 288450978u);
  const std::vector<uint8_t> entry = ReadBytes(large, 22048, 262200);
  ASSERT_EQ(entry.size(), 262200u);
  EXPECT_EQ(std::memcmp(entry.data(), "GT1G0600", 8), 0);
  // The editor's face is 44 + 256 x 256 x 4 bytes; the file size field says so.
  EXPECT_EQ(LoadLE32(entry.data() + 8), 262188u);
  // Nothing before the entry but the header and index, which it rewrites
  // with the same values.
  EXPECT_EQ(ReadBytes(large, 22040, 8), std::vector<uint8_t>(8, 0));
  EXPECT_EQ(ReadBytes(large, 22048 + 262200, 8), std::vector<uint8_t>(8, 0));
  EXPECT_EQ(ReadBytes(large, 0, 22048), BuildLinkPrefix(kArchiveConstants[1][kArchiveEditableLarge]));
  const std::vector<uint8_t> bitmap = ReadBytes(large, 288450840, 138);
  ASSERT_EQ(bitmap.size(), 138u);
  EXPECT_EQ(bitmap[0], 0x01);
  for (std::size_t i = 1; i < bitmap.size(); ++i) EXPECT_EQ(bitmap[i], 0) << i;
  EXPECT_TRUE(IsReadOnly(large));
}

TEST_F(ImageArchiveTest, LastSlotsOfEveryEditableArchive) {
  MakeEditableArchives();
  struct Case {
    int imageNumber, archiveType, side;
  };
  for (const Case& c : {Case{1100, kArchiveEditableLarge, 256}, Case{2201, kArchiveEditableMedium, 128},
                        Case{3302, kArchiveEditableSmall, 64}}) {
    const ArchiveConstants& k = kArchiveConstants[1][c.archiveType];
    auto canvas = Canvas(c.side);
    ASSERT_TRUE(Write(c.imageNumber, canvas.get())) << c.imageNumber;
    const fs::path path = Editable(c.archiveType);
    const uint64_t at = 22048 + 1099ull * (k.entrySize + 8);
    EXPECT_EQ(std::memcmp(ReadBytes(path, at, 4).data(), "GT1G", 4), 0) << c.imageNumber;
    // Bit 1099: byte 137, bit 3.
    EXPECT_EQ(ReadBytes(path, UsedSlotBitmapOffset(k) + 137, 1), std::vector<uint8_t>{0x08});
    EXPECT_EQ(fs::file_size(path), ArchiveFileLength(k));
    EXPECT_TRUE(IsReadOnly(path));
  }
}

TEST_F(ImageArchiveTest, WrittenFacesReadBackWithTheirColoursAndMask) {
  MakeEditableArchives();
  struct Case {
    int imageNumber, faceSize;
  };
  for (const Case& c : {Case{1 + 7, kFaceLarge}, Case{1102 + 7, kFaceMedium}, Case{2203 + 7, kFaceSmall}}) {
    const int side = kFaceGeometry[static_cast<std::size_t>(c.faceSize)].textureSide;
    auto canvas = Canvas(side, 3);
    ASSERT_TRUE(Write(c.imageNumber, canvas.get()));
    for (bool withHeader : {true, false}) {
      CDIB back;
      ASSERT_TRUE(Read(c.imageNumber, &back, withHeader)) << c.imageNumber;
      ASSERT_EQ(back.GetBitCount(), 32);
      ASSERT_EQ(back.GetWidth(), side);
      ASSERT_EQ(back.GetHeight(), side);
      EXPECT_TRUE(back.IsTopDown());
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
          const uint8_t* in = canvas->GetPixelAddress(x, y);
          const uint8_t* out = back.GetPixelAddress(x, y);
          const MaskedPixel m = FaceMaskAt(c.faceSize, x, y);
          ASSERT_EQ(out[3], m.alpha) << c.faceSize << " " << x << "," << y;
          for (int k = 0; k < 3; ++k) {
            const uint8_t expected = m.clearColour ? 0 : static_cast<uint8_t>(in[k] | m.colourOr);
            ASSERT_EQ(out[k], expected) << c.faceSize << " " << x << "," << y << " channel " << k;
          }
        }
      }
    }
  }
}

TEST_F(ImageArchiveTest, WhiteSmallFaceHasTheRoundedCorners) {
  MakeEditableArchives();
  CDIB white;
  ASSERT_TRUE(white.Create(64, 64, nullptr, 24));
  white.Fill(0x00FFFFFF);
  ASSERT_TRUE(Write(2203, &white));
  CDIB back;
  ASSERT_TRUE(Read(2203, &back));
  auto alpha = [&](int x, int y) { return back.GetPixelAddress(x, y)[3]; };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(5, 0), 71);
  EXPECT_EQ(alpha(0, 5), 71);
  EXPECT_EQ(alpha(30, 30), 255);
  EXPECT_EQ(alpha(59, 59), 0);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(back.GetPixelAddress(60, 10)[k], 0);
    EXPECT_EQ(back.GetPixelAddress(10, 63)[k], 0);
  }
}

TEST_F(ImageArchiveTest, RefusedBitmapsWriteNothing) {
  MakeEditableArchives();
  const fs::path large = Editable(kArchiveEditableLarge);
  CDIB wrongSize, wrongDepth;
  ASSERT_TRUE(wrongSize.Create(240, 240, nullptr, 24));
  ASSERT_TRUE(wrongDepth.Create(256, 256, nullptr, 32));
  for (CDIB* dib : {&wrongSize, &wrongDepth}) {
    EXPECT_FALSE(Write(1, dib));
    EXPECT_EQ(ReadBytes(large, 22048, 8), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(ReadBytes(large, 288450840, 1), std::vector<uint8_t>{0});
    EXPECT_TRUE(IsReadOnly(large));
  }
  CDIB empty;
  EXPECT_FALSE(Write(1, &empty));
}

TEST_F(ImageArchiveTest, ImageNumbersOutsideTheRangesOpenNothing) {
  MakeEditableArchives();
  CDIB dib;
  for (int n : {0, 1101, 2202, 3303, 8100, -5}) {
    EXPECT_FALSE(Read(n, &dib)) << n;
    EXPECT_TRUE(dib.IsEmpty());
  }
  UseEdition(kaocg::kEditionBase);
  // 4760 names a large shipped face only in the expansion.
  MakeArchive(Shipped(kArchiveShippedLarge), kArchiveConstants[0][kArchiveShippedLarge]);
  EXPECT_FALSE(Read(4760, &dib));
}

TEST_F(ImageArchiveTest, ShippedFacesAreReadThroughTheIndex) {
  const ArchiveConstants& c = kArchiveConstants[1][kArchiveShippedSmall];
  const fs::path path = Shipped(kArchiveShippedSmall);
  MakeArchive(path, c);
  WriteBytes(path, ComputedEntryOffset(c, 0), ShippedEntry(kFaceSmall, 200));
  // Slot 1597's index record points at slot 0's entry.
  std::vector<uint8_t> record(4);
  StoreLE32(record.data(), static_cast<uint32_t>(ComputedEntryOffset(c, 0)));
  WriteBytes(path, 32 + 8 * 1597, record);

  CDIB first, last;
  ASSERT_TRUE(Read(6502, &first));
  ASSERT_TRUE(Read(8099, &last));
  EXPECT_EQ(first.GetWidth(), 64);
  EXPECT_EQ(first.GetPixelAddress(30, 30)[0], 200);
  EXPECT_EQ(std::memcmp(first.GetBits(), last.GetBits(), first.GetBitsSize()), 0);
  // Slot 1 holds zeros, which are no G1T.
  CDIB none;
  EXPECT_FALSE(Read(6503, &none));
  EXPECT_TRUE(none.IsEmpty());
  // Shipped archives are left as they are.
  EXPECT_FALSE(IsReadOnly(path));
}

TEST_F(ImageArchiveTest, TheOtherEditionsShippedArchiveIsRefused) {
  MakeArchive(Shipped(kArchiveShippedLarge), kArchiveConstants[0][kArchiveShippedLarge]);
  WriteBytes(Shipped(kArchiveShippedLarge), ComputedEntryOffset(kArchiveConstants[0][0], 0),
             ShippedEntry(kFaceLarge, 9));
  CDIB dib;
  UseEdition(kaocg::kEditionExpansion);
  EXPECT_FALSE(Read(3304, &dib));
  UseEdition(kaocg::kEditionBase);
  EXPECT_TRUE(Read(3304, &dib));
}

TEST_F(ImageArchiveTest, CorruptArchivesAndEntriesFailCleanly) {
  UseEdition(kaocg::kEditionBase);
  const ArchiveConstants& c = kArchiveConstants[0][kArchiveShippedMedium];
  const fs::path path = Shipped(kArchiveShippedMedium);
  const std::vector<uint8_t> good = ShippedEntry(kFaceMedium, 77);

  struct Damage {
    const char* what;
    std::function<void()> apply;
  };
  const uint64_t at = ComputedEntryOffset(c, 0);
  const std::vector<Damage> damages = {
      {"wrong magic", [&] { WriteBytes(path, 0, {'L', 'I', 'N', 'C'}); }},
      {"constant not 32", [&] { WriteBytes(path, 8, {33, 0, 0, 0}); }},
      {"second count differs", [&] { WriteBytes(path, 12, {1, 0, 0, 0}); }},
      {"info table moved", [&] { WriteBytes(path, 16, {0, 0, 0, 0}); }},
      {"header cut short", [&] { fs::resize_file(path, 20); }},
      {"index cut short", [&] { fs::resize_file(path, 100); }},
      {"entry cut short", [&] { fs::resize_file(path, at + good.size() - 1); }},
      {"index points past the end", [&] { WriteBytes(path, 32, {0xF0, 0xFF, 0xFF, 0xFF}); }},
      {"entry is no G1T", [&] { WriteBytes(path, at, {'X', 'X', 'X', 'X'}); }},
      {"texture count 2", [&] { WriteBytes(path, at + 16, {2, 0, 0, 0}); }},
      {"texture count 0", [&] { WriteBytes(path, at + 16, {0, 0, 0, 0}); }},
      {"texture count huge", [&] { WriteBytes(path, at + 16, {0xFF, 0xFF, 0xFF, 0xFF}); }},
      {"size nibbles 15", [&] { WriteBytes(path, at + 28 + 4 + 4 + 2, {0xFF}); }},
  };
  for (const Damage& d : damages) {
    MakeArchive(path, c);
    WriteBytes(path, at, good);
    CDIB dib;
    ASSERT_TRUE(Read(4761, &dib)) << "before: " << d.what;
    d.apply();
    CDIB after;
    EXPECT_FALSE(Read(4761, &after)) << d.what;
    EXPECT_TRUE(after.IsEmpty()) << d.what;
  }
}

// A well-formed G1T of two 2 x 2 RGBA8 textures for platform 0.
std::vector<uint8_t> TwoTextureG1T() {
  std::vector<uint8_t> g;
  auto u32 = [&](uint32_t v) {
    for (int k = 0; k < 4; ++k) g.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  const uint32_t textureBytes = 8 + 2 * 2 * 4;
  g.insert(g.end(), {'G', 'T', '1', 'G', '0', '6', '0', '0'});
  u32(36 + 8 + 2 * textureBytes);  // file size
  u32(36);                         // header size: 28 and two attribute words
  u32(2);                          // textures
  u32(0);                          // platform
  u32(0);                          // extra data
  u32(0);
  u32(0);
  u32(8);                          // offsets from the offset table
  u32(8 + textureBytes);
  for (int t = 0; t < 2; ++t) {
    g.insert(g.end(), {0x10, 0, 0x11, 0, 0, 0x10, 0x21, 0});
    for (int i = 0; i < 16; ++i) g.push_back(static_cast<uint8_t>(40 * t + i));
  }
  return g;
}

TEST_F(ImageArchiveTest, AnEntryWithTwoTexturesIsRefused) {
  const std::vector<uint8_t> two = TwoTextureG1T();
  zfx::CG1TFileImpl g1t;
  zfx::CBinaryReaderFromMemory reader(two.data(), static_cast<uint32_t>(two.size()));
  ASSERT_EQ(g1t.Read(reader), two.size());
  ASSERT_EQ(g1t.GetTextureCount(), 2u);

  UseEdition(kaocg::kEditionBase);
  const ArchiveConstants& c = kArchiveConstants[0][kArchiveShippedSmall];
  MakeArchive(Shipped(kArchiveShippedSmall), c);
  WriteBytes(Shipped(kArchiveShippedSmall), ComputedEntryOffset(c, 0), two);
  CDIB dib;
  EXPECT_FALSE(Read(6218, &dib));
  EXPECT_TRUE(dib.IsEmpty());
}

TEST_F(ImageArchiveTest, EditableArchivesAreReadOnlyAfterEveryTransfer) {
  MakeEditableArchives();
  const fs::path small = Editable(kArchiveEditableSmall);
  auto canvas = Canvas(64);
  CDIB dib;
  EXPECT_TRUE(Write(2203, canvas.get()));
  EXPECT_TRUE(IsReadOnly(small));
  EXPECT_TRUE(Read(2203, &dib));
  EXPECT_TRUE(IsReadOnly(small));
  EXPECT_FALSE(Read(2204, &dib));  // a slot never written: zeros
  EXPECT_TRUE(IsReadOnly(small));

  // Held by another program: the open fails, and the archive is still made
  // read-only again.
  {
    std::unique_ptr<platform::File> holder = platform::Current().files->Open(
        small.string(), platform::kModeRead | platform::kShareExclusive);
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(Write(2203, canvas.get()));
    EXPECT_TRUE(IsReadOnly(small));
  }
  // A missing archive fails and is not created.
  fs::remove(Editable(kArchiveEditableMedium));
  EXPECT_FALSE(Write(1102, Canvas(128).get()));
  EXPECT_FALSE(fs::exists(Editable(kArchiveEditableMedium)));
}

TEST_F(ImageArchiveTest, WritesOnlyGoToEditableArchives) {
  const ArchiveConstants& c = kArchiveConstants[1][kArchiveShippedSmall];
  MakeArchive(Shipped(kArchiveShippedSmall), c);
  auto canvas = Canvas(64);
  EXPECT_FALSE(Write(6502, canvas.get()));
  EXPECT_EQ(ReadBytes(Shipped(kArchiveShippedSmall), ComputedEntryOffset(c, 0), 4), std::vector<uint8_t>(4, 0));
}

TEST_F(ImageArchiveTest, RegistrationWritesSlotFaceMinus1700OfAllThree) {
  MakeEditableArchives();
  auto large = Canvas(256, 1), medium = Canvas(128, 2), small = Canvas(64, 3);
  EXPECT_TRUE(RegisterImportedFace(2699, large.get(), medium.get(), small.get(), user_, data_).All());
  for (int t = kArchiveEditableLarge; t <= kArchiveEditableSmall; ++t) {
    const ArchiveConstants& k = kArchiveConstants[1][t];
    EXPECT_EQ(std::memcmp(ReadBytes(Editable(t), ComputedEntryOffset(k, 999), 4).data(), "GT1G", 4), 0);
    // Bit 999: byte 124, bit 7.
    EXPECT_EQ(ReadBytes(Editable(t), UsedSlotBitmapOffset(k) + 124, 1), std::vector<uint8_t>{0x80});
  }
  CDIB back;
  ASSERT_TRUE(Read(2699 - 598, &back));
  EXPECT_EQ(back.GetWidth(), 128);

  for (int f : {1699, 2700}) EXPECT_FALSE(RegisterImportedFace(f, large.get(), medium.get(), small.get(), user_, data_).large);
}

TEST(ImageArchiveObject, ConstructorTakesTheConstantsOfItsType) {
  CKaoCGImageArchive expansionSmall(nullptr, 6502 + 10, kArchiveShippedSmall, true);
  EXPECT_EQ(expansionSmall.GetSlot(), 10);
  EXPECT_EQ(expansionSmall.GetEntryCount(), 1598u);
  EXPECT_EQ(expansionSmall.GetInfoTableOffset(), 12832u);
  EXPECT_EQ(expansionSmall.GetEntrySize(), 16440u);
  CKaoCGImageArchive baseMedium(nullptr, 4761 + 3, kArchiveShippedMedium, false);
  EXPECT_EQ(baseMedium.GetSlot(), 3);
  CKaoCGImageArchive editable(nullptr, 1102 + 5, kArchiveEditableMedium, false);
  EXPECT_EQ(editable.GetSlot(), 5);
  EXPECT_EQ(editable.GetEntryOffset(1), 22048u + 65600u);
  CKaoCGImageArchive none(nullptr, 5, 6, true);
  EXPECT_EQ(none.GetSlot(), 0);
  EXPECT_EQ(none.GetEntryCount(), 0u);
  EXPECT_EQ(none.GetEntrySize(), 0u);
  EXPECT_FALSE(none.SerializeHeader());
  EXPECT_FALSE(none.SerializeBody());
}

}  // namespace
}  // namespace kaocg_func

#include "zfx/G1TFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zfx/BinaryStream.h"
#include "zfx/Image.h"
#include "zfx/Messages.h"
#include "zfx/PixelFormat.h"

namespace zfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::uint32_t w, std::uint32_t h) {
  Bytes p(std::size_t{w} * h * 4);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t(i * 37 + (i >> 2) * 11 + 5);
  return p;
}

CImage MakeImage(std::uint32_t w, std::uint32_t h, const Bytes& rgba) {
  CImage image;
  EXPECT_TRUE(image.Create(w, h, kImageDirect));
  EXPECT_TRUE(image.ImportBytes(rgba, kChannelAll));
  return image;
}

Bytes WriteFile(CG1TFileImpl& file) {
  CBinaryWriterForUpdateSize counter;
  const std::uint32_t size = file.Write(counter);
  EXPECT_GT(size, 0u);
  Bytes out(size);
  CBinaryWriterToMemory writer(out.data(), size);
  EXPECT_EQ(file.Write(writer), size);
  return out;
}

// The editor's sequence for a new face, with a chosen platform and format.
Bytes EncodeFace(const CImage& image, std::int32_t platform, std::int32_t format, CG1TFileImpl* keep = nullptr) {
  CG1TFileImpl local;
  CG1TFileImpl& file = keep ? *keep : local;
  EXPECT_TRUE(file.SetPlatform(platform));
  EXPECT_TRUE(file.SetPixelFormat(format));
  EXPECT_TRUE(file.AddTexture());
  EXPECT_TRUE(file.SetImage(file.GetTexture(0), image));
  EXPECT_TRUE(file.GetTexture(0).SetFormats(format, TQR_PIXEL_FORMAT_NONE));
  EXPECT_TRUE(file.Validate());
  return WriteFile(file);
}

std::uint32_t ReadFile(CG1TFileImpl& file, const Bytes& data) {
  CBinaryReaderFromMemory reader(data.data(), std::uint32_t(data.size()));
  return file.Read(reader);
}

Bytes DecodeFace(const Bytes& data) {
  CG1TFileImpl file;
  EXPECT_EQ(ReadFile(file, data), data.size());
  EXPECT_EQ(file.GetTextureCount(), 1u);
  CImage image;
  EXPECT_TRUE(file.GetImage(file.GetTexture(0), image));
  Bytes out;
  EXPECT_TRUE(image.ExportBytes(out, kChannelAll));
  return out;
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}
void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

TEST(G1TWrite, NewLargeFaceForPlatform0) {
  const Bytes rgba = Pattern(256, 256);
  CG1TFileImpl file;
  const Bytes data = EncodeFace(MakeImage(256, 256, rgba), 0, TQR_PIXEL_FORMAT_RGBA8, &file);
  // RGBA8 is not kept by platform 0: reported, and stored as BGRA8.
  EXPECT_EQ(file.GetReportedCodes(), std::vector<std::int32_t>{MSG_UNSUPPORTED_ON_PLATFORM});
  EXPECT_EQ(file.GetTexture(0).GetPixelFormat(), TQR_PIXEL_FORMAT_BGRA8);

  ASSERT_EQ(data.size(), 262188u);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "GT1G0600");
  EXPECT_EQ(Le32(data, 8), 262188u);   // file size
  EXPECT_EQ(Le32(data, 12), 32u);      // header size
  EXPECT_EQ(Le32(data, 16), 1u);       // texture count
  EXPECT_EQ(Le32(data, 20), 0u);       // platform
  EXPECT_EQ(Le32(data, 24), 0u);       // extra data size
  EXPECT_EQ(Le32(data, 32), 4u);       // offset: 4 x count + extra data size
  const Bytes header(data.begin() + 36, data.begin() + 44);
  EXPECT_EQ(header, (Bytes{0x10, 0x01, 0x88, 0x00, 0x00, 0x10, 0x21, 0x00}));
  // Pixel 0 as B, G, R, A.
  EXPECT_EQ((Bytes(data.begin() + 44, data.begin() + 48)), (Bytes{rgba[2], rgba[1], rgba[0], rgba[3]}));

  EXPECT_EQ(DecodeFace(data), rgba);
}

TEST(G1TWrite, WriterTooSmallFailsWithZero) {
  CG1TFileImpl file;
  const Bytes data = EncodeFace(MakeImage(4, 4, Pattern(4, 4)), 0, TQR_PIXEL_FORMAT_BGRA8, &file);
  Bytes small(data.size() - 1);
  CBinaryWriterToMemory writer(small.data(), std::uint32_t(small.size()));
  EXPECT_EQ(file.Write(writer), 0u);
  // Reading and writing again without changes gives the same bytes.
  CG1TFileImpl again;
  ASSERT_EQ(ReadFile(again, data), data.size());
  EXPECT_EQ(WriteFile(again), data);
}

TEST(G1TWrite, BigEndianLayoutForPlatform1) {
  const Bytes rgba = Pattern(8, 4);
  const Bytes data = EncodeFace(MakeImage(8, 4, rgba), 1, TQR_PIXEL_FORMAT_RGBA8);
  ASSERT_EQ(data.size(), 44u + 8 * 4 * 4);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "G1TG0060");
  EXPECT_EQ(Be32(data, 8), data.size());
  EXPECT_EQ(Be32(data, 12), 32u);
  EXPECT_EQ(Be32(data, 16), 1u);
  EXPECT_EQ(Be32(data, 20), 1u);
  EXPECT_EQ(Be32(data, 32), 4u);
  // Header nibbles exchanged except the format byte: 0x10 0x00 0x23 becomes 0x01 0x00 0x32.
  const Bytes header(data.begin() + 36, data.begin() + 44);
  EXPECT_EQ(header, (Bytes{0x01, 0x00, 0x32, 0x00, 0x00, 0x01, 0x12, 0x00}));
  // RGBA8 big-endian is A, B, G, R.
  EXPECT_EQ((Bytes(data.begin() + 44, data.begin() + 48)), (Bytes{rgba[3], rgba[2], rgba[1], rgba[0]}));
  EXPECT_EQ(DecodeFace(data), rgba);
}

struct PlatformFormat {
  std::int32_t platform;
  std::int32_t format;
  bool exact;
};

TEST(G1TRoundTrip, FormatsOfEveryPlatformGroup) {
  const PlatformFormat cases[] = {
      {0, TQR_PIXEL_FORMAT_BGRA8, true},        {0, TQR_PIXEL_FORMAT_RGBA32F, true},
      {0, TQR_PIXEL_FORMAT_RGBA16F, false},     {0, TQR_PIXEL_FORMAT_DXT1, false},
      {0, TQR_PIXEL_FORMAT_B4G4R4A4, false},    {1, TQR_PIXEL_FORMAT_TILE_BGRA8, true},
      {1, TQR_PIXEL_FORMAT_TILE_DXT5, false},   {1, TQR_PIXEL_FORMAT_TILE_B5G5R5A1, false},
      {2, TQR_PIXEL_FORMAT_DXT5, false},        {2, TQR_PIXEL_FORMAT_RGB10FA2F, false},
      {3, TQR_PIXEL_FORMAT_TILE_BGRA8, true},   {3, TQR_PIXEL_FORMAT_TILE_DXT1, false},
      {3, TQR_PIXEL_FORMAT_TILE_B5G6R5, false}, {3, TQR_PIXEL_FORMAT_TILE_LA8, false},
      {4, TQR_PIXEL_FORMAT_RGBA8, true},        {4, TQR_PIXEL_FORMAT_DXT3, false},
      {4, TQR_PIXEL_FORMAT_R4G4B4A4, false},
  };
  const Bytes rgba = Pattern(16, 16);
  for (const PlatformFormat& c : cases) {
    SCOPED_TRACE(testing::Message() << GetPixelFormatInfo(c.format)->name << " on " << c.platform);
    CG1TFileImpl file;
    const Bytes data = EncodeFace(MakeImage(16, 16, rgba), c.platform, c.format, &file);
    EXPECT_EQ(file.GetTexture(0).GetPixelFormat(), c.format);
    ASSERT_EQ(data.size(), 44u + GetEncodedSize(16, 16, c.format));
    const Bytes decoded = DecodeFace(data);
    ASSERT_EQ(decoded.size(), rgba.size());
    if (c.exact) {
      EXPECT_EQ(decoded, rgba);
    } else {
      // Lossy formats: a second pass through the file changes nothing more
      // than the first, and the picture is not blank.
      EXPECT_NE(decoded, Bytes(rgba.size(), 0));
      CG1TFileImpl reread;
      ASSERT_EQ(ReadFile(reread, data), data.size());
      EXPECT_EQ(WriteFile(reread), data);
    }
  }
}

TEST(G1TRead, ShortHeaderGivesThePlatformByByteOrder) {
  for (bool be : {false, true}) {
    // A 20-byte header, one 1 x 1 BGRA8 texture.
    Bytes f;
    auto put32 = [&](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) f.push_back(std::uint8_t(be ? v >> (24 - 8 * i) : v >> (8 * i)));
    };
    put32(kG1TSignature);
    put32(FourCC('0', '0', '5', '0'));
    put32(20 + 4 + 8 + 4);
    put32(20);
    put32(1);
    put32(4);
    f.insert(f.end(), {0x10, 0x01, 0x00, 0x00, 0x00, 0x10, 0x21, 0x00});
    if (be) {
      for (int i : {0, 2, 3, 4, 5, 6, 7}) f[24 + i] = std::uint8_t((f[24 + i] << 4) | (f[24 + i] >> 4));
      f.insert(f.end(), {40, 30, 20, 10});
    } else {
      f.insert(f.end(), {10, 20, 30, 40});
    }
    CG1TFileImpl file;
    ASSERT_EQ(ReadFile(file, f), f.size()) << be;
    EXPECT_EQ(file.GetPlatform(), be ? 1 : 0);
    EXPECT_EQ(file.GetVersion(), "0050");
    EXPECT_EQ(file.GetHeaderSize(), 20u);
    CImage image;
    ASSERT_TRUE(file.GetImage(file.GetTexture(0), image));
    Bytes out;
    ASSERT_TRUE(image.ExportBytes(out, kChannelAll));
    EXPECT_EQ(out, (Bytes{30, 20, 10, 40}));
  }
}

// A file made by hand: two textures, the first with an extended header and
// two extra records, the second a 1 x 1 cube map; little-endian, platform 0.
Bytes HandMadeFile() {
  Bytes f(28 + 8, 0);
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f.push_back(std::uint8_t(v >> (8 * i)));
  };
  const std::uint32_t extra = (4 + 4) + (4 + 8);
  f.resize(36);
  put32(0);  // offsets, patched below
  put32(0);
  // Extra records: tag 3 with one value, tag 9 with two.
  f.insert(f.end(), {3, 0, 1, 0});
  put32(1);
  f.insert(f.end(), {9, 0, 2, 0x7E});
  put32(0xAABBCCDD);
  put32(0x11223344);
  const std::size_t first = f.size();
  f.insert(f.end(), {0x10, 0x01, 0x11, 0x20, 0x01, 0x02, 0x03, 0x15});  // 2 x 2, 2 records, extended
  put32(12);
  put32(0x3F800000);  // 1.0
  put32(0x01ABCDE5);  // colour-space flag 1 and lower bits carried through
  for (int i = 0; i < 16; ++i) f.push_back(std::uint8_t(i * 10));
  const std::size_t second = f.size();
  f.insert(f.end(), {0x11, 0x01, 0x00, 0x00, 0x00, 0x10, 0x21, 0x00});  // 1 x 1 cube map
  for (int face = 0; face < 6; ++face) f.insert(f.end(), {std::uint8_t(face), 1, 2, 255});
  std::memcpy(f.data(), "GT1G0600", 8);
  PutLe32(f, 8, std::uint32_t(f.size()));
  PutLe32(f, 12, 36);
  PutLe32(f, 16, 2);
  PutLe32(f, 20, 0);
  PutLe32(f, 24, extra);
  PutLe32(f, 28, 0);  // attribute words
  PutLe32(f, 32, 2);
  PutLe32(f, 36, std::uint32_t(first - 36));
  PutLe32(f, 40, std::uint32_t(second - 36));
  return f;
}

TEST(G1TRead, RecordsExtendedHeadersAndCubeMaps) {
  const Bytes f = HandMadeFile();
  CG1TFileImpl file;
  ASSERT_EQ(ReadFile(file, f), f.size());
  ASSERT_EQ(file.GetTextureCount(), 2u);
  EXPECT_EQ(file.GetExtraDataSize(), 20u);
  EXPECT_EQ(file.GetAttributeWords(), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(file.GetOffsets()[0], 4u * 2 + 20);

  const CG1TTexture& t0 = file.GetTexture(0);
  ASSERT_TRUE(t0.HasExtendedHeader());
  EXPECT_EQ(t0.GetExtendedHeader().value, 1.0f);
  EXPECT_EQ(t0.GetColorSpaceFlag(), 1u);
  ASSERT_EQ(t0.GetExtraRecords().size(), 2u);
  EXPECT_EQ(t0.GetExtraRecords()[1].tag, 9);
  EXPECT_EQ(t0.GetExtraRecords()[1].reserved, 0x7E);
  EXPECT_EQ(t0.GetExtraRecords()[1].values, (std::vector<std::uint32_t>{0xAABBCCDD, 0x11223344}));

  const CG1TTexture& t1 = file.GetTexture(1);
  EXPECT_TRUE(t1.IsCubeMap());
  ASSERT_EQ(t1.GetSurfaces().size(), 6u);
  EXPECT_EQ(t1.GetSurfaces()[5].levels[0].stored, (Bytes{5, 1, 2, 255}));
  EXPECT_EQ(t1.GetSurfaces()[1].attribute, 2u);
  CImage image;
  ASSERT_TRUE(file.GetImage(t1, image));
  Bytes out;
  ASSERT_TRUE(image.ExportBytes(out, kChannelAll));
  EXPECT_EQ(out, (Bytes{2, 1, 0, 255}));

  // Written again without changes: every byte, records included, survives.
  EXPECT_EQ(WriteFile(file), f);
}

// The same file written for platform 1: every 32-bit field, the records and
// the extended header's bit-field word (fields of 4, 20 and 8 bits, laid out
// from the most significant bit) in big-endian form.
TEST(G1TWrite, BigEndianRecordsAndBitFieldWord) {
  CG1TFileImpl file;
  ASSERT_EQ(ReadFile(file, HandMadeFile()), HandMadeFile().size());
  ASSERT_TRUE(file.SetPlatform(1));
  const Bytes be = WriteFile(file);
  ASSERT_EQ(be.size(), HandMadeFile().size());
  EXPECT_EQ(std::string(be.begin(), be.begin() + 8), "G1TG0060");
  EXPECT_EQ(Be32(be, 24), 20u);
  EXPECT_EQ((Bytes(be.begin() + 44, be.begin() + 52)), (Bytes{0, 3, 1, 0, 0, 0, 0, 1}));
  EXPECT_EQ((Bytes(be.begin() + 64, be.begin() + 72)), (Bytes{0x01, 0x01, 0x11, 0x02, 0x10, 0x20, 0x30, 0x51}));
  EXPECT_EQ(Be32(be, 72), 12u);
  EXPECT_EQ(Be32(be, 76), 0x3F800000u);
  EXPECT_EQ(Be32(be, 80), 0x5ABCDE01u);
  // Read back, it is the same texture.
  CG1TFileImpl back;
  ASSERT_EQ(ReadFile(back, be), be.size());
  EXPECT_EQ(back.GetPlatform(), 1);
  EXPECT_EQ(back.GetTexture(0).GetExtendedHeader().bits, 0x01ABCDE5u);
  EXPECT_EQ(back.GetTexture(0).GetExtraRecords()[1].values, (std::vector<std::uint32_t>{0xAABBCCDD, 0x11223344}));
  CImage image;
  ASSERT_TRUE(back.GetImage(back.GetTexture(0), image));
  Bytes out;
  ASSERT_TRUE(image.ExportBytes(out, kChannelAll));
  EXPECT_EQ(out, (Bytes{20, 10, 0, 30, 60, 50, 40, 70, 100, 90, 80, 110, 140, 130, 120, 150}));
}

TEST(G1TRead, PlaceholderForMissingTextures) {
  CG1TFileImpl file;
  CG1TTexture& missing = file.GetTexture(0);
  EXPECT_FALSE(missing.IsInitialized());
  EXPECT_TRUE(missing.IsFixed());
  EXPECT_FALSE(missing.SetPixelFormat(0));
  CImage image;
  EXPECT_FALSE(file.GetImage(missing, image));
  EXPECT_FALSE(file.SetImage(missing, MakeImage(4, 4, Pattern(4, 4))));
  EXPECT_EQ(&file.GetTexture(7), &missing);
}

// Every prefix of a valid file, and files whose header fields claim more than
// they hold, fail with 0 and leave no texture behind.
TEST(G1TRead, MalformedFilesFailCleanly) {
  const Bytes good = HandMadeFile();
  for (std::size_t n = 0; n < good.size(); ++n) {
    Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    CG1TFileImpl file;
    EXPECT_EQ(ReadFile(file, cut), 0u) << n;
    EXPECT_EQ(file.GetTextureCount(), 0u) << n;
    // The same prefix with its file size field claiming only what is there.
    if (n >= 12) {
      PutLe32(cut, 8, std::uint32_t(n));
      EXPECT_EQ(ReadFile(file, cut), 0u) << n;
    }
  }

  struct Patch {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  } patches[] = {
      {"signature", 0, {'G', 'T', '1', 'X'}},
      {"version not decimal", 4, {'0', '6', 'x', '0'}},
      {"file size beyond the buffer", 8, {0xFF, 0xFF, 0xFF, 0x7F}},
      {"header size beyond the file", 12, {0x00, 0x10, 0x00, 0x00}},
      {"header size below 20", 12, {19, 0, 0, 0}},
      {"texture count of 4 billion", 16, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"texture count one too many", 16, {3, 0, 0, 0}},
      {"extra data size beyond the file", 24, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"extra data too short for the records", 24, {8, 0, 0, 0}},
      {"size nibbles of 15", 44 + 20 + 2, {0xFF}},
      {"mip count beyond the size", 44 + 20, {0x30}},
      {"record count beyond the extra data", 44 + 20 + 3, {0xF0}},
      {"extended header size beyond the file", 44 + 20 + 8, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"extended header size below 12", 44 + 20 + 8, {4, 0, 0, 0}},
      {"record value count beyond the extra data", 44 + 2, {0xFF}},
      {"cube map instead of plain", 44 + 20, {0x11}},
  };
  for (const Patch& p : patches) {
    Bytes bad = good;
    std::copy(p.bytes.begin(), p.bytes.end(), bad.begin() + std::ptrdiff_t(p.at));
    CG1TFileImpl file;
    EXPECT_EQ(ReadFile(file, bad), 0u) << p.what;
    EXPECT_EQ(file.GetTextureCount(), 0u) << p.what;
  }
}

TEST(G1TRead, ReaderOriginAndByteOrderAreThoseOfTheCaller) {
  const Bytes face = EncodeFace(MakeImage(4, 4, Pattern(4, 4)), 1, TQR_PIXEL_FORMAT_BGRA8);
  Bytes buffer(7, 0xEE);
  buffer.insert(buffer.end(), face.begin(), face.end());
  CBinaryReaderFromMemory reader(buffer.data(), std::uint32_t(buffer.size()));
  reader.SetPosition(7);
  CG1TFileImpl file;
  EXPECT_EQ(file.Read(reader), face.size());
  EXPECT_FALSE(reader.IsBigEndian());
  EXPECT_EQ(reader.GetPosition(), buffer.size());
}

struct ValidateCase {
  const char* what;
  void (*setup)(CG1TFileImpl&);
  bool result;
  std::vector<std::int32_t> codes;
};

void AddFace(CG1TFileImpl& f, std::int32_t platform, std::int32_t format, std::uint32_t side) {
  f.SetPlatform(platform);
  f.AddTexture();
  CImage image;
  image.Create(side, side, kImageDirect);
  f.SetImage(f.GetTexture(0), image);
  f.GetTexture(0).SetFormats(format, TQR_PIXEL_FORMAT_NONE);
}

TEST(G1TValidate, Codes) {
  const ValidateCase cases[] = {
      {"no textures", [](CG1TFileImpl& f) { f.SetPlatform(0); }, false, {MSG_NO_TEXTURES}},
      {"file platform not set", [](CG1TFileImpl& f) { f.AddTexture(); }, false, {MSG_INVALID_HEADER_PLATFORM}},
      {"texture on another platform",
       [](CG1TFileImpl& f) {
         AddFace(f, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
         f.GetTexture(0).SetPlatform(1);
       },
       false, {MSG_PLATFORM_MISMATCH}},
      {"texture without faces",
       [](CG1TFileImpl& f) {
         f.SetPlatform(0);
         f.AddTexture();
       },
       false, {MSG_NO_TEXTURES}},
      {"fixed texture",
       [](CG1TFileImpl& f) {
         AddFace(f, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
         f.GetTexture(0).SetFixed(true);
       },
       false, {MSG_FIXED_TYPE}},
      {"format 64",
       [](CG1TFileImpl& f) { AddFace(f, 0, TQR_PIXEL_FORMAT_NONE, 4); }, false, {MSG_INVALID_PIXEL_FORMAT}},
      {"small TILE_DXT1 on platform 2",
       [](CG1TFileImpl& f) { AddFace(f, 2, TQR_PIXEL_FORMAT_TILE_DXT1, 64); }, false,
       {MSG_XB2_TILE_DXT_TOO_SMALL}},
      {"128 x 128 TILE_DXT1 on platform 2",
       [](CG1TFileImpl& f) { AddFace(f, 2, TQR_PIXEL_FORMAT_TILE_DXT1, 128); }, true, {}},
      {"RGBA8 on platform 0 is repaired",
       [](CG1TFileImpl& f) { AddFace(f, 0, TQR_PIXEL_FORMAT_RGBA8, 4); }, true, {MSG_UNSUPPORTED_ON_PLATFORM}},
      {"DXT3 on platform 3 has no substitute",
       [](CG1TFileImpl& f) { AddFace(f, 3, TQR_PIXEL_FORMAT_DXT3, 4); }, true, {MSG_UNSUPPORTED_ON_PLATFORM}},
      {"palette format on platform 0",
       [](CG1TFileImpl& f) {
         AddFace(f, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
         f.GetTexture(0).SetPaletteFormat(TQR_PIXEL_FORMAT_RGBA8);
       },
       true, {MSG_UNSUPPORTED_ON_PLATFORM}},
      {"palette format without palettes",
       [](CG1TFileImpl& f) {
         AddFace(f, 4, TQR_PIXEL_FORMAT_INDEX8, 4);
         f.GetTexture(0).SetPaletteFormat(TQR_PIXEL_FORMAT_RGBA8);
       },
       false, {MSG_DIRECT_TO_INDEXED}},
  };
  for (const ValidateCase& c : cases) {
    CG1TFileImpl file;
    c.setup(file);
    EXPECT_EQ(file.Validate(), c.result) << c.what;
    EXPECT_EQ(file.GetReportedCodes(), c.codes) << c.what;
  }
}

TEST(G1TValidate, RepairKeepsFormatPairsConsistent) {
  CG1TFileImpl file;
  AddFace(file, 0, TQR_PIXEL_FORMAT_TILE_RGBA16F, 4);
  EXPECT_TRUE(file.Validate());
  EXPECT_EQ(file.GetTexture(0).GetPixelFormat(), TQR_PIXEL_FORMAT_RGBA16F);
  // An indexed format would go without its palette format after the
  // repair: the texture is left as it is.
  CG1TFileImpl other;
  AddFace(other, 3, TQR_PIXEL_FORMAT_INDEX8, 4);
  ASSERT_TRUE(other.GetTexture(0).SetPaletteFormat(TQR_PIXEL_FORMAT_RGBA8));
  other.Validate();
  EXPECT_EQ(other.GetTexture(0).GetPixelFormat(), TQR_PIXEL_FORMAT_INDEX8);
  EXPECT_EQ(other.GetTexture(0).GetPaletteFormat(), TQR_PIXEL_FORMAT_RGBA8);
}

TEST(G1TWrite, ColourSpaceFromTheSecondName) {
  struct Case {
    const wchar_t* name;
    bool extended;
    std::uint32_t flag;
  } cases[] = {
      {L"", false, 0},
      {L"DxTexture_Face", true, 1},
      {L"ColorSpace_sRGB", true, 1},
      {L"ColorSpace_LINEAR", true, 0},
      {L"COLOR_MAP", true, 1},
      {L"AlphaSpecularMap", true, 1},
      {L"Mask", true, 0},
  };
  for (const Case& c : cases) {
    CG1TFileImpl file;
    AddFace(file, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
    file.GetTexture(0).SetSecondName(c.name);
    const Bytes data = WriteFile(file);
    ASSERT_GE(data.size(), 44u);
    EXPECT_EQ(data[43] >> 4, c.extended ? 1 : 0);
    if (c.extended) {
      ASSERT_EQ(data.size(), 56u + 64);
      EXPECT_EQ(Le32(data, 44), 12u);
      EXPECT_EQ(data[55], c.flag) << std::string(c.name, c.name + std::wcslen(c.name));
    }
  }
  // A tag 0 record keeps the writer off the flag.
  CG1TFileImpl file;
  AddFace(file, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
  file.GetTexture(0).SetExtraRecords({{kExtraTagKeepColourSpace, 0, 0, {}}});
  file.GetTexture(0).SetSecondName(L"DxTexture_Face");
  const Bytes data = WriteFile(file);
  EXPECT_EQ(data[24], 4u);           // extra data size: one empty record
  EXPECT_EQ(data[32], 8u);           // offset: 4 + 4
  EXPECT_EQ(data[40 + 3] >> 4, 1);   // one record
  EXPECT_EQ(data[40 + 7] >> 4, 0);   // no extended header
}

TEST(G1TWrite, Wildcards) {
  EXPECT_TRUE(MatchWildcard(L"a*c", L"abbbc"));
  EXPECT_TRUE(MatchWildcard(L"a?c", L"abc"));
  EXPECT_FALSE(MatchWildcard(L"a?c", L"ac"));
  EXPECT_TRUE(MatchWildcard(L"*", L""));
  EXPECT_FALSE(MatchWildcard(L"COLOR*", L"color"));
  EXPECT_TRUE(MatchWildcard(L"*b*b", L"abab"));
}

TEST(G1TWrite, OldVersionsDropTheSecondNameAndExtendedHeader) {
  CG1TFileImpl file;
  ASSERT_TRUE(file.SetVersion("0050"));
  AddFace(file, 0, TQR_PIXEL_FORMAT_BGRA8, 4);
  file.GetTexture(0).SetSecondName(L"DxTexture_Face");
  const Bytes data = WriteFile(file);
  EXPECT_EQ(std::string(data.begin() + 4, data.begin() + 8), "0500");
  EXPECT_EQ(data.size(), 44u + 64);
  EXPECT_TRUE(file.GetTexture(0).GetSecondName().empty());
}

TEST(G1TWrite, UnsupportedTexturesAreLeftOut) {
  CG1TFileImpl file;
  AddFace(file, 3, TQR_PIXEL_FORMAT_DXT3, 8);
  const Bytes data = WriteFile(file);
  // Header, attribute word and offset only: no texture header, no data.
  EXPECT_EQ(data.size(), 36u);
  EXPECT_EQ(Be32(data, 8), 36u);
  EXPECT_EQ(Be32(data, 32), 4u);
}

TEST(G1TWrite, MipLevelsAreAveraged) {
  // 2 x 2: black, white, white, black (opaque), then 1 x 1 mid-grey.
  const Bytes rgba = {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
  CG1TFileImpl file;
  file.SetPlatform(0);
  file.AddTexture();
  ASSERT_TRUE(file.SetImage(file.GetTexture(0), MakeImage(2, 2, rgba)));
  file.GetTexture(0).SetFormats(TQR_PIXEL_FORMAT_BGRA8, TQR_PIXEL_FORMAT_NONE);
  ASSERT_TRUE(file.GetTexture(0).SetMipCount(2));
  EXPECT_FALSE(file.GetTexture(0).SetMipCount(3));
  const Bytes data = WriteFile(file);
  ASSERT_EQ(data.size(), 44u + 16 + 4);
  EXPECT_EQ(data[36] >> 4, 2);
  EXPECT_EQ((Bytes(data.begin() + 60, data.end())), (Bytes{127, 127, 127, 255}));
  CG1TFileImpl back;
  ASSERT_EQ(ReadFile(back, data), data.size());
  EXPECT_EQ(back.GetTexture(0).GetSurfaces()[0].levels.size(), 2u);
}

// The attribute word picks the averaging: plain, or colour weighted by
// alpha fully (1) or half way (2).
TEST(G1TWrite, MipAveragingByAttributeWord) {
  const Bytes rgba = {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  struct Case {
    std::uint32_t attribute;
    std::uint8_t red;
  } cases[] = {{0, 63}, {1, 255}, {2, 102}, {3, 63}};
  for (const Case& c : cases) {
    Bytes base = EncodeFace(MakeImage(2, 2, rgba), 0, TQR_PIXEL_FORMAT_BGRA8);
    PutLe32(base, 28, c.attribute);
    CG1TFileImpl file;
    ASSERT_EQ(ReadFile(file, base), base.size());
    ASSERT_TRUE(file.SetImage(file.GetTexture(0), MakeImage(2, 2, rgba)));
    ASSERT_TRUE(file.GetTexture(0).SetMipCount(2));
    const Bytes data = WriteFile(file);
    EXPECT_EQ(Le32(data, 28), c.attribute);
    ASSERT_EQ(data.size(), 44u + 16 + 4);
    EXPECT_EQ((Bytes(data.begin() + 60, data.end())), (Bytes{0, 0, c.red, 63})) << c.attribute;
  }
}

TEST(G1TIndexed, PalettesTravelThroughThePaletteList) {
  // A 16-colour picture on platform 3 with TILE_B5G6R5 palettes.
  CIndexedData data;
  ASSERT_TRUE(data.Create(8, 8, 16));
  for (std::size_t i = 0; i < data.indices.size(); ++i) data.indices[i] = std::uint8_t(i % 16);
  for (int c = 0; c < 16; ++c) data.palettes[0][c] = {std::uint8_t(c * 8), std::uint8_t(c * 12), 248, 255};
  CImage image;
  ASSERT_TRUE(image.SetIndexedData(data));

  CG1TFileImpl file;
  file.SetPlatform(3);
  file.AddTexture();
  ASSERT_TRUE(file.SetImage(file.GetTexture(0), image));
  EXPECT_EQ(file.GetTexture(0).GetPixelFormat(), TQR_PIXEL_FORMAT_TILE_INDEX4);
  ASSERT_TRUE(file.GetTexture(0).SetPaletteFormat(TQR_PIXEL_FORMAT_TILE_B5G6R5));
  EXPECT_FALSE(file.GetTexture(0).SetPaletteFormat(TQR_PIXEL_FORMAT_BGRA8));
  EXPECT_TRUE(file.Validate());
  const Bytes bytes = WriteFile(file);
  // Header, one tag 5 record, texture, palette list of one 16-colour palette.
  EXPECT_EQ(bytes.size(), 32u + 4 + 8 + 8 + 32 + 16 + 2 + 32);
  EXPECT_EQ(Be32(bytes, 24), 8u);
  const std::size_t list = bytes.size() - 50;
  EXPECT_EQ(std::string(bytes.begin() + std::ptrdiff_t(list), bytes.begin() + std::ptrdiff_t(list) + 4), "G1TL");

  CG1TFileImpl back;
  ASSERT_EQ(ReadFile(back, bytes), bytes.size());
  const CG1TTexture& t = back.GetTexture(0);
  ASSERT_EQ(t.GetExtraRecords().size(), 1u);
  EXPECT_EQ(t.GetExtraRecords()[0].tag, kExtraTagPalette);
  EXPECT_EQ(t.GetExtraRecords()[0].values[0], 0u);  // texture 0, first palette 0
  EXPECT_EQ(t.GetPaletteFormat(), TQR_PIXEL_FORMAT_TILE_B5G6R5);
  CImage decoded;
  ASSERT_TRUE(back.GetImage(t, decoded));
  ASSERT_TRUE(decoded.IsIndexed());
  CIndexedData out;
  ASSERT_TRUE(decoded.GetIndexedData(out));
  EXPECT_EQ(out.indices, data.indices);
  ASSERT_EQ(out.palettes.size(), 1u);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(out.palettes[0][c][0], c * 8) << c;
    EXPECT_EQ(out.palettes[0][c][1], (c * 12) & ~3) << c;
    EXPECT_EQ(out.palettes[0][c][2], 248) << c;
  }
}

TEST(G1TOperations, SetImageAndFormatsRefuseWhatTheyCannotHold) {
  CG1TFileImpl file;
  file.SetPlatform(0);
  ASSERT_TRUE(file.AddTexture());
  EXPECT_FALSE(file.AddTexture());
  EXPECT_EQ(file.GetTextureCount(), 1u);
  EXPECT_FALSE(file.SetImage(file.GetTexture(0), MakeImage(6, 4, Pattern(6, 4))));
  EXPECT_FALSE(file.SetPixelFormat(TQR_PIXEL_FORMAT_INDEX8));
  EXPECT_FALSE(file.SetPixelFormat(64));
  EXPECT_TRUE(file.SetPixelFormat(TQR_PIXEL_FORMAT_DXT1));
  EXPECT_EQ(file.GetTexture(0).GetPixelFormat(), TQR_PIXEL_FORMAT_DXT1);
  EXPECT_TRUE(file.SetImage(file.GetTexture(0), MakeImage(8, 4, Pattern(8, 4))));
  EXPECT_EQ(file.GetTexture(0).GetHeader()[2], 0x23);
  // Renaming goes through the file's callback once reading is done.
  EXPECT_TRUE(file.GetTexture(0).SetName(L"face"));
  EXPECT_EQ(file.GetTexture(0).GetName(), L"face");
}

TEST(G1TOperations, ByteImagesDecodeAsBytes) {
  const Bytes rgba = Pattern(4, 4);
  const Bytes data = EncodeFace(MakeImage(4, 4, rgba), 0, TQR_PIXEL_FORMAT_BGRA8);
  CG1TFileImpl file;
  ASSERT_EQ(ReadFile(file, data), data.size());
  CClassicImage image;
  ASSERT_TRUE(file.GetImage(file.GetTexture(0), image));
  Bytes out;
  ASSERT_TRUE(image.GetPixels(out));
  EXPECT_EQ(out, rgba);
}

}  // namespace
}  // namespace zfx

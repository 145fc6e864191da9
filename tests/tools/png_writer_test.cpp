// kaocgtool's PNG writer: its checksums against published and zlib's values,
// its output read back by outside PNG readers.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "tools/PngOracle.h"
#include "tools/kaocgtool/png_writer.h"

namespace {

using kaocgtool::Adler32;
using kaocgtool::Crc32;
using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct ChecksumCase {
  Bytes input;
  std::uint32_t crc;
  std::uint32_t adler;
};

// CRC-32's check value and the CRC of every PNG's IEND chunk; Adler-32 of
// "Wikipedia" as RFC 1950's worked example gives it; the megabyte of 0xFF
// overflows any Adler-32 that reduces its sums too late. The rest as
// Python's zlib computes them.
TEST(PngChecksums, MatchKnownValues) {
  const ChecksumCase cases[] = {
      {{}, 0x00000000u, 0x00000001u},
      {AsBytes("a"), 0xE8B7BE43u, 0x00620062u},
      {AsBytes("123456789"), 0xCBF43926u, 0x091E01DEu},
      {AsBytes("Wikipedia"), 0xADAAC02Eu, 0x11E60398u},
      {AsBytes("IEND"), 0xAE426082u, 0x02D70121u},
      {AsBytes("The quick brown fox jumps over the lazy dog"), 0x414FA339u, 0x5BDC0FDAu},
      {Bytes(std::size_t{1} << 20, 0xFF), 0x956BAC74u, 0x8E88EF11u},
  };
  for (const ChecksumCase& c : cases) {
    SCOPED_TRACE(c.input.size());
    EXPECT_EQ(Crc32(c.input.data(), c.input.size()), c.crc);
    EXPECT_EQ(Adler32(c.input.data(), c.input.size()), c.adler);
    // Running sums over pieces, cut at awkward places, give the same values.
    for (std::size_t cut : {std::size_t{1}, std::size_t{5551}, std::size_t{5552}, std::size_t{70000}}) {
      if (cut >= c.input.size()) continue;
      const std::size_t rest = c.input.size() - cut;
      EXPECT_EQ(Crc32(c.input.data() + cut, rest, Crc32(c.input.data(), cut)), c.crc) << cut;
      EXPECT_EQ(Adler32(c.input.data() + cut, rest, Adler32(c.input.data(), cut)), c.adler) << cut;
    }
  }
}

std::uint8_t Channel(std::uint32_t x, std::uint32_t y, int c) {
  return static_cast<std::uint8_t>(x * 7 + y * 13 + c * 101 + (x ^ y) * 3);
}

pngtest::RgbPicture Expected(std::uint32_t w, std::uint32_t h) {
  pngtest::RgbPicture p{int(w), int(h), {}};
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) p.rgb.push_back(Channel(x, y, c));
  return p;
}

std::string Encode(std::uint32_t w, std::uint32_t h) {
  std::ostringstream out;
  const bool ok = kaocgtool::WritePngRgb(out, w, h, [w](std::uint32_t y, std::uint8_t* rgb) {
    for (std::uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) *rgb++ = Channel(x, y, c);
  });
  EXPECT_TRUE(ok) << w << " x " << h;
  return out.str();
}

struct Size {
  std::uint32_t w, h;
};

// The rows plus their filter bytes fill stored blocks of 65535 bytes: 428 x
// 51 fills exactly one, 428 x 52 spills a row into a second, 428 x 102
// fills exactly two, 1456 x 15 has rows that end on the block edge, 700 x
// 100 has rows that straddle it.
const Size kSizes[] = {{1, 1}, {3, 2}, {2, 5}, {428, 51}, {428, 52}, {428, 102}, {1456, 15}, {700, 100}};

TEST(PngWriter, SizeIsKnownBeforehand) {
  for (const Size s : kSizes) {
    EXPECT_EQ(Encode(s.w, s.h).size(), kaocgtool::PngRgbFileSize(s.w, s.h)) << s.w << " x " << s.h;
  }
  // Signature, IHDR, IDAT with the zlib header, one stored block of the
  // filter byte and one pixel, Adler-32, IEND.
  EXPECT_EQ(kaocgtool::PngRgbFileSize(1, 1), 8u + 25u + 12u + 2u + 5u + 4u + 4u + 12u);
}

TEST(PngWriter, RefusesWhatPngCannotHold) {
  const Size refused[] = {{0, 1}, {1, 0}, {0x80000000u, 1}, {1, 0x80000000u}, {30000, 30000}};
  for (const Size s : refused) {
    EXPECT_EQ(kaocgtool::PngRgbFileSize(s.w, s.h), 0u) << s.w << " x " << s.h;
    std::ostringstream out;
    bool asked = false;
    EXPECT_FALSE(kaocgtool::WritePngRgb(out, s.w, s.h, [&](std::uint32_t, std::uint8_t*) { asked = true; }));
    EXPECT_FALSE(asked);
    EXPECT_TRUE(out.str().empty());
  }
  // The largest picture one chunk holds: 2^31 - 1 bytes of zlib stream.
  EXPECT_NE(kaocgtool::PngRgbFileSize(21000, 34000), 0u);
  EXPECT_EQ(kaocgtool::PngRgbFileSize(21000, 34100), 0u);
}

// A stream that takes only so many bytes.
class LimitedBuffer : public std::streambuf {
 public:
  explicit LimitedBuffer(std::size_t limit) : limit_(limit) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (taken_ == limit_) return traits_type::eof();
    ++taken_;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    const std::streamsize room = static_cast<std::streamsize>(limit_ - taken_);
    const std::streamsize take = n < room ? n : room;
    taken_ += static_cast<std::size_t>(take);
    return take;
  }

 private:
  std::size_t limit_;
  std::size_t taken_ = 0;
};

TEST(PngWriter, ReportsAFailingStream) {
  const std::uint64_t full = kaocgtool::PngRgbFileSize(700, 100);
  for (std::size_t limit : {std::size_t{0}, std::size_t{40}, std::size_t{100000}, std::size_t(full - 1)}) {
    LimitedBuffer buffer(limit);
    std::ostream out(&buffer);
    EXPECT_FALSE(kaocgtool::WritePngRgb(out, 700, 100, [](std::uint32_t, std::uint8_t*) {})) << limit;
  }
  LimitedBuffer enough(full);
  std::ostream out(&enough);
  EXPECT_TRUE(kaocgtool::WritePngRgb(out, 700, 100, [](std::uint32_t, std::uint8_t*) {}));
}

using kaocg_test::WriteFile;

TEST(PngWriter, PythonZlibReadsItBack) {
  if (!pngtest::HavePython()) GTEST_SKIP() << "python3 with zlib is not installed";
  kaocg_test::TempDir dir;
  for (const Size s : kSizes) {
    SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
    const std::string png = (dir.path() / "p.png").string();
    WriteFile(png, Encode(s.w, s.h));
    pngtest::RgbPicture got;
    ASSERT_TRUE(pngtest::DecodeWithPython(png, (dir.path() / "py").string(), got));
    EXPECT_TRUE(got == Expected(s.w, s.h));
  }
}

TEST(PngWriter, ImageMagickReadsItBack) {
  if (!pngtest::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  kaocg_test::TempDir dir;
  for (const Size s : kSizes) {
    SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
    const std::string png = (dir.path() / "p.png").string();
    WriteFile(png, Encode(s.w, s.h));
    pngtest::RgbPicture got;
    ASSERT_TRUE(pngtest::DecodeWithImageMagick(png, (dir.path() / "im").string(), got));
    EXPECT_TRUE(got == Expected(s.w, s.h));
  }
}

}  // namespace

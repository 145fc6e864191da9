#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "import/PictureReader.h"
#include "res/strings.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Ycc {
  int y, cb, cr;
};

// A baseline JPEG of X × Y pixels, three components sampled 1 × 1, every
// quantisation value 1, in which each 8 × 8 block holds only a DC
// coefficient. A DC of 8k + 1 decodes to the flat sample 128 + k, so each
// block is one exact colour. blocks lists the blocks in raster order.
Bytes FlatJpeg(int X, int Y, const std::vector<Ycc>& blocks) {
  Bytes o = {0xFF, 0xD8};
  auto word = [&](int w) {
    o.push_back(static_cast<std::uint8_t>(w >> 8));
    o.push_back(static_cast<std::uint8_t>(w));
  };
  // DQT: table 0, 8-bit values, all 1.
  o.insert(o.end(), {0xFF, 0xDB});
  word(67);
  o.push_back(0x00);
  o.insert(o.end(), 64, 1);
  // SOF0.
  o.insert(o.end(), {0xFF, 0xC0});
  word(17);
  o.push_back(8);
  word(Y);
  word(X);
  o.push_back(3);
  for (int c = 1; c <= 3; ++c) o.insert(o.end(), {static_cast<std::uint8_t>(c), 0x11, 0x00});
  // DHT DC 0: categories 0..11 as the 4-bit codes 0000..1011.
  o.insert(o.end(), {0xFF, 0xC4});
  word(2 + 1 + 16 + 12);
  o.push_back(0x00);
  for (int len = 1; len <= 16; ++len) o.push_back(len == 4 ? 12 : 0);
  for (int v = 0; v < 12; ++v) o.push_back(static_cast<std::uint8_t>(v));
  // DHT AC 0: the single code "0" for end of block.
  o.insert(o.end(), {0xFF, 0xC4});
  word(2 + 1 + 16 + 1);
  o.push_back(0x10);
  for (int len = 1; len <= 16; ++len) o.push_back(len == 1 ? 1 : 0);
  o.push_back(0x00);
  // SOS.
  o.insert(o.end(), {0xFF, 0xDA});
  word(12);
  o.push_back(3);
  for (int c = 1; c <= 3; ++c) o.insert(o.end(), {static_cast<std::uint8_t>(c), 0x00});
  o.insert(o.end(), {0, 63, 0});

  std::uint32_t acc = 0;
  int nbits = 0;
  auto bits = [&](std::uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc = (acc << 1) | ((v >> i) & 1);
      if (++nbits == 8) {
        o.push_back(static_cast<std::uint8_t>(acc));
        if ((acc & 0xFF) == 0xFF) o.push_back(0x00);
        acc = 0;
        nbits = 0;
      }
    }
  };
  int pred[3] = {0, 0, 0};
  for (const Ycc& b : blocks) {
    const int values[3] = {b.y, b.cb, b.cr};
    for (int c = 0; c < 3; ++c) {
      const int dc = 8 * (values[c] - 128) + 1;
      const int diff = dc - pred[c];
      pred[c] = dc;
      int cat = 0;
      for (int m = diff < 0 ? -diff : diff; m; m >>= 1) ++cat;
      bits(static_cast<std::uint32_t>(cat), 4);
      if (cat) bits(static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff), cat);
      bits(0, 1);  // end of block
    }
  }
  while (nbits) bits(1, 1);
  o.insert(o.end(), {0xFF, 0xD9});
  return o;
}

std::uint32_t Rgb(const CDIB& d, int x, int y) {
  const std::uint8_t* p = d.GetPixelAddress(x, y);
  return p ? (std::uint32_t{p[2]} << 16) | (p[1] << 8) | p[0] : 0xFFFFFFFFu;
}

TEST(JpegReader, PlanesBecomeTheBottomUpWorkPicture) {
  // Blocks: top-left, top-right, bottom-left, bottom-right.
  const Bytes file = FlatJpeg(13, 11, {{100, 150, 90}, {200, 128, 128}, {50, 128, 128}, {128, 128, 200}});
  CDIB work;
  std::string message;
  ASSERT_TRUE(ReadJpegFile(file.data(), file.size(), "face.jpg", work, message)) << message;
  EXPECT_EQ(work.GetWidth(), 16);
  EXPECT_EQ(work.GetHeight(), 11);
  EXPECT_EQ(work.GetBitCount(), 24);
  EXPECT_FALSE(work.IsTopDown());
  // Y 100, Cb 150, Cr 90 is red 46, green 119, blue 138.
  EXPECT_EQ(Rgb(work, 0, 0), 0x2E778Au);
  EXPECT_EQ(Rgb(work, 7, 7), 0x2E778Au);
  EXPECT_EQ(Rgb(work, 8, 0), 0xC8C8C8u);
  EXPECT_EQ(Rgb(work, 12, 7), 0xC8C8C8u);
  EXPECT_EQ(Rgb(work, 0, 8), 0x323232u);
  // Cr 200: red 128 + 1.402 × 72, green 128 − 0.7139 × 72, both truncated.
  EXPECT_EQ(Rgb(work, 12, 10), 0xE44C80u);
  // The columns added by the rounding are black.
  for (int x = 13; x < 16; ++x) {
    EXPECT_EQ(Rgb(work, x, 0), 0u);
    EXPECT_EQ(Rgb(work, x, 10), 0u);
  }
}

TEST(JpegReader, FailedStepsGiveTheirMessages) {
  const Bytes good = FlatJpeg(8, 8, {{128, 128, 128}});
  struct Case {
    const char* name;
    Bytes bytes;
    int stringId;
  } cases[] = {
      {"no SOI", Bytes{'G', 'I', 'F', '8'}, res::IDS_JPEG_HEADER_FAILED},
      {"empty", Bytes{}, res::IDS_JPEG_HEADER_FAILED},
      {"progressive", [&] {
         Bytes b = good;
         for (std::size_t i = 0; i + 1 < b.size(); ++i)
           if (b[i] == 0xFF && b[i + 1] == 0xC0) b[i + 1] = 0xC2;
         return b;
       }(), res::IDS_JPEG_HEADER_FAILED},
      // The first coded byte 0xFF (stuffed) starts with the DC code 1111,
      // which the table does not hold.
      {"undefined code", [&] {
         Bytes b = good;
         for (std::size_t i = 0; i + 1 < b.size(); ++i)
           if (b[i] == 0xFF && b[i + 1] == 0xDA) {
             const std::size_t data = i + 2 + 12;
             b[data] = 0xFF;
             b.insert(b.begin() + static_cast<std::ptrdiff_t>(data) + 1, 0x00);
             break;
           }
         return b;
       }(), res::IDS_JPEG_DECODE_FAILED},
  };
  for (const Case& c : cases) {
    CDIB work;
    ASSERT_TRUE(work.Create(3, 3, nullptr, 24));
    std::string message;
    EXPECT_FALSE(ReadJpegFile(c.bytes.data(), c.bytes.size(), "face.jpg", work, message)) << c.name;
    EXPECT_EQ(message, std::string("face.jpg\n") + res::LoadString(c.stringId)) << c.name;
    EXPECT_EQ(work.GetWidth(), 3) << c.name;
  }
}

}  // namespace

#include "zfx/ColorReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "zfx/Image.h"

namespace zfx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Floats = std::vector<float>;

Bytes Greys(std::initializer_list<int> levels, int alpha = 255) {
  Bytes rgba;
  for (int v : levels) rgba.insert(rgba.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), std::uint8_t(alpha)});
  return rgba;
}

PaletteColor Grey(int v, int a = 0) { return {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), std::uint8_t(a)}; }

TEST(MedianCut, CutsAtTheMedianAndTakesBoxMidpoints) {
  struct Case { Bytes pixels; std::uint32_t count; Palette expected; };
  const Case cases[] = {
      // One box of 0, 10, 20 (cut below 21, where the count passes half)
      // and one of 240; the smaller box comes first.
      {Greys({0, 10, 20, 240}), 2, {Grey(240), Grey(10)}},
      // Three pixels of 0 and one of 255: the cut falls right above 0.
      {Greys({0, 0, 0, 255}), 2, {Grey(0), Grey(255)}},
      // The median lies on the maximum: the cut is the maximum itself.
      {Greys({0, 255, 255, 255}), 2, {Grey(0), Grey(255)}},
      // Fewer colours than asked for.
      {Greys({7, 7, 7}), 16, {Grey(7)}},
      // Asked for one colour: the midpoint of everything.
      {Greys({0, 100}), 1, {Grey(50)}},
  };
  for (const Case& k : cases) {
    Palette palette;
    ASSERT_TRUE(BuildPalette(k.pixels, k.count, false, palette));
    EXPECT_EQ(palette, k.expected);
  }
}

TEST(MedianCut, AlphaCountsOnlyWhenAsked) {
  const Bytes pixels = {10, 10, 10, 0, 10, 10, 10, 255};
  Palette without, with;
  ASSERT_TRUE(BuildPalette(pixels, 4, false, without));
  EXPECT_EQ(without, (Palette{Grey(10)}));
  ASSERT_TRUE(BuildPalette(pixels, 4, true, with));
  ASSERT_EQ(with.size(), 2u);
  EXPECT_NE(std::find(with.begin(), with.end(), Grey(10, 0)), with.end());
  EXPECT_NE(std::find(with.begin(), with.end(), Grey(10, 255)), with.end());
}

TEST(MedianCut, EveryDistinctColourGetsItsOwnEntryWhenThereIsRoom) {
  Bytes pixels;
  for (int i = 0; i < 200; ++i) pixels.insert(pixels.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7), 255});
  Palette palette;
  ASSERT_TRUE(BuildPalette(pixels, 256, false, palette));
  EXPECT_EQ(palette.size(), 200u);
  Palette sorted = palette;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

TEST(MedianCut, Refusals) {
  Palette palette;
  EXPECT_FALSE(BuildPalette({}, 16, false, palette));
  EXPECT_FALSE(BuildPalette(Greys({1}), 0, false, palette));
  EXPECT_FALSE(BuildPalette(Greys({1}), 257, false, palette));
}

TEST(PaletteReduce, NearestColourAndTies) {
  const Palette palette = {{0, 0, 0, 0}, {255, 0, 0, 255}, {0, 0, 255, 0}, {0, 0, 255, 0}};
  FPaletteReduce rgb(palette, false), rgba(palette, true);
  const float redish[4] = {0.9f, 0.0f, 0.1f, 0.0f};
  const float mid[4] = {0.6f, 0.0f, 0.6f, 0.0f};  // as far from red as from blue
  const float blue[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  EXPECT_EQ(rgb.FindNearest(redish), 1u);
  EXPECT_EQ(rgb.FindNearest(mid), 1u);
  EXPECT_EQ(rgb.FindNearest(blue), 2u) << "the duplicate at 3 loses the tie";
  EXPECT_EQ(rgba.FindNearest(redish), 0u) << "alpha pulls it to black";

  float out[4];
  ASSERT_TRUE(rgb(out, redish));
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[2], 0.0f);
  EXPECT_EQ(out[3], 0.0f) << "alpha is copied from the input without use-alpha";
  std::uint8_t b[4];
  const std::uint8_t in[4] = {10, 0, 200, 77};
  ASSERT_TRUE(rgb(b, in));
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0, 0, 255, 77}));
  ASSERT_TRUE(rgba(b, in));
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0, 0, 255, 0}));
}

TEST(Diffusion, KernelIsJarvisJudiceNinke) {
  const SDiffusionKernel& k = JarvisJudiceNinkeKernel();
  EXPECT_EQ(k.width, 5);
  EXPECT_EQ(k.height, 3);
  EXPECT_EQ(k.centre, 2);
  const float expected[15] = {0, 0, 0, 7, 5, 3, 5, 7, 5, 3, 1, 3, 5, 3, 1};
  float sum = 0;
  for (int i = 0; i < 15; ++i) {
    EXPECT_FLOAT_EQ(k.weights[i] * 48, expected[i]) << i;
    sum += k.weights[i];
  }
  EXPECT_NEAR(sum, 1.0f, 1e-6f);
}

TEST(Diffusion, NoOperationPassesTheSourceThrough) {
  const Floats source = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
  Floats output;
  FNoOperateColor none;
  ASSERT_TRUE(Diffuse(JarvisJudiceNinkeKernel(), source, output, 2, 1, none));
  EXPECT_EQ(output, source);
  EXPECT_FALSE(Diffuse(JarvisJudiceNinkeKernel(), source, output, 3, 1, none));
}

TEST(Diffusion, SinglePixelTouchesNoNeighbour) {
  const Floats source = {0.3f, 0.3f, 0.3f, 1.0f};
  Floats output;
  FPaletteReduce reduce({{0, 0, 0, 255}, {255, 255, 255, 255}}, false);
  ASSERT_TRUE(Diffuse(JarvisJudiceNinkeKernel(), source, output, 1, 1, reduce));
  EXPECT_EQ(output, (Floats{0.0f, 0.0f, 0.0f, 1.0f}));
}

// Red 0.45 over 3 x 2 pixels with black and red: worked through by hand,
// spreading each pixel's error c - source with the kernel.
TEST(Diffusion, SpreadsTheErrorOfTheUnadjustedSource) {
  CImage image;
  ASSERT_TRUE(image.Create(3, 2, 1));
  ASSERT_TRUE(image.ImportFloats(Floats(6, 0.45f), kChannelRed));
  Palette palette(16, PaletteColor{0, 0, 0, 0});
  palette[1] = {255, 0, 0, 0};
  CImage plain = image;
  ASSERT_TRUE(image.ConvertToIndexed(palette, false, true));
  CIndexedData data;
  ASSERT_TRUE(image.GetIndexedData(data));
  EXPECT_EQ(data.indices, (Bytes{0, 1, 0, 0, 1, 0}));
  EXPECT_EQ(data.palettes, std::vector<Palette>{palette});
  EXPECT_FALSE(image.IsDirect());

  ASSERT_TRUE(plain.ConvertToIndexed(palette, false, false));
  ASSERT_TRUE(plain.GetIndexedData(data));
  EXPECT_EQ(data.indices, Bytes(6, 0)) << "without dither every pixel is nearest to black";
}

template <typename Image>
class ReductionTest : public ::testing::Test {};
using ImageTypes = ::testing::Types<CImage, CClassicImage>;
TYPED_TEST_SUITE(ReductionTest, ImageTypes);

TYPED_TEST(ReductionTest, SingleColourGivesOneEntryPaddedToSixteen) {
  TypeParam image;
  ASSERT_TRUE(image.Create(4, 3, 1));
  Bytes rgba;
  for (int i = 0; i < 12; ++i) rgba.insert(rgba.end(), {100, 150, 200, 255});
  ASSERT_TRUE(image.ImportBytes(rgba, kChannelAll));
  ASSERT_TRUE(image.ReduceColors(16, false));
  EXPECT_TRUE(image.IsIndexed());
  CIndexedData data;
  ASSERT_TRUE(image.GetIndexedData(data));
  EXPECT_EQ(data.colorCount, 16u);
  Palette expected(16, PaletteColor{0, 0, 0, 0});
  expected[0] = {100, 150, 200, 0};
  EXPECT_EQ(data.palettes, std::vector<Palette>{expected});
  EXPECT_EQ(data.indices, Bytes(12, 0));
  // Without use-alpha the palette is transparent.
  Bytes alpha;
  ASSERT_TRUE(image.ExportBytes(alpha, kChannelAlpha));
  EXPECT_EQ(alpha, Bytes(12, 0));
}

TYPED_TEST(ReductionTest, ManyColoursGiveAFullPalette) {
  TypeParam image;
  ASSERT_TRUE(image.Create(32, 32, 1));
  Bytes rgba;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) rgba.insert(rgba.end(), {std::uint8_t(x * 8), std::uint8_t(y * 8), std::uint8_t(x * y), 255});
  ASSERT_TRUE(image.ImportBytes(rgba, kChannelAll));
  ASSERT_TRUE(image.ReduceColors(256, true));
  CIndexedData data;
  ASSERT_TRUE(image.GetIndexedData(data));
  EXPECT_EQ(data.colorCount, 256u);
  EXPECT_EQ(data.palettes[0][0][3], 255) << "with use-alpha the palette keeps alpha";
  // The reduced picture stays close to the original on average.
  Bytes back;
  ASSERT_TRUE(image.ExportBytes(back, kChannelAll));
  double error = 0;
  for (std::size_t i = 0; i < back.size(); ++i) error += std::abs(int{back[i]} - int{rgba[i]});
  EXPECT_LT(error / back.size(), 12.0);

  TypeParam few;
  ASSERT_TRUE(few.Create(32, 32, 1));
  ASSERT_TRUE(few.ImportBytes(rgba, kChannelAll));
  ASSERT_TRUE(few.ReduceColors(17, false));
  ASSERT_TRUE(few.GetIndexedData(data));
  EXPECT_EQ(data.colorCount, 256u) << "more than 16 colours pad to 256";
}

TYPED_TEST(ReductionTest, Refusals) {
  TypeParam image;
  EXPECT_FALSE(image.ReduceColors(16, false)) << "empty";
  ASSERT_TRUE(image.Create(2, 2, 1));
  EXPECT_FALSE(image.ReduceColors(0, false));
  EXPECT_FALSE(image.ReduceColors(257, false));
  EXPECT_FALSE(image.ConvertToIndexed(Palette(32), false, false));
  EXPECT_FALSE(image.ConvertToIndexed(Palette(15), false, true));
  EXPECT_TRUE(image.IsDirect());
  ASSERT_TRUE(image.ConvertToIndexed(Palette(256), false, false));
  EXPECT_FALSE(image.ReduceColors(16, false)) << "already indexed";
  EXPECT_FALSE(image.ConvertToIndexed(Palette(16), false, false));
  ASSERT_TRUE(image.Create(2, 2, 0));
  EXPECT_FALSE(image.ReduceColors(16, false)) << "no pixels";
}

}  // namespace
}  // namespace zfx

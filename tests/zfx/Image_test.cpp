#include "zfx/Image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "zfx/TextWriter.h"

namespace zfx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Floats = std::vector<float>;

// Most behaviour is shared by the float and the byte image.
template <typename Image>
class ImageTest : public ::testing::Test {};
using ImageTypes = ::testing::Types<CImage, CClassicImage>;
TYPED_TEST_SUITE(ImageTest, ImageTypes);

Bytes ExportAll(const CImageBase& image) {
  Bytes out;
  EXPECT_TRUE(image.ExportBytes(out, kChannelAll));
  return out;
}

TEST(ImageConversion, ByteFloatRules) {
  struct Case { float value; std::uint8_t byte; };
  for (const Case& k : {Case{0.5f, 127}, Case{1.0f, 255}, Case{-0.2f, 0}, Case{1.7f, 255}, Case{0.0f, 0},
                        Case{10.0f / 255, 10}, Case{255.99899291992188f / 255, 255},
                        Case{255.998f / 255, 255}, Case{255.99f / 255, 255}, Case{NAN, 0}}) {
    EXPECT_EQ(FloatToByte(k.value), k.byte) << k.value;
  }
  EXPECT_EQ(FloatToByte(255.9f / 255), 255);
  EXPECT_EQ(FloatToByte(254.9f / 255), 254);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(FloatToByte(ByteToFloat(static_cast<std::uint8_t>(b))), b);
  }
  EXPECT_EQ(ByteToFloat(255), 1.0f);
}

TYPED_TEST(ImageTest, NewImageIsEmpty) {
  TypeParam image;
  EXPECT_FALSE(image.IsValid());
  EXPECT_FALSE(image.IsDirect());
  EXPECT_FALSE(image.IsIndexed());
  EXPECT_FALSE(image.IsFixed());
  EXPECT_EQ(image.GetGamma(), 1.0f);
  EXPECT_EQ(image.GetAddressMode(), 0u);
  EXPECT_EQ(image.GetUserData(), nullptr);
  Bytes out;
  EXPECT_FALSE(image.ExportBytes(out, kChannelAll));
}

TYPED_TEST(ImageTest, CreateKinds) {
  struct Case { std::uint32_t kind; bool ok, direct, indexed; std::uint32_t palettes; };
  for (const Case& k : {Case{0, true, false, false, 0}, Case{1, true, true, false, 0},
                        Case{2, true, false, true, 1}, Case{3, true, false, true, 1},
                        Case{4, false, false, false, 0}}) {
    TypeParam image;
    EXPECT_EQ(image.Create(3, 2, k.kind), k.ok) << k.kind;
    EXPECT_EQ(image.GetWidth(), 3u);
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_TRUE(image.IsValid());
    EXPECT_EQ(image.IsDirect(), k.direct) << k.kind;
    EXPECT_EQ(image.IsIndexed(), k.indexed) << k.kind;
    EXPECT_EQ(image.GetPaletteCount(), k.palettes);
  }
}

TYPED_TEST(ImageTest, CreateRefusesSizesBeyondTheCaps) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  EXPECT_FALSE(image.Create(kMaxImageDimension + 1, 1, 1));
  EXPECT_FALSE(image.Create(kMaxImageDimension, kMaxImageDimension, 1));
  EXPECT_EQ(image.GetWidth(), 2u) << "a refused size leaves the image as it was";
  EXPECT_TRUE(image.Create(0, 0, 1));
  EXPECT_FALSE(image.IsValid());
}

TYPED_TEST(ImageTest, IndexedImageExportsItsFirstPalette) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 3));
  CIndexedData data;
  ASSERT_TRUE(image.GetIndexedData(data));
  EXPECT_EQ(data.colorCount, 16u);
  ASSERT_EQ(data.palettes.size(), 1u);
  EXPECT_EQ(data.palettes[0], Palette(16, PaletteColor{0, 0, 0, 0}));
  EXPECT_EQ(data.indices, Bytes(4, 0));
  EXPECT_EQ(ExportAll(image), Bytes(16, 0));

  data.palettes[0][1] = {10, 20, 30, 40};
  data.palettes.push_back(Palette(16, PaletteColor{1, 2, 3, 4}));
  data.indices = {0, 1, 1, 0};
  ASSERT_TRUE(image.SetIndexedData(data));
  EXPECT_EQ(image.GetPaletteCount(), 2u);
  EXPECT_EQ(ExportAll(image), (Bytes{0, 0, 0, 0, 10, 20, 30, 40, 10, 20, 30, 40, 0, 0, 0, 0}));
  Bytes alpha;
  ASSERT_TRUE(image.ExportBytes(alpha, kChannelAlpha));
  EXPECT_EQ(alpha, (Bytes{0, 40, 40, 0}));
  Floats f;
  ASSERT_TRUE(image.GetPixels(f));
  EXPECT_EQ(f[4], 10.0f / 255);

  // Palette 1 is there, palette 2 is not.
  TypeParam copy = image;
  EXPECT_FALSE(copy.ExpandPalette(2));
  ASSERT_TRUE(copy.ExpandPalette(1));
  EXPECT_TRUE(copy.IsDirect());
  EXPECT_FALSE(copy.IsIndexed());
  EXPECT_EQ(copy.GetPaletteCount(), 0u);
  EXPECT_EQ(ExportAll(copy), (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}));
  EXPECT_FALSE(copy.ExpandPalette(0)) << "already direct";
  EXPECT_TRUE(image.IsIndexed()) << "copies are deep";
}

TYPED_TEST(ImageTest, SetIndexedDataRefusesInconsistentData) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  CIndexedData good;
  ASSERT_TRUE(good.Create(2, 1, 256));
  auto broken = [&](auto change) {
    CIndexedData d = good;
    change(d);
    return d;
  };
  for (const CIndexedData& d : {broken([](CIndexedData& d) { d.indices.pop_back(); }),
                                broken([](CIndexedData& d) { d.colorCount = 32; }),
                                broken([](CIndexedData& d) { d.palettes.clear(); }),
                                broken([](CIndexedData& d) { d.palettes[0].pop_back(); }),
                                broken([](CIndexedData& d) { d.width = 0; })}) {
    EXPECT_FALSE(image.SetIndexedData(d));
    EXPECT_TRUE(image.IsDirect());
  }
  ASSERT_TRUE(image.SetIndexedData(good));
  EXPECT_EQ(image.GetWidth(), 2u);
  EXPECT_EQ(image.GetHeight(), 1u);
  EXPECT_TRUE(image.IsIndexed());
}

TYPED_TEST(ImageTest, IndexBeyondASixteenColourPaletteExportsTransparentBlack) {
  TypeParam image;
  CIndexedData d;
  ASSERT_TRUE(d.Create(2, 1, 16));
  d.palettes[0][15] = {9, 9, 9, 9};
  d.indices = {15, 200};
  ASSERT_TRUE(image.SetIndexedData(d));
  EXPECT_EQ(ExportAll(image), (Bytes{9, 9, 9, 9, 0, 0, 0, 0}));
}

TYPED_TEST(ImageTest, ImportAndExportBytes) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  const Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_FALSE(image.ImportBytes(Bytes(rgba.begin(), rgba.end() - 1), kChannelAll));
  EXPECT_EQ(ExportAll(image), Bytes(16, 0)) << "a refused import changes nothing";
  ASSERT_TRUE(image.ImportBytes(rgba, kChannelAll));
  EXPECT_EQ(ExportAll(image), rgba);

  // Selected channels only, in red, green, blue, alpha order.
  ASSERT_TRUE(image.ImportBytes({100, 101, 102, 103, 104, 105, 106, 107}, kChannelGreen | kChannelAlpha));
  EXPECT_EQ(ExportAll(image), (Bytes{1, 100, 3, 101, 5, 102, 7, 103, 9, 104, 11, 105, 13, 106, 15, 107}));
  Bytes redBlue;
  ASSERT_TRUE(image.ExportBytes(redBlue, kChannelRed | kChannelBlue));
  EXPECT_EQ(redBlue, (Bytes{1, 3, 5, 7, 9, 11, 13, 15}));
  // Export appends.
  ASSERT_TRUE(image.ExportBytes(redBlue, kChannelRed));
  EXPECT_EQ(redBlue.size(), 12u);
  // Bits above the four channels are ignored.
  EXPECT_TRUE(image.ImportBytes(Bytes(4, 7), kChannelRed | 0x30));

  EXPECT_FALSE(image.ImportBytes({}, kChannelAll));
  EXPECT_FALSE(image.ImportBytes(Bytes(4, 0), 0));
}

TYPED_TEST(ImageTest, AlphaOnlyImportOntoSizeOnlyImage) {
  TypeParam image;
  ASSERT_TRUE(image.Create(3, 1, 0));
  EXPECT_FALSE(image.ImportBytes(Bytes(4, 9), kChannelAlpha));
  ASSERT_TRUE(image.ImportBytes({7, 8, 9}, kChannelAlpha));
  EXPECT_TRUE(image.IsDirect());
  EXPECT_EQ(ExportAll(image), (Bytes{0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 9}));
}

TYPED_TEST(ImageTest, ImportOntoIndexedImageMakesItDirect) {
  TypeParam image;
  ASSERT_TRUE(image.Create(1, 1, 2));
  ASSERT_TRUE(image.ImportBytes({5}, kChannelBlue));
  EXPECT_TRUE(image.IsDirect());
  EXPECT_FALSE(image.IsIndexed());
  EXPECT_EQ(ExportAll(image), (Bytes{0, 0, 5, 0}));
}

TYPED_TEST(ImageTest, FloatsAndBytesMeetByTheRules) {
  TypeParam image;
  ASSERT_TRUE(image.Create(1, 1, 1));
  ASSERT_TRUE(image.ImportFloats({0.5f, 1.0f, -0.2f, 1.7f}, kChannelAll));
  EXPECT_EQ(ExportAll(image), (Bytes{127, 255, 0, 255}));
  Floats f;
  ASSERT_TRUE(image.ExportFloats(f, kChannelRed));
  if constexpr (std::is_same_v<TypeParam, CImage>) {
    EXPECT_EQ(f, Floats{0.5f}) << "the float image keeps the value";
  } else {
    EXPECT_EQ(f, Floats{127.0f / 255}) << "the byte image stores the byte";
  }
  ASSERT_TRUE(image.SetPixels(Bytes{0, 51, 102, 255}));
  f.clear();
  ASSERT_TRUE(image.GetPixels(f));
  EXPECT_EQ(f, (Floats{0.0f, 51.0f / 255, 102.0f / 255, 1.0f}));
  Bytes b = {9, 9};
  ASSERT_TRUE(image.GetPixels(b));
  EXPECT_EQ(b, (Bytes{0, 51, 102, 255})) << "GetPixels replaces the vector";
  EXPECT_FALSE(image.SetPixels(Floats(3, 0.0f)));
  EXPECT_FALSE(image.SetPixels(Bytes(8, 0)));
}

TYPED_TEST(ImageTest, FixedImageRefusesChanges) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  ASSERT_TRUE(image.SetName(L"face"));
  image.SetFixed(true);
  EXPECT_TRUE(image.IsFixed());
  CIndexedData data;
  ASSERT_TRUE(data.Create(2, 2, 16));
  EXPECT_FALSE(image.ImportBytes(Bytes(16, 1), kChannelAll));
  EXPECT_FALSE(image.ImportFloats(Floats(16, 1.0f), kChannelAll));
  EXPECT_FALSE(image.SetPixels(Bytes(16, 1)));
  EXPECT_FALSE(image.SetPixels(Floats(16, 1.0f)));
  EXPECT_FALSE(image.Create(4, 4, 1));
  EXPECT_FALSE(image.Clear());
  EXPECT_FALSE(image.ApplyGamma(2.2f));
  EXPECT_FALSE(image.SetName(L"other"));
  EXPECT_FALSE(image.SetName(std::string("other")));
  EXPECT_FALSE(image.SetIndexedData(data));
  EXPECT_FALSE(image.Resize(4, 4));
  EXPECT_FALSE(image.ReduceColors(16, false));
  EXPECT_FALSE(image.ConvertToIndexed(Palette(16), false, false));
  EXPECT_FALSE(image.SetUserData(nullptr));
  EXPECT_TRUE(image.SetGamma(2.0f));
  EXPECT_EQ(image.GetGamma(), 2.0f);
  EXPECT_TRUE(image.SetAddressMode(1));
  EXPECT_EQ(image.GetName(), L"face");
  EXPECT_EQ(image.GetWidth(), 2u);
  EXPECT_EQ(ExportAll(image), Bytes(16, 0));
  image.SetFixed(false);
  EXPECT_TRUE(image.ApplyGamma(2.2f));
}

class CTextCollector : public CTextWriterBase {
 public:
  bool Write(const char* text) override { narrow += text; order += 'n'; return true; }
  bool Write(const wchar_t* text) override { wide += text; order += 'w'; return true; }
  void Flush() override {}
  std::string narrow, order;
  std::wstring wide;
};

TYPED_TEST(ImageTest, DumpWritesOneLineSummary) {
  TypeParam image;
  ASSERT_TRUE(image.Create(4, 2, 1));
  ASSERT_TRUE(image.SetName("顔"));
  image.SetGamma(2.2f);
  CTextCollector c;
  EXPECT_TRUE(image.Dump(c));
  EXPECT_EQ(c.order, "w");
  EXPECT_EQ(c.wide, L"Image name = 顔,\t\tWidth = 4, Height = 2,\tGamma = 2.20,\tdatasize = 0x00000020(32)\n");

  image.SetFixed(true);
  CTextCollector fixed;
  EXPECT_TRUE(image.Dump(fixed));
  EXPECT_EQ(fixed.order, "nw");
  EXPECT_EQ(fixed.narrow, "[fixed]  ");

  TypeParam indexed;
  ASSERT_TRUE(indexed.Create(4, 4, 2));
  CTextCollector i;
  indexed.Dump(i);
  EXPECT_NE(i.wide.find(L"datasize = 0x00000000(0)"), std::wstring::npos);
}

// A callback owner that records what it was asked and answers as told.
struct RenameOwner {
  bool answer = true;
  std::vector<std::wstring> seen;
  bool OnRename(const std::vector<std::wstring>& args) {
    seen = args;
    return answer;
  }
};

TYPED_TEST(ImageTest, RenameAsksTheCallback) {
  TypeParam image;
  ASSERT_TRUE(image.SetName(std::string("first")));
  EXPECT_EQ(image.GetName(), L"first");
  RenameOwner owner;
  CClassCallback<RenameOwner> callback(&owner, &RenameOwner::OnRename);
  ASSERT_TRUE(image.SetUserData(&callback));
  EXPECT_TRUE(image.SetName(L"second"));
  EXPECT_EQ(owner.seen, (std::vector<std::wstring>{L"+Name", L"first", L"second"}));
  EXPECT_EQ(image.GetName(), L"second");
  owner.answer = false;
  EXPECT_FALSE(image.SetName(L"third"));
  EXPECT_EQ(image.GetName(), L"second");
  ASSERT_TRUE(image.SetUserData(nullptr));
  EXPECT_TRUE(image.SetName(L"third"));
}

TYPED_TEST(ImageTest, NarrowNamesAreReadAsUtf8) {
  TypeParam image;
  struct Case { std::string narrow; std::wstring wide; };
  for (const Case& k : {Case{"abc", L"abc"}, Case{"\xE9\xA1\x94" "CG", L"顔CG"},
                        Case{"a\xFF" "b", L"a\xFFFD" L"b"}, Case{"\xE9\xA1", L"\xFFFD\xFFFD"},
                        Case{"\xC0\xAF", L"\xFFFD\xFFFD"}}) {
    ASSERT_TRUE(image.SetName(k.narrow));
    EXPECT_EQ(image.GetName(), k.wide);
  }
}

TYPED_TEST(ImageTest, AddressModes) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  ASSERT_TRUE(image.ImportBytes({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}, kChannelAll));
  EXPECT_FALSE(image.SetAddressMode(2));
  EXPECT_EQ(image.GetAddressMode(), 0u);
  auto red = [&](std::int64_t x, std::int64_t y) {
    return FloatToByte(static_cast<float>(image.GetPixelAccessor().Get(x, y).r) /
                       (std::is_same_v<TypeParam, CImage> ? 1.0f : 255.0f));
  };
  struct Case { std::int64_t x, y; int wrap, clamp; };
  const Case cases[] = {{0, 0, 1, 1}, {1, 1, 4, 4}, {2, 0, 1, 2}, {-1, 0, 2, 1}, {3, 3, 4, 4}, {-3, -1, 4, 1}};
  for (const Case& k : cases) EXPECT_EQ(red(k.x, k.y), k.wrap) << k.x << "," << k.y;
  ASSERT_TRUE(image.SetAddressMode(1));
  for (const Case& k : cases) EXPECT_EQ(red(k.x, k.y), k.clamp) << k.x << "," << k.y;

  auto writable = image.GetPixelAccessor();
  auto p = writable.Get(0, 0);
  p.g = p.r;
  writable.Set(5, 5, p);  // clamped to (1, 1)
  const Bytes all = ExportAll(image);
  EXPECT_EQ(all[12], 1);
  EXPECT_EQ(all[13], 1);
}

TYPED_TEST(ImageTest, ApplyGammaLeavesAlphaAlone) {
  TypeParam image;
  ASSERT_TRUE(image.Create(1, 1, 1));
  ASSERT_TRUE(image.ImportBytes({255, 0, 64, 64}, kChannelAll));
  ASSERT_TRUE(image.ApplyGamma(0.5f));
  EXPECT_EQ(image.GetGamma(), 0.5f);
  // sqrt(64 / 255) x 255 = 127.75...
  EXPECT_EQ(ExportAll(image), (Bytes{255, 0, 127, 64}));

  TypeParam indexed;
  CIndexedData d;
  ASSERT_TRUE(d.Create(1, 1, 16));
  d.palettes[0][0] = {64, 255, 0, 64};
  ASSERT_TRUE(indexed.SetIndexedData(d));
  ASSERT_TRUE(indexed.ApplyGamma(0.5f));
  EXPECT_EQ(ExportAll(indexed), (Bytes{127, 255, 0, 64}));
  EXPECT_TRUE(indexed.IsIndexed());
}

TYPED_TEST(ImageTest, ResizeOneToFourRepeatsThePixel) {
  TypeParam image;
  ASSERT_TRUE(image.Create(1, 1, 1));
  ASSERT_TRUE(image.ImportBytes({10, 200, 30, 255}, kChannelAll));
  ASSERT_TRUE(image.Resize(4, 4));
  EXPECT_EQ(image.GetWidth(), 4u);
  EXPECT_EQ(image.GetHeight(), 4u);
  Bytes expect;
  for (int i = 0; i < 16; ++i) expect.insert(expect.end(), {10, 200, 30, 255});
  EXPECT_EQ(ExportAll(image), expect);
}

TYPED_TEST(ImageTest, ResizeShrinksByAveraging) {
  TypeParam image;
  ASSERT_TRUE(image.Create(4, 1, 1));
  ASSERT_TRUE(image.ImportBytes({0, 0, 255, 255}, kChannelRed));
  ASSERT_TRUE(image.Resize(2, 1));
  Bytes red;
  ASSERT_TRUE(image.ExportBytes(red, kChannelRed));
  EXPECT_EQ(red, (Bytes{0, 255}));

  // Three samples onto two: spans [0, 1.5) and [1.5, 3).
  ASSERT_TRUE(image.Create(3, 1, 1));
  ASSERT_TRUE(image.ImportBytes({0, 90, 180}, kChannelGreen));
  ASSERT_TRUE(image.Resize(2, 1));
  Floats green;
  ASSERT_TRUE(image.ExportFloats(green, kChannelGreen));
  EXPECT_NEAR(green[0] * 255, 30.0f, 0.6f);   // (0 + 0.5 x 90) / 1.5
  EXPECT_NEAR(green[1] * 255, 150.0f, 0.6f);  // (0.5 x 90 + 180) / 1.5
}

TYPED_TEST(ImageTest, ResizeEnlargesByLinearInterpolation) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 1, 1));
  ASSERT_TRUE(image.ImportBytes({0, 200}, kChannelRed));
  ASSERT_TRUE(image.Resize(4, 1));
  Floats red;
  ASSERT_TRUE(image.ExportFloats(red, kChannelRed));
  // Output centres at 0.25, 0.75, 1.25, 1.75 of the source: the outer two
  // lie beyond the source centres, the inner two a quarter of the way.
  const float expect[4] = {0, 50, 150, 200};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(red[i] * 255, expect[i], 0.6f) << i;

  // Columns are resampled as rows are.
  ASSERT_TRUE(image.Create(1, 2, 1));
  ASSERT_TRUE(image.ImportBytes({0, 200}, kChannelBlue));
  ASSERT_TRUE(image.Resize(2, 4));
  Floats blue;
  ASSERT_TRUE(image.ExportFloats(blue, kChannelBlue));
  ASSERT_EQ(blue.size(), 8u);
  for (int y = 0; y < 4; ++y) {
    EXPECT_NEAR(blue[y * 2] * 255, expect[y], 0.6f);
    EXPECT_NEAR(blue[y * 2 + 1] * 255, expect[y], 0.6f);
  }
}

TYPED_TEST(ImageTest, ResizeRefusals) {
  TypeParam image;
  EXPECT_FALSE(image.Resize(2, 2)) << "empty";
  ASSERT_TRUE(image.Create(2, 2, 1));
  EXPECT_TRUE(image.Resize(2, 2));
  EXPECT_FALSE(image.Resize(0, 2));
  EXPECT_FALSE(image.Resize(kMaxImageDimension + 1, 1));
  EXPECT_EQ(image.GetWidth(), 2u);
  ASSERT_TRUE(image.Create(2, 2, 0));
  EXPECT_FALSE(image.Resize(4, 4)) << "no pixels to resample";
}

TYPED_TEST(ImageTest, ResizeOfIndexedImageMapsBackOntoThePalette) {
  TypeParam image;
  CIndexedData d;
  ASSERT_TRUE(d.Create(2, 1, 16));
  d.palettes[0][0] = {0, 0, 0, 255};
  d.palettes[0][1] = {200, 0, 0, 255};
  d.palettes[0][2] = {100, 0, 0, 255};
  d.palettes[0][3] = {100, 0, 0, 255};  // a duplicate: the lower index wins
  d.palettes[0][4] = {60, 0, 0, 255};
  d.indices = {0, 1};
  ASSERT_TRUE(image.SetIndexedData(d));
  ASSERT_TRUE(image.Resize(4, 1));
  CIndexedData out;
  ASSERT_TRUE(image.GetIndexedData(out));
  EXPECT_EQ(out.width, 4u);
  EXPECT_EQ(out.height, 1u);
  // Resampled reds 0, 50, 150, 200: 50 is nearest to 60, 150 ties between
  // 100 and 200 and goes to the lower index.
  EXPECT_EQ(out.indices, (Bytes{0, 4, 1, 1}) );
  EXPECT_EQ(out.palettes, d.palettes);
}

TYPED_TEST(ImageTest, ResizeOfIndexedImageHalvesTheAlphaDifference) {
  TypeParam image;
  CIndexedData d;
  ASSERT_TRUE(d.Create(2, 1, 16));
  d.palettes[0][0] = {0, 0, 0, 0};
  d.palettes[0][1] = {40, 0, 0, 40};
  // For the blended pixel (10, 0, 0, 10): entry 2 is 15 away in alpha,
  // counted as 7 (halved, truncated), entry 3 is 7 away in red.  The tie
  // goes to entry 2; without the halving, or rounding it, entry 3 would win.
  d.palettes[0][2] = {10, 0, 0, 25};
  d.palettes[0][3] = {17, 0, 0, 10};
  d.indices = {0, 1};
  ASSERT_TRUE(image.SetIndexedData(d));
  ASSERT_TRUE(image.Resize(4, 1));
  CIndexedData out;
  ASSERT_TRUE(image.GetIndexedData(out));
  EXPECT_EQ(out.indices, (Bytes{0, 2, 1, 1}));
}

TYPED_TEST(ImageTest, ClearKeepsNameAndGamma) {
  TypeParam image;
  ASSERT_TRUE(image.Create(2, 2, 1));
  image.SetName(L"n");
  image.SetGamma(1.5f);
  ASSERT_TRUE(image.Clear());
  EXPECT_FALSE(image.IsValid());
  EXPECT_FALSE(image.IsDirect());
  EXPECT_EQ(image.GetName(), L"n");
  EXPECT_EQ(image.GetGamma(), 1.5f);
}

}  // namespace
}  // namespace zfx

// The JPEG decoder against libjpeg-turbo: pictures generated here are
// encoded by cjpeg with many settings and decoded both by our decoder and by
// `djpeg -dct float -nosmooth` (float inverse DCT, chroma repeated rather
// than interpolated, the nearest thing libjpeg has to our decoder).
//
// The two cannot agree exactly, so the comparison has a tolerance:
//  - libjpeg rounds its inverse DCT output and clamps it to 0..255 before
//    the colour conversion; ours truncates toward zero and does not clamp,
//  - libjpeg's colour coefficients are 1.402, 0.34414, 0.71414 and 1.772 and
//    it rounds; ours are 1.402, 0.3441, 0.7139 and 1.7718 and truncate.
// The two truncations make ours lower by about one level on average
// (measured: mean absolute difference 1.1 to 1.7, at most 4 to 6 levels);
// near saturation at very low quality an unclamped sample out of range
// moves a few values further (up to 13 levels at quality 5).  Hence: the
// mean absolute difference per channel value must stay below 2 levels, and
// at most 1 in 200 values may differ by more than 6.  A real decoding fault
// (a wrong symbol, a block in the wrong place, a lost restart) gives
// differences of tens of levels over whole blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "import/JpegDecoder.h"
#include "import/JpegTestSupport.h"
#include "support/TempDir.h"

namespace {

struct OracleCase {
  const char* name;
  int width, height;
  std::string options;  // for cjpeg
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name << " (" << c.options << ")"; }

class JpegAgainstDjpeg : public ::testing::TestWithParam<OracleCase> {};

TEST_P(JpegAgainstDjpeg, AgreesWithinTolerance) {
  if (!jpegtest::HaveLibjpegTools()) GTEST_SKIP() << "cjpeg/djpeg (libjpeg-turbo-progs) not installed";
  const OracleCase& c = GetParam();
  kaocg_test::TempDir dir;
  const std::string ppm = dir.folder() + "in.ppm", jpg = dir.folder() + "in.jpg", out = dir.folder() + "out.pnm";
  jpegtest::WritePpm(ppm, c.width, c.height, jpegtest::MakeTestRgb(c.width, c.height, c.width * 31 + c.height));
  ASSERT_TRUE(jpegtest::RunQuiet("cjpeg " + c.options + " -outfile '" + jpg + "' '" + ppm + "'"));
  ASSERT_TRUE(jpegtest::RunQuiet("djpeg -dct float -nosmooth -pnm -outfile '" + out + "' '" + jpg + "'"));
  int w = 0, h = 0;
  std::vector<std::uint8_t> want;
  ASSERT_TRUE(jpegtest::ReadPnm(out, w, h, want));
  ASSERT_EQ(w, c.width);
  ASSERT_EQ(h, c.height);

  const std::vector<std::uint8_t> bytes = jpegtest::ReadFileBytes(jpg);
  CJpegDecoder d;
  ASSERT_EQ(d.AnalysisHeader(bytes.data(), bytes.size()), 0);
  ASSERT_EQ(d.Decode(), 0);
  d.ReleaseTables();
  ASSERT_EQ(d.X, w);
  ASSERT_EQ(d.Y, h);

  long long total = 0;
  long long far = 0;
  int worst = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int ch = 0; ch < 3; ++ch) {
        const int ours = d.mRgbP[ch][static_cast<std::size_t>(y) * w + x];
        const int theirs = want[(static_cast<std::size_t>(y) * w + x) * 3 + ch];
        const int diff = std::abs(ours - theirs);
        total += diff;
        if (diff > 6) ++far;
        worst = std::max(worst, diff);
      }
    }
  }
  const double values = 3.0 * w * h;
  EXPECT_LT(total / values, 2.0) << "worst " << worst;
  EXPECT_LE(far, static_cast<long long>(values / 200)) << "worst " << worst;
  RecordProperty("mean_abs_diff", std::to_string(total / values));
  RecordProperty("worst_diff", worst);
}

const OracleCase kCases[] = {
    {"q75_420", 97, 61, "-quality 75 -sample 2x2"},
    {"q95_444", 64, 48, "-quality 95 -sample 1x1"},
    {"q50_422", 45, 33, "-quality 50 -sample 2x1"},
    {"q85_440", 33, 45, "-quality 85 -sample 1x2"},
    {"q20_420_optimized", 120, 80, "-quality 20 -baseline -sample 2x2 -optimize"},
    {"q100_444", 40, 40, "-quality 100 -sample 1x1"},
    {"grey", 50, 37, "-quality 80 -grayscale"},
    // One component with factors 2x2 is still coded one block per MCU.
    {"grey_2x2_factors", 41, 27, "-quality 80 -grayscale -sample 2x2"},
    // Chroma blocks twice their size across, two to an MCU.
    {"y4x1_chroma2x1", 75, 20, "-quality 75 -sample 4x1,2x1,2x1"},
    {"restart_each_row", 70, 50, "-quality 75 -restart 1"},
    {"restart_3_mcus", 70, 50, "-quality 75 -restart 3B"},
    {"restart_1_mcu", 40, 24, "-quality 75 -restart 1B -sample 1x1"},
    {"one_pixel", 1, 1, "-quality 75"},
    {"thin_column", 3, 70, "-quality 75 -sample 2x2"},
    {"thin_row", 70, 3, "-quality 75 -sample 2x2"},
    {"q5_baseline_tables", 64, 64, "-quality 5 -baseline"},
    {"q90_float_dct_encoder", 81, 49, "-quality 90 -dct float"},
};

INSTANTIATE_TEST_SUITE_P(Settings, JpegAgainstDjpeg, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OracleCase>& info) { return std::string(info.param.name); });

// Progressive and arithmetic coding, and the extended process cjpeg
// chooses for tables too coarse for 8 bits.
TEST(JpegAgainstCjpeg, OtherProcessesAreRefusedInTheHeader) {
  if (!jpegtest::HaveLibjpegTools()) GTEST_SKIP() << "cjpeg not installed";
  kaocg_test::TempDir dir;
  const std::string ppm = dir.folder() + "in.ppm", jpg = dir.folder() + "in.jpg";
  jpegtest::WritePpm(ppm, 32, 32, jpegtest::MakeTestRgb(32, 32));
  for (const char* options : {"-progressive", "-arithmetic", "-quality 20"}) {
    ASSERT_TRUE(jpegtest::RunQuiet(std::string("cjpeg ") + options + " -outfile '" + jpg + "' '" + ppm + "'"));
    const std::vector<std::uint8_t> bytes = jpegtest::ReadFileBytes(jpg);
    CJpegDecoder d;
    EXPECT_EQ(d.AnalysisHeader(bytes.data(), bytes.size()), -2) << options;
    d.ReleaseTables();
  }
}

}  // namespace

// The "g1t" subcommands of kaocgtool, run as a program on files made here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/FileBytes.h"
#include "support/KaocgTool.h"
#include "support/TempDir.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
#include "zfx/PixelFormat.h"

#ifdef KAOCGTOOL_HAVE_PNG
#include <QImage>
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The tool's two output streams together, for checks that hold whichever
// stream a line went to.
struct ToolRun {
  int status;
  std::string out;
};

ToolRun RunTool(const std::string& arguments) {
  const kaocg_test::KaocgToolRun r = kaocg_test::RunKaocgTool(arguments);
  return {r.status, r.out + r.err};
}

class G1tCommands : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

  kaocg_test::TempDir dir_;
};

Bytes Pattern(std::uint32_t w, std::uint32_t h) {
  Bytes p(std::size_t{w} * h * 4);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t(i * 29 + 3);
  return p;
}

Bytes MakeFace(std::uint32_t side, std::int32_t platform, std::int32_t format) {
  zfx::CImage image;
  image.Create(side, side, zfx::kImageDirect);
  image.ImportBytes(Pattern(side, side), zfx::kChannelAll);
  zfx::CG1TFileImpl file;
  file.SetPlatform(platform);
  file.AddTexture();
  file.SetImage(file.GetTexture(0), image);
  file.GetTexture(0).SetFormats(format, zfx::TQR_PIXEL_FORMAT_NONE);
  file.Validate();
  zfx::CBinaryWriterForUpdateSize counter;
  Bytes out(file.Write(counter));
  zfx::CBinaryWriterToMemory writer(out.data(), std::uint32_t(out.size()));
  file.Write(writer);
  return out;
}

using kaocg_test::ReadFileBytes;
using kaocg_test::WriteFile;

TEST_F(G1tCommands, InfoPrintsHeaderAndTextures) {
  WriteFile(Path("face.g1t"), MakeFace(64, 0, zfx::TQR_PIXEL_FORMAT_RGBA8));
  const ToolRun r = RunTool("g1t info " + Path("face.g1t"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "signature: G1TG\nversion: 0060\nfile size: 16428\nheader size: 32\ntexture count: 1\n"
            "platform: 0\nextra data size: 0\n"
            "texture 0: format 1 TQR_PIXEL_FORMAT_BGRA8, 64 x 64, mips 1, plain, extended header no, "
            "extra records 0\n");
}

TEST_F(G1tCommands, FailuresExitWithOneLine) {
  WriteFile(Path("junk.g1t"), Bytes(100, 7));
  const char* commands[] = {"g1t info", "g1t info /nonexistent/file.g1t", "g1t info JUNK",
                            "g1t decode JUNK OUT.png", "g1t encode IN", "g1t encode IN OUT --format 64",
                            "g1t encode IN OUT --platform 5", "g1t encode IN OUT --format"};
  for (std::string c : commands) {
    for (auto [from, to] : {std::pair<std::string, std::string>{"JUNK", Path("junk.g1t")},
                            {"IN", Path("missing.png")}, {"OUT", Path("out")}}) {
      if (auto at = c.find(from); at != std::string::npos) c.replace(at, from.size(), to);
    }
    const ToolRun r = RunTool(c);
    EXPECT_EQ(r.status, 1) << c;
    EXPECT_EQ(r.out.rfind("kaocgtool: ", 0), 0u) << c << ": " << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << c << ": " << r.out;
  }
  EXPECT_EQ(RunTool("g1t info --help").status, 0);
}

#ifdef KAOCGTOOL_HAVE_PNG
TEST_F(G1tCommands, DecodeWritesTheEditorsPicture) {
  WriteFile(Path("face.g1t"), MakeFace(16, 1, zfx::TQR_PIXEL_FORMAT_TILE_BGRA8));
  const ToolRun r = RunTool("g1t decode " + Path("face.g1t") + " " + Path("face.png"));
  ASSERT_EQ(r.status, 0) << r.out;
  QImage png(QString::fromStdString(Path("face.png")));
  ASSERT_FALSE(png.isNull());
  png = png.convertToFormat(QImage::Format_RGBA8888);
  ASSERT_EQ(png.width(), 16);
  const Bytes expected = Pattern(16, 16);
  Bytes got;
  for (int y = 0; y < 16; ++y) got.insert(got.end(), png.constScanLine(y), png.constScanLine(y) + 64);
  EXPECT_EQ(got, expected);
}

TEST_F(G1tCommands, EncodeFollowsTheNewFaceSequence) {
  QImage picture(32, 32, QImage::Format_RGBA8888);
  const Bytes pixels = Pattern(32, 32);
  for (int y = 0; y < 32; ++y) std::copy_n(pixels.data() + y * 128, 128, picture.scanLine(y));
  ASSERT_TRUE(picture.save(QString::fromStdString(Path("in.png")), "PNG"));
  ASSERT_TRUE(picture.save(QString::fromStdString(Path("in.bmp")), "BMP"));

  // Default: RGBA8 on platform 0, which validation stores as BGRA8 and
  // reports; the result equals the editor's own encoding.
  ToolRun r = RunTool("g1t encode " + Path("in.png") + " " + Path("out.g1t"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "kaocgtool: g1t encode: It is unsupported format in the platform\n");
  EXPECT_EQ(ReadFileBytes(Path("out.g1t")), MakeFace(32, 0, zfx::TQR_PIXEL_FORMAT_RGBA8));

  r = RunTool("g1t encode " + Path("in.bmp") + " " + Path("dxt.g1t") + " --format 6 --platform 3");
  ASSERT_EQ(r.status, 0) << r.out;
  r = RunTool("g1t info " + Path("dxt.g1t"));
  EXPECT_NE(r.out.find("platform: 3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("format 16 TQR_PIXEL_FORMAT_TILE_DXT1, 32 x 32"), std::string::npos) << r.out;

  QImage odd(24, 32, QImage::Format_RGBA8888);
  odd.fill(0);
  ASSERT_TRUE(odd.save(QString::fromStdString(Path("odd.png")), "PNG"));
  r = RunTool("g1t encode " + Path("odd.png") + " " + Path("odd.g1t"));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(Path("odd.g1t")));
}
#endif

}  // namespace

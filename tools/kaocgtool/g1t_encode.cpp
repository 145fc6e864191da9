// kaocgtool g1t encode IN OUT.g1t [--format CODE] [--platform P]: a picture
// becomes a one-texture G1T through the editor's sequence for a new face.
#include <QImage>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/g1t_common.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
#include "zfx/PixelFormat.h"

namespace kaocgtool {
namespace {

int G1tEncode(const Args& args) {
  std::vector<std::string> files;
  int format = zfx::TQR_PIXEL_FORMAT_RGBA8, platform = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--format" || args[i] == "--platform") {
      const bool isFormat = args[i] == "--format";
      if (i + 1 >= args.size()) return Fail("g1t encode: " + args[i] + " needs a value");
      if (!ParseInt(args[i + 1], 0, isFormat ? 63 : 4, isFormat ? format : platform))
        return Fail("g1t encode: bad value for " + args[i] + ": " + args[i + 1]);
      ++i;
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) return Fail("g1t encode: expected IN and OUT.g1t (kaocgtool g1t encode --help)");

  QImage picture(QString::fromStdString(files[0]));
  if (picture.isNull()) return Fail("g1t encode: cannot read picture " + files[0]);
  const auto w = static_cast<std::uint32_t>(picture.width()), h = static_cast<std::uint32_t>(picture.height());
  if (!std::has_single_bit(w) || !std::has_single_bit(h))
    return Fail("g1t encode: the picture's sides must be powers of two");
  picture = picture.convertToFormat(QImage::Format_RGBA8888);
  std::vector<std::uint8_t> rgba;
  rgba.reserve(std::size_t{w} * h * 4);
  for (std::uint32_t y = 0; y < h; ++y) {
    const uchar* row = picture.constScanLine(static_cast<int>(y));
    rgba.insert(rgba.end(), row, row + std::size_t{w} * 4);
  }
  zfx::CImage image;
  if (!image.Create(w, h, zfx::kImageDirect) || !image.ImportBytes(rgba, zfx::kChannelAll))
    return Fail("g1t encode: the picture is too large");

  zfx::CG1TFileImpl file;
  file.SetPlatform(platform);
  if (!file.SetPixelFormat(format)) return Fail("g1t encode: format " + std::to_string(format) + " is refused");
  if (!file.AddTexture()) return Fail("g1t encode: cannot add the texture");
  zfx::CG1TTexture& texture = file.GetTexture(0);
  if (!file.SetImage(texture, image)) return Fail("g1t encode: the picture cannot become a texture");
  if (texture.IsInitialized() && !zfx::IsIndexedFormat(format)) texture.SetFormats(format, zfx::TQR_PIXEL_FORMAT_NONE);
  const bool valid = file.Validate();
  for (std::int32_t code : file.GetReportedCodes())
    std::fprintf(stderr, "kaocgtool: g1t encode: %s\n", ToolkitMessage(code).c_str());
  if (!valid) return Fail("g1t encode: the texture does not pass validation");

  zfx::CBinaryWriterForUpdateSize counter;
  const std::uint32_t size = file.Write(counter);
  std::vector<std::uint8_t> out(size);
  zfx::CBinaryWriterToMemory writer(out.data(), size);
  if (size == 0 || file.Write(writer) != size) return Fail("g1t encode: the G1T file cannot be written");
  if (!WriteWholeFile(files[1], out)) return Fail("g1t encode: cannot write " + files[1]);
  return 0;
}

}  // namespace

KAOCG_COMMAND("g1t encode", "encode a PNG or BMP picture as a one-texture G1T",
              "usage: kaocgtool g1t encode IN OUT.g1t [--format CODE] [--platform P]\n\n"
              "Reads a PNG or BMP picture whose sides are powers of two and writes it as a\n"
              "G1T file of one texture, the way the editor stores a new face: platform P\n"
              "(0 to 4, default 0), pixel format CODE (0 to 63, default 0 = RGBA8), then\n"
              "validation, which may store another format that the platform keeps (RGBA8\n"
              "becomes BGRA8 on platform 0). The messages of validation go to standard\n"
              "error.\n",
              &G1tEncode);

}  // namespace kaocgtool

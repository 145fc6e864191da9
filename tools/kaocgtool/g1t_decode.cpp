// kaocgtool g1t decode FILE OUT.png: level 0 of texture 0 as the editor
// decodes a stored face (into a float image, exported as RGBA bytes).
#include <QImage>

#include <algorithm>
#include <bit>

#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/g1t_common.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"

namespace kaocgtool {
namespace {

int G1tDecode(const Args& args) {
  if (args.size() != 2) return Fail("g1t decode: expected FILE and OUT.png (kaocgtool g1t decode --help)");
  zfx::CG1TFileImpl file;
  if (!ReadG1tFile("g1t decode", args[0], file)) return 1;
  zfx::CImage image;
  std::vector<std::uint8_t> rgba;
  if (!file.GetImage(file.GetTexture(0), image) || !image.ExportBytes(rgba, zfx::kChannelAll))
    return Fail("g1t decode: texture 0 cannot be decoded");
  const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
  QImage picture(w, h, QImage::Format_RGBA8888);
  if (picture.isNull()) return Fail("g1t decode: picture too large");
  for (int y = 0; y < h; ++y)
    std::copy_n(rgba.data() + static_cast<std::size_t>(y) * w * 4, static_cast<std::size_t>(w) * 4, picture.scanLine(y));
  if (!picture.save(QString::fromStdString(args[1]), "PNG")) return Fail("g1t decode: cannot write " + args[1]);
  return 0;
}

}  // namespace

KAOCG_COMMAND("g1t decode", "decode texture 0 of a G1T file to PNG",
              "usage: kaocgtool g1t decode FILE OUT.png\n\n"
              "Decodes level 0 of the first face of texture 0 exactly as the editor decodes\n"
              "a stored face and writes it as an RGBA PNG picture.\n",
              &G1tDecode);

}  // namespace kaocgtool

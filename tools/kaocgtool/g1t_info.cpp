// kaocgtool g1t info FILE: the header fields and one line per texture.
#include <cstdio>

#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/g1t_common.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/PixelFormat.h"

namespace kaocgtool {
namespace {

int G1tInfo(const Args& args) {
  if (args.size() != 1) return Fail("g1t info: expected one FILE (kaocgtool g1t info --help)");
  zfx::CG1TFileImpl file;
  if (!ReadG1tFile("g1t info", args[0], file)) return 1;

  std::printf("signature: %s\nversion: %s\nfile size: %u\nheader size: %u\ntexture count: %u\n"
              "platform: %d\nextra data size: %u\n",
              file.GetMagic().c_str(), file.GetVersion().c_str(), file.GetFileSize(), file.GetHeaderSize(),
              file.GetTextureCount(), file.GetPlatform(), file.GetExtraDataSize());
  for (std::uint32_t i = 0; i < file.GetTextureCount(); ++i) {
    const zfx::CG1TTexture& t = file.GetTexture(static_cast<std::int32_t>(i));
    const zfx::PixelFormatInfo* info = zfx::GetPixelFormatInfo(t.GetPixelFormat());
    const auto& faces = t.GetSurfaces();
    std::printf("texture %u: format %d %s, %u x %u, mips %u, %s, extended header %s, extra records %zu\n", i,
                t.GetPixelFormat(), info ? info->name : "(unknown)", faces.empty() ? 0u : faces[0].width,
                faces.empty() ? 0u : faces[0].height, faces.empty() ? 0u : faces[0].mipCount,
                t.IsCubeMap() ? "cube map" : "plain", t.HasExtendedHeader() ? "yes" : "no",
                t.GetExtraRecords().size());
  }
  return 0;
}

}  // namespace

KAOCG_COMMAND("g1t info", "show the header and textures of a G1T file",
              "usage: kaocgtool g1t info FILE\n\n"
              "Prints the G1T header (signature, version, file size, header size, texture\n"
              "count, platform, extra data size) and one line per texture: number, pixel\n"
              "format code and name, width, height, mip count, cube map or plain, extended\n"
              "header or not, and the number of extra records.\n",
              &G1tInfo);

}  // namespace kaocgtool

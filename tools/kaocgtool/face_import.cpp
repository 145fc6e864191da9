// kaocgtool face import: registers three pictures as a user face, as the
// editor's import command does.
#include <cstdlib>
#include <cstdio>
#include <string>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGImageArchive.h"
#include "import/DIB.h"
#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/FacePicture.h"
#include "tools/kaocgtool/FaceTool.h"
#include "tools/kaocgtool/ToolEnvironment.h"

namespace kaocgtool {
namespace {

using namespace kaocg_func;

int FaceImport(const Args& input) {
  Args args = input;
  ToolEnvironment inst;
  if (!SetUpEnvironment(args, &inst)) return 1;
  if (args.size() != 4) return Fail("usage: kaocgtool face import FACE LARGE MEDIUM SMALL");
  char* end = nullptr;
  const long face = std::strtol(args[0].c_str(), &end, 10);
  if (!end || *end || args[0].empty() || face < kFirstUserFace || face > kLastRegistrableFace)
    return Fail("FACE must be a face number from 1700 to 2699, not '" + args[0] + "'");

  // Read all three pictures before anything is written.
  CDIB pictures[kFaceSizeCount];
  static const char* const kNames[kFaceSizeCount] = {"SMALL", "MEDIUM", "LARGE"};
  for (int s = kFaceLarge; s >= kFaceSmall; --s) {
    const std::string& path = args[static_cast<std::size_t>(1 + kFaceLarge - s)];
    std::string error;
    if (!LoadPicture24(path, &pictures[s], &error)) return Fail(error);
    const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(s)];
    if (pictures[s].GetWidth() != g.visibleWidth || pictures[s].GetHeight() != g.visibleHeight) {
      return Fail(std::string(kNames[s]) + " must be exactly " + std::to_string(g.visibleWidth) + " x " +
                  std::to_string(g.visibleHeight) + " pixels; " + path + " is " +
                  std::to_string(pictures[s].GetWidth()) + " x " + std::to_string(pictures[s].GetHeight()));
    }
  }
  if (int status = CheckGameNotRunningForTool(); status != 0) return status;
  if (int status = PrepareUserArchives(inst); status != 0) return status;

  // Black canvases of the texture sizes with the picture at the top-left
  // corner, unscaled and opaque.
  CDIB canvases[kFaceSizeCount];
  for (int s = kFaceSmall; s <= kFaceLarge; ++s) {
    const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(s)];
    if (!canvases[s].Create(g.textureSide, g.textureSide, nullptr, 24)) return Fail("out of memory");
    canvases[s].Fill(0);
    pictures[s].CopyRectTo(canvases[s], 0, 0, g.visibleWidth, g.visibleHeight, 0, 0, -1);
  }
  const RegistrationResult r = RegisterImportedFace(static_cast<int>(face), &canvases[kFaceLarge],
                                                    &canvases[kFaceMedium], &canvases[kFaceSmall],
                                                    inst.userFolder, inst.dataFolder);
  if (!r.All()) {
    std::string failed;
    if (!r.large) failed += " large";
    if (!r.medium) failed += " medium";
    if (!r.small) failed += " small";
    return Fail("face " + args[0] + ": writing the" + failed + " picture failed");
  }
  return 0;
}

const std::string kUsage = std::string(
    "usage: kaocgtool face import FACE LARGE MEDIUM SMALL [options]\n"
    "\n"
    "FACE is a user face number from 1700 to 2699. LARGE, MEDIUM and SMALL are\n"
    "PNG or BMP pictures of exactly 240 x 240, 96 x 120 and 60 x 60 pixels. They\n"
    "are put on black canvases of 256, 128 and 64 pixels and written to slot\n"
    "FACE - 1700 of the three editable face archives, as the editor's import\n"
    "command does. Refused while the game runs. Editable archives missing from\n"
    "the user folder are first copied from the game, as the editor's first run\n"
    "does.\n"
    "\noptions:\n") + kEnvironmentOptions;

KAOCG_COMMAND("face import", "register three pictures as a user face (1700-2699)", kUsage.c_str(), &FaceImport);

}  // namespace
}  // namespace kaocgtool

// kaocgtool face export: one stored picture as a PNG.
#include <cstdlib>
#include <string>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGArchive.h"
#include "facedata/KaoCGImageArchive.h"
#include "import/DIB.h"
#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/FacePicture.h"
#include "tools/kaocgtool/FaceTool.h"
#include "tools/kaocgtool/ToolEnvironment.h"

namespace kaocgtool {
namespace {

int FaceExport(const Args& input) {
  Args args = input;
  ToolEnvironment inst;
  if (!SetUpEnvironment(args, &inst)) return 1;
  if (args.size() != 2) return Fail("usage: kaocgtool face export IMAGE_NUMBER OUT.png");
  char* end = nullptr;
  const long n = std::strtol(args[0].c_str(), &end, 10);
  if (!end || *end || args[0].empty()) return Fail("not an image number: '" + args[0] + "'");
  const bool expansion = kaocg::IsExpansion(inst.edition);
  const std::optional<kaocg_func::ImagePlace> place =
      n >= 0 && n <= 100000 ? kaocg_func::FindImagePlace(static_cast<int>(n), expansion) : std::nullopt;
  if (!place) {
    return Fail("image number " + args[0] + " names no picture in the " +
                (expansion ? "expansion edition" : "base game") +
                " (1-1100, 1102-2201, 2203-3302, " + (expansion ? "3304-4901, 4903-6500, 6502-8099)"
                                                                : "3304-4759, 4761-6216, 6218-7673)"));
  }
  if (kaocg_func::IsEditableImageArchive(place->archiveType)) {
    if (int status = PrepareUserArchives(inst); status != 0) return status;
  }
  CDIB picture;
  if (!kaocg_func::TransferFaceImage(static_cast<int>(n), inst.userFolder, &picture, inst.dataFolder,
                                     kaocg_func::kModeRead, true)) {
    return Fail("cannot read the picture of image number " + args[0] + " from " +
                kaocg_func::BuildArchivePath(place->archiveType, inst.userFolder, inst.dataFolder).value_or("?"));
  }
  std::string error;
  if (!SavePng32(picture, args[1], &error)) return Fail(error);
  return 0;
}

const std::string kUsage = std::string(
    "usage: kaocgtool face export IMAGE_NUMBER OUT.png [options]\n"
    "\n"
    "Reads the picture of IMAGE_NUMBER from the face archives of the installed\n"
    "edition and writes it as a 32-bit RGBA PNG at its stored size (256 x 256,\n"
    "128 x 128 or 64 x 64, alpha from the face's mask).\n"
    "Image numbers: 1-1100, 1102-2201, 2203-3302 the user's large, medium and\n"
    "small faces; base game 3304-4759, 4761-6216, 6218-7673 and expansion\n"
    "3304-4901, 4903-6500, 6502-8099 the shipped large, medium and small faces.\n"
    "\noptions:\n") + kEnvironmentOptions;

KAOCG_COMMAND("face export", "write the picture of an image number as a PNG", kUsage.c_str(), &FaceExport);

}  // namespace
}  // namespace kaocgtool

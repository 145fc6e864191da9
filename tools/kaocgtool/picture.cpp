// kaocgtool picture IN OUT.png [--cut LEFT TOP WIDTH HEIGHT --size W H]:
// a BMP or JPEG file read the way the import dialog reads it, written as a
// PNG: the whole work picture, or the face that the range selection's 決定
// makes from a given selection.
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "import/BMPCutModel.h"
#include "import/DIB.h"
#include "import/PictureReader.h"
#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/g1t_common.h"
#include "tools/kaocgtool/png_writer.h"

namespace kaocgtool {
namespace {

// Far above the 240 x 240 of the largest face, yet a face of this size stays
// a few dozen megabytes.
constexpr int kMaxFaceSide = 4096;

struct CutRequest {
  int left = 0, top = 0, width = 0, height = 0;
  int faceWidth = 0, faceHeight = 0;
};

struct NumberArg {
  const char* name;
  int low;
  int high;
  int* value;
};

// Reads the values of one option from args[at + 1 ...]; the failure text in
// error when they are missing or out of range.
bool ReadNumbers(const Args& args, std::size_t at, std::initializer_list<NumberArg> numbers, std::string& error) {
  const std::string& option = args[at];
  if (args.size() - at - 1 < numbers.size()) {
    error = option + " needs";
    for (const NumberArg& n : numbers) error += std::string(" ") + n.name;
    return false;
  }
  std::size_t i = at + 1;
  for (const NumberArg& n : numbers) {
    if (!ParseInt(args[i], n.low, n.high, *n.value)) {
      error = "bad " + std::string(n.name) + " for " + option + ": '" + args[i] + "' (a whole number from " +
              std::to_string(n.low) + " to " + std::to_string(n.high) + ")";
      return false;
    }
    ++i;
  }
  return true;
}

// The work picture and the faces are 24-bit pictures; rows go out top first
// as red, green, blue.
bool WritePicture(const CDIB& picture, const std::string& path) {
  if (picture.IsEmpty() || picture.GetBitCount() != 24 || picture.GetWidth() <= 0 || picture.GetHeight() <= 0)
    return false;
  const auto width = static_cast<std::uint32_t>(picture.GetWidth());
  const auto height = static_cast<std::uint32_t>(picture.GetHeight());
  if (PngRgbFileSize(width, height) == 0) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const bool written = WritePngRgb(out, width, height, [&](std::uint32_t y, std::uint8_t* rgb) {
    const std::uint8_t* bgr = picture.GetPixelAddress(0, static_cast<int>(y));
    for (std::uint32_t x = 0; x < width; ++x, bgr += 3, rgb += 3) {
      rgb[0] = bgr[2];
      rgb[1] = bgr[1];
      rgb[2] = bgr[0];
    }
  });
  out.close();
  if (!written || !out) {
    std::error_code ec;
    std::filesystem::remove(path, ec);  // no half-written picture left behind
    return false;
  }
  return true;
}

int Picture(const Args& args) {
  std::vector<std::string> files;
  bool haveCut = false, haveSize = false;
  CutRequest cut;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string error;
    if (a == "--cut") {
      if (haveCut) return Fail("picture: --cut given twice");
      if (!ReadNumbers(args, i,
                       {{"LEFT", 0, INT_MAX, &cut.left},
                        {"TOP", 0, INT_MAX, &cut.top},
                        {"WIDTH", 1, INT_MAX, &cut.width},
                        {"HEIGHT", 1, INT_MAX, &cut.height}},
                       error))
        return Fail("picture: " + error);
      haveCut = true;
      i += 4;
    } else if (a == "--size") {
      if (haveSize) return Fail("picture: --size given twice");
      if (!ReadNumbers(args, i, {{"W", 1, kMaxFaceSide, &cut.faceWidth}, {"H", 1, kMaxFaceSide, &cut.faceHeight}},
                       error))
        return Fail("picture: " + error);
      haveSize = true;
      i += 2;
    } else if (a.size() > 1 && a[0] == '-') {
      return Fail("picture: unknown option " + a + " (kaocgtool picture --help)");
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return Fail("picture: expected IN and OUT.png (kaocgtool picture --help)");
  if (haveCut != haveSize) return Fail("picture: --cut and --size go together");

  CDIB work;
  std::string message;
  switch (ReadPictureFile(files[0], work, message)) {
    case PictureReadResult::kRead: break;
    case PictureReadResult::kNotOpened: return Fail("picture: cannot open " + files[0]);
    case PictureReadResult::kRefused: return Fail(message);  // the import dialog's own text
  }

  if (!haveCut) {
    if (!WritePicture(work, files[1])) return Fail("picture: cannot write " + files[1]);
    return 0;
  }

  const int pw = work.GetWidth(), ph = work.GetHeight();
  // Differences instead of sums, so that no value near INT_MAX overflows.
  if (cut.left >= pw || cut.width > pw - cut.left || cut.top >= ph || cut.height > ph - cut.top)
    return Fail("picture: the selection (" + std::to_string(cut.left) + ", " + std::to_string(cut.top) + ") " +
                std::to_string(cut.width) + " x " + std::to_string(cut.height) + " does not lie inside the " +
                std::to_string(pw) + " x " + std::to_string(ph) + " picture");
  CBMPCutModel model({0, 0, cut.faceWidth, cut.faceHeight}, pw, ph);
  model.SetSelection({cut.left, cut.top, cut.left + cut.width, cut.top + cut.height});
  CDIB face;
  if (!model.Cut(work, face)) return Fail("picture: the face cannot be made");
  if (!WritePicture(face, files[1])) return Fail("picture: cannot write " + files[1]);
  return 0;
}

}  // namespace

KAOCG_COMMAND("picture", "read a BMP or JPEG as the import dialog does, write it or a cut face as PNG",
              "usage: kaocgtool picture IN OUT.png [--cut LEFT TOP WIDTH HEIGHT --size W H]\n\n"
              "Reads IN the way the editor's picture import does (a file starting with \"BM\"\n"
              "as BMP, any other as JPEG) and writes the 24-bit work picture as an RGB PNG,\n"
              "at its full width: the width rounded up to a multiple of 4 for 15- to 32-bit\n"
              "BMP and JPEG files, and the whole padded file row for 1-, 4- and 8-bit BMP\n"
              "files.\n\n"
              "With --cut and --size, writes instead the W x H face that the range\n"
              "selection makes of the selection whose top-left corner is (LEFT, TOP) and\n"
              "whose size is WIDTH x HEIGHT, in pixels of the work picture counted from\n"
              "its top row: nearest-pixel scaling, the selection's corner pixels becoming\n"
              "the face's. The selection must lie inside the work picture; W and H are 1\n"
              "to 4096 (the editor's faces are 240 x 240, 96 x 120 and 60 x 60).\n\n"
              "A file the import refuses prints the import's message on standard error.\n",
              &Picture);

}  // namespace kaocgtool

// Feeds arbitrary bytes to the import dialog's BMP reader, to the bitmap
// class's DIB file reader and, for a picture that was read, to the face cut.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "import/BMPCutModel.h"
#include "import/PictureReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CDIB work;
  std::string message;
  if (ReadBmpFile(data, size, "fuzz.bmp", work, message)) {
    CBMPCutModel model({0, 0, 60, 60}, work.GetWidth(), work.GetHeight());
    model.MoveSelection(work.GetWidth() / 3, work.GetHeight() / 3);
    CDIB face;
    model.Cut(work, face);
  }

  std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
  CDIB loaded;
  if (loaded.Load(file)) {
    CDIB canvas;
    if (canvas.Create(64, 64, nullptr, 24)) loaded.CopyRectTo(canvas, 2, 3, 70, 70, 1, 1, -1);
    std::ostringstream out;
    loaded.Save(out);
  }
  return 0;
}

#include "tools/kaocgtool/FacePicture.h"

#include <QImage>
#include <QString>

#include "import/DIB.h"

namespace kaocgtool {

bool LoadPicture24(const std::string& path, CDIB* picture, std::string* error) {
  QImage image;
  if (!image.load(QString::fromStdString(path))) {
    *error = "cannot read the picture " + path + " (PNG or BMP expected)";
    return false;
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  if (!picture->Create(image.width(), image.height(), nullptr, 24)) {
    *error = "the picture " + path + " is too large";
    return false;
  }
  for (int y = 0; y < image.height(); ++y) {
    const uchar* in = image.constScanLine(y);
    uint8_t* out = picture->GetPixelAddress(0, y);
    for (int x = 0; x < image.width(); ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  return true;
}

bool SavePng32(const CDIB& picture, const std::string& path, std::string* error) {
  if (picture.GetBitCount() != 32) {
    *error = "not a 32-bit picture";
    return false;
  }
  QImage image(picture.GetWidth(), picture.GetHeight(), QImage::Format_RGBA8888);
  for (int y = 0; y < picture.GetHeight(); ++y) {
    const uint8_t* in = picture.GetPixelAddress(0, y);
    uchar* out = image.scanLine(y);
    for (int x = 0; x < picture.GetWidth(); ++x) {
      out[4 * x] = in[4 * x + 2];
      out[4 * x + 1] = in[4 * x + 1];
      out[4 * x + 2] = in[4 * x];
      out[4 * x + 3] = in[4 * x + 3];
    }
  }
  if (!image.save(QString::fromStdString(path), "PNG")) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace kaocgtool

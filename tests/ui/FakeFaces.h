// Face pictures made in code for the GUI tests: each image number gets its
// own colour, so a test can tell which picture ended up where.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

#include <set>

#include "import/DIB.h"
#include "ui/FaceBitmap.h"

namespace kaocg_test {

inline QRgb ColourOf(int imageNumber) {
  return qRgb(imageNumber & 0xFF, (imageNumber >> 8) & 0xFF, 0x80);
}

// Makes a 32-bit top-down picture of the given size in the colour of n.
inline bool MakeFace(int n, int size, CDIB& dib) {
  if (!dib.Create(size, size, nullptr, 32)) return false;
  const QRgb c = ColourOf(n);
  for (int y = 0; y < size; ++y) {
    uint8_t* p = dib.GetPixelAddress(0, y);
    for (int x = 0; x < size; ++x, p += 4) {
      p[0] = qBlue(c);
      p[1] = qGreen(c);
      p[2] = qRed(c);
      p[3] = 0;
    }
  }
  return true;
}

// Installs a reader of such pictures (64 x 64) that fails for the numbers in
// `missing`; restores the real reader when it goes.
class FakeFaceReader {
 public:
  explicit FakeFaceReader(std::set<int> missing = {}) : missing_(std::move(missing)) {
    kaocg_ui::SetFaceReader([this](int n, CDIB& dib) {
      ++reads;
      if (n < 1 || missing_.count(n)) return false;
      return MakeFace(n, SizeOf(n), dib);
    });
  }
  ~FakeFaceReader() { kaocg_ui::SetFaceReader({}); }

  // Large 256, medium 128, small 64 by the image number ranges of the user
  // slots and of the shipped pictures (expansion edition).
  static int SizeOf(int n) {
    if (n >= 1 && n <= 1100) return 256;
    if (n >= 1102 && n <= 2201) return 128;
    if (n >= 2203 && n <= 3302) return 64;
    if (n >= 3304 && n <= 4901) return 256;
    if (n >= 4903 && n <= 6500) return 128;
    return 64;
  }

  int reads = 0;

 private:
  std::set<int> missing_;
};

inline QRgb TopLeft(const QPixmap& p) { return p.toImage().pixel(0, 0); }

}  // namespace kaocg_test

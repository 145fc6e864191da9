#include "ui/FaceBitmap.h"

#include <QColor>

#include "app/DialogTemplate.h"
#include "app/PlainMessage.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGArchive.h"
#include "facedata/KaoCGImageArchive.h"
#include "import/DIB.h"
#include "res/strings.h"

namespace kaocg_ui {
namespace {

FaceReader& Reader() {
  static FaceReader reader;
  return reader;
}

// The stored picture, read with the archive's header and index.
bool DefaultRead(int imageNumber, CDIB& dib) {
  const kaocg::Installation& inst = kaocg::CurrentInstallation();
  return kaocg_func::TransferFaceImage(imageNumber, inst.userFolder, &dib, inst.dataFolder,
                                       kaocg_func::kModeRead, true);
}

QRgb FromQuad(const RGBQUAD& q) { return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue); }

}  // namespace

void SetFaceReader(FaceReader reader) { Reader() = std::move(reader); }

QImage DibToQImage(const CDIB& dib) {
  if (dib.IsEmpty()) return QImage();
  const int w = dib.GetWidth(), h = dib.GetHeight(), bpp = dib.GetBitCount();
  if (w <= 0 || h <= 0) return QImage();
  QImage out(w, h, QImage::Format_RGB32);
  if (out.isNull()) return QImage();
  const RGBQUAD* table = dib.GetColorTable();
  const uint32_t colours = dib.GetColorCount();
  auto indexed = [&](uint32_t i) -> QRgb {
    return (table && i < colours) ? FromQuad(table[i]) : qRgb(0, 0, 0);
  };
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = dib.GetPixelAddress(0, y);
    if (!row) return QImage();
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    if (bpp == 32 || bpp == 24) {
      // The stored faces: every thumbnail of the load passes here, so the
      // depth is settled once a row rather than once a pixel.
      const int step = bpp / 8;
      for (int x = 0; x < w; ++x, row += step) dst[x] = qRgb(row[2], row[1], row[0]);
      continue;
    }
    for (int x = 0; x < w; ++x) {
      switch (bpp) {
        case 32:
        case 24: {
          const uint8_t* p = row + x * (bpp / 8);
          dst[x] = qRgb(p[2], p[1], p[0]);
          break;
        }
        case 16: {
          const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
          const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
          dst[x] = qRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
          break;
        }
        case 8:
          dst[x] = indexed(row[x]);
          break;
        case 4:
          dst[x] = indexed((row[x / 2] >> ((x & 1) ? 0 : 4)) & 15);
          break;
        case 1:
          dst[x] = indexed((row[x / 8] >> (7 - (x & 7))) & 1);
          break;
        default:
          return QImage();
      }
    }
  }
  return out;
}

}  // namespace kaocg_ui

bool LoadFaceBitmap(int imageNumber, QPixmap& bitmap) {
  bitmap = QPixmap();
  CDIB dib;
  const kaocg_ui::FaceReader& reader = kaocg_ui::Reader();
  const bool read = reader ? reader(imageNumber, dib) : kaocg_ui::DefaultRead(imageNumber, dib);
  QImage image;
  if (read) image = kaocg_ui::DibToQImage(dib);
  if (image.isNull()) {
    kaocg_ui::ShowPlainMessage(kaocg_ui::LoadQString(res::IDS_READ_FAILED));
    return false;
  }
  bitmap = QPixmap::fromImage(image);
  return true;
}
